#include "richtext/rich_text_document.h"

#include <QTextBlock>
#include <algorithm>

#include "richtext/char_format.h"
#include "richtext/gbk_tables.h"
#include "richtext/rtf.h"

namespace tallivo {

namespace {

// CR LF, or a lone CR or LF, is one paragraph break.
QString NormalizeBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The format of the first selected character; without a selection, the caret's.
QTextCharFormat FormatAtSelectionStart(const QTextCursor& c) {
    if (!c.hasSelection()) return c.charFormat();
    QTextCursor probe(c.document());
    probe.setPosition(c.selectionStart() + 1);
    return probe.charFormat();
}

}  // namespace

RichTextDocument::RichTextDocument()
    : owned_(std::make_unique<QTextDocument>()), doc_(owned_.get()), cursor_(doc_) {
    changed_ = QObject::connect(doc_, &QTextDocument::contentsChanged, [this] {
        Invalidate();
        loaded_.reset();
    });
}

RichTextDocument::RichTextDocument(QTextDocument* document) : doc_(document), cursor_(doc_) {
    changed_ = QObject::connect(doc_, &QTextDocument::contentsChanged, [this] {
        Invalidate();
        loaded_.reset();
    });
}

RichTextDocument::~RichTextDocument() {
    QObject::disconnect(changed_);
}

const RichTextDocument::ByteMap& RichTextDocument::Map() const {
    // The change signal waits for the end of an edit block; a changed length cannot.
    if (map_.valid && static_cast<int>(map_.byteAt.size()) != doc_->characterCount()) {
        map_.valid = false;
    }
    if (!map_.valid) {
        gbk::DocumentText(*doc_, map_.gbk, &map_.byteAt);
        map_.valid = true;
    }
    return map_;
}

std::string RichTextDocument::PlainText() const {
    return Map().gbk;
}

int RichTextDocument::ByteLength() const {
    return static_cast<int>(Map().gbk.size());
}

int RichTextDocument::DocPosToBytePos(int docPos) const {
    const std::vector<int>& at = Map().byteAt;
    const int last = static_cast<int>(at.size()) - 1;
    return at[static_cast<std::size_t>(std::clamp(docPos, 0, last))];
}

int RichTextDocument::BytePosToDocPos(int bytePos, bool roundUp) const {
    const ByteMap& m = Map();
    const std::vector<int>& at = m.byteAt;
    const int total = static_cast<int>(m.gbk.size());
    const int b = std::clamp(bytePos, 0, total);
    auto it = std::lower_bound(at.begin(), at.end(), b);
    if (it == at.end()) return static_cast<int>(at.size()) - 1;
    if (*it == b || roundUp || it == at.begin()) return static_cast<int>(it - at.begin());
    // Inside a character: back to the first position of the one that holds the byte.
    it = std::lower_bound(at.begin(), at.end(), *(it - 1));
    return static_cast<int>(it - at.begin());
}

int RichTextDocument::SelStart() const {
    return DocPosToBytePos(CurrentCursor().selectionStart());
}

int RichTextDocument::SelLength() const {
    const QTextCursor c = CurrentCursor();
    return DocPosToBytePos(c.selectionEnd()) - DocPosToBytePos(c.selectionStart());
}

void RichTextDocument::SetSelection(int start, int length) {
    const int total = ByteLength();
    const int s = std::clamp(start, 0, total);
    const int len = std::clamp(length, 0, total - s);
    const int from = BytePosToDocPos(s);
    const int to = len == 0 ? from : BytePosToDocPos(s + len, true);
    QTextCursor c = CurrentCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    SetCurrentCursor(c);
}

void RichTextDocument::ReplaceSelection(const std::string& text) {
    QTextCursor c = CurrentCursor();
    const QString insert = NormalizeBreaks(gbk::Decode(text));
    if (c.hasSelection()) {
        // The replaced keyword's font, size and colour carry over to its value.
        const QTextCharFormat format = FormatAtSelectionStart(c);
        c.insertText(insert, format);
    } else {
        c.insertText(insert);
    }
    c.clearSelection();
    Invalidate();
    SetCurrentCursor(c);
}

std::string RichTextDocument::ToRtf() const {
    return WriteRtf(*doc_);
}

void RichTextDocument::LoadRtf(std::string_view rtf) {
    ReadRtf(*doc_, rtf);
    Invalidate();
    SetCurrentCursor(QTextCursor(doc_));
}

void RichTextDocument::SetTextOrRtf(std::string_view text) {
    LoadRtf(text);
}

void RichTextDocument::SetPlainText(std::string_view gbk) {
    SetGbkPlainText(*doc_, gbk);
    Invalidate();
    SetCurrentCursor(QTextCursor(doc_));
}

void RichTextDocument::LoadContent(const RichTextContent& content) {
    if (loaded_ && *loaded_ == content) {
        // A batch puts the same template on the form for every order; most boxes hold no
        // keyword and are as they were loaded.
        doc_->setModified(false);
    } else {
        content.ReplaceContentOf(*doc_);
        Invalidate();
        loaded_ = content;
    }
    SetCurrentCursor(QTextCursor(doc_));
}

ParagraphAlignment RichTextDocument::Alignment() const {
    const QTextCursor c = CurrentCursor();
    const QTextBlock block = doc_->findBlock(c.selectionStart());
    const Qt::Alignment a = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter) return ParagraphAlignment::kCenter;
    if (a & (Qt::AlignRight | Qt::AlignTrailing)) return ParagraphAlignment::kRight;
    if (a & Qt::AlignJustify) return ParagraphAlignment::kOther;
    return ParagraphAlignment::kLeft;
}

