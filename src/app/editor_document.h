// A rich-text model document whose selection and focus are those of the editor showing it, so
// that what the capture engine selects is what the user sees selected.
#pragma once

#include <QPointer>
#include <QTextEdit>

#include "richtext/rich_text_document.h"

namespace tallivo {

class EditorDocument : public RichTextDocument {
public:
    // With ownsEditor the editor goes with the document (a field box goes with its model).
    EditorDocument(QTextEdit* editor, bool ownsEditor);
    ~EditorDocument() override;

    QTextEdit* Editor() const { return editor_; }

    bool CanFocus() const override;
    void SetFocus() override;
    bool Focused() const override;
    QTextCursor CurrentCursor() const override;
    void SetCurrentCursor(const QTextCursor& cursor) override;

private:
    QPointer<QTextEdit> editor_;
    bool owns_;
};

}  // namespace tallivo
