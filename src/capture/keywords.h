#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "capture/capture_host.h"
#include "capture/text_document.h"

namespace tallivo {

// The twelve keywords, in the order of the add-keyword menu.
enum class Keyword {
    kConsignee,    // {收货人}
    kMobilePhone,  // {手机}
    kTelephone,    // {电话}
    kAddress,      // {收货地址}
    kPostCode,     // {邮政编码}
    kConsignDate,  // {发货日期}
    kWebSite,      // {交易网站}
    kInvoiceSN,    // {发货单号}
    kTime,         // {发货时间}
    kBuyer,        // {买家}
    kSeller,       // {卖家}
    kDelivery,     // {物流承运信息}
};
constexpr int kKeywordCount = 12;

// The keyword's GBK text, braces included.
const std::string& KeywordText(Keyword keyword);
inline int KeywordLength(Keyword keyword) {
    return static_cast<int>(KeywordText(keyword).size());
}

// "淘宝网" for site 0, "拍拍网" for site 1, empty otherwise.
const std::string& SiteName(int site);
// "yyyy-MM-dd" and "hh:nn:ss".
std::string FormatConsignDate(const CaptureTime& time);
std::string FormatConsignTime(const CaptureTime& time);

// Puts `value` into the replacement box (all selected), focuses the document when it can take
// the focus and selects the keyword occurrence at the 1-based `position`.
void OfferKeyword(CaptureHost& host, TextDocument& document, const std::string& value,
                  int keywordLength, int position);

// "{交易网站}", "{发货单号}", "{发货时间}", "{发货日期}" tested in that order from `start`; the
// first found is offered. True when one was dealt with (an unknown site is reported and counts).
bool ReplaceCommonKeyword(CaptureHost& host, TextDocument& document, int start);

// The first keyword of `order` that occurs in `text` from `start`: its index in `order` and its
// position, or -1 when none occurs.
struct KeywordHit {
    int index = -1;
    int position = 0;
    Keyword keyword = Keyword::kConsignee;
    explicit operator bool() const { return index >= 0; }
};
KeywordHit FindFirstKeyword(std::string_view text, std::initializer_list<Keyword> order, int start);

// What the list pages do before their goods lines: the common keywords, then "{买家}" offered
// with the current buyer. `pageBuyer`, when given, is asked for the buyer to remember once the
// keyword is found. True when a keyword was dealt with.
bool OfferListPageKeyword(CaptureHost& host, int start,
                          const std::function<std::string()>& pageBuyer = nullptr);

// The row for a detail page's one goods line, with its trade number and goods name written
// (each only when the page shows it); 0 when the grid holds the trade already, known by its
// number or, on a page without one, by its goods name.
int StartDetailGoodsRow(GoodsGrid& grid, const std::optional<std::string>& tradeNumber,
                        std::optional<std::string> goodsName);

// Checks a buyer found on a list page against CurrentBuyer; asks once when they differ.
// False means stop the whole command (the user answered No).
bool ConfirmSingleBuyer(CaptureHost& host, const std::string& name);

// ---- Cutting values out of the page. 1-based positions; nothing reads outside the text. ----

// An ASCII digit at `p`; nothing outside the text is one.
bool IsDigitAt(std::string_view text, int p);
// `count` bytes from `from` (a start below 1 counts from 1); empty for a count below 1.
std::string CutBytes(std::string_view text, int from, int count);
// Bytes `from` to `to`, both included; empty when `to` is before `from`.
std::string CutRange(std::string_view text, int from, int to);
// Bytes from `from` up to, not including, `end`; empty when `end` is not after `from` (a
// marker found before the value's start, or not at all).
std::string CutUpTo(std::string_view text, int from, int end);
// The word starting at or after `p` (blanks skipped first).
std::string WordAt(std::string_view text, int p);
// The WordLengthAt(p) bytes from `p`, blanks not skipped.
std::string WordFrom(std::string_view text, int p);
// Position of the first occurrence of `marker` in the whole text, 0 when missing.
int MarkerPosition(std::string_view text, std::string_view marker);

}  // namespace tallivo
