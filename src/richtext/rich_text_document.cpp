#include "richtext/rich_text_document.h"

#include "richtext/rtf.h"

namespace tallivo {

RichTextDocument::RichTextDocument()
    : owned_(std::make_unique<QTextDocument>()), doc_(owned_.get()), cursor_(doc_) {}
RichTextDocument::RichTextDocument(QTextDocument* document) : doc_(document), cursor_(doc_) {}
RichTextDocument::~RichTextDocument() = default;

std::string RichTextDocument::PlainText() const {
    return GbkPlainText(*doc_);
}
int RichTextDocument::SelStart() const {
    return 0;
}
int RichTextDocument::SelLength() const {
    return 0;
}
void RichTextDocument::SetSelection(int, int) {}
void RichTextDocument::ReplaceSelection(const std::string&) {}
std::string RichTextDocument::ToRtf() const {
    return WriteRtf(*doc_);
}
void RichTextDocument::LoadRtf(std::string_view rtf) {
    ReadRtf(*doc_, rtf);
}
void RichTextDocument::SetTextOrRtf(std::string_view text) {
    ReadRtf(*doc_, text);
}
void RichTextDocument::SetPlainText(std::string_view gbk) {
    SetGbkPlainText(*doc_, gbk);
}
int RichTextDocument::BytePosToDocPos(int, bool) const {
    return 0;
}
int RichTextDocument::DocPosToBytePos(int) const {
    return 0;
}
int RichTextDocument::ByteLength() const {
    return 0;
}
ParagraphAlignment RichTextDocument::Alignment() const {
    return ParagraphAlignment::Left;
}
void RichTextDocument::SetAlignment(ParagraphAlignment) {}
CharAttributes RichTextDocument::SelAttributes() const {
    return {};
}
void RichTextDocument::SetSelAttributes(const CharAttributes&) {}
QTextCursor RichTextDocument::CurrentCursor() const {
    return cursor_;
}
void RichTextDocument::SetCurrentCursor(const QTextCursor& cursor) {
    cursor_ = cursor;
}
const RichTextDocument::ByteMap& RichTextDocument::Map() const {
    return map_;
}

}  // namespace tallivo
