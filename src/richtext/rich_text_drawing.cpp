#include "richtext/rich_text_drawing.h"

namespace tallivo {

float PixelsPerMm(double dpi) {
    return static_cast<float>(dpi * 0.039370078740157482516);
}
int DeviceToTwips(double v, float ppmm) {
    return static_cast<int>(v * 1440 / ppmm * 0.039370078740157482516);
}
int TwipsToDevice(double v, float ppmm) {
    return static_cast<int>(v * ppmm * 25.4 * (1.0 / 1440));
}
int FormatRange(QPainter&, const QTextDocument&, TwipsRect& draw, const TwipsRect&, float, float) {
    return draw.bottom;
}
int DrawRichText(QPainter&, const QTextDocument&, const QRect& r) {
    return r.top();
}

}  // namespace tallivo
