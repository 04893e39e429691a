// `fill --orders FILE.txt`: consignees written as chat sellers paste them, one order each.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "orders/orders.h"

namespace tallivo {

// Whether a file given to --orders is read as consignees rather than as an export.
bool IsConsigneeFile(const std::string& path);

// Appends the consignees of the files to *orders in the order of their texts, telling on
// standard error what was left out (and setting *partly). An exit status when the run must stop
// before any page: a file that cannot be read, is too long, or holds no consignee.
std::optional<int> LoadConsigneeFiles(const std::vector<std::string>& files,
                                      std::vector<Order>* orders, bool* partly);

}  // namespace tallivo
