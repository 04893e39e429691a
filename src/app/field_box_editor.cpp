#include "app/field_box_editor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
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
    connect(document(), &QTextDocument::contentsChanged, this,
            &FieldBoxEditor::RememberTypingFormat);
}

void FieldBoxEditor::RememberTypingFormat() {
    const QTextBlock first = document()->firstBlock();
    const QTextBlock::iterator run = first.begin();
    if (!run.atEnd()) {
        typingFormat_ = run.fragment().charFormat();
    } else if (typingFormat_.isEmpty() &&
               first.charFormat().hasProperty(QTextFormat::FontPointSize)) {
        // A box the template left empty keeps the format it was given.
        typingFormat_ = first.charFormat();
    }
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

Qt::Edges FieldBoxEditor::EdgesAt(QPoint pos, QSize size) {
    Qt::Edges edges;
    if (pos.x() < kBorder) edges |= Qt::LeftEdge;
    if (pos.x() >= size.width() - kBorder) edges |= Qt::RightEdge;
    if (pos.y() < kBorder) edges |= Qt::TopEdge;
    if (pos.y() >= size.height() - kBorder) edges |= Qt::BottomEdge;
    return edges;
}

Qt::CursorShape FieldBoxEditor::CursorFor(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = bool(edges & Qt::LeftEdge) == bool(edges & Qt::TopEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal) return Qt::SizeHorCursor;
    if (vertical) return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

bool FieldBoxEditor::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            // The frame lies outside the viewport, and a scroll area hands mouse events on its
            // frame to its parent; the frame is where a box is resized, so they are taken here.
            onFrame_ = true;
            QFrame::event(event);
            onFrame_ = false;
            return true;
        default:
            return QTextEdit::event(event);
    }
}

void FieldBoxEditor::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = WidgetPos(event);
        pressGlobal_ = event->globalPosition().toPoint();
        pressGeometry_ = geometry();
        edges_ = EdgesAt(pos, size());
        if (edges_) {
            drag_ = Drag::kResize;
            setFocus(Qt::MouseFocusReason);
            return;
        }
        drag_ = Drag::kPending;
    }
    if (!onFrame_) QTextEdit::mousePressEvent(event);
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
        if (drag_ == Drag::kResize && !resized_) {
            // A new size is a change to the template like a move: closing asks about it.
            resized_ = true;
            emit dragStarted();
        }
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
        // The frame zone reaches into the viewport, which shows its own cursor.
        const Qt::CursorShape shape = CursorFor(EdgesAt(pos, size()));
        setCursor(shape);
        viewport()->setCursor(shape);
        emit hovered();
    }
    if (!onFrame_) QTextEdit::mouseMoveEvent(event);
}

void FieldBoxEditor::mouseReleaseEvent(QMouseEvent* event) {
    const bool dragged = drag_ == Drag::kMove || drag_ == Drag::kResize;
    drag_ = Drag::kNone;
    resized_ = false;
    if (dragged) return;
    if (!onFrame_) QTextEdit::mouseReleaseEvent(event);
}

void FieldBoxEditor::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) &&
        document()->isEmpty()) {
        // The box and this editor go once the key press has returned.
        QMetaObject::invokeMethod(this, &FieldBoxEditor::removeRequested, Qt::QueuedConnection);
        return;
    }
    if (!event->text().isEmpty()) TypeInBoxFormat();
    QTextEdit::keyPressEvent(event);
}

void FieldBoxEditor::TypeInBoxFormat() {
    // Else the text has no font and no size of its own: magenta on screen, a speck on paper.
    if (document()->isEmpty() && !typingFormat_.isEmpty()) setCurrentCharFormat(typingFormat_);
}

void FieldBoxEditor::inputMethodEvent(QInputMethodEvent* event) {
    TypeInBoxFormat();
    QTextEdit::inputMethodEvent(event);
}

void FieldBoxEditor::insertFromMimeData(const QMimeData* source) {
    TypeInBoxFormat();
    QTextEdit::insertFromMimeData(source);
}

void FieldBoxEditor::leaveEvent(QEvent* event) {
    QTextEdit::leaveEvent(event);
    // While a drag runs the mouse may slip off the box; the label stays with it.
    if (drag_ == Drag::kNone || drag_ == Drag::kPending) emit left();
}

}  // namespace tallivo
