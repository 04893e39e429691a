#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tallivo {

// Text leaves the program as GBK, code page 936. A character GBK cannot hold is written as
// GB18030, which holds every character and is byte for byte GBK for every character GBK holds,
// so text GBK can hold gives the same bytes as before. Its extra characters take two bytes or
// four; the second and fourth bytes of a four-byte one are ASCII digits.
// Only a byte sequence that is not valid UTF-8 becomes "?": one for each character cut short,
// one for each other bad byte.
std::string Utf8ToGbk(std::string_view utf8);
// Decodes GBK and GB18030; a byte that starts no valid character becomes "?".
std::string GbkToUtf8(std::string_view gbk);

// Text a seller pasted or a browser handed over, as GBK: U+00A0 and the other Unicode spaces
// become an ASCII space, zero-width characters and byte-order marks are dropped. Pages are full
// of &nbsp;, and the capture counts only ASCII and full-width blanks.
std::string PastedUtf8ToGbk(std::string_view utf8);
// The same cleaning, staying UTF-8.
std::string CleanPastedUtf8(std::string_view utf8);

// True when every byte sequence of the text is valid UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view text);

// Code page 936 itself has the character (one byte or two), as other programs reading "GBK"
// expect; false for what only GB18030 holds.
bool GbkHolds(char32_t c);
// Appends what Utf8ToGbk writes for one character; returns the bytes appended.
int AppendGbkCharacter(std::string& out, char32_t c);
// The character whose GBK or GB18030 bytes begin at gbk[at], and their count in *length;
// kNoCharacter (with *length 1) when no valid character begins there.
inline constexpr char32_t kNoCharacter = 0xFFFFFFFF;
char32_t GbkCharacterAt(std::string_view gbk, std::size_t at, std::size_t* length);

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
