#include "capture/capture_driver.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "capture/keywords.h"
#include "capture/parsers.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

// List-page parsers not yet in the tree; the library links without them.
#ifdef TALLIVO_MISSING_sold_list
void ParseSoldList(CaptureHost&, int) {}
#endif
#ifdef TALLIVO_MISSING_wangwang_list
void ParseWangwangList(CaptureHost&, int) {}
#endif
#ifdef TALLIVO_MISSING_paipai_trade_management
bool ParsePaipaiTradeManagement(CaptureHost&, TextDocument&, int) {
    return false;
}
#endif
#ifdef TALLIVO_MISSING_paipai_trade_list
void ParsePaipaiTradeList(CaptureHost&, int) {}
bool IsListDateTimeAt(std::string_view, int) {
    return false;
}
#endif

namespace {

bool Contains(std::string_view text, std::string_view marker) {
    return FindTextFrom(text, marker, 1) > 0;
}

void ReportUnrecognised(CaptureHost& host) {
    static const std::string message = Gbk(u8"无法识别的输入文本！");
    host.ShowMessage(message);
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

void FindOnTaobaoPage(CaptureHost& host) {
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
        }
    }
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

// Replace all stops once it has done as many replacements as the documents held "{" bytes.
// Every keyword starts with one, so ordinary templates are never cut short; a value that
// itself contains a keyword (a buyer nicknamed "{买家}") would otherwise be found and replaced
// for ever.
long long ReplaceBudget(std::string_view text) {
    return static_cast<long long>(std::count(text.begin(), text.end(), '{')) + 1;
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
    if (host.SiteIndex() == kSiteTaobao) {
        FindOnTaobaoPage(host);
    } else if (host.SiteIndex() == kSitePaipai) {
        FindOnPaipaiPage(host);
    }
}

void MenuItemReplaceClick(CaptureHost& host) {
    TextDocument* target = nullptr;
    if (host.CurrentTab() == kTabFreightBill) {
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            TextDocument& box = host.FieldBox(i);
            if (box.Focused() && box.SelLength() > 0) {
                target = &box;
                break;
            }
        }
    } else if (host.CurrentTab() == kTabInvoice) {
        TextDocument& invoice = host.InvoiceDocument();
        if (invoice.SelLength() > 0) target = &invoice;
    }
    if (target != nullptr) {
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
        long long budget = 0;
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            budget += ReplaceBudget(host.FieldBox(i).PlainText());
        }
        for (int i = 0; i < host.FieldBoxCount(); ++i) {
            host.FieldBox(i).SetSelection(1, 0);
            MenuItemFindClick(host);
            while (i < host.FieldBoxCount() && host.FieldBox(i).SelLength() > 0 && budget-- > 0) {
                MenuItemReplaceClick(host);
                MenuItemFindClick(host);
            }
        }
    } else if (host.CurrentTab() == kTabInvoice) {
        TextDocument& invoice = host.InvoiceDocument();
        long long budget = ReplaceBudget(invoice.PlainText());
        invoice.SetSelection(1, 0);
        MenuItemFindClick(host);
        while (invoice.SelLength() > 0 && budget-- > 0) {
            MenuItemReplaceClick(host);
            MenuItemFindClick(host);
        }
    }
}

}  // namespace tallivo
