#include "app/order_list_model.h"

#include <QBrush>
#include <QPalette>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "app/consignee_paste.h"
#include "orders/gbk_string.h"
#include "orders/masked_details.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

// In cents, so that adding up keeps the amounts exact; false without any amount.
bool AmountCents(const Order& order, long long* cents) {
    *cents = 0;
    bool any = false;
    for (const OrderGoodsRow& row : order.goods) {
        const std::string& amount = row[GoodsGrid::kAmount];
        if (amount.empty()) continue;
        bool ok = false;
        const double value =
            QByteArray::fromRawData(amount.data(), static_cast<qsizetype>(amount.size()))
                .toDouble(&ok);
        if (!ok) continue;
        *cents += static_cast<long long>(value * 100 + (value < 0 ? -0.5 : 0.5));
        any = true;
    }
    return any;
}

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Order numbers in digits sort as numbers ("99" before "100"), ahead of the others, which sort
// as text.
struct TradeKey {
    std::size_t digits;  // the length when all digits, else SIZE_MAX
    const std::string* text;
    bool operator<(const TradeKey& other) const {
        if (digits != other.digits) return digits < other.digits;
        return *text < *other.text;
    }
};

// How far ahead a table's slot is fetched while orders are looked up in it.
constexpr std::size_t kAhead = 16;

std::vector<std::uint64_t> TradeHashes(const std::vector<Order>& orders) {
    std::vector<std::uint64_t> hashes(orders.size());
    for (std::size_t i = 0; i < orders.size(); ++i)
        hashes[i] = PositionTable::Hash(orders[i].tradeNumber);
    return hashes;
}

}  // namespace

QString OrderGoodsText(const Order& order) {
    QStringList goods;
    for (const OrderGoodsRow& row : order.goods) {
        QString line = GbkToQString(row[GoodsGrid::kGoodsName]);
        const std::string& quantity = row[GoodsGrid::kQuantity];
        if (!quantity.empty() && quantity != "1")
            line += QStringLiteral(" x") + GbkToQString(quantity);
        if (!line.isEmpty()) goods << line;
    }
    return goods.join(QStringLiteral(", "));
}

QString OrderAmountText(const Order& order) {
    long long cents = 0;
    if (!AmountCents(order, &cents)) return QString();
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    cents = cents < 0 ? -cents : cents;
    return sign + QString::number(cents / 100) + QLatin1Char('.') +
           QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
}

OrderListModel::OrderListModel(QObject* parent) : QAbstractTableModel(parent) {}

void OrderListModel::AddOrders(std::vector<Order> orders) {
    beginResetModel();
    // The first export is taken as it is, without moving each order.
    if (orders_.empty()) {
        orders_ = std::move(orders);
    } else {
        orders_.reserve(orders_.size() + orders.size());
        std::move(orders.begin(), orders.end(), std::back_inserter(orders_));
    }
    // An order number listed before keeps its row and takes the later order: the same export
    // opened twice lists each order once.
    PositionTable listed(orders_.size());
    std::vector<std::uint64_t> hashes = TradeHashes(orders_);
    std::vector<std::size_t> gone;
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        if (i + kAhead < orders_.size()) listed.Prefetch(hashes[i + kAhead]);
        if (orders_[i].tradeNumber.empty()) continue;
        const std::size_t at = listed.FindOrAdd(
            orders_[i].tradeNumber, hashes[i], i,
            [this](std::size_t k) -> const std::string& { return orders_[k].tradeNumber; });
        if (at == i) continue;
        orders_[at] = std::move(orders_[i]);
        gone.push_back(i);
    }
    if (!gone.empty()) {
        std::size_t kept = 0;
        for (std::size_t i = 0, g = 0; i < orders_.size(); ++i) {
            if (g < gone.size() && gone[g] == i) {
                ++g;
                continue;
            }
            if (kept != i) {
                orders_[kept] = std::move(orders_[i]);
                hashes[kept] = hashes[i];
            }
            ++kept;
        }
        orders_.erase(orders_.begin() + static_cast<std::ptrdiff_t>(kept), orders_.end());
        hashes.resize(kept);
    }
    MarkPrinted(&hashes);
    Sort();
    Rebuild();
    endResetModel();
}

