#include "print/page_drawing.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "forms/background_image.h"
#include "print/pdf_output.h"
#include "support/pdf_words.h"
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

// A 734 x 417 waybill picture in one colour.
void GiveBackground(FreightBillForm& form, QColor color = QColor(200, 230, 200)) {
    form.background = QImage(kPictureArea.width(), kPictureArea.height(), QImage::Format_RGB32);
    form.background.fill(color);
}

QImage DrawPage(const FreightBillForm& form, const PageOptions& options, int extra = 0) {
    const auto size = FreightBillPageSize(form, options);
    QImage img = size ? Canvas(size->width + extra, size->height + extra) : Canvas(100, 100);
    QPainter p(&img);
    DrawFreightBillPage(p, form, options);
    return img;
}

TEST(FreightBillPageTest, SizeIsTheWaybillPlusMarginsAndNeedsABackground) {
    FreightBillForm form;
    const PageOptions options = PageOptions::AtDpi(kDpi, kDpi);
    AddFieldBox(form, Gbk(u8"张小明"), 100, 50, 30, 200);
    EXPECT_FALSE(FreightBillPageSize(form, options));
    EXPECT_TRUE(Ink(DrawPage(form, options)).isNull()) << "no background, no scale, nothing";

    GiveBackground(form);
    EXPECT_EQ(FreightBillPageSize(form, options), (PageSize{793, 482}));
}

