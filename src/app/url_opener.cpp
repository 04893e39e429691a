#include "app/url_opener.h"

#include <QDesktopServices>

namespace tallivo {

bool DesktopUrlOpener::Open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace tallivo