void OrderListModel::Clear() {
    beginResetModel();
    orders_.clear();
    printedFlags_.clear();
    sorted_.clear();
    shown_.clear();
    endResetModel();
}

void OrderListModel::SetPrintedUnknown() {
    beginResetModel();
    known_ = false;
    printed_.clear();
    MarkPrinted();
    if (sortColumn_ == kPrinted) Sort();
    Rebuild();
    endResetModel();
}

std::vector<std::string> OrderListModel::TradeNumbers() const {
    std::vector<std::string> trades;
    trades.reserve(orders_.size());
    for (const Order& order : orders_)
        if (!order.tradeNumber.empty()) trades.push_back(order.tradeNumber);
    return trades;
}

void OrderListModel::SetPrinted(PrintedOrders printed) {
    const bool wasKnown = known_;
    known_ = true;
    if (wasKnown && filter_ == Filter::kAll && sortColumn_ != kPrinted) {
        // The rows stay, and so does what the user chose among them.
        printed_ = std::move(printed);
        MarkPrinted();
        if (!shown_.empty()) emit dataChanged(index(0, kPrinted), index(rowCount() - 1, kPrinted));
        return;
    }
    beginResetModel();
    printed_ = std::move(printed);
    MarkPrinted();
    if (sortColumn_ == kPrinted) Sort();
    Rebuild();
    endResetModel();
}

void OrderListModel::SetFilter(Filter filter) {
    beginResetModel();
    filter_ = filter;
    Rebuild();
    endResetModel();
}

bool OrderListModel::Printed(const Order& order) const {
    const auto it = printed_.find(order.tradeNumber);
    return it != printed_.end() &&
           (it->second.freightBill.isValid() || it->second.invoice.isValid());
}

bool OrderListModel::PrintedAt(int row) const {
    if (row < 0 || row >= static_cast<int>(shown_.size())) return false;
    return printedFlags_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])] != 0;
}

void OrderListModel::MarkPrinted(const std::vector<std::uint64_t>* tradeHashes) {
    printedFlags_.assign(orders_.size(), 0);
    if (printed_.empty()) return;
    // The history's numbers in a table of positions, whose slots can be fetched ahead: asking
    // its own map once per order reads several places far apart each time.
    std::vector<const std::string*> numbers;
    numbers.reserve(printed_.size());
    PositionTable table(printed_.size());
    for (const auto& [trade, prints] : printed_) {
        if (!prints.freightBill.isValid() && !prints.invoice.isValid()) continue;
        table.FindOrAdd(trade, numbers.size(),
                        [&numbers](std::size_t k) -> const std::string& { return *numbers[k]; });
        numbers.push_back(&trade);
    }
    const std::vector<std::uint64_t> made =
        tradeHashes ? std::vector<std::uint64_t>() : TradeHashes(orders_);
    const std::vector<std::uint64_t>& hashes = tradeHashes ? *tradeHashes : made;
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        if (i + kAhead < orders_.size()) table.Prefetch(hashes[i + kAhead]);
        printedFlags_[i] = table.Find(orders_[i].tradeNumber, hashes[i],
                                      [&numbers](std::size_t k) -> const std::string& {
                                          return *numbers[k];
                                      }) != PositionTable::kNone;
    }
}

void OrderListModel::SetSearch(const QString& text) {
    std::string search = QStringToGbk(text.trimmed());
    if (search == search_) return;
    beginResetModel();
    search_ = std::move(search);
    Rebuild();
    endResetModel();
}

