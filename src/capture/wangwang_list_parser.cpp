#include "capture/wangwang_list_parser.h"

#include <string>

#include "capture/keywords.h"
#include "capture/list_page_scan.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

const std::array<std::string, 3>& PresenceWords() {
    static const std::array<std::string, 3> words = {Gbk(u8"旺旺在线"), Gbk(u8"旺旺离线"),
                                                     Gbk(u8"手机在线")};
    return words;
}

// Position just past the presence word that the walk found at `e`.
int PastPresenceWord(std::string_view in, int e) {
    const std::string_view at = in.substr(static_cast<std::size_t>(e) - 1);
    for (const std::string& word : PresenceWords()) {
        if (at.substr(0, word.size()) == word) return PastMarker(e, word);
    }
    return e;
}

// End of the buyer's nickname of the entry whose presence word stands at `e`: the nickname is
// the second word before it.
int NicknameEnd(ListPageScanner& scan, int e) {
    const int w = scan.SkipBlanksBackward(e - 1);
    return scan.SkipBlanksBackward(scan.FindBlankBackward(w));
}

// The goods name fills the entry's line up to the blank before the nickname. It never reaches
// back past `nameFloor`, the end of the previous entry on the same line: entries pasted run
// together on one line would otherwise each take all the entries before them for their name.
std::string GoodsName(std::string_view in, ListPageScanner& scan, int e, int nameFloor) {
    const int last = scan.SkipBlanksBackward(scan.FindBlankBackward(NicknameEnd(scan, e)));
    const int lineBreak = scan.LineBreakBackward(last);
    int first = lineBreak > 0 ? lineBreak + 1 : 1;
    if (first < nameFloor) first = nameFloor;
    return CutRange(in, SkipBlanksForward(in, first), last);
}

}  // namespace

PresenceWordWalk::PresenceWordWalk(std::string_view text) : text_(text) {
    for (std::size_t i = 0; i < next_.size(); ++i) {
        next_[i] = FindTextFrom(text_, PresenceWords()[i], 1);
    }
}

int PresenceWordWalk::Next() {
    int e = 0;
    for (int p : next_) {
        if (p > 0 && (e == 0 || p < e)) e = p;
    }
    if (e == 0) return 0;
    for (std::size_t i = 0; i < next_.size(); ++i) {
        if (next_[i] > 0 && next_[i] <= e)
            next_[i] = FindTextFrom(text_, PresenceWords()[i], e + 1);
    }
    return e;
}

void ParseWangwangList(CaptureHost& host, int start) {
    const std::string& in = host.InputText();
    TradeState& trade = host.Trade();
    ListPageScanner scan(in);

    if (trade.askMultipleBuyers) {
        PresenceWordWalk walk(in);
        // Once the question is switched off the rest of the walk would change nothing.
        int lastFirst = -1, lastEnd = -1;
        for (int e = walk.Next(); e > 0 && trade.askMultipleBuyers; e = walk.Next()) {
            const int v = NicknameEnd(scan, e);
            const int first = scan.FindBlankBackward(v) + 1;
            // Entries glued together share one nickname; it was accepted the first time.
            if (first == lastFirst && v == lastEnd) continue;
            lastFirst = first;
            lastEnd = v;
            if (!ConfirmSingleBuyer(host, CutRange(in, first, v))) return;
        }
    }

    if (OfferListPageKeyword(host, start)) return;

    GoodsGrid& grid = host.Goods();
    PresenceWordWalk walk(in);
    int amountStart = 0, amountEnd = 0;  // the previous entry's amount, [start, end)
    int nameFloor = 0;
    for (int e = walk.Next(); e > 0; e = walk.Next()) {
        std::string name = GoodsName(in, scan, e, nameFloor);
        const int after = PastPresenceWord(in, e);
        const int start = SkipBlanksForward(in, after);
        // Within the previous amount's word the word ends where that one did.
        if (start < amountStart || start >= amountEnd) amountEnd = start + WordLengthAt(in, start);
        amountStart = start;
        // An amount found on the next line is the start of the next entry, not an end to it.
        nameFloor = amountEnd;
        for (int q = after + 1; q < start; ++q) {
            if (ByteAt(in, q - 1) == '\r' && ByteAt(in, q) == '\n') nameFloor = after;
        }
        // A row with an amount but no name would count as free and be overwritten.
        if (name.empty() || !grid.CheckRepeatedGoods(name, GoodsGrid::kGoodsName)) continue;
        const int r = grid.FindFreeGoodsRow();
        grid.SetCell(GoodsGrid::kGoodsName, r, std::move(name));
        grid.SetCell(GoodsGrid::kAmount, r, CutUpTo(in, amountStart, amountEnd));
    }
    grid.RecalculateGoodsTotals();
}

}  // namespace tallivo
