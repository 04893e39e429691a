#include "app/order_list_model.h"

#include <unordered_map>

#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {}  // namespace

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
    // In cents, so that adding up keeps the amounts exact.
    long long cents = 0;
    bool any = false;
    for (const OrderGoodsRow& row : order.goods) {
        const std::string& amount = row[GoodsGrid::kAmount];
        if (amount.empty()) continue;
        bool ok = false;
        const double value = QString::fromStdString(amount).toDouble(&ok);
        if (!ok) continue;
        cents += static_cast<long long>(value * 100 + (value < 0 ? -0.5 : 0.5));
        any = true;
    }
    if (!any) return QString();
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    cents = cents < 0 ? -cents : cents;
    return sign + QString::number(cents / 100) + QLatin1Char('.') +
           QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
}

OrderListModel::OrderListModel(QObject* parent) : QAbstractTableModel(parent) {}

void OrderListModel::AddOrders(std::vector<Order> orders) {
    beginResetModel();
    std::unordered_map<std::string, std::size_t> listed;
    for (std::size_t i = 0; i < orders_.size(); ++i) listed.emplace(orders_[i].tradeNumber, i);
    for (Order& order : orders) {
        const auto it = listed.find(order.tradeNumber);
        if (it != listed.end() && !order.tradeNumber.empty()) {
            // The same export opened twice lists each order once.
            orders_[it->second] = std::move(order);
        } else {
            listed.emplace(order.tradeNumber, orders_.size());
            orders_.push_back(std::move(order));
        }
    }
    Rebuild();
    endResetModel();
}

void OrderListModel::Clear() {
    beginResetModel();
    orders_.clear();
    shown_.clear();
    endResetModel();
}

void OrderListModel::SetPrinted(PrintedOrders printed) {
    if (filter_ == Filter::kAll) {
        // The rows stay, and so does what the user chose among them.
        printed_ = std::move(printed);
        if (!shown_.empty()) emit dataChanged(index(0, kPrinted), index(rowCount() - 1, kPrinted));
        return;
    }
    beginResetModel();
    printed_ = std::move(printed);
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

void OrderListModel::Rebuild() {
    shown_.clear();
    shown_.reserve(orders_.size());
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        const bool printed = Printed(orders_[i]);
        if (filter_ == Filter::kAll || (filter_ == Filter::kPrinted) == printed)
            shown_.push_back(static_cast<int>(i));
    }
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

QVariant OrderListModel::data(const QModelIndex& index, int role) const {
    const Order* order = OrderAt(index.row());
    if (!order || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
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
