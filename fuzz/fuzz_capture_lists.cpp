// Arbitrary pages straight into the list and Paipai parsers, past page recognition.
// Input: one byte of answers (bit i answers question i), then the page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/capture_host.h"
#include "capture/parsers.h"
#include "text/gbk_codec.h"
#include "text/message_sink.h"

namespace {

using namespace tallivo;

class FuzzHost : public CaptureHost, public Prompter {
public:
    const std::string& InputText() const override { return input; }
    int SiteIndex() const override { return kSitePaipai; }
    int CurrentTab() const override { return tab; }
    int FieldBoxCount() const override { return 0; }
    TextDocument& FieldBox(int) override { return invoice; }
    TextDocument& InvoiceDocument() override { return invoice; }
    GoodsGrid& Goods() override { return grid; }
    std::string ReplaceText() const override { return replace; }
    void SetReplaceText(const std::string& text) override { replace = text; }
    bool AskYesNo(const std::string&, const std::string&) override {
        return (answers >> (asked++ % 8)) & 1;
    }
    void ShowMessage(const std::string&) override {}
    CaptureTime Now() const override { return CaptureTime{2008, 3, 7, 23, 59, 59}; }
    int InvoiceSequenceNumber() const override { return 1; }
    TradeState& Trade() override { return trade; }
    void SetFreightBillUnsaved() override {}
    void SetInvoiceUnsaved() override {}

    std::string input;
    int tab = kTabInvoice;
    PlainTextDocument invoice;
    GoodsGrid grid;
    std::string replace;
    TradeState trade;
    unsigned answers = 0;
    unsigned asked = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const std::string keywords =
        Gbk(u8"{买家}{卖家}{物流承运信息}{收货地址}{收货人}{手机}{电话}{邮政编码}");
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (int parser = 0; parser < 5; ++parser) {
        FuzzHost host;
        ScopedPrompter scope(&host);
        host.input = page;
        host.answers = data[0];
        host.trade.askMultipleBuyers = true;
        host.tab = parser == 4 ? kTabFreightBill : kTabInvoice;
        // Once with every keyword in the document, then with none left: the goods rows.
        for (const std::string& document : {keywords, std::string()}) {
            host.invoice.SetText(document);
            switch (parser) {
                case 0:
                    ParseSoldList(host, 1);
                    break;
                case 1:
                    ParseWangwangList(host, 1);
                    break;
                case 2:
                    ParsePaipaiTradeList(host, 1);
                    break;
                default:
                    ParsePaipaiTradeManagement(host, host.invoice, 1);
                    break;
            }
        }
    }
    return 0;
}
