#pragma once

#include <string_view>

#include "capture/capture_host.h"
#include "capture/text_document.h"

namespace tallivo {

// The six page parsers. `start` is the 1-based position in the document's text from which
// keywords are searched; markers are searched in host.InputText(). Those that return bool report
// whether they dealt with a keyword (the freight-bill loop stops at the first box that did).
// The invoice-only parsers work on host.InvoiceDocument().

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
