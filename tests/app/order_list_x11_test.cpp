// End to end on a real window system: the order list prints the unprinted orders of an export
// to a print system of the test's own as one job, records them, and a second print asks once.
#include <gtest/gtest.h>

#include <QTableView>

#include "app/order_list_support.h"
#include "history/print_history.h"
#include "storage/config_file.h"
#include "support/pdf_words.h"
#include "support/private_cups.h"

namespace tallivo {
namespace {

using testing::OrderListTest;

TEST_F(OrderListTest, UnprintedOrdersGoAsOneJobOnePagePerOrderAndASecondPrintAsksOnce) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    dialogs.queue = testing::PrivateCups::Queue();
    PrintHistory history(PrintHistoryPath(dir.path().toStdString()));
    HistoryRecord earlier;
    earlier.tradeNumbers = {"2008030712345690"};
    ASSERT_TRUE(history.Record(earlier).ok);

    TFormOrders* orders = OpenExample();
    ASSERT_NE(orders, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(orders));
    orders->ui()->ButtonSelectUnprinted->click();
    ASSERT_EQ(orders->SelectedOrders().size(), 2u);
    const std::int32_t firstSn = LoadConfig(dir.path().toStdString()).config.freightBillSn;
    orders->ui()->ButtonPrintFreightBill->click();
    // The numbers the job spent are not printed again by the next batch.
    EXPECT_EQ(LoadConfig(dir.path().toStdString()).config.freightBillSn, firstSn + 2);
    EXPECT_TRUE(prompter.questions.empty());
    const auto job = cups.WaitForJob(1);
    ASSERT_TRUE(job) << (prompter.messages.empty() ? std::string()
                                                   : GbkToUtf8(prompter.messages.back()));
    const testing::PdfText text = testing::ReadPdfText(job->dataPath);
    EXPECT_EQ(text.pages, 2);
    const testing::PdfWord* first = text.Find(QString::fromUtf8(u8"张三"));
    const testing::PdfWord* second = text.Find(QString::fromUtf8(u8"钱七"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->page, 1);
    EXPECT_EQ(second->page, 2);
    EXPECT_EQ(history.List().size(), 3u);
    EXPECT_EQ(orders->SelectedOrders().size(), 2u);
    EXPECT_TRUE(orders->Model()
                    .index(2, OrderListModel::kPrinted)
                    .data()
                    .toString()
                    .startsWith(QString::fromUtf8(u8"货运单")));

    // All three were printed before: one question names them, and No prints none.
    orders->ui()->ButtonSelectAll->click();
    prompter.answers = {false};
    orders->ui()->ButtonPrintFreightBill->click();
    ASSERT_EQ(prompter.questions.size(), 1u);
    const std::string& asked = prompter.questions[0].text;
    for (const char* trade : {"2008030712345678", "2008030712345690", "2008030712345702"})
        EXPECT_NE(asked.find(trade), std::string::npos) << trade;
    QTest::qWait(300);
    EXPECT_EQ(cups.KeptJobs(), 1);
    EXPECT_EQ(history.List().size(), 3u);
}

TEST_F(OrderListTest, AFileOfMaskedAndPlainOrdersPrintsOnlyThePlainOne) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    dialogs.queue = testing::PrivateCups::Queue();
    ui().MenuItemOrders->trigger();
    TFormOrders* orders = commands->OrdersWindow();
    ASSERT_NE(orders, nullptr);
    chooser.answers = {TALLIVO_ORDERS_DATA "/masked.csv"};
    orders->ui()->ButtonOpen->click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(orders));
    ASSERT_EQ(orders->Model().rowCount(), 6);

    // A click on a masked row chooses nothing; "全选" chooses the one plain order.
    QTableView* grid = orders->ui()->GridOrders;
    const QRect masked = grid->visualRect(orders->Model().index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, masked.center());
    EXPECT_TRUE(orders->SelectedOrders().empty());
    orders->ui()->ButtonSelectAll->click();
    ASSERT_EQ(orders->SelectedOrders().size(), 1u);
    orders->ui()->ButtonPrintFreightBill->click();
    const auto job = cups.WaitForJob(1);
    ASSERT_TRUE(job);
    const testing::PdfText text = testing::ReadPdfText(job->dataPath);
    EXPECT_EQ(text.pages, 1);
    EXPECT_TRUE(text.Find(QString::fromUtf8(u8"张三")));
    EXPECT_FALSE(text.Find(QString::fromUtf8(u8"李四")));
    EXPECT_FALSE(text.Find(QString::fromUtf8(u8"王五")));
}

}  // namespace
}  // namespace tallivo
