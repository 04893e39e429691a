// The history record of a print, taken from the forms and the pasted page.
//
// Neither form says which of its texts is the consignee: the waybill's boxes have no labels and
// the invoice text is free. So the values are those the capture engine offers for the page that
// is still in the input memo: it is run on scratch copies (a box per keyword, an invoice with its
// own grid), which leaves the user's forms as they are. A form filled by hand, or opened from a
// document after the page was replaced, gets empty values. The invoice's trade numbers are
// those of its own goods grid; the freight bill, which has no grid, takes the page's.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "forms/invoice_form.h"
#include "forms/workspace.h"
#include "history/history_record.h"

namespace tallivo {

struct TradeValues {
    std::string buyer;
    std::string consignee;
    std::string address;
    std::string telephone;  // mobile and fixed telephone, blank between, when both are given
    std::vector<std::string> tradeNumbers;
};

// What the capture engine offers for the page (GBK) of this site; empty values for a page it
// does not recognise. Asks nobody and changes nothing.
TradeValues CaptureTradeValues(const std::string& input, int site);

// The trade numbers of the goods rows (column 0), in row order, blanks and repeats left out.
std::vector<std::string> GridTradeNumbers(const GoodsGrid& grid);

// What the print itself adds.
struct PrintDetails {
    std::string templateName;  // GBK
    std::int64_t sequenceNumber = 0;
    std::string printer;  // GBK
    int copies = 1;
    QDateTime time;  // none: the time the record is written
};

HistoryRecord FromFreightBill(const TradeValues& values, const PrintDetails& details);
// The buyer the capture remembered for this invoice goes before the page's.
HistoryRecord FromInvoice(const InvoiceForm& form, const TradeState& trade,
                          const TradeValues& values, const PrintDetails& details);

// The record of printing the workspace's form of this tab now: its selected template's name,
// its sequence number and the values above. The trade numbers are also what the reprint
// question looks up.
HistoryRecord RecordForPrint(FormsWorkspace& workspace, Tab tab, const std::string& printer,
                             int copies);

}  // namespace tallivo
