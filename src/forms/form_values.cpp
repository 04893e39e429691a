#include "forms/form_values.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "capture/capture_driver.h"
#include "capture/keywords.h"
#include "forms/forms_capture_host.h"
#include "forms/shipping_info_fill.h"
#include "forms/workspace.h"

namespace tallivo {

namespace {

std::vector<std::string> Unique(std::vector<std::string> numbers) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (std::string& n : numbers) {
        if (!n.empty() && seen.insert(n).second) out.push_back(std::move(n));
    }
    return out;
}

// Goes on at every question, as a user who wants the values would.
class AgreeingPrompter : public Prompter {
public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
};

constexpr Keyword kWanted[] = {Keyword::kBuyer, Keyword::kConsignee, Keyword::kAddress,
                               Keyword::kMobilePhone, Keyword::kTelephone};
constexpr int kWantedCount = sizeof kWanted / sizeof kWanted[0];

// A value offered in place of the keyword, or nothing when it was left there.
std::optional<std::string> Offered(const std::string& text, Keyword keyword) {
    if (text == KeywordText(keyword)) return std::nullopt;
    return text;
}

void Fill(std::optional<std::string>& into, std::optional<std::string> value) {
    if (!into || into->empty()) into = std::move(value);
}

// Every keyword occurrence with a value, replaced from the last one back: the positions still
// to do stay where they were found, and no value is searched for keywords again.
void FillDocument(RichTextDocument& doc,
                  const std::vector<std::pair<Keyword, std::string>>& values) {
    const std::string text = doc.PlainText();
    std::vector<std::pair<std::size_t, const std::pair<Keyword, std::string>*>> hits;
    for (const auto& value : values) {
        const std::string& keyword = KeywordText(value.first);
        for (std::size_t at = text.find(keyword); at != std::string::npos;
             at = text.find(keyword, at + keyword.size()))
            hits.emplace_back(at, &value);
    }
    std::sort(hits.begin(), hits.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [at, value] : hits) {
        doc.SetSelection(static_cast<int>(at), KeywordLength(value->first));
        doc.ReplaceSelection(value->second);
    }
}

}  // namespace

std::vector<std::string> FormValues::TradeNumbers() const {
    std::vector<std::string> numbers;
    for (const GoodsLine& line : goods) numbers.push_back(line.tradeNumber);
    numbers.insert(numbers.end(), tradeNumbers.begin(), tradeNumbers.end());
    return Unique(std::move(numbers));
}

FormValues WithMissingEmptied(FormValues values) {
    for (std::optional<std::string>* v :
         {&values.consignee, &values.mobile, &values.telephone, &values.address, &values.postCode,
          &values.buyer, &values.seller, &values.delivery}) {
        if (!*v) v->emplace();
    }
    return values;
}

std::vector<std::string> GridTradeNumbers(const GoodsGrid& grid) {
    std::vector<std::string> numbers;
    for (int row = 1; row <= grid.LastGoodsRow(); ++row)
        numbers.push_back(grid.Cell(GoodsGrid::kTradeNumber, row));
    return Unique(std::move(numbers));
}

FormValues CaptureFormValues(const std::string& input, int site) {
    FormValues values;
    if (input.empty()) return values;
    if (SiteOfIndex(site) == kSiteShippingInfo)
        return ShippingInfoValues(RecogniseShippingInfoGbk(input));
    AgreeingPrompter prompter;
    std::optional<std::string> found[kWantedCount];

    // The freight bill's parsers: one box per keyword.
    {
        FreightBillForm scratch;
        for (Keyword k : kWanted) AddFieldBox(scratch, KeywordText(k), 0, 0, 20, 100);
        TradeState trade;
        FormsCaptureSettings settings;
        settings.site = SiteOfIndex(site);
        settings.tab = kTabFreightBill;
        FormsCaptureHost host(input, &scratch, nullptr, trade, prompter, settings);
        MenuItemReplaceAllClick(host);
        for (int i = 0; i < kWantedCount; ++i)
            found[i] = Offered(scratch.boxes[i]->content->PlainText(), kWanted[i]);
    }
    // The invoice's parsers: the goods lines with their trade numbers, and what the freight
    // bill's did not give.
    {
        InvoiceForm scratch;
        std::string body;
        for (Keyword k : kWanted) body += KeywordText(k) + "\r\n";
        scratch.Body().SetPlainText(body);
        TradeState trade;
        FormsCaptureSettings settings;
        settings.site = SiteOfIndex(site);
        settings.tab = kTabInvoice;
        FormsCaptureHost host(input, nullptr, &scratch, trade, prompter, settings);
        MenuItemReplaceAllClick(host);
        // Each keyword had a paragraph of its own; a value holding a line break spreads over
        // more, so only a body of as many paragraphs is read line by line.
        std::vector<std::string> lines;
        const std::string text = scratch.Body().PlainText();
        std::size_t from = 0;
        for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
            lines.push_back(text.substr(from, at - from));
        if (lines.size() == static_cast<std::size_t>(kWantedCount)) {
            for (int i = 0; i < kWantedCount; ++i) Fill(found[i], Offered(lines[i], kWanted[i]));
        }
        if (!trade.currentBuyer.empty()) Fill(found[0], trade.currentBuyer);
        values.tradeNumbers = GridTradeNumbers(scratch.grid);
    }
    values.buyer = std::move(found[0]);
    values.consignee = std::move(found[1]);
    values.address = std::move(found[2]);
    values.mobile = std::move(found[3]);
    values.telephone = std::move(found[4]);
    return values;
}

