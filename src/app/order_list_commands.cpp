#include "app/order_list_commands.h"

#include "app/print_commands.h"
#include "app/tform_orders.h"
#include "app/tform_print.h"
#include "session/order_batch.h"
#include "ui_tform_print.h"

namespace tallivo {

OrderListCommands::OrderListCommands(TFormPrint& window, FormsWorkspace& workspace,
                                     Prompter& prompter, FileChooser* chooser, PrintCommands& print,
                                     QObject* parent)
    : QObject(parent),
      window_(window),
      workspace_(workspace),
      prompter_(prompter),
      chooser_(chooser),
      print_(print) {
    setObjectName(QStringLiteral("OrderListCommands"));
    connect(window_.ui()->MenuItemOrders, &QAction::triggered, this,
            [this] { MenuItemOrdersClick(); });
}

TFormOrders* OrderListCommands::MenuItemOrdersClick() {
    if (!orders_) {
        // A window of its own beside the main one: the list wants room the form tabs, sized
        // for the waybill picture, do not have, and stays open while an order is edited.
        orders_ = new TFormOrders(workspace_, prompter_, chooser_, print_, &window_);
        orders_->setAttribute(Qt::WA_DeleteOnClose);
        connect(orders_, &TFormOrders::orderChosen, this, &OrderListCommands::EditOrder);
    } else {
        orders_->RefreshPrinted();
    }
    orders_->show();
    orders_->raise();
    orders_->activateWindow();
    return orders_;
}

void OrderListCommands::EditOrder(const Order& order) {
    QTabWidget* tabs = window_.ui()->PageControlPrint;
    if (tabs->currentIndex() != kTabFreightBill) {
        // The tab change starts the form from its template, asking about unsaved forms.
        tabs->setCurrentIndex(kTabFreightBill);
        if (tabs->currentIndex() != kTabFreightBill) return;
    } else {
        if (mayRebuild_ && !mayRebuild_()) return;
        workspace_.ResetCurrentForm();
    }
    FillFromValues(workspace_, OrderFormValues(order));
    window_.raise();
    window_.activateWindow();
}

}  // namespace tallivo
