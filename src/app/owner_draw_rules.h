#pragma once

namespace tallivo {

// The arithmetic of the program-drawn tabs and menus, kept apart from any painting so that it
// can be checked on its own figures.

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb& a, const Rgb& b) {
        return a.r == b.r && a.g == b.g && a.b == b.b;
    }
    friend bool operator!=(const Rgb& a, const Rgb& b) { return !(a == b); }
};

inline constexpr Rgb kMoneyGreen{192, 220, 192};
inline constexpr Rgb kFuchsia{255, 0, 255};
inline constexpr Rgb kSkyBlue{166, 202, 240};
inline constexpr Rgb kMenuSelectedBackground{0, 0, 255};
inline constexpr Rgb kMenuSelectedText{255, 255, 0};
inline constexpr Rgb kGrey{128, 128, 128};

struct Gradient {
    Rgb start;
    Rgb end;
};
inline constexpr Gradient kSelectedTabGradient{{0, 55, 135}, {15, 200, 240}};
inline constexpr Gradient kOtherTabGradient{{192, 220, 192}, {192, 220, 220}};

// A tab face of `rows` one-pixel rows: the upper band brightens from start to end, the lower
// band falls back from 60% of the way. The band limit compares with 0.4 held in single
// precision, which is slightly above 0.4: with 10 rows, row 4 is still upper band.
bool IsUpperBandRow(int row, int rows);
int GradientChannel(int row, int rows, int start, int end);
Rgb TabRowColor(int row, int rows, const Gradient& gradient);

// How a menu item is filled and written. A disabled item is never highlighted, not even under
// the mouse.
struct MenuItemLook {
    Rgb background;
    Rgb text;
    bool framed = false;  // a frame in the system highlight colour around the item
};
MenuItemLook MenuItemLookFor(bool enabled, bool selected);

inline constexpr int kMenuSeparatorHeight = 15;
inline constexpr int kMenuItemHeight = 22;
inline constexpr int kMenuTextIndent = 20;

int MenuItemHeight(bool separator);
// What an item adds to the width its text asks for: items of a submenu leave room for more.
int MenuItemExtraWidth(bool inSubmenu);

}  // namespace tallivo
