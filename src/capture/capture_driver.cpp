#include "capture/capture_driver.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "capture/keywords.h"
#include "capture/parsers.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

// The document Replace acts on: on the freight bill the first focused box with a selection,
// else the box Find next selected in, which has lost the focus when another window is active.
TextDocument* ReplaceTarget(CaptureHost& host) {
    if (host.CurrentTab() == kTabFreightBill) {
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            TextDocument& box = host.FieldBox(i);
            if (box.Focused() && box.SelLength() > 0) return &box;
        }
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            TextDocument& box = host.FieldBox(i);
            if (host.WasOffered(box) && box.SelLength() > 0) return &box;
        }
    } else if (host.CurrentTab() == kTabInvoice) {
        TextDocument& invoice = host.InvoiceDocument();
        if (invoice.SelLength() > 0) return &invoice;
    }
    return nullptr;
}

bool Contains(std::string_view text, std::string_view marker) {
    return FindTextFrom(text, marker, 1) > 0;
}

void ReportUnrecognised(CaptureHost& host) {
    static const std::string message = Gbk(u8"无法识别的输入文本！");
    host.Prompts().ShowMessage(message);
}

// A date such as 2008年03月07日 followed by "卖出" and a ".".
bool LooksLikeSoldList(std::string_view in) {
    static const std::string year = Gbk(u8"年");
    static const std::string month = Gbk(u8"月");
    static const std::string day = Gbk(u8"日");
    static const std::string sold = Gbk(u8"卖出");
    const int y = FindTextFrom(in, year, 1);
    const int m = FindTextFrom(in, month, y);
    const int d = FindTextFrom(in, day, m);
    if (y <= 0 || m <= 0 || d <= 0 || m != y + 4 || d != m + 4) return false;
    const int k = FindTextFrom(in, sold, d);
    return k > 0 && FindTextFrom(in, ".", k) > 0;
}

// A date and time such as 08/03/07 12:30:15.
bool LooksLikeWangwangList(std::string_view in) {
    const int a = FindTextFrom(in, "/", 1);
    const int b = FindTextFrom(in, "/", a + 1);
    if (a <= 0 || b <= 0 || b != a + 3) return false;
    const int c = FindTextFrom(in, ":", b);
    const int e = FindTextFrom(in, ":", c + 1);
    return c > 0 && e > 0 && e == c + 3;
}

// False when the page was reported as not recognised.
bool FindOnTaobaoPage(CaptureHost& host) {
    static const std::string orderDetailConsignee = Gbk(u8"收货信息姓名：");
    static const std::string goodsInfo = Gbk(u8"商品信息");
    static const std::string orderDetailInvoice1 = Gbk(u8"物流信息订单信息");
    static const std::string orderDetailInvoice2 = Gbk(u8"收货信息订单信息");
    const std::string_view in = host.InputText();
    if (host.CurrentTab() == kTabFreightBill) {
        if (Contains(in, orderDetailConsignee)) {
            FindInFieldBoxes(host, ParseOrderDetailForFreightBill);
        } else if (Contains(in, goodsInfo)) {
            FindInFieldBoxes(host, ParseTradeDetail);
        } else {
            ReportUnrecognised(host);
            return false;
        }
    } else if (host.CurrentTab() == kTabInvoice) {
        const int s = InvoiceSearchStart(host);
        if (Contains(in, goodsInfo)) {
            ParseTradeDetail(host, host.InvoiceDocument(), s);
        } else if (LooksLikeSoldList(in)) {
            ParseSoldList(host, s);
        } else if (Contains(in, orderDetailInvoice1) || Contains(in, orderDetailInvoice2)) {
            ParseOrderDetailForInvoice(host, s);
        } else if (LooksLikeWangwangList(in)) {
            ParseWangwangList(host, s);
        } else {
            ReportUnrecognised(host);
            return false;
        }
    }
    return true;
}

void FindOnPaipaiPage(CaptureHost& host) {
    static const std::string tradeManagement = Gbk(u8"交易管理");
    const bool management = Contains(host.InputText(), tradeManagement);
    if (host.CurrentTab() == kTabFreightBill) {
        if (management) FindInFieldBoxes(host, ParsePaipaiTradeManagement);
    } else if (host.CurrentTab() == kTabInvoice) {
        const int s = InvoiceSearchStart(host);
        if (management) {
            ParsePaipaiTradeManagement(host, host.InvoiceDocument(), s);
        } else {
            ParsePaipaiTradeList(host, s);
        }
    }
}

// Bookkeeping of Replace all. Find next always searches from the top again, so a value that
// itself holds a keyword (a buyer nicknamed "{买家}") would be found and replaced for ever, and a
// box that cannot take the focus would never be replaced at all. Replace all therefore stops
// when a keyword is found inside text it inserted, or when nothing could be replaced; as a last
// guard it does no more rounds than the documents held "{" bytes, each keyword's first byte.
class ReplaceAllGuard {
public:
    explicit ReplaceAllGuard(long long budget) : budget_(budget) {}

