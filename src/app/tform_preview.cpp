#include "app/tform_preview.h"

#include <QMouseEvent>
#include <QPixmap>
#include <QWindow>

#include "ui_tform_preview.h"

namespace tallivo {
namespace {

constexpr int kFontPixelSize = 15;

}  // namespace

TFormPreview::TFormPreview(QWidget* owner) : QWidget(owner), ui_(new Ui::TFormPreview) {
    ui_->setupUi(this);
    // A tool window with only the close icon, released when closed.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    QFont designFont = font();
    designFont.setPixelSize(kFontPixelSize);
    setFont(designFont);
    setCursor(Qt::ArrowCursor);
}

TFormPreview::~TFormPreview() = default;

void TFormPreview::ShowPicture(const QImage& picture) {
    picture_ = picture;
    ui_->ImagePreview->setPixmap(QPixmap::fromImage(picture_));
    // The client area is the page; border and caption are the window system's.
    setFixedSize(picture_.size());
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - QPoint(width() / 2, height() / 2));
    show();
}

void TFormPreview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    event->accept();
    // As if the caption were dragged; where the window system cannot, the window follows the
    // mouse itself.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    grab_ = event->globalPosition().toPoint() - pos();
    dragging_ = true;
}

void TFormPreview::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - grab_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TFormPreview::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void TFormPreview::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    dragging_ = false;
    close();
}

}  // namespace tallivo
