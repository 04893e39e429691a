#include "text/gbk_codec.h"

#include <iconv.h>

#include <cerrno>
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

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    thread_local Converter converter("CP936", "UTF-8");
    return converter.Run(utf8, [](const char* in, size_t left) {
        size_t n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(in), left);
        return n == 0 ? size_t{1} : n;  // a whole character GBK lacks, or one bad byte
    });
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
