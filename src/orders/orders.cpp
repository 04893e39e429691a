#include "orders/orders.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "orders/masked_details.h"
#include "orders/shipping_recogniser.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

// Some platforms (JD) give the whole address in one column without blanks. The recogniser writes
// it the way the order pages do ("省 市 区 详细"); anything it cannot split, or that it reads as
// more than an address, is kept as it came.
std::string WrittenAddress(std::string_view utf8) {
    if (utf8.empty() || utf8.find(' ') != std::string_view::npos) return std::string(utf8);
    const ShippingInfo info =
        RecogniseShippingInfo(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    if (!info.name.isEmpty() || !info.mobile.isEmpty() || !info.telephone.isEmpty() ||
        (info.province.isEmpty() && info.city.isEmpty() && info.district.isEmpty()))
        return std::string(utf8);
    return info.Address().toStdString();
}

bool IsDigits(std::string_view s, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
    }
    return true;
}

// Where a post code at the end of an address begins (its bracket), or npos; `code` its digits.
std::size_t PostCodeAt(std::string_view a, std::string_view* code) {
    // "(310012)" or the full-width "（310012）" (its last byte 0x89) at the end.
    if (a.empty() || (a.back() != ')' && a.back() != '\x89')) return std::string_view::npos;
    for (const auto& [open, close] :
         {std::pair<std::string_view, std::string_view>{"(", ")"}, {"（", "）"}}) {
        if (a.size() < close.size() || a.substr(a.size() - close.size()) != close) continue;
        const std::size_t end = a.size() - close.size();
        const std::size_t start = a.rfind(open, end);
        if (start == std::string_view::npos || end - start - open.size() != 6 ||
            !IsDigits(a, start + open.size(), end)) {
            continue;
        }
        *code = a.substr(start + open.size(), 6);
        return start;
    }
    return std::string_view::npos;
}

std::size_t TrimmedEnd(std::string_view a, std::size_t end) {
    while (end > 0 && a[end - 1] == ' ') --end;
    return end;
}

const std::string& Cell(const ExportRow& row, const std::vector<int>& map, OrderField field) {
    static const std::string kNone;
    const int c = map[static_cast<int>(field)];
    return c >= 0 && static_cast<std::size_t>(c) < row.cells.size()
               ? row.cells[static_cast<std::size_t>(c)]
               : kNone;
}

// The fields the keywords are made of.
constexpr OrderField kValueFields[] = {
    OrderField::kConsignee, OrderField::kMobile,   OrderField::kTelephone, OrderField::kAddress,
    OrderField::kProvince,  OrderField::kCity,     OrderField::kDistrict,  OrderField::kStreet,
    OrderField::kDetail,    OrderField::kPostCode, OrderField::kBuyer,     OrderField::kSeller,
    OrderField::kDelivery,  OrderField::kSite};

struct GoodsColumn {
    OrderField field;
    int column;
    bool integer;
    const char* name;
};
constexpr GoodsColumn kGoodsNumbers[] = {
    {OrderField::kQuantity, GoodsGrid::kQuantity, true, "数量"},
    {OrderField::kUnitPrice, GoodsGrid::kUnitPrice, false, "单价"},
    {OrderField::kPostage, GoodsGrid::kPostage, false, "邮费"},
    {OrderField::kDiscount, GoodsGrid::kDiscount, false, "折扣"},
    {OrderField::kReduction, GoodsGrid::kDiscount, false, "优惠"},
    {OrderField::kAmount, GoodsGrid::kAmount, false, "金额"},
};

