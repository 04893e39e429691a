#include "capture/sold_list_parser.h"

#include <gtest/gtest.h>

#include "capture/capture_driver.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

TEST(SoldListParser, OneBuyerOneRowPerEntryNamesTrimmed) {
    ScriptedHost host(ReadCaptureFixture("sold_list_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"买家：{买家} {发货单号}"));
    MenuItemReplaceAllClick(host);
    EXPECT_TRUE(host.prompter.questions.empty());
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"买家：xiaoxiong88 1382401"));
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"羊毛针织围巾　灰色"));
    EXPECT_EQ(host.grid.Cell(6, 3), "35.00");
    EXPECT_EQ(host.grid.Cell(6, 4), "222.90");
}

TEST(SoldListParser, SecondBuyerAskedOnceAndRepeatedGoodsSkipped) {
    ScriptedHost host(ReadCaptureFixture("sold_list_2.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    MenuItemReplaceAllClick(host);  // No
    EXPECT_EQ(host.replaceText, Gbk(u8"阿福小店"));
    EXPECT_EQ(host.grid.Cell(1, 1), "");
    host.prompter.answers = {true};
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.prompter.questions.size(), 2u);
    EXPECT_EQ(host.invoice.Text(), "lanlan_2008");
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"家用保鲜膜 30米"));
}

TEST(SoldListParser, UnknownStateRunsOnToTheNextPrice) {
    const std::string sold = Gbk(u8" 卖出 bob\r\n");
    ScriptedHost host(Gbk(u8"2008年03月07日") + sold + Gbk(u8"杯 9.00 卖家关闭") + sold +
                          Gbk(u8"碗 3.00 交易成功"),
                      kSiteTaobao, kTabInvoice);
    ParseSoldList(host, 1);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"杯 9.00 卖家关闭 卖出 bob\r\n碗"));
    EXPECT_EQ(host.grid.Cell(6, 1), "3.00");
}

TEST(SoldListParser, DamagedPagesNeitherCrashNorHang) {
    const std::string sold = Gbk(u8"卖出");
    std::string glued, lines;
    for (int i = 0; i < 100000; ++i) glued += sold, lines += sold + " b\r\nx\xC1\r\n";
    for (const std::string& page :
         {glued, lines, sold + " \r\n1", std::string("\0\x81", 2) + sold}) {
        ScriptedHost host(page, kSiteTaobao, kTabInvoice);
        host.prompter.answers = {true};
        ParseSoldList(host, 1);
        EXPECT_GE(host.grid.RowCount(), 3);
    }
}

}  // namespace
}  // namespace tallivo
