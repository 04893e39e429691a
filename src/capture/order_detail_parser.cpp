#include <string>
#include <string_view>

#include "capture/keywords.h"
#include "capture/parsers.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

namespace {

struct OrderDetailMarkers {
    std::string name = Gbk(u8"姓名：");
    std::string mobile = Gbk(u8"手机：");
    std::string phone = Gbk(u8"电话：");
    std::string postCode = Gbk(u8"邮       编：");
    std::string postCodeFirst = Gbk(u8"邮");
    std::string postCodeLast = Gbk(u8"编：");
    std::string address = Gbk(u8"地址：");
    std::string deliveryAddress = Gbk(u8"收货地址：");
    std::string consignee = Gbk(u8"收货信息姓名：");
    std::string buyer = Gbk(u8"买家：");
    std::string nickname = Gbk(u8"昵称：");
    std::string greeting = Gbk(u8"您好，");
    std::string greetingEnd = Gbk(u8"！[");
    std::string carrier = Gbk(u8"物流信息快递公司：");
    std::string tradeNumber = Gbk(u8"支付宝交易号：");
    std::string goods = Gbk(u8"订单信息宝贝：");
    std::string totalPrice = Gbk(u8"总价");
    std::string paid = Gbk(u8"付款金额：");
    std::string piece = Gbk(u8"件");
    std::string yuan = Gbk(u8"元");
};

const OrderDetailMarkers& Markers() {
    static const OrderDetailMarkers markers;
    return markers;
}

// The mobile number after the "手机：" found at `label`: 11 bytes, or empty.
std::string MobileAfter(std::string_view in, int label) {
    const int p = SkipBlanksForward(in, PastMarker(label, Markers().mobile));
    return IsMobileNumberAt(in, p) ? CutBytes(in, p, 11) : std::string();
}

// The fixed-line number after the "电话：" found at `label`, or empty.
std::string PhoneAfter(std::string_view in, int label) {
    const int p = SkipBlanksForward(in, PastMarker(label, Markers().phone));
    return IsPhoneAreaCodeAt(in, p) ? WordAt(in, p) : std::string();
}

// The address after the page's first `label` up to the blanks before the next "电话：".
std::string AddressAfter(std::string_view in, const std::string& label) {
    const OrderDetailMarkers& m = Markers();
    const int p = SkipBlanksForward(in, PastFirstMarker(in, label));
    const int e = FindTextFrom(in, m.phone, p);
    // With no "电话：" after it the address has no end on the page; it is left empty rather
    // than cut from a position before its start.
    return CutRange(in, p, SkipBlanksBackward(in, e - 1));
}

// The page lines the label up with a run of &nbsp;, and a browser's copy keeps as many of them
// as it likes: any run of blanks between "邮" and "编：" is the label.
std::string PostCode(std::string_view in) {
    const OrderDetailMarkers& m = Markers();
    int label = FindTextFrom(in, m.postCode, 1);
    if (label > 0) return WordAt(in, PastMarker(label, m.postCode));
    for (label = FindTextFrom(in, m.postCodeFirst, 1); label > 0;
         label = FindTextFrom(in, m.postCodeFirst, label + 1)) {
        const int blanks = PastMarker(label, m.postCodeFirst);
        const int last = SkipBlanksForward(in, blanks);
        if (last > blanks &&
            in.substr(static_cast<std::size_t>(last) - 1).substr(0, m.postCodeLast.size()) ==
                m.postCodeLast)
            return WordAt(in, PastMarker(last, m.postCodeLast));
    }
    return WordAt(in, PastMarker(label, m.postCode));
}

// Writes the order's goods line into the grid. False when the trade is already there.
bool WriteGoodsLine(CaptureHost& host) {
    const OrderDetailMarkers& m = Markers();
    const std::string_view in = host.InputText();
    GoodsGrid& grid = host.Goods();

    const int t = MarkerPosition(in, m.tradeNumber);
    const int g = MarkerPosition(in, m.goods);
    std::optional<std::string> name;
    if (g > 0) {
        const int p = SkipBlanksForward(in, PastMarker(g, m.goods));
        const int e = FindTextFrom(in, m.buyer, p);
        name = CutRange(in, p, SkipBlanksBackward(in, e - 1));
    }
    std::optional<std::string> number;
    if (t > 0) number = WordAt(in, PastMarker(t, m.tradeNumber));
    const int r = StartDetailGoodsRow(grid, number, std::move(name));
    if (r == 0) return false;
    const int z = MarkerPosition(in, m.totalPrice);
    if (z > 0) {
        const int p = SkipBlanksForward(in, PastMarker(z, m.totalPrice));
        const int d = FindTextFrom(in, ".", p);
        grid.SetCell(GoodsGrid::kUnitPrice, r, CutRange(in, p, d + 2));
    }
    const int f = MarkerPosition(in, m.paid);
    const int k = FindTextFrom(in, m.piece, f);
    if (k > 0) {
        const int p = SkipBlanksForward(in, PastMarker(k, m.piece));
        grid.SetCell(GoodsGrid::kPostage, r, CutUpTo(in, p, FindTextFrom(in, m.yuan, p)));
    }
    if (f > 0) {
        // The discount is the second "元" amount after "件"; without "件", or without a "元"
        // after it, its search would start from the top of the page.
        const int y = FindTextFrom(in, m.yuan, k);
        if (y > 0) {
            const int p = SkipBlanksForward(in, PastMarker(y, m.yuan));
            grid.SetCell(GoodsGrid::kDiscount, r, CutUpTo(in, p, FindTextFrom(in, m.yuan, p)));
        }

        const int a = SkipBlanksForward(in, PastMarker(f, m.paid));
        grid.SetCell(GoodsGrid::kAmount, r, CutUpTo(in, a, FindTextFrom(in, m.yuan, a)));

        // The quantity runs from the nearest space before "件". Without a "件", or with no
        // space before it, the page shows no readable quantity and the cell is left alone.
        if (k > 0) {
            int j = k - 1;
            while (j > 0 && ByteAt(in, j) != ' ') --j;
            if (j > 0) grid.SetCell(GoodsGrid::kQuantity, r, CutUpTo(in, j + 1, k));
        }
    }
    return true;
}

}  // namespace

