#include "orders/masked_details.h"

#include "orders/orders.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

bool IsBase64(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
}

bool IsMark(unsigned char c) {
    return c == '#' || c == '$' || c == '~';
}

// Enough base64 to be a key's output rather than a house number or a name in letters.
constexpr std::size_t kCipherRun = 16;

}  // namespace

bool IsMaskedValue(std::string_view gbk) {
    std::size_t run = 0;
    bool letters = false;
    bool digits = false;
    bool afterMark = false;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x81) {
            // Full-width asterisk; any other two-byte character ends a run.
            if (c == 0xA3 && i + 1 < gbk.size() && static_cast<unsigned char>(gbk[i + 1]) == 0xAA)
                return true;
            ++i;
            run = 0;
            afterMark = false;
            continue;
        }
        if (c == '*') return true;
        // "##…", "$$…", "~~…": the platforms' marks of an encrypted value.
        if (IsMark(c) && i + 1 < gbk.size() && static_cast<unsigned char>(gbk[i + 1]) == c)
            return true;
        if (IsBase64(c)) {
            if (run == 0) letters = digits = false;
            ++run;
            letters = letters || (c > '9');
            digits = digits || (c >= '0' && c <= '9');
            // Ciphertext after a mark, or a long run that mixes letters and digits as no
            // name, number or address does.
            if (run >= kCipherRun && letters && digits && (afterMark || run >= 2 * kCipherRun))
                return true;
            continue;
        }
        afterMark = IsMark(c);
        run = 0;
    }
    return false;
}

bool IsMaskedTelephone(std::string_view gbk) {
    bool plain = !gbk.empty();
    for (char c : gbk) {
        if (!((c >= '0' && c <= '9') || c == '-' || c == ' ' || c == '+' || c == '(' || c == ')'))
            plain = false;
    }
    return !plain && IsMaskedValue(gbk);
}

std::uint8_t MaskedFields(const Order& order) {
    std::uint8_t masked = 0;
    if (IsMaskedValue(order.Value(Keyword::kConsignee))) masked |= kMaskedConsignee;
    if (IsMaskedValue(order.Value(Keyword::kMobilePhone))) masked |= kMaskedMobile;
    if (IsMaskedTelephone(order.Value(Keyword::kTelephone))) masked |= kMaskedTelephone;
    if (IsMaskedValue(order.Value(Keyword::kAddress))) masked |= kMaskedAddress;
    return masked;
}

std::vector<std::string> MaskedFieldKeys(std::uint8_t masked) {
    std::vector<std::string> keys;
    if (masked & kMaskedConsignee) keys.emplace_back("consignee");
    if (masked & kMaskedMobile) keys.emplace_back("mobile");
    if (masked & kMaskedTelephone) keys.emplace_back("telephone");
    if (masked & kMaskedAddress) keys.emplace_back("address");
    return keys;
}

std::string MaskedFieldNames(std::uint8_t masked) {
    std::string names;
    const std::pair<std::uint8_t, const char*> all[] = {{kMaskedConsignee, "收货人"},
                                                        {kMaskedMobile, "手机"},
                                                        {kMaskedTelephone, "电话"},
                                                        {kMaskedAddress, "收货地址"}};
    for (const auto& [bit, name] : all) {
        if (masked & bit) names += (names.empty() ? "" : "、") + std::string(name);
    }
    return names;
}

std::string MaskedOrderMessage(const Order& order) {
    return Utf8ToGbk("订单“") + order.tradeNumber +
           Utf8ToGbk("”的" + MaskedFieldNames(order.masked) +
                     "在导出的文件中已隐藏（打了星号或已加密），无法填写。请在后台导出时选择显示"
                     "收货信息，或复制这个订单的页面粘贴到“输入文本”。");
}

}  // namespace tallivo
