#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <memory>

namespace Ui {
class TFormPreview;
}

namespace tallivo {

// The preview window as laid out in tform_preview.ui: a small tool window owned by the main
// window, showing one drawn page. Pressing anywhere on it drags it; a double click closes it, and
// a closed preview releases itself. Each keeps its own copy of the page.
class TFormPreview : public QWidget {
    Q_OBJECT
public:
    explicit TFormPreview(QWidget* owner);
    ~TFormPreview() override;

    Ui::TFormPreview* ui() const { return ui_.get(); }

    // Shows the page at its size, centred on the owner, without making the window modal.
    void ShowPicture(const QImage& picture);
    QImage Picture() const { return picture_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::TFormPreview> ui_;
    QImage picture_;
    // Where the window was grabbed, while the window system does not move it itself.
    QPoint grab_;
    bool dragging_ = false;
};

}  // namespace tallivo
