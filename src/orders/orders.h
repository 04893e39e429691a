#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "capture/keywords.h"
#include "invoice/goods_grid.h"
#include "orders/export_table.h"
#include "orders/order_profile.h"

namespace tallivo {

// One goods line, in the goods grid's columns (GBK).
using OrderGoodsRow = std::array<std::string, GoodsGrid::kColumnCount>;

// The keywords an order gives, their texts one after the other in keyword order in one string,
// so that an order costs one allocation for all of them and little room in a list of many; a
// keyword never set is absent, unlike one set empty.
class OrderValues {
public:
    bool Has(Keyword keyword) const { return (given_ >> static_cast<int>(keyword)) & 1u; }
    // Empty when absent.
    std::string_view Get(Keyword keyword) const {
        const auto k = static_cast<std::size_t>(keyword);
        const std::uint32_t begin = k == 0 ? 0 : ends_[k - 1];
        return std::string_view(texts_).substr(begin, ends_[k] - begin);
    }
    // Present from then on.
    void Set(Keyword keyword, std::string_view text);
    // Room for `bytes` of texts, so that setting them one by one does not grow the string each
    // time.
    void Reserve(std::size_t bytes) { texts_.reserve(bytes); }

    bool operator==(const OrderValues& other) const {
        return given_ == other.given_ && ends_ == other.ends_ && texts_ == other.texts_;
    }

private:
    static_assert(kKeywordCount <= 32, "one bit per keyword");
    std::string texts_;
    // Where the text of each keyword ends in texts_; it begins where the one before ends.
    std::array<std::uint32_t, kKeywordCount> ends_{};
    std::uint32_t given_ = 0;
};

struct ShippingInfo;

// One order of an export, as the forms are filled from it. All texts GBK.
struct Order {
    std::string tradeNumber;
    // The keywords the export gives; a keyword it does not give is absent.
    OrderValues values;
    std::vector<OrderGoodsRow> goods;
    // Where it came from, for messages and lists: the file (UTF-8; one copy for all the orders
    // of a file) and its first row.
    std::shared_ptr<const std::string> file;
    int row = 0;
    // What the recogniser read, for an order made from pasted shipping info; null for an export.
    std::shared_ptr<const ShippingInfo> recognised;
    // MaskedField bits: the export hides the consignee's details, so the order is never filled.
    std::uint8_t masked = 0;

    // Empty when the export does not give it.
    std::string_view Value(Keyword keyword) const { return values.Get(keyword); }
    // Empty when not known.
    const std::string& File() const;
    bool Masked() const { return masked != 0; }
};

// ok is false when no order could be read at all; messages (GBK) name file and row.
struct OrdersRead {
    bool ok = false;
    std::vector<Order> orders;
    std::vector<std::string> messages;
    // Files left out because no profile recognised their header (UTF-8 path, header as read).
    struct Unrecognised {
        std::string file;
        std::vector<std::string> header;
        // The names of the profiles that fit it equally well, when more than one does.
        std::vector<std::string> tied;
    };
    std::vector<Unrecognised> unrecognised;
};

// The first of many rows with the same key (an order number), without an allocation or a copy
// per key: an open-addressed table of positions, sized once for `count` keys. keyAt(position)
// gives the key stored at a position; it must stay valid while the table is used.
class PositionTable {
public:
    explicit PositionTable(std::size_t count) {
        std::size_t size = 1024;
        while (size < 2 * count) size *= 2;
        slots_.assign(size, kFree);
    }
    static std::uint64_t Hash(std::string_view key) { return std::hash<std::string_view>()(key); }
    // Asks for the slot of a key to be fetched while other keys are looked up.
    void Prefetch(std::uint64_t hash) const {
        __builtin_prefetch(slots_.data() + (hash & (slots_.size() - 1)));
    }
    // The position stored under `key`, or `position` once stored.
    template <typename KeyAt>
    std::size_t FindOrAdd(std::string_view key, std::size_t position, KeyAt keyAt) {
        return FindOrAdd(key, Hash(key), position, keyAt);
    }
    template <typename KeyAt>
    std::size_t FindOrAdd(std::string_view key, std::uint64_t hash, std::size_t position,
                          KeyAt keyAt) {
        // A slot keeps high bits of its key's hash beside the position, so that another key is
        // passed over without reading it: a list of orders is far larger than the cache.
        const std::uint64_t tag = hash & kTagBits;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const std::uint64_t stored = slots_[slot];
            if (stored == kFree) {
                slots_[slot] = tag | position;
                return position;
            }
            const std::size_t at = stored & ~kTagBits;
            if ((stored & kTagBits) == tag && std::string_view(keyAt(at)) == key) return at;
        }
    }

    // The position stored under `key`, or kNone.
    template <typename KeyAt>
    std::size_t Find(std::string_view key, std::uint64_t hash, KeyAt keyAt) const {
        const std::uint64_t tag = hash & kTagBits;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const std::uint64_t stored = slots_[slot];
            if (stored == kFree) return kNone;
            const std::size_t at = stored & ~kTagBits;
            if ((stored & kTagBits) == tag && std::string_view(keyAt(at)) == key) return at;
        }
    }
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

private:
    // Positions below 2^32; the free mark is none.
    static constexpr std::uint64_t kTagBits = 0xFFFFFFFF00000000u;
    static constexpr std::uint64_t kFree = 0xFFFFFFFFu;
    std::vector<std::uint64_t> slots_;
};

// The orders of one order-list table: rows with the same order number are one order, each row
// a goods row; orders keep the order of their first rows. Rows without an order number, orders
// without a consignee, and numbers that are none are reported; the rest is read.
OrdersRead OrdersFromTable(const ExportTable& table, const OrderProfile& profile);

// Puts the rows of a goods list in place of the goods rows of the orders they name; the order's
// postage stays on its first goods row. Rows naming no known order are reported.
void JoinGoodsList(const ExportTable& table, const OrderProfile& profile, OrdersRead* orders);

// Reads export files: order lists first, in the order given, then goods lists joined to them.
// `forced`, when given, is used for every file instead of recognising the header; a file whose
// header no profile recognises is reported with its header and left out.
OrdersRead ReadOrders(const std::vector<std::string>& files,
                      const std::vector<OrderProfile>& profiles,
                      const OrderProfile* forced = nullptr, const ExportLimits& limits = {});

// The export habits, on UTF-8 text: "...(310012)" split into address and post code; mobile
// numbers without "+86" / "86-"; a decimal number in plain digits ("¥1,280.50" -> "1280.50"),
// false when the text is no number.
void SplitPostCode(std::string* address, std::string* postCode);
std::string StripCountryPrefix(const std::string& mobile);
bool NormaliseNumber(const std::string& text, bool integer, std::string* out);

}  // namespace tallivo
