#include "text/gbk_codec.h"

#include <iconv.h>

#include <array>
#include <bitset>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "text/utf8_append.h"

namespace tallivo {

namespace {

// Used only to build the tables below: a text converts through the tables in one pass, because
// glibc spends about 0.2 ms on each character it cannot convert to code page 936.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // A rejected sequence becomes "?"; skip(in, left) says how many bytes it spans.
    template <typename Skip>
    std::string Run(std::string_view input, Skip skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.resize(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        size_t done = 0;
        while (inLeft > 0) {
            char* outPtr = out.data() + done;
            size_t outLeft = out.size() - done;
            size_t r = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            done = out.size() - outLeft;
            if (r != static_cast<size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            size_t n = errno == EINVAL ? inLeft : skip(in, inLeft);
            if (done == out.size()) out.resize(out.size() * 2);
            out[done++] = '?';
            in += n;
            inLeft -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(done);
        return out;
    }

private:
    iconv_t cd_;
};

// Length of the well-formed UTF-8 sequence at p, or 0 when it is not one.
size_t Utf8SequenceLength(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    size_t n;
    unsigned int cp;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (left < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    static const unsigned int kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// Bytes of the ill-formed sequence at p that count as one bad character: the longest start of
// a well-formed sequence (a character cut short), else the one byte.
size_t BadSequenceLength(const unsigned char* p, size_t left) {
    const unsigned char c = p[0];
    const size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4) return 1;
    const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    size_t k = 1;
    if (k < left && p[k] >= low && p[k] <= high) ++k;
    while (k > 1 && k < n && k < left && (p[k] & 0xC0) == 0x80) ++k;
    return k;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::uint32_t Utf8CodePoint(const unsigned char* p, size_t n) {
    std::uint32_t cp = n == 2 ? p[0] & 0x1F : n == 3 ? p[0] & 0x0F : p[0] & 0x07;
    for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (p[i] & 0x3F);
    return cp;
}

bool IsDigitByte(unsigned char b) {
    return b >= '0' && b <= '9';
}

// Four-byte sequences are counted from 81 30 81 30 (ten values for the second and fourth
// bytes, 126 for the first and third); the Basic Multilingual Plane takes the first 39420, the
// other planes follow in order from 90 30 81 30.
constexpr std::uint32_t kFourByteBmpCount = 39420;
constexpr std::uint32_t kFourBytePlanesFirst = 189000;

std::uint32_t FourByteIndex(const unsigned char* p) {
    return ((p[0] - 0x81u) * 10 + (p[1] - 0x30u)) * 1260 + (p[2] - 0x81u) * 10 + (p[3] - 0x30u);
}

std::uint32_t FourByteCode(std::uint32_t index) {
    return (0x81 + index / 12600) << 24 | (0x30 + index / 1260 % 10) << 16 |
           (0x81 + index / 10 % 126) << 8 | (0x30 + index % 10);
}

// A code packs a character's bytes: 0 for none, then one, two or four bytes by size.
void AppendCode(std::string& out, std::uint32_t code) {
    if (code == 0) {
        out += '?';
        return;
    }
    if (code > 0xFFFF) {
        out += static_cast<char>(code >> 24);
        out += static_cast<char>(code >> 16 & 0xFF);
    }
    if (code > 0xFF) out += static_cast<char>(code >> 8 & 0xFF);
    out += static_cast<char>(code & 0xFF);
}

int CodeLength(std::uint32_t code) {
    return code > 0xFFFF ? 4 : code > 0xFF ? 2 : 1;
}

// Converter output with one code or one "?" per character asked, in order.
template <typename Store>
void ReadCodes(const std::string& bytes, std::size_t count, Store store) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = b + bytes.size();
    for (std::size_t k = 0; k < count && b < end; ++k) {
        if (b[0] >= 0x81 && end - b >= 4 && IsDigitByte(b[1])) {
            store(k, std::uint32_t{b[0]} << 24 | b[1] << 16 | b[2] << 8 | b[3]);
            b += 4;
        } else if (b[0] >= 0x81 && end - b >= 2) {
            store(k, static_cast<std::uint32_t>(b[0] << 8 | b[1]));
            b += 2;
        } else {
            if (b[0] >= 0x80) store(k, b[0]);
            ++b;
        }
    }
}

// Each code followed by 0x01, which no code contains, decoded in one call; the character each
// code stands for, 0 when it is none or not in the Basic Multilingual Plane.
std::vector<char16_t> DecodeEach(const char* encoding, const std::vector<std::string>& codes) {
    std::string joined;
    joined.reserve(codes.size() * 5);
    for (const std::string& code : codes) {
        joined += code;
        joined += '\x01';
    }
    Converter converter("UTF-8", encoding);
    const std::string utf8 = converter.Run(joined, [](const char*, size_t) { return size_t{1}; });
    std::vector<char16_t> units(codes.size(), 0);
    std::size_t from = 0;
    for (std::size_t k = 0; k < codes.size() && from <= utf8.size(); ++k) {
        std::size_t end = utf8.find('\x01', from);
        if (end == std::string::npos) end = utf8.size();
        const auto* p = reinterpret_cast<const unsigned char*>(utf8.data() + from);
        const std::size_t n = end - from;
        if ((n == 2 || n == 3) && Utf8SequenceLength(p, n) == n)
            units[k] = static_cast<char16_t>(Utf8CodePoint(p, n));
        from = end + 1;
    }
    return units;
}

// The code of each character of the Basic Multilingual Plane, asked in blocks of 256 on first
// use. GB18030 writes every character code page 936 holds as it does, but for the euro, which
// code page 936 writes as the one byte 0x80; the few GB18030 rejects are asked of code page 936.
// A start needs no table of code page 936 itself.
class Encoding {
public:
    std::uint32_t Code(std::uint32_t cp) {
        if (cp == 0x20AC) return 0x80;
        std::unique_ptr<Block>& block = blocks_[cp >> 8];
        if (!block) block = Fill(cp & ~std::uint32_t{0xFF});
        return (*block)[cp & 0xFF];
    }

private:
    using Block = std::array<std::uint32_t, 256>;

    std::unique_ptr<Block> Fill(std::uint32_t first) {
        auto block = std::make_unique<Block>();
        block->fill(0);
        std::string utf8;
        std::vector<std::uint32_t> asked;
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t cp = first + i;
            if (cp < 0x80 || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
            AppendUtf8(utf8, cp);
            asked.push_back(i);
        }
        auto skip = [](const char* in, size_t left) {
            const size_t n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(in), left);
            return n == 0 ? size_t{1} : n;
        };
        if (asked.empty()) return block;
        ReadCodes(gb18030_.Run(utf8, skip), asked.size(),
                  [&](std::size_t n, std::uint32_t code) { (*block)[asked[n]] = code; });
        utf8.clear();
        std::vector<std::uint32_t> rejected;
        for (const std::uint32_t i : asked) {
            if ((*block)[i] != 0) continue;
            AppendUtf8(utf8, first + i);
            rejected.push_back(i);
        }
        if (rejected.empty()) return block;
        if (!cp936_) cp936_ = std::make_unique<Converter>("CP936", "UTF-8");
        ReadCodes(cp936_->Run(utf8, skip), rejected.size(),
                  [&](std::size_t n, std::uint32_t code) { (*block)[rejected[n]] = code; });
        return block;
    }

    Converter gb18030_{"GB18030", "UTF-8"};
    std::unique_ptr<Converter> cp936_;
    std::array<std::unique_ptr<Block>, 256> blocks_;
};

std::uint32_t CodeOf(char32_t c) {
    if (c < 0x80) return c;
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    if (c >= 0x10000) return FourByteCode(kFourBytePlanesFirst + (c - 0x10000));
    thread_local Encoding encoding;
    return encoding.Code(c);
}

constexpr int kTrailCount = 0xFF - 0x40;        // trail bytes 0x40..0xFE
constexpr std::uint32_t kFourByteBlock = 1260;  // the sequences that share their first two bytes

// What the two-byte codes of one lead byte and the four-byte sequences of the Basic Multilingual
// Plane decode to, a row or block at a time on first use: a start decodes a few names, not the
// whole code page. A two-byte code is code page 936's character, else GB18030's where GB18030
// writes that character so (its A2 E3 is no euro: the euro is written 0x80).
class Decoding {
public:
    struct Row {
        std::array<char16_t, kTrailCount> unit{};  // 0 for none
        std::bitset<kTrailCount> gbk;              // code page 936's own
    };

    const Row& PairRow(unsigned char lead) {
        std::unique_ptr<Row>& row = rows_[lead - 0x81];
        if (!row) row = FillRow(lead);
        return *row;
    }

    char16_t FourByte(std::uint32_t index) {
        std::unique_ptr<std::vector<char16_t>>& block = fourByte_[index / kFourByteBlock];
        if (!block) block = FillFourByte(index / kFourByteBlock * kFourByteBlock);
        return (*block)[index % kFourByteBlock];
    }

private:
    static std::unique_ptr<Row> FillRow(unsigned char lead) {
        std::vector<std::string> codes;
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        const std::vector<char16_t> cp936 = DecodeEach("CP936", codes);
        const std::vector<char16_t> gb18030 = DecodeEach("GB18030", codes);
        auto row = std::make_unique<Row>();
        for (std::size_t k = 0; k < codes.size(); ++k) {
            if (cp936[k] != 0) {
                row->unit[k] = cp936[k];
                row->gbk.set(k);
            } else if (gb18030[k] != 0 && CodeOf(gb18030[k]) == (lead << 8 | (0x40 + k))) {
                row->unit[k] = gb18030[k];
            }
        }
        return row;
    }

    static std::unique_ptr<std::vector<char16_t>> FillFourByte(std::uint32_t first) {
        std::vector<std::string> codes;
        for (std::uint32_t i = first; i < first + kFourByteBlock; ++i) {
            const std::uint32_t code = FourByteCode(i);
            codes.push_back({static_cast<char>(code >> 24), static_cast<char>(code >> 16 & 0xFF),
                             static_cast<char>(code >> 8 & 0xFF), static_cast<char>(code & 0xFF)});
        }
        return std::make_unique<std::vector<char16_t>>(DecodeEach("GB18030", codes));
    }

    std::array<std::unique_ptr<Row>, 126> rows_;
    std::array<std::unique_ptr<std::vector<char16_t>>,
               (kFourByteBmpCount + kFourByteBlock - 1) / kFourByteBlock>
        fourByte_;
};

Decoding& Decoder() {
    thread_local Decoding decoding;
    return decoding;
}

bool IsUnicodeSpace(char32_t c) {
    return c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F;
}

bool IsZeroWidth(char32_t c) {
    return (c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF || c == 0x180E;
}

// Calls emit(c) for each character, or emitBad() for each ill-formed sequence.
template <typename Emit, typename EmitBad>
void WalkUtf8(std::string_view utf8, Emit emit, EmitBad emitBad) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            emit(char32_t{*p++});
            continue;
        }
        const auto left = static_cast<size_t>(end - p);
        // Chinese text is mostly three-byte sequences, checked here without a call.
        if ((p[0] & 0xF0) == 0xE0 && left >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            const char32_t c = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                emit(c);
                p += 3;
                continue;
            }
        }
        const size_t n = Utf8SequenceLength(p, left);
        if (n != 0) {
            emit(static_cast<char32_t>(Utf8CodePoint(p, n)));
            p += n;
        } else {
            emitBad();
            p += BadSequenceLength(p, left);
        }
    }
}

std::string ToGbk(std::string_view utf8, bool pasted) {
    std::string out;
    out.reserve(utf8.size() + 16);
    WalkUtf8(
        utf8,
        [&](char32_t c) {
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else if (pasted && IsUnicodeSpace(c)) {
                out += ' ';
            } else if (!pasted || !IsZeroWidth(c)) {
                AppendCode(out, CodeOf(c));
            }
        },
        [&] { out += '?'; });
    return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);  // most cells of an export
    return ToGbk(utf8, false);
}

