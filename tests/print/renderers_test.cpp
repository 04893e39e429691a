#include "print/renderers.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include "richtext/rtf.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

const int kDpi = 96;

QImage Canvas(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(kDpi / 0.0254));
    img.setDotsPerMeterY(qRound(kDpi / 0.0254));
    img.fill(Qt::white);
    return img;
}

// Bounding box of everything not white; null when the image is blank.
QRect Ink(const QImage& img, const QRect& within = QRect()) {
    const QRect area = within.isNull() ? img.rect() : within.intersected(img.rect());
    int l = INT_MAX, t = INT_MAX, r = -1, b = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255)) {
                l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

TEST(RenderFreightBillTest, BoxesLandInTheirScaledRectanglesAndAreClipped) {
    const float ppmm = PpmmFromDpi(kDpi);
    auto s = ComputeFreightBillScale(190, 734, 417, ppmm, ppmm);
    ASSERT_TRUE(s);
    QImage img = Canvas(s->extentWidth, s->extentHeight);

    {
        QPainter p(&img);
        RenderFreightBill(p, {}, 0, 0, ppmm, ppmm, s->extentWidth, s->extentHeight, s->sx, s->sy);
    }
    EXPECT_TRUE(Ink(img).isNull()) << "no boxes, nothing drawn";

    QTextDocument shortText, longText;
    SetGbkPlainText(shortText, Gbk(u8"张小明"));
    std::string many;
    for (int i = 0; i < 40; ++i) many += Gbk(u8"浙江省杭州市西湖区文三路\r\n");
    SetGbkPlainText(longText, many);
    const FieldBoxGeometry a{100, 50, 200, 30}, b{400, 200, 200, 40};
    {
        QPainter p(&img);
        RenderFreightBill(p, {{a, &shortText}, {b, &longText}}, 0, 0, ppmm, ppmm, s->extentWidth,
                          s->extentHeight, s->sx, s->sy);
    }
    const int ox = FreightBillOriginX(0, ppmm), oy = FreightBillOriginY(0, ppmm);
    for (const FieldBoxGeometry& g : {a, b}) {
        const DeviceRect r = FreightBillBoxRect(g, ox, oy, s->sx, s->sy);
        const QRect box(r.left, r.top, r.Width(), r.Height());
        const QRect ink = Ink(img, box.adjusted(-20, -20, 20, 60));
        ASSERT_FALSE(ink.isNull());
        // A dot of slack for the twips round trip; nothing below the box's bottom.
        EXPECT_GE(ink.left(), box.left() - 1);
        EXPECT_GE(ink.top(), box.top() - 1);
        EXPECT_LE(ink.bottom(), box.bottom() + 1);
    }
}

TEST(RenderFreightBillTest, OffsetsShiftEveryBox) {
    const float ppmm = PpmmFromDpi(kDpi);
    auto s = ComputeFreightBillScale(190, 734, 417, ppmm, ppmm);
    ASSERT_TRUE(s);
    QTextDocument text;
    SetGbkPlainText(text, Gbk(u8"收货人"));
    auto draw = [&](double bx, double by) {
        QImage img = Canvas(s->extentWidth + 200, s->extentHeight + 200);
        QPainter p(&img);
        RenderFreightBill(p, {{{100, 100, 150, 30}, &text}}, bx, by, ppmm, ppmm, s->extentWidth,
                          s->extentHeight, s->sx, s->sy);
        p.end();
        return Ink(img);
    };
    const QRect base = draw(0, 0), moved = draw(10, 5);
    EXPECT_NEAR(moved.left() - base.left(),
                FreightBillOriginX(10, ppmm) - FreightBillOriginX(0, ppmm), 1);
    EXPECT_NEAR(moved.top() - base.top(), FreightBillOriginY(5, ppmm) - FreightBillOriginY(0, ppmm),
                1);
}

struct InvoiceFixture {
    QTextDocument body;
    GoodsGrid grid;
    InvoiceFixture(int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += Gbk(u8"收货人：张小明\r\n");
        SetGbkPlainText(body, text);
        grid.SetCell(GoodsGrid::kGoodsName, 1, Gbk(u8"羊毛围巾"));
        grid.SetCell(GoodsGrid::kQuantity, 1, "2");
    }
    InvoiceView View() {
        InvoiceView v;
        v.body = &body;
        v.grid = &grid;
        return v;
    }
};

TEST(RenderInvoiceTest, TableIsRuledBelowTheTextWithScreenPitch) {
    const float ppmm = PpmmFromDpi(kDpi);
    PreviewSize size = InvoicePreviewSize(190, ppmm, ppmm);
    QImage img = Canvas(size.bitmapWidth, size.bitmapHeight);
    InvoiceFixture f(3);
    QPainter p(&img);
    const int bottom = RenderInvoice(p, f.View(), size.bitmapWidth, size.bitmapHeight, ppmm, ppmm);
    p.end();
    const int rows = f.grid.RowCount();
    const int top = bottom - rows * 30;
    const DeviceRect text = InvoiceTextRect(size.bitmapWidth, size.bitmapHeight, ppmm, ppmm);
    // Every row boundary is ruled from the left margin.
    for (int r = 0; r <= rows; ++r)
        EXPECT_NE(img.pixel(text.left + 3, top + r * 30), qRgb(255, 255, 255)) << r;
    // The text ends above the table, at least 4 mm of paper between.
    const QRect textInk = Ink(img, QRect(0, 0, img.width(), top - 1));
    ASSERT_FALSE(textInk.isNull());
    EXPECT_LE(textInk.bottom(), top - int(4 * ppmm) + 1);

    // Goods name 5 dots into its cell; an empty cell holds only its rules.
    const float k = InvoiceColumnScale(size.bitmapWidth, ppmm, DefaultGridColumnWidths());
    const int nameLeft = InvoiceColumnRight(text.left, 134, k);
    const int nameRight = InvoiceColumnRight(nameLeft, 430, k);
    const QRect nameInk = Ink(img, QRect(nameLeft + 1, top + 31, nameRight - nameLeft - 2, 28));
    ASSERT_FALSE(nameInk.isNull());
    EXPECT_GE(nameInk.left(), nameLeft + 5);
    EXPECT_LE(nameInk.left(), nameLeft + 7);
    const int priceLeft = InvoiceColumnRight(nameRight, 35, k);
    const int priceRight = InvoiceColumnRight(priceLeft, 52, k);
    EXPECT_TRUE(Ink(img, QRect(priceLeft + 1, top + 31, priceRight - priceLeft - 2, 28)).isNull());
}

TEST(RenderInvoiceTest, TextFillingThePagePushesTheTableBelowTheMargin) {
    const float ppmm = PpmmFromDpi(kDpi);
    PreviewSize size = InvoicePreviewSize(190, ppmm, ppmm);
    QImage img = Canvas(size.bitmapWidth, size.bitmapHeight);
    InvoiceFixture f(400);
    QPainter p(&img);
    const int bottom = RenderInvoice(p, f.View(), size.bitmapWidth, size.bitmapHeight, ppmm, ppmm);
    p.end();
    const int top = bottom - f.grid.RowCount() * 30;
    EXPECT_GT(top, size.bitmapHeight - int(10 * ppmm));
}

}  // namespace
}  // namespace tallivo
