#include "app/editor_document.h"

namespace tallivo {

EditorDocument::EditorDocument(QTextEdit* editor, bool ownsEditor)
    : RichTextDocument(editor->document()), editor_(editor), owns_(ownsEditor) {}

EditorDocument::~EditorDocument() {
    // Later, not now: the editor may be the one whose key press removes its own box.
    if (owns_ && editor_) {
        editor_->hide();
        editor_->deleteLater();
    }
}

bool EditorDocument::CanFocus() const {
    return editor_ && editor_->isVisible() && editor_->isEnabled();
}

void EditorDocument::SetFocus() {
    if (CanFocus()) editor_->setFocus(Qt::OtherFocusReason);
}

bool EditorDocument::Focused() const {
    return editor_ && editor_->hasFocus();
}

QTextCursor EditorDocument::CurrentCursor() const {
    return editor_ ? editor_->textCursor() : RichTextDocument::CurrentCursor();
}

void EditorDocument::SetCurrentCursor(const QTextCursor& cursor) {
    if (editor_) {
        editor_->setTextCursor(cursor);
    } else {
        RichTextDocument::SetCurrentCursor(cursor);
    }
}

}  // namespace tallivo
