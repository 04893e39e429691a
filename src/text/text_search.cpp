#include "text/text_search.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "text/gbk_codec.h"
#include "text/message_sink.h"

namespace tallivo {

namespace {

bool IsSpaceOrTab(unsigned char c) {
    return c == ' ' || c == '\t';
}

// The two bytes at p and p + 1 form a full-width space or CR LF.
bool IsBlankPairAt(std::string_view text, int p) {
    unsigned char a = ByteAt(text, p);
    unsigned char b = ByteAt(text, p + 1);
    return (a == 0xA1 && b == 0xA1) || (a == '\r' && b == '\n');
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int Length(std::string_view text) {
    return static_cast<int>(text.size());
}

const char* FindBytes(std::string_view text, std::string_view pattern) {
#ifdef _WIN32
    // No memmem in the Windows C library. The search below is linear (Knuth-Morris-Pratt), as
    // memmem is, whatever a pasted page and a search text hold.
    if (pattern.size() > text.size()) return nullptr;
    std::vector<std::size_t> border(pattern.size(), 0);
    for (std::size_t i = 1, k = 0; i < pattern.size(); ++i) {
        while (k > 0 && pattern[i] != pattern[k]) k = border[k - 1];
        if (pattern[i] == pattern[k]) ++k;
        border[i] = k;
    }
    for (std::size_t i = 0, k = 0; i < text.size(); ++i) {
        if (k == 0) {
            const void* next = std::memchr(text.data() + i, pattern[0], text.size() - i);
            if (next == nullptr) return nullptr;
            i = static_cast<std::size_t>(static_cast<const char*>(next) - text.data());
        }
        while (k > 0 && text[i] != pattern[k]) k = border[k - 1];
        if (text[i] == pattern[k]) ++k;
        if (k == pattern.size()) return text.data() + i + 1 - k;
    }
    return nullptr;
#else
    return static_cast<const char*>(
        memmem(text.data(), text.size(), pattern.data(), pattern.size()));
#endif
}

}  // namespace

int FindTextFrom(std::string_view text, std::string_view pattern, int start, Prompter* prompter) {
    if (start < 0) {
        static const std::string message = Gbk(u8"搜索字符串起始位置不能小于0！");
        if (prompter != nullptr) prompter->ShowMessage(message);
        return 0;
    }
    if (start == 0 || pattern.empty()) return 0;
    if (static_cast<std::size_t>(start) > text.size()) return 0;
    // Searched in place: the parsers call this hundreds of times on pages of megabytes.
    std::size_t from = static_cast<std::size_t>(start) - 1;
    const char* hit = FindBytes(text.substr(from), pattern);
    if (hit == nullptr) return 0;
    return static_cast<int>(hit - text.data()) + 1;
}

int SkipBlanksForward(std::string_view text, int p) {
    const int n = Length(text);
    if (p < 1) return p;  // nothing there to skip; the byte reads as 0, no blank
    while (p <= n) {
        if (IsSpaceOrTab(ByteAt(text, p))) {
            ++p;
        } else if (p == n) {
            break;
        } else if (IsBlankPairAt(text, p)) {
            p += 2;
        } else {
            break;
        }
    }
    return p;
}

int WordLengthAt(std::string_view text, int p) {
    const int n = Length(text);
    long long count = 0;
    if (p < 1) {
        // Bytes before the text read as 0, which is no blank: each counts as part of the word,
        // and on an empty text the last of them is the "last byte".
        count = 1LL - p;
        if (n == 0) return static_cast<int>(std::min<long long>(count, INT_MAX));
        p = 1;
    }
    for (int q = p; q <= n; ++q) {
        unsigned char c = ByteAt(text, q);
        if (q == n) {
            if (!IsSpaceOrTab(c)) ++count;
            break;
        }
        if (IsSpaceOrTab(c) || IsBlankPairAt(text, q)) break;
        ++count;
    }
    return static_cast<int>(std::min<long long>(count, INT_MAX));
}

int SkipBlanksBackward(std::string_view text, int p) {
    if (p > Length(text)) return p;  // bytes past the end read as 0: no blank to step over
    while (p > 0) {
        if (IsSpaceOrTab(ByteAt(text, p))) {
            --p;
        } else if (p < 2) {
            break;
        } else if (IsBlankPairAt(text, p - 1)) {
            p -= 2;
        } else {
            break;
        }
    }
    return p;
}

int FindBlankBackward(std::string_view text, int p) {
    const int n = Length(text);
    if (p > n + 1) p = n + 1;  // past the end nothing is blank; start where bytes begin
    while (p > 0) {
        if (IsSpaceOrTab(ByteAt(text, p))) return p;
        if (p > 1 && IsBlankPairAt(text, p - 1)) return p;
        --p;
    }
    return 0;
}

bool IsDigitEndingAt(std::string_view text, int p) {
    if (!IsDigit(ByteAt(text, p))) return false;
    // A trail byte of two is never a digit, so this shape can only be one character.
    auto lead = [&](int q) { return ByteAt(text, q) >= 0x81 && ByteAt(text, q) <= 0xFE; };
    return !(lead(p - 1) && IsDigit(ByteAt(text, p - 2)) && lead(p - 3));
}

bool IsMobileNumberAt(std::string_view text, int p) {
    if (ByteAt(text, p) != '1') return false;
    unsigned char second = ByteAt(text, p + 1);
    if (second != '3' && second != '5') return false;
    for (int i = 2; i <= 10; ++i) {
        if (!IsDigit(ByteAt(text, p + i))) return false;
    }
    return true;
}

bool IsPhoneAreaCodeAt(std::string_view text, int p) {
    unsigned char fourth = ByteAt(text, p + 3);
    return ByteAt(text, p) == '0' && IsDigit(ByteAt(text, p + 1)) && IsDigit(ByteAt(text, p + 2)) &&
           (fourth == '-' || IsDigit(fourth));
}

std::unique_ptr<char[]> AllocBuffer(std::size_t size, Prompter* prompter) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size == 0 ? 1 : size]);
    if (!buffer) {
        static const std::string message = Gbk(u8"无法内存分配空间！");
        if (prompter != nullptr) prompter->ShowMessage(message);
    }
    return buffer;
}

std::string WithCrLf(std::string text) {
    std::size_t bare = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++bare;
    if (bare == 0) return text;
    std::string out;
    out.reserve(text.size() + bare);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace tallivo
