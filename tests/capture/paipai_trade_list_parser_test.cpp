#include "capture/paipai_trade_list_parser.h"

#include <gtest/gtest.h>

#include "capture/capture_driver.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

TEST(PaipaiTradeList, DateTimeStamp) {
    EXPECT_TRUE(IsListDateTimeAt("x08-03-07\r\n12:30:15", 2));
    EXPECT_FALSE(IsListDateTimeAt("8-3-7\r\n12:30:15", 1));
    EXPECT_FALSE(IsListDateTimeAt("08-03-07\r\n12:30:15", 2147483647));
    EXPECT_EQ(NextListEntry("120.00 2008-03-07\r\n12:30:15", 1), 8);
}

TEST(PaipaiTradeList, NamesAndAmountsWithoutTheirBlanks) {
    ScriptedHost host(ReadCaptureFixture("paipai_trade_list_1.txt"), kSitePaipai, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), "xiaoli_pp");
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"羊毛针织围巾　灰色"));
    EXPECT_EQ(host.grid.Cell(6, 3), "35.00");
    EXPECT_EQ(host.grid.Cell(6, 4), "421.00");
}

TEST(PaipaiTradeList, TwoBuyersFirstLineNameAndRepeatedGoods) {
    ScriptedHost host(ReadCaptureFixture("paipai_trade_list_2.txt"), kSitePaipai, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    host.prompter.answers = {true};
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.prompter.questions.size(), 1u);
    ASSERT_EQ(host.grid.RowCount(), 4);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"儿童卡通保温杯 350ml 粉色"));
    EXPECT_EQ(host.grid.Cell(6, 1), "45.00");
}

TEST(PaipaiTradeList, EntriesWithoutAGoodsLineGiveNoRow) {
    const std::string stamp = "2008-03-07\r\n12:30:15 bob\r\n";
    ScriptedHost host("5.00 " + stamp + "cup\r\n7.00 " + stamp, kSitePaipai, kTabInvoice);
    ParsePaipaiTradeList(host, 1);
    EXPECT_EQ(host.grid.RowCount(), 3);
    EXPECT_EQ(host.grid.Cell(1, 1), "cup");
    EXPECT_EQ(host.grid.Cell(6, 1), "7.00");
}

}  // namespace
}  // namespace tallivo
