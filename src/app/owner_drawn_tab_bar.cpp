#include "app/owner_drawn_tab_bar.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include "app/owner_draw_rules.h"

namespace tallivo {

void PaintTabFace(QPainter& painter, const QRect& rect, bool selected, const QString& caption,
                  const QFont& font, const QColor& textColor) {
    // Edges as the rule gives them: right and bottom lie just outside the tab.
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    const Gradient& gradient = selected ? kSelectedTabGradient : kOtherTabGradient;

    const int rows = bottom - top - 2;
    const int rowWidth = right - 2 - (left + 1);
    if (rowWidth > 0) {
        for (int i = 0; i < rows; ++i) {
            const Rgb c = TabRowColor(i, rows, gradient);
            painter.fillRect(QRect(left + 1, top + 1 + i, rowWidth, 1), QColor(c.r, c.g, c.b));
        }
    }

    if (caption.isEmpty()) return;
    const QFontMetrics metrics(font);
    const int x = left + (right - left - metrics.horizontalAdvance(caption)) / 2;
    const int y = top + (bottom - top - metrics.height()) / 2;
    painter.save();
    painter.setFont(font);
    painter.setPen(textColor);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(QPoint(x, y + metrics.ascent()), caption);
    painter.restore();
}

OwnerDrawnTabBar::OwnerDrawnTabBar(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
}

void OwnerDrawnTabBar::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        PaintTabFace(painter, tabRect(i), i == currentIndex(), tabText(i), font(),
                     palette().color(QPalette::WindowText));
    }
}

QSize OwnerDrawnTabBar::tabSizeHint(int index) const {
    // Room for the caption and a little air; the style's own padding does not apply here.
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(tabText(index)) + 24, metrics.height() + 10};
}

OwnerDrawnTabWidget::OwnerDrawnTabWidget(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new OwnerDrawnTabBar(this));
}

}  // namespace tallivo