bool ParseOrderDetailForFreightBill(CaptureHost& host, TextDocument& box, int start) {
    const OrderDetailMarkers& m = Markers();
    const std::string text = box.PlainText();
    const KeywordHit hit =
        FindFirstKeyword(text,
                         {Keyword::kConsignee, Keyword::kMobilePhone, Keyword::kTelephone,
                          Keyword::kPostCode, Keyword::kAddress, Keyword::kConsignDate},
                         start);
    if (!hit) return false;
    const std::string_view in = host.InputText();
    std::string value;
    switch (hit.keyword) {
        case Keyword::kConsignee:
            value = WordAt(in, PastFirstMarker(in, m.name));
            break;
        case Keyword::kMobilePhone:
            value = MobileAfter(in, MarkerPosition(in, m.mobile));
            break;
        case Keyword::kTelephone:
            value = PhoneAfter(in, MarkerPosition(in, m.phone));
            break;
        case Keyword::kPostCode:
            value = PostCode(in);
            break;
        case Keyword::kAddress:
            value = AddressAfter(in, m.address);
            break;
        default:
            value = FormatConsignDate(host.Now());
            break;
    }
    OfferKeyword(host, box, value, KeywordLength(hit.keyword), hit.position);
    return true;
}

void ParseOrderDetailForInvoice(CaptureHost& host, int start) {
    const OrderDetailMarkers& m = Markers();
    TextDocument& invoice = host.InvoiceDocument();
    if (!ReplaceCommonKeyword(host, invoice, start)) {
        const std::string text = invoice.PlainText();
        const KeywordHit hit = FindFirstKeyword(
            text,
            {Keyword::kBuyer, Keyword::kSeller, Keyword::kDelivery, Keyword::kAddress,
             Keyword::kConsignee, Keyword::kMobilePhone, Keyword::kTelephone, Keyword::kPostCode},
            start);
        const std::string_view in = host.InputText();
        if (!hit) {
            if (!WriteGoodsLine(host)) return;
        } else {
            const int n = MarkerPosition(in, m.consignee);
            std::string value;
            switch (hit.keyword) {
                case Keyword::kBuyer: {
                    const int b = FindTextFrom(in, m.nickname, MarkerPosition(in, m.buyer));
                    value = WordAt(in, PastMarker(b, m.nickname));
                    host.Trade().currentBuyer = value;
                    break;
                }
                case Keyword::kSeller: {
                    const int p = SkipBlanksForward(in, PastFirstMarker(in, m.greeting));
                    value = CutUpTo(in, p, MarkerPosition(in, m.greetingEnd));
                    break;
                }
                case Keyword::kDelivery: {
                    const int c = MarkerPosition(in, m.carrier);
                    if (c > 0) value = WordAt(in, PastMarker(c, m.carrier));
                    break;
                }
                case Keyword::kAddress:
                    value = AddressAfter(in, m.deliveryAddress);
                    break;
                case Keyword::kConsignee:
                    value = WordAt(in, PastMarker(n, m.consignee));
                    break;
                case Keyword::kMobilePhone:
                    value = MobileAfter(in, FindTextFrom(in, m.mobile, n));
                    break;
                case Keyword::kTelephone:
                    value = PhoneAfter(in, FindTextFrom(in, m.phone, n));
                    break;
                default:
                    value = PostCode(in);
                    break;
            }
            OfferKeyword(host, invoice, value, KeywordLength(hit.keyword), hit.position);
        }
    }
    host.Goods().RecalculateGoodsTotals();
}

}  // namespace tallivo
