// Laying a document out for drawing into a rectangle. Only what the rectangle can show is laid
// out: Qt's line breaking is slow on very long paragraphs (a single word of a hundred thousand
// characters takes seconds, and the time grows with the square of its length), while a box
// shows a few lines of it.
#pragma once

#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>
#include <memory>
#include <vector>

namespace tallivo {

// Qt's text layout keeps positions in 26.6 fixed point; wider lines wrap at random. This is
// about 300 metres, wider than any paper: wider rectangles are laid out at this width.
inline constexpr double kMaxLayoutTwips = 1 << 24;

// A document's text, or as much of it as a rectangle can show, laid out in twips at the
// rectangle's width: a copy of the document, or, for paragraphs of plain runs, their lines made
// directly, placed where the document's own layout would place them.
class LaidOutText {
public:
    struct Paragraph {
        int position = 0;  // of its first character in the document
        QString text;
        // Null or without lines when the fitting did not reach it.
        const QTextLayout* lines = nullptr;
    };
    virtual ~LaidOutText() = default;
    virtual std::vector<Paragraph> Paragraphs() const = 0;
    // As QTextDocument::characterCount: the text laid out and a mark after each paragraph.
    virtual int CharacterCount() const = 0;
    // The rectangle's width, or that of the widest line when it is wider.
    virtual double Width() const = 0;
    // Draws the lines that reach into `clip` (layout units) in the text's colours, black where
    // it has none.
    virtual void Draw(QPainter& painter, const QRectF& clip) const = 0;
};

struct FittingLayout {
    // Read only: a later call may hand out the same text.
    std::shared_ptr<const LaidOutText> text;
    // Bottom of the last whole line within the height (layout units, from the top).
    double bottom = 0;
};

// Lays `document` out at `width` twips and finds the bottom of the last line that ends within
// `height` twips. Lines above that bottom, and the first line below it, are exactly those of
// the whole document; lines further down may not be. `firstPrefixChars` is how much a first
// copy takes when the document is longer (0: judged from the rectangle); each further try
// takes four times as much.
// A short document of the same text, formats and settings as one laid out in the same
// rectangle a short while before gets that layout again: a batch repeats the template's boxes
// that no keyword changed, and the fit check and the drawing lay out the same page.
FittingLayout LayOutToFit(const QTextDocument& document, double width, double height,
                          int firstPrefixChars = 0);

}  // namespace tallivo
