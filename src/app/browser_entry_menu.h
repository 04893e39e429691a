// The Help menu's Install and Uninstall of the browser entry, enabled by what is installed.
#pragma once

#include <QObject>
#include <QString>

#include "browser/browser_entry.h"

class QAction;
class QMenu;

namespace tallivo {

class Prompter;

namespace browser {
class Registry;
}

class BrowserEntryMenu : public QObject {
    Q_OBJECT
public:
    BrowserEntryMenu(QMenu* help, QAction* install, QAction* uninstall, browser::Registry& registry,
                     browser::BrowserEntryPlace place, Prompter& prompter,
                     QObject* parent = nullptr);

    // Enables the two items as the installed entry says.
    void Update();

private:
    QAction* install_;
    QAction* uninstall_;
    browser::Registry& registry_;
    browser::BrowserEntryPlace place_;
    Prompter& prompter_;
};

}  // namespace tallivo
