#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "app/menu_style.h"
#include "app/owner_draw_rules.h"
#include "app/owner_drawn_tab_bar.h"

namespace tallivo {
namespace {

QColor Qc(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

TEST(TabGradient, UpperBandFollowsTheSinglePrecisionRule) {
    // 0.4 in single precision is a little above 0.4: with 10 rows, row 4 is still upper band.
    for (int i = 0; i < 10; ++i) EXPECT_EQ(IsUpperBandRow(i, 10), i <= 4) << i;
    // In general the upper band is rows 0 to floor(0.4 h).
    for (int h = 1; h <= 1000; ++h) {
        for (int i : {0, (2 * h) / 5, (2 * h) / 5 + 1}) {
            ASSERT_EQ(IsUpperBandRow(i, h), i <= (2 * h) / 5) << h << " " << i;
        }
    }
}

TEST(TabGradient, ChannelsOnTheWorkedFigures) {
    // Row 0 of the selected tab: blue truncate(0.5 / 0.4 + 135) = 136.
    EXPECT_EQ(TabRowColor(0, 10, kSelectedTabGradient), (Rgb{1, 56, 136}));
    // The last upper row overshoots the end colour before the fall back.
    EXPECT_EQ(TabRowColor(4, 10, kSelectedTabGradient), (Rgb{16, 201, 241}));
    EXPECT_EQ(TabRowColor(5, 10, kSelectedTabGradient), (Rgb{8, 128, 188}));
    EXPECT_EQ(TabRowColor(9, 10, kSelectedTabGradient), (Rgb{2, 70, 146}));
    EXPECT_EQ(TabRowColor(0, 10, kOtherTabGradient), (Rgb{193, 221, 193}));
    // Truncated, then clamped to a byte.
    EXPECT_EQ(GradientChannel(0, 10, 255, 255), 255);
    EXPECT_EQ(GradientChannel(5, 10, -20, -20), 0);
    EXPECT_EQ(GradientChannel(0, 0, 40, 90), 40);
}

TEST(TabGradient, PaintedRowsSpanTheTabLessItsEdges) {
    QImage image(60, 12, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintTabFace(painter, QRect(0, 0, 60, 12), true, QString(), QFont(), Qt::black);
    }
    for (int i = 0; i < 10; ++i) {
        const QColor expected = Qc(TabRowColor(i, 10, kSelectedTabGradient));
        EXPECT_EQ(image.pixelColor(1, 1 + i), expected) << i;
        EXPECT_EQ(image.pixelColor(57, 1 + i), expected) << i;
        EXPECT_EQ(image.pixelColor(0, 1 + i), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(58, 1 + i), QColor(Qt::white));
    }
    EXPECT_EQ(image.pixelColor(10, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(10, 11), QColor(Qt::white));
}

TEST(TabGradient, CaptionIsCentredInTheTab) {
    QImage image(120, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QFont font;
    font.setPixelSize(15);
    const QString caption = QStringLiteral("WWW");
    {
        QPainter painter(&image);
        PaintTabFace(painter, QRect(0, 0, 120, 30), false, caption, font, Qt::black);
    }
    const QFontMetrics metrics(font);
    const int x = (120 - metrics.horizontalAdvance(caption)) / 2;
    const int y = (30 - metrics.height()) / 2;
    int inked = 0;
    for (int py = 0; py < 30; ++py) {
        for (int px = 0; px < 120; ++px) {
            if (image.pixelColor(px, py).lightness() > 60) continue;
            ++inked;
            EXPECT_GE(px, x - 1);
            EXPECT_LE(px, x + metrics.horizontalAdvance(caption));
            EXPECT_GE(py, y);
            EXPECT_LT(py, y + metrics.height());
        }
    }
    EXPECT_GT(inked, 0);
}

TEST(MenuDrawing, LooksAndSizes) {
    const MenuItemLook hot = MenuItemLookFor(true, true);
    EXPECT_EQ(hot.background, kMenuSelectedBackground);
    EXPECT_EQ(hot.text, kMenuSelectedText);
    EXPECT_TRUE(hot.framed);
    const MenuItemLook plain = MenuItemLookFor(true, false);
    EXPECT_EQ(plain.background, kMoneyGreen);
    EXPECT_EQ(plain.text, kFuchsia);
    // A disabled item under the mouse looks like any disabled item.
    for (bool selected : {false, true}) {
        const MenuItemLook off = MenuItemLookFor(false, selected);
        EXPECT_EQ(off.background, kMoneyGreen);
        EXPECT_EQ(off.text, kGrey);
        EXPECT_FALSE(off.framed);
    }
    EXPECT_EQ(MenuItemHeight(true), 15);
    EXPECT_EQ(MenuItemHeight(false), 22);
}

class MenuStylePainting : public ::testing::Test {
protected:
    QImage Paint(QStyleOptionMenuItem::MenuItemType type, QStyle::State state,
                 const QString& text = QStringLiteral("WWWW")) {
        QImage image(120, type == QStyleOptionMenuItem::Separator ? 15 : 22, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionMenuItem option;
        option.rect = image.rect();
        option.menuItemType = type;
        option.state = state;
        option.text = text + QStringLiteral("\tCtrl+N");
        option.palette.setColor(QPalette::Highlight, QColor(1, 2, 3));
        QPainter painter(&image);
        style.drawControl(QStyle::CE_MenuItem, &option, &painter, nullptr);
        return image;
    }
    static int Count(const QImage& image, const QColor& color) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == color;
        }
        return n;
    }

    MenuStyle style{QStringLiteral("DejaVu Sans")};
};

TEST_F(MenuStylePainting, ItemColoursFrameSeparatorAndBoldDefault) {
    const QImage hot =
        Paint(QStyleOptionMenuItem::Normal, QStyle::State_Enabled | QStyle::State_Selected);
    EXPECT_EQ(hot.pixelColor(0, 0), QColor(1, 2, 3));  // framed in the highlight colour
    EXPECT_EQ(hot.pixelColor(119, 21), QColor(1, 2, 3));
    EXPECT_EQ(hot.pixelColor(5, 11), Qc(kMenuSelectedBackground));
    EXPECT_GT(Count(hot, Qc(kMenuSelectedText)), 0);

    const QImage disabledHot = Paint(QStyleOptionMenuItem::Normal, QStyle::State_Selected);
    EXPECT_EQ(disabledHot.pixelColor(0, 0), Qc(kMoneyGreen));
    EXPECT_EQ(Count(disabledHot, Qc(kMenuSelectedBackground)), 0);
    EXPECT_GT(Count(disabledHot, Qc(kGrey)), 0);

    // Text starts at the indent; no check mark or shortcut text left of it or past the caption.
    const QImage plain = Paint(QStyleOptionMenuItem::Normal, QStyle::State_Enabled);
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < kMenuTextIndent; ++x) {
            ASSERT_EQ(plain.pixelColor(x, y), Qc(kMoneyGreen)) << x << "," << y;
        }
        for (int x = 100; x < 120; ++x) ASSERT_EQ(plain.pixelColor(x, y), Qc(kMoneyGreen));
    }
    const QImage bold = Paint(QStyleOptionMenuItem::DefaultItem, QStyle::State_Enabled);
    EXPECT_GT(Count(bold, Qc(kFuchsia)), Count(plain, Qc(kFuchsia)));

    const QImage separator = Paint(QStyleOptionMenuItem::Separator, QStyle::State_Enabled);
    EXPECT_EQ(separator.pixelColor(19, 7), Qc(kMoneyGreen));
    EXPECT_EQ(separator.pixelColor(20, 7), Qc(kGrey));
    EXPECT_EQ(separator.pixelColor(119, 7), Qc(kGrey));
    EXPECT_EQ(Count(separator, Qc(kGrey)), 100);
}

TEST_F(MenuStylePainting, MenusAndSubmenusTakeTheStyleAndTheirHeights) {
    QMenu menu;
    menu.addAction(QStringLiteral("WWWW"));
    QMenu* sub = menu.addMenu(QStringLiteral("sub"));
    sub->addAction(QStringLiteral("WWWW"));
    MakeMenuOwnerDrawn(&menu, &style);
    EXPECT_EQ(menu.style(), &style);
    EXPECT_EQ(sub->style(), &style);

    QStyleOptionMenuItem option;
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.text = QStringLiteral("WWWW");
    option.fontMetrics = menu.fontMetrics();
    const QSize top = style.sizeFromContents(QStyle::CT_MenuItem, &option, QSize(40, 16), &menu);
    const QSize inner = style.sizeFromContents(QStyle::CT_MenuItem, &option, QSize(40, 16), sub);
    EXPECT_EQ(top.height(), 22);
    EXPECT_EQ(inner.width() - top.width(), 30);  // +35 in a submenu, +5 at the top
    option.menuItemType = QStyleOptionMenuItem::Separator;
    EXPECT_EQ(style.sizeFromContents(QStyle::CT_MenuItem, &option, QSize(0, 2), &menu).height(),
              15);
}

}  // namespace
}  // namespace tallivo
