#include "richtext/rich_text_layout.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QImage>
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
std::vector<Line> ShownLines(const std::vector<LaidOutText::Paragraph>& paragraphs, double bottom) {
    std::vector<Line> out;
    for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        const QTextLayout* layout = paragraphs[p].lines;
        for (int i = 0; layout && i < layout->lineCount(); ++i) {
            const QTextLine l = layout->lineAt(i);
            const qreal top = layout->position().y() + l.y();
            out.emplace_back(static_cast<int>(p), l.textStart(), l.textLength(), l.x(), top,
                             l.naturalTextWidth(), l.height());
            if (top + l.height() > bottom + 0.5) return out;
        }
    }
    return out;
}

std::vector<Line> ShownLines(const FittingLayout& fit) {
    return ShownLines(fit.text->Paragraphs(), fit.bottom);
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

// The whole document as it was laid out before: cloned first, set up afterwards.
struct Cloned {
    std::unique_ptr<QTextDocument> doc;
    double bottom = 0;
    std::vector<Line> Lines() const {
        std::vector<LaidOutText::Paragraph> paragraphs;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            paragraphs.push_back({b.position(), b.text(), b.layout()});
        return ShownLines(paragraphs, bottom);
    }
};

Cloned ClonedAndSetUp(const QTextDocument& source, double width, double height) {
    static QImage twips(1, 1, QImage::Format_ARGB32_Premultiplied);
    twips.setDotsPerMeterX(qRound(1440 / 0.0254));
    twips.setDotsPerMeterY(qRound(1440 / 0.0254));
    Cloned out{std::unique_ptr<QTextDocument>(source.clone()), 0};
    QTextDocument& doc = *out.doc;
    doc.documentLayout()->setPaintDevice(&twips);
    doc.setDocumentMargin(0);
    QTextOption option = doc.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(48);
    doc.setDefaultTextOption(option);
    doc.setTextWidth(width);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        doc.documentLayout()->blockBoundingRect(b);
        for (int i = 0; i < b.layout()->lineCount(); ++i) {
            const QTextLine l = b.layout()->lineAt(i);
            const qreal bottom = b.layout()->position().y() + l.y() + l.height();
            if (bottom > height + 0.5) return out;
            out.bottom = bottom;
        }
    }
    return out;
}

// Set up before the text goes in, the copy must break and place lines as a clone does, also
// where the text is gone and only its format is left (a keyword replaced by nothing).
TEST(RichTextLayout, TheCopyIsLaidOutAsACloneOfTheDocument) {
    QTextDocument styled, emptied, plain;
    styled.setDefaultFont(QFont(QStringLiteral("Serif"), 15));
    Append(styled, QString::fromUtf8(u8"收货人：张小明\t13812345678\n地址：文三路478号"), 22, true);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    QTextCursor(&styled).setBlockFormat(centred);
    Append(emptied, QStringLiteral("x"), 30);
    QTextCursor all(&emptied);
    all.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    all.removeSelectedText();
    for (QTextDocument* doc : {&styled, &emptied, &plain}) {
        const FittingLayout copy = LayOutToFit(*doc, 3000, 2000);
        const Cloned clone = ClonedAndSetUp(*doc, 3000, 2000);
        EXPECT_EQ(copy.bottom, clone.bottom);
        EXPECT_EQ(ShownLines(copy), clone.Lines());
    }
}

// A layout is reused only for the same text in the same formats, settings and rectangle.
TEST(RichTextLayout, AReusedLayoutIsOneOfTheSameTextFormatsAndRectangle) {
    const QString text = QString::fromUtf8(u8"收货人：张小明 浙江省杭州市西湖区文三路478号 ");
    QTextDocument plain, again, bold, bigger, wider, edited;
    Append(plain, text);
    Append(again, text);
    Append(bold, text, 12, true);
    Append(bigger, text, 14);
    Append(wider, text);
    wider.setDefaultFont(QFont(QStringLiteral("Serif"), 20));
    Append(edited, text);
    const FittingLayout first = LayOutToFit(plain, 2500, 2000);
    EXPECT_EQ(LayOutToFit(again, 2500, 2000).text, first.text);
    EXPECT_NE(LayOutToFit(plain, 2400, 2000).text, first.text);
    EXPECT_NE(LayOutToFit(plain, 2500, 300).bottom, first.bottom);
    for (const QTextDocument* other : {&bold, &bigger, &wider})
        EXPECT_NE(LayOutToFit(*other, 2500, 2000).text, first.text);
    EXPECT_NE(ShownLines(LayOutToFit(bigger, 2500, 2000)), ShownLines(first));
    EXPECT_EQ(LayOutToFit(edited, 2500, 2000).text, first.text);
    Append(edited, text);
    EXPECT_GT(LayOutToFit(edited, 2500, 2000).bottom, first.bottom);
}

TEST(RichTextLayout, AHugeSingleLineIsLaidOutOnlyAsFarAsTheRectangleShows) {
    QTextDocument doc;
    Append(doc, QString(2'000'000, QLatin1Char('x')));
    const FittingLayout fit = LayOutToFit(doc, 4500, 1500);
    EXPECT_GT(fit.bottom, 0);
    EXPECT_LT(fit.text->CharacterCount(), 200'000);
}

}  // namespace
}  // namespace tallivo
