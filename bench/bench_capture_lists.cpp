// Replace all on an invoice from list pages of many entries, each a different goods line.
#include <benchmark/benchmark.h>

#include <string>

#include "capture/capture_driver.h"
#include "capture/capture_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

class BenchHost : public CaptureHost {
public:
    BenchHost(const std::string& page, int site) : input_(page), site_(site) {
        trade_.askMultipleBuyers = true;
        invoice_.SetText(Gbk(u8"发货单 {发货单号}\r\n买家：{买家}\r\n日期：{发货日期} {发货时间}"));
    }

    const std::string& InputText() const override { return input_; }
    int SiteIndex() const override { return site_; }
    int CurrentTab() const override { return kTabInvoice; }
    int FieldBoxCount() const override { return 0; }
    TextDocument& FieldBox(int) override { return invoice_; }
    TextDocument& InvoiceDocument() override { return invoice_; }
    GoodsGrid& Goods() override { return grid_; }
    std::string ReplaceText() const override { return replace_; }
    void SetReplaceText(const std::string& text) override { replace_ = text; }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void ShowMessage(const std::string&) override {}
    CaptureTime Now() const override { return {2008, 3, 7, 9, 5, 30}; }
    int InvoiceSequenceNumber() const override { return 1382401; }
    TradeState& Trade() override { return trade_; }
    void SetFreightBillUnsaved() override {}
    void SetInvoiceUnsaved() override {}

    int Rows() const { return grid_.RowCount(); }

private:
    const std::string& input_;
    int site_;
    PlainTextDocument invoice_;
    GoodsGrid grid_;
    TradeState trade_;
    std::string replace_;
};

std::string SoldListPage(int entries) {
    const std::string head =
        Gbk(u8"成交时间：2008年03月07日 09:12:44 卖出 xiaoxiong88　联系买家\r\n");
    const std::string goods = Gbk(u8"    韩版修身毛呢外套 款");
    const std::string tail = Gbk(u8" 黑色 128.00 买家已付款 发货\r\n");
    std::string page = Gbk(u8"宝贝　单价(元)　数量　买家\r\n");
    for (int i = 0; i < entries; ++i) page += head + goods + std::to_string(i) + tail;
    return page;
}

std::string WangwangListPage(int entries) {
    const std::string goods = Gbk(u8"纯棉格子衬衫 款");
    const std::string tail =
        Gbk(u8" 蓝色 xiaoxiong88 和我联系 旺旺在线 59.90 08/03/07 14:02:41 卖家已发货\r\n");
    std::string page;
    for (int i = 0; i < entries; ++i) page += goods + std::to_string(i) + tail;
    return page;
}

std::string PaipaiTradeListPage(int entries) {
    const std::string goods = Gbk(u8"羊毛针织围巾 款");
    const std::string tail =
        Gbk(u8" 灰色\r\n3120080308003 35.00 2008-03-08\r\n20:01:37 xiaoli_pp 交易成功\r\n");
    std::string page = Gbk(u8"商品名称　订单号　金额(元)　下单时间　买家\r\n");
    for (int i = 0; i < entries; ++i) page += goods + std::to_string(i) + tail;
    return page;
}

void RunReplaceAll(benchmark::State& state, std::string (*makePage)(int), int site) {
    const int entries = static_cast<int>(state.range(0));
    const std::string page = makePage(entries);
    for (auto _ : state) {
        BenchHost host(page, site);
        MenuItemReplaceAllClick(host);
        if (host.Rows() != entries + 2) state.SkipWithError("not every entry became a row");
    }
    state.counters["bytes"] = static_cast<double>(page.size());
}

void BM_SoldListReplaceAll(benchmark::State& state) {
    RunReplaceAll(state, SoldListPage, kSiteTaobao);
}
void BM_WangwangListReplaceAll(benchmark::State& state) {
    RunReplaceAll(state, WangwangListPage, kSiteTaobao);
}
void BM_PaipaiTradeListReplaceAll(benchmark::State& state) {
    RunReplaceAll(state, PaipaiTradeListPage, kSitePaipai);
}

BENCHMARK(BM_SoldListReplaceAll)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WangwangListReplaceAll)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaipaiTradeListReplaceAll)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tallivo

BENCHMARK_MAIN();
