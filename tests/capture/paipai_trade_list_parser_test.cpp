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
    EXPECT_TRUE(IsListDateTimeAt("08-03-07\r\n12:30:15", 1));
    EXPECT_TRUE(IsListDateTimeAt("x08-03-07\r\n12:30:15 bob", 2));
    EXPECT_FALSE(IsListDateTimeAt("8-3-7\r\n12:30:15", 1));
    EXPECT_FALSE(IsListDateTimeAt("08-03-07\n12:30:15", 1));
    EXPECT_FALSE(IsListDateTimeAt("08-03-07\r\n12:30:1", 1));  // the text ends a byte short
    EXPECT_FALSE(IsListDateTimeAt("08-03-07\r\n12:30:15", 0));
    EXPECT_FALSE(IsListDateTimeAt("08-03-07\r\n12:30:15", 2147483647));
    EXPECT_EQ(NextListEntry("120.00 2008-03-07\r\n12:30:15", 1), 8);
}

TEST(PaipaiTradeList, EntriesGiveNamesAndAmounts) {
    ScriptedHost host(ReadCaptureFixture("paipai_trade_list_1.txt"), kSitePaipai, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家} {交易网站}"));
    MenuItemReplaceAllClick(host);

    EXPECT_TRUE(host.prompter.questions.empty());
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"xiaoli_pp 拍拍网"));
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"韩版修身毛呢外套 加厚 黑色 L码"));
    EXPECT_EQ(host.grid.Cell(6, 1), "266.00");
    EXPECT_EQ(host.grid.Cell(6, 2), "120.00");
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"羊毛针织围巾　灰色"));
    EXPECT_EQ(host.grid.Cell(6, 3), "35.00");
    EXPECT_EQ(host.grid.Cell(6, 4), "421.00");
}

TEST(PaipaiTradeList, TwoBuyersFirstLineNameAndRepeatedGoods) {
    ScriptedHost host(ReadCaptureFixture("paipai_trade_list_2.txt"), kSitePaipai, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    MenuItemReplaceAllClick(host);
    ASSERT_EQ(host.prompter.questions.size(), 1u);
    EXPECT_EQ(host.replaceText, Gbk(u8"阿福小店"));
    EXPECT_EQ(host.grid.Cell(1, 1), "");

    host.prompter.answers = {true};
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.prompter.questions.size(), 2u);
    EXPECT_EQ(host.invoice.Text(), "chenjie1980");
    ASSERT_EQ(host.grid.RowCount(), 4);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"儿童卡通保温杯 350ml 粉色"));
    EXPECT_EQ(host.grid.Cell(6, 1), "45.00");
    EXPECT_EQ(host.grid.Cell(1, 2), Gbk(u8"不锈钢饭盒 三层"));
}

TEST(PaipaiTradeList, EntriesWithoutAGoodsLineGiveNoRow) {
    const std::string stamp = "2008-03-07\r\n12:30:15 bob\r\n";
    ScriptedHost host("5.00 " + stamp + "cup\r\n7.00 " + stamp, kSitePaipai, kTabInvoice);
    ParsePaipaiTradeList(host, 1);
    EXPECT_EQ(host.grid.Cell(1, 1), "cup");
    EXPECT_EQ(host.grid.Cell(6, 1), "7.00");
    EXPECT_EQ(host.grid.RowCount(), 3);

    std::string many;
    for (int i = 0; i < 100000; ++i) many += "20" + std::to_string(i % 10) + stamp.substr(0, 10);
    for (const std::string& page : {many, std::string(stamp.c_str(), 3) + '\0' + stamp, stamp}) {
        ScriptedHost other(page, kSitePaipai, kTabInvoice);
        ParsePaipaiTradeList(other, 1);
        EXPECT_GE(other.grid.RowCount(), 3);
    }
}

}  // namespace
}  // namespace tallivo
