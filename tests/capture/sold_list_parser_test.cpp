#include "capture/sold_list_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

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

// The grid after the page: header, `goods` rows of {name, amount}, total row.
void ExpectGoods(const GoodsGrid& grid, const std::vector<std::array<std::string, 2>>& goods,
                 const std::string& total) {
    const int rows = static_cast<int>(goods.size() < 1 ? 1 : goods.size()) + 2;
    ASSERT_EQ(grid.RowCount(), rows);
    for (int r = 1; r < rows; ++r) {
        const bool isTotal = r == rows - 1;
        const std::size_t g = static_cast<std::size_t>(r - 1);
        for (int c = 0; c < GoodsGrid::kColumnCount; ++c) {
            std::string want;
            if (isTotal) {
                want = c == 0 ? GoodsGrid::TotalText() : c == GoodsGrid::kAmount ? total : "";
            } else if (g < goods.size() && c == GoodsGrid::kGoodsName) {
                want = goods[g][0];
            } else if (g < goods.size() && c == GoodsGrid::kAmount) {
                want = goods[g][1];
            }
            EXPECT_EQ(grid.Cell(c, r), want) << "column " << c << " row " << r;
        }
    }
}

TEST(SoldListParser, DamagedPagesNeitherCrashNorHang) {
    const std::string sold = Gbk(u8"卖出");
    const std::string entry = sold + " b\r\nx\xC1\r\n";
    std::string glued, lines;
    for (int i = 0; i < 100000; ++i) glued += sold, lines += entry;
    struct Case {
        std::string page;
        std::vector<std::array<std::string, 2>> goods;
    };
    // Without a price the first goods line runs to the byte before the end of the page, and the
    // last byte is its amount; a page without a goods line leaves no goods.
    const std::vector<Case> cases = {
        {glued, {}},
        {lines, {{{lines.substr(8, lines.size() - 9), "\n"}}}},
        {sold + " \r\n1", {}},
        {std::string("\0\x81", 2) + sold, {}},
    };
    for (const Case& c : cases) {
        ScriptedHost host(c.page, kSiteTaobao, kTabInvoice);
        host.prompter.answers = {true};
        ParseSoldList(host, 1);
        ExpectGoods(host.grid, c.goods, "0.00");
    }
}

}  // namespace
}  // namespace tallivo
