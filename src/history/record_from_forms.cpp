#include "history/record_from_forms.h"

namespace tallivo {

namespace {

std::string Value(const std::optional<std::string>& v) {
    return v ? *v : std::string();
}

HistoryRecord Base(FormKind form, const FormValues& values, const PrintDetails& details) {
    HistoryRecord r;
    r.form = form;
    r.tradeNumbers = values.TradeNumbers();
    r.buyer = Value(values.buyer);
    r.consignee = Value(values.consignee);
    r.address = Value(values.address);
    r.mobile = Value(values.mobile);
    r.telephone = Value(values.telephone);
    r.templateName = details.templateName;
    r.sequenceNumber = details.sequenceNumber;
    r.printer = details.printer;
    r.copies = details.copies;
    r.time = details.time;
    return r;
}

}  // namespace

HistoryRecord FromFreightBill(const FormValues& values, const PrintDetails& details) {
    return Base(FormKind::kFreightBill, values, details);
}

HistoryRecord FromInvoice(const InvoiceForm& form, const TradeState& trade,
                          const FormValues& values, const PrintDetails& details) {
    HistoryRecord r = Base(FormKind::kInvoice, values, details);
    r.tradeNumbers = GridTradeNumbers(form.grid);
    if (!trade.currentBuyer.empty()) r.buyer = trade.currentBuyer;
    return r;
}

HistoryRecord RecordForPrint(const FormsWorkspace& workspace, FormKind form,
                             const std::string& printer, int copies) {
    const FormValues values = workspace.FilledValues(form);
    PrintDetails details;
    details.printer = printer;
    details.copies = copies;
    details.time = QDateTime::currentDateTime();
    if (form == FormKind::kInvoice) {
        if (const TemplateEntry* t = workspace.InvoiceTemplates().Selected())
            details.templateName = t->name;
        details.sequenceNumber = workspace.InvoiceSN();
        return FromInvoice(workspace.Invoice(), workspace.Trade(), values, details);
    }
    if (const TemplateEntry* t = workspace.FreightBillTemplates().Selected())
        details.templateName = t->name;
    details.sequenceNumber = workspace.FreightBillSN();
    return FromFreightBill(values, details);
}

FormValues RecordFormValues(const HistoryRecord& r) {
    FormValues values;
    values.consignee = r.consignee;
    values.mobile = r.mobile;
    values.telephone = r.telephone;
    values.address = r.address;
    values.buyer = r.buyer;
    values.sequenceNumber = r.sequenceNumber;
    values.tradeNumbers = r.tradeNumbers;
    return values;
}

}  // namespace tallivo