TEST(FreightBillPageTest, BoxesLandInTheirScaledRectanglesAndAreClipped) {
    FreightBillForm form;
    GiveBackground(form);
    const PageOptions options = PageOptions::AtDpi(kDpi, kDpi);
    EXPECT_TRUE(Ink(DrawPage(form, options)).isNull()) << "no boxes, nothing drawn";

    std::string many;
    for (int i = 0; i < 40; ++i) many += Gbk(u8"浙江省杭州市西湖区文三路\r\n");
    const FieldBoxGeometry a{100, 50, 200, 30}, b{400, 200, 200, 40};
    AddFieldBox(form, Gbk(u8"张小明"), a.left, a.top, a.height, a.width);
    AddFieldBox(form, many, b.left, b.top, b.height, b.width);
    const QImage img = DrawPage(form, options);
    const auto s = ComputeFreightBillScale(190, 734, 417, options.ppmmX, options.ppmmY);
    const int ox = FreightBillOriginX(0, options.ppmmX), oy = FreightBillOriginY(0, options.ppmmY);
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

TEST(FreightBillPageTest, OffsetsShiftEveryBoxUnlessLeftOutOrDrawnOverThePicture) {
    FreightBillForm form;
    GiveBackground(form, Qt::white);
    AddFieldBox(form, Gbk(u8"收货人"), 100, 100, 30, 150);
    PageOptions options = PageOptions::AtDpi(kDpi, kDpi);
    const QRect base = Ink(DrawPage(form, options, 200));
    form.biasX = 10;
    form.biasY = 5;
    const QRect moved = Ink(DrawPage(form, options, 200));
    EXPECT_NEAR(moved.left() - base.left(),
                FreightBillOriginX(10, options.ppmmX) - FreightBillOriginX(0, options.ppmmX), 1);
    EXPECT_NEAR(moved.top() - base.top(),
                FreightBillOriginY(5, options.ppmmY) - FreightBillOriginY(0, options.ppmmY), 1);

    options.applyOffsets = false;
    EXPECT_EQ(Ink(DrawPage(form, options, 200)), base);

    // Over the picture the boxes stay where the picture has them, whatever the offsets.
    GiveBackground(form, Qt::white);
    form.background.setPixel(0, 0, qRgb(0, 0, 0));
    form.background.setPixel(kPictureArea.width() - 1, kPictureArea.height() - 1, qRgb(0, 0, 0));
    options.applyOffsets = true;
    options.withBackground = true;
    const QImage over = DrawPage(form, options);
    const DeviceRect picture =
        FreightBillBackgroundRect(over.width(), over.height(), options.ppmmX, options.ppmmY);
    const QRect textArea = base.adjusted(-2, -2, 2, 2);
    EXPECT_EQ(Ink(over, textArea), base);
    const QRect ink = Ink(over);
    EXPECT_EQ(ink.topLeft(), QPoint(picture.left, picture.top));
    EXPECT_NEAR(ink.right(), picture.right - 1, 1);
    EXPECT_NEAR(ink.bottom(), picture.bottom - 1, 1);
}

struct InvoiceFixture {
    InvoiceForm form;
    explicit InvoiceFixture(int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += Gbk(u8"收货人：张小明\r\n");
        form.Body().SetTextOrRtf(text);
        form.grid.SetCell(GoodsGrid::kGoodsName, 1, Gbk(u8"羊毛围巾"));
        form.grid.SetCell(GoodsGrid::kQuantity, 1, "2");
    }
};

TEST(InvoicePageTest, PageIsThePaperOrTheFormWidthByA4) {
    InvoiceFixture f(1);
    PageOptions options = PageOptions::AtDpi(kDpi, kDpi);
    EXPECT_EQ(InvoicePageSize(f.form, options), (PageSize{718, 1122}));
    f.form.printWidth = 100;
    EXPECT_EQ(InvoicePageSize(f.form, options).width, 377);
    options.paper = A4PageSize(options);
    EXPECT_EQ(InvoicePageSize(f.form, options), (PageSize{793, 1122}));
}

TEST(InvoicePageTest, TableIsRuledBelowTheTextWithScreenPitch) {
    InvoiceFixture f(3);
    const PageOptions options = PageOptions::AtDpi(kDpi, kDpi);
    const PageSize size = InvoicePageSize(f.form, options);
    QImage img = Canvas(size.width, size.height);
    QPainter p(&img);
    const int bottom = DrawInvoicePage(p, f.form, options);
    p.end();
    const int rows = f.form.grid.RowCount();
    const int top = bottom - rows * 30;
    const float ppmm = options.ppmmY;
    const DeviceRect text = InvoiceTextRect(size.width, size.height, ppmm, ppmm);
    // Every row boundary is ruled from the left margin.
    for (int r = 0; r <= rows; ++r)
        EXPECT_NE(img.pixel(text.left + 3, top + r * 30), qRgb(255, 255, 255)) << r;
    // The text ends above the table, at least 4 mm of paper between.
    const QRect textInk = Ink(img, QRect(0, 0, img.width(), top - 1));
    ASSERT_FALSE(textInk.isNull());
    EXPECT_LE(textInk.bottom(), top - int(4 * ppmm) + 1);

    // Goods name 5 dots into its cell; an empty cell holds only its rules.
    const float k = InvoiceColumnScale(size.width, ppmm, DefaultGridColumnWidths());
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

TEST(InvoicePageTest, TextFillingThePagePushesTheTableBelowTheMargin) {
    InvoiceFixture f(400);
    const PageOptions options = PageOptions::AtDpi(kDpi, kDpi);
    const PageSize size = InvoicePageSize(f.form, options);
    QImage img = Canvas(size.width, size.height);
    QPainter p(&img);
    const int bottom = DrawInvoicePage(p, f.form, options);
    p.end();
    const int top = bottom - f.form.grid.RowCount() * 30;
    EXPECT_GT(top, size.height - int(10 * options.ppmmY));
}

// The preview's resolution and a printer's: a whole trade number fits its column at the
// design widths, and a number too wide for its cell ends in an ellipsis inside the cell.
TEST(InvoicePageTest, GridCellsHoldTheirNumbersOrEllipsisWithinTheirRules) {
    InvoiceFixture f(1);
    f.form.grid.SetCell(GoodsGrid::kTradeNumber, 1, "2008030712345678");
    f.form.grid.SetCell(GoodsGrid::kUnitPrice, 1, "1234567890.12");
    for (int dpi : {kDpi, 600}) {
        SCOPED_TRACE(dpi);
        const PageOptions options = PageOptions::AtDpi(dpi, dpi);
        const PageSize size = InvoicePageSize(f.form, options);
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("grid.pdf")).toStdString();
        {
            PdfOutput pdf(path, dpi);
            QPainter* painter = pdf.NewPage(size.width, size.height);
            ASSERT_NE(painter, nullptr);
            DrawInvoicePage(*painter, f.form, options);
            ASSERT_TRUE(pdf.Finish()) << pdf.ErrorText();
        }
        const testing::PdfText text = testing::ReadPdfText(QString::fromStdString(path));
        // Column edges in points.
        const float k = InvoiceColumnScale(size.width, options.ppmmX, DefaultGridColumnWidths());
        std::vector<double> edges{
            double(InvoiceTextRect(size.width, size.height, options.ppmmX, options.ppmmY).left)};
        for (int w : DefaultGridColumnWidths())
            edges.push_back(InvoiceColumnRight(int(edges.back()), w, k));
        for (double& e : edges) e = e * 72.0 / dpi;

        const testing::PdfWord* trade = text.Find(QStringLiteral("2008030712345678"));
        ASSERT_NE(trade, nullptr);
        EXPECT_GT(trade->left, edges[0]);
        EXPECT_LT(trade->right, edges[1]);
        const auto price = std::find_if(text.words.begin(), text.words.end(), [](const auto& w) {
            return w.text.startsWith(QStringLiteral("123")) && w.text.endsWith(QChar(0x2026));
        });
        ASSERT_NE(price, text.words.end());
        EXPECT_GT(price->left, edges[3]);
        EXPECT_LT(price->right, edges[4]);
    }
}

}  // namespace
}  // namespace tallivo
