// Replace all on an invoice from long list pages (distinct goods per entry) and from an order
// detail page. Compare the 20000 and 10000 figures: the work should grow linearly.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "capture/capture_driver.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace {

using namespace tallivo;

const std::string& InvoiceTemplate() {
    static const std::string text =
        Gbk(u8"发货单 {发货单号}\r\n买家：{买家}  日期：{发货日期} {发货时间}\r\n网站：{交易网站}");
    return text;
}

std::string SoldList(int entries) {
    std::string page = Gbk(u8"我是卖家 > 宝贝管理 > 交易记录\r\n");
    const std::string head =
        Gbk(u8"成交时间：2008年03月07日 09:12:44 卖出 xiaoxiong88　联系买家\r\n");
    const std::string goods = Gbk(u8"    韩版修身毛呢外套 黑色 L码 款");
    const std::string state = Gbk(u8" 买家已付款 发货\r\n");
    for (int i = 0; i < entries; ++i) {
        page += head + goods + std::to_string(i) + " 128.00" + state;
    }
    return page;
}

std::string WangwangList(int entries) {
    std::string page = Gbk(u8"交易列表　　宝贝名称 买家 联系 状态 实收款\r\n");
    const std::string goods = Gbk(u8"纯棉格子衬衫 男款 蓝色 款");
    const std::string tail =
        Gbk(u8" xiaoxiong88 和我联系 旺旺在线 59.90 08/03/07 14:02:41 卖家已发货\r\n");
    for (int i = 0; i < entries; ++i) page += goods + std::to_string(i) + tail;
    return page;
}

std::string PaipaiTradeList(int entries) {
    std::string page = Gbk(u8"我的拍拍 > 我是卖家 > 出售中的交易\r\n");
    const std::string goods = Gbk(u8"羊毛针织围巾　灰色 款");
    const std::string tail = Gbk(u8"\r\n12:30:15 xiaoli_pp 买家已付款\r\n");
    for (int i = 0; i < entries; ++i) {
        page += goods + std::to_string(i) + "\r\n31200803" + std::to_string(10000 + i) +
                " 35.00 2008-03-07" + tail;
    }
    return page;
}

std::string OrderDetail() {
    return Gbk(
        u8"您好，小马哥数码店！[退出]\r\n基本信息物流信息订单信息\r\n收货信息姓名：张小明\r\n"
        u8"收货地址：浙江省 杭州市 西湖区 文三路478号 电话：0571-88886666\r\n手机：13812345678\r\n"
        u8"邮       编：310012\r\n物流信息快递公司：申通快递\r\n"
        u8"订单信息宝贝：韩版修身羊毛呢大衣 买家：昵称：mingming_zhang\r\n"
        u8"支付宝交易号：2008030712345678\r\n总价 198.00 元\r\n"
        u8"付款金额：404.00元 共 2件 10.00元 -2.00元\r\n");
}

void RunReplaceAll(benchmark::State& state, const std::string& page, int site, int rows) {
    for (auto _ : state) {
        testing::ScriptedHost host(page, site, kTabInvoice);
        host.invoice.SetText(InvoiceTemplate());
        MenuItemReplaceAllClick(host);
        if (host.grid.RowCount() != rows + 2) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(host.grid.Cell(6, host.grid.TotalRow()));
    }
    state.SetComplexityN(rows);
}

void BM_SoldList(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    RunReplaceAll(state, SoldList(n), kSiteTaobao, n);
}
void BM_WangwangList(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    RunReplaceAll(state, WangwangList(n), kSiteTaobao, n);
}
void BM_PaipaiTradeList(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    RunReplaceAll(state, PaipaiTradeList(n), kSitePaipai, n);
}
void BM_OrderDetail(benchmark::State& state) {
    const std::string page = OrderDetail();
    for (auto _ : state) {
        static const std::string all =
            Gbk(u8"{收货人}{手机}{电话}{收货地址}{邮政编码}{发货日期}{交易网站}{发货单号}{发货时间}"
                u8"{买家}{卖家}{物流承运信息}");
        testing::ScriptedHost host(page, kSiteTaobao, kTabInvoice);
        host.invoice.SetText(all);
        MenuItemReplaceAllClick(host);
        benchmark::DoNotOptimize(host.grid.Cell(6, 1));
    }
}

BENCHMARK(BM_SoldList)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WangwangList)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaipaiTradeList)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderDetail)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
