#include "app/field_box_editor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace tallivo {

FieldBoxEditor::FieldBoxEditor(QWidget* panel) : QTextEdit(panel) {
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    // The waybill shows through; the text is magenta unless its own format says otherwise.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, QColor(255, 0, 255));
    p.setColor(QPalette::WindowText, QColor(255, 0, 255));
    setPalette(p);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setToolTip(QString::fromUtf8(u8"删空文本可删除整个字段，点入焦点时不要点在最末尾！"));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

QRect FieldBoxEditor::Reachable(QRect box, QSize panel) {
    const int width = std::max(box.width(), kMinSide);
    const int height = std::max(box.height(), kMinSide);
    const int left = std::clamp(box.left(), kKeepInside - width, panel.width() - kKeepInside);
    const int top = std::clamp(box.top(), kKeepInside - height, panel.height() - kKeepInside);
    return QRect(left, top, width, height);
}

QPoint FieldBoxEditor::WidgetPos(const QMouseEvent* event) const {
    return mapFromGlobal(event->globalPosition().toPoint());
}

bool FieldBoxEditor::OnBorder(QPoint pos) const {
    return pos.x() < kBorder || pos.y() < kBorder || pos.x() >= width() - kBorder ||
           pos.y() >= height() - kBorder;
}

void FieldBoxEditor::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = WidgetPos(event);
        pressGlobal_ = event->globalPosition().toPoint();
        pressGeometry_ = geometry();
        if (OnBorder(pos)) {
            edges_ = {};
            if (pos.x() < kBorder) edges_ |= Qt::LeftEdge;
            if (pos.x() >= width() - kBorder) edges_ |= Qt::RightEdge;
            if (pos.y() < kBorder) edges_ |= Qt::TopEdge;
            if (pos.y() >= height() - kBorder) edges_ |= Qt::BottomEdge;
            // Resizing by the frame is the window system's own and marks nothing unsaved.
            drag_ = Drag::kResize;
            setFocus(Qt::MouseFocusReason);
            return;
        }
        drag_ = Drag::kPending;
    }
    QTextEdit::mousePressEvent(event);
}

void FieldBoxEditor::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    const QPoint delta = global - pressGlobal_;
    if (drag_ == Drag::kPending && (event->buttons() & Qt::LeftButton) &&
        delta.manhattanLength() >= QApplication::startDragDistance()) {
        drag_ = Drag::kMove;
        emit dragStarted();
    }
    if (drag_ == Drag::kMove || drag_ == Drag::kResize) {
        QRect r = pressGeometry_;
        if (drag_ == Drag::kMove) {
            r.translate(delta);
        } else {
            if (edges_ & Qt::LeftEdge)
                r.setLeft(std::min(r.left() + delta.x(), r.right() - kMinSide));
            if (edges_ & Qt::RightEdge) r.setRight(r.right() + delta.x());
            if (edges_ & Qt::TopEdge)
                r.setTop(std::min(r.top() + delta.y(), r.bottom() - kMinSide));
            if (edges_ & Qt::BottomEdge) r.setBottom(r.bottom() + delta.y());
        }
        const QWidget* panel = parentWidget();
        if (panel) r = Reachable(r, panel->size());
        setGeometry(r);
        emit boundsChanged(r);
        return;
    }
    if (!event->buttons()) {
        const QPoint pos = WidgetPos(event);
        setCursor(OnBorder(pos) ? Qt::SizeAllCursor : Qt::ArrowCursor);
        viewport()->setCursor(Qt::ArrowCursor);
        emit hovered();
    }
    QTextEdit::mouseMoveEvent(event);
}

void FieldBoxEditor::mouseReleaseEvent(QMouseEvent* event) {
    const bool dragged = drag_ == Drag::kMove || drag_ == Drag::kResize;
    drag_ = Drag::kNone;
    if (dragged) return;
    QTextEdit::mouseReleaseEvent(event);
}

void FieldBoxEditor::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) &&
        document()->isEmpty()) {
        // The box and this editor go once the key press has returned.
        QMetaObject::invokeMethod(this, &FieldBoxEditor::removeRequested, Qt::QueuedConnection);
        return;
    }
    QTextEdit::keyPressEvent(event);
}

}  // namespace tallivo
