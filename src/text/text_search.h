#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tallivo {

class Prompter;

// Byte-position helpers over GBK text. Positions are 1-based; a byte outside 1..n reads as 0,
// which is no blank, no digit and matches nothing. Blanks are space, tab, the full-width space
// 0xA1 0xA1 and CR LF; bytes are not told apart as lead or trail.

// Position of the first occurrence of `pattern` beginning at or after `start`; 0 when there is
// none, when `start` is 0, or when the pattern is empty. A negative start is reported to
// `prompter` when one is given.
int FindTextFrom(std::string_view text, std::string_view pattern, int start,
                 Prompter* prompter = nullptr);

// First position at or after `p` that does not begin a blank (n + 1 when the rest is blank).
int SkipBlanksForward(std::string_view text, int p);

// Bytes from `p` up to, not including, the first blank or the end of the text.
int WordLengthAt(std::string_view text, int p);

// Last position at or before `p` that does not end a blank; 0 when there is none.
int SkipBlanksBackward(std::string_view text, int p);

// Last byte of the nearest blank at or before `p`; 0 when there is none.
int FindBlankBackward(std::string_view text, int p);

// The character that ends at `p` (p + 1 begins one) is an ASCII digit, not the last byte of a
// GB18030 four-byte character, whose second and fourth bytes are digits. Walking digits back
// from the start of a character needs this; forward from one, a digit is always a digit.
bool IsDigitEndingAt(std::string_view text, int p);

// An 11-digit mobile number beginning 13 or 15 starts at `p`.
bool IsMobileNumberAt(std::string_view text, int p);

// A fixed-line number with its area code ("0" + two digits + "-" or digit) starts at `p`.
bool IsPhoneAreaCodeAt(std::string_view text, int p);

// A new buffer of `size` bytes, or null when memory ran out (reported to `prompter` if given).
std::unique_ptr<char[]> AllocBuffer(std::size_t size, Prompter* prompter = nullptr);

// The byte at 1-based position p, or 0 outside the text.
inline unsigned char ByteAt(std::string_view text, int p) {
    return p >= 1 && static_cast<std::size_t>(p) <= text.size()
               ? static_cast<unsigned char>(text[static_cast<std::size_t>(p) - 1])
               : 0;
}

// A pasted page reaches the program with CR LF line ends, and the parsers count only that pair
// as a blank; text typed, read from a file written on Linux or taken from a widget has bare LF.
// Each bare LF gets its CR; a GBK trail byte is never 0x0A.
std::string WithCrLf(std::string text);

}  // namespace tallivo
