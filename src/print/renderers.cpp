#include "print/renderers.h"

#include <QFontMetrics>
#include <QPen>
#include <algorithm>

#include "richtext/rich_text_drawing.h"
#include "richtext/rtf.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

// Air between a cell's text and its rules: about a third of a millimetre, at least one dot.
int CellPadding(float ppmmX) {
    return std::max(1, static_cast<int>(ppmmX / 3));
}

// The room a cell's text has up to its right rule: a left-aligned text (a goods name) starts
// where InvoiceCellTextLeft puts it, a centred one has air on both sides.
int CellTextRoom(int row, int column, int x, int right, int padding) {
    const int leftAligned = InvoiceCellTextLeft(row, column, x, right, right - x);
    const int from = leftAligned > x ? leftAligned : x + padding;
    return std::max(0, right - padding - from);
}

}  // namespace

const std::string& NoBackgroundMessage() {
    static const std::string text = Gbk(u8"货运单没有背景图片，无法确定打印比例！");
    return text;
}

const std::vector<int>& DefaultGridColumnWidths() {
    static const std::vector<int> widths{134, 430, 35, 52, 43, 49, 63};
    return widths;
}

QFont GridFont() {
    QFont font(QString::fromUtf8(u8"宋体"));
    font.setPointSize(9);
    return font;
}

QColor GridTextColor() {
    return QColor(255, 0, 255);
}

void detail::RenderFreightBill(QPainter& painter, const std::vector<FreightBillBoxView>& boxes,
                               double biasXMm, double biasYMm, float ppmmX, float ppmmY,
                               int extentWidth, int extentHeight, float sx, float sy) {
    if (boxes.empty()) return;
    painter.save();
    const int ox = FreightBillOriginX(biasXMm, ppmmX);
    const int oy = FreightBillOriginY(biasYMm, ppmmY);
    const TwipsRect page = FreightBillPageTwips(ox, oy, extentWidth, extentHeight, ppmmX, ppmmY);
    for (const FreightBillBoxView& box : boxes) {
        if (!box.document) continue;
        TwipsRect draw =
            DeviceRectToTwips(FreightBillBoxRect(box.geometry, ox, oy, sx, sy), ppmmX, ppmmY);
        FormatRange(painter, *box.document, draw, page, ppmmX, ppmmY);
    }
    painter.restore();
}

int detail::RenderInvoice(QPainter& painter, const InvoiceView& invoice, int pageWidth,
                          int pageHeight, float ppmmX, float ppmmY) {
    painter.save();
    const DeviceRect textRect = InvoiceTextRect(pageWidth, pageHeight, ppmmX, ppmmY);
    int textBottom = textRect.top;
    if (invoice.body) {
        TwipsRect draw = DeviceRectToTwips(textRect, ppmmX, ppmmY);
        const TwipsRect page = DeviceRectToTwips({0, 0, pageWidth, pageHeight}, ppmmX, ppmmY);
        const int bottomTwips = FormatRange(painter, *invoice.body, draw, page, ppmmX, ppmmY);
        textBottom = InvoiceTextBottomFromTwips(bottomTwips, ppmmY);
    }

    int y = InvoiceTableTop(textBottom, ppmmY);
    if (!invoice.grid) {
        painter.restore();
        return y;
    }
    const GoodsGrid& grid = *invoice.grid;
    painter.setFont(GridFont());
    QPen rule(Qt::black);
    rule.setWidth(invoice.lineWidth);
    const QPen text(GridTextColor());
    // Qt's PDF engine strokes lines with a pen it has been told of; a rule pen equal to the
    // painter's untouched one tells it nothing, and on a first page the lines would be filled
    // as outlines instead.
    painter.setPen(Qt::NoPen);
    const QFontMetrics fm = painter.fontMetrics();
    const int textHeight = fm.height();
    const int pitch = InvoiceRowPitch(ppmmY, textHeight);
    const float k = InvoiceColumnScale(pageWidth, ppmmX, invoice.columnWidths);
    const int padding = CellPadding(ppmmX);
    const int left = textRect.left;
    const int columns = std::min<int>(GoodsGrid::kColumnCount, invoice.columnWidths.size());
    int x = left;
    for (int r = 0; r < grid.RowCount(); ++r) {
        const int rowBottom = y + pitch;
        x = left;
        for (int c = 0; c < columns; ++c) {
            const int right = InvoiceColumnRight(x, invoice.columnWidths[c], k);
            painter.setPen(rule);
            painter.drawLine(x, y, x, rowBottom);
            painter.drawLine(x, y, right, y);
            const std::string& cell = grid.Cell(c, r);
            if (!cell.empty()) {
                // A text wider than its cell is cut short with an ellipsis rather than drawn
                // over the cells beside it.
                const QString s = fm.elidedText(GbkToQString(cell), Qt::ElideRight,
                                                CellTextRoom(r, c, x, right, padding));
                const int tx = InvoiceCellTextLeft(r, c, x, right, fm.horizontalAdvance(s));
                const int ty = InvoiceCellTextTop(y, rowBottom, textHeight);
                painter.setPen(text);
                painter.drawText(QPoint(tx, ty + fm.ascent()), s);
            }
            x = right;
        }
        painter.setPen(rule);
        painter.drawLine(x, y, x, rowBottom);
        y = rowBottom;
    }
    painter.setPen(rule);
    painter.drawLine(left, y, x, y);
    painter.restore();
    return y;
}

void detail::DrawFreightBillBackground(QPainter& painter, const QImage& background, int extentWidth,
                                       int extentHeight, float ppmmX, float ppmmY) {
    if (background.isNull()) return;
    const DeviceRect r = FreightBillBackgroundRect(extentWidth, extentHeight, ppmmX, ppmmY);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(r.left, r.top, r.Width(), r.Height()), background);
    painter.restore();
}

}  // namespace tallivo
