// Orders of the platforms' exports on the forms: the values an order fills a form with, which
// orders the history shows printed, and the questions a print of many orders asks once.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "forms/form_values.h"
#include "history/print_history.h"
#include "orders/order_profile.h"
#include "orders/orders.h"
#include "print/fit_check.h"

namespace tallivo {

// The values an order fills a form with: its keywords (empty where the export gives none; the
// site the workspace's where it names none), its goods rows (with the order number where a row
// has no trade number of its own) and its order number for the record.
FormValues OrderFormValues(const Order& order);

// The shipped profiles (beside the programs, or installed in share/tallivo) and the user's own
// in the program folder.
ProfileSet OrderProfiles(const std::string& programFolder);

// The last print of an order number on each form; invalid times where it was not printed.
struct OrderPrints {
    QDateTime freightBill;
    QDateTime invoice;
    const QDateTime& On(FormKind form) const {
        return form == FormKind::kFreightBill ? freightBill : invoice;
    }
};
using PrintedOrders = std::unordered_map<std::string, OrderPrints>;
// Which of these order numbers the history shows printed, on either form; nothing when it
// cannot be read (the history's TakeMessage() says why), never "none printed".
std::optional<PrintedOrders> ReadPrintedOrders(PrintHistory& history,
                                               const std::vector<std::string>& tradeNumbers);

// The trade numbers a print of the order on this form is recorded with, known before filling.
std::vector<std::string> OrderTrades(const Order& order, FormKind form);

// Puts the order on the current form, emptied first; the workspace's numbers stay.
void FillOrder(FormsWorkspace& workspace, const Order& order);

// The questions' texts (GBK).
std::string OrdersReprintQuestion(FormKind form,
                                  const std::vector<std::pair<std::string, QDateTime>>& printed);
std::string OrdersFitQuestion(const std::vector<std::pair<std::string, FitFinding>>& findings);

// Numbers stop at the largest instead of wrapping to negative ones.
std::int32_t AddSequenceNumber(std::int32_t first, std::size_t step);

}  // namespace tallivo
