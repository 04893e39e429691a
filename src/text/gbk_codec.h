#pragma once

#include <string>
#include <string_view>

namespace tallivo {

// GBK is code page 936. A character GBK cannot hold becomes one "?"; a byte sequence that is
// not valid in the source encoding becomes one "?" per bad byte, and the rest is still converted.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// True when every byte sequence of the text is valid UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view text);

// A GBK constant from a UTF-8 source literal, converted once: Gbk(u8"收货人").
// Use for texts the program compares with or shows; keep the result, do not call it in a loop.
inline std::string Gbk(std::string_view utf8) {
    return Utf8ToGbk(utf8);
}

// Defines `const std::string& fn()` returning the GBK of a UTF-8 literal, made on first use.
#define TALLIVO_GBK_TEXT(fn, literal)                 \
    const std::string& fn() {                         \
        static const std::string text = Gbk(literal); \
        return text;                                  \
    }

}  // namespace tallivo