namespace {

// At character starts only: the trail byte of one GBK character and the lead of the next must
// not match a character that is in neither.
bool HoldsGbk(std::string_view text, std::string_view pattern) {
    if (pattern.size() > text.size()) return false;
    for (std::size_t at = 0; at + pattern.size() <= text.size();) {
        if (text.compare(at, pattern.size(), pattern) == 0) return true;
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t step = 1;
        if (lead >= 0x81 && at + 1 < text.size()) {
            const auto second = static_cast<unsigned char>(text[at + 1]);
            step = second >= '0' && second <= '9' && at + 3 < text.size() ? 4 : 2;
        }
        at += step;
    }
    return false;
}

bool OrderHolds(const Order& order, std::string_view search) {
    if (HoldsGbk(order.tradeNumber, search)) return true;
    for (Keyword k : {Keyword::kBuyer, Keyword::kConsignee, Keyword::kMobilePhone,
                      Keyword::kTelephone, Keyword::kAddress}) {
        if (HoldsGbk(order.Value(k), search)) return true;
    }
    return false;
}

}  // namespace

void OrderListModel::Rebuild() {
    if (filter_ == Filter::kAll && search_.empty()) {
        shown_ = sorted_;
        return;
    }
    shown_.clear();
    // Unknown is neither printed nor unprinted.
    if (!known_) return;
    shown_.reserve(sorted_.size());
    const char wanted = filter_ == Filter::kPrinted;
    for (int i : sorted_) {
        const auto at = static_cast<std::size_t>(i);
        if (filter_ != Filter::kAll && printedFlags_[at] != wanted) continue;
        if (!search_.empty() && !OrderHolds(orders_[at], search_)) continue;
        shown_.push_back(i);
    }
}

void OrderListModel::Sort() {
    const std::size_t n = orders_.size();
    sorted_.resize(n);
    for (std::size_t i = 0; i < n; ++i) sorted_[i] = static_cast<int>(i);
    if (sortColumn_ < 0 || sortColumn_ >= kColumns) return;
    // Each key is made once per order; the comparisons only read them.
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    auto sortBy = [&](const auto& keys, auto less) {
        std::stable_sort(sorted_.begin(), sorted_.end(), [&](int a, int b) {
            const auto& ka = keys[static_cast<std::size_t>(a)];
            const auto& kb = keys[static_cast<std::size_t>(b)];
            return descending ? less(kb, ka) : less(ka, kb);
        });
    };
    if (sortColumn_ == kTrade) {
        std::vector<TradeKey> keys(n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::string& trade = orders_[i].tradeNumber;
            keys[i] = {AllDigits(trade) ? trade.size() : SIZE_MAX, &trade};
        }
        sortBy(keys, std::less<TradeKey>());
    } else if (sortColumn_ == kAmount || sortColumn_ == kPrinted) {
        // Orders without an amount, or not printed, come first.
        std::vector<long long> keys(n, LLONG_MIN);
        for (std::size_t i = 0; i < n; ++i) {
            if (sortColumn_ == kAmount) {
                long long cents = 0;
                if (AmountCents(orders_[i], &cents)) keys[i] = cents;
                continue;
            }
            const auto it = printed_.find(orders_[i].tradeNumber);
            if (it == printed_.end()) continue;
            for (const QDateTime* time : {&it->second.freightBill, &it->second.invoice}) {
                // The local time as shown: no time zone look-up per order.
                if (time->isValid())
                    keys[i] = std::max(keys[i], time->date().toJulianDay() * 86400000LL +
                                                    time->time().msecsSinceStartOfDay());
            }
        }
        sortBy(keys, std::less<long long>());
    } else {
        // GBK puts the common characters in pinyin order, so its bytes sort names as a Chinese
        // reader looks them up, at the cost of a byte comparison.
        std::vector<std::string> goods;
        std::vector<std::string_view> keys(n);
        if (sortColumn_ == kGoods) goods.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const Order& order = orders_[i];
            switch (sortColumn_) {
                case kBuyer:
                    keys[i] = order.Value(Keyword::kBuyer);
                    break;
                case kConsignee:
                    keys[i] = order.Value(Keyword::kConsignee);
                    break;
                case kAddress:
                    keys[i] = order.Value(Keyword::kAddress);
                    break;
                default:
                    for (const OrderGoodsRow& row : order.goods)
                        goods[i] += row[GoodsGrid::kGoodsName] + '\0';
                    keys[i] = goods[i];
                    break;
            }
        }
        sortBy(keys, std::less<std::string_view>());
    }
}