void RichTextDocument::SetAlignment(ParagraphAlignment alignment) {
    Qt::Alignment a;
    switch (alignment) {
        case ParagraphAlignment::kLeft:
            a = Qt::AlignLeft;
            break;
        case ParagraphAlignment::kRight:
            a = Qt::AlignRight;
            break;
        case ParagraphAlignment::kCenter:
            a = Qt::AlignHCenter;
            break;
        case ParagraphAlignment::kOther:
            return;
    }
    QTextCursor c = CurrentCursor();
    QTextBlockFormat f;
    f.setAlignment(a);
    c.mergeBlockFormat(f);
    SetCurrentCursor(c);
}

CharAttributes RichTextDocument::SelAttributes() const {
    const QTextCharFormat f = FormatAtSelectionStart(CurrentCursor());
    CharAttributes a;
    a.family = EffectiveFamily(f, *doc_);
    a.pointSize = EffectivePointSize(f, *doc_);
    a.bold = EffectiveBold(f);
    a.italic = f.fontItalic();
    a.underline = f.fontUnderline();
    a.strikeOut = f.fontStrikeOut();
    a.color = EffectiveColor(f);
    a.fixedPitch = f.fontFixedPitch();
    return a;
}

void RichTextDocument::SetSelAttributes(const CharAttributes& a) {
    // All attributes at once, as the font dialog gives them; an invalid colour is automatic.
    QTextCharFormat f;
    if (!a.family.isEmpty()) f.setFontFamilies({a.family});
    if (a.pointSize > 0) f.setFontPointSize(a.pointSize);
    f.setFontWeight(a.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(a.italic);
    f.setFontUnderline(a.underline);
    f.setFontStrikeOut(a.strikeOut);
    if (a.color.isValid()) f.setForeground(a.color);
    f.setFontFixedPitch(a.fixedPitch);
    QTextCursor c = CurrentCursor();
    c.setCharFormat(f);
    SetCurrentCursor(c);
}

QTextCursor RichTextDocument::CurrentCursor() const {
    return cursor_;
}

void RichTextDocument::SetCurrentCursor(const QTextCursor& cursor) {
    cursor_ = cursor;
}

}  // namespace tallivo
