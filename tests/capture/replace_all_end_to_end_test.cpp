// Replace all over templates holding all twelve keywords: the list and Paipai layouts.
#include <gtest/gtest.h>

#include "capture/capture_driver.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using namespace testing;

// List pages fill only the common keywords and the buyer.
std::string ListFilled(const std::string& site, const std::string& buyer) {
    return FilledTemplate({u8"{收货人}", u8"{手机}", u8"{电话}", u8"{收货地址}", u8"{邮政编码}",
                           site, buyer, u8"{卖家}", u8"{物流承运信息}"});
}

// Name and amount per goods row; all other cells empty; then the grand total.
void ExpectRows(const ScriptedHost& host,
                const std::vector<std::pair<std::string, std::string>>& rows,
                const std::string& total) {
    ASSERT_EQ(host.grid.RowCount(), static_cast<int>(rows.size()) + 2);
    for (int r = 1; r <= static_cast<int>(rows.size()); ++r) {
        const std::vector<std::string> cells = {"", rows[r - 1].first, "", "", "",
                                                "", rows[r - 1].second};
        for (int c = 0; c < 7; ++c) EXPECT_EQ(GbkToUtf8(host.grid.Cell(c, r)), cells[c]) << r;
    }
    EXPECT_EQ(host.grid.Cell(6, host.grid.TotalRow()), total);
}

void RunInvoice(ScriptedHost& host) {
    host.invoice.SetText(AllKeywordsTemplate());
    MenuItemReplaceAllClick(host);
}

TEST(ReplaceAllEndToEnd, ListPages) {
    ScriptedHost sold(ReadCaptureFixture("sold_list_1.txt"), kSiteTaobao, kTabInvoice);
    RunInvoice(sold);
    EXPECT_EQ(sold.invoice.Text(), ListFilled(u8"淘宝网", "xiaoxiong88"));
    ExpectRows(sold,
               {{u8"韩版修身毛呢外套 加厚 黑色 L码", "128.00"},
                {u8"纯棉格子衬衫 男款 蓝色 XL", "59.90"},
                {u8"羊毛针织围巾　灰色", "35.00"}},
               "222.90");

    // Two buyers: asked once; Yes goes on with the first buyer of the page.
    ScriptedHost wangwang(ReadCaptureFixture("wangwang_list_2.txt"), kSiteTaobao, kTabInvoice);
    wangwang.prompter.answers = {true};
    RunInvoice(wangwang);
    EXPECT_EQ(wangwang.prompter.questions.size(), 1u);
    EXPECT_EQ(wangwang.invoice.Text(), ListFilled(u8"淘宝网", "lanlan_2008"));
    ExpectRows(wangwang,
               {{u8"儿童卡通保温杯 350ml 粉色", "45.00"},
                {u8"不锈钢饭盒 三层", "12.50"},
                {u8"家用保鲜膜 30米", "8.80"}},
               "66.30");

    ScriptedHost paipai(ReadCaptureFixture("paipai_trade_list_1.txt"), kSitePaipai, kTabInvoice);
    RunInvoice(paipai);
    EXPECT_EQ(paipai.invoice.Text(), ListFilled(u8"拍拍网", "xiaoli_pp"));
    ExpectRows(paipai,
               {{u8"韩版修身毛呢外套 加厚 黑色 L码", "266.00"},
                {u8"纯棉格子衬衫 男款 蓝色 XL", "120.00"},
                {u8"羊毛针织围巾　灰色", "35.00"}},
               "421.00");
}

TEST(ReplaceAllEndToEnd, ListPagesCannotFillAFreightBill) {
    ScriptedHost sold(ReadCaptureFixture("sold_list_1.txt"), kSiteTaobao, kTabFreightBill);
    sold.AddBox(AllKeywordsTemplate());
    MenuItemReplaceAllClick(sold);
    EXPECT_EQ(sold.boxes[0]->Text(), AllKeywordsTemplate());
    EXPECT_EQ(sold.prompter.messages, std::vector<std::string>{Gbk(u8"无法识别的输入文本！")});

    ScriptedHost paipai(ReadCaptureFixture("paipai_trade_list_1.txt"), kSitePaipai,
                        kTabFreightBill);
    paipai.AddBox(AllKeywordsTemplate());
    MenuItemReplaceAllClick(paipai);
    EXPECT_EQ(paipai.boxes[0]->Text(), AllKeywordsTemplate());
    EXPECT_TRUE(paipai.prompter.messages.empty());
    EXPECT_FALSE(paipai.freightBillUnsaved);
}

TEST(ReplaceAllEndToEnd, PaipaiTradeManagement) {
    const std::string filled =
        FilledTemplate({u8"王小明", "13812345678", "0755-86001234",
                        u8"广东省 深圳市 南山区 科技园南路18号 (518057)", "518057", u8"拍拍网",
                        "xiaoli_pp", u8"小李数码专营", u8"申通快递"});
    const std::string page = ReadCaptureFixture("paipai_trade_management_1.txt");
    ScriptedHost host(page, kSitePaipai, kTabInvoice);
    RunInvoice(host);
    EXPECT_EQ(host.invoice.Text(), filled);
    EXPECT_TRUE(host.trade.paipaiGoodsCaptured);
    ASSERT_EQ(host.grid.RowCount(), 3);
    const std::vector<std::string> cells = {
        "", u8"韩版修身毛呢外套 加厚 黑色 L码", "2", "128.00", "10.00", "-5.00", "261.00"};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(GbkToUtf8(host.grid.Cell(c, 1)), cells[c]) << c;
    EXPECT_EQ(host.grid.Cell(6, 2), "261.00");

    ScriptedHost freight(page, kSitePaipai, kTabFreightBill);
    freight.AddBox(Gbk(u8"寄件：固定字段"));
    freight.AddBox(AllKeywordsTemplate());
    freight.AddBox(Gbk(u8"{收货人}{发货单号}"));
    MenuItemReplaceAllClick(freight);
    EXPECT_EQ(freight.boxes[0]->Text(), Gbk(u8"寄件：固定字段"));
    EXPECT_EQ(freight.boxes[1]->Text(), filled);
    EXPECT_EQ(freight.boxes[2]->Text(), Gbk(u8"王小明1382401"));
    EXPECT_EQ(freight.grid.Cell(1, 1), "");
    EXPECT_FALSE(freight.trade.paipaiGoodsCaptured);
}

}  // namespace
}  // namespace tallivo