void OrderListModel::sort(int column, Qt::SortOrder order) {
    if (column == sortColumn_ && (order == sortOrder_ || column < 0)) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // What the user chose stays on the same orders.
    const QModelIndexList before = persistentIndexList();
    std::vector<int> chosen;
    chosen.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before)
        chosen.push_back(i.row() < static_cast<int>(shown_.size())
                             ? shown_[static_cast<std::size_t>(i.row())]
                             : -1);
    sortColumn_ = column;
    sortOrder_ = order;
    Sort();
    Rebuild();
    std::vector<int> rowOf(orders_.size(), -1);
    for (std::size_t r = 0; r < shown_.size(); ++r)
        rowOf[static_cast<std::size_t>(shown_[r])] = static_cast<int>(r);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int o = chosen[static_cast<std::size_t>(i)];
        after.push_back(o < 0 ? QModelIndex()
                              : index(rowOf[static_cast<std::size_t>(o)], before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const Order* OrderListModel::OrderAt(int row) const {
    if (row < 0 || row >= static_cast<int>(shown_.size())) return nullptr;
    return &orders_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])];
}

int OrderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int OrderListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString OrderListModel::PrintedText(const Order& order) const {
    if (!known_) return QString::fromUtf8(u8"未知");
    const auto it = printed_.find(order.tradeNumber);
    if (it == printed_.end()) return QString();
    QStringList parts;
    const QDateTime* last = nullptr;
    if (it->second.freightBill.isValid()) {
        parts << QString::fromUtf8(u8"货运单");
        last = &it->second.freightBill;
    }
    if (it->second.invoice.isValid()) {
        parts << QString::fromUtf8(u8"发货单");
        if (!last || it->second.invoice > *last) last = &it->second.invoice;
    }
    if (!last) return QString();
    return parts.join(QLatin1Char('/')) + QLatin1Char(' ') + HistoryTimeText(*last);
}

bool OrderListModel::MaskedAt(int row) const {
    const Order* order = OrderAt(row);
    return order && order->Masked();
}

Qt::ItemFlags OrderListModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    // Still enabled, so that a double click can say why it cannot be filled.
    return MaskedAt(index.row()) ? flags & ~Qt::ItemIsSelectable : flags;
}

QVariant OrderListModel::data(const QModelIndex& index, int role) const {
    const Order* order = OrderAt(index.row());
    if (!order) return {};
    if (order->Masked()) {
        if (role == Qt::ForegroundRole)
            return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        if (role == Qt::ToolTipRole) return GbkToQString(MaskedOrderMessage(*order));
        if (role == Qt::DisplayRole && (index.column() == kConsignee || index.column() == kAddress))
            return QString::fromUtf8(u8"收货信息已隐藏");
    }
    if (index.column() == kConsignee && (role == Qt::DecorationRole || role == Qt::ToolTipRole)) {
        // Pasted consignees the recogniser doubted carry a mark to check before printing.
        QVariant mark = ConsigneeDoubtMark(*order, role);
        if (mark.isValid()) return mark;
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
        case kTrade:
            return GbkToQString(order->tradeNumber);
        case kBuyer:
            return GbkToQString(order->Value(Keyword::kBuyer));
        case kConsignee:
            return GbkToQString(order->Value(Keyword::kConsignee));
        case kAddress:
            return GbkToQString(order->Value(Keyword::kAddress));
        case kGoods:
            return OrderGoodsText(*order);
        case kAmount:
            return OrderAmountText(*order);
        case kPrinted:
            return PrintedText(*order);
        default:
            return {};
    }
}

QVariant OrderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const char* const kCaptions[kColumns] = {
        u8"订单编号", u8"买家", u8"收货人", u8"收货地址", u8"商品", u8"金额", u8"已打印"};
    return section >= 0 && section < kColumns ? QString::fromUtf8(kCaptions[section]) : QVariant();
}

}  // namespace tallivo
