#include "app/menu_style.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "app/owner_draw_rules.h"

namespace tallivo {
namespace {

constexpr char kSubmenuProperty[] = "tallivoSubmenu";

QColor ToColor(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

void MarkAndStyle(QMenu* menu, MenuStyle* style, bool submenu) {
    menu->setStyle(style);
    menu->setProperty(kSubmenuProperty, submenu);
    for (QAction* action : menu->actions()) {
        if (QMenu* child = action->menu<QMenu*>()) MarkAndStyle(child, style, true);
    }
}

}  // namespace

MenuStyle::MenuStyle(QString fontFamily) : fontFamily_(std::move(fontFamily)) {}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
    const QSize proposed = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item) return proposed;
    const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
    const bool inSubmenu = widget && widget->property(kSubmenuProperty).toBool();
    return {proposed.width() + MenuItemExtraWidth(inSubmenu), MenuItemHeight(separator)};
}

void MenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
    if (element == CE_MenuEmptyArea) {
        painter->fillRect(option->rect, ToColor(kMoneyGreen));
        return;
    }
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    const QRect r = item->rect;
    const bool enabled = item->state & State_Enabled;
    const bool selected = item->state & State_Selected;
    const MenuItemLook look = MenuItemLookFor(enabled, selected);

    painter->save();
    painter->fillRect(r, ToColor(look.background));
    if (look.framed) {
        painter->setPen(item->palette.color(QPalette::Highlight));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
    }

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const int middle = r.top() + r.height() / 2;
        const int from = r.left() + kMenuTextIndent;
        const int to = r.left() + r.width();  // exclusive, as a line drawn to it
        if (to > from) painter->fillRect(QRect(from, middle, to - from, 1), ToColor(kGrey));
        painter->restore();
        return;
    }

    QFont font = item->font;
    font.setFamily(fontFamily_);
    font.setBold(item->menuItemType == QStyleOptionMenuItem::DefaultItem);
    painter->setFont(font);
    painter->setPen(ToColor(look.text));
    painter->setBackgroundMode(Qt::TransparentMode);
    // The shortcut text after the tab is not shown.
    const QString caption = item->text.section(QLatin1Char('\t'), 0, 0);
    painter->drawText(r.adjusted(kMenuTextIndent, 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                      caption);
    painter->restore();
}

void MenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
    if (element == PE_PanelMenu) {
        painter->fillRect(option->rect, ToColor(kMoneyGreen));
        painter->setPen(ToColor(kGrey));
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        return;
    }
    if (element == PE_IndicatorMenuCheckMark) return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void MakeMenuOwnerDrawn(QMenu* menu, MenuStyle* style) {
    MarkAndStyle(menu, style, false);
}

}  // namespace tallivo
