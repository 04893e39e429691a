#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_title.h"
#include "app/browser_entry_menu.h"
#include "app/font_chooser.h"
#include "app/help_commands.h"
#include "app/main_window_controller.h"
#include "app/program_folder.h"
#include "app/qt_file_chooser.h"
#include "app/qt_prompter.h"
#include "app/tform_print.h"
#include "app/url_opener.h"
#include "browser/handover_client.h"
#include "browser/handover_record.h"
#include "browser/handover_server.h"
#include "browser/registry.h"
#include "richtext/qt_translations.h"
#include "richtext/template_fonts.h"
#include "storage/file_kinds.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

int main(int argc, char** argv) {
    using namespace tallivo;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallivo"));
    // No application display name: Qt would append it to every dialog's caption.
    const QString title = QString::fromUtf8(kApplicationTitle);
    LoadQtChineseTranslations();
    InstallTemplateFontStandIns();

    // Wayland and the desktop menu know the program by its desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.tallivo"));

    // The running copy has a working folder of its own: a document or exchange file named by a
    // relative path is handed over by its full path.
    QStringList given = QApplication::arguments().mid(1);
    const QFileInfo named(given.join(QLatin1Char(' ')));
    const std::string suffix = "." + named.suffix().toLower().toStdString();
    const bool ours = suffix == kFreightBillDocumentExt || suffix == kInvoiceDocumentExt ||
                      suffix == kFreightBillExchangeExt || suffix == kInvoiceExchangeExt;
    if (!given.isEmpty() && ours && named.isRelative() && named.isFile())
        given = QStringList{named.absoluteFilePath()};
    std::vector<std::string> arguments;
    for (const QString& a : given) arguments.push_back(Utf8ToGbk(a.toStdString()));
    const std::string handover = browser::JoinHandoverText(arguments);

    // One copy per user: a second start hands its command line over and ends, showing nothing.
    browser::HandoverServer server(title);
    switch (server.Start()) {
        case browser::HandoverServer::StartResult::kAnotherCopyRuns: {
            const browser::HandoverOutcome sent = browser::HandoverClient(title).Send(
                browser::kCommandLineTag, QByteArray::fromStdString(handover));
            return sent.status == browser::HandoverOutcome::Status::kHandled ? 0 : 1;
        }
        case browser::HandoverServer::StartResult::kFailed:
            // Without the channel this copy still works; it only cannot receive hand-overs.
            std::fprintf(stderr, "tallivo: %s\n", server.errorText().toLocal8Bit().constData());
            break;
        case browser::HandoverServer::StartResult::kListening:
            break;
    }

    TFormPrint window;
    window.setWindowTitle(title);
    QtPrompter prompter(&window);
    QtFileChooser chooser(&window);
    QtFontChooser fonts(&window);
    const ProgramFolders folders = PrepareProgramFolders(prompter);
    MainWindowController controller(window, folders.folder.toStdString(), &prompter, &chooser,
                                    &fonts);
    QObject::connect(&server, &browser::HandoverServer::RecordReceived, &controller,
                     &MainWindowController::ReceiveHandover);
    DesktopUrlOpener opener;
    HelpCommands help(folders.content, &opener, &prompter);
    help.Connect(window);
    std::unique_ptr<browser::Registry> registry = browser::SettingsRegistry::ForCurrentUser();
    browser::BrowserEntryPlace place =
        browser::BrowserEntryPlace::ForProgram(QApplication::applicationFilePath());
    place.pageFolder = folders.folder;
    BrowserEntryMenu entry(window.ui()->PopupMenuHelp, window.ui()->MenuItemInstall,
                           window.ui()->MenuItemUninstall, *registry, place, prompter);

    if (!arguments.empty() && handover == browser::kFromWebPage) controller.PasteClipboard(false);
    window.show();
    // A file opened from the file manager, once the templates of the first show are in place.
    if (!arguments.empty()) {
        const QString file = QString::fromStdString(GbkToUtf8(handover));
        QTimer::singleShot(0, &controller,
                           [&controller, file] { controller.OpenFileArgument(file); });
    }
    return QApplication::exec();
}
