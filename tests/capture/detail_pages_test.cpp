// Taobao order-detail and trade-detail pages.
#include <gtest/gtest.h>

#include "capture/capture_driver.h"
#include "capture/keywords.h"
#include "capture/parsers.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"
#include "text/page_text.h"

namespace tallivo {
namespace {

using namespace testing;

void ExpectRow(const ScriptedHost& host, int row, const std::vector<std::string>& cells) {
    for (int c = 0; c < 7; ++c) EXPECT_EQ(GbkToUtf8(host.grid.Cell(c, row)), cells[c]) << c;
}

TEST(DetailPages, OrderDetailInvoice) {
    ScriptedHost host(ReadCaptureFixture("order_detail_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(AllKeywordsTemplate());
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(),
              FilledTemplate({u8"张小明", "13812345678", "0571-88886666",
                              u8"浙江省 杭州市 西湖区 文三路478号华星时代广场A座1201室", "310012",
                              u8"淘宝网", "mingming_zhang", u8"小马哥数码店", u8"申通快递"}));
    EXPECT_TRUE(host.invoiceUnsaved);
    ASSERT_EQ(host.grid.RowCount(), 3);
    ExpectRow(host, 1,
              {"2008030712345678", u8"韩版修身羊毛呢大衣 黑色 XL码", "2", "198.00", "10.00",
               "-2.00", "404.00"});
    EXPECT_EQ(host.grid.Cell(6, 2), "404.00");
    MenuItemReplaceAllClick(host);  // same trade number: nothing added
    EXPECT_EQ(host.grid.RowCount(), 3);

    // Another trade takes the next row. "！[" before "您好，" leaves the seller empty, 128... is
    // no mobile, the carrier label is missing, and one decimal digit takes the space after it.
    host.input = ReadCaptureFixture("order_detail_2.txt");
    host.invoice.SetText(AllKeywordsTemplate());
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), FilledTemplate({u8"李", "", "021-50801234",
                                                   u8"上海市 浦东新区 张江高科技园区 碧波路690号",
                                                   "201203", u8"淘宝网", "hill_walker99", "", ""}));
    ExpectRow(
        host, 2,
        {"2008030898765432", u8"户外 登山 双肩包 40L", "2", "89.5 ", "5.00", "0.00", "184.00"});
}

// A browser copies &nbsp; as U+00A0, and pages carry zero-width characters and a byte-order
// mark: the page fills as if it had plain spaces.
TEST(DetailPages, OrderDetailAsABrowserCopiesIt) {
    std::string page = GbkToUtf8(ReadCaptureFixture("order_detail_1.txt"));
    const std::string name = u8"收货信息姓名：";
    page.replace(page.find(name), name.size(), name + u8"\u00a0\u200b");
    const std::string postCode = u8"邮       编：";
    page.replace(page.find(postCode), postCode.size(), u8"邮\u00a0\u00a0\u00a0编：");
    ScriptedHost host(PageBytesToGbk("\xEF\xBB\xBF" + page), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{收货人}|{邮政编码}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(GbkToUtf8(host.invoice.Text()), u8"张小明|310012");
}

TEST(DetailPages, OrderDetailFreightBillKnowsSixKeywords) {
    ScriptedHost host(ReadCaptureFixture("order_detail_2.txt"), kSiteTaobao, kTabFreightBill);
    host.AddBox(Gbk(u8"{买家}"));
    host.AddBox(
        Gbk(u8"{收货人}|{手机}|{电话}|{收货地址}|{邮政编码}|{发货日期}|{交易网站}|"
            u8"{发货单号}|{发货时间}|{买家}|{卖家}|{物流承运信息}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.boxes[0]->Text(), Gbk(u8"{买家}"));
    EXPECT_EQ(GbkToUtf8(host.boxes[1]->Text()),
              u8"李||021-50801234|上海市 浦东新区 张江高科技园区 碧波路690号|201203|2008-03-07|"
              u8"{交易网站}|{发货单号}|{发货时间}|{买家}|{卖家}|{物流承运信息}");
    EXPECT_TRUE(host.freightBillUnsaved);
    EXPECT_EQ(host.grid.Cell(1, 1), "");
}

TEST(DetailPages, OrderDetailWithoutMarkers) {
    // Values from position-0 arithmetic stay empty; no trade number still gives one row, once;
    // "件" with no space before it gives no quantity.
    ScriptedHost host(Gbk(u8"收货信息订单信息付款金额：件"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{卖家}{收货地址}{手机}{电话}{物流承运信息}"));
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), "");
    EXPECT_EQ(host.grid.RowCount(), 3);
    EXPECT_EQ(host.grid.Cell(2, 1), "");

    // Without "件" the discount has no anchor: no text from the top of the page lands in it.
    ScriptedHost noPiece(Gbk(u8"您好，店！[ 收货信息订单信息 总价 3.00 元 付款金额：9.00元 x元"),
                         kSiteTaobao, kTabInvoice);
    MenuItemFindClick(noPiece);
    ExpectRow(noPiece, 1, {"", "", "", "3.00", "", "", "9.00"});
    noPiece.input = Gbk(u8"您好，店！[ 收货信息订单信息 总价 3.00 元 付款金额：9.00元 共 2件");
    noPiece.grid.Reset();
    MenuItemFindClick(noPiece);
    ExpectRow(noPiece, 1, {"", "", "2", "3.00", "", "", "9.00"});
}

TEST(DetailPages, TradeDetail) {
    ScriptedHost host(ReadCaptureFixture("trade_detail_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(AllKeywordsTemplate());
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(),
              FilledTemplate({u8"张小明", "13812345678", "0571-88886666",
                              u8"浙江省杭州市西湖区文三路478号华星时代广场A座1201室", "310012",
                              u8"淘宝网", "mingming_zhang", u8"小马哥数码店", u8"圆通速递"}));
    // "交易号：" is first found inside "支付宝交易号："; quantity (105 - 0 - 5) / 50 + 0.5.
    ExpectRow(host, 1,
              {"2008030712345678", u8"韩版修身 羊毛呢大衣 黑色 XL码  ", "2", "50.00", "5.00",
               "0.00", "105.00"});

    // No mobile; a negative discount; the goods name ends the text.
    host.input = ReadCaptureFixture("trade_detail_2.txt");
    host.invoice.SetText(AllKeywordsTemplate());
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(),
              FilledTemplate({u8"李四", "", "021-50801234", u8"上海市浦东新区碧波路690号", "201203",
                              u8"淘宝网", "hill_walker99", "outdoor_lee", "EMS"}));
    ASSERT_EQ(host.grid.RowCount(), 4);
    ExpectRow(
        host, 2,
        {"T200803089876", u8"户外 登山 双肩包 40L", "2", "89.00", "10.00", "-6.00", "182.00"});
}

TEST(DetailPages, TradeDetailEdges) {
    const std::string line = Gbk(u8"买家收货地址：王五，13900001111，北京市海淀区，100080");
    EXPECT_EQ(AddressLineMobileStart(line), 21);
    EXPECT_EQ(AddressLinePhoneStart(line), 0);
    EXPECT_EQ(AddressLineAddressStart(line), 34);

    // A price of 0 leaves the quantity alone; a known trade is not dealt with.
    ScriptedHost host(Gbk(u8"商品信息 交易号：A1 商品单价：0 邮费：1 卖家折扣（－）或费用(+)：0 "
                          u8"购物实付总价：9"),
                      kSiteTaobao, kTabInvoice);
    host.grid.SetCell(2, 1, "7");
    EXPECT_TRUE(ParseTradeDetail(host, host.invoice, 1));
    ExpectRow(host, 1, {"A1", "", "7", "0", "1", "0", "9"});
    EXPECT_FALSE(ParseTradeDetail(host, host.invoice, 1));

    // (104 - 0 - 5) / 50 = 1.98: the half added before truncating makes it 2.
    host.input =
        Gbk(u8"商品信息 交易号：A2 商品单价：50.00 邮费：5.00 卖家折扣（－）或费用(+)：0 "
            u8"购物实付总价：104.00");
    EXPECT_TRUE(ParseTradeDetail(host, host.invoice, 1));
    EXPECT_EQ(host.grid.Cell(2, 2), "2");

    // On the freight bill boxes without keywords are passed over and the grid is untouched.
    host.tab = kTabFreightBill;
    host.grid.Reset();
    host.AddBox("plain");
    host.AddBox(Gbk(u8"{手机}"));
    MenuItemFindClick(host);
    EXPECT_EQ(host.boxes[1]->SelLength(), 6);
    EXPECT_EQ(host.replaceText, "");
    EXPECT_EQ(host.grid.Cell(0, 1), "");
}

}  // namespace
}  // namespace tallivo