std::vector<std::pair<Keyword, std::string>> KeywordValues(const FormValues& values,
                                                           const CaptureHost& host) {
    const CaptureTime now = host.Now();
    std::vector<std::pair<Keyword, std::string>> keywords;
    const auto given = [&keywords](Keyword k, const std::optional<std::string>& v) {
        if (v) keywords.emplace_back(k, *v);
    };
    given(Keyword::kConsignee, values.consignee);
    given(Keyword::kMobilePhone, values.mobile);
    given(Keyword::kTelephone, values.telephone);
    given(Keyword::kAddress, values.address);
    given(Keyword::kPostCode, values.postCode);
    given(Keyword::kBuyer, values.buyer);
    given(Keyword::kSeller, values.seller);
    given(Keyword::kDelivery, values.delivery);
    // The site's name only where there is one; the capture reports any other site instead.
    if (values.site && !values.site->empty())
        keywords.emplace_back(Keyword::kWebSite, *values.site);
    else if (!SiteName(host.SiteIndex()).empty())
        keywords.emplace_back(Keyword::kWebSite, SiteName(host.SiteIndex()));
    keywords.emplace_back(Keyword::kInvoiceSN,
                          std::to_string(values.sequenceNumber ? *values.sequenceNumber
                                                               : host.InvoiceSequenceNumber()));
    keywords.emplace_back(Keyword::kTime, FormatConsignTime(now));
    keywords.emplace_back(Keyword::kConsignDate, FormatConsignDate(now));
    return keywords;
}

void FillFromValues(FormsWorkspace& workspace, const FormValues& values) {
    const std::optional<FormKind> form = FormOf(workspace.CurrentTab());
    if (!form) return;
    workspace.BeforeFill(*form, &values);
    const std::vector<std::pair<Keyword, std::string>> keywords =
        KeywordValues(values, workspace.Capture());

    if (*form == FormKind::kFreightBill) {
        for (const auto& box : workspace.FreightBill().boxes) FillDocument(*box->content, keywords);
        workspace.SetFreightBillUnsaved(true);
    } else {
        InvoiceForm& invoice = workspace.Invoice();
        FillDocument(invoice.Body(), keywords);
        GoodsGrid& grid = invoice.grid;
        for (const GoodsLine& line : values.goods) {
            // A line already in the grid (its trade, or without one its goods) is not written
            // twice; further goods of one trade are.
            const bool newTrade =
                !line.tradeNumber.empty() &&
                grid.CheckRepeatedGoods(line.tradeNumber, GoodsGrid::kTradeNumber);
            const bool newGoods = !line.goodsName.empty() &&
                                  grid.CheckRepeatedGoods(line.goodsName, GoodsGrid::kGoodsName);
            if (!newTrade && !newGoods) continue;
            const int row = grid.FindFreeGoodsRow();
            grid.SetCell(GoodsGrid::kTradeNumber, row, line.tradeNumber);
            grid.SetCell(GoodsGrid::kGoodsName, row, line.goodsName);
            const std::pair<int, const std::string*> cells[] = {
                {GoodsGrid::kQuantity, &line.quantity},
                {GoodsGrid::kUnitPrice, &line.unitPrice},
                {GoodsGrid::kPostage, &line.postage},
                {GoodsGrid::kDiscount, &line.discount},
                {GoodsGrid::kAmount, &line.amount}};
            for (const auto& [column, text] : cells) {
                if (!text->empty()) grid.SetCell(column, row, *text);
            }
            // An export's goods list gives no postage or discount for most lines.
            grid.WriteFilledRowAmount(row);
        }
        if (!values.goods.empty()) grid.RecalculateGoodsTotals();
        if (values.buyer && !values.buyer->empty()) workspace.Trade().currentBuyer = *values.buyer;
        workspace.SetInvoiceUnsaved(true);
    }
    workspace.RememberFilledValues(*form, values);
}

}  // namespace tallivo
