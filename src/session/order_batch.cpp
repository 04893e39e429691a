#include "session/order_batch.h"

#include <QCoreApplication>
#include <algorithm>
#include <climits>

#include "forms/workspace.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

// Long lists are cut so that the question still fits on the screen.
constexpr std::size_t kListedOrders = 15;

std::string MoreOrders(std::size_t total) {
    if (total <= kListedOrders) return std::string();
    return "\n" + Gbk(u8"……等共") + std::to_string(total) + Gbk(u8"个订单");
}

}  // namespace

FormValues OrderFormValues(const Order& order) {
    FormValues v;
    // The export is all there is of the order: a value it leaves empty is printed empty, never
    // as the keyword itself.
    const auto take = [&order](Keyword k, std::optional<std::string>& into) {
        into = std::string(order.values.Get(k));
    };
    take(Keyword::kConsignee, v.consignee);
    take(Keyword::kMobilePhone, v.mobile);
    take(Keyword::kTelephone, v.telephone);
    take(Keyword::kAddress, v.address);
    take(Keyword::kPostCode, v.postCode);
    take(Keyword::kBuyer, v.buyer);
    take(Keyword::kSeller, v.seller);
    take(Keyword::kDelivery, v.delivery);
    if (order.values.Has(Keyword::kWebSite))
        v.site = std::string(order.values.Get(Keyword::kWebSite));
    for (const OrderGoodsRow& row : order.goods) {
        GoodsLine line;
        line.tradeNumber =
            row[GoodsGrid::kTradeNumber].empty() ? order.tradeNumber : row[GoodsGrid::kTradeNumber];
        line.goodsName = row[GoodsGrid::kGoodsName];
        line.quantity = row[GoodsGrid::kQuantity];
        line.unitPrice = row[GoodsGrid::kUnitPrice];
        line.postage = row[GoodsGrid::kPostage];
        line.discount = row[GoodsGrid::kDiscount];
        line.amount = row[GoodsGrid::kAmount];
        v.goods.push_back(std::move(line));
    }
    if (!order.tradeNumber.empty()) v.tradeNumbers.push_back(order.tradeNumber);
    return v;
}

ProfileSet OrderProfiles(const std::string& programFolder) {
    const std::string programs = QCoreApplication::applicationDirPath().toStdString();
    return LoadProfiles({programs, programs + "/../share/tallivo", programFolder});
}

std::optional<PrintedOrders> ReadPrintedOrders(PrintHistory& history,
                                               const std::vector<std::string>& tradeNumbers) {
    PrintedOrders printed;
    for (const FormKind form : {FormKind::kFreightBill, FormKind::kInvoice}) {
        const auto found = history.FindPrinted(form, tradeNumbers);
        if (!found) return std::nullopt;
        for (const auto& [trade, before] : *found) {
            OrderPrints& p = printed[trade];
            (form == FormKind::kFreightBill ? p.freightBill : p.invoice) =
                before.time.isValid() ? before.time : QDateTime::currentDateTime();
        }
    }
    return printed;
}

std::vector<std::string> OrderTrades(const Order& order, FormKind form) {
    // As the record is made: the freight bill keeps the order's number, the invoice those of
    // its goods rows.
    const FormValues values = OrderFormValues(order);
    std::vector<std::string> trades;
    if (form == FormKind::kInvoice) {
        for (const GoodsLine& line : values.goods) {
            if (!line.tradeNumber.empty() &&
                std::find(trades.begin(), trades.end(), line.tradeNumber) == trades.end())
                trades.push_back(line.tradeNumber);
        }
    }
    if (trades.empty()) trades = values.tradeNumbers;
    return trades;
}

std::int32_t AddSequenceNumber(std::int32_t first, std::size_t step) {
    const std::int64_t next = static_cast<std::int64_t>(first) + static_cast<std::int64_t>(step);
    return next > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(next);
}

void FillOrder(FormsWorkspace& workspace, const Order& order) {
    workspace.ResetCurrentForm();
    FillFromValues(workspace, OrderFormValues(order));
}

std::string OrdersReprintQuestion(FormKind form,
                                  const std::vector<std::pair<std::string, QDateTime>>& printed) {
    std::string text = Gbk(u8"以下订单的") + HistoryFormCaption(form) + Gbk(u8"已打印过：");
    for (std::size_t i = 0; i < printed.size() && i < kListedOrders; ++i) {
        text += "\n" + printed[i].first + Gbk(u8"（") +
                Utf8ToGbk(HistoryTimeText(printed[i].second).toStdString()) + Gbk(u8"）");
    }
    text += MoreOrders(printed.size());
    text += "\n" + Gbk(u8"确定要再次打印这些订单吗？选“否”只打印其余的订单。");
    return text;
}

std::string OrdersFitQuestion(const std::vector<std::pair<std::string, FitFinding>>& findings) {
    std::string text = Gbk(u8"打印前检查发现以下问题：");
    std::size_t orders = 0;
    std::string last;
    for (const auto& [trade, finding] : findings) {
        if (trade != last) ++orders;
        last = trade;
        if (orders <= kListedOrders)
            text += "\n" + trade + Gbk(u8"：") + finding.text + Gbk(u8"；");
    }
    text += MoreOrders(orders);
    text += "\n" + Gbk(u8"确定要继续打印这些订单吗？选“否”只打印其余的订单。");
    return text;
}

}  // namespace tallivo
