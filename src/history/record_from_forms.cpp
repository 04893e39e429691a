#include "history/record_from_forms.h"

#include <unordered_set>

#include "capture/capture_driver.h"
#include "capture/keywords.h"
#include "forms/forms_capture_host.h"
#include "forms/freight_bill.h"

namespace tallivo {

namespace {

// Goes on at every question, as a user who wants the values would.
class AgreeingPrompter : public Prompter {
public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
};

constexpr Keyword kWanted[] = {Keyword::kBuyer, Keyword::kConsignee, Keyword::kAddress,
                               Keyword::kMobilePhone, Keyword::kTelephone};
constexpr int kWantedCount = sizeof kWanted / sizeof kWanted[0];

// A value offered in place of the keyword, or empty when it was left there.
std::string Offered(const std::string& text, Keyword keyword) {
    return text == KeywordText(keyword) ? std::string() : text;
}

void Fill(std::string& into, const std::string& value) {
    if (into.empty()) into = value;
}

std::string Telephone(const std::string& mobile, const std::string& phone) {
    if (mobile.empty()) return phone;
    if (phone.empty() || phone == mobile) return mobile;
    return mobile + " " + phone;
}

}  // namespace

std::vector<std::string> GridTradeNumbers(const GoodsGrid& grid) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (int row = 1; row <= grid.LastGoodsRow(); ++row) {
        const std::string& trade = grid.Cell(GoodsGrid::kTradeNumber, row);
        if (!trade.empty() && seen.insert(trade).second) out.push_back(trade);
    }
    return out;
}

TradeValues CaptureTradeValues(const std::string& input, int site) {
    TradeValues values;
    if (input.empty()) return values;
    AgreeingPrompter prompter;
    std::string found[kWantedCount];

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
        Fill(found[0], trade.currentBuyer);
        values.tradeNumbers = GridTradeNumbers(scratch.grid);
    }
    values.buyer = found[0];
    values.consignee = found[1];
    values.address = found[2];
    values.telephone = Telephone(found[3], found[4]);
    return values;
}

namespace {

HistoryRecord Base(HistoryForm form, const TradeValues& values, const PrintDetails& details) {
    HistoryRecord r;
    r.form = form;
    r.tradeNumbers = values.tradeNumbers;
    r.buyer = values.buyer;
    r.consignee = values.consignee;
    r.address = values.address;
    r.telephone = values.telephone;
    r.templateName = details.templateName;
    r.sequenceNumber = details.sequenceNumber;
    r.printer = details.printer;
    r.copies = details.copies;
    r.time = details.time;
    return r;
}

}  // namespace

HistoryRecord FromFreightBill(const TradeValues& values, const PrintDetails& details) {
    return Base(HistoryForm::kFreightBill, values, details);
}

HistoryRecord FromInvoice(const InvoiceForm& form, const TradeState& trade,
                          const TradeValues& values, const PrintDetails& details) {
    HistoryRecord r = Base(HistoryForm::kInvoice, values, details);
    r.tradeNumbers = GridTradeNumbers(form.grid);
    if (!trade.currentBuyer.empty()) r.buyer = trade.currentBuyer;
    return r;
}

HistoryRecord RecordForPrint(FormsWorkspace& workspace, Tab tab, const std::string& printer,
                             int copies) {
    const TradeValues values = CaptureTradeValues(workspace.InputText(), workspace.SourceSite());
    PrintDetails details;
    details.printer = printer;
    details.copies = copies;
    details.time = QDateTime::currentDateTime();
    if (tab == kTabInvoice) {
        if (const TemplateEntry* t = workspace.InvoiceTemplates().Selected())
            details.templateName = t->name;
        details.sequenceNumber = workspace.InvoiceSN();
        return FromInvoice(workspace.Invoice(), workspace.Trade(), values, details);
    }
    if (const TemplateEntry* t = workspace.FreightBillTemplates().Selected())
        details.templateName = t->name;
    details.sequenceNumber = workspace.FreightBillSN();
    return FromFreightBill(values, details);
}

}  // namespace tallivo
