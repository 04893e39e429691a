#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QTabBar>
#include <QTabWidget>

class QPainter;

namespace tallivo {

// Paints one tab face into `rect`: the gradient rows of the selected or of another tab and the
// caption centred over them, in `font` and `textColor`, with a transparent background.
void PaintTabFace(QPainter& painter, const QRect& rect, bool selected, const QString& caption,
                  const QFont& font, const QColor& textColor);

// A tab bar whose tabs are drawn by the program instead of the style; captions take the bar's
// font and its window-text colour.
class OwnerDrawnTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit OwnerDrawnTabBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;
};

// The page control: a tab widget with the program-drawn tab bar.
class OwnerDrawnTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit OwnerDrawnTabWidget(QWidget* parent = nullptr);
};

}  // namespace tallivo
