// Orders of the platforms' exports on the forms: the values an order fills a form with, which
// orders the history shows printed, and the questions a print of many orders asks once. The
// command line and the order list window share these, so both print an order alike.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "forms/form_values.h"
#include "orders/order_profile.h"
#include "orders/orders.h"
#include "print/fit_check.h"
#include "session/print_session.h"

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
// Every order number in the history, read in one pass; empty when it cannot be read (the
// history's TakeMessage() says why).
PrintedOrders ReadPrintedOrders(PrintHistory& history);

// Puts the order on the current form, emptied first; the workspace's numbers stay.
void FillOrder(FormsWorkspace& workspace, const Order& order);

// Before a print of many orders: fills each in turn to find what does not fit and which were
// printed before, then asks each question once for all of them: the reprint question (when
// the warning is on) listing the orders printed before, the fit question listing the orders
// with findings. An order a question was answered No for is left out of the print; the others
// go on. The orders are numbered on from the first numbers, as their pages will be. `progress` is
// told after each order and may stop the check by returning false.
struct OrderBatchCheck {
    bool stopped = false;
    // Per order: empty when it may be printed, else why not (English).
    std::vector<std::string> notPrinted;
    std::vector<std::vector<FitFinding>> findings;
    // Per order: true when a question named it.
    std::vector<bool> asked;
};
OrderBatchCheck CheckOrderBatch(PrintSession& session, FormsWorkspace& workspace,
                                const std::vector<const Order*>& orders,
                                std::int32_t firstInvoiceSn, std::int32_t firstFreightBillSn,
                                Prompter& prompter,
                                const std::function<bool(int done)>& progress = nullptr);

// The questions' texts (GBK).
std::string OrdersReprintQuestion(FormKind form,
                                  const std::vector<std::pair<std::string, QDateTime>>& printed);
std::string OrdersFitQuestion(const std::vector<std::pair<std::string, FitFinding>>& findings);

// Numbers stop at the largest instead of wrapping to negative ones.
std::int32_t AddSequenceNumber(std::int32_t first, std::size_t step);

}  // namespace tallivo
