#include <gtest/gtest.h>

#include "capture/capture_driver.h"
#include "capture/keywords.h"
#include "capture/parsers.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

std::string AllTwelve() {
    return Gbk(
        u8"收货人：{收货人} 手机：{手机} 电话：{电话}\r\n地址：{收货地址} 邮编：{邮政编码}\r\n"
        u8"日期：{发货日期} 网站：{交易网站} 单号：{发货单号} 时间：{发货时间}\r\n"
        u8"买家：{买家} 卖家：{卖家} 物流：{物流承运信息} 固定字段");
}

TEST(OrderDetailParser, ReplaceAllFillsInvoiceAndGoodsLine) {
    ScriptedHost host(ReadCaptureFixture("order_detail_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(AllTwelve());
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(GbkToUtf8(host.invoice.Text()),
              u8"收货人：张小明 手机：13812345678 电话：0571-88886666\r\n"
              u8"地址：浙江省 杭州市 西湖区 文三路478号华星时代广场A座1201室 邮编：310012\r\n"
              u8"日期：2008-03-07 网站：淘宝网 单号：1382401 时间：09:05:30\r\n"
              u8"买家：mingming_zhang 卖家：小马哥数码店 物流：申通快递 固定字段");
    EXPECT_EQ(host.trade.currentBuyer, "mingming_zhang");
    EXPECT_TRUE(host.invoiceUnsaved);
    ASSERT_EQ(host.grid.RowCount(), 3);
    EXPECT_EQ(host.grid.Cell(0, 1), "2008030712345678");
    EXPECT_EQ(GbkToUtf8(host.grid.Cell(1, 1)), u8"韩版修身羊毛呢大衣 黑色 XL码");
    EXPECT_EQ(host.grid.Cell(2, 1), "2");
    EXPECT_EQ(host.grid.Cell(3, 1), "198.00");
    EXPECT_EQ(host.grid.Cell(4, 1), "10.00");
    EXPECT_EQ(host.grid.Cell(5, 1), "-2.00");
    EXPECT_EQ(host.grid.Cell(6, 1), "404.00");
    EXPECT_EQ(host.grid.Cell(6, 2), "404.00");

    // Once more: the trade number is already there, nothing is added.
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.grid.RowCount(), 3);
}

TEST(OrderDetailParser, SecondPageEdgeValues) {
    ScriptedHost host(ReadCaptureFixture("order_detail_2.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(AllTwelve());
    host.grid.SetCell(0, 1, "2008030712345678");
    MenuItemReplaceAllClick(host);
    // "！[" before "您好，" leaves the seller empty; 128... is no mobile; no carrier label.
    EXPECT_EQ(GbkToUtf8(host.invoice.Text()),
              u8"收货人：李 手机： 电话：021-50801234\r\n"
              u8"地址：上海市 浦东新区 张江高科技园区 碧波路690号 邮编：201203\r\n"
              u8"日期：2008-03-07 网站：淘宝网 单号：1382401 时间：09:05:30\r\n"
              u8"买家：hill_walker99 卖家： 物流： 固定字段");
    // Another trade fills the next free row; one decimal digit takes the space after it.
    ASSERT_EQ(host.grid.RowCount(), 4);
    EXPECT_EQ(host.grid.Cell(0, 2), "2008030898765432");
    EXPECT_EQ(host.grid.Cell(3, 2), "89.5 ");
    EXPECT_EQ(host.grid.Cell(2, 2), "2");
    EXPECT_EQ(host.grid.Cell(6, 2), "184.00");
}

TEST(OrderDetailParser, FreightBillBoxesKnowOnlyTheirSixKeywords) {
    ScriptedHost host(ReadCaptureFixture("order_detail_1.txt"), kSiteTaobao, kTabFreightBill);
    host.AddBox(Gbk(u8"{买家}{卖家}{交易网站}"));
    host.AddBox(Gbk(u8"{收货地址}"));
    host.AddBox(Gbk(u8"{发货日期} {收货人} {手机} {电话} {邮政编码}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.boxes[0]->Text(), Gbk(u8"{买家}{卖家}{交易网站}"));
    EXPECT_EQ(GbkToUtf8(host.boxes[1]->Text()),
              u8"浙江省 杭州市 西湖区 文三路478号华星时代广场A座1201室");
    EXPECT_EQ(GbkToUtf8(host.boxes[2]->Text()),
              u8"2008-03-07 张小明 13812345678 0571-88886666 310012");
    EXPECT_TRUE(host.freightBillUnsaved);
    EXPECT_EQ(host.grid.Cell(1, 1), "");
}

TEST(OrderDetailParser, MissingMarkersGiveEmptyOrShortValuesNeverOutsideTheText) {
    // Only the recognition marker: every value comes from position-0 arithmetic.
    ScriptedHost host(Gbk(u8"收货信息订单信息件"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{卖家}{收货地址}{手机}{电话}{物流承运信息}"));
    for (int i = 0; i < 5; ++i) {
        host.invoice.SetSelection(0, 0);
        ParseOrderDetailForInvoice(host, 1);
        EXPECT_EQ(host.replaceText, "") << i;
        host.invoice.ReplaceSelection("");
    }
    EXPECT_EQ(host.invoice.Text(), "");
    // No trade number: the goods line still gets a row, once. "件" with no space before it
    // gives no quantity.
    ParseOrderDetailForInvoice(host, 1);
    ParseOrderDetailForInvoice(host, 1);
    EXPECT_EQ(host.grid.RowCount(), 3);
    EXPECT_EQ(host.grid.Cell(2, 1), "");

    const std::string word = Gbk(u8"件");
    ScriptedHost lonely(Gbk(u8"付款金额：") + word, kSiteTaobao, kTabInvoice);
    ParseOrderDetailForInvoice(lonely, 1);
    EXPECT_EQ(lonely.grid.Cell(2, 1), "");
}

}  // namespace
}  // namespace tallivo
