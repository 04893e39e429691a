// The input memo. A pasted page may come as one enormous line, which a text editor lays out
// as a whole on every change; such lines are shown folded. The page is the model and the
// folded text only its display: every edit of the display is carried into the page, so the
// breaks the fold inserts never reach capture.
#pragma once

#include <QClipboard>
#include <QPlainTextEdit>
#include <vector>

namespace tallivo {

class InputMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    // Lines longer than this are shown folded.
    static constexpr int kFoldAt = 4000;

    explicit InputMemo(QWidget* parent = nullptr);

    // The page exactly as pasted, handed over or typed, without the display's folds.
    QString PageText() const;
    // Replaces the whole text, folding what needs it.
    void SetPageText(const QString& text);
    // Puts `text` in place of the selection, as a paste does; nothing happens for no text.
    void InsertPageText(const QString& text);
    // Pastes the clipboard's text, if it holds any.
    void PasteClipboard(QClipboard::Mode mode = QClipboard::Clipboard);

    // The text with a line break put into every run longer than kFoldAt, after a blank near
    // the limit when there is one.
    static QString Fold(const QString& text);
    static bool NeedsFolding(const QString& text);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    static QString Fold(const QString& text, std::vector<int>* breaks);
    void ContentsChange(int position, int removed, int added);
    // Page position of a display position: the folds before it do not count.
    int ToPage(int display) const;
    int ToDisplay(int page) const;
    QChar DisplayChar(int display) const;

    QString page_;
    // Display positions of the line breaks the fold inserted, ascending. Empty when the display
    // is the page.
    std::vector<int> breaks_;
    bool setting_ = false;
};

}  // namespace tallivo
