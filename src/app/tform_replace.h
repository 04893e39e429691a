#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TFormReplace;
}

namespace tallivo {

// The find-and-replace window as laid out in tform_replace.ui: a stay-on-top window with the
// replacement box and four buttons. The three capture commands are only signalled; closing
// destroys the window. The edit commands act on EditReplace, and only while it has the focus.
class TFormReplace : public QWidget {
    Q_OBJECT
public:
    explicit TFormReplace(QWidget* owner = nullptr);
    ~TFormReplace() override;

    Ui::TFormReplace* ui() const { return ui_.get(); }

    QString ReplaceText() const;
    void SetReplaceText(const QString& text);

signals:
    void replaceClicked();     // 替换（&R）
    void replaceAllClicked();  // 全部替换（&A）
    void findClicked();        // 查找下一处（&F）

public slots:
    void MenuItemReplaceClick() { emit replaceClicked(); }
    void MenuItemReplaceAllClick() { emit replaceAllClicked(); }
    void MenuItemFindClick() { emit findClicked(); }
    void MenuItemCloseClick() { close(); }
    void MenuItemCopyClick();
    void MenuItemCutClick();
    void MenuItemPasteClick();
    void MenuItemSelectAllClick();
    void MenuItemDeleteClick();

private:
    bool EditHasFocus() const;

    std::unique_ptr<Ui::TFormReplace> ui_;
};

}  // namespace tallivo
