#pragma once

#include "capture/capture_host.h"
#include "capture/text_document.h"

namespace tallivo {

// The find-and-replace window's three commands.
// Find next: recognises the page from the input text, site and tab, and runs one parser step.
void MenuItemFindClick(CaptureHost& host);
// Replace: puts the replacement box's text in place of the selected keyword, then Find next.
void MenuItemReplaceClick(CaptureHost& host);
// Replace all: Replace until Find next selects nothing, over every box or the invoice text.
void MenuItemReplaceAllClick(CaptureHost& host);

using BoxParser = bool (*)(CaptureHost& host, TextDocument& box, int start);
// Runs the parser on each freight-bill box, start 1, until one deals with a keyword.
void FindInFieldBoxes(CaptureHost& host, BoxParser parser);
// 1 without a selection; otherwise collapses it and returns its 1-based start.
int InvoiceSearchStart(CaptureHost& host);

}  // namespace tallivo
