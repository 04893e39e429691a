#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo {
namespace gbk {

// GBK bytes of one UTF-16 unit: 1 for ASCII and for what GBK lacks ("?"), 2 for a two-byte
// character. Separators of QTextDocument (paragraph, line) are not handled here.
int ByteLength(char16_t unit);
// Appends the GBK bytes of one unit ("?" when GBK lacks it).
void Append(std::string& out, char16_t unit);

// Decodes GBK; a byte that starts no valid character becomes "?".
QString Decode(std::string_view gbk);
// Decodes Windows-1252 (the RTF default code page).
QString DecodeLatin(std::string_view bytes);

}  // namespace gbk
}  // namespace tallivo
