#include "print/page_geometry.h"

#include <gtest/gtest.h>

namespace tallivo {
namespace {

TEST(PageGeometryTest, WaybillBoxAt600DpiLandsOnWorkedFigures) {
    const float ppmm = PpmmFromDpi(600);
    auto s = ComputeFreightBillScale(190, 734, 417, ppmm, ppmm);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->waybillWidth, 4488);
    FieldBoxGeometry box{100, 50, 200, 30};
    const int oy = FreightBillOriginY(0, ppmm);
    EXPECT_EQ(FreightBillBoxRect(box, FreightBillOriginX(0, ppmm), oy, s->sx, s->sy).left, 847);
    EXPECT_EQ(FreightBillBoxRect(box, FreightBillOriginX(-10, ppmm), oy, s->sx, s->sy).left, 611);
    // Offsets beyond the margin move the text off the paper, never wrap or clamp.
    EXPECT_LT(
        FreightBillBoxRect({0, 0, 10, 10}, FreightBillOriginX(-50, ppmm), oy, s->sx, s->sy).left,
        0);
}

TEST(PageGeometryTest, UnequalResolutionsKeepTheirAxes) {
    // 600 x 300 dpi: every horizontal value goes with ppmm_x, every vertical one with ppmm_y.
    const float px = PpmmFromDpi(600), py = PpmmFromDpi(300);
    auto s = ComputeFreightBillScale(190, 734, 417, px, py);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->waybillWidth, 4488);
    EXPECT_EQ(s->waybillHeight, 1274);
    EXPECT_EQ(s->extentWidth, 4960);
    EXPECT_EQ(s->extentHeight, 1510);
    const int ox = FreightBillOriginX(0, px), oy = FreightBillOriginY(0, py);
    EXPECT_EQ(FreightBillBoxRect({100, 50, 200, 30}, ox, oy, s->sx, s->sy),
              (DeviceRect{847, 270, 2070, 362}));
    EXPECT_EQ(FreightBillPageTwips(ox, oy, s->extentWidth, s->extentHeight, px, py),
              (DeviceRect{566, 566, 11337, 6681}));
}

TEST(PageGeometryTest, FreightBillPreviewAt96Dpi) {
    const float ppmm = PpmmFromDpi(96);
    EXPECT_FLOAT_EQ(ppmm, 3.7795277f);
    auto s = ComputeFreightBillScale(190, 734, 417, ppmm, ppmm);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->waybillWidth, 718);
    EXPECT_EQ(s->waybillHeight, 407);
    EXPECT_NEAR(s->sx, 0.9782016f, 1e-7);
    EXPECT_NEAR(s->sy, 0.9783518f, 1e-7);
    auto p = FreightBillPreviewSize(190, 734, 417, ppmm, ppmm);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->bitmapWidth, 793);
    EXPECT_EQ(p->bitmapHeight, 482);
    EXPECT_EQ(p->WindowWidth(), 799);
    EXPECT_EQ(p->WindowHeight(), 509);
    EXPECT_EQ(FreightBillBackgroundRect(793, 482, ppmm, ppmm), (DeviceRect{37, 37, 755, 444}));
}

TEST(PageGeometryTest, NoBackgroundHasNoScale) {
    const float ppmm = PpmmFromDpi(600);
    EXPECT_FALSE(ComputeFreightBillScale(190, 0, 0, ppmm, ppmm));
    EXPECT_FALSE(ComputeFreightBillScale(190, 734, 0, ppmm, ppmm));
    EXPECT_FALSE(ComputeFreightBillScale(190, -5, 417, ppmm, ppmm));
    EXPECT_FALSE(FreightBillPreviewSize(190, 0, 417, ppmm, ppmm));
}

TEST(PageGeometryTest, InvoicePreviewAndTextRect) {
    const float ppmm = PpmmFromDpi(96);
    PreviewSize p = InvoicePreviewSize(190, ppmm, ppmm);
    EXPECT_EQ(p.bitmapWidth, 718);
    EXPECT_EQ(p.bitmapHeight, 1122);
    EXPECT_EQ(p.WindowWidth(), 724);
    EXPECT_EQ(p.WindowHeight(), 1149);
    EXPECT_EQ(InvoiceTextRect(718, 1122, ppmm, ppmm), (DeviceRect{37, 37, 680, 1084}));
    // The table starts 4 mm below the text however far down the text ends.
    EXPECT_EQ(InvoiceTableTop(100, ppmm), 115);
    EXPECT_EQ(InvoiceTableTop(1084, ppmm), 1099);
}

TEST(PageGeometryTest, TwipsConversionsTruncate) {
    const float ppmm = PpmmFromDpi(600);
    // The single-precision ppmm is a hair above 600 / 25.4, and truncation keeps that.
    EXPECT_EQ(DeviceToTwips(600, ppmm), 1439);
    EXPECT_EQ(TwipsToDevice(1440, ppmm), 600);
    EXPECT_EQ(DeviceToTwips(-600, ppmm), -1439);  // toward zero, not down
    EXPECT_EQ(DeviceToTwips(100, 0), 0);
    // The page rectangle ends 10 mm inside the extent.
    DeviceRect page = FreightBillPageTwips(236, 236, 4960, 2910, ppmm, ppmm);
    EXPECT_EQ(page.left, 566);
    EXPECT_EQ(page.right, 11337);
    EXPECT_EQ(InvoiceTextBottomFromTwips(1439, ppmm), 599);
}

TEST(PageGeometryTest, GoodsTableColumnsAndCells) {
    const std::vector<int> widths{134, 430, 35, 52, 43, 49, 63};
    const float ppmm = PpmmFromDpi(96);
    float k = InvoiceColumnScale(718, ppmm, widths);
    EXPECT_NEAR(k, (718 - 20 * ppmm) / 806.0f, 1e-6);
    int x = InvoiceTextRect(718, 1122, ppmm, ppmm).left;
    for (int w : widths) x = InvoiceColumnRight(x, w, k);
    // The columns end at the right margin, within the truncation of seven columns.
    EXPECT_LE(x, 680);
    EXPECT_GE(x, 673);
    EXPECT_EQ(InvoiceColumnScale(718, ppmm, {0, 0, 0, 0, 0, 0, 0}), 0.0f);

    EXPECT_EQ(InvoiceCellTextLeft(1, 1, 100, 300, 50), 105);
    EXPECT_EQ(InvoiceCellTextLeft(0, 1, 100, 300, 50), 175);
    EXPECT_EQ(InvoiceCellTextLeft(3, 2, 100, 131, 50), 91);  // wider than its cell
    EXPECT_EQ(InvoiceCellTextTop(10, 40, 13), 18);
}

TEST(PageGeometryTest, RowPitchKeepsScreenPitchAndHoldsText) {
    EXPECT_EQ(InvoiceRowPitch(PpmmFromDpi(96), 14), 30);
    const int pitch600 = InvoiceRowPitch(PpmmFromDpi(600), 90);
    EXPECT_EQ(pitch600, 187);
    EXPECT_GE(InvoiceRowPitch(PpmmFromDpi(600), 250), 252);
    EXPECT_EQ(A4WidthDots(PpmmFromDpi(600)), 4960);
    EXPECT_EQ(A4HeightDots(PpmmFromDpi(600)), 7015);
}

}  // namespace
}  // namespace tallivo
