#include "capture/paipai_trade_list_parser.h"

#include <string>

#include "capture/keywords.h"
#include "capture/list_page_scan.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

// An entry's stamp: the century, then yy-mm-dd CR LF hh:nn:ss ("d" a digit).
constexpr std::string_view kCentury = "20";
constexpr std::string_view kPattern = "dd-dd-dd\r\ndd:dd:dd";

}  // namespace

bool IsListDateTimeAt(std::string_view text, int p) {
    constexpr int kLength = static_cast<int>(kPattern.size());
    if (p < 1 || p > static_cast<int>(text.size()) - kLength + 1) return false;
    for (int i = 0; i < kLength; ++i) {
        const char want = kPattern[static_cast<std::size_t>(i)];
        if (want == 'd' ? !IsDigitAt(text, p + i) : ByteAt(text, p + i) != want) return false;
    }
    return true;
}

int NextListEntry(std::string_view text, int from) {
    for (int a = FindTextFrom(text, kCentury, from); a > 0;
         a = FindTextFrom(text, kCentury, a + 1)) {
        if (IsListDateTimeAt(text, PastMarker(a, kCentury))) return a;
    }
    return 0;
}

void ParsePaipaiTradeList(CaptureHost& host, int start) {
    const std::string& in = host.InputText();
    TradeState& trade = host.Trade();

    // The nickname follows the stamp; the next entry is searched from the nickname on.
    for (int k = 1; trade.askMultipleBuyers;) {
        const int a = NextListEntry(in, k);
        if (a == 0) break;
        k = SkipBlanksForward(in, PastMarker(PastMarker(a, kCentury), kPattern));
        host.SetReplaceText(WordFrom(in, k));
        if (trade.askMultipleBuyers && !ConfirmSingleBuyer(host, host.ReplaceText())) return;
    }

    if (OfferListPageKeyword(host, start)) return;

    GoodsGrid& grid = host.Goods();
    ListPageScanner scan(in);
    for (int a = NextListEntry(in, 1); a > 0; a = NextListEntry(in, a + 1)) {
        // The amount stands before the date, on the line below the goods name.
        const int e = scan.SkipBlanksBackward(a - 1);
        int d = scan.FindBlankBackward(e);
        std::string amount = CutRange(in, d + 1, e);
        d = scan.LineBreakBackward(d);
        if (d == 0) continue;
        const int f = scan.SkipBlanksBackward(d - 2);
        const int s = SkipBlanksForward(in, scan.LineBreakBackward(f) + 1);
        std::string name = CutRange(in, s, f);
        // A row with an amount but no name would count as free and be overwritten.
        if (name.empty() || !grid.CheckRepeatedGoods(name, GoodsGrid::kGoodsName)) continue;
        const int r = grid.FindFreeGoodsRow();
        grid.SetCell(GoodsGrid::kGoodsName, r, std::move(name));
        grid.SetCell(GoodsGrid::kAmount, r, std::move(amount));
    }
    grid.RecalculateGoodsTotals();
}

}  // namespace tallivo
