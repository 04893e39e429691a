#include "capture/capture_driver.h"

#include <gtest/gtest.h>

#include <chrono>

#include "capture/keywords.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

// What any page must leave. A freight-bill command never touches the grid. On the invoice the
// header stays, the last row is the total row ("合计", and either no total yet or the total of
// the goods rows' amounts) and no goods row holds "合计".
void ExpectSaneGrid(const GoodsGrid& grid, int tab) {
    const GoodsGrid fresh;
    if (tab == kTabFreightBill) {
        ASSERT_EQ(grid.RowCount(), fresh.RowCount());
        for (int r = 0; r < fresh.RowCount(); ++r) {
            for (int c = 0; c < GoodsGrid::kColumnCount; ++c) {
                EXPECT_EQ(grid.Cell(c, r), fresh.Cell(c, r)) << "column " << c << " row " << r;
            }
        }
        return;
    }
    const int t = grid.TotalRow();
    for (int c = 0; c < GoodsGrid::kColumnCount; ++c) {
        EXPECT_EQ(grid.Cell(c, 0), GoodsGrid::HeaderText(c));
        if (c > 0 && c < GoodsGrid::kAmount) {
            EXPECT_EQ(grid.Cell(c, t), "") << "column " << c;
        }
    }
    EXPECT_EQ(grid.Cell(0, t), GoodsGrid::TotalText());
    for (int r = 1; r < t; ++r) {
        EXPECT_NE(grid.Cell(0, r), GoodsGrid::TotalText()) << r;
    }
    if (!grid.Cell(GoodsGrid::kAmount, t).empty()) {
        GoodsGrid again = grid;
        again.StringGridInvoiceSetEditText(0);  // the header row: only the total is recomputed
        EXPECT_EQ(grid.Cell(GoodsGrid::kAmount, t), again.Cell(GoodsGrid::kAmount, t));
    }
}

TEST(CaptureDriver, NoSiteChosenDoesNothingButReplaceStillReplaces) {
    ScriptedHost host(ReadCaptureFixture("order_detail_1.txt"), -1, kTabInvoice);
    host.invoice.SetText(Gbk(u8"ab{买家}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"ab{买家}"));
    EXPECT_EQ(host.offers, 0);
    host.invoice.SetSelection(0, 2);
    host.replaceText = "X";
    MenuItemReplaceClick(host);
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"X{买家}"));
    EXPECT_TRUE(host.invoiceUnsaved);
    EXPECT_TRUE(host.prompter.messages.empty());
}

TEST(CaptureDriver, RecognitionOrder) {
    const std::string date = Gbk(u8"2008年03月07日 卖出 bob\r\n  碗 3.00 交易成功");
    ScriptedHost sold(date, kSiteTaobao, kTabInvoice);
    MenuItemFindClick(sold);
    EXPECT_EQ(sold.grid.Cell(1, 1), Gbk(u8"碗"));

    // "商品信息" wins over the date test.
    ScriptedHost detail(date + Gbk(u8" 商品信息 交易号：77"), kSiteTaobao, kTabInvoice);
    MenuItemFindClick(detail);
    EXPECT_EQ(detail.grid.Cell(0, 1), "77");
    EXPECT_EQ(detail.grid.Cell(1, 1), "");

    // A one-digit month fails the date test and falls through to the slash-and-colon test.
    ScriptedHost wangwang(Gbk(u8"2008年3月7日 卖出 1.00\r\n杯 bob 和我联系 旺旺在线 2.00 "
                              u8"08/03/07 12:30:15"),
                          kSiteTaobao, kTabInvoice);
    MenuItemFindClick(wangwang);
    EXPECT_TRUE(wangwang.prompter.messages.empty());
    EXPECT_EQ(wangwang.grid.Cell(6, 1), "2.00");

    // Colons standing only before the slashes are no time of day.
    ScriptedHost colons(Gbk(u8"a:b:c 08/03/07"), kSiteTaobao, kTabInvoice);
    MenuItemFindClick(colons);
    ASSERT_EQ(colons.prompter.messages.size(), 1u);
    EXPECT_EQ(colons.prompter.messages[0], Gbk(u8"无法识别的输入文本！"));
}

TEST(CaptureDriver, FindNextStartsAtTheSelectedKeyword) {
    ScriptedHost host(ReadCaptureFixture("trade_detail_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{卖家}{买家}"));
    MenuItemFindClick(host);
    EXPECT_EQ(host.invoice.SelStart(), 6);
    MenuItemFindClick(host);
    EXPECT_EQ(host.invoice.SelStart(), 6);
    EXPECT_EQ(host.invoice.SelLength(), 6);
    MenuItemReplaceClick(host);
    // The seller keyword at the very start is found from search start 1.
    EXPECT_EQ(host.invoice.SelStart(), 0);
    EXPECT_EQ(host.replaceText, Gbk(u8"小马哥数码店"));
    // Replace with nothing selected only searches.
    host.invoice.SetSelection(0, 0);
    MenuItemReplaceClick(host);
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"{卖家}mingming_zhang"));
    EXPECT_EQ(host.invoice.SelLength(), 6);
}

