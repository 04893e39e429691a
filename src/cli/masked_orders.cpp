#include "cli/masked_orders.h"

#include <algorithm>
#include <cstdio>

#include "cli/json_writer.h"
#include "orders/masked_details.h"
#include "text/gbk_codec.h"

namespace tallivo {

std::size_t SetAsideMaskedOrders(std::vector<Order>* orders, FormKind form, bool json) {
    const auto masked = std::stable_partition(orders->begin(), orders->end(),
                                              [](const Order& o) { return !o.Masked(); });
    JsonWriter out;
    for (auto it = masked; it != orders->end(); ++it) {
        const std::string message = GbkToUtf8(MaskedOrderMessage(*it));
        std::fprintf(stderr, "%s: %s\n", it->File().c_str(), message.c_str());
        if (!json) continue;
        out.Clear();
        out.BeginObject();
        out.Key("page");
        out.String(it->File());
        out.Key("trade");
        out.String(GbkToUtf8(it->tradeNumber));
        out.Key("row");
        out.Int(it->row);
        out.Key("form");
        out.String(form == FormKind::kFreightBill ? "freight-bill" : "invoice");
        out.Key("masked");
        out.BeginArray();
        for (const std::string& key : MaskedFieldKeys(it->masked)) out.String(key);
        out.EndArray();
        out.Key("messages");
        out.BeginArray();
        out.String(message);
        out.EndArray();
        out.Key("questions");
        out.BeginArray();
        out.EndArray();
        out.EndObject();
        std::fwrite(out.Text().data(), 1, out.Text().size(), stdout);
        std::fputc('\n', stdout);
    }
    const std::size_t count = static_cast<std::size_t>(orders->end() - masked);
    orders->erase(masked, orders->end());
    if (count > 0 && orders->empty()) {
        std::fprintf(stderr,
                     "tallivo-cli: every order hides the consignee's details; export the orders "
                     "with the details shown, or paste each order's page\n");
    }
    return count;
}

}  // namespace tallivo
