#pragma once

#include <QList>
#include <QMainWindow>
#include <functional>
#include <memory>

class QMenu;

namespace Ui {
class TFormPrint;
}

namespace tallivo {

class MenuStyle;

// The main window as laid out in tform_print.ui: tool bar, flat buttons, the three tabs and
// the seven pop-up menus, every control named as the layout names it. It shows and forwards;
// the behaviour is installed from outside through ui(), the signals and the virtual hooks.
class TFormPrint : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormPrint(QWidget* parent = nullptr);
    ~TFormPrint() override;

    Ui::TFormPrint* ui() const { return ui_.get(); }

    // The pop-up menus in the order they are made owner-drawn: File, Edit, Format, Template,
    // RichEdit, Help, AddKeyWord.
    QList<QMenu*> PopupMenus() const;

    // Decides whether the window may close; without one it always may.
    void SetCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

signals:
    void formShow();
    void formClose();
    void pageControlPrintChange(int tab);
    // Local files dropped on the window.
    void filesDropped(const QStringList& paths);

protected:
    // Runs once, when the window is first shown.
    virtual void FormShow();
    // Asked on every attempt to close; false keeps the window open.
    virtual bool FormCloseQuery();
    virtual void FormClose();
    // The page control's current tab changed.
    virtual void PageControlPrintChange(int tab);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Files dropped on the editors open too, instead of landing as their names.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpMenus();
    void SetUpControls();

    std::unique_ptr<Ui::TFormPrint> ui_;
    MenuStyle* menuStyle_ = nullptr;
    std::function<bool()> closeQuery_;
    bool shown_ = false;
};

}  // namespace tallivo
