// Values of one order, and filling a form from them as the capture would: the same keyword texts
// replaced occurrence by occurrence through the document's selection, goods rows written as the
// detail pages write them. The window's history refill and the order list fill forms this way,
// and the print record reads the values back from the form they were put into.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/keywords.h"
#include "forms/freight_bill.h"
#include "forms/invoice_form.h"

namespace tallivo {

class FormsWorkspace;

// One goods row; empty cells are left empty.
struct GoodsLine {
    std::string tradeNumber;
    std::string goodsName;
    std::string quantity;
    std::string unitPrice;
    std::string postage;
    std::string discount;
    std::string amount;
};

// GBK texts. A keyword whose value is missing stays in the form, as Replace all leaves a keyword
// the page has no value for.
struct FormValues {
    std::optional<std::string> consignee;
    std::optional<std::string> mobile;
    std::optional<std::string> telephone;  // the fixed telephone
    std::optional<std::string> address;
    std::optional<std::string> postCode;
    std::optional<std::string> buyer;
    std::optional<std::string> seller;
    std::optional<std::string> delivery;
    // {交易网站}; missing takes the workspace's site, as the capture does.
    std::optional<std::string> site;
    // {发货单号}; missing takes the workspace's invoice number, as the capture does.
    std::optional<std::int64_t> sequenceNumber;
    // Goods rows of the invoice; the freight bill, which has no grid, keeps only their trade
    // numbers for the print record.
    std::vector<GoodsLine> goods;
    // Trade numbers of the order beyond those of the goods rows: kept for the print record and
    // the reprint question, never written into the grid.
    std::vector<std::string> tradeNumbers;

    // The goods rows' trade numbers, then the others, blanks and repeats left out.
    std::vector<std::string> TradeNumbers() const;
};

// The same values with every missing text value empty: a keyword they have no value for is
// emptied rather than left standing.
FormValues WithMissingEmptied(FormValues values);

// What the capture engine offers for the page (GBK) of this site, found on scratch copies of the
// forms: consignee, both telephones, address, buyer and the goods rows' trade numbers. Missing
// values for a page it does not recognise. Asks nobody and changes nothing.
FormValues CaptureFormValues(const std::string& input, int site);

// The trade numbers of the goods rows (column 0), in row order, blanks and repeats left out.
std::vector<std::string> GridTradeNumbers(const GoodsGrid& grid);

// The keywords FillFromValues replaces, each with its value: the given values, and the site's
// name, the invoice number and the host's clock.
std::vector<std::pair<Keyword, std::string>> KeywordValues(const FormValues& values,
                                                           const CaptureHost& host);

// Fills the current tab's form (boxes or invoice text, and the invoice's goods grid) from the
// values; {交易网站}, {发货日期} and {发货时间} take the site and the workspace's clock. Marks the
// form unsaved and remembers the values as the ones the form was filled with.
void FillFromValues(FormsWorkspace& workspace, const FormValues& values);

}  // namespace tallivo