// A goods row from an export row; numbers checked, bad ones reported and left empty.
OrderGoodsRow GoodsFrom(const ExportTable& table, const ExportRow& row, const std::vector<int>& map,
                        const std::string& trade, MessageLimiter* messages) {
    OrderGoodsRow goods;
    goods[GoodsGrid::kTradeNumber] = Utf8ToGbk(trade);
    goods[GoodsGrid::kGoodsName] = PastedUtf8ToGbk(Cell(row, map, OrderField::kGoodsName));
    for (const GoodsColumn& g : kGoodsNumbers) {
        const std::string& text = Cell(row, map, g.field);
        if (text.empty()) continue;
        std::string number;
        if (!NormaliseNumber(text, g.integer, &number)) {
            messages->Add("不是数字的数目", RowMessage(table.file, row.row,
                                                       std::string(g.name) + "“" + Excerpt(text) +
                                                           "”不是数字，当作空的。"));
            continue;
        }
        if (g.field == OrderField::kReduction) {
            if (number[0] == '-') {
                number.erase(0, 1);
            } else if (number.find_first_of("123456789") != std::string::npos) {
                number.insert(0, "-");
            }
        }
        goods[static_cast<std::size_t>(g.column)] = number;
    }
    return goods;
}

bool HasGoods(const OrderGoodsRow& goods) {
    for (std::size_t c = GoodsGrid::kGoodsName; c < goods.size(); ++c) {
        if (!goods[c].empty()) return true;
    }
    return false;
}

// The address and post code of a row, where the order has none yet. Most exports give the
// address in one cell; it is read in place rather than copied.
void PutAddress(const ExportRow& row, const std::vector<int>& map, OrderValues* values) {
    std::string joined;
    std::string_view address = Cell(row, map, OrderField::kAddress);
    if (address.empty()) {
        // Some exports (Youzan) give the whole address again as the detail: the parts it
        // repeats are taken off it.
        std::string_view detail = Cell(row, map, OrderField::kDetail);
        for (OrderField part : {OrderField::kProvince, OrderField::kCity, OrderField::kDistrict,
                                OrderField::kStreet}) {
            const std::string& text = Cell(row, map, part);
            if (!text.empty() && detail.size() > text.size() &&
                detail.compare(0, text.size(), text) == 0)
                detail.remove_prefix(text.size());
        }
        for (OrderField part : {OrderField::kProvince, OrderField::kCity, OrderField::kDistrict,
                                OrderField::kStreet, OrderField::kDetail}) {
            const std::string_view text =
                part == OrderField::kDetail ? detail : std::string_view(Cell(row, map, part));
            if (text.empty()) continue;
            if (!joined.empty()) joined += ' ';
            joined += text;
        }
        address = joined;
    }
    std::string_view postCode = Cell(row, map, OrderField::kPostCode);
    std::string_view code;
    const std::size_t start = PostCodeAt(address, &code);
    if (start != std::string_view::npos) {
        if (postCode.empty()) postCode = code;
        address = address.substr(0, TrimmedEnd(address, start));
    }
    if (!values->Has(Keyword::kAddress)) {
        std::string written;
        if (address.find(' ') == std::string_view::npos)
            address = written = WrittenAddress(address);
        if (!address.empty()) values->Set(Keyword::kAddress, PastedUtf8ToGbk(address));
    }
    if (!values->Has(Keyword::kPostCode) && !postCode.empty())
        values->Set(Keyword::kPostCode, PastedUtf8ToGbk(postCode));
}

// "2.00803071234567E+17": a spreadsheet showed a long number so and saved it as shown.
bool LooksScientific(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    if (i == digits) return false;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    }
    if (i >= s.size() || (s[i] != 'E' && s[i] != 'e')) return false;
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t exponent = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i > exponent && i == s.size();
}

// The order numbers a spreadsheet has turned into numbers and so lost digits of: the rows of
// the trade column in a table's stored numbers.
class DamagedTrades {
public:
    DamagedTrades(const ExportTable& table, int tradeColumn) {
        for (const StoredNumber& n : table.storedNumbers) {
            if (n.column == tradeColumn) stored_.emplace(n.row, n.stored);
        }
    }
    // Empty when the number is whole, else what the file holds.
    std::string Damage(const ExportRow& row, const std::string& trade) const {
        if (LooksScientific(trade)) return trade;
        if (stored_.empty()) return std::string();
        const auto it = stored_.find(row.row);
        return it == stored_.end() ? std::string() : it->second;
    }

private:
    std::unordered_map<int, std::string> stored_;
};

