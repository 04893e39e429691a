#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QTextDocument;

namespace tallivo {
namespace gbk {

// GBK bytes of one UTF-16 unit: 1 for ASCII, 2 for a two-byte character, GB18030's 2 or 4 for
// what GBK lacks. A surrogate pair counts its four bytes on the low half.
int ByteLength(char16_t unit);
// Appends the bytes of one unit (GB18030 when GBK lacks it, "?" for a lone surrogate). Returns
// the count appended.
int Append(std::string& out, char16_t unit);
// The code of a unit code page 936 itself holds: one byte (0x00..0xFF) or lead << 8 | trail; -1
// when only GB18030 holds it.
int Code(char16_t unit);

// Decodes GBK and GB18030; a byte that starts no valid character becomes "?".
QString Decode(std::string_view gbk);
// Decodes Windows-1252.
QString DecodeLatin(std::string_view bytes);

// The plain text of a document in GBK and GB18030 (CR LF between paragraphs, a line break inside a
// paragraph also CR LF) and, when byteAt is given, the byte offset of every document position
// (characterCount() entries, the last one the end of the text).
void DocumentText(const QTextDocument& document, std::string& out, std::vector<int>* byteAt);

}  // namespace gbk
}  // namespace tallivo
