// Arbitrary pages and documents through Replace all, both tabs, every site.
// Input: one byte of answers (bit i answers question i), then the page, then documents, the
// parts separated by the two bytes 0xFF 0xFE.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_driver.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace {

using namespace tallivo;

// Question i is answered by bit i % 8 of the answers byte.
void AnswerFromBits(testing::ScriptedHost& host, unsigned answers) {
    for (unsigned i = 0; i < 64; ++i) host.prompter.answers.push_back((answers >> (i % 8)) & 1);
}

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
            testing::ScriptedHost host(parts[0], site, tab);
            AnswerFromBits(host, answers);
            host.now = CaptureTime{2008, 3, 7, 23, 59, 59};
            host.invoiceSN = -2147483647 - 1;
            for (std::size_t i = 1; i < parts.size(); ++i) {
                host.AddBox(parts[i]);
            }
            host.AddBox(allKeywords);
            host.invoice.SetText((parts.size() > 1 ? parts[1] : std::string()) + allKeywords);
            MenuItemReplaceAllClick(host);
            // A second run meets the filled documents and the grid of the first.
            MenuItemReplaceAllClick(host);
        }
    }
    return 0;
}