void ReportDamagedTrade(const ExportTable& table, const ExportRow& row, const std::string& stored,
                        MessageLimiter* messages) {
    messages->Add("订单号被 Excel 改成了数字",
                  RowMessage(table.file, row.row,
                             "订单号被 Excel 存成了数字“" + Excerpt(stored) +
                                 "”，超过 15 位的数字已经丢失，这一行没有读入；请把订单号列设为"
                                 "文本后重新导出。"));
}

}  // namespace

const std::string& Order::File() const {
    static const std::string kNone;
    return file ? *file : kNone;
}

void OrderValues::Set(Keyword keyword, std::string_view text) {
    const auto k = static_cast<std::size_t>(keyword);
    const std::uint32_t begin = k == 0 ? 0 : ends_[k - 1];
    texts_.replace(begin, ends_[k] - begin, text);
    const std::uint32_t end = begin + static_cast<std::uint32_t>(text.size());
    const std::uint32_t grown = end - ends_[k];  // modulo 2^32, as the ends are
    for (std::size_t i = k; i < ends_.size(); ++i) ends_[i] += grown;
    given_ |= 1u << k;
}

void SplitPostCode(std::string* address, std::string* postCode) {
    std::string_view code;
    const std::size_t start = PostCodeAt(*address, &code);
    if (start == std::string_view::npos) return;
    if (postCode->empty()) postCode->assign(code);
    address->erase(TrimmedEnd(*address, start));
}

std::string StripCountryPrefix(const std::string& mobile) {
    // Every prefix, and the number without its plus, starts so; most numbers do not.
    if (mobile.empty() || (mobile[0] != '+' && mobile[0] != '0' && mobile[0] != '8')) return mobile;
    for (std::string_view p : {"+86-", "+86 ", "+86", "0086-", "0086", "86-", "86 "}) {
        if (mobile.compare(0, p.size(), p) != 0) continue;
        const std::string rest = mobile.substr(p.size());
        // Only a prefix before a mobile number is one; "8613..." without a mark stays.
        if (rest.size() >= 11 && rest[0] == '1') return rest;
    }
    // A spreadsheet that took "+8613912345678" for a number dropped the plus.
    if (mobile.size() == 13 && mobile.compare(0, 3, "861") == 0 &&
        mobile.find_first_not_of("0123456789") == std::string::npos) {
        return mobile.substr(2);
    }
    return mobile;
}

bool NormaliseNumber(const std::string& text, bool integer, std::string* out) {
    std::string t;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ',' || text[i] == ' ') continue;
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            t.push_back(text[i]);
        } else if (text.compare(i, 2, "¥") == 0) {
            ++i;
        } else if (text.compare(i, 3, "￥") == 0) {
            i += 2;
        } else {
            t.push_back(text[i]);
        }
    }
    std::size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    const std::size_t digitsStart = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    bool digits = i > digitsStart;
    if (i < t.size() && t[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        digits = digits || i > fraction;
        if (integer && t.find_first_not_of('0', fraction) < i) return false;
        if (integer) t.erase(fraction - 1, i - fraction + 1), i = fraction - 1;
    }
    if (!digits || i != t.size()) return false;
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    *out = t;
    return true;
}

