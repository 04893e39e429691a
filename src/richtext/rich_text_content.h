#pragma once

#include <QString>
#include <QTextDocument>
#include <QTextFormat>
#include <optional>
#include <vector>

namespace tallivo {

// A document's paragraphs, with their formats and formatted runs, held apart from any document.
// Putting it into a document again is much cheaper than reading its RTF again, which matters
// when a batch puts the same template on the form for every order.
class RichTextContent {
public:
    // Nothing for a document with frames, tables, lists or objects, which this cannot hold.
    static std::optional<RichTextContent> Of(const QTextDocument& document);

    // Replaces the whole content, leaving the undo stack empty, as reading a file does.
    void ReplaceContentOf(QTextDocument& document) const;
    // Fills a document that is still empty, keeping its settings and frame format.
    void FillEmpty(QTextDocument& document) const;

    bool operator==(const RichTextContent& o) const { return blocks_ == o.blocks_; }

private:
    struct Run {
        QString text;
        QTextCharFormat format;
        bool operator==(const Run& o) const { return text == o.text && format == o.format; }
    };
    struct Block {
        QTextBlockFormat format;
        QTextCharFormat charFormat;
        std::vector<Run> runs;
        bool operator==(const Block& o) const {
            return format == o.format && charFormat == o.charFormat && runs == o.runs;
        }
    };
    std::vector<Block> blocks_;
};

}  // namespace tallivo
