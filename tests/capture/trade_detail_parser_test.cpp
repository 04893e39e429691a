#include <gtest/gtest.h>

#include "capture/capture_driver.h"
#include "capture/keywords.h"
#include "capture/parsers.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

const char* const kTemplate =
    u8"{买家}|{卖家}|{物流承运信息}|{收货地址}|{收货人}|{手机}|{电话}|{邮政编码}|{交易网站}";

TEST(TradeDetailParser, FullAddressLineAndDerivedQuantity) {
    ScriptedHost host(ReadCaptureFixture("trade_detail_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(kTemplate));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(GbkToUtf8(host.invoice.Text()),
              u8"mingming_zhang|小马哥数码店|圆通速递|浙江省杭州市西湖区文三路478号华星时代广场A座"
              u8"1201室|张小明|13812345678|0571-88886666|310012|淘宝网");
    EXPECT_EQ(host.trade.currentBuyer, "mingming_zhang");
    // "交易号：" is first found inside "支付宝交易号：".
    EXPECT_EQ(host.grid.Cell(0, 1), "2008030712345678");
    EXPECT_EQ(GbkToUtf8(host.grid.Cell(1, 1)), u8"韩版修身 羊毛呢大衣 黑色 XL码  ");
    EXPECT_EQ(host.grid.Cell(2, 1), "2");  // (105 - 0 - 5) / 50 + 0.5
    EXPECT_EQ(host.grid.Cell(3, 1), "50.00");
    EXPECT_EQ(host.grid.Cell(6, 1), "105.00");
    EXPECT_EQ(host.grid.Cell(6, 2), "105.00");
}

TEST(TradeDetailParser, NoMobileAndNameAtTheEndOfTheText) {
    ScriptedHost host(ReadCaptureFixture("trade_detail_2.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(kTemplate));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(GbkToUtf8(host.invoice.Text()),
              u8"hill_walker99|outdoor_lee|EMS|上海市浦东新区碧波路690号|李四||021-50801234|"
              u8"201203|淘宝网");
    EXPECT_EQ(GbkToUtf8(host.grid.Cell(1, 1)), u8"户外 登山 双肩包 40L");
    EXPECT_EQ(host.grid.Cell(0, 1), "T200803089876");
    EXPECT_EQ(host.grid.Cell(5, 1), "-6.00");
    EXPECT_EQ(host.grid.Cell(2, 1), "2");  // (182 + 6 - 10) / 89 + 0.5 = 2.5
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.grid.RowCount(), 3);
}

TEST(TradeDetailParser, AddressLineFieldsAreOptional) {
    const std::string head = Gbk(u8"买家收货地址：");
    const std::string mobileOnly = head + Gbk(u8"王五，13900001111，北京市海淀区，100080");
    EXPECT_EQ(AddressLineMobileStart(mobileOnly), 21);
    EXPECT_EQ(AddressLinePhoneStart(mobileOnly), 0);
    EXPECT_EQ(CutUpTo(mobileOnly, AddressLineAddressStart(mobileOnly),
                      FindTextFrom(mobileOnly, Gbk(u8"，"), AddressLineAddressStart(mobileOnly))),
              Gbk(u8"北京市海淀区"));
    // No address line at all: positions stay inside the text and values come out empty.
    EXPECT_EQ(AddressLineMobileStart("x"), 0);
    ScriptedHost host(Gbk(u8"商品信息"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{手机}{电话}{收货人}{收货地址}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), "");
}

TEST(TradeDetailParser, QuantityNeedsAllMoneyCellsAndAPrice) {
    ScriptedHost host(Gbk(u8"商品信息\r\n交易号：A1\r\n商品单价：0\r\n邮费：1\r\n"
                          u8"卖家折扣（－）或费用(+)：0\r\n购物实付总价：9"),
                      kSiteTaobao, kTabInvoice);
    host.grid.SetCell(2, 1, "7");
    EXPECT_TRUE(ParseTradeDetail(host, host.invoice, 1));
    EXPECT_EQ(host.grid.Cell(2, 1), "7");
    EXPECT_EQ(host.grid.Cell(0, 1), "A1");
    EXPECT_EQ(host.grid.Cell(6, 1), "9");
    // Known trade: not dealt with, nothing written.
    EXPECT_FALSE(ParseTradeDetail(host, host.invoice, 1));
    // On the freight bill a box without keywords is passed over, the grid untouched.
    host.tab = kTabFreightBill;
    host.grid.Reset();
    host.AddBox("plain");
    host.AddBox(Gbk(u8"{买家}"));
    MenuItemFindClick(host);
    EXPECT_EQ(host.boxes[1]->SelLength(), 6);
    EXPECT_EQ(host.grid.Cell(0, 1), "");
}

}  // namespace
}  // namespace tallivo
