#include "print/page_drawing.h"

namespace tallivo {

using detail::DrawFreightBillBackground;
using detail::FreightBillBoxView;
using detail::InvoiceView;
using detail::RenderFreightBill;
using detail::RenderInvoice;

PageOptions PageOptions::AtDpi(int dpiX, int dpiY) {
    PageOptions options;
    options.ppmmX = PpmmFromDpi(dpiX);
    options.ppmmY = PpmmFromDpi(dpiY);
    return options;
}

PageSize A4PageSize(const PageOptions& options) {
    return {A4WidthDots(options.ppmmX), A4HeightDots(options.ppmmY)};
}

std::optional<PageSize> FreightBillPageSize(const FreightBillForm& form,
                                            const PageOptions& options) {
    const auto scale =
        ComputeFreightBillScale(form.printWidth, form.background.width(), form.background.height(),
                                options.ppmmX, options.ppmmY);
    if (!scale) return std::nullopt;
    return PageSize{scale->extentWidth, scale->extentHeight};
}

void DrawFreightBillPage(QPainter& painter, const FreightBillForm& form,
                         const PageOptions& options) {
    const auto scale =
        ComputeFreightBillScale(form.printWidth, form.background.width(), form.background.height(),
                                options.ppmmX, options.ppmmY);
    if (!scale) return;
    std::vector<FreightBillBoxView> boxes;
    boxes.reserve(form.boxes.size());
    for (const auto& box : form.boxes) {
        if (!box || !box->content) continue;
        boxes.push_back({{box->left, box->top, box->width, box->height}, box->content->Document()});
    }
    double biasX = options.applyOffsets ? form.biasX : 0;
    double biasY = options.applyOffsets ? form.biasY : 0;
    if (options.withBackground) {
        DrawFreightBillBackground(painter, form.background, scale->extentWidth, scale->extentHeight,
                                  options.ppmmX, options.ppmmY);
        biasX = biasY = 0;
    }
    RenderFreightBill(painter, boxes, biasX, biasY, options.ppmmX, options.ppmmY,
                      scale->extentWidth, scale->extentHeight, scale->sx, scale->sy);
}

PageSize InvoicePageSize(const InvoiceForm& form, const PageOptions& options) {
    if (options.paper) return *options.paper;
    const PreviewSize preview = InvoicePreviewSize(form.printWidth, options.ppmmX, options.ppmmY);
    return {preview.bitmapWidth, preview.bitmapHeight};
}

int DrawInvoicePage(QPainter& painter, const InvoiceForm& form, const PageOptions& options) {
    const PageSize page = InvoicePageSize(form, options);
    InvoiceView view;
    view.body = form.Body().Document();
    view.grid = &form.grid;
    view.columnWidths =
        options.gridColumnWidths.empty() ? form.gridColumnWidths : options.gridColumnWidths;
    view.lineWidth = options.gridLineWidth;
    return RenderInvoice(painter, view, page.width, page.height, options.ppmmX, options.ppmmY);
}

}  // namespace tallivo
