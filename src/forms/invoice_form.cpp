#include "forms/invoice_form.h"

#include <algorithm>

#include "forms/freight_bill.h"

namespace tallivo {

void ClearInvoice(InvoiceForm& form, TradeState& trade) {
    form.Body().SetPlainText("");
    trade.currentBuyer.clear();
    trade.askMultipleBuyers = true;
    form.grid.Reset();
    form.printWidth = kDefaultPrintWidth;
}

void WriteInvoiceRecord(std::string& out, const InvoiceForm& form) {
    InvoiceRecord record;
    record.printWidth = form.printWidth;
    record.bodyRtf = form.Body().ToRtf();
    AppendInvoiceRecord(out, record);
}

void ApplyInvoiceRecord(InvoiceForm& form, const InvoiceRecordRead& read) {
    if (read.printWidth) {
        form.printWidth = std::clamp(*read.printWidth, kMinPrintWidth, kMaxPrintWidth);
    }
    if (read.bodyRtf) form.Body().LoadRtf(*read.bodyRtf);
}

bool ApplyInvoiceRecord(InvoiceForm& form, ByteReader& reader, Prompter* prompter) {
    const InvoiceRecordRead read = ReadInvoiceRecord(reader);
    ApplyInvoiceRecord(form, read);
    if (!read.ok && prompter && !read.message.empty()) prompter->ShowMessage(read.message);
    return read.ok;
}

void ApplyInvoiceDocument(InvoiceForm& form, const InvoiceDocumentRead& read) {
    ApplyInvoiceRecord(form, read.record);
    if (!read.rowCount) return;
    GoodsGrid& grid = form.grid;
    // A view follows one reset rather than a change per cell of a long grid.
    GoodsGridListener* listener = grid.Listener();
    if (listener) listener->GridAboutToReset();
    grid.SetListener(nullptr);
    grid.SetRowCount(*read.rowCount);
    for (std::size_t i = 0; i < read.cells.size(); ++i) {
        grid.SetCell(static_cast<int>(i % kInvoiceGridColumns),
                     static_cast<int>(1 + i / kInvoiceGridColumns), read.cells[i]);
    }
    grid.SetListener(listener);
    if (listener) listener->GridReset();
}

std::string InvoiceDocumentBytes(const InvoiceForm& form) {
    InvoiceRecord record;
    record.printWidth = form.printWidth;
    record.bodyRtf = form.Body().ToRtf();
    const GoodsGrid& grid = form.grid;
    InvoiceGridCells cells;
    cells.rowCount = grid.RowCount();
    cells.cells.reserve(static_cast<std::size_t>(grid.RowCount() - 1) * kInvoiceGridColumns);
    for (int row = 1; row < grid.RowCount(); ++row) {
        for (int column = 0; column < kInvoiceGridColumns; ++column) {
            cells.cells.push_back(grid.Cell(column, row));
        }
    }
    return FormatInvoiceDocument(record, cells);
}

}  // namespace tallivo
