#include "capture/keywords.h"

#include <cstdio>

#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {

const std::string& KeywordText(Keyword keyword) {
    static const std::string texts[kKeywordCount] = {
        Gbk(u8"{收货人}"),   Gbk(u8"{手机}"),     Gbk(u8"{电话}"),     Gbk(u8"{收货地址}"),
        Gbk(u8"{邮政编码}"), Gbk(u8"{发货日期}"), Gbk(u8"{交易网站}"), Gbk(u8"{发货单号}"),
        Gbk(u8"{发货时间}"), Gbk(u8"{买家}"),     Gbk(u8"{卖家}"),     Gbk(u8"{物流承运信息}"),
    };
    return texts[static_cast<int>(keyword)];
}

const std::string& SiteName(int site) {
    static const std::string taobao = Gbk(u8"淘宝网");
    static const std::string paipai = Gbk(u8"拍拍网");
    static const std::string none;
    return site == 0 ? taobao : site == 1 ? paipai : none;
}

std::string FormatConsignDate(const CaptureTime& time) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", time.year, time.month, time.day);
    return buffer;
}

std::string FormatConsignTime(const CaptureTime& time) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return buffer;
}

void OfferKeyword(CaptureHost& host, TextDocument& document, const std::string& value,
                  int keywordLength, int position) {
    host.SetReplaceText(value);
    if (document.CanFocus()) {
        document.SetFocus();
        host.NoteOffered(&document);
    }
    document.SetSelection(position - 1, keywordLength);
}

namespace {

bool ReplaceCommonKeywordIn(CaptureHost& host, TextDocument& document, std::string_view text,
                            int start) {
    const KeywordHit hit = FindFirstKeyword(
        text, {Keyword::kWebSite, Keyword::kInvoiceSN, Keyword::kTime, Keyword::kConsignDate},
        start);
    if (!hit) return false;
    std::string value;
    switch (hit.keyword) {
        case Keyword::kWebSite: {
            const int site = host.SiteIndex();
            if (site != 0 && site != 1) {
                static const std::string message = Gbk(u8"无法识别的输入文本！");
                host.Prompts().ShowMessage(message);
                return true;
            }
            value = SiteName(site);
            break;
        }
        case Keyword::kInvoiceSN:
            value = std::to_string(host.InvoiceSequenceNumber());
            break;
        case Keyword::kTime:
            value = FormatConsignTime(host.Now());
            break;
        default:
            value = FormatConsignDate(host.Now());
            break;
    }
    OfferKeyword(host, document, value, KeywordLength(hit.keyword), hit.position);
    return true;
}

}  // namespace

bool ReplaceCommonKeyword(CaptureHost& host, TextDocument& document, int start) {
    return ReplaceCommonKeywordIn(host, document, document.PlainText(), start);
}

int StartDetailGoodsRow(GoodsGrid& grid, const std::optional<std::string>& tradeNumber,
                        std::optional<std::string> goodsName) {
    static const std::string kNoName;
    if (tradeNumber) {
        if (!grid.CheckRepeatedGoods(*tradeNumber, GoodsGrid::kTradeNumber)) return 0;
    } else if (!grid.CheckRepeatedGoods(goodsName ? *goodsName : kNoName, GoodsGrid::kGoodsName)) {
        return 0;
    }
    const int r = grid.FindFreeGoodsRow();
    if (tradeNumber) grid.SetCell(GoodsGrid::kTradeNumber, r, *tradeNumber);
    if (goodsName) grid.SetCell(GoodsGrid::kGoodsName, r, std::move(*goodsName));
    return r;
}

bool OfferListPageKeyword(CaptureHost& host, int start,
                          const std::function<std::string()>& pageBuyer) {
    TextDocument& document = host.InvoiceDocument();
    const std::string text = document.PlainText();
    if (ReplaceCommonKeywordIn(host, document, text, start)) return true;
    const KeywordHit hit = FindFirstKeyword(text, {Keyword::kBuyer}, start);
    if (!hit) return false;
    TradeState& trade = host.Trade();
    if (pageBuyer) trade.currentBuyer = pageBuyer();
    OfferKeyword(host, document, trade.currentBuyer, KeywordLength(Keyword::kBuyer), hit.position);
    return true;
}

KeywordHit FindFirstKeyword(std::string_view text, std::initializer_list<Keyword> order,
                            int start) {
    KeywordHit hit;
    int index = 0;
    for (Keyword keyword : order) {
        const int position = FindTextFrom(text, KeywordText(keyword), start);
        if (position > 0) {
            hit.index = index;
            hit.position = position;
            hit.keyword = keyword;
            return hit;
        }
        ++index;
    }
    return hit;
}

bool ConfirmSingleBuyer(CaptureHost& host, const std::string& name) {
    TradeState& trade = host.Trade();
    if (trade.currentBuyer.empty()) {
        trade.currentBuyer = name;
        return true;
    }
    if (trade.currentBuyer == name) return true;
    static const std::string caption = Gbk(u8"提示：有多个买家！");
    static const std::string question = Gbk(u8"有多个买家，继续吗？");
    if (!host.Prompts().AskYesNo(caption, question)) return false;
    trade.askMultipleBuyers = false;
    return true;
}

bool IsDigitAt(std::string_view text, int p) {
    const unsigned char c = ByteAt(text, p);
    return c >= '0' && c <= '9';
}

std::string CutBytes(std::string_view text, int from, int count) {
    if (count < 1) return std::string();
    if (from < 1) from = 1;
    const std::size_t begin = static_cast<std::size_t>(from) - 1;
    if (begin >= text.size()) return std::string();
    return std::string(text.substr(begin, static_cast<std::size_t>(count)));
}

std::string CutRange(std::string_view text, int from, int to) {
    if (to < from) return std::string();
    return CutBytes(text, from, to - from + 1);
}

std::string CutUpTo(std::string_view text, int from, int end) {
    if (end <= from) return std::string();
    return CutBytes(text, from, end - from);
}

std::string WordAt(std::string_view text, int p) {
    const int s = SkipBlanksForward(text, p);
    return CutBytes(text, s, WordLengthAt(text, s));
}

std::string WordFrom(std::string_view text, int p) {
    return CutBytes(text, p, WordLengthAt(text, p));
}

int MarkerPosition(std::string_view text, std::string_view marker) {
    return FindTextFrom(text, marker, 1);
}

}  // namespace tallivo
