#include "app/paste_guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

namespace tallivo {
namespace {

bool IsEditableText(QObject* object) {
    if (auto* edit = qobject_cast<QTextEdit*>(object)) return !edit->isReadOnly();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(object)) return !edit->isReadOnly();
    return false;
}

}  // namespace

bool ClipboardOffersText(QClipboard::Mode mode) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
    return data && (data->hasText() || data->hasHtml());
}

void EmptyClipboardGuard::Install() {
    static QPointer<EmptyClipboardGuard> installed;
    if (!qApp || installed) return;
    installed = new EmptyClipboardGuard(qApp);
    qApp->installEventFilter(installed);
}

bool EmptyClipboardGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        return key->matches(QKeySequence::Paste) && IsEditableText(watched) &&
               !ClipboardOffersText(QClipboard::Clipboard);
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        // The middle click pastes the selection; it lands on the editor's viewport.
        auto* mouse = static_cast<QMouseEvent*>(event);
        return mouse->button() == Qt::MiddleButton && watched->isWidgetType() &&
               IsEditableText(watched->parent()) &&
               QGuiApplication::clipboard()->supportsSelection() &&
               !ClipboardOffersText(QClipboard::Selection);
    }
    return false;
}

}  // namespace tallivo
