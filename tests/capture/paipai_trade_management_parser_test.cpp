#include "capture/paipai_trade_management_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "capture/capture_driver.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

TEST(PaipaiTradeManagementParser, FreightBillValuesThenOneGoodsLinePerInvoice) {
    ScriptedHost host(ReadCaptureFixture("paipai_trade_management_1.txt"), kSitePaipai,
                      kTabFreightBill);
    host.AddBox(Gbk(u8"{收货人} {手机} {电话}"));
    host.AddBox(Gbk(u8"{收货地址}|{邮政编码}|{买家}|{卖家}|{物流承运信息}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.boxes[0]->Text(), Gbk(u8"王小明 13812345678 0755-86001234"));
    EXPECT_EQ(host.boxes[1]->Text(), Gbk(u8"广东省 深圳市 南山区 科技园南路18号 (518057)|518057|"
                                         u8"xiaoli_pp|小李数码专营|申通快递"));
    EXPECT_EQ(host.grid.Cell(1, 1), "");

    host.tab = kTabInvoice;
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.grid.Cell(2, 1), "2");
    EXPECT_EQ(host.grid.Cell(3, 1), "128.00");
    EXPECT_EQ(host.grid.Cell(4, 1), "10.00");
    EXPECT_EQ(host.grid.Cell(5, 1), "-5.00");
    EXPECT_EQ(host.grid.Cell(6, 2), "261.00");
    for (int column = 1; column < 7; ++column) host.grid.SetCell(column, 1, "");
    MenuItemFindClick(host);
    EXPECT_EQ(host.grid.Cell(1, 1), "");
}

TEST(PaipaiTradeManagementParser, QuantityWithAUnitAsksOncePerByte) {
    const std::string page = ReadCaptureFixture("paipai_trade_management_2.txt");
    ScriptedHost host(page, kSitePaipai, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{手机}|{邮政编码}|{收货地址}"));
    host.prompter.answers = {true, true};
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"||浙江省杭州市西湖区文三路 90 号 3 单元"));
    EXPECT_EQ(host.prompter.questions.size(), 2u);
    EXPECT_EQ(host.grid.Cell(2, 1), Gbk(u8"2件"));

    // A refused quantity leaves name and unit price in place and computes no totals.
    ScriptedHost refused(page, kSitePaipai, kTabInvoice);
    EXPECT_FALSE(ParsePaipaiTradeManagement(refused, refused.invoice, 1));
    EXPECT_EQ(refused.grid.Cell(1, 1), Gbk(u8"不锈钢饭盒 三层"));
    EXPECT_EQ(refused.grid.Cell(3, 1), "12.50");
    EXPECT_EQ(refused.grid.Cell(2, 1), "");
    EXPECT_EQ(refused.grid.Cell(6, refused.grid.TotalRow()), "");
    EXPECT_TRUE(refused.trade.paipaiGoodsCaptured);
}

TEST(PaipaiTradeManagementParser, MarkersOutOfPlaceOrMissing) {
    // An end marker before the value or missing gives an empty value; a last line without
    // CR LF runs to the end of the text.
    ScriptedHost host(Gbk(u8"交易管理！[退出]欢迎您，李\r\n物流公司:申通\r\n电话:010-1234\r\n"
                          u8"收货信息王五 北京 (100080) \r\n商品名称杯子 大号 "),
                      kSitePaipai, kTabFreightBill);
    host.AddBox(Gbk(u8"{卖家}|{物流承运信息}|{邮政编码}|{电话}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.boxes[0]->Text(), Gbk(u8"||100080|010-1234"));
    host.tab = kTabInvoice;
    ParsePaipaiTradeManagement(host, host.invoice, 1);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"杯子 大号"));
}

TEST(PaipaiTradeManagementParser, TelephoneNeedsThreeDigitsThenADigitOrHyphen) {
    // No area-code rule: any three digits will do, but two digits and a hyphen will not.
    for (const auto& [number, expected] :
         {std::pair<std::string, std::string>{"123-4567 ", "123-4567 "}, {"01-2345678", ""}}) {
        ScriptedHost host(Gbk(u8"交易管理\r\n电话:") + number + "\r\n", kSitePaipai,
                          kTabFreightBill);
        ScriptedHost::Box& box = host.AddBox(Gbk(u8"{电话}"));
        ASSERT_TRUE(ParsePaipaiTradeManagement(host, box, 1));
        EXPECT_EQ(host.replaceText, expected) << number;
    }
}

}  // namespace
}  // namespace tallivo
