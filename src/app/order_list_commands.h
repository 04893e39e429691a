// The File menu's order list: one window per main window, and an order handed back from it onto
// the freight-bill tab for editing by hand.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "app/tform_orders.h"
#include "forms/file_chooser.h"
#include "forms/workspace.h"
#include "orders/orders.h"
#include "text/message_sink.h"

namespace tallivo {

class PrintCommands;
class TFormPrint;

class OrderListCommands : public QObject {
    Q_OBJECT
public:
    OrderListCommands(TFormPrint& window, FormsWorkspace& workspace, Prompter& prompter,
                      FileChooser* chooser, PrintCommands& print, QObject* parent = nullptr);

    // The order list, shown again when open.
    TFormOrders* MenuItemOrdersClick();
    TFormOrders* OrdersWindow() const { return orders_; }
    // The freight-bill tab from its template, filled with the order, as a pasted page would be.
    // An unsaved freight bill is asked about first, as the tab change does.
    void EditOrder(const Order& order);
    // The question before the freight bill is rebuilt; false keeps it.
    void SetRebuildQuestion(std::function<bool()> mayRebuild) {
        mayRebuild_ = std::move(mayRebuild);
    }

private:
    TFormPrint& window_;
    FormsWorkspace& workspace_;
    Prompter& prompter_;
    FileChooser* chooser_;
    PrintCommands& print_;
    QPointer<TFormOrders> orders_;
    std::function<bool()> mayRebuild_;
};

}  // namespace tallivo
