#include "forms/forms_capture_host.h"

#include <ctime>

namespace tallivo {

CaptureTime ClockNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

FormsCaptureHost::FormsCaptureHost(const std::string& input, FreightBillForm* freightBill,
                                   InvoiceForm* invoice, TradeState& trade, Prompter& prompter,
                                   FormsCaptureSettings settings)
    : input_(input),
      freightBill_(freightBill),
      invoice_(invoice),
      trade_(trade),
      prompter_(prompter),
      settings_(settings) {}

int FormsCaptureHost::FieldBoxCount() const {
    return freightBill_ ? static_cast<int>(freightBill_->boxes.size()) : 0;
}

TextDocument& FormsCaptureHost::FieldBox(int index) {
    if (index < 0 || index >= FieldBoxCount()) return spareDocument_;
    return *freightBill_->boxes[static_cast<std::size_t>(index)]->content;
}

TextDocument& FormsCaptureHost::InvoiceDocument() {
    return invoice_ ? invoice_->Body() : spareDocument_;
}

GoodsGrid& FormsCaptureHost::Goods() {
    return invoice_ ? invoice_->grid : spareGrid_;
}

void FormsCaptureHost::SetReplaceText(const std::string& text) {
    replace_ = text;
    if (settings_.replaceTextChanged) settings_.replaceTextChanged();
}

void FormsCaptureHost::SetFreightBillUnsaved() {
    if (settings_.freightBillChanged) settings_.freightBillChanged();
}

void FormsCaptureHost::SetInvoiceUnsaved() {
    if (settings_.invoiceChanged) settings_.invoiceChanged();
}

}  // namespace tallivo
