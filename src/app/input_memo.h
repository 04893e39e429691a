// The input memo. A pasted page may come as one enormous line, which a text editor lays out
// as a whole on every change; such lines are shown folded, and the page is kept as it came.
#pragma once

#include <QPlainTextEdit>

namespace tallivo {

class InputMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    // Lines longer than this are shown folded.
    static constexpr int kFoldAt = 4000;

    explicit InputMemo(QWidget* parent = nullptr);

    // The page as it was pasted or set, for capture: unfolded while the user has not edited
    // the folded text; after an edit, the text as shown.
    QString PageText() const;
    // Replaces the whole text, folding what needs it.
    void SetPageText(const QString& text);

    // The text with a line break put into every run longer than kFoldAt, after a blank near
    // the limit when there is one.
    static QString Fold(const QString& text);
    static bool NeedsFolding(const QString& text);

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    QString page_;
    bool folded_ = false;
    int revision_ = -1;
};

}  // namespace tallivo
