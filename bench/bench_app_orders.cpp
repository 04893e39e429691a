// The order list at a hundred thousand orders through the real window: opening an export (read,
// list filled, shown), sorting by a column, and filtering to the unprinted ones. A third of the
// orders are in the print history. Offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>

#include "app/main_window_controller.h"
#include "app/order_list_commands.h"
#include "app/tform_orders.h"
#include "app/tform_print.h"
#include "history/print_history.h"
#include "silent_window.h"
#include "support/example_files.h"
#include "support/order_exports.h"
#include "text/gbk_codec.h"
#include "ui_tform_orders.h"

namespace tallivo {
namespace {

constexpr int kOrders = 100000;

struct OrdersWindow {
    QTemporaryDir dir;
    TFormPrint window;
    QuietWindowPrompter prompter;
    NoFonts fonts;
    std::unique_ptr<MainWindowController> controller;
    TFormOrders* orders = nullptr;
    std::string csv;

    OrdersWindow() {
        testing::CopyFolder(QStringLiteral(TALLIVO_STARTER_DIR), dir.path());
        testing::CopyFolder(QStringLiteral(TALLIVO_DATA_DIR "/profiles"), dir.filePath("profiles"));
        csv = dir.filePath(QStringLiteral("orders.csv")).toStdString();
        testing::WriteBytes(csv, Utf8ToGbk(testing::LargeTaobaoCsv(kOrders)));
        PrintHistory history(PrintHistoryPath(dir.path().toStdString()));
        HistoryRecord printed;
        for (int i = 0; i < kOrders; i += 3)
            printed.tradeNumbers.push_back(std::to_string(2008030700000000LL + i));
        printed.time = QDateTime::fromString(QStringLiteral("2026-12-06 09:00:00"), Qt::ISODate);
        history.Record(printed);
        controller = std::make_unique<MainWindowController>(window, dir.path().toStdString(),
                                                            &prompter, nullptr, &fonts);
        window.show();
        QApplication::processEvents();
        orders = controller->findChild<OrderListCommands*>()->MenuItemOrdersClick();
        QApplication::processEvents();
    }
    ~OrdersWindow() {
        controller->Workspace().SetInvoiceUnsaved(false);
        controller->Workspace().SetFreightBillUnsaved(false);
    }
    void Open() {
        orders->OpenFiles({csv});
        QApplication::processEvents();
    }
};

// Made on first use and gone before the application, whose widgets it holds.
std::unique_ptr<OrdersWindow>& Held() {
    static std::unique_ptr<OrdersWindow> window;
    return window;
}

OrdersWindow& Window() {
    if (!Held()) Held() = std::make_unique<OrdersWindow>();
    return *Held();
}

void BM_OrderListOpen(benchmark::State& state) {
    OrdersWindow& w = Window();
    for (auto _ : state) {
        state.PauseTiming();
        w.orders->Model().Clear();
        QApplication::processEvents();
        state.ResumeTiming();
        w.Open();
        if (w.orders->Model().rowCount() != kOrders) state.SkipWithError("orders lost");
    }
}

// Ascending and descending in turn, from a list in file order; with every row chosen when
// range(1), which the sort keeps on the same orders.
void BM_OrderListSort(benchmark::State& state) {
    OrdersWindow& w = Window();
    if (w.orders->Model().OrderCount() != kOrders) w.Open();
    QTableView* grid = w.orders->ui()->GridOrders;
    if (state.range(1)) w.orders->SelectAll();
    const int column = static_cast<int>(state.range(0));
    bool up = true;
    for (auto _ : state) {
        grid->sortByColumn(column, up ? Qt::AscendingOrder : Qt::DescendingOrder);
        QApplication::processEvents();
        up = !up;
    }
    if (state.range(1) && w.orders->SelectedOrders().size() != kOrders)
        state.SkipWithError("choice lost");
    w.orders->SelectNone();
    grid->sortByColumn(-1, Qt::AscendingOrder);
}

void BM_OrderListFilterUnprinted(benchmark::State& state) {
    OrdersWindow& w = Window();
    if (w.orders->Model().OrderCount() != kOrders) w.Open();
    QComboBox* filter = w.orders->ui()->ComboFilter;
    for (auto _ : state) {
        filter->setCurrentIndex(static_cast<int>(OrderListModel::Filter::kUnprinted));
        QApplication::processEvents();
        state.PauseTiming();
        if (w.orders->Model().rowCount() != kOrders - (kOrders + 2) / 3)
            state.SkipWithError("wrong rows");
        filter->setCurrentIndex(static_cast<int>(OrderListModel::Filter::kAll));
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_OrderListOpen)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OrderListSort)
    ->Args({OrderListModel::kTrade, 0})
    ->Args({OrderListModel::kConsignee, 0})
    ->Args({OrderListModel::kAddress, 0})
    ->Args({OrderListModel::kAmount, 0})
    ->Args({OrderListModel::kPrinted, 0})
    ->Args({OrderListModel::kConsignee, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_OrderListFilterUnprinted)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace tallivo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tallivo::Held().reset();
    return 0;
}
