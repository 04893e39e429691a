// Page geometry of the two printed forms: resolution factors, the twips conversions of the
// rich-text drawing, the freight-bill scale and extent, the invoice text rectangle and table,
// and the preview bitmap sizes. Pure functions, shared by printing, preview and the CLI.
#pragma once

#include <optional>
#include <vector>

#include "richtext/rich_text_drawing.h"

namespace tallivo {

// 1 / 25.4 to all these digits: truncations must land on the dots saved layouts were made for.
inline constexpr double kInchPerMm = 0.039370078740157482516;
// Ten millimetres of the extent's margin, in twips.
inline constexpr double kTenMmTwips = 566.9291338582677;
inline constexpr int kMarginMm = 10;
inline constexpr int kA4WidthMm = 210;
inline constexpr int kA4HeightMm = 297;
inline constexpr int kScreenDpi = 96;
// Goods-grid geometry on screen, in pixels.
inline constexpr int kGridDefaultRowHeight = 24;
inline constexpr int kGridRowPitchExtra = 6;
// Preview window frame: border and tool-window caption.
inline constexpr int kPreviewFrameWidth = 6;
inline constexpr int kPreviewFrameHeight = 27;

// Dots per millimetre, kept in single precision: stored layouts were placed with it.
float PpmmFromDpi(int dpi);

TwipsRect DeviceRectToTwips(const DeviceRect& r, float ppmmX, float ppmmY);
DeviceRect TwipsRectToDevice(const TwipsRect& r, float ppmmX, float ppmmY);

struct FreightBillScale {
    int waybillWidth = 0;   // P: the waybill at the print width, in dots
    int waybillHeight = 0;  // trunc(background height * sy)
    float sx = 0;
    float sy = 0;
    int extentWidth = 0;  // waybill plus 10 mm either side
    int extentHeight = 0;
};

// Scale of a freight bill printed W mm wide over a background of the given pixel size.
// No background (a zero or negative width or height) has no scale: nullopt.
std::optional<FreightBillScale> ComputeFreightBillScale(int widthMm, int backgroundWidth,
                                                        int backgroundHeight, float ppmmX,
                                                        float ppmmY);

struct FieldBoxGeometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Top-left of the waybill on the canvas: 10 mm plus the offsets.
int FreightBillOriginX(double biasXMm, float ppmmX);
int FreightBillOriginY(double biasYMm, float ppmmY);
// Where a box's text is drawn, in dots.
DeviceRect FreightBillBoxRect(const FieldBoxGeometry& box, int originX, int originY, float sx,
                              float sy);
// The page rectangle handed with each box, in twips: from the origin to the extent less 10 mm.
TwipsRect FreightBillPageTwips(int originX, int originY, int extentWidth, int extentHeight,
                               float ppmmX, float ppmmY);
// Where the preview stretches the background: the extent less 10 mm on every side.
DeviceRect FreightBillBackgroundRect(int extentWidth, int extentHeight, float ppmmX, float ppmmY);

// The invoice text rectangle: the page less 10 mm on every side.
DeviceRect InvoiceTextRect(int pageWidth, int pageHeight, float ppmmX, float ppmmY);
// Bottom of the laid-out text, from twips back to dots.
int InvoiceTextBottomFromTwips(double bottomTwips, float ppmmY);
// The goods table starts 4 mm below the text.
int InvoiceTableTop(int textBottom, float ppmmY);
// Factor that spreads the on-screen columns across the page between the margins.
float InvoiceColumnScale(int pageWidth, float ppmmX, const std::vector<int>& columnWidths);
// Right edge of a column starting at x.
int InvoiceColumnRight(int x, int columnWidth, float scale);
// Row pitch: the screen's pitch at screen resolution, the same physical height on other
// devices, and never less than the text needs.
int InvoiceRowPitch(float ppmmY, int textHeight);
// Cell text position: the goods name below the header starts 5 dots in, the rest is centred.
int InvoiceCellTextLeft(int row, int column, int x, int right, int textWidth);
int InvoiceCellTextTop(int y, int rowBottom, int textHeight);

struct PreviewSize {
    int bitmapWidth = 0;
    int bitmapHeight = 0;
    int WindowWidth() const { return bitmapWidth + kPreviewFrameWidth; }
    int WindowHeight() const { return bitmapHeight + kPreviewFrameHeight; }
};

std::optional<PreviewSize> FreightBillPreviewSize(int widthMm, int backgroundWidth,
                                                  int backgroundHeight, float ppmmX, float ppmmY);
PreviewSize InvoicePreviewSize(int widthMm, float ppmmX, float ppmmY);

// An A4 page in dots.
int A4WidthDots(float ppmmX);
int A4HeightDots(float ppmmY);

}  // namespace tallivo
