// Replace all over templates holding all twelve keywords, for every page layout.
#include <gtest/gtest.h>

#include <vector>

#include "capture/capture_driver.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

// Keyword values in template order: 收货人 手机 电话 收货地址 邮政编码 交易网站 买家 卖家 物流.
// The date, time and sequence number come from the scripted host.
std::string Filled(const std::vector<const char*>& v) {
    return Gbk(std::string(u8"收货人：") + v[0] + u8" 手机：" + v[1] + u8" 电话：" + v[2] +
               u8"\r\n地址：" + v[3] + u8" 邮编：" + v[4] + u8"\r\n日期：2008-03-07 网站：" + v[5] +
               u8" 单号：1382401 时间：09:05:30\r\n买家：" + v[6] + u8" 卖家：" + v[7] +
               u8" 物流：" + v[8] + u8" 固定字段");
}

const std::vector<const char*> kUnfilled = {u8"{收货人}",   u8"{手机}",     u8"{电话}",
                                            u8"{收货地址}", u8"{邮政编码}", u8"{交易网站}",
                                            u8"{买家}",     u8"{卖家}",     u8"{物流承运信息}"};

std::vector<const char*> ListPageValues(const char* site, const char* buyer) {
    std::vector<const char*> v = kUnfilled;
    v[5] = site;
    v[6] = buyer;
    return v;
}

struct Row {
    const char* name;
    const char* amount;
};

void ExpectRows(const ScriptedHost& host, const std::vector<Row>& rows, const char* total) {
    ASSERT_EQ(host.grid.RowCount(), static_cast<int>(rows.size()) + 2);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        EXPECT_EQ(GbkToUtf8(host.grid.Cell(1, r)), rows[i].name) << r;
        EXPECT_EQ(host.grid.Cell(6, r), rows[i].amount) << r;
        for (int c : {0, 2, 3, 4, 5}) EXPECT_EQ(host.grid.Cell(c, r), "") << r << "," << c;
    }
    EXPECT_EQ(host.grid.Cell(6, host.grid.TotalRow()), total);
}

ScriptedHost& RunInvoice(ScriptedHost& host) {
    host.invoice.SetText(Filled(kUnfilled));
    MenuItemReplaceAllClick(host);
    return host;
}

TEST(ReplaceAllEndToEnd, TaobaoListPagesFillBuyerAndGoodsRows) {
    {
        ScriptedHost host(ReadCaptureFixture("sold_list_1.txt"), kSiteTaobao, kTabInvoice);
        RunInvoice(host);
        EXPECT_EQ(host.invoice.Text(), Filled(ListPageValues(u8"淘宝网", "xiaoxiong88")));
        ExpectRows(host,
                   {{u8"韩版修身毛呢外套 加厚 黑色 L码", "128.00"},
                    {u8"纯棉格子衬衫 男款 蓝色 XL", "59.90"},
                    {u8"羊毛针织围巾　灰色", "35.00"}},
                   "222.90");
    }
    {
        ScriptedHost host(ReadCaptureFixture("wangwang_list_1.txt"), kSiteTaobao, kTabInvoice);
        RunInvoice(host);
        EXPECT_EQ(host.invoice.Text(), Filled(ListPageValues(u8"淘宝网", "xiaoxiong88")));
        ExpectRows(host,
                   {{u8"韩版修身毛呢外套 加厚 黑色 L码", "266.00"},
                    {u8"纯棉格子衬衫 男款 蓝色 XL", "59.90"},
                    {u8"羊毛针织围巾　灰色", "35.00"}},
                   "360.90");
    }
    {
        // Two buyers: asked once, Yes goes on with the first buyer of the page.
        ScriptedHost host(ReadCaptureFixture("wangwang_list_2.txt"), kSiteTaobao, kTabInvoice);
        host.prompter.answers = {true};
        RunInvoice(host);
        EXPECT_EQ(host.prompter.questions.size(), 1u);
        EXPECT_EQ(host.invoice.Text(), Filled(ListPageValues(u8"淘宝网", "lanlan_2008")));
        ExpectRows(host,
                   {{u8"儿童卡通保温杯 350ml 粉色", "45.00"},
                    {u8"不锈钢饭盒 三层", "12.50"},
                    {u8"家用保鲜膜 30米", "8.80"}},
                   "66.30");
    }
}

TEST(ReplaceAllEndToEnd, ListPagesCannotFillAFreightBill) {
    ScriptedHost host(ReadCaptureFixture("sold_list_1.txt"), kSiteTaobao, kTabFreightBill);
    host.AddBox(Filled(kUnfilled));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.boxes[0]->Text(), Filled(kUnfilled));
    ASSERT_EQ(host.prompter.messages.size(), 1u);
    EXPECT_EQ(host.prompter.messages[0], Gbk(u8"无法识别的输入文本！"));

    ScriptedHost paipai(ReadCaptureFixture("paipai_trade_list_1.txt"), kSitePaipai,
                        kTabFreightBill);
    paipai.AddBox(Filled(kUnfilled));
    MenuItemReplaceAllClick(paipai);
    EXPECT_EQ(paipai.boxes[0]->Text(), Filled(kUnfilled));
    EXPECT_TRUE(paipai.prompter.messages.empty());
    EXPECT_FALSE(paipai.freightBillUnsaved);
}

