// The order list bound to the real window, and the print dialog the tests answer.
#pragma once

#include <QPrinter>

#include "app/order_list_commands.h"
#include "app/print_commands.h"
#include "app/tform_orders.h"
#include "app/window_fixture.h"
#include "ui_tform_orders.h"

namespace tallivo::testing {

// Picks the named queue; cancelled without one.
class QueuePrintDialogs : public PrintDialogs {
public:
    bool ChoosePrinter(QPrinter& printer) override {
        std::string error;
        return !queue.isEmpty() && SelectPrinter(printer, queue, &error);
    }
    void SetUpPage(QPrinter&) override {}
    std::optional<QPointF> MeasuredFirstMark(QPointF) override { return std::nullopt; }
    QString queue;
};

inline QString ExportFile() {
    return ExampleFile("taobao-order-export.csv");
}

class OrderListTest : public WindowTest {
protected:
    void Bound() override {
        // The shipped profiles, as in the program folder of an installed copy.
        CopyFolder(QStringLiteral(TALLIVO_PROFILES_DIR), dir.filePath(QStringLiteral("profiles")));
        commands = controller->findChild<OrderListCommands*>();
        ASSERT_NE(commands, nullptr);
        controller->findChild<PrintCommands*>()->SetDialogs(&dialogs);
    }
    // The window from the File menu with the example export opened through the file dialog.
    TFormOrders* OpenExample() {
        ui().MenuItemOrders->trigger();
        TFormOrders* orders = commands->OrdersWindow();
        if (!orders) return nullptr;
        chooser.answers = {ExportFile().toStdString()};
        orders->ui()->ButtonOpen->click();
        return orders;
    }

    OrderListCommands* commands = nullptr;
    QueuePrintDialogs dialogs;
};

}  // namespace tallivo::testing
