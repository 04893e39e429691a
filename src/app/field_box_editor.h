// One field box on the waybill panel: a transparent rich-text editor that the user moves by
// dragging its body and resizes by dragging its border.
#pragma once

#include <QTextCharFormat>
#include <QTextEdit>

namespace tallivo {

class FieldBoxEditor : public QTextEdit {
    Q_OBJECT
public:
    // How many pixels of a box stay inside the panel, so that it can always be reached again.
    static constexpr int kKeepInside = 8;
    static constexpr int kMinSide = 6;
    // Within this many pixels of the edge a press resizes instead of moving.
    static constexpr int kBorder = 4;

    explicit FieldBoxEditor(QWidget* panel);

    // Where a box may go on a panel of this size: a few pixels always inside it.
    static QRect Reachable(QRect box, QSize panel);
    // The edges of a box of this size that a press at pos would drag; none inside the frame.
    static Qt::Edges EdgesAt(QPoint pos, QSize size);
    // The resize cursor for dragging these edges (a corner takes the diagonal one).
    static Qt::CursorShape CursorFor(Qt::Edges edges);

signals:
    // The user started to move or resize the box.
    void dragStarted();
    // Bounds changed by the user; the model takes them.
    void boundsChanged(QRect bounds);
    // The mouse is over the box (the coordinate label follows it), or has left it.
    void hovered();
    void left();
    // Backspace or Delete in an empty box: remove it, once this key press is over.
    void removeRequested();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void leaveEvent(QEvent* event) override;

private:
    enum class Drag { kNone, kPending, kMove, kResize };
    QPoint WidgetPos(const QMouseEvent* event) const;
    void RememberTypingFormat();
    // Text put into the emptied box takes the format its text had.
    void TypeInBoxFormat();

    // The format of the box's first run, kept for text typed into the box once emptied.
    QTextCharFormat typingFormat_;

    Drag drag_ = Drag::kNone;
    QPoint pressGlobal_;
    QRect pressGeometry_;
    Qt::Edges edges_;
    bool resized_ = false;
    bool onFrame_ = false;
};

}  // namespace tallivo
