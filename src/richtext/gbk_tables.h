#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QTextDocument;

namespace tallivo {
namespace gbk {

// GBK bytes of one UTF-16 unit: 1 for ASCII and for what GBK lacks ("?"), 2 for a two-byte
// character. A surrogate pair counts its "?" on the low half.
int ByteLength(char16_t unit);
// Appends the GBK bytes of one unit ("?" when GBK lacks it). Returns the count appended.
int Append(std::string& out, char16_t unit);
// The code of a unit GBK holds: one byte (0x00..0xFF) or lead << 8 | trail; -1 when it lacks it.
int Code(char16_t unit);

// Decodes GBK; a byte that starts no valid character becomes "?".
QString Decode(std::string_view gbk);
// Decodes Windows-1252.
QString DecodeLatin(std::string_view bytes);

// The plain text of a document in GBK (CR LF between paragraphs, a line break inside a
// paragraph also CR LF) and, when byteAt is given, the byte offset of every document position
// (characterCount() entries, the last one the end of the text).
void DocumentText(const QTextDocument& document, std::string& out, std::vector<int>* byteAt);

}  // namespace gbk
}  // namespace tallivo
