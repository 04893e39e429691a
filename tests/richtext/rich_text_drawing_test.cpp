#include "richtext/rich_text_drawing.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTextCursor>
#include <limits>

namespace tallivo {
namespace {

TEST(RichTextDrawing, TwipsArithmetic) {
    const float ppmm600 = PixelsPerMm(600);
    EXPECT_FLOAT_EQ(ppmm600, 23.622047f);
    EXPECT_EQ(static_cast<int>(10 * ppmm600), 236);
    EXPECT_EQ(DeviceToTwips(236, ppmm600), 566);
    EXPECT_EQ(TwipsToDevice(566, ppmm600), 235);
    EXPECT_EQ(DeviceToTwips(-236, ppmm600), -566);  // toward zero
    EXPECT_EQ(TwipsToDevice(1440, PixelsPerMm(96)), 96);
    EXPECT_EQ(DeviceToTwips(5, 0), 0);
}

QImage Canvas(double dpi, double widthMm, double heightMm) {
    QImage image(static_cast<int>(widthMm / 25.4 * dpi), static_cast<int>(heightMm / 25.4 * dpi),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    return image;
}

// Ink bounds in millimetres.
QRectF InkMm(const QImage& image, double dpi) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(row[x]) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) return QRectF();
    const double k = 25.4 / dpi;
    return QRectF(left * k, top * k, (right + 1 - left) * k, (bottom + 1 - top) * k);
}

QTextDocument* Sample(QTextDocument* doc, int lines) {
    QTextCursor c(doc);
    QTextCharFormat f;
    f.setFontPointSize(20);
    for (int i = 0; i < lines; ++i) {
        if (i) c.insertBlock();
        c.insertText(QString::fromUtf8(u8"中文 ABC 收货人"), f);
    }
    return doc;
}

TEST(RichTextDrawing, SamePhysicalPlaceAtAnyResolution) {
    QTextDocument doc;
    Sample(&doc, 2);
    const double dpis[3] = {96, 600, 1200};
    QRectF ink[3];
    double bottomMm[3];
    for (int i = 0; i < 3; ++i) {
        QImage image = Canvas(dpis[i], 75, 30);
        QPainter p(&image);
        const double k = dpis[i] / 25.4;
        const QRect rect(int(10 * k), int(5 * k), int(60 * k), int(24 * k));
        bottomMm[i] = (DrawRichText(p, doc, rect) - rect.top()) / k;
        p.end();
        ink[i] = InkMm(image, dpis[i]);
        ASSERT_FALSE(ink[i].isEmpty());
    }
    for (int i = 1; i < 3; ++i) {
        EXPECT_NEAR(ink[0].left(), ink[i].left(), 0.5);
        EXPECT_NEAR(ink[0].top(), ink[i].top(), 0.5);
        EXPECT_NEAR(ink[0].right(), ink[i].right(), 0.8);
        EXPECT_NEAR(ink[0].bottom(), ink[i].bottom(), 0.5);
        EXPECT_NEAR(bottomMm[0], bottomMm[i], 0.3);
    }
    // 20 points is about 7 mm a line.
    EXPECT_GT(bottomMm[2], 2 * 7.0);
    EXPECT_LT(bottomMm[2], 2 * 7.0 * 1.5);
}

TEST(RichTextDrawing, LinesThatDoNotFitAreNotDrawn) {
    QTextDocument doc;
    Sample(&doc, 10);
    const double dpi = 300, k = dpi / 25.4;
    QImage image = Canvas(dpi, 120, 100);
    QPainter p(&image);
    // Room for two and a half lines.
    const QRect rect(int(10 * k), int(10 * k), int(100 * k), int(2.5 * 7.05 * 1.3 * k));
    const int bottom = DrawRichText(p, doc, rect);
    p.end();
    EXPECT_LE(bottom, rect.bottom() + 1);
    EXPECT_GT(bottom, rect.top() + rect.height() / 2);
    const QRectF ink = InkMm(image, dpi);
    EXPECT_LE(ink.bottom(), bottom / k + 0.1);

    // The document's default font carries over to the drawing.
    QTextDocument big, small;
    big.setDefaultFont(QFont(QString(), 40));
    small.setDefaultFont(QFont(QString(), 10));
    big.setPlainText("x");
    small.setPlainText("x");
    QPainter r(&image);
    EXPECT_GT(DrawRichText(r, big, rect) - rect.top(),
              3 * (DrawRichText(r, small, rect) - rect.top()));
    r.end();

    TwipsRect draw{100, 100, 90, 5000};  // no width: nothing drawn, bottom at the top
    QPainter q(&image);
    EXPECT_EQ(FormatRange(q, doc, draw, TwipsRect{}, PixelsPerMm(dpi), PixelsPerMm(dpi)), 100);
    EXPECT_EQ(draw.bottom, 100);
}

// Box geometry read from a damaged file can be anywhere in the int range.
TEST(RichTextDrawing, FarOffRectanglesSaturateAndStillLayOut) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const float ppmm = PixelsPerMm(600);
    EXPECT_EQ(DeviceToTwips(2e9, ppmm), kMax);
    EXPECT_EQ(DeviceToTwips(-2e9, ppmm), kMin);
    EXPECT_EQ(TwipsToDevice(1e12, ppmm), kMax);