OrdersRead OrdersFromTable(const ExportTable& table, const OrderProfile& profile) {
    OrdersRead result;
    const std::vector<int> map = MapColumns(profile, table.header);
    PositionTable byTrade(table.rows.size());
    // The number of each order as its first row gives it (UTF-8), for the table's look-ups.
    std::vector<std::string_view> trades;
    trades.reserve(table.rows.size());
    result.orders.reserve(table.rows.size());
    const std::string site = Utf8ToGbk(profile.site);
    const auto file = std::make_shared<const std::string>(table.file);
    MessageLimiter messages(&result.messages);
    const DamagedTrades damaged(table, map[static_cast<int>(OrderField::kTrade)]);
    // The table is far larger than the cache: each row's slot is asked for some rows ahead.
    constexpr std::size_t kAhead = 16;
    std::vector<std::uint64_t> hashes(table.rows.size());
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        hashes[r] = PositionTable::Hash(Cell(table.rows[r], map, OrderField::kTrade));
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const ExportRow& row = table.rows[r];
        if (r + kAhead < hashes.size()) byTrade.Prefetch(hashes[r + kAhead]);
        const std::string& trade = Cell(row, map, OrderField::kTrade);
        if (trade.empty()) {
            messages.Add("没有订单号", RowMessage(table.file, row.row, "没有订单号，没有读入。"));
            continue;
        }
        // Joined on, a number that lost its digits would merge other orders into this one.
        if (const std::string stored = damaged.Damage(row, trade); !stored.empty()) {
            ReportDamagedTrade(table, row, stored, &messages);
            continue;
        }
        const std::size_t at = byTrade.FindOrAdd(trade, hashes[r], result.orders.size(),
                                                 [&trades](std::size_t i) { return trades[i]; });
        if (at == result.orders.size()) {
            Order& order = result.orders.emplace_back();
            order.tradeNumber = Utf8ToGbk(trade);
            order.file = file;
            order.row = row.row;
            // About the texts of the first row: GBK takes no more bytes than UTF-8.
            std::size_t bytes = site.size() + 8;
            for (OrderField field : kValueFields) bytes += Cell(row, map, field).size();
            order.values.Reserve(std::min<std::size_t>(bytes, 1024));
            trades.push_back(trade);
        }
        Order& order = result.orders[at];
        // The first row that gives a keyword decides it; later rows of the order repeat it.
        auto put = [&](Keyword keyword, std::string_view utf8) {
            if (!utf8.empty() && !order.values.Has(keyword))
                order.values.Set(keyword, PastedUtf8ToGbk(utf8));
        };
        if (!order.values.Has(Keyword::kAddress) || !order.values.Has(Keyword::kPostCode))
            PutAddress(row, map, &order.values);
        put(Keyword::kConsignee, Cell(row, map, OrderField::kConsignee));
        if (!order.values.Has(Keyword::kMobilePhone))
            put(Keyword::kMobilePhone, StripCountryPrefix(Cell(row, map, OrderField::kMobile)));
        put(Keyword::kTelephone, Cell(row, map, OrderField::kTelephone));
        put(Keyword::kBuyer, Cell(row, map, OrderField::kBuyer));
        put(Keyword::kSeller, Cell(row, map, OrderField::kSeller));
        put(Keyword::kDelivery, Cell(row, map, OrderField::kDelivery));
        const std::string& rowSite = Cell(row, map, OrderField::kSite);
        if (!rowSite.empty())
            put(Keyword::kWebSite, rowSite);
        else if (!site.empty() && !order.values.Has(Keyword::kWebSite))
            order.values.Set(Keyword::kWebSite, site);

        OrderGoodsRow goods = GoodsFrom(table, row, map, trade, &messages);
        if (!HasGoods(goods)) continue;
        // Postage is the order's: an export that repeats it on each goods row charges it once.
        if (!order.goods.empty() &&
            goods[GoodsGrid::kPostage] == order.goods.front()[GoodsGrid::kPostage]) {
            goods[GoodsGrid::kPostage] =
                order.goods.front()[GoodsGrid::kPostage].empty() ? "" : "0.00";
        }
        order.goods.push_back(std::move(goods));
    }
    // An order nobody can be sent to is no order. Dropped in place: the others stay put.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < result.orders.size(); ++i) {
        Order& order = result.orders[i];
        if (order.Value(Keyword::kConsignee).empty()) {
            messages.Add("没有收货人", RowMessage(table.file, order.row,
                                                  "订单“" + Excerpt(GbkToUtf8(order.tradeNumber)) +
                                                      "”没有收货人，没有读入。"));
            continue;
        }
        order.masked = MaskedFields(order);
        if (kept != i) result.orders[kept] = std::move(order);
        ++kept;
    }
    messages.Finish(table.file);
    result.orders.erase(result.orders.begin() + static_cast<std::ptrdiff_t>(kept),
                        result.orders.end());
    result.ok = true;
    return result;
}

