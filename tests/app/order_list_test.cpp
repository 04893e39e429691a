// The order list window: opening exports, the printed column and filter, choosing, preview,
// handing an order to the freight-bill tab, a hundred thousand orders, and a cancelled print.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QHeaderView>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>

#include "app/order_list_support.h"
#include "app/tform_profile_mapping.h"
#include "browser/handover_record.h"
#include "history/print_history.h"
#include "support/order_exports.h"
#include "support/private_cups.h"

namespace tallivo {
namespace {

using testing::OrderListTest;

QString Cell(TFormOrders& orders, int row, int column) {
    return orders.Model().index(row, column).data().toString();
}

TEST_F(OrderListTest, ListsTheExportWithItsPrintsFiltersAndChoosesTheUnprinted) {
    PrintHistory history(PrintHistoryPath(dir.path().toStdString()));
    HistoryRecord printed;
    printed.tradeNumbers = {"2008030712345690"};
    printed.time = QDateTime::fromString(QStringLiteral("2026-12-06 09:00:00"), Qt::ISODate);
    ASSERT_TRUE(history.Record(printed).ok);

    TFormOrders* orders = OpenExample();
    ASSERT_NE(orders, nullptr);
    ASSERT_EQ(orders->Model().rowCount(), 3);
    EXPECT_EQ(Cell(*orders, 0, OrderListModel::kTrade), QStringLiteral("2008030712345678"));
    EXPECT_EQ(Cell(*orders, 0, OrderListModel::kConsignee), QString::fromUtf8(u8"张三"));
    EXPECT_TRUE(Cell(*orders, 0, OrderListModel::kGoods).contains(QString::fromUtf8(u8"羊毛围巾")));
    EXPECT_EQ(Cell(*orders, 0, OrderListModel::kAmount), QStringLiteral("130.00"));
    EXPECT_EQ(Cell(*orders, 1, OrderListModel::kPrinted),
              QString::fromUtf8(u8"货运单 2026-12-06 09:00:00"));
    EXPECT_TRUE(Cell(*orders, 2, OrderListModel::kPrinted).isEmpty());
    // Opening the same file again lists each order once.
    chooser.answers = {testing::ExportFile().toStdString()};
    orders->ui()->ButtonOpen->click();
    EXPECT_EQ(orders->Model().rowCount(), 3);

    orders->ui()->ButtonSelectUnprinted->click();
    std::vector<const Order*> chosen = orders->SelectedOrders();
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[1]->tradeNumber, "2008030712345702");
    orders->ui()->ComboFilter->setCurrentIndex(2);
    ASSERT_EQ(orders->Model().rowCount(), 1);
    EXPECT_EQ(Cell(*orders, 0, OrderListModel::kTrade), QStringLiteral("2008030712345690"));
    orders->ui()->ComboFilter->setCurrentIndex(1);
    EXPECT_EQ(orders->Model().rowCount(), 2);
    orders->ui()->ButtonSelectAll->click();
    EXPECT_EQ(orders->SelectedOrders().size(), 2u);
    orders->ui()->ButtonSelectNone->click();
    EXPECT_TRUE(orders->SelectedOrders().empty());