    QTextDocument doc;
    Sample(&doc, 1);
    QImage image = Canvas(96, 20, 20);
    QPainter p(&image);
    TwipsRect normal{0, 0, 20000, 5000}, wide{0, 0, kMax, 5000}, span{kMin, 0, kMax, 5000};
    const int oneLine = FormatRange(p, doc, normal, normal, PixelsPerMm(96), PixelsPerMm(96));
    ASSERT_GT(oneLine, 0);
    EXPECT_EQ(FormatRange(p, doc, wide, normal, PixelsPerMm(96), PixelsPerMm(96)), oneLine);
    EXPECT_EQ(FormatRange(p, doc, span, normal, PixelsPerMm(96), PixelsPerMm(96)), oneLine);
}

TEST(RichTextDrawing, TabStopsEveryHalfInch) {
    QTextDocument doc;
    doc.setPlainText("\t|");
    for (const double dpi : {96.0, 600.0}) {
        QImage image = Canvas(dpi, 50, 10);
        QPainter p(&image);
        DrawRichText(p, doc, image.rect());
        p.end();
        EXPECT_NEAR(InkMm(image, dpi).left(), 12.7, 0.6) << dpi;
    }
}

// Paragraphs of plain runs are laid out without a document copy; a block property no drawing
// knows sends the same text through the copy, and both must give the same pixels.
TEST(RichTextDrawing, PlainParagraphsDrawAsTheirDocumentCopy) {
    const auto fill = [](QTextDocument& doc, bool throughCopy) {
        doc.setDefaultFont(QFont(QStringLiteral("Serif"), 11));
        QTextCursor c(&doc);
        QTextCharFormat red, underlined, big;
        red.setForeground(QColor(200, 0, 0));
        red.setFontWeight(QFont::Bold);
        underlined.setFontUnderline(true);
        underlined.setFontItalic(true);
        big.setFontPointSize(26);
        QTextBlockFormat centred, right, justified;
        centred.setAlignment(Qt::AlignHCenter);
        right.setAlignment(Qt::AlignRight);
        justified.setAlignment(Qt::AlignJustify);
        if (throughCopy) {
            for (QTextBlockFormat* f : {&centred, &right, &justified})
                f->setProperty(QTextFormat::UserProperty, 1);
        }
        c.setBlockFormat(centred);
        c.insertText(QString::fromUtf8(u8"收货人：张小明\t13812345678"), red);
        c.insertBlock(right);
        c.insertBlock(justified);
        c.insertText(QString::fromUtf8(u8"浙江省杭州市西湖区文三路 478 号 华星科技大厦 ") +
                         QString(60, QLatin1Char('w')) + QChar::LineSeparator + "end",
                     underlined);
        c.insertBlock(centred, big);
        c.insertText(QStringLiteral("310000 "), big);
    };
    for (const double dpi : {150.0, 600.0}) {
        QImage images[2];
        int bottoms[2];
        for (int i = 0; i < 2; ++i) {
            QTextDocument doc;
            fill(doc, i == 1);
            images[i] = Canvas(dpi, 60, 30);
            QPainter p(&images[i]);
            bottoms[i] = DrawRichText(p, doc, images[i].rect().adjusted(5, 7, -3, 0));
        }
        EXPECT_EQ(bottoms[0], bottoms[1]) << dpi;
        EXPECT_TRUE(images[0] == images[1]) << dpi;
        EXPECT_GT(InkMm(images[0], dpi).height(), 15) << dpi;
    }
}

}  // namespace
}  // namespace tallivo
