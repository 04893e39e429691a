#include "app/tform_replace.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>

#include "app/context_menu.h"
#include "ui_tform_replace.h"

namespace tallivo {
namespace {

constexpr int kFontPixelSize = 13;
constexpr int kDesignLeft = 441;
constexpr int kDesignTop = 745;

}  // namespace

TFormReplace::TFormReplace(QWidget* owner) : QWidget(owner), ui_(new Ui::TFormReplace) {
    ui_->setupUi(this);
    // A window of its own over the owner, kept on top; fixed border, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    move(kDesignLeft, kDesignTop);
    QFont designFont = font();
    designFont.setPixelSize(kFontPixelSize);
    setFont(designFont);

    Ui::TFormReplace& ui = *ui_;
    connect(ui.SpeedButtonReplace, &QAbstractButton::clicked, this,
            &TFormReplace::MenuItemReplaceClick);
    connect(ui.SpeedButtonReplaceAll, &QAbstractButton::clicked, this,
            &TFormReplace::MenuItemReplaceAllClick);
    connect(ui.SpeedButtonFind, &QAbstractButton::clicked, this, &TFormReplace::MenuItemFindClick);
    connect(ui.SpeedButtonClose, &QAbstractButton::clicked, this,
            &TFormReplace::MenuItemCloseClick);
    connect(ui.MenuItemReplace, &QAction::triggered, this, &TFormReplace::MenuItemReplaceClick);
    connect(ui.MenuItemReplaceAll, &QAction::triggered, this,
            &TFormReplace::MenuItemReplaceAllClick);
    connect(ui.MenuItemFind, &QAction::triggered, this, &TFormReplace::MenuItemFindClick);
    connect(ui.MenuItemClose, &QAction::triggered, this, &TFormReplace::MenuItemCloseClick);
    connect(ui.MenuItemCopy, &QAction::triggered, this, &TFormReplace::MenuItemCopyClick);
    connect(ui.MenuItemCut, &QAction::triggered, this, &TFormReplace::MenuItemCutClick);
    connect(ui.MenuItemPaste, &QAction::triggered, this, &TFormReplace::MenuItemPasteClick);
    connect(ui.MenuItemSelectAll, &QAction::triggered, this, &TFormReplace::MenuItemSelectAllClick);
    connect(ui.MenuItemDelete, &QAction::triggered, this, &TFormReplace::MenuItemDeleteClick);

    UseContextMenu(this, ui.PopupMenuReplace);
    UseContextMenu(ui.EditReplace, ui.PopupMenuEdit);
    UseMenuShortcuts(ui.EditReplace, ui.PopupMenuEdit);
    ui.EditReplace->setFocus();
}

TFormReplace::~TFormReplace() = default;

QString TFormReplace::ReplaceText() const {
    return ui_->EditReplace->text();
}

void TFormReplace::SetReplaceText(const QString& text) {
    ui_->EditReplace->setText(text);
}

bool TFormReplace::EditHasFocus() const {
    return ui_->EditReplace->hasFocus();
}

void TFormReplace::MenuItemCopyClick() {
    if (EditHasFocus()) ui_->EditReplace->copy();
}

void TFormReplace::MenuItemCutClick() {
    if (EditHasFocus()) ui_->EditReplace->cut();
}

void TFormReplace::MenuItemPasteClick() {
    if (EditHasFocus()) ui_->EditReplace->paste();
}

void TFormReplace::MenuItemSelectAllClick() {
    if (EditHasFocus()) ui_->EditReplace->selectAll();
}

void TFormReplace::MenuItemDeleteClick() {
    // QLineEdit::del() takes the next character when nothing is selected.
    if (EditHasFocus() && ui_->EditReplace->hasSelectedText()) ui_->EditReplace->del();
}

}  // namespace tallivo
