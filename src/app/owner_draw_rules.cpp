#include "app/owner_draw_rules.h"

#include <algorithm>

namespace tallivo {
namespace {

// The drawing rule's constant is single precision; the arithmetic around it is not.
constexpr double kUpperBandShare = static_cast<double>(0.4f);

int TruncateToByte(double value) {
    // Clamp before converting: a huge value must not overflow the int.
    if (!(value > 0)) return 0;
    if (value >= 255) return 255;
    return static_cast<int>(value);
}

}  // namespace

bool IsUpperBandRow(int row, int rows) {
    return kUpperBandShare * rows > row;
}

int GradientChannel(int row, int rows, int start, int end) {
    if (rows <= 0) return std::clamp(start, 0, 255);
    const double share = static_cast<double>(row) / rows;
    const double span = end - start;
    if (IsUpperBandRow(row, rows)) {
        return TruncateToByte((share * span + 0.5) / kUpperBandShare + start);
    }
    const double back = static_cast<double>(rows - row) / rows;
    return TruncateToByte(back * span + 0.5 + start);
}

Rgb TabRowColor(int row, int rows, const Gradient& gradient) {
    return {GradientChannel(row, rows, gradient.start.r, gradient.end.r),
            GradientChannel(row, rows, gradient.start.g, gradient.end.g),
            GradientChannel(row, rows, gradient.start.b, gradient.end.b)};
}

MenuItemLook MenuItemLookFor(bool enabled, bool selected) {
    if (enabled && selected) return {kMenuSelectedBackground, kMenuSelectedText, true};
    return {kMoneyGreen, enabled ? kFuchsia : kGrey, false};
}

int MenuItemHeight(bool separator) {
    return separator ? kMenuSeparatorHeight : kMenuItemHeight;
}

int MenuItemExtraWidth(bool inSubmenu) {
    return inSubmenu ? 35 : 5;
}

}  // namespace tallivo
