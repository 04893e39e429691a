#include "text/gbk_codec.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace tallivo {

namespace {

// One converter per direction and thread, opened on first use and reset before each text.
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

    // skip(in, left) says how many bytes a rejected sequence at `in` spans.
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
            // EILSEQ: not valid or not representable; EINVAL: cut short at the end.
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

// Both encodings keep ASCII as it is; most cells of an export (numbers, codes) are only that.
bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The code point of a well-formed sequence of `n` bytes.
std::uint32_t Utf8CodePoint(const unsigned char* p, size_t n) {
    std::uint32_t cp = n == 2 ? p[0] & 0x1F : n == 3 ? p[0] & 0x0F : p[0] & 0x07;
    for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (p[i] & 0x3F);
    return cp;
}

std::string IconvUtf8ToGbk(std::string_view utf8) {
    thread_local Converter converter("CP936", "UTF-8");
    return converter.Run(utf8, [](const char* in, size_t left) {
        size_t n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(in), left);
        return n == 0 ? size_t{1} : n;  // a whole character GBK lacks, or one bad byte
    });
}

// The CP936 code of each character of the Basic Multilingual Plane, as iconv gives it, asked
// once per character in blocks of 256 on first use; a converter call per text costs more than
// the text. A code below 0x100 is one byte; 0 means CP936 has no such character.
class GbkEncoding {
public:
    std::uint16_t Code(std::uint32_t cp) {
        std::unique_ptr<Block>& block = blocks_[cp >> 8];
        if (!block) block = Fill(cp & ~std::uint32_t{0xFF});
        return (*block)[cp & 0xFF];
    }

private:
    using Block = std::array<std::uint16_t, 256>;

    // One converter call for the whole block: every character in it is two or three UTF-8
    // bytes, and iconv turns each into one byte, two bytes with a lead from 0x81, or the "?" of
    // a character CP936 lacks.
    static std::unique_ptr<Block> Fill(std::uint32_t first) {
        auto block = std::make_unique<Block>();
        std::string utf8;
        utf8.reserve(256 * 3);
        std::uint32_t asked[256];
        std::size_t count = 0;
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t cp = first + i;
            if (cp < 0x80 || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
            if (cp >= 0x800) utf8 += static_cast<char>(0xE0 | (cp >> 12));
            utf8 += static_cast<char>(cp < 0x800 ? 0xC0 | (cp >> 6) : 0x80 | ((cp >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
            asked[count++] = i;
        }
        const std::string gbk = IconvUtf8ToGbk(utf8);
        const auto* b = reinterpret_cast<const unsigned char*>(gbk.data());
        const auto* const end = b + gbk.size();
        for (std::size_t k = 0; k < count && b < end; ++k) {
            if (b[0] >= 0x81 && end - b >= 2) {
                (*block)[asked[k]] = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
                b += 2;
            } else {
                if (b[0] >= 0x80) (*block)[asked[k]] = b[0];
                ++b;
            }
        }
        return block;
    }

    std::array<std::unique_ptr<Block>, 256> blocks_;
};

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    // A GBK character never takes more bytes than its UTF-8 sequence, so the copy is converted
    // where it is; plain ASCII, most cells of an export, needs no more.
    std::string out(utf8);
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end && *p < 0x80) ++p;
    if (p == end) return out;
    thread_local GbkEncoding encoding;
    char* o = out.data() + (p - reinterpret_cast<const unsigned char*>(utf8.data()));
    while (p < end) {
        if (*p < 0x80) {
            *o++ = static_cast<char>(*p++);
            continue;
        }
        const auto left = static_cast<size_t>(end - p);
        size_t n = 3;
        std::uint32_t cp = 0;
        // Chinese text is mostly three-byte sequences, checked here without a call.
        if ((p[0] & 0xF0) == 0xE0 && left >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80)
            cp = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) {
            n = Utf8SequenceLength(p, left);
            cp = n == 2 || n == 3 ? Utf8CodePoint(p, n) : 0;
        }
        const std::uint16_t code = cp != 0 ? encoding.Code(cp) : 0;
        // Bad bytes and characters GBK lacks: iconv decides how each becomes "?".
        if (code == 0) return IconvUtf8ToGbk(utf8);
        if (code >= 0x100) *o++ = static_cast<char>(code >> 8);
        *o++ = static_cast<char>(code & 0xFF);
        p += n;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::string GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    thread_local Converter converter("UTF-8", "CP936");
    return converter.Run(gbk, [](const char*, size_t) { return size_t{1}; });
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

}  // namespace tallivo
