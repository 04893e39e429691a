#pragma once

#include <string_view>

#include "capture/parsers.h"

namespace tallivo {

// Position just after the first "收货信息" of the page, where the consignee's name begins.
int ConsigneeInfoEnd(std::string_view input);

}  // namespace tallivo
