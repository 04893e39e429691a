// The edit and format commands of the main window, routed by tab and focus to the editor they
// act on.
#pragma once

#include <QObject>

#include "richtext/rich_text_document.h"

class QTextEdit;

namespace tallivo {

class FontChooser;
class FormsWorkspace;
class TFormPrint;
class WaybillPanel;

class EditCommands : public QObject {
    Q_OBJECT
public:
    EditCommands(TFormPrint& window, FormsWorkspace& workspace, WaybillPanel& panel,
                 FontChooser& fonts, QObject* parent = nullptr);

    void MenuItemCopyClick();
    void MenuItemCutClick();
    void MenuItemPasteClick();
    void MenuItemSelAllClick();
    void MenuItemDeleteClick();

    void ParagraphAlign(ParagraphAlignment alignment);
    void MenuItemFontClick();
    // Ticks the alignment items of both menus after the target's paragraph.
    void SynchParagraphMenu();

private:
    // The editor the edit commands act on; none when they do nothing. The memo is plain text.
    QTextEdit* EditTarget() const;
    // The editor the format commands act on: on the invoice tab whether or not it has focus.
    QTextEdit* FormatTarget() const;
    // The model document behind an editor of the forms, for alignment and attributes.
    RichTextDocument* DocumentOf(QTextEdit* editor) const;
    bool OnMemo() const;

    TFormPrint& window_;
    FormsWorkspace& workspace_;
    WaybillPanel& panel_;
    FontChooser& fonts_;
};

}  // namespace tallivo
