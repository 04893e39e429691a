#include "app/browser_entry_menu.h"

#include <QAction>
#include <QMenu>

namespace tallivo {

BrowserEntryMenu::BrowserEntryMenu(QMenu* help, QAction* install, QAction* uninstall,
                                   browser::Registry& registry, browser::BrowserEntryPlace place,
                                   Prompter& prompter, QObject* parent)
    : QObject(parent),
      install_(install),
      uninstall_(uninstall),
      registry_(registry),
      place_(std::move(place)),
      prompter_(prompter) {
    connect(help, &QMenu::aboutToShow, this, &BrowserEntryMenu::Update);
    connect(install, &QAction::triggered, this,
            [this] { browser::InstallBrowserEntry(registry_, place_, prompter_); });
    connect(uninstall, &QAction::triggered, this,
            [this] { browser::UninstallBrowserEntry(registry_, place_, prompter_); });
    Update();
}

void BrowserEntryMenu::Update() {
    const browser::HelpMenuState state = browser::HelpMenuRule(registry_, place_);
    install_->setEnabled(state.installEnabled);
    uninstall_->setEnabled(state.uninstallEnabled);
}

}  // namespace tallivo
