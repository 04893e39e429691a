// Arbitrary pages straight into the list and Paipai parsers, past page recognition.
// Input: one byte of answers (bit i answers question i), then the page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/parsers.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace {

using namespace tallivo;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const std::string keywords =
        Gbk(u8"{买家}{卖家}{物流承运信息}{收货地址}{收货人}{手机}{电话}{邮政编码}");
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (int parser = 0; parser < 5; ++parser) {
        testing::ScriptedHost host(page, kSitePaipai, parser == 4 ? kTabFreightBill : kTabInvoice);
        for (unsigned i = 0; i < 64; ++i) host.prompter.answers.push_back((data[0] >> (i % 8)) & 1);
        host.now = CaptureTime{2008, 3, 7, 23, 59, 59};
        host.invoiceSN = 1;
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