TEST(ReplaceAllEndToEnd, PaipaiPages) {
    {
        ScriptedHost host(ReadCaptureFixture("paipai_trade_list_1.txt"), kSitePaipai, kTabInvoice);
        RunInvoice(host);
        EXPECT_EQ(host.invoice.Text(), Filled(ListPageValues(u8"拍拍网", "xiaoli_pp")));
        ExpectRows(host,
                   {{u8"韩版修身毛呢外套 加厚 黑色 L码", "266.00"},
                    {u8"纯棉格子衬衫 男款 蓝色 XL", "120.00"},
                    {u8"羊毛针织围巾　灰色", "35.00"}},
                   "421.00");
    }
    const std::vector<const char*> management = {
        u8"王小明",      "13812345678",
        "0755-86001234", u8"广东省 深圳市 南山区 科技园南路18号 (518057)",
        "518057",        u8"拍拍网",
        "xiaoli_pp",     u8"小李数码专营",
        u8"申通快递"};
    {
        ScriptedHost host(ReadCaptureFixture("paipai_trade_management_1.txt"), kSitePaipai,
                          kTabInvoice);
        RunInvoice(host);
        EXPECT_EQ(host.invoice.Text(), Filled(management));
        EXPECT_EQ(host.trade.currentBuyer, "xiaoli_pp");
        EXPECT_TRUE(host.trade.paipaiGoodsCaptured);
        ASSERT_EQ(host.grid.RowCount(), 3);
        const std::vector<std::string> cells = {
            "", Gbk(u8"韩版修身毛呢外套 加厚 黑色 L码"), "2", "128.00", "10.00", "-5.00", "261.00"};
        for (int c = 0; c < 7; ++c) EXPECT_EQ(host.grid.Cell(c, 1), cells[c]) << c;
        EXPECT_EQ(host.grid.Cell(6, 2), "261.00");
    }
    {
        ScriptedHost host(ReadCaptureFixture("paipai_trade_management_1.txt"), kSitePaipai,
                          kTabFreightBill);
        host.AddBox(Gbk(u8"寄件：固定字段"));
        host.AddBox(Filled(kUnfilled));
        host.AddBox(Gbk(u8"{收货人}{发货单号}"));
        MenuItemReplaceAllClick(host);
        EXPECT_EQ(host.boxes[0]->Text(), Gbk(u8"寄件：固定字段"));
        EXPECT_EQ(host.boxes[1]->Text(), Filled(management));
        EXPECT_EQ(host.boxes[2]->Text(), Gbk(u8"王小明1382401"));
        EXPECT_EQ(host.grid.Cell(1, 1), "");
        EXPECT_FALSE(host.trade.paipaiGoodsCaptured);
    }
}

TEST(ReplaceAllEndToEnd, TaobaoDetailPagesOnTheFreightBill) {
    ScriptedHost host(ReadCaptureFixture("trade_detail_1.txt"), kSiteTaobao, kTabFreightBill);
    host.AddBox("");
    host.AddBox(Filled(kUnfilled));
    host.AddBox(Gbk(u8"{邮政编码}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.boxes[1]->Text(),
              Filled({u8"张小明", "13812345678", "0571-88886666",
                      u8"浙江省杭州市西湖区文三路478号华星时代广场A座1201室", "310012", u8"淘宝网",
                      "mingming_zhang", u8"小马哥数码店", u8"圆通速递"}));
    EXPECT_EQ(host.boxes[2]->Text(), "310012");
    EXPECT_EQ(host.grid.Cell(0, 1), "");

    // The order-detail freight parser knows six keywords only.
    ScriptedHost order(ReadCaptureFixture("order_detail_2.txt"), kSiteTaobao, kTabFreightBill);
    order.AddBox(
        Gbk(u8"{收货人}|{手机}|{电话}|{收货地址}|{邮政编码}|{发货日期}|{交易网站}|"
            u8"{发货单号}|{发货时间}|{买家}|{卖家}|{物流承运信息}"));
    MenuItemReplaceAllClick(order);
    EXPECT_EQ(GbkToUtf8(order.boxes[0]->Text()),
              u8"李||021-50801234|上海市 浦东新区 张江高科技园区 碧波路690号|201203|2008-03-07|"
              u8"{交易网站}|{发货单号}|{发货时间}|{买家}|{卖家}|{物流承运信息}");
}

}  // namespace
}  // namespace tallivo
