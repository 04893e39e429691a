#include <errno.h>
#include <iconv.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr int kLeads = 0xFE - 0x81 + 1;
constexpr int kTrails = 0xFE - 0x40 + 1;

// The code page's table, asked of the system once, code by code: a call over a whole row would
// fail on its first hole. The private-use characters the system gives the user-defined rows
// count as holes, so that a file reads the same here as on Linux.
class GbkTable {
public:
    GbkTable() {
        for (int b = 0x80; b <= 0xFF; ++b) single_[b - 0x80] = Ask(static_cast<char>(b), 0, 1);
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                const std::uint16_t cp = Ask(static_cast<char>(lead), static_cast<char>(trail), 2);
                double_[(lead - 0x81) * kTrails + (trail - 0x40)] = cp;
                if (cp != 0 && code_[cp] == 0)
                    code_[cp] = static_cast<std::uint16_t>(lead << 8 | trail);
            }
        }
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::uint16_t cp = single_[b - 0x80];
            if (cp != 0 && code_[cp] == 0) code_[cp] = static_cast<std::uint16_t>(b);
        }
    }

    // The character of a single byte from 0x80 up, 0 when there is none.
    std::uint16_t Single(unsigned char b) const { return single_[b - 0x80]; }
    std::uint16_t Double(unsigned char lead, unsigned char trail) const {
        if (trail < 0x40 || trail > 0xFE || trail == 0x7F) return 0;
        return double_[(lead - 0x81) * kTrails + (trail - 0x40)];
    }
    // The code of a character (below 0x100: one byte), 0 when the code page lacks it.
    std::uint16_t Code(std::uint32_t cp) const { return cp < 0x10000 ? code_[cp] : 0; }

private:
    static std::uint16_t Ask(char a, char b, int n) {
        const char bytes[2] = {a, b};
        wchar_t wide[2] = {};
        if (::MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes, n, wide, 2) != 1)
            return 0;
        if (wide[0] >= 0xE000 && wide[0] <= 0xF8FF) return 0;
        return static_cast<std::uint16_t>(wide[0]);
    }

    std::array<std::uint16_t, 0x80> single_{};
    std::array<std::uint16_t, kLeads * kTrails> double_{};
    std::array<std::uint16_t, 0x10000> code_{};
};

const GbkTable& Table() {
    static const GbkTable* table = new GbkTable();  // kept for the life of the process
    return *table;
}

struct Gb18030Range {
    std::uint32_t first_index;
    std::uint32_t first_code_point;
    std::uint32_t count;
};

struct Gb18030Exception {
    std::uint32_t from;
    std::uint32_t to;
};

// Wine has no code page 54936, so GB18030 comes from a table made from glibc's iconv: a file
// then converts the same on both systems.
#include "gb18030_table.inc"

constexpr std::uint32_t kFourByteBmpCount = 39420;
constexpr std::uint32_t kFourBytePlanesFirst = 189000;

std::uint32_t FourByteCode(std::uint32_t index) {
    return (0x81 + index / 12600) << 24 | (0x30 + index / 1260 % 10) << 16 |
           (0x81 + index / 10 % 126) << 8 | (0x30 + index % 10);
}

// The lists are a handful long: a scan is enough.
std::uint32_t Lookup(const Gb18030Exception* list, std::size_t n, std::uint32_t key, bool* found) {
    for (std::size_t i = 0; i < n; ++i) {
        if (list[i].from == key && key != 0) {
            *found = true;
            return list[i].to;
        }
    }
    *found = false;
    return 0;
}

class Gb18030Table {
public:
    Gb18030Table() {
        for (std::size_t k = 0; k < std::size(kGb18030Pairs); ++k) {
            const std::uint16_t cp = kGb18030Pairs[k];
            if (cp != 0 && code_[cp] == 0)
                code_[cp] =
                    static_cast<std::uint32_t>((0x81 + k / kTrails) << 8 | (0x40 + k % kTrails));
        }
        for (const Gb18030Range& r : kGb18030Ranges) {
            for (std::uint32_t i = 0; i < r.count; ++i) {
                if (code_[r.first_code_point + i] == 0)
                    code_[r.first_code_point + i] = FourByteCode(r.first_index + i);
            }
        }
        for (const Gb18030Exception& e : kGb18030Exceptions) {
            if (e.from != 0 && e.from < 0x10000) code_[e.from] = e.to;
        }
    }

