#pragma once

#include <QUrl>

namespace tallivo {

// Opens a file or a web address with the program the desktop associates with it. Tests put a
// recorder in its place so that no browser opens.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool Open(const QUrl& url) = 0;
};

class DesktopUrlOpener : public UrlOpener {
public:
    bool Open(const QUrl& url) override;
};

}  // namespace tallivo
