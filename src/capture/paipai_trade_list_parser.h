#pragma once

#include <string_view>

#include "capture/parsers.h"

namespace tallivo {

// Position of the next entry's "20" at or after `from` (an entry is stamped 20yy-mm-dd, CR LF,
// hh:nn:ss); 0 when there is none.
int NextListEntry(std::string_view text, int from);

}  // namespace tallivo
