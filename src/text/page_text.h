#pragma once

#include <string>
#include <string_view>

namespace tallivo {

// The bytes of a page file as GBK, whatever the page was saved in: a byte-order mark (UTF-8,
// UTF-16 LE or BE) decides; without one, text that is mostly valid UTF-8 is UTF-8 (a bad
// sequence in it becomes "?"), and anything else is GBK already. Unicode spaces, zero-width
// characters and byte-order marks are cleaned as in pasted text; bare LF becomes CR LF.
std::string PageBytesToGbk(std::string_view bytes);

}  // namespace tallivo
