// Many consignees pasted at once, as chat sellers copy them, made into one order each.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "orders/orders.h"
#include "orders/shipping_recogniser.h"

namespace tallivo {

// A paste longer than this is not split: a day's consignees are far fewer characters.
constexpr qsizetype kMaxConsigneePasteLength = 1 << 20;

// The site the orders of a paste give as {交易网站}.
inline constexpr const char* kConsigneeSiteUtf8 = u8"收货信息";

struct ConsigneePaste {
    // One order per consignee, in the order of the text; the order number empty, `recognised`
    // set, `row` the consignee's first line.
    std::vector<Order> orders;
    // Lines that hold text but no consignee, left out: line number (1-based) and text.
    std::vector<std::pair<int, QString>> leftOut;
    // Split one consignee a line rather than at blank lines (in at least one block).
    bool oneALine = false;
    bool tooLong = false;
};

// A consignee is a block of lines between blank lines, or one line where every line of a block
// that holds any consignee part holds a name or mobile with an address (lines holding none of
// a consignee's parts are then left out). A block in which the recogniser finds no mobile,
// telephone or region, and no name beside an address, is left out. `source` names the file or
// paste in the orders (UTF-8).
ConsigneePaste ConsigneesFromText(const QString& text, const std::string& source,
                                  const RegionTable& table);
// With the process-wide table.
ConsigneePaste ConsigneesFromText(const QString& text, const std::string& source);

// The text of a file of consignees: UTF-8 (a byte-order mark or not) where it is valid UTF-8,
// else GBK.
QString ConsigneeFileText(std::string_view bytes);

// The order of one consignee: the found fields as keywords (a field not found stays absent),
// the site "收货信息", no order number.
Order OrderFromShippingInfo(ShippingInfo info, std::shared_ptr<const std::string> source, int line);

// The lines left out, one a line ("第3行没有收货信息，没有加入：..."), the first 20 of them;
// empty when none was.
QString LeftOutMessage(const ConsigneePaste& paste);

}  // namespace tallivo
