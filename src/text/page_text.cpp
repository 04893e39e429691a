#include "text/page_text.h"

#include <cstddef>
#include <cstdint>

#include "text/gbk_codec.h"
#include "text/text_search.h"
#include "text/utf8_append.h"

namespace tallivo {

namespace {

// A half of a surrogate pair without its other half, or an odd last byte, becomes "?".
std::string Utf16ToUtf8(std::string_view bytes, bool little) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) -> char32_t {
        return little ? p[2 * i] | p[2 * i + 1] << 8 : p[2 * i] << 8 | p[2 * i + 1];
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8(out, u);
        }
    }
    if (bytes.size() % 2 != 0) out += '?';
    return out;
}

// Valid multi-byte sequences against bytes that begin none. GBK text seldom forms a valid
// sequence (about one character in fifty), while a UTF-8 page with a damaged character has
// hundreds for each bad byte.
bool IsMostlyUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t valid = 0;
    std::size_t bad = 0;
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = p[i] >= 0xF0 ? 4 : p[i] >= 0xE0 ? 3 : p[i] >= 0xC0 ? 2 : 0;
        if (len != 0 && len <= n - i && IsValidUtf8(text.substr(i, len))) {
            ++valid;
            i += len;
        } else {
            ++bad;
            ++i;
        }
    }
    return valid > 4 * bad;
}

}  // namespace

std::string PageBytesToGbk(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return WithCrLf(PastedUtf8ToGbk(bytes.substr(3)));
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        const bool little = bytes[0] == '\xFF';
        return WithCrLf(PastedUtf8ToGbk(Utf16ToUtf8(bytes.substr(2), little)));
    }
    if (IsMostlyUtf8(bytes)) return WithCrLf(PastedUtf8ToGbk(bytes));
    return WithCrLf(std::string(bytes));
}

}  // namespace tallivo
