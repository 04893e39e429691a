// One way to draw a whole page of either form, for the printout, the preview and the PDF output
// alike: the scale, the boxes, the background and the offsets are decided here.
#pragma once

#include <QPainter>
#include <optional>
#include <vector>

#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "print/renderers.h"

namespace tallivo {

// A page in device dots.
struct PageSize {
    int width = 0;
    int height = 0;
    bool operator==(const PageSize& o) const { return width == o.width && height == o.height; }
};

struct PageOptions {
    // Dots per millimetre of the target device (PpmmFromDpi).
    float ppmmX = 0;
    float ppmmY = 0;
    // Freight bill: shift the boxes by the form's X and Y offsets, as they are printed onto a
    // pre-printed waybill.
    bool applyOffsets = true;
    // Freight bill: draw the background picture under the boxes. The boxes then sit on the
    // picture where the form shows them, so the offsets are not applied.
    bool withBackground = false;
    // Invoice: the paper it is spread across (a printer's page, an A4 PDF page). Without it
    // the page is the form's width by an A4 height, as the preview shows it.
    std::optional<PageSize> paper;
    // Invoice: column widths that stand in for the form's own; empty takes the form's.
    std::vector<int> gridColumnWidths;
    // Invoice: the goods grid's line width on screen.
    int gridLineWidth = 1;

    // Options for a device of these resolutions, everything else as above.
    static PageOptions AtDpi(int dpiX, int dpiY);
};

// An A4 page at the options' resolution.
PageSize A4PageSize(const PageOptions& options);

// The freight-bill page: the waybill at the form's print width plus 10 mm on every side.
// Nothing when the form has no background picture, which alone gives the scale: the caller
// shows NoBackgroundMessage() instead of drawing.
std::optional<PageSize> FreightBillPageSize(const FreightBillForm& form,
                                            const PageOptions& options);

// Draws the freight-bill page from the painter's origin: the background when asked for, then
// every box's text in list order. Draws nothing when the form has no background picture.
// The painter's state is left as it was.
void DrawFreightBillPage(QPainter& painter, const FreightBillForm& form,
                         const PageOptions& options);

// The invoice page: the paper when one is given, else the form's width by an A4 height.
PageSize InvoicePageSize(const InvoiceForm& form, const PageOptions& options);

// Draws the invoice page from the painter's origin: the text inside 10 mm margins and the goods
// grid 4 mm below it. Returns the bottom of the table in dots. The painter's state is left as
// it was.
int DrawInvoicePage(QPainter& painter, const InvoiceForm& form, const PageOptions& options);

}  // namespace tallivo
