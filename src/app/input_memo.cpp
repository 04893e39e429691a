#include "app/input_memo.h"

#include <QMimeData>
#include <QTextCursor>

namespace tallivo {
namespace {

// How far back from the limit a fold looks for a blank to break after.
constexpr int kBlankReach = 200;

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x3000);
}

}  // namespace

InputMemo::InputMemo(QWidget* parent) : QPlainTextEdit(parent) {}

bool InputMemo::NeedsFolding(const QString& text) {
    int run = 0;
    for (const QChar c : text) {
        run = c == QLatin1Char('\n') ? 0 : run + 1;
        if (run > kFoldAt) return true;
    }
    return false;
}

QString InputMemo::Fold(const QString& text) {
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
    if (folded_ && document()->revision() == revision_) return page_;
    return toPlainText();
}

void InputMemo::SetPageText(const QString& text) {
    if (!NeedsFolding(text)) {
        folded_ = false;
        page_.clear();
        setPlainText(text);
        return;
    }
    setPlainText(Fold(text));
    page_ = text;
    folded_ = true;
    revision_ = document()->revision();
}

void InputMemo::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText() || !NeedsFolding(source->text())) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // The paste lands where the caret is, in the page as it will be kept.
    const QTextCursor cursor = textCursor();
    QString page = toPlainText();
    page.replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(),
                 source->text());
    SetPageText(page);
}

}  // namespace tallivo
