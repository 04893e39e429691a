#pragma once

#include <array>
#include <string>
#include <string_view>

#include "capture/parsers.h"

namespace tallivo {

// Walks the entries of a Wangwang trade list in text order of their presence words ("旺旺在线",
// "旺旺离线", "手机在线"). Each word's next occurrence is kept and searched again only once the
// walk has passed it, so the walk over a whole page is linear.
class PresenceWordWalk {
public:
    explicit PresenceWordWalk(std::string_view text);
    // Position of the next entry's presence word, 0 when there is none; then moves past it.
    int Next();

private:
    std::string_view text_;
    std::array<int, 3> next_{};
};

}  // namespace tallivo
