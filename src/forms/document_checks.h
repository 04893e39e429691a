// The questions a document save asks before anything is written, shared by the window and the
// command line.
#pragma once

#include <cstddef>
#include <string_view>

#include "capture/text_document.h"
#include "invoice/goods_grid.h"
#include "text/message_sink.h"

namespace tallivo {

// Position of the first `wanted` ASCII byte at or after `from` that is a character of its own,
// not the second byte of a double-byte GBK character; npos when there is none.
std::size_t FindAsciiChar(std::string_view text, char wanted, std::size_t from);

// When the text still holds a "{...}", selects it (so the user sees it) and asks whether to save
// anyway. False when the answer stops the save; no prompter answers No.
bool CheckUnreplacedKeyword(TextDocument& document, Prompter* prompter);

// Asks once for every later goods row that repeats the first row's trade number; false at the
// first No. An empty first trade number is no trade to repeat.
bool CheckRepeatedTrade(const GoodsGrid& grid, Prompter* prompter);

}  // namespace tallivo
