#pragma once

#include <string_view>

#include "capture/capture_host.h"
#include "capture/text_document.h"
#include "text/text_search.h"

namespace tallivo {

// The six page parsers. `start` is the 1-based position in the document's text from which
// keywords are searched; markers are searched in host.InputText(). Those that return bool report
// whether they dealt with a keyword (the freight-bill loop stops at the first box that did).
// The invoice-only parsers work on host.InvoiceDocument().

// Position just past `marker` found at `position`. A marker that was not found (0) gives its
// length, where the parsers have always gone on reading then.
inline int PastMarker(int position, std::string_view marker) {
    return position + static_cast<int>(marker.size());
}
// Position just past the page's first `marker`.
inline int PastFirstMarker(std::string_view text, std::string_view marker) {
    return PastMarker(FindTextFrom(text, marker, 1), marker);
}

// Taobao order detail.
bool ParseOrderDetailForFreightBill(CaptureHost& host, TextDocument& box, int start);
void ParseOrderDetailForInvoice(CaptureHost& host, int start);

// Taobao trade detail.
bool ParseTradeDetail(CaptureHost& host, TextDocument& document, int start);
int AddressLineConsigneeStart(std::string_view input);
int AddressLineMobileStart(std::string_view input);
int AddressLinePhoneStart(std::string_view input);
int AddressLineAddressStart(std::string_view input);

// Taobao sold-goods list.
void ParseSoldList(CaptureHost& host, int start);

// Taobao trade list with Wangwang presence.
void ParseWangwangList(CaptureHost& host, int start);

// Paipai trade management.
bool ParsePaipaiTradeManagement(CaptureHost& host, TextDocument& document, int start);

// Paipai trade list.
void ParsePaipaiTradeList(CaptureHost& host, int start);
bool IsListDateTimeAt(std::string_view text, int p);

}  // namespace tallivo
