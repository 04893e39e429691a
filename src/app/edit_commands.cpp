#include "app/edit_commands.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/editor_document.h"
#include "app/field_box_editor.h"
#include "app/font_chooser.h"
#include "app/paste_guard.h"
#include "app/tform_print.h"
#include "app/waybill_panel.h"
#include "forms/workspace.h"
#include "ui_tform_print.h"

namespace tallivo {

EditCommands::EditCommands(TFormPrint& window, FormsWorkspace& workspace, WaybillPanel& panel,
                           FontChooser& fonts, QObject* parent)
    : QObject(parent), window_(window), workspace_(workspace), panel_(panel), fonts_(fonts) {
    Ui::TFormPrint& ui = *window_.ui();
    const auto bind = [this](QAction* action, void (EditCommands::*command)()) {
        connect(action, &QAction::triggered, this, command);
    };
    bind(ui.MenuItemCopy, &EditCommands::MenuItemCopyClick);
    bind(ui.MenuItemPopupCopy, &EditCommands::MenuItemCopyClick);
    bind(ui.MenuItemCut, &EditCommands::MenuItemCutClick);
    bind(ui.MenuItem2, &EditCommands::MenuItemCutClick);
    bind(ui.MenuItemPaste, &EditCommands::MenuItemPasteClick);
    bind(ui.MenuItemPopupPaste, &EditCommands::MenuItemPasteClick);
    bind(ui.MenuItemSelAll, &EditCommands::MenuItemSelAllClick);
    bind(ui.MenuItemPopupSelAll, &EditCommands::MenuItemSelAllClick);
    bind(ui.MenuItemDelete, &EditCommands::MenuItemDeleteClick);
    bind(ui.MenuItemPopupDelete, &EditCommands::MenuItemDeleteClick);
    bind(ui.MenuItemFont, &EditCommands::MenuItemFontClick);
    bind(ui.MenuItemPopupParagraphFont, &EditCommands::MenuItemFontClick);
    connect(ui.SpeedButtonCopy, &QAbstractButton::clicked, this, &EditCommands::MenuItemCopyClick);
    connect(ui.SpeedButtoncut, &QAbstractButton::clicked, this, &EditCommands::MenuItemCutClick);
    connect(ui.SpeedButtonPaste, &QAbstractButton::clicked, this,
            &EditCommands::MenuItemPasteClick);
    connect(ui.SpeedButtonSelectAll, &QAbstractButton::clicked, this,
            &EditCommands::MenuItemSelAllClick);
    connect(ui.SpeedButtonDelete, &QAbstractButton::clicked, this,
            &EditCommands::MenuItemDeleteClick);

    for (auto [left, center, right] :
         {std::tuple{ui.MenuItemParagraphLeft, ui.MenuItemParagraphCenter,
                     ui.MenuItemParagraphRight},
          std::tuple{ui.MenuItemPopupParagraphLeft, ui.MenuItemPopupParagraphCenter,
                     ui.MenuItemPopupParagraphRight}}) {
        connect(left, &QAction::triggered, this,
                [this] { ParagraphAlign(ParagraphAlignment::kLeft); });
        connect(center, &QAction::triggered, this,
                [this] { ParagraphAlign(ParagraphAlignment::kCenter); });
        connect(right, &QAction::triggered, this,
                [this] { ParagraphAlign(ParagraphAlignment::kRight); });
    }
    connect(ui.PopupMenuFormat, &QMenu::aboutToShow, this, &EditCommands::SynchParagraphMenu);
    connect(ui.PopupMenuRichEdit, &QMenu::aboutToShow, this, &EditCommands::SynchParagraphMenu);
}

bool EditCommands::OnMemo() const {
    return workspace_.CurrentTab() == kTabInput;
}

QTextEdit* EditCommands::EditTarget() const {
    switch (workspace_.CurrentTab()) {
        case kTabFreightBill:
            if (FieldBox* box = panel_.FocusedBox()) return WaybillPanel::EditorOf(*box);
            return nullptr;
        case kTabInvoice: {
            QTextEdit* invoice = window_.ui()->RichEditInvoice;
            return invoice->hasFocus() ? invoice : nullptr;
        }
        default:
            return nullptr;
    }
}

QTextEdit* EditCommands::FormatTarget() const {
    if (workspace_.CurrentTab() == kTabInvoice) return window_.ui()->RichEditInvoice;
    return EditTarget();
}

RichTextDocument* EditCommands::DocumentOf(QTextEdit* editor) const {
    if (!editor) return nullptr;
    if (editor == window_.ui()->RichEditInvoice) return &workspace_.Invoice().Body();
    for (const auto& box : workspace_.FreightBill().boxes) {
        if (WaybillPanel::EditorOf(*box) == editor) return box->content.get();
    }
    return nullptr;
}

void EditCommands::MenuItemCopyClick() {
    if (OnMemo()) return window_.ui()->MemoInputText->copy();
    if (QTextEdit* e = EditTarget()) e->copy();
}

void EditCommands::MenuItemCutClick() {
    if (OnMemo()) return window_.ui()->MemoInputText->cut();
    // On the freight bill the flag goes up even when no box takes the cut.
    if (workspace_.CurrentTab() == kTabFreightBill) workspace_.SetFreightBillUnsaved(true);
    if (QTextEdit* e = EditTarget()) e->cut();
}

void EditCommands::MenuItemPasteClick() {
    if (OnMemo()) return window_.ui()->MemoInputText->PasteClipboard();
    if (workspace_.CurrentTab() == kTabFreightBill) workspace_.SetFreightBillUnsaved(true);
    QTextEdit* e = EditTarget();
    if (e && ClipboardOffersText()) e->paste();
    // On the invoice tab the flag goes up even when nothing was pasted.
    if (workspace_.CurrentTab() == kTabInvoice) workspace_.SetInvoiceUnsaved(true);
}

void EditCommands::MenuItemSelAllClick() {
    if (OnMemo()) return window_.ui()->MemoInputText->selectAll();
    if (QTextEdit* e = EditTarget()) e->selectAll();
}

void EditCommands::MenuItemDeleteClick() {
    if (OnMemo()) return window_.ui()->MemoInputText->textCursor().removeSelectedText();
    if (QTextEdit* e = EditTarget()) e->textCursor().removeSelectedText();
}

void EditCommands::ParagraphAlign(ParagraphAlignment alignment) {
    if (RichTextDocument* doc = DocumentOf(FormatTarget())) doc->SetAlignment(alignment);
    SynchParagraphMenu();
}

void EditCommands::SynchParagraphMenu() {
    Ui::TFormPrint& ui = *window_.ui();
    const std::pair<QAction*, QAction*> pairs[] = {
        {ui.MenuItemParagraphLeft, ui.MenuItemPopupParagraphLeft},
        {ui.MenuItemParagraphRight, ui.MenuItemPopupParagraphRight},
        {ui.MenuItemParagraphCenter, ui.MenuItemPopupParagraphCenter}};
    for (const auto& [format, popup] : pairs) {
        format->setChecked(false);
        popup->setChecked(false);
    }
    const RichTextDocument* doc = DocumentOf(FormatTarget());
    if (!doc) return;
    const int index = static_cast<int>(doc->Alignment());
    if (index < 0 || index > 2) return;
    pairs[index].first->setChecked(true);
    pairs[index].second->setChecked(true);
}

void EditCommands::MenuItemFontClick() {
    RichTextDocument* doc = DocumentOf(FormatTarget());
    if (!doc) return;
    const CharAttributes now = doc->SelAttributes();
    FontChoice initial;
    initial.font.setPointSizeF(now.pointSize);
    initial.font.setFamily(now.family);
    initial.font.setBold(now.bold);
    initial.font.setItalic(now.italic);
    initial.font.setUnderline(now.underline);
    initial.font.setStrikeOut(now.strikeOut);
    initial.font.setFixedPitch(now.fixedPitch);
    initial.color = now.color;
    const std::optional<FontChoice> chosen = fonts_.Choose(initial);
    // A confirm that changed nothing leaves the text as it is, mixed formats and all.
    if (!chosen || (!chosen->fontChanged && !chosen->colorChanged)) return;
    CharAttributes next = now;
    if (chosen->fontChanged) {
        next.family = chosen->font.family();
        if (chosen->font.pointSizeF() > 0) next.pointSize = chosen->font.pointSizeF();
        next.bold = chosen->font.bold();
        next.italic = chosen->font.italic();
        next.underline = chosen->font.underline();
        next.strikeOut = chosen->font.strikeOut();
        next.fixedPitch = chosen->font.fixedPitch();
    }
    if (chosen->colorChanged) next.color = chosen->color;
    doc->SetSelAttributes(next);
}

}  // namespace tallivo
