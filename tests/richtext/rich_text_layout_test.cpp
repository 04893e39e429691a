#include "richtext/rich_text_layout.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <limits>
#include <tuple>
#include <vector>

namespace tallivo {
namespace {

using Line = std::tuple<int, int, int, qreal, qreal, qreal, qreal>;

// Every line down to the first one below the fitting bottom: where its text starts, how long it
// is and where it sits. Equal lists draw equal pixels.
std::vector<Line> ShownLines(const FittingLayout& fit) {
    std::vector<Line> out;
    QTextDocument& doc = *fit.document;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        doc.documentLayout()->blockBoundingRect(b);
        const QTextLayout* layout = b.layout();
        for (int i = 0; layout && i < layout->lineCount(); ++i) {
            const QTextLine l = layout->lineAt(i);
            const qreal top = layout->position().y() + l.y();
            out.emplace_back(b.blockNumber(), l.textStart(), l.textLength(), l.x(), top,
                             l.naturalTextWidth(), l.height());
            if (top + l.height() > fit.bottom + 0.5) return out;
        }
    }
    return out;
}

void Append(QTextDocument& doc, const QString& text, qreal points = 12, bool bold = false) {
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    QTextCharFormat f;
    f.setFontPointSize(points);
    if (bold) f.setFontWeight(QFont::Bold);
    c.insertText(text, f);
}

TEST(RichTextLayout, ACopyCutShortShowsTheSameLinesAsTheWholeDocument) {
    QTextDocument oneWord, words, paragraphs, shortText;
    Append(oneWord, QString(3000, QLatin1Char('w')));
    for (int i = 0; i < 120; ++i)
        Append(words, QString::fromUtf8(u8"浙江省杭州市 Wensan Road 478号 "), 9 + i % 5 * 3, i % 2);
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    QTextCursor(&words).setBlockFormat(justified);
    for (int i = 0; i < 400; ++i) Append(paragraphs, i % 7 ? "line\n" : "a longer line here\n");
    Append(shortText, QString::fromUtf8(u8"收货人：张小明"));

    const std::pair<double, double> rects[] = {{2000, 600}, {4500, 1500}, {10772, 15700}};
    for (QTextDocument* doc : {&oneWord, &words, &paragraphs, &shortText}) {
        for (const auto& [w, h] : rects) {
            const FittingLayout whole = LayOutToFit(*doc, w, h, std::numeric_limits<int>::max());
            // In the small rectangle every place of the first cut within the first lines.
            const int step = w < 3000 ? 1 : 97;
            for (int first = 1; first < 200; first += step) {
                const FittingLayout cut = LayOutToFit(*doc, w, h, first);
                ASSERT_EQ(cut.bottom, whole.bottom) << w << "x" << h << " " << first;
                ASSERT_EQ(ShownLines(cut), ShownLines(whole)) << w << "x" << h << " " << first;
            }
        }
    }
}

TEST(RichTextLayout, AHugeSingleLineIsLaidOutOnlyAsFarAsTheRectangleShows) {
    QTextDocument doc;
    Append(doc, QString(2'000'000, QLatin1Char('x')));
    const FittingLayout fit = LayOutToFit(doc, 4500, 1500);
    EXPECT_GT(fit.bottom, 0);
    EXPECT_LT(fit.document->characterCount(), 200'000);
}

}  // namespace
}  // namespace tallivo
