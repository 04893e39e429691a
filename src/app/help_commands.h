#pragma once

#include <QString>

class QWidget;

namespace tallivo {

class TFormPrint;
class UrlOpener;
class WindowPrompter;

// The help file, our own HTML help and the about window, as the Help menu's commands.
class HelpCommands {
public:
    // programFolder: where the program and its help live ("/" at the end or not).
    HelpCommands(QString programFolder, UrlOpener* opener, WindowPrompter* prompter);

    // The compiled help beside the program when it is there, else our HTML help, else the
    // message that there is none.
    void MenuItemHelpClick();
    // The modal about window over `owner`.
    void MenuItemAboutClick(QWidget* owner);
    // The vendor's web site in the user's browser.
    void MenuItemVisitClick();

    // Binds the Help menu's items (and so F1) of the window to these commands.
    void Connect(TFormPrint& window);

    QString HelpFilePath() const;
    QString OwnHelpPath() const;

private:
    QString programFolder_;
    UrlOpener* opener_;
    WindowPrompter* prompter_;
};

}  // namespace tallivo
