#include "print/page_geometry.h"

#include <cmath>
#include <limits>

namespace tallivo {

float PpmmFromDpi(int dpi) {
    return static_cast<float>(dpi * kInchPerMm);
}

TwipsRect DeviceRectToTwips(const DeviceRect& r, float ppmmX, float ppmmY) {
    return {DeviceToTwips(r.left, ppmmX), DeviceToTwips(r.top, ppmmY),
            DeviceToTwips(r.right, ppmmX), DeviceToTwips(r.bottom, ppmmY)};
}

DeviceRect TwipsRectToDevice(const TwipsRect& r, float ppmmX, float ppmmY) {
    return {TwipsToDevice(r.left, ppmmX), TwipsToDevice(r.top, ppmmY),
            TwipsToDevice(r.right, ppmmX), TwipsToDevice(r.bottom, ppmmY)};
}

std::optional<FreightBillScale> ComputeFreightBillScale(int widthMm, int backgroundWidth,
                                                        int backgroundHeight, float ppmmX,
                                                        float ppmmY) {
    if (backgroundWidth <= 0 || backgroundHeight <= 0 || ppmmX <= 0 || ppmmY <= 0)
        return std::nullopt;
    FreightBillScale s;
    s.waybillWidth = TruncToInt(widthMm * static_cast<double>(ppmmX));
    s.sx = static_cast<float>(static_cast<double>(s.waybillWidth) / backgroundWidth);
    s.sy = static_cast<float>(static_cast<double>(widthMm) / backgroundWidth * ppmmY);
    s.waybillHeight = TruncToInt(backgroundHeight * static_cast<double>(s.sy));
    s.extentWidth = TruncToInt(s.waybillWidth + 20 * static_cast<double>(ppmmX));
    s.extentHeight = TruncToInt(s.waybillHeight + 20 * static_cast<double>(ppmmY));
    return s;
}

int FreightBillOriginX(double biasXMm, float ppmmX) {
    return TruncToInt((biasXMm + kMarginMm) * ppmmX);
}

int FreightBillOriginY(double biasYMm, float ppmmY) {
    return TruncToInt((biasYMm + kMarginMm) * ppmmY);
}

DeviceRect FreightBillBoxRect(const FieldBoxGeometry& box, int originX, int originY, float sx,
                              float sy) {
    const double fx = sx, fy = sy;
    return {TruncToInt(originX + box.left * fx), TruncToInt(originY + box.top * fy),
            TruncToInt(originX + (static_cast<double>(box.left) + box.width) * fx),
            TruncToInt(originY + (static_cast<double>(box.top) + box.height) * fy)};
}

TwipsRect FreightBillPageTwips(int originX, int originY, int extentWidth, int extentHeight,
                               float ppmmX, float ppmmY) {
    DeviceRect r;
    r.left = DeviceToTwips(originX, ppmmX);
    r.top = DeviceToTwips(originY, ppmmY);
    if (ppmmX > 0) r.right = TruncToInt(extentWidth * 1440.0 / ppmmX * kInchPerMm - kTenMmTwips);
    if (ppmmY > 0) r.bottom = TruncToInt(extentHeight * 1440.0 / ppmmY * kInchPerMm - kTenMmTwips);
    return r;
}

DeviceRect FreightBillBackgroundRect(int extentWidth, int extentHeight, float ppmmX, float ppmmY) {
    return {TruncToInt(kMarginMm * static_cast<double>(ppmmX)),
            TruncToInt(kMarginMm * static_cast<double>(ppmmY)),
            TruncToInt(extentWidth - kMarginMm * static_cast<double>(ppmmX)),
            TruncToInt(extentHeight - kMarginMm * static_cast<double>(ppmmY))};
}

DeviceRect InvoiceTextRect(int pageWidth, int pageHeight, float ppmmX, float ppmmY) {
    return FreightBillBackgroundRect(pageWidth, pageHeight, ppmmX, ppmmY);
}

int InvoiceTextBottomFromTwips(double bottomTwips, float ppmmY) {
    return TruncToInt(bottomTwips * ppmmY * 25.4 / 1440);
}

int InvoiceTableTop(int textBottom, float ppmmY) {
    return TruncToInt(textBottom + 4 * static_cast<double>(ppmmY));
}

float InvoiceColumnScale(int pageWidth, float ppmmX, const std::vector<int>& columnWidths) {
    long long sum = 0;
    for (int w : columnWidths) sum += w;
    // All columns dragged to nothing: nothing sensible to spread, draw them collapsed.
    if (sum <= 0) return 0.0f;
    return static_cast<float>((pageWidth - 20 * static_cast<double>(ppmmX)) / sum);
}

int InvoiceColumnRight(int x, int columnWidth, float scale) {
    return TruncToInt(columnWidth * static_cast<double>(scale) + x);
}

int InvoiceRowPitch(float ppmmY, int textHeight) {
    const int screenPitch = kGridDefaultRowHeight + kGridRowPitchExtra;
    const float screenPpmm = PpmmFromDpi(kScreenDpi);
    int pitch = ppmmY == screenPpmm ? screenPitch : TruncToInt(screenPitch * (ppmmY / screenPpmm));
    // A row must hold its text with a dot of air above and below.
    if (pitch < textHeight + 2) pitch = textHeight + 2;
    return pitch;
}

int InvoiceCellTextLeft(int row, int column, int x, int right, int textWidth) {
    if (column == 1 && row > 0) return x + 5;
    return x + (right - x - textWidth) / 2;
}

int InvoiceCellTextTop(int y, int rowBottom, int textHeight) {
    return y + (rowBottom - y - textHeight) / 2;
}

std::optional<PreviewSize> FreightBillPreviewSize(int widthMm, int backgroundWidth,
                                                  int backgroundHeight, float ppmmX, float ppmmY) {
    auto s = ComputeFreightBillScale(widthMm, backgroundWidth, backgroundHeight, ppmmX, ppmmY);
    if (!s) return std::nullopt;
    return PreviewSize{s->extentWidth, s->extentHeight};
}

PreviewSize InvoicePreviewSize(int widthMm, float ppmmX, float ppmmY) {
    return {TruncToInt(widthMm * static_cast<double>(ppmmX)),
            TruncToInt(kA4HeightMm * static_cast<double>(ppmmY))};
}

int A4WidthDots(float ppmmX) {
    return TruncToInt(kA4WidthMm * static_cast<double>(ppmmX));
}

int A4HeightDots(float ppmmY) {
    return TruncToInt(kA4HeightMm * static_cast<double>(ppmmY));
}

}  // namespace tallivo