    // A history that cannot be read shows no order as unprinted.
    controller->findChild<PrintCommands*>()->Services().UseHistory(
        *ParseHistoryUrl("postgresql://tallivo@127.0.0.1:1/none").location);
    orders->ui()->ComboFilter->setCurrentIndex(0);
    orders->RefreshPrinted();
    EXPECT_EQ(Cell(*orders, 2, OrderListModel::kPrinted), QString::fromUtf8(u8"未知"));
    orders->ui()->ButtonSelectUnprinted->click();
    EXPECT_TRUE(orders->SelectedOrders().empty());
}

TEST_F(OrderListTest, AHeaderClickSortsAndTheChoiceAndFilterFollow) {
    PrintHistory history(PrintHistoryPath(dir.path().toStdString()));
    HistoryRecord printed;
    printed.tradeNumbers = {"2008030712345690"};
    printed.time = QDateTime::fromString(QStringLiteral("2026-12-06 09:00:00"), Qt::ISODate);
    ASSERT_TRUE(history.Record(printed).ok);
    TFormOrders* orders = OpenExample();
    ASSERT_NE(orders, nullptr);
    orders->RefreshPrinted();
    QTableView* grid = orders->ui()->GridOrders;
    auto column = [&](int c) {
        QStringList cells;
        for (int row = 0; row < orders->Model().rowCount(); ++row) cells << Cell(*orders, row, c);
        return cells.join(QLatin1Char(' '));
    };
    // Opened in the file's order; 张三 chosen.
    EXPECT_EQ(column(OrderListModel::kConsignee), QString::fromUtf8(u8"张三 赵六 钱七"));
    grid->selectRow(0);

    // Names in pinyin order, not in code point order (张 赵 钱).
    grid->horizontalHeader()->setSortIndicator(OrderListModel::kConsignee, Qt::AscendingOrder);
    EXPECT_EQ(column(OrderListModel::kConsignee), QString::fromUtf8(u8"钱七 张三 赵六"));
    ASSERT_EQ(orders->SelectedOrders().size(), 1u);
    EXPECT_EQ(orders->SelectedOrders()[0]->tradeNumber, "2008030712345678");
    // Amounts as numbers; descending.
    grid->sortByColumn(OrderListModel::kAmount, Qt::DescendingOrder);
    EXPECT_EQ(column(OrderListModel::kAmount), QStringLiteral("130.00 97.00 45.50"));
    grid->sortByColumn(OrderListModel::kPrinted, Qt::DescendingOrder);
    EXPECT_EQ(Cell(*orders, 0, OrderListModel::kTrade), QStringLiteral("2008030712345690"));
    // The filter keeps the sort.
    grid->sortByColumn(OrderListModel::kConsignee, Qt::AscendingOrder);
    orders->ui()->ComboFilter->setCurrentIndex(1);
    EXPECT_EQ(column(OrderListModel::kConsignee), QString::fromUtf8(u8"钱七 张三"));
    orders->ui()->ComboFilter->setCurrentIndex(0);
    grid->sortByColumn(-1, Qt::AscendingOrder);
    EXPECT_EQ(column(OrderListModel::kConsignee), QString::fromUtf8(u8"张三 赵六 钱七"));
}

// Numbers of different lengths, numbers that are not all digits, and the same number twice.
TEST(OrderListModelTest, OrderNumbersSortAsNumbersAndReopenedOrdersReplaceTheirOld) {
    OrderListModel model;
    auto orders = [](std::initializer_list<const char*> numbers) {
        std::vector<Order> list;
        for (const char* n : numbers) {
            Order order;
            order.tradeNumber = n;
            order.values.Set(Keyword::kConsignee, n);
            list.push_back(std::move(order));
        }
        return list;
    };
    model.AddOrders(orders({"100", "240101-2", "99", "2008030712345678901", "1000"}));
    model.sort(OrderListModel::kTrade, Qt::AscendingOrder);
    QStringList sorted;
    for (int row = 0; row < model.rowCount(); ++row)
        sorted << model.index(row, OrderListModel::kTrade).data().toString();
    EXPECT_EQ(sorted.join(QLatin1Char(' ')),
              QStringLiteral("99 100 1000 2008030712345678901 240101-2"));
    // Each number again, long and short, then once more: still one row each.
    model.AddOrders(orders({"2008030712345678901", "99", "2008030712345678901", "100"}));
    model.AddOrders(orders({"2008030712345678901", "1000"}));
    EXPECT_EQ(model.rowCount(), 5);
}

TEST_F(OrderListTest, AnExportNamedOnTheCommandLineOpensInTheList) {
    controller->OpenCommandLine(
        browser::kCommandLineTag,
        QByteArray::fromStdString(Utf8ToGbk(testing::ExportFile().toStdString())));
    ASSERT_NE(commands->OrdersWindow(), nullptr);
    EXPECT_EQ(commands->OrdersWindow()->Model().rowCount(), 3);
}

TEST_F(OrderListTest, ADoubleClickFillsTheFreightBillAndPreviewStacksThePages) {
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    TFormOrders* orders = OpenExample();
    ASSERT_NE(orders, nullptr);
    QTableView* grid = orders->ui()->GridOrders;
    const QModelIndex second = orders->Model().index(1, OrderListModel::kConsignee);
    emit grid->doubleClicked(second);
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    std::string boxes;
    for (const auto& box : ws().FreightBill().boxes) boxes += box->content->PlainText();
    EXPECT_NE(boxes.find(Gbk(u8"赵六")), std::string::npos);

    grid->selectRow(0);
    orders->PreviewSelected(FormKind::kFreightBill);
    const int one = orders->ui()->ImagePreview->pixmap().height();
    orders->ui()->ButtonSelectAll->click();
    orders->ui()->ButtonPreviewFreightBill->click();
    EXPECT_GT(orders->ui()->ImagePreview->pixmap().height(), 3 * one);
}

TEST_F(OrderListTest, MaskedOrdersAreGreyedNeverChosenAndSayWhyOnADoubleClick) {
    ui().MenuItemOrders->trigger();
    TFormOrders* orders = commands->OrdersWindow();
    ASSERT_NE(orders, nullptr);
    prompter.messages.clear();
    ASSERT_TRUE(orders->OpenFiles({TALLIVO_ORDERS_DATA "/masked.csv"}));
    ASSERT_EQ(orders->Model().rowCount(), 6);
    EXPECT_EQ(Cell(*orders, 1, OrderListModel::kConsignee), QString::fromUtf8(u8"收货信息已隐藏"));
    EXPECT_FALSE(orders->Model().flags(orders->Model().index(2, 0)) & Qt::ItemIsSelectable);
    for (QPushButton* choose :
         {orders->ui()->ButtonSelectAll, orders->ui()->ButtonSelectUnprinted}) {
        choose->click();
        const std::vector<const Order*> chosen = orders->SelectedOrders();
        ASSERT_EQ(chosen.size(), 1u);
        EXPECT_EQ(chosen[0]->tradeNumber, "1");
    }
    emit orders->ui()->GridOrders->doubleClicked(orders->Model().index(2, 0));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(GbkToUtf8(prompter.messages[0]).find(u8"手机在导出的文件中已隐藏"),
              std::string::npos);
}

// Maps the columns given; counts the files asked about.
class ScriptedMapper : public ProfileMapper {
public:
    std::optional<OrderProfile> Map(const std::string&,
                                    const std::vector<std::string>& header) override {
        ++asked;
        return ProfileForHeader("own", header,
                                {{OrderField::kTrade, 0}, {OrderField::kConsignee, 1}});
    }
    int asked = 0;
};

TEST_F(OrderListTest, AnUnknownHeaderIsMappedOnceAndKeptAsAProfile) {
    const std::string csv = (dir.path() + QStringLiteral("/own.csv")).toStdString();
    testing::WriteBytes(csv, u8"单号,名字,住址\r\n1001,周八,江苏省 南京市 玄武区 中山路1号\r\n");
    ui().MenuItemOrders->trigger();
    TFormOrders* orders = commands->OrdersWindow();
    ScriptedMapper mapper;
    orders->SetProfileMapper(&mapper);
    ASSERT_TRUE(orders->OpenFiles({csv}));
    EXPECT_EQ(mapper.asked, 1);
    EXPECT_EQ(Cell(*orders, 0, OrderListModel::kConsignee), QString::fromUtf8(u8"周八"));
    EXPECT_TRUE(prompter.messages.empty()) << GbkToUtf8(prompter.messages.front());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("profiles/own.json"))));
    // The same header again is read with the saved profile, unasked.
    orders->Model().Clear();
    ASSERT_TRUE(orders->OpenFiles({csv}));
    EXPECT_EQ(mapper.asked, 1);
    EXPECT_EQ(orders->Model().rowCount(), 1);
}