    // The code packed as its bytes, 0 when GB18030 lacks the character.
    std::uint32_t Code(std::uint32_t cp) const {
        if (cp < 0x10000) return code_[cp];
        bool found = false;
        const std::uint32_t code =
            Lookup(kGb18030Exceptions, std::size(kGb18030Exceptions), cp, &found);
        if (found) return code;
        return cp <= 0x10FFFF ? FourByteCode(kFourBytePlanesFirst + (cp - 0x10000)) : 0;
    }

    std::uint32_t Double(unsigned char lead, unsigned char trail) const {
        bool found = false;
        const std::uint32_t cp = Lookup(kGb18030Decoded, std::size(kGb18030Decoded),
                                        static_cast<std::uint32_t>(lead << 8 | trail), &found);
        if (found) return cp;
        if (trail < 0x40 || trail > 0xFE) return 0;
        return kGb18030Pairs[(lead - 0x81) * kTrails + (trail - 0x40)];
    }

    std::uint32_t Quad(const unsigned char* p) const {
        const std::uint32_t code = std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
        bool found = false;
        const std::uint32_t cp = Lookup(kGb18030Decoded, std::size(kGb18030Decoded), code, &found);
        if (found) return cp;
        const std::uint32_t index =
            ((p[0] - 0x81u) * 10 + (p[1] - 0x30u)) * 1260 + (p[2] - 0x81u) * 10 + (p[3] - 0x30u);
        if (index >= kFourBytePlanesFirst)
            return index - kFourBytePlanesFirst < 0x100000
                       ? 0x10000 + (index - kFourBytePlanesFirst)
                       : 0;
        if (index >= kFourByteBmpCount) return 0;
        // The last range that starts at or before index.
        const Gb18030Range* r = std::upper_bound(
            std::begin(kGb18030Ranges), std::end(kGb18030Ranges), index,
            [](std::uint32_t i, const Gb18030Range& range) { return i < range.first_index; });
        if (r == std::begin(kGb18030Ranges)) return 0;
        --r;
        return index - r->first_index < r->count ? r->first_code_point + (index - r->first_index)
                                                 : 0;
    }

private:
    std::array<std::uint32_t, 0x10000> code_{};
};

const Gb18030Table& Gb18030() {
    static const Gb18030Table* table = new Gb18030Table();  // kept for the life of the process
    return *table;
}

bool IsDigit(unsigned char b) {
    return b >= 0x30 && b <= 0x39;
}

// One GB18030 character at in, as Decode below.
int DecodeGb18030(const unsigned char* in, std::size_t left, std::uint32_t* cp) {
    if (in[0] < 0x80) {
        *cp = in[0];
        return 1;
    }
    if (in[0] == 0x80 || in[0] == 0xFF) return 0;
    if (left < 2) return -1;
    if (!IsDigit(in[1])) {
        *cp = Gb18030().Double(in[0], in[1]);
        return *cp != 0 ? 2 : 0;
    }
    if (left < 3) return -1;
    if (in[2] < 0x81 || in[2] > 0xFE) return 0;
    if (left < 4) return -1;
    if (!IsDigit(in[3])) return 0;
    *cp = Gb18030().Quad(in);
    return *cp != 0 ? 4 : 0;
}

