#pragma once

#include <string_view>

#include "capture/parsers.h"

namespace tallivo {

// True when the "." at `d` ends a sold-goods price: a digit before it, two digits after it, and
// one of the trade states (" 等待买家付款", " 买家已付款", " 卖家已发货", " 交易成功",
// " 交易关闭") right after the second digit.
bool IsSoldListPriceAt(std::string_view text, int d);

}  // namespace tallivo
