#include "capture/paipai_trade_management_parser.h"

#include <string>

#include "capture/keywords.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

struct TradeManagementMarkers {
    std::string buyer = Gbk(u8"买家信息");
    std::string greeting = Gbk(u8"欢迎您，");
    std::string greetingEnd = Gbk(u8"！[退出]");
    std::string carrier = Gbk(u8"物流公司:");
    std::string carrierEnd = Gbk(u8"；");
    std::string consignee = Gbk(u8"收货信息");
    std::string mobile = Gbk(u8"手机:");
    std::string phone = Gbk(u8"电话:");
    std::string goodsName = Gbk(u8"商品名称");
    std::string goodsHeader = Gbk(u8"商品金额");
    std::string times = Gbk(u8"×");
    std::string remarkEnd = ")";
    std::string equals = "=";
    std::string lineBreak = "\r\n";
    std::string quantityCaption = Gbk(u8"提示：数量有误！");
    std::string quantityQuestion = Gbk(u8"商品数量有误，是否继续？");
};

const TradeManagementMarkers& Markers() {
    static const TradeManagementMarkers markers;
    return markers;
}

// The CR LF that ends the line holding `p`; a last line without one ends with the text.
int LineEnd(std::string_view in, int p) {
    const int e = FindTextFrom(in, "\r\n", p);
    return e > 0 ? e : static_cast<int>(in.size()) + 1;
}

// From `p` to the end of its line, trailing blanks dropped.
std::string RestOfLine(std::string_view in, int p) {
    return CutRange(in, p, SkipBlanksBackward(in, LineEnd(in, p) - 1));
}

std::string PostCode(std::string_view in) {
    const int w = SkipBlanksBackward(in, LineEnd(in, ConsigneeInfoEnd(in)) - 1);
    if (ByteAt(in, w) != ')') return std::string();
    for (int i = w - 1; i >= w - 6; --i) {
        if (!IsDigitEndingAt(in, i)) return std::string();
    }
    return CutBytes(in, w - 6, 6);
}

std::string KeywordValue(CaptureHost& host, Keyword keyword) {
    const TradeManagementMarkers& m = Markers();
    const std::string& in = host.InputText();
    const int g = ConsigneeInfoEnd(in);
    switch (keyword) {
        case Keyword::kBuyer:
            return host.Trade().currentBuyer = WordFrom(in, PastFirstMarker(in, m.buyer));
        case Keyword::kSeller: {
            const int p = PastFirstMarker(in, m.greeting);
            return CutUpTo(in, p, FindTextFrom(in, m.greetingEnd, p));
        }
        case Keyword::kDelivery: {
            const int p = PastFirstMarker(in, m.carrier);
            return CutUpTo(in, p, FindTextFrom(in, m.carrierEnd, p));
        }
        case Keyword::kAddress:
            return RestOfLine(in, SkipBlanksForward(in, g + WordLengthAt(in, g)));
        case Keyword::kConsignee:
            return WordFrom(in, g);
        case Keyword::kMobilePhone: {
            const int p = PastFirstMarker(in, m.mobile);
            const unsigned char second = ByteAt(in, p + 1);
            if (WordLengthAt(in, p) == 11 && ByteAt(in, p) == '1' &&
                (second == '3' || second == '5')) {
                return CutBytes(in, p, 11);
            }
            return std::string();
        }
        case Keyword::kTelephone: {
            const int p = PastFirstMarker(in, m.phone);
            if (IsDigitAt(in, p) && IsDigitAt(in, p + 1) && IsDigitAt(in, p + 2) &&
                (IsDigitAt(in, p + 3) || ByteAt(in, p + 3) == '-')) {
                return CutUpTo(in, p, LineEnd(in, p));
            }
            return std::string();
        }
        case Keyword::kPostCode:
            return PostCode(in);
        default:
            return std::string();
    }
}

// The trade's one goods line. False when it was refused (a repeated name, or a quantity the
// user would not accept).
bool WriteGoodsLine(CaptureHost& host) {
    const TradeManagementMarkers& m = Markers();
    const std::string& in = host.InputText();
    GoodsGrid& grid = host.Goods();

    const int n = PastFirstMarker(in, m.goodsName);
    std::string name = RestOfLine(in, n);
    if (!grid.CheckRepeatedGoods(name, GoodsGrid::kGoodsName)) return false;
    const int r = grid.FindFreeGoodsRow();
    grid.SetCell(GoodsGrid::kGoodsName, r, std::move(name));

    // The line below the table header: price × quantity postage (remark) discount = amount.
    const int line =
        PastMarker(FindTextFrom(in, m.lineBreak, PastFirstMarker(in, m.goodsHeader)), m.lineBreak);
    grid.SetCell(GoodsGrid::kUnitPrice, r, CutRange(in, line, FindTextFrom(in, ".", line) + 2));

    const int q = PastMarker(FindTextFrom(in, m.times, line), m.times);
    const int x = WordLengthAt(in, q);
    for (int i = q; i < q + x; ++i) {
        if (!IsDigitAt(in, i) && !host.Prompts().AskYesNo(m.quantityCaption, m.quantityQuestion)) {
            return false;
        }
    }
    grid.SetCell(GoodsGrid::kQuantity, r, CutBytes(in, q, x));

    const int s = SkipBlanksForward(in, q + x);
    grid.SetCell(GoodsGrid::kPostage, r, WordFrom(in, s));
    const int c = PastMarker(FindTextFrom(in, m.remarkEnd, s), m.remarkEnd);
    const int e = FindTextFrom(in, m.equals, c);
    grid.SetCell(GoodsGrid::kDiscount, r, CutUpTo(in, c, e));
    grid.SetCell(GoodsGrid::kAmount, r, WordFrom(in, PastMarker(e, m.equals)));

    grid.RecalculateGoodsTotals();
    return true;
}

}  // namespace

int ConsigneeInfoEnd(std::string_view input) {
    return PastFirstMarker(input, Markers().consignee);
}

bool ParsePaipaiTradeManagement(CaptureHost& host, TextDocument& document, int start) {
    if (ReplaceCommonKeyword(host, document, start)) return true;

    const std::string text = document.PlainText();
    const KeywordHit hit = FindFirstKeyword(
        text,
        {Keyword::kBuyer, Keyword::kSeller, Keyword::kDelivery, Keyword::kAddress,
         Keyword::kConsignee, Keyword::kMobilePhone, Keyword::kTelephone, Keyword::kPostCode},
        start);
    if (hit) {
        OfferKeyword(host, document, KeywordValue(host, hit.keyword), KeywordLength(hit.keyword),
                     hit.position);
        return true;
    }

    TradeState& trade = host.Trade();
    if (trade.paipaiGoodsCaptured || host.CurrentTab() != kTabInvoice) return false;
    // Set before writing: a refused line is not offered again on this invoice.
    trade.paipaiGoodsCaptured = true;
    return WriteGoodsLine(host);
}

}  // namespace tallivo
