#include "app/tform_about.h"

#include <QEvent>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextDocument>

#include "tallivo_version.h"
#include "ui_tform_about.h"

namespace tallivo {
namespace {

constexpr int kFontPixelSize = 15;
constexpr int kDesignLeft = 401;
constexpr int kDesignTop = 92;

}  // namespace

TFormAbout::TFormAbout(QWidget* owner) : QDialog(owner), ui_(new Ui::TFormAbout) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    move(kDesignLeft, kDesignTop);
    QFont designFont = font();
    designFont.setPixelSize(kFontPixelSize);
    setFont(designFont);
    ui_->RichEditAbout->viewport()->installEventFilter(this);
    // The layout holds a place for the version, which the build decides.
    QTextCursor version = ui_->RichEditAbout->document()->find(QStringLiteral("@VERSION@"));
    if (!version.isNull()) version.insertText(QStringLiteral(TALLIVO_VERSION));
}

TFormAbout::~TFormAbout() = default;

void TFormAbout::mousePressEvent(QMouseEvent* event) {
    event->accept();
    accept();
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->RichEditAbout->viewport() && event->type() == QEvent::MouseButtonPress) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tallivo
