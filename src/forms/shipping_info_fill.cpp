#include "forms/shipping_info_fill.h"

#include <utility>
#include <vector>

#include "capture/capture_driver.h"
#include "capture/keywords.h"
#include "richtext/rtf.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

std::optional<std::string> Value(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    return QStringToGbk(text);
}

// The earliest keyword with a value from `start` (1-based); false when none is left.
bool OfferEarliest(CaptureHost& host, TextDocument& document, int start,
                   const std::vector<std::pair<Keyword, std::string>>& keywords) {
    const std::string text = document.PlainText();
    int best = 0;
    const std::pair<Keyword, std::string>* found = nullptr;
    for (const auto& keyword : keywords) {
        const int at = FindTextFrom(text, KeywordText(keyword.first), start);
        if (at > 0 && (best == 0 || at < best)) {
            best = at;
            found = &keyword;
        }
    }
    if (found == nullptr) return false;
    OfferKeyword(host, document, found->second, KeywordLength(found->first), best);
    return true;
}

}  // namespace

FormValues ShippingInfoValues(const ShippingInfo& info) {
    FormValues values;
    values.consignee = Value(info.name);
    values.mobile = Value(info.mobile);
    values.telephone = Value(info.telephone);
    values.address = Value(info.Address());
    values.postCode = Value(info.postcode);
    return values;
}

bool FoundAnything(const ShippingInfo& info) {
    return !info.name.isEmpty() || !info.mobile.isEmpty() || !info.telephone.isEmpty() ||
           !info.postcode.isEmpty() || !info.Address().isEmpty();
}

std::string ShippingInfoDoubtsMessage(const ShippingInfo& info) {
    if (info.doubts.isEmpty()) return std::string();
    return QStringToGbk(info.doubts.join(u'\n'));
}

bool FindValuedKeyword(CaptureHost& host, const FormValues& values) {
    host.NoteOffered(nullptr);
    const std::vector<std::pair<Keyword, std::string>> keywords = KeywordValues(values, host);
    if (host.CurrentTab() == kTabFreightBill) {
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            if (OfferEarliest(host, host.FieldBox(i), 1, keywords)) return true;
        }
    } else if (host.CurrentTab() == kTabInvoice) {
        const int start = InvoiceSearchStart(host);
        return OfferEarliest(host, host.InvoiceDocument(), start, keywords);
    }
    return false;
}

}  // namespace tallivo
