#pragma once

#include <QString>
#include <QTextDocument>
#include <string>
#include <string_view>

#include "orders/gbk_string.h"

namespace tallivo {

// The whole content as RTF (code page 936, text in GBK, fonts and colours in tables, paragraph
// alignment, bold/italic/underline/strike-out, size, colour). The same content always gives the
// same bytes.
std::string WriteRtf(const QTextDocument& document);

// True when the text begins with an RTF header "{\rtf".
bool LooksLikeRtf(std::string_view text);

// Replaces the whole content. RTF as this program, WordPad, rich-edit controls, Word and
// LibreOffice write it; damaged RTF keeps what was read before the damage. Text that does not
// begin with "{\rtf" is taken as GBK plain text. The result leaves the undo stack empty.
void ReadRtf(QTextDocument& document, std::string_view rtf);

// The same as ReadRtf: a text that begins with an RTF header is taken as formatted content.
inline void SetTextOrRtf(QTextDocument& document, std::string_view gbkOrRtf) {
    ReadRtf(document, gbkOrRtf);
}

// GBK plain text in and out: paragraphs joined by CR LF; GB18030 for what GBK cannot hold.
void SetGbkPlainText(QTextDocument& document, std::string_view gbk);
std::string GbkPlainText(const QTextDocument& document);

}  // namespace tallivo