TEST_F(OrderListTest, AHundredThousandOrdersOpenAndScrollAtOnce) {
    const std::string csv = (dir.path() + QStringLiteral("/large.csv")).toStdString();
    testing::WriteBytes(csv, testing::LargeTaobaoCsv(100000));
    ui().MenuItemOrders->trigger();
    TFormOrders* orders = commands->OrdersWindow();
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(orders->OpenFiles({csv}));
    QCoreApplication::processEvents();
    const qint64 opened = timer.restart();
    QScrollBar* bar = orders->ui()->GridOrders->verticalScrollBar();
    for (int step = 0; step < 50; ++step) {
        bar->setValue(bar->maximum() * step / 49);
        orders->ui()->GridOrders->viewport()->repaint();
    }
    const qint64 scrolled = timer.restart();
    orders->SelectUnprinted();
    const qint64 selected = timer.elapsed();
    std::printf(
        "[ figure ] 100000 orders opened in the list in %lld ms, 50 scroll steps in %lld "
        "ms, all unprinted chosen in %lld ms\n",
        static_cast<long long>(opened), static_cast<long long>(scrolled),
        static_cast<long long>(selected));
    EXPECT_EQ(orders->Model().rowCount(), 100000);
    EXPECT_EQ(orders->SelectedOrders().size(), 100000u);
    EXPECT_LT(scrolled, 5000);
}

TEST_F(OrderListTest, ACancelBeforeTheHandOverPrintsAndRecordsNothing) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    dialogs.queue = testing::PrivateCups::Queue();
    TFormOrders* orders = OpenExample();
    ASSERT_NE(orders, nullptr);
    orders->ui()->ButtonSelectAll->click();
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [orders] {
        if (auto* progress = orders->findChild<QProgressDialog*>(QStringLiteral("ProgressOrders")))
            progress->cancel();
    });
    cancel.start(0);
    EXPECT_EQ(orders->PrintSelected(FormKind::kFreightBill), 0);
    cancel.stop();
    QTest::qWait(500);
    EXPECT_EQ(cups.KeptJobs(), 0);
    EXPECT_TRUE(PrintHistory(PrintHistoryPath(dir.path().toStdString())).List().empty());
}

}  // namespace
}  // namespace tallivo
