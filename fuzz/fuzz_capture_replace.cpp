// Arbitrary pages and documents through Replace all, both tabs, every site.
// Input: one byte of answers (bit i answers question i), then the page, then documents, the
// parts separated by the two bytes 0xFF 0xFE.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_driver.h"
#include "capture/capture_host.h"
#include "text/gbk_codec.h"
#include "text/message_sink.h"

namespace {

using namespace tallivo;

class FuzzHost : public CaptureHost, public Prompter {
public:
    const std::string& InputText() const override { return input; }
    int SiteIndex() const override { return site; }
    int CurrentTab() const override { return tab; }
    int FieldBoxCount() const override { return static_cast<int>(boxes.size()); }
    TextDocument& FieldBox(int index) override { return *boxes[static_cast<std::size_t>(index)]; }
    TextDocument& InvoiceDocument() override { return invoice; }
    GoodsGrid& Goods() override { return grid; }
    std::string ReplaceText() const override { return replace; }
    void SetReplaceText(const std::string& text) override { replace = text; }
    bool AskYesNo(const std::string&, const std::string&) override {
        return (answers >> (asked++ % 8)) & 1;
    }
    void ShowMessage(const std::string&) override {}
    CaptureTime Now() const override { return CaptureTime{2008, 3, 7, 23, 59, 59}; }
    int InvoiceSequenceNumber() const override { return -2147483647 - 1; }
    TradeState& Trade() override { return trade; }
    void SetFreightBillUnsaved() override {}
    void SetInvoiceUnsaved() override {}

    std::string input;
    int site = 0;
    int tab = 0;
    std::vector<std::unique_ptr<PlainTextDocument>> boxes;
    PlainTextDocument invoice;
    GoodsGrid grid;
    std::string replace;
    TradeState trade;
    unsigned answers = 0;
    unsigned asked = 0;
};

std::vector<std::string> Split(const uint8_t* data, std::size_t size) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0xFE) {
            parts.emplace_back();
            ++i;
        } else {
            parts.back().push_back(static_cast<char>(data[i]));
        }
    }
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const std::string allKeywords =
        Gbk(u8"{收货人}{手机}{电话}{收货地址}{邮政编码}{发货日期}{交易网站}{发货单号}{发货时间}"
            u8"{买家}{卖家}{物流承运信息}");
    const unsigned answers = data[0];
    const std::vector<std::string> parts = Split(data + 1, size - 1);
    for (int site = 0; site <= 2; ++site) {
        for (int tab = 1; tab <= 2; ++tab) {
            FuzzHost host;
            ScopedPrompter scope(&host);
            host.input = parts[0];
            host.site = site;
            host.tab = tab;
            host.answers = answers;
            host.trade.askMultipleBuyers = true;
            for (std::size_t i = 1; i < parts.size(); ++i) {
                host.boxes.push_back(std::make_unique<PlainTextDocument>(parts[i]));
            }
            host.boxes.push_back(std::make_unique<PlainTextDocument>(allKeywords));
            host.invoice.SetText((parts.size() > 1 ? parts[1] : std::string()) + allKeywords);
            MenuItemReplaceAllClick(host);
            // A second run meets the filled documents and the grid of the first.
            MenuItemReplaceAllClick(host);
        }
    }
    return 0;
}
