#include <QApplication>

#include "app/app_title.h"
#include "app/help_commands.h"
#include "app/qt_prompter.h"
#include "app/tform_print.h"
#include "app/url_opener.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallivo"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(tallivo::kApplicationTitle));

    tallivo::TFormPrint window;
    window.setWindowTitle(QString::fromUtf8(tallivo::kApplicationTitle));
    tallivo::QtPrompter prompter(&window);
    tallivo::ScopedPrompter messages(&prompter);
    tallivo::DesktopUrlOpener opener;
    tallivo::HelpCommands help(QApplication::applicationDirPath(), &opener, &prompter);
    help.Connect(window);

    window.show();
    return QApplication::exec();
}
