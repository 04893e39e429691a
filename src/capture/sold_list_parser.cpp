#include "capture/sold_list_parser.h"

#include <array>
#include <string>

#include "capture/keywords.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

struct SoldListMarkers {
    std::string sold = Gbk(u8"卖出");
    std::string lineBreak = "\r\n";
    std::string dot = ".";
    std::array<std::string, 5> states = {Gbk(u8" 等待买家付款"), Gbk(u8" 买家已付款"),
                                         Gbk(u8" 卖家已发货"), Gbk(u8" 交易成功"),
                                         Gbk(u8" 交易关闭")};
};

const SoldListMarkers& Markers() {
    static const SoldListMarkers markers;
    return markers;
}

// The first price at or after a position, remembering the last answer: an entry without a
// recognisable price searches into the entries after it, which must not be searched again.
class PriceFinder {
public:
    explicit PriceFinder(std::string_view text) : text_(text) {}

    int Find(int from) {
        if (searched_ && from >= from_ && (found_ == 0 || from <= found_)) return found_;
        const std::string& dot = Markers().dot;
        int d = from - 1;
        do {
            d = FindTextFrom(text_, dot, d + 1);
        } while (d > 0 && !IsSoldListPriceAt(text_, d));
        searched_ = true;
        from_ = from;
        found_ = d;
        return d;
    }

private:
    std::string_view text_;
    bool searched_ = false;
    int from_ = 0;
    int found_ = 0;
};

}  // namespace

bool IsSoldListPriceAt(std::string_view text, int d) {
    if (d < 2 || static_cast<std::size_t>(d) > text.size()) return false;
    if (ByteAt(text, d) != '.' || !IsDigitEndingAt(text, d - 1) || !IsDigitAt(text, d + 1) ||
        !IsDigitAt(text, d + 2)) {
        return false;
    }
    const std::size_t after = static_cast<std::size_t>(d) + 2;  // 0-based index of byte d + 3
    if (after > text.size()) return false;
    const std::string_view rest = text.substr(after);
    for (const std::string& state : Markers().states) {
        if (rest.substr(0, state.size()) == state) return true;
    }
    return false;
}

void ParseSoldList(CaptureHost& host, int start) {
    const SoldListMarkers& m = Markers();
    const std::string& in = host.InputText();
    TradeState& trade = host.Trade();

    // Every buyer on the page is checked before anything is offered.
    for (int k = 1; trade.askMultipleBuyers;) {
        k = FindTextFrom(in, m.sold, k);
        if (k == 0) break;
        k = SkipBlanksForward(in, PastMarker(k, m.sold));
        host.SetReplaceText(WordFrom(in, k));
        if (trade.askMultipleBuyers && !ConfirmSingleBuyer(host, host.ReplaceText())) return;
    }

    // The buyer offered is the page's first.
    const auto firstBuyer = [&] {
        return WordFrom(in, SkipBlanksForward(in, PastFirstMarker(in, m.sold)));
    };
    if (OfferListPageKeyword(host, start, firstBuyer)) return;

    GoodsGrid& grid = host.Goods();
    const int length = static_cast<int>(in.size());
    PriceFinder prices(in);
    for (int k = 1;;) {
        k = FindTextFrom(in, m.sold, k);
        if (k == 0) break;
        k = FindTextFrom(in, m.lineBreak, k);
        if (k == 0) break;
        k = SkipBlanksForward(in, PastMarker(k, m.lineBreak));  // the goods line

        int n = 0;
        const int d = prices.Find(k + 1);
        if (d > 0) n = SkipBlanksBackward(in, FindBlankBackward(in, d)) - k + 1;
        if (d == 0 || n <= 0) n = length - k;
        // A page that ends right after the entry's first line has no goods name to write.
        if (n <= 0) break;

        std::string name = CutBytes(in, k, n);
        if (!grid.CheckRepeatedGoods(name, GoodsGrid::kGoodsName)) continue;
        const int r = grid.FindFreeGoodsRow();
        grid.SetCell(GoodsGrid::kGoodsName, r, std::move(name));
        k = SkipBlanksForward(in, k + n);
        grid.SetCell(GoodsGrid::kAmount, r, WordFrom(in, k));
    }
    grid.RecalculateGoodsTotals();
}

}  // namespace tallivo
