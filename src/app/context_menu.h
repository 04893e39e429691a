#pragma once

class QMenu;
class QWidget;

namespace tallivo {

// Makes `menu` the context menu of `widget`, shown where the user asked for it. The widget's own
// standard menu is no longer offered.
void UseContextMenu(QWidget* widget, QMenu* menu);

// Lets the shortcuts of the menu's items work while the focus is in `widget` or below it.
void UseMenuShortcuts(QWidget* widget, QMenu* menu);

}  // namespace tallivo
