// The orders of `fill --orders` whose consignee details the export hides.
#pragma once

#include <cstddef>
#include <vector>

#include "orders/orders.h"
#include "text/form_kind.h"

namespace tallivo {

// Takes the masked orders out of `orders`, whatever else leaves orders out: no page is filled,
// drawn or printed for them. Each is named on standard error and, with `json`, has an object
// of its own on standard output with "masked" (the fields hidden) and no "boxes". Returns how
// many there were.
std::size_t SetAsideMaskedOrders(std::vector<Order>* orders, FormKind form, bool json);

}  // namespace tallivo
