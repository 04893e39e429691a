#include "app/input_memo.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace tallivo {
namespace {

// How far back from the limit a fold looks for a blank to break after.
constexpr int kBlankReach = 200;

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x3000);
}

}  // namespace

InputMemo::InputMemo(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChange, this, &InputMemo::ContentsChange);
}

bool InputMemo::NeedsFolding(const QString& text) {
    int run = 0;
    for (const QChar c : text) {
        run = c == QLatin1Char('\n') ? 0 : run + 1;
        if (run > kFoldAt) return true;
    }
    return false;
}

QString InputMemo::Fold(const QString& text) {
    return Fold(text, nullptr);
}

QString InputMemo::Fold(const QString& text, std::vector<int>* breaks) {
    QString out;
    out.reserve(text.size() + text.size() / kFoldAt + 1);
    int lineStart = 0;
    const int n = static_cast<int>(text.size());
    while (lineStart < n) {
        int end = static_cast<int>(text.indexOf(QLatin1Char('\n'), lineStart));
        if (end < 0) end = n;
        int pos = lineStart;
        while (end - pos > kFoldAt) {
            int cut = pos + kFoldAt;
            for (int i = cut; i > cut - kBlankReach; --i) {
                if (IsBlank(text[i - 1])) {
                    cut = i;
                    break;
                }
            }
            out += QStringView(text).mid(pos, cut - pos);
            if (breaks) breaks->push_back(static_cast<int>(out.size()));
            out += QLatin1Char('\n');
            pos = cut;
        }
        out += QStringView(text).mid(pos, end - pos);
        if (end < n) out += QLatin1Char('\n');
        lineStart = end + 1;
    }
    return out;
}

QString InputMemo::PageText() const {
    return breaks_.empty() ? toPlainText() : page_;
}

void InputMemo::SetPageText(const QString& text) {
    std::vector<int> breaks;
    const QString shown = NeedsFolding(text) ? Fold(text, &breaks) : text;
    setting_ = true;
    setPlainText(shown);
    setting_ = false;
    breaks_ = std::move(breaks);
    page_ = breaks_.empty() ? QString() : text;
    // Undoing the removal of a fold would bring it back as a line break of the page.
    document()->setUndoRedoEnabled(breaks_.empty());
}

void InputMemo::InsertPageText(const QString& text) {
    if (text.isEmpty() || isReadOnly()) return;
    if (breaks_.empty() && !NeedsFolding(text)) {
        insertPlainText(text);
        return;
    }
    const QTextCursor cursor = textCursor();
    const int from = ToPage(cursor.selectionStart());
    const int to = ToPage(cursor.selectionEnd());
    QString page = PageText();
    page.replace(from, to - from, text);
    SetPageText(page);
    QTextCursor caret = textCursor();
    caret.setPosition(ToDisplay(from + static_cast<int>(text.size())));
    setTextCursor(caret);
    ensureCursorVisible();
}

void InputMemo::PasteClipboard(QClipboard::Mode mode) {
    // Read as text only: Qt 6.4 crashes on clipboard data that offers no format at all.
    InsertPageText(QGuiApplication::clipboard()->text(mode));
}

bool InputMemo::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText() && !source->text().isEmpty();
}

void InputMemo::insertFromMimeData(const QMimeData* source) {
    if (!canInsertFromMimeData(source)) return;
    InsertPageText(source->text());
}

int InputMemo::ToPage(int display) const {
    const auto before = std::lower_bound(breaks_.begin(), breaks_.end(), display);
    return display - static_cast<int>(before - breaks_.begin());
}

int InputMemo::ToDisplay(int page) const {
    // The i-th fold sits before page position breaks_[i] - i; a position at a fold stays before it.
    int low = 0;
    int high = static_cast<int>(breaks_.size());
    while (low < high) {
        const int mid = (low + high) / 2;
        if (breaks_[static_cast<size_t>(mid)] - mid < page) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return page + low;
}

QChar InputMemo::DisplayChar(int display) const {
    if (std::binary_search(breaks_.begin(), breaks_.end(), display)) return QLatin1Char('\n');
    return page_[ToPage(display)];
}

void InputMemo::ContentsChange(int position, int removed, int added) {
    if (setting_ || breaks_.empty()) return;
    const int oldLength = static_cast<int>(page_.size() + breaks_.size());
    const int newLength = document()->characterCount() - 1;
    // Qt may report more than changed, even the whole text; only the length difference is sure.
    if (position < 0 || position > oldLength || position > newLength) position = 0;
    removed = std::clamp(removed, 0, oldLength - position);
    added = newLength - oldLength + removed;
    if (added < 0 || position + added > newLength) {
        position = 0;
        removed = oldLength;
        added = newLength;
    }
    QTextCursor cursor(document());
    cursor.setPosition(position);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    // Narrowed to what really differs, so that a fold inside an over-wide report stays a fold.
    int same = 0;
    while (same < removed && same < added && DisplayChar(position + same) == text[same]) ++same;
    int tail = 0;
    while (tail < removed - same && tail < added - same &&
           DisplayChar(position + removed - 1 - tail) == text[added - 1 - tail])
        ++tail;
    position += same;
    removed -= same + tail;
    text = text.mid(same, added - same - tail);
    added = static_cast<int>(text.size());

    const int from = ToPage(position);
    const int to = ToPage(position + removed);
    page_.replace(from, to - from, text);
    const auto first = std::lower_bound(breaks_.begin(), breaks_.end(), position);
    const auto last = std::lower_bound(first, breaks_.end(), position + removed);
    for (auto it = last; it != breaks_.end(); ++it) *it += added - removed;
    breaks_.erase(first, last);
    if (breaks_.empty()) {
        page_.clear();
        document()->setUndoRedoEnabled(true);
    }
}

}  // namespace tallivo
