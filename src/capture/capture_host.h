#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/text_document.h"
#include "invoice/goods_grid.h"
#include "text/form_kind.h"
#include "text/message_sink.h"

namespace tallivo {

// Tabs of the main window's page control, shared by capture, forms and the front ends.
enum Tab : int { kTabInput = 0, kTabFreightBill = 1, kTabInvoice = 2 };

// The form a tab shows; the input tab shows none.
constexpr std::optional<FormKind> FormOf(Tab tab) {
    if (tab == kTabFreightBill) return FormKind::kFreightBill;
    if (tab == kTabInvoice) return FormKind::kInvoice;
    return std::nullopt;
}
constexpr Tab TabOf(FormKind form) {
    return form == FormKind::kFreightBill ? kTabFreightBill : kTabInvoice;
}
// Items of the site box; any other index is none. The pages of the two sites are read here;
// free-form shipping info is read above this layer, so the engine finds no page for it.
enum Site : int { kSiteNone = -1, kSiteTaobao = 0, kSitePaipai = 1, kSiteShippingInfo = 2 };

// The site of a site box's item index: anything but the three items is none.
constexpr Site SiteOfIndex(int index) {
    return index == kSiteTaobao         ? kSiteTaobao
           : index == kSitePaipai       ? kSitePaipai
           : index == kSiteShippingInfo ? kSiteShippingInfo
                                        : kSiteNone;
}

// Local wall-clock time as the capture engine needs it.
struct CaptureTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// What the main window remembers between capture commands for the current invoice.
struct TradeState {
    std::string currentBuyer;  // GBK
    bool askMultipleBuyers = false;
    bool paipaiGoodsCaptured = false;
};

// Everything the capture engine reads and changes on the main window and the find-and-replace
// window. The GUI, the command line and the tests implement it. All texts are GBK.
class CaptureHost {
public:
    virtual ~CaptureHost() = default;

    // The pasted page; markers are searched in it. Not changed by the engine.
    virtual const std::string& InputText() const = 0;
    virtual Site SiteIndex() const = 0;
    virtual Tab CurrentTab() const = 0;

    // Freight-bill field boxes in list order.
    virtual int FieldBoxCount() const = 0;
    virtual TextDocument& FieldBox(int index) = 0;
    // The invoice text.
    virtual TextDocument& InvoiceDocument() = 0;
    virtual GoodsGrid& Goods() = 0;

    // The replacement box of the find-and-replace window.
    virtual std::string ReplaceText() const = 0;
    // Sets the replacement box's text and selects all of it.
    virtual void SetReplaceText(const std::string& text) = 0;

    // Messages, and Yes/No questions owned by the find-and-replace window (No the default).
    virtual Prompter& Prompts() = 0;

    virtual CaptureTime Now() const = 0;
    // Value of the invoice sequence number box.
    virtual int InvoiceSequenceNumber() const = 0;

    virtual TradeState& Trade() = 0;
    virtual void SetFreightBillUnsaved() = 0;
    virtual void SetInvoiceUnsaved() = 0;

    // The document the last Find next selected a keyword in and gave the focus to. Replace
    // acts on it even when that focus is gone, as it is while the find-and-replace window is
    // the active window. Kept as an address to compare with, never to reach the document by:
    // the document may have been rebuilt since.
    void NoteOffered(const TextDocument* document) {
        offered_ = reinterpret_cast<std::uintptr_t>(document);
    }
    bool WasOffered(const TextDocument& document) const {
        return offered_ != 0 && offered_ == reinterpret_cast<std::uintptr_t>(&document);
    }

private:
    std::uintptr_t offered_ = 0;
};

}  // namespace tallivo
