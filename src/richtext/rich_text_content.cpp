#include "richtext/rich_text_content.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>

namespace tallivo {

std::optional<RichTextContent> RichTextContent::Of(const QTextDocument& document) {
    if (!document.rootFrame()->childFrames().isEmpty()) return std::nullopt;
    RichTextContent content;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.textList() || block.blockFormat().objectIndex() != -1) return std::nullopt;
        Block kept{block.blockFormat(), block.charFormat(), {}};
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectIndex() != -1 || format.isImageFormat()) return std::nullopt;
            kept.runs.push_back({fragment.text(), format});
        }
        content.blocks_.push_back(std::move(kept));
    }
    return content;
}

void RichTextContent::ReplaceContentOf(QTextDocument& document) const {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    FillEmpty(document);
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

void RichTextContent::FillEmpty(QTextDocument& document) const {
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        const Block& block = blocks_[i];
        if (i == 0) {
            cursor.setBlockFormat(block.format);
            cursor.setBlockCharFormat(block.charFormat);
        } else {
            cursor.insertBlock(block.format, block.charFormat);
        }
        for (const Run& run : block.runs) cursor.insertText(run.text, run.format);
    }
    cursor.endEditBlock();
}

}  // namespace tallivo
