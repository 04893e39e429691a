#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "capture/keywords.h"
#include "capture/parsers.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

struct TradeDetailMarkers {
    std::string addressLine = Gbk(u8"买家收货地址：");
    std::string comma = Gbk(u8"，");
    std::string buyer = Gbk(u8"买家：");
    std::string seller = Gbk(u8"卖家：");
    std::string carrier = Gbk(u8"物流承运信息：");
    std::string tradeNumber = Gbk(u8"交易号：");
    std::string goodsName = Gbk(u8"商品名称：");
    std::string unitPrice = Gbk(u8"商品单价：");
    std::string postage = Gbk(u8"邮费：");
    std::string discount = Gbk(u8"卖家折扣（－）或费用(+)：");
    std::string amount = Gbk(u8"购物实付总价：");
};

const TradeDetailMarkers& Markers() {
    static const TradeDetailMarkers markers;
    return markers;
}

// The field after the next "，" at or after `p`, blanks skipped.
int NextField(std::string_view in, int p) {
    const std::string& comma = Markers().comma;
    return SkipBlanksForward(in, PastMarker(FindTextFrom(in, comma, p), comma));
}

// The bytes from `p` up to the next "，", untrimmed.
std::string UpToComma(std::string_view in, int p) {
    return CutUpTo(in, p, FindTextFrom(in, Markers().comma, p));
}

// The word after a marker, or nothing when the page lacks the marker.
bool WordAfterMarker(std::string_view in, const std::string& marker, std::string* value) {
    const int p = MarkerPosition(in, marker);
    if (p <= 0) return false;
    *value = WordAt(in, PastMarker(p, marker));
    return true;
}

// Truncated towards zero, as a decimal integer of any size ("inf" or "nan" stay readable).
std::string FormatQuantity(long double value) {
    value = truncl(value);
    if (value == 0) return "0";
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%.0Lf", value);
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof buffer) return buffer;
    return FormatMoney(value).substr(0, static_cast<std::size_t>(n));
}

// Writes the trade's goods line into the grid. False when the trade is already there.
bool WriteGoodsLine(CaptureHost& host) {
    const TradeDetailMarkers& m = Markers();
    const std::string_view in = host.InputText();
    GoodsGrid& grid = host.Goods();

    std::optional<std::string> name;
    const int u = MarkerPosition(in, m.goodsName);
    if (u > 0) {
        const int a = SkipBlanksForward(in, PastMarker(u, m.goodsName));
        const int e = FindTextFrom(in, "\r\n", a);
        // A name on the last line ends with the text.
        name = e > 0 ? CutUpTo(in, a, e) : CutBytes(in, a, static_cast<int>(in.size()) - a + 1);
    }
    const int t = MarkerPosition(in, m.tradeNumber);
    std::optional<std::string> number;
    if (t > 0) number = WordAt(in, PastMarker(t, m.tradeNumber));
    const int r = StartDetailGoodsRow(grid, number, std::move(name));
    if (r == 0) return false;

    std::string value;
    if (WordAfterMarker(in, m.unitPrice, &value)) grid.SetCell(GoodsGrid::kUnitPrice, r, value);
    if (WordAfterMarker(in, m.postage, &value)) grid.SetCell(GoodsGrid::kPostage, r, value);
    if (WordAfterMarker(in, m.discount, &value)) grid.SetCell(GoodsGrid::kDiscount, r, value);
    if (WordAfterMarker(in, m.amount, &value)) grid.SetCell(GoodsGrid::kAmount, r, value);

    const std::string& priceCell = grid.Cell(GoodsGrid::kUnitPrice, r);
    const std::string& postageCell = grid.Cell(GoodsGrid::kPostage, r);
    const std::string& discountCell = grid.Cell(GoodsGrid::kDiscount, r);
    const std::string& amountCell = grid.Cell(GoodsGrid::kAmount, r);
    if (!priceCell.empty() && !postageCell.empty() && !discountCell.empty() &&
        !amountCell.empty()) {
        const long double price = ReadGridDecimal(priceCell);
        if (price != 0) {
            const long double quantity =
                (static_cast<long double>(ReadGridDecimal(amountCell)) -
                 ReadGridDecimal(discountCell) - ReadGridDecimal(postageCell)) /
                    price +
                0.5L;
            grid.SetCell(GoodsGrid::kQuantity, r, FormatQuantity(quantity));
        }
    }
    grid.RecalculateGoodsTotals();
    return true;
}

}  // namespace

int AddressLineConsigneeStart(std::string_view input) {
    return SkipBlanksForward(input, PastFirstMarker(input, Markers().addressLine));
}

int AddressLineMobileStart(std::string_view input) {
    const int d = NextField(input, AddressLineConsigneeStart(input));
    return IsMobileNumberAt(input, d) ? d : 0;
}

int AddressLinePhoneStart(std::string_view input) {
    int d = NextField(input, AddressLineConsigneeStart(input));
    if (IsMobileNumberAt(input, d)) d = NextField(input, d);
    return IsPhoneAreaCodeAt(input, d) ? d : 0;
}

int AddressLineAddressStart(std::string_view input) {
    int d = NextField(input, AddressLineConsigneeStart(input));
    if (IsMobileNumberAt(input, d)) d = NextField(input, d);
    if (IsPhoneAreaCodeAt(input, d)) d = NextField(input, d);
    return d;
}

bool ParseTradeDetail(CaptureHost& host, TextDocument& document, int start) {
    if (ReplaceCommonKeyword(host, document, start)) return true;
    const TradeDetailMarkers& m = Markers();
    const std::string text = document.PlainText();
    const KeywordHit hit = FindFirstKeyword(
        text,
        {Keyword::kBuyer, Keyword::kSeller, Keyword::kDelivery, Keyword::kAddress,
         Keyword::kConsignee, Keyword::kMobilePhone, Keyword::kTelephone, Keyword::kPostCode},
        start);
    if (!hit) {
        if (host.CurrentTab() != kTabInvoice) return false;
        return WriteGoodsLine(host);
    }
    const std::string_view in = host.InputText();
    std::string value;
    switch (hit.keyword) {
        case Keyword::kBuyer:
            value = WordAt(in, PastFirstMarker(in, m.buyer));
            host.Trade().currentBuyer = value;
            break;
        case Keyword::kSeller:
            value = WordAt(in, PastFirstMarker(in, m.seller));
            break;
        case Keyword::kDelivery:
            value = WordAt(in, PastFirstMarker(in, m.carrier));
            break;
        case Keyword::kAddress:
            value = UpToComma(in, AddressLineAddressStart(in));
            break;
        case Keyword::kConsignee:
            value = UpToComma(in, AddressLineConsigneeStart(in));
            break;
        case Keyword::kMobilePhone: {
            const int p = AddressLineMobileStart(in);
            if (p > 0) value = UpToComma(in, p);
            break;
        }
        case Keyword::kTelephone: {
            const int p = AddressLinePhoneStart(in);
            if (p > 0) value = UpToComma(in, p);
            break;
        }
        default:
            value = WordAt(
                in, PastMarker(FindTextFrom(in, m.comma, AddressLineAddressStart(in)), m.comma));
            break;
    }
    OfferKeyword(host, document, value, KeywordLength(hit.keyword), hit.position);
    return true;
}

}  // namespace tallivo
