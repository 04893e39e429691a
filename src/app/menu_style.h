#pragma once

#include <QProxyStyle>
#include <QString>

class QMenu;

namespace tallivo {

// Draws menu items in the program's colours: money green with fuchsia text, blue with yellow
// text under the mouse, grey when disabled, the default item bold, the caption in the main
// window's font family. Check marks, icons and shortcut texts are not drawn; an item's checked
// state is still kept by its action.
class MenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit MenuStyle(QString fontFamily);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;

private:
    QString fontFamily_;
};

// Gives the menu and all its submenus, at any depth, the style. Submenus are marked so that
// their items are measured wider.
void MakeMenuOwnerDrawn(QMenu* menu, MenuStyle* style);

}  // namespace tallivo
