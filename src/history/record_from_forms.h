// The history record of a print, taken from the values the printed form was filled with (the
// workspace remembers them: given values, or those the capture offers for the page the form was
// filled from), and those values back for a refill. A form filled by hand, or opened from a
// document, gets empty values. The invoice's trade numbers are those of its own goods grid; the
// freight bill, which has no grid, takes the values'.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>

#include "capture/capture_host.h"
#include "forms/form_values.h"
#include "forms/invoice_form.h"
#include "forms/workspace.h"
#include "history/history_record.h"

namespace tallivo {

// What the print itself adds.
struct PrintDetails {
    std::string templateName;  // GBK
    std::int64_t sequenceNumber = 0;
    std::string printer;  // GBK
    int copies = 1;
    QDateTime time;  // none: the time the record is written
};

HistoryRecord FromFreightBill(const FormValues& values, const PrintDetails& details);
// The buyer the capture remembered for this invoice goes before the values'.
HistoryRecord FromInvoice(const InvoiceForm& form, const TradeState& trade,
                          const FormValues& values, const PrintDetails& details);

// The record of printing the workspace's form now: its selected template's name, its
// sequence number and the values it was filled with. The trade numbers are also what the
// reprint question looks up.
HistoryRecord RecordForPrint(const FormsWorkspace& workspace, FormKind form,
                             const std::string& printer, int copies);

// The record's values for its keywords, as a refill puts them back.
FormValues RecordFormValues(const HistoryRecord& record);

}  // namespace tallivo
