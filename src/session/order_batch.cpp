#include "session/order_batch.h"

#include <QCoreApplication>
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

PrintedOrders ReadPrintedOrders(PrintHistory& history) {
    PrintedOrders printed;
    // Newest first: the first time met is the last print.
    for (const HistoryRecord& record : history.List()) {
        for (const std::string& trade : record.tradeNumbers) {
            OrderPrints& p = printed[trade];
            QDateTime& at = record.form == FormKind::kFreightBill ? p.freightBill : p.invoice;
            if (!at.isValid())
                at = record.time.isValid() ? record.time : QDateTime::currentDateTime();
        }
    }
    return printed;
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

OrderBatchCheck CheckOrderBatch(PrintSession& session, FormsWorkspace& workspace,
                                const std::vector<const Order*>& orders,
                                std::int32_t firstInvoiceSn, std::int32_t firstFreightBillSn,
                                Prompter& prompter, const std::function<bool(int done)>& progress) {
    OrderBatchCheck check;
    const std::size_t n = orders.size();
    check.notPrinted.assign(n, std::string());
    check.findings.assign(n, {});
    check.asked.assign(n, false);
    const FormKind form = session.Form();
    const bool warn = session.Settings().ReprintWarning();
    const PrintedOrders printed = warn ? ReadPrintedOrders(session.History()) : PrintedOrders();

    std::vector<std::size_t> reprints;
    std::vector<std::pair<std::string, QDateTime>> reprintList;
    std::vector<std::size_t> unfit;
    std::vector<std::pair<std::string, FitFinding>> fitList;
    for (std::size_t i = 0; i < n; ++i) {
        workspace.SetInvoiceSN(AddSequenceNumber(firstInvoiceSn, i));
        workspace.SetFreightBillSN(AddSequenceNumber(firstFreightBillSn, i));
        FillOrder(workspace, *orders[i]);
        check.findings[i] = session.CheckFit();
        if (!check.findings[i].empty()) {
            unfit.push_back(i);
            for (const FitFinding& f : check.findings[i])
                fitList.emplace_back(orders[i]->tradeNumber, f);
        }
        for (const std::string& trade : session.Record().tradeNumbers) {
            const auto it = printed.find(trade);
            if (it == printed.end() || !it->second.On(form).isValid()) continue;
            reprints.push_back(i);
            reprintList.emplace_back(trade, it->second.On(form));
            break;
        }
        if (progress && !progress(static_cast<int>(i) + 1)) {
            check.stopped = true;
            return check;
        }
    }
    if (!reprints.empty()) {
        const bool again =
            prompter.AskYesNo(ReprintCaption(), OrdersReprintQuestion(form, reprintList));
        for (std::size_t i : reprints) {
            check.asked[i] = true;
            if (!again) check.notPrinted[i] = "printed before; --answer yes prints it again";
        }
    }
    if (!unfit.empty()) {
        const bool anyway = prompter.AskYesNo(FitQuestionCaption(), OrdersFitQuestion(fitList));
        for (std::size_t i : unfit) {
            check.asked[i] = true;
            if (!anyway && check.notPrinted[i].empty())
                check.notPrinted[i] =
                    "something does not fit (see messages); --answer yes prints it anyway";
        }
    }
    return check;
}

}  // namespace tallivo