TEST(CaptureDriver, ReplaceAllEndsWhenAValueHoldsAKeyword) {
    // The seller is "{卖家}{卖家}": inserted once, then found inside the insertion.
    ScriptedHost host(Gbk(u8"商品信息 买家：{卖家}{卖家} 卖家：{卖家}{卖家}"), kSiteTaobao,
                      kTabInvoice);
    host.invoice.SetText(Gbk(u8"{卖家} and {收货{手机}人}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"{卖家}{卖家} and {收货{手机}人}"));
    host.tab = kTabFreightBill;
    host.AddBox(Gbk(u8"{卖家}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.boxes[0]->Text(), Gbk(u8"{卖家}{卖家}"));

    // A keyword made of original text around a removed one is still replaced.
    ScriptedHost joined(ReadCaptureFixture("trade_detail_2.txt"), kSiteTaobao, kTabInvoice);
    joined.invoice.SetText(Gbk(u8"{收货{手机}人}"));
    MenuItemReplaceAllClick(joined);
    EXPECT_EQ(joined.invoice.Text(), Gbk(u8"李四"));

    // A box that cannot take the focus never gets its selection replaced.
    ScriptedHost stuck(ReadCaptureFixture("trade_detail_1.txt"), kSiteTaobao, kTabFreightBill);
    stuck.AddBox(Gbk(u8"{买家}")).SetCanFocus(false);
    MenuItemReplaceAllClick(stuck);
    EXPECT_EQ(stuck.boxes[0]->Text(), Gbk(u8"{买家}"));
}

TEST(CaptureDriver, FreightBillReplaceNeedsNoFocusAndReportsAWrongPageOnce) {
    // Another window took the focus after Find next: Replace still acts on the box it selected.
    ScriptedHost host(ReadCaptureFixture("order_detail_2.txt"), kSiteTaobao, kTabFreightBill);
    host.AddBox(Gbk(u8"固定"));
    host.AddBox(Gbk(u8"{收货人}{邮政编码}"));
    MenuItemFindClick(host);
    host.ClearFocus();
    MenuItemReplaceClick(host);
    EXPECT_EQ(host.boxes[1]->Text(), Gbk(u8"李{邮政编码}"));
    EXPECT_TRUE(host.freightBillUnsaved);

    // Taobao chosen for a Paipai page: one message for the whole Replace all, not one per box.
    ScriptedHost wrong(ReadCaptureFixture("paipai_trade_management_1.txt"), kSiteTaobao,
                       kTabFreightBill);
    for (int i = 0; i < 9; ++i) wrong.AddBox(Gbk(u8"{收货人}"));
    MenuItemReplaceAllClick(wrong);
    EXPECT_EQ(wrong.prompter.messages, std::vector<std::string>{Gbk(u8"无法识别的输入文本！")});
    EXPECT_EQ(wrong.boxes[8]->Text(), Gbk(u8"{收货人}"));
}

// Damaged or odd pages of every layout: each finishes quickly and leaves a sane grid.
TEST(CaptureDriver, OddPagesNeitherCrashNorHang) {
    const std::string keywords =
        Gbk(u8"{收货人}{手机}{电话}{收货地址}{邮政编码}{发货日期}{交易网站}{发货单号}{发货时间}"
            u8"{买家}{卖家}{物流承运信息}");
    std::vector<std::string> pages;
    for (const char* name :
         {"order_detail_1.txt", "trade_detail_1.txt", "sold_list_2.txt", "wangwang_list_2.txt",
          "paipai_trade_management_2.txt", "paipai_trade_list_2.txt"}) {
        const std::string page = ReadCaptureFixture(name);
        pages.push_back(page.substr(0, page.size() / 2));               // cut mid-way
        pages.push_back(page.substr(0, page.size() / 2 + 1) + "\x81");  // lone lead byte
        std::string nul = page;
        for (std::size_t i = 7; i < nul.size(); i += 13) nul[i] = '\0';
        pages.push_back(nul);
        std::string oneLine = page;
        for (char& c : oneLine) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        pages.push_back(oneLine);
    }
    std::string manyLines;
    for (int i = 0; i < 100000; ++i) manyLines += Gbk(u8"卖出 x 1.00 交易成功\r\n");
    pages.push_back(Gbk(u8"2008年03月07日") + manyLines);
    pages.push_back(std::string(200000, '2') + Gbk(u8"交易管理"));
    pages.push_back(std::string(200000, '/'));

    const auto begin = std::chrono::steady_clock::now();
    for (const std::string& page : pages) {
        for (int site : {kSiteTaobao, kSitePaipai}) {
            for (int tab : {kTabFreightBill, kTabInvoice}) {
                ScriptedHost host(page, site, tab);
                host.prompter.answers = {true, true, true};
                host.AddBox(keywords);
                host.invoice.SetText(keywords);
                MenuItemReplaceAllClick(host);
                ExpectSaneGrid(host.grid, tab);
            }
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(60));
}

}  // namespace
}  // namespace tallivo
