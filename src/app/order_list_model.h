// The orders of the order list window as a table: one row per order, read from a vector the
// model owns, so that a hundred thousand orders cost no widget and no copy per row. Sorting and
// filtering reorder indexes into that vector, never the orders.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

#include "orders/orders.h"
#include "session/order_batch.h"

namespace tallivo {

class OrderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kTrade, kBuyer, kConsignee, kAddress, kGoods, kAmount, kPrinted, kColumns };
    enum class Filter { kAll, kUnprinted, kPrinted };

    explicit OrderListModel(QObject* parent = nullptr);

    // Adds orders after those shown; an order number already listed replaces its old order.
    void AddOrders(std::vector<Order> orders);
    void Clear();
    // What the history shows printed; the printed column and the filter follow it.
    void SetPrinted(PrintedOrders printed);
    // The history could not be read: no order is shown as printed or as unprinted.
    void SetPrintedUnknown();
    bool PrintedKnown() const { return known_; }
    // The order numbers of every order listed.
    std::vector<std::string> TradeNumbers() const;
    void SetFilter(Filter filter);
    Filter CurrentFilter() const { return filter_; }
    // Only orders whose number, buyer, consignee, mobile or address holds the text; empty for
    // all.
    void SetSearch(const QString& text);

    int OrderCount() const { return static_cast<int>(orders_.size()); }
    // The order on a shown row; null outside.
    const Order* OrderAt(int row) const;
    // Printed on either form.
    bool Printed(const Order& order) const;
    bool PrintedAt(int row) const;
    // The export hides its consignee's details: shown greyed, never chosen, never filled.
    bool MaskedAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Column -1 goes back to the order of the files. Equal keys keep that order too.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void Rebuild();
    void Sort();
    // With the hashes of the orders' numbers when they are at hand.
    void MarkPrinted(const std::vector<std::uint64_t>* tradeHashes = nullptr);
    QString PrintedText(const Order& order) const;

    std::vector<Order> orders_;
    // Printed(orders_[i]), kept so that filtering asks the history nothing.
    std::vector<char> printedFlags_;
    // Indexes into orders_ in the chosen sort order, and of those the rows shown.
    std::vector<int> sorted_;
    std::vector<int> shown_;
    PrintedOrders printed_;
    bool known_ = true;
    Filter filter_ = Filter::kAll;
    std::string search_;  // GBK
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// The goods of an order in one line ("羊毛围巾 x2, 帆布包") and its amount (the goods rows'
// amounts added up), as the list shows them; UTF-8.
QString OrderGoodsText(const Order& order);
QString OrderAmountText(const Order& order);

}  // namespace tallivo
