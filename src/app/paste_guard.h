// Qt 6.4's text editors read past the end of clipboard data that offers no format at all, which
// is what an empty X11 clipboard gives them, and the program dies. No such data reaches them.
#pragma once

#include <QClipboard>
#include <QObject>

namespace tallivo {

// True when the clipboard holds text (plain or HTML) an editor can take.
bool ClipboardOffersText(QClipboard::Mode mode = QClipboard::Clipboard);

// Swallows the paste keys and the middle click aimed at any text editor of the application
// while the clipboard has no text for it.
class EmptyClipboardGuard : public QObject {
public:
    // Once per application; later calls do nothing.
    static void Install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

}  // namespace tallivo
