#include "richtext/rich_text_drawing.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <limits>

#include "richtext/rich_text_layout.h"

namespace tallivo {

namespace {

constexpr double kInchPerMm = 0.039370078740157482516;

}  // namespace

// Truncation toward zero; a box placed absurdly far off by a damaged file saturates instead of
// wrapping round to the other side of the page.
int TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

float PixelsPerMm(double dotsPerInch) {
    return static_cast<float>(dotsPerInch * kInchPerMm);
}

int DeviceToTwips(double deviceValue, float ppmm) {
    if (ppmm <= 0) return 0;
    return TruncToInt(deviceValue * 1440 / static_cast<double>(ppmm) * kInchPerMm);
}

int TwipsToDevice(double twipsValue, float ppmm) {
    return TruncToInt(twipsValue * static_cast<double>(ppmm) * 25.4 * (1.0 / 1440));
}

int FormatRange(QPainter& painter, const QTextDocument& document, TwipsRect& draw,
                const TwipsRect& page, float ppmmX, float ppmmY) {
    (void)page;
    const double width = static_cast<double>(draw.right) - draw.left;
    const double height = static_cast<double>(draw.bottom) - draw.top;
    if (width <= 0 || height <= 0 || ppmmX <= 0 || ppmmY <= 0) {
        draw.bottom = draw.top;
        return draw.bottom;
    }

    const FittingLayout laidOut = LayOutToFit(document, width, height);
    const double bottom = laidOut.bottom;
    if (bottom > 0 && painter.isActive()) {
        const double sx = static_cast<double>(ppmmX) * 25.4 / 1440;
        const double sy = static_cast<double>(ppmmY) * 25.4 / 1440;
        painter.save();
        painter.translate(draw.left * sx, draw.top * sy);
        painter.scale(sx, sy);
        const QRectF clip(0, 0, std::min(width, kMaxLayoutTwips), bottom);
        // Text as wide as the rectangle needs no clip across; below, only lines that fit are
        // drawn. The clip writes a path into every page of a PDF, and costs as much to apply.
        if (laidOut.text->Width() > clip.width() + 0.5)
            painter.setClipRect(clip, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        // Clear of the next line, which starts where the last one that fits ends.
        laidOut.text->Draw(painter, clip.adjusted(0, 0, 0, -0.5));
        painter.restore();
    }
    draw.bottom = TruncToInt(draw.top + std::floor(bottom));
    return draw.bottom;
}

int DrawRichText(QPainter& painter, const QTextDocument& document, const QRect& deviceRect) {
    const QPaintDevice* device = painter.device();
    if (!device) return deviceRect.top();
    const float ppmmX = PixelsPerMm(device->logicalDpiX());
    const float ppmmY = PixelsPerMm(device->logicalDpiY());
    TwipsRect draw{DeviceToTwips(deviceRect.left(), ppmmX), DeviceToTwips(deviceRect.top(), ppmmY),
                   DeviceToTwips(deviceRect.left() + deviceRect.width(), ppmmX),
                   DeviceToTwips(deviceRect.top() + deviceRect.height(), ppmmY)};
    const TwipsRect page{0, 0, DeviceToTwips(device->width(), ppmmX),
                         DeviceToTwips(device->height(), ppmmY)};
    const int bottom = FormatRange(painter, document, draw, page, ppmmX, ppmmY);
    if (bottom <= draw.top) return deviceRect.top();
    return TwipsToDevice(bottom, ppmmY);
}

}  // namespace tallivo