int EncodeGb18030(std::uint32_t cp, unsigned char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    const std::uint32_t code = Gb18030().Code(cp);
    if (code == 0) return 0;
    const int n = code > 0xFFFF ? 4 : code > 0xFF ? 2 : 1;
    for (int i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(code >> (8 * (n - 1 - i)));
    return n;
}

enum class Charset { kUtf8, kGbk, kGb18030 };

struct Converter {
    Charset to;
    Charset from;
};

bool Named(const char* name, Charset* charset) {
    auto is = [name](const char* a) { return ::_stricmp(name, a) == 0; };
    if (is("UTF-8") || is("UTF8")) {
        *charset = Charset::kUtf8;
    } else if (is("CP936") || is("GBK")) {
        *charset = Charset::kGbk;
    } else if (is("GB18030")) {
        *charset = Charset::kGb18030;
    } else {
        return false;
    }
    return true;
}

// One character of UTF-8 at in: its length, 0 when malformed, -1 when cut short by the end.
int DecodeUtf8(const unsigned char* in, std::size_t left, std::uint32_t* cp) {
    const unsigned char c = in[0];
    int n;
    if (c < 0x80) {
        *cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2;
        *cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        *cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        *cp = c & 0x07;
    } else {
        return 0;
    }
    for (int i = 1; i < n; ++i) {
        if (static_cast<std::size_t>(i) == left) return -1;
        if ((in[i] & 0xC0) != 0x80) return 0;
        *cp = (*cp << 6) | (in[i] & 0x3F);
    }
    static const std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (*cp < kMin[n] || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return 0;
    return n;
}

int EncodeUtf8(std::uint32_t cp, unsigned char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 3;
}

// One character from `from` at in: its length and its code point; 0 when malformed or missing
// from the table, -1 when cut short.
int Decode(Charset from, const unsigned char* in, std::size_t left, std::uint32_t* cp) {
    if (from == Charset::kUtf8) return DecodeUtf8(in, left, cp);
    if (from == Charset::kGb18030) return DecodeGb18030(in, left, cp);
    if (in[0] < 0x80) {
        *cp = in[0];
        return 1;
    }
    if (in[0] == 0x80 || in[0] == 0xFF) {
        *cp = Table().Single(in[0]);
        return *cp != 0 ? 1 : 0;
    }
    if (left < 2) return -1;
    *cp = Table().Double(in[0], in[1]);
    return *cp != 0 ? 2 : 0;
}

// The bytes of cp in `to`; 0 when `to` cannot hold it.
int Encode(Charset to, std::uint32_t cp, unsigned char* out) {
    if (to == Charset::kUtf8) {
        if (cp < 0x10000) return EncodeUtf8(cp, out);
        out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
        out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 4;
    }
    if (to == Charset::kGb18030) return EncodeGb18030(cp, out);
    if (cp < 0x80) {
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    const std::uint16_t code = Table().Code(cp);
    if (code == 0) return 0;
    if (code < 0x100) {
        out[0] = static_cast<unsigned char>(code);
        return 1;
    }
    out[0] = static_cast<unsigned char>(code >> 8);
    out[1] = static_cast<unsigned char>(code & 0xFF);
    return 2;
}

}  // namespace

iconv_t iconv_open(const char* to, const char* from) {
    Converter c{};
    if (!to || !from || !Named(to, &c.to) || !Named(from, &c.from)) {
        errno = EINVAL;
        return reinterpret_cast<iconv_t>(-1);
    }
    return new Converter(c);
}

int iconv_close(iconv_t cd) {
    delete static_cast<Converter*>(cd);
    return 0;
}

std::size_t iconv(iconv_t cd, char** in, std::size_t* in_left, char** out, std::size_t* out_left) {
    // No shift states: a reset has nothing to do.
    if (!in || !*in) return 0;
    const Converter& c = *static_cast<Converter*>(cd);
    while (*in_left > 0) {
        const auto* p = reinterpret_cast<const unsigned char*>(*in);
        std::uint32_t cp = 0;
        const int taken = Decode(c.from, p, *in_left, &cp);
        if (taken < 0) {
            errno = EINVAL;
            return static_cast<std::size_t>(-1);
        }
        unsigned char bytes[4];
        const int made = taken == 0 ? 0 : Encode(c.to, cp, bytes);
        if (made == 0) {
            errno = EILSEQ;
            return static_cast<std::size_t>(-1);
        }
        if (static_cast<std::size_t>(made) > *out_left) {
            errno = E2BIG;
            return static_cast<std::size_t>(-1);
        }
        std::memcpy(*out, bytes, static_cast<std::size_t>(made));
        *out += made;
        *out_left -= static_cast<std::size_t>(made);
        *in += taken;
        *in_left -= static_cast<std::size_t>(taken);
    }
    return 0;
}
