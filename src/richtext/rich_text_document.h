#pragma once

#include <QColor>
#include <QString>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/text_document.h"
#include "richtext/rich_text_content.h"

namespace tallivo {

// Values as the formatting commands number them; Other is justified or anything else.
enum class ParagraphAlignment { kLeft = 0, kRight = 1, kCenter = 2, kOther = 3 };

// What the font command reads from and writes to a selection.
struct CharAttributes {
    QString family;
    double pointSize = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color;  // invalid: the default (automatic) colour
    bool fixedPitch = false;
};

// A QTextDocument seen as GBK bytes: plain text with CR LF between paragraphs, and a selection
// read and set in byte positions of that text. The byte map is cached until the next change.
//
// The selection lives in a QTextCursor. A widget that shows the document (a QTextEdit) keeps
// its own cursor: derive and override CurrentCursor/SetCurrentCursor and the focus calls.
class RichTextDocument : public TextDocument {
public:
    // Owns a fresh document.
    RichTextDocument();
    // Works on a document owned elsewhere (for example a QTextEdit's); it must outlive this.
    explicit RichTextDocument(QTextDocument* document);
    ~RichTextDocument() override;
    RichTextDocument(const RichTextDocument&) = delete;
    RichTextDocument& operator=(const RichTextDocument&) = delete;

    QTextDocument* Document() { return doc_; }
    const QTextDocument* Document() const { return doc_; }

    // TextDocument
    std::string PlainText() const override;
    int SelStart() const override;
    int SelLength() const override;
    void SetSelection(int start, int length) override;
    void ReplaceSelection(const std::string& text) override;
    bool CanFocus() const override { return canFocus_; }
    void SetFocus() override { focused_ = canFocus_; }
    bool Focused() const override { return focused_; }
    void SetCanFocus(bool can) { canFocus_ = can; }
    void SetFocused(bool focused) { focused_ = focused; }

    // Whole content. SetTextOrRtf takes text beginning with "{\rtf" as RTF, anything else as
    // GBK plain text (CR LF, CR or LF start a paragraph). Each leaves the caret at the start.
    std::string ToRtf() const;
    void LoadRtf(std::string_view rtf);
    void SetTextOrRtf(std::string_view gbkOrRtf);
    void SetPlainText(std::string_view gbk);
    void LoadContent(const RichTextContent& content);

    // Byte <-> document position. A byte inside a two-byte character or inside CR LF maps to
    // the start of that character (roundUp: to its end). Out-of-range values are clamped.
    int BytePosToDocPos(int bytePos, bool roundUp = false) const;
    int DocPosToBytePos(int docPos) const;
    int ByteLength() const;

    // Alignment of the paragraph at the selection start; setting covers every paragraph the
    // selection touches, or the caret's paragraph.
    ParagraphAlignment Alignment() const;
    void SetAlignment(ParagraphAlignment alignment);

    // Attributes at the selection start (a selection reads its first character); setting
    // applies to the selection, or to what is typed next at the caret.
    CharAttributes SelAttributes() const;
    void SetSelAttributes(const CharAttributes& attributes);

    virtual QTextCursor CurrentCursor() const;
    virtual void SetCurrentCursor(const QTextCursor& cursor);

private:
    struct ByteMap {
        bool valid = false;
        std::string gbk;          // the plain text
        std::vector<int> byteAt;  // byte offset of every document position, and of the end
    };
    const ByteMap& Map() const;
    void Invalidate() const { map_.valid = false; }

    std::unique_ptr<QTextDocument> owned_;
    QTextDocument* doc_;
    QTextCursor cursor_;
    QMetaObject::Connection changed_;
    mutable ByteMap map_;
    bool canFocus_ = true;
    bool focused_ = false;
    // The content last loaded, while no change has followed: loading it again changes nothing.
    std::optional<RichTextContent> loaded_;
};

}  // namespace tallivo
