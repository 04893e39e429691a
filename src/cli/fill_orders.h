// The orders `fill --orders` fills: the export files read with the profile asked for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "orders/orders.h"

namespace tallivo {

// Reads the export files of `options`, telling on standard error what could not be read.
// An exit status when no page may be filled: a profile that cannot be had, a header no profile
// recognises, or no order at all. `partly` is set when some rows or files were left out.
std::optional<int> LoadFillOrders(const FillOptions& options, const std::string& programFolder,
                                  std::vector<Order>* orders, bool* partly);

}  // namespace tallivo
