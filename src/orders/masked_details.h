// Consignee details that the back offices hide in their exports: 张**, 138****5678, ciphertext
// between #, $ or ~ marks. Such an order cannot be delivered and is never filled.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

struct Order;

enum MaskedField : std::uint8_t {
    kMaskedConsignee = 1,
    kMaskedMobile = 2,
    kMaskedTelephone = 4,
    kMaskedAddress = 8,
};

// True when a GBK value hides its text: stars (also full-width), or ciphertext.
bool IsMaskedValue(std::string_view gbk);
// A telephone of digits, dashes and blanks shows itself, whatever else is said of it.
bool IsMaskedTelephone(std::string_view gbk);

// The MaskedField bits of an order's consignee, mobile, telephone and address.
std::uint8_t MaskedFields(const Order& order);

// "consignee", "mobile", "telephone", "address" for the bits set, in that order.
std::vector<std::string> MaskedFieldKeys(std::uint8_t masked);
// "收货人、手机" (UTF-8), for messages.
std::string MaskedFieldNames(std::uint8_t masked);
// Why the order cannot be filled and what the seller can do instead (GBK).
std::string MaskedOrderMessage(const Order& order);

}  // namespace tallivo