    // Called before a Replace; false when the round must not run.
    bool BeforeReplace(CaptureHost& host) {
        if (budget_-- <= 0) return false;
        target_ = ReplaceTarget(host);
        if (target_ == nullptr) return false;
        start_ = target_->SelStart();
        removed_ = target_->SelLength();
        inserted_ = static_cast<int>(host.ReplaceText().size());
        return true;
    }

    // Called after Replace and the following Find next; false when the new selection lies in
    // inserted text.
    bool AfterFind(CaptureHost& host) {
        Record(target_, start_, removed_, inserted_);
        if (host.CurrentTab() == kTabInvoice)
            return !SelectionInInsertedText(host.InvoiceDocument());
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            if (SelectionInInsertedText(host.FieldBox(i))) return false;
        }
        return true;
    }

private:
    struct Span {
        int begin;
        int end;
    };

    void Record(TextDocument* document, int t, int removed, int added) {
        std::vector<Span>& spans = inserted_spans_[document];
        std::vector<Span> next;
        next.reserve(spans.size() + 1);
        bool placed = false;
        for (const Span& span : spans) {
            if (span.end <= t) {
                next.push_back(span);
                continue;
            }
            if (!placed) {
                next.push_back({t, t + added});
                placed = true;
            }
            // What is left of a span behind (or overlapping the end of) the replaced keyword.
            const int begin = std::max(span.begin, t + removed);
            if (begin < span.end)
                next.push_back({begin + added - removed, span.end + added - removed});
        }
        if (!placed) next.push_back({t, t + added});
        spans.swap(next);
    }

    bool SelectionInInsertedText(const TextDocument& document) const {
        if (document.SelLength() <= 0) return false;
        auto it = inserted_spans_.find(&document);
        if (it == inserted_spans_.end()) return false;
        const int at = document.SelStart();
        for (const Span& span : it->second) {
            if (at >= span.begin && at < span.end) return true;
        }
        return false;
    }

    long long budget_;
    TextDocument* target_ = nullptr;
    int start_ = 0;
    int removed_ = 0;
    int inserted_ = 0;
    std::unordered_map<const TextDocument*, std::vector<Span>> inserted_spans_;
};

long long CountBraces(std::string_view text) {
    return static_cast<long long>(std::count(text.begin(), text.end(), '{'));
}

// Find next; false when it reported the page as not recognised.
bool FindNext(CaptureHost& host) {
    host.NoteOffered(nullptr);
    if (host.SiteIndex() == kSiteTaobao) return FindOnTaobaoPage(host);
    if (host.SiteIndex() == kSitePaipai) FindOnPaipaiPage(host);
    return true;
}

}  // namespace

void FindInFieldBoxes(CaptureHost& host, BoxParser parser) {
    const int count = host.FieldBoxCount();
    for (int i = 0; i < count; ++i) {
        if (parser(host, host.FieldBox(i), 1)) return;
    }
}

int InvoiceSearchStart(CaptureHost& host) {
    TextDocument& invoice = host.InvoiceDocument();
    if (invoice.SelLength() <= 0) return 1;
    const int start = invoice.SelStart();
    invoice.SetSelection(start, 0);
    return start + 1;
}

void MenuItemFindClick(CaptureHost& host) {
    FindNext(host);
}

void MenuItemReplaceClick(CaptureHost& host) {
    if (TextDocument* target = ReplaceTarget(host)) {
        const int t = target->SelStart();
        target->ReplaceSelection(host.ReplaceText());
        target->SetSelection(t, 0);
        if (host.CurrentTab() == kTabFreightBill) {
            host.SetFreightBillUnsaved();
        } else {
            host.SetInvoiceUnsaved();
        }
    }
    MenuItemFindClick(host);
}

void MenuItemReplaceAllClick(CaptureHost& host) {
    if (host.CurrentTab() == kTabFreightBill) {
        long long braces = 0;
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            braces += CountBraces(host.FieldBox(i).PlainText()) + 1;
        }
        ReplaceAllGuard guard(braces);
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            host.FieldBox(i).SetSelection(1, 0);
            // The page, site and tab stay as they are for the whole command, so a page not
            // recognised for this box would be reported again for every other one.
            if (!FindNext(host)) break;
            while (i < host.FieldBoxCount() && host.FieldBox(i).SelLength() > 0 &&
                   guard.BeforeReplace(host)) {
                MenuItemReplaceClick(host);
                MenuItemFindClick(host);
                if (!guard.AfterFind(host)) break;
            }
        }
    } else if (host.CurrentTab() == kTabInvoice) {
        TextDocument& invoice = host.InvoiceDocument();
        ReplaceAllGuard guard(CountBraces(invoice.PlainText()) + 1);
        invoice.SetSelection(1, 0);
        MenuItemFindClick(host);
        while (invoice.SelLength() > 0 && guard.BeforeReplace(host)) {
            MenuItemReplaceClick(host);
            MenuItemFindClick(host);
            if (!guard.AfterFind(host)) break;
        }
    }
}

}  // namespace tallivo
