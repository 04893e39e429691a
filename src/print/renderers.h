// The pieces of a page: box texts, the invoice text and table, the background picture. Whole
// pages are drawn through print/page_drawing.h, which decides scale, offsets and background.
#pragma once

#include <QFont>
#include <QPainter>
#include <QTextDocument>
#include <string>
#include <vector>

#include "invoice/goods_grid.h"
#include "print/page_geometry.h"

namespace tallivo {

// Column widths of the goods grid on screen, in pixels.
const std::vector<int>& DefaultGridColumnWidths();
// The main window's font, which the grid and so its printout use: 宋体 9 pt, fuchsia.
QFont GridFont();
QColor GridTextColor();

// A freight bill without a background picture has no scale and is neither printed nor
// previewed; this says why.
const std::string& NoBackgroundMessage();

// The pieces the page drawing is made of; front ends draw whole pages through page_drawing.h.
namespace detail {

struct FreightBillBoxView {
    FieldBoxGeometry geometry;  // screen pixels on the waybill panel
    const QTextDocument* document = nullptr;
};

// Draws the text of every box, in list order, scaled onto the waybill and shifted by the
// offsets (mm). Never draws the background. The painter's state is left as it was.
void RenderFreightBill(QPainter& painter, const std::vector<FreightBillBoxView>& boxes,
                       double biasXMm, double biasYMm, float ppmmX, float ppmmY, int extentWidth,
                       int extentHeight, float sx, float sy);

struct InvoiceView {
    const QTextDocument* body = nullptr;
    const GoodsGrid* grid = nullptr;
    std::vector<int> columnWidths = DefaultGridColumnWidths();
    int lineWidth = 1;
};

// Draws the invoice text inside 10 mm margins and the goods grid as a ruled table 4 mm below
// it. Returns the bottom of the table in dots.
int RenderInvoice(QPainter& painter, const InvoiceView& invoice, int pageWidth, int pageHeight,
                  float ppmmX, float ppmmY);

// Draws the background picture where the preview puts it: the extent less 10 mm all round.
void DrawFreightBillBackground(QPainter& painter, const QImage& background, int extentWidth,
                               int extentHeight, float ppmmX, float ppmmY);

}  // namespace detail

}  // namespace tallivo
