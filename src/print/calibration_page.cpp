#include "print/calibration_page.h"

#include <QFont>
#include <QPen>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "forms/background_image.h"
#include "richtext/rich_text_drawing.h"

namespace tallivo {

namespace {

// Room the marks and the instructions need, in millimetres.
constexpr int kMinPageWidthMm = 80;
constexpr int kMinPageHeightMm = 100;
constexpr double kCrossArmMm = 4;
constexpr double kLineMm = 0.2;
constexpr int kInstructionsTopMm = 62;

double Mm(double mm, float ppmm) {
    return mm * static_cast<double>(ppmm);
}

struct Geometry {
    int originX = 0;  // the waybill's top-left corner, offsets included
    int originY = 0;
    int waybillWidth = 0;  // dots
    int waybillHeight = 0;
};

Geometry Compute(const FreightBillForm& form, const PageOptions& options) {
    Geometry g;
    const bool offsets = options.applyOffsets && !options.withBackground;
    g.originX = FreightBillOriginX(offsets ? form.biasX : 0, options.ppmmX);
    g.originY = FreightBillOriginY(offsets ? form.biasY : 0, options.ppmmY);
    const int bw = form.background.isNull() ? kPictureArea.width() : form.background.width();
    const int bh = form.background.isNull() ? kPictureArea.height() : form.background.height();
    if (const auto scale =
            ComputeFreightBillScale(form.printWidth, bw, bh, options.ppmmX, options.ppmmY)) {
        g.waybillWidth = scale->waybillWidth;
        g.waybillHeight = scale->waybillHeight;
    }
    return g;
}

QFont LabelFont(float ppmmY, double heightMm) {
    QFont font(QString::fromUtf8(u8"宋体"));
    font.setPixelSize(std::max(1, TruncToInt(Mm(heightMm, ppmmY))));
    return font;
}

const char* Instructions() {
    return u8"打印校准页：用尺量出十字中心到纸张左边和上边的距离。"
           u8"十字旁的两个数是偏移为0时这两个距离应有的毫米数；"
           u8"如果量得的距离比应有的（加上当前偏移）大几毫米，就把X或Y偏移减去几，小几毫米就加上几"
           u8"。"
           u8"打印在空白货运单上时，十字1应落在货运单的左上角。";
}

}  // namespace

const std::vector<CalibrationMark>& CalibrationMarks() {
    static const std::vector<CalibrationMark> marks{
        {1, 10, 10}, {2, 50, 10}, {3, 10, 50}, {4, 50, 50}};
    return marks;
}

std::string CalibrationLabel(const CalibrationMark& mark) {
    return std::to_string(mark.xMm) + "," + std::to_string(mark.yMm);
}

PageSize CalibrationPageSize(const FreightBillForm& form, const PageOptions& options) {
    const Geometry g = Compute(form, options);
    const int extentW = TruncToInt(g.waybillWidth + Mm(20, options.ppmmX));
    const int extentH = TruncToInt(g.waybillHeight + Mm(20, options.ppmmY));
    return {std::max(extentW, TruncToInt(Mm(kMinPageWidthMm, options.ppmmX))),
            std::max(extentH, TruncToInt(Mm(kMinPageHeightMm, options.ppmmY)))};
}

QPoint CalibrationMarkCentre(const CalibrationMark& mark, const FreightBillForm& form,
                             const PageOptions& options) {
    const Geometry g = Compute(form, options);
    // The marks hang from the waybill's corner, which sits 10 mm in at zero offsets.
    return {TruncToInt(g.originX + Mm(mark.xMm - kMarginMm, options.ppmmX)),
            TruncToInt(g.originY + Mm(mark.yMm - kMarginMm, options.ppmmY))};
}

void DrawCalibrationPage(QPainter& painter, const FreightBillForm& form,
                         const PageOptions& options) {
    if (options.ppmmX <= 0 || options.ppmmY <= 0) return;
    const float px = options.ppmmX;
    const float py = options.ppmmY;
    const Geometry g = Compute(form, options);
    painter.save();
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, Mm(kLineMm, px)));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    // Rulers along the waybill's top and left edges: a tick each millimetre, longer every 5 and
    // 10, numbered every 10 in millimetres from the page's corner at zero offsets, as the labels.
    const QFont small = LabelFont(py, 2.2);
    painter.setFont(small);
    const int widthMm = TruncToInt(g.waybillWidth / static_cast<double>(px));
    const int heightMm = TruncToInt(g.waybillHeight / static_cast<double>(py));
    for (int mm = 0; mm <= widthMm; ++mm) {
        const double x = g.originX + Mm(mm, px);
        const double len = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
        painter.drawLine(QPointF(x, g.originY), QPointF(x, g.originY - Mm(len, py)));
        if (mm % 10 == 0 && mm > 0)
            painter.drawText(QPointF(x + Mm(0.5, px), g.originY - Mm(2.5, py)),
                             QString::number(mm + kMarginMm));
    }
    for (int mm = 0; mm <= heightMm; ++mm) {
        const double y = g.originY + Mm(mm, py);
        const double len = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
        painter.drawLine(QPointF(g.originX, y), QPointF(g.originX - Mm(len, px), y));
        if (mm % 10 == 0 && mm > 0)
            painter.drawText(QPointF(g.originX - Mm(8, px), y + Mm(2.5, py)),
                             QString::number(mm + kMarginMm));
    }

    // The crosses with their positions as labels just below and right of the centre, and their
    // numbers below that.
    const QFont label = LabelFont(py, 3);
    for (const CalibrationMark& mark : CalibrationMarks()) {
        const QPoint c = CalibrationMarkCentre(mark, form, options);
        painter.drawLine(QPointF(c.x() - Mm(kCrossArmMm, px), c.y()),
                         QPointF(c.x() + Mm(kCrossArmMm, px), c.y()));
        painter.drawLine(QPointF(c.x(), c.y() - Mm(kCrossArmMm, py)),
                         QPointF(c.x(), c.y() + Mm(kCrossArmMm, py)));
        painter.drawEllipse(QPointF(c), Mm(1, px), Mm(1, py));
        painter.setFont(label);
        const double baseline = c.y() + Mm(1, py) + painter.fontMetrics().ascent();
        painter.drawText(QPointF(c.x() + Mm(1, px), baseline),
                         QString::fromStdString(CalibrationLabel(mark)));
        painter.drawText(QPointF(c.x() + Mm(1, px), baseline + Mm(4, py)),
                         QStringLiteral("(%1)").arg(mark.number));
    }

    // The instructions below the marks, across the page less the margins.
    const PageSize page = CalibrationPageSize(form, options);
    QTextDocument text;
    text.setPlainText(QString::fromUtf8(Instructions()));
    const int left = TruncToInt(g.originX + Mm(5, px));
    const int top = TruncToInt(g.originY + Mm(kInstructionsTopMm - kMarginMm, py));
    const int right = std::max(left + 1, TruncToInt(page.width - Mm(kMarginMm, px)));
    const int bottom = std::max(top + 1, TruncToInt(page.height - Mm(2, py)));
    QFont font(QString::fromUtf8(u8"宋体"));
    font.setPointSize(9);
    text.setDefaultFont(font);
    DrawRichText(painter, text, QRect(QPoint(left, top), QPoint(right, bottom)));
    painter.restore();
}

int CorrectedOffset(int currentOffset, double expectedMm, double measuredMm) {
    const double corrected = currentOffset + expectedMm - measuredMm;
    if (std::isnan(corrected)) return currentOffset;
    return static_cast<int>(std::clamp(std::lround(corrected), static_cast<long>(kMinBias),
                                       static_cast<long>(kMaxBias)));
}

}  // namespace tallivo
