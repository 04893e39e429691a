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
    record.print_width = form.printWidth;
    record.body_rtf = form.Body().ToRtf();
    AppendInvoiceRecord(out, record);
}

void ApplyInvoiceRecord(InvoiceForm& form, const InvoiceRecordRead& read) {
    if (read.print_width) {
        form.printWidth = std::clamp(*read.print_width, kMinPrintWidth, kMaxPrintWidth);
    }
    if (read.body_rtf) form.Body().LoadRtf(*read.body_rtf);
}

bool ApplyInvoiceRecord(InvoiceForm& form, ByteReader& reader, Prompter* prompter) {
    const InvoiceRecordRead read = ReadInvoiceRecord(reader);
    ApplyInvoiceRecord(form, read);
    if (!read.ok && prompter && !read.message.empty()) prompter->ShowMessage(read.message);
    return read.ok;
}

}  // namespace tallivo
