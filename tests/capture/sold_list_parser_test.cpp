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

TEST(SoldListParser, OneBuyerFillsBuyerAndOneRowPerEntry) {
    ScriptedHost host(ReadCaptureFixture("sold_list_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"买家：{买家}\r\n单号：{发货单号}"));
    MenuItemReplaceAllClick(host);

    EXPECT_TRUE(host.prompter.questions.empty());
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"买家：xiaoxiong88\r\n单号：1382401"));
    EXPECT_EQ(host.trade.currentBuyer, "xiaoxiong88");
    ASSERT_EQ(host.grid.RowCount(), 5);
    // Trailing blanks (full-width too) are not part of the name; the amount is the price.
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"韩版修身毛呢外套 加厚 黑色 L码"));
    EXPECT_EQ(host.grid.Cell(6, 1), "128.00");
    EXPECT_EQ(host.grid.Cell(1, 2), Gbk(u8"纯棉格子衬衫 男款 蓝色 XL"));
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"羊毛针织围巾　灰色"));
    EXPECT_EQ(host.grid.Cell(6, 3), "35.00");
    EXPECT_EQ(host.grid.Cell(6, 4), "222.90");
    EXPECT_EQ(host.grid.Cell(0, 1), "");
}

TEST(SoldListParser, SecondBuyerIsAskedAboutOnce) {
    const std::string page = ReadCaptureFixture("sold_list_2.txt");
    {
        ScriptedHost host(page, kSiteTaobao, kTabInvoice);
        host.invoice.SetText(Gbk(u8"{买家}"));
        MenuItemReplaceAllClick(host);
        ASSERT_EQ(host.prompter.questions.size(), 1u);
        EXPECT_EQ(host.prompter.questions[0].caption, Gbk(u8"提示：有多个买家！"));
        EXPECT_EQ(host.replaceText, Gbk(u8"阿福小店"));  // the buyer that raised it
        EXPECT_EQ(host.invoice.Text(), Gbk(u8"{买家}"));
        EXPECT_EQ(host.grid.Cell(1, 1), "");
    }
    ScriptedHost host(page, kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    host.prompter.answers = {true};
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.prompter.questions.size(), 1u);
    EXPECT_EQ(host.invoice.Text(), "lanlan_2008");
    // The repeated cup is one row; a closed trade still counts; the rerun adds nothing.
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"儿童卡通保温杯 350ml 粉色"));
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"家用保鲜膜 30米"));
    EXPECT_EQ(host.grid.Cell(6, 3), "8.80");
}

TEST(SoldListParser, PriceNeedsTwoDecimalsAndAKnownState) {
    const std::string sep = Gbk(u8" 卖出 bob\r\n");
    EXPECT_TRUE(IsSoldListPriceAt(Gbk(u8"a 1.50 交易成功"), 4));
    EXPECT_FALSE(IsSoldListPriceAt(Gbk(u8"a 1.5 交易成功"), 4));
    EXPECT_FALSE(IsSoldListPriceAt(Gbk(u8"a 1.50 卖家关闭"), 4));
    EXPECT_FALSE(IsSoldListPriceAt(Gbk(u8"a 1.50 交易"), 4));  // state cut off by the end

    // An unknown state sends the search on to the next entry's price.
    ScriptedHost host(Gbk(u8"2008年03月07日") + sep + Gbk(u8"杯子 9.00 卖家关闭") + sep +
                          Gbk(u8"碗 3.00 交易成功"),
                      kSiteTaobao, kTabInvoice);
    ParseSoldList(host, 1);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"杯子 9.00 卖家关闭 卖出 bob\r\n碗"));
    EXPECT_EQ(host.grid.Cell(6, 1), "3.00");
    EXPECT_EQ(host.grid.Cell(1, 2), "");
}

TEST(SoldListParser, DamagedPagesNeitherCrashNorHang) {
    const std::string sold = Gbk(u8"卖出");
    std::string many;
    for (int i = 0; i < 100000; ++i) many += sold;  // no blanks, no line ends
    std::string lines;
    for (int i = 0; i < 100000; ++i) lines += sold + " b\r\n" + "x\xC1\r\n";
    for (const std::string& page :
         {many, lines, sold, sold + "\r\n", sold + " \r\n1", std::string("\0\x81\r", 3) + sold,
          sold + " a\r\n 1.00 " + std::string(1, '\0')}) {
        ScriptedHost host(page, kSiteTaobao, kTabInvoice);
        host.prompter.answers = {true};
        ParseSoldList(host, 1);
        host.invoice.SetText(Gbk(u8"{买家}"));
        ParseSoldList(host, 1);
        EXPECT_GE(host.grid.RowCount(), 3);
    }
}

}  // namespace
}  // namespace tallivo