std::string PastedUtf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return ToGbk(utf8, true);
}

std::string CleanPastedUtf8(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    WalkUtf8(
        utf8,
        [&](char32_t c) {
            if (IsUnicodeSpace(c)) {
                out += ' ';
            } else if (!IsZeroWidth(c)) {
                AppendUtf8(out, c);
            }
        },
        [&] { out += "\xEF\xBF\xBD"; });
    return out;
}

char32_t GbkCharacterAt(std::string_view gbk, std::size_t at, std::size_t* length) {
    *length = 1;
    if (at >= gbk.size()) return kNoCharacter;
    const auto* p = reinterpret_cast<const unsigned char*>(gbk.data()) + at;
    const std::size_t left = gbk.size() - at;
    if (p[0] < 0x80) return p[0];
    if (p[0] == 0x80) return 0x20AC;  // code page 936's one-byte euro
    if (p[0] == 0xFF || left < 2) return kNoCharacter;
    if (p[1] >= 0x40 && p[1] <= 0xFE) {
        const char16_t u = Decoder().PairRow(p[0]).unit[p[1] - 0x40u];
        if (u == 0) return kNoCharacter;
        *length = 2;
        return u;
    }
    if (!IsDigitByte(p[1]) || left < 4 || p[2] < 0x81 || p[2] > 0xFE || !IsDigitByte(p[3]))
        return kNoCharacter;
    const std::uint32_t index = FourByteIndex(p);
    char32_t c = kNoCharacter;
    if (index < kFourByteBmpCount) {
        const char16_t u = Decoder().FourByte(index);
        if (u != 0) c = u;
    } else if (index >= kFourBytePlanesFirst && index - kFourBytePlanesFirst < 0x100000) {
        c = 0x10000 + (index - kFourBytePlanesFirst);
    }
    if (c != kNoCharacter) *length = 4;
    return c;
}

std::string GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        std::size_t n = 1;
        const char32_t c = GbkCharacterAt(gbk, i, &n);
        if (c == kNoCharacter) {
            out += '?';
        } else {
            AppendUtf8(out, c);
        }
        i += n;
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t left = text.size();
    while (left > 0) {
        size_t n = Utf8SequenceLength(p, left);
        if (n == 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

bool GbkHolds(char32_t c) {
    if (c < 0x80 || c == 0x20AC) return true;
    if (c >= 0x10000) return false;
    const std::uint32_t code = CodeOf(c);
    if (code < 0x8140 || code > 0xFEFE || (code & 0xFF) < 0x40 || (code & 0xFF) == 0xFF)
        return false;
    return Decoder().PairRow(static_cast<unsigned char>(code >> 8)).gbk.test((code & 0xFF) - 0x40);
}

int AppendGbkCharacter(std::string& out, char32_t c) {
    const std::uint32_t code = CodeOf(c);
    AppendCode(out, code);
    return code == 0 ? 1 : CodeLength(code);
}

}  // namespace tallivo
