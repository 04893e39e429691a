#pragma once

#include <QPainter>
#include <QRect>
#include <QTextDocument>

namespace tallivo {

// Dots per millimetre of a resolution in dots per inch, in single precision as the renderers
// keep it.
float PixelsPerMm(double dotsPerInch);

// Truncation toward zero that saturates at the int range instead of wrapping: a box placed
// absurdly far off by a damaged file stays off the page.
int TruncToInt(double v);

// Twips are 1440 to the inch. Both conversions truncate toward zero.
//   device to twips: value * 1440 / ppmm * 0.039370078740157482516
//   twips to device: value * ppmm * 25.4 * (1 / 1440)
int DeviceToTwips(double deviceValue, float ppmm);
int TwipsToDevice(double twipsValue, float ppmm);

// A rectangle in whole units of one kind: device dots or twips. The aliases below say which.
struct PageRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PageRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};
using TwipsRect = PageRect;
using DeviceRect = PageRect;

// Lays the document out at the width of `draw` (twips) and draws the lines that fit its height
// on the painter, whose device has ppmmX/ppmmY dots per millimetre; lines below are not drawn
// and nothing continues elsewhere. Only as much text as the rectangle can show is laid out, so
// a huge text costs no more than one that fills the rectangle. Sets draw.bottom to the bottom of
// the drawn text and returns it (twips). `page` is accepted for the renderers' arithmetic; it does
// not clip. The painter's state is left as it was.
int FormatRange(QPainter& painter, const QTextDocument& document, TwipsRect& draw,
                const TwipsRect& page, float ppmmX, float ppmmY);

// The same on a rectangle in device dots at the painter device's own resolution; returns the
// bottom of the drawn text in dots. A point size has the same physical size at any resolution.
int DrawRichText(QPainter& painter, const QTextDocument& document, const QRect& deviceRect);

}  // namespace tallivo
