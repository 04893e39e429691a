#include "app/context_menu.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QMenu>
#include <QWidget>

namespace tallivo {

void UseContextMenu(QWidget* widget, QMenu* menu) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget, &QWidget::customContextMenuRequested, menu,
                     [widget, menu](const QPoint& pos) {
                         // Scroll areas report positions in their viewport.
                         const auto* area = qobject_cast<QAbstractScrollArea*>(widget);
                         const QWidget* origin = area ? area->viewport() : widget;
                         menu->popup(origin->mapToGlobal(pos));
                     });
}

void UseMenuShortcuts(QWidget* widget, QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || action->shortcut().isEmpty()) continue;
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        widget->addAction(action);
    }
}

}  // namespace tallivo