void JoinGoodsList(const ExportTable& table, const OrderProfile& profile, OrdersRead* orders) {
    const std::vector<int> map = MapColumns(profile, table.header);
    std::unordered_map<std::string, std::size_t> byTrade;
    for (std::size_t i = 0; i < orders->orders.size(); ++i)
        byTrade.emplace(orders->orders[i].tradeNumber, i);
    std::vector<bool> replaced(orders->orders.size(), false);
    std::vector<std::string> postage(orders->orders.size());
    MessageLimiter messages(&orders->messages);
    const DamagedTrades damaged(table, map[static_cast<int>(OrderField::kTrade)]);
    for (const ExportRow& row : table.rows) {
        const std::string& trade = Cell(row, map, OrderField::kTrade);
        if (const std::string stored = damaged.Damage(row, trade); !stored.empty()) {
            ReportDamagedTrade(table, row, stored, &messages);
            continue;
        }
        const auto it = byTrade.find(Utf8ToGbk(trade));
        if (trade.empty() || it == byTrade.end()) {
            messages.Add(
                "商品不在订单列表中",
                RowMessage(table.file, row.row,
                           "订单号“" + Excerpt(trade) + "”不在订单列表中，这一行商品没有读入。"));
            continue;
        }
        Order& order = orders->orders[it->second];
        OrderGoodsRow goods = GoodsFrom(table, row, map, trade, &messages);
        if (!replaced[it->second]) {
            replaced[it->second] = true;
            if (!order.goods.empty())
                postage[it->second] = order.goods.front()[GoodsGrid::kPostage];
            order.goods.clear();
            if (goods[GoodsGrid::kPostage].empty())
                goods[GoodsGrid::kPostage] = postage[it->second];
        }
        order.goods.push_back(std::move(goods));
    }
    messages.Finish(table.file);
}

OrdersRead ReadOrders(const std::vector<std::string>& files,
                      const std::vector<OrderProfile>& profiles, const OrderProfile* forced,
                      const ExportLimits& limits) {
    OrdersRead result;
    std::vector<std::pair<ExportTable, const OrderProfile*>> goodsLists;
    bool anyList = false;
    for (const std::string& file : files) {
        ExportRead read = ReadExportFile(file, limits);
        result.messages.insert(result.messages.end(), read.messages.begin(), read.messages.end());
        if (!read.ok) continue;
        std::vector<const OrderProfile*> tied;
        const OrderProfile* profile =
            forced ? forced : MatchProfile(profiles, read.table.header, &tied);
        if (!profile) {
            std::string names;
            for (const OrderProfile* p : tied) names += (names.empty() ? "" : "、") + p->name;
            result.messages.push_back(FileMessage(
                file, (tied.empty() ? "表头无法识别："
                                    : "表头无法识别（同样符合几种订单配置：" + names + "）：") +
                          HeaderText(read.table.header)));
            OrdersRead::Unrecognised& u = result.unrecognised.emplace_back();
            u.file = file;
            u.header = read.table.header;
            for (const OrderProfile* p : tied) u.tied.push_back(p->name);
            continue;
        }
        if (profile->goodsList) {
            goodsLists.emplace_back(std::move(read.table), profile);
            continue;
        }
        OrdersRead orders = OrdersFromTable(read.table, *profile);
        anyList = true;
        result.messages.insert(result.messages.end(), orders.messages.begin(),
                               orders.messages.end());
        if (result.orders.empty()) {
            result.orders = std::move(orders.orders);
        } else {
            result.orders.reserve(result.orders.size() + orders.orders.size());
            for (Order& order : orders.orders) result.orders.push_back(std::move(order));
        }
    }
    for (const auto& [table, profile] : goodsLists) {
        if (!anyList) {
            result.messages.push_back(
                FileMessage(table.file, "是商品列表，须和它的订单列表一起打开。"));
            continue;
        }
        JoinGoodsList(table, *profile, &result);
    }
    result.ok = !result.orders.empty();
    return result;
}

}  // namespace tallivo
