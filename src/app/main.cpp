#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_title.h"
#include "app/browser_entry_menu.h"
#include "app/font_chooser.h"
#include "app/font_warm_up.h"
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
#include "browser/single_instance.h"
#include "richtext/qt_translations.h"
#include "richtext/template_fonts.h"
#include "storage/file_kinds.h"
#include "tallivo_version.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

int main(int argc, char** argv) {
    using namespace tallivo;
    if (PrintVersionIfAsked(argc, argv, "tallivo")) return 0;
    const QString title = QString::fromUtf8(kApplicationTitle);
    // The arguments as the system gave them: a file name may hold what GBK, or even UTF-8,
    // cannot. The running copy has a working folder of its own: a document, exchange file or
    // order export named by a relative path is handed over by its full path.
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto absolute = [](std::string name) {
        std::error_code error;
        const std::filesystem::path named(name);
        const bool ours = KindOfNamedFile(name).what != NamedFile::kOther;
        if (ours && named.is_relative() && std::filesystem::is_regular_file(named, error))
            name = std::filesystem::absolute(named, error).string();
        return name;
    };
    std::string onDisk = absolute(browser::JoinHandoverText(arguments));
    // Several files: each by its full path.
    std::error_code noFile;
    if (arguments.size() > 1 && !std::filesystem::is_regular_file(onDisk, noFile)) {
        std::vector<std::string> names;
        for (const std::string& argument : arguments) names.push_back(absolute(argument));
        onDisk = browser::JoinHandoverText(names);
    }
    const browser::CommandLineRecord record = browser::MakeCommandLineRecord(onDisk);
    const QByteArray recordText = QByteArray::fromStdString(record.text);

    // One copy per user: a second start hands its command line over and ends, showing nothing,
    // before the display, the fonts or the printing libraries are touched.
    const browser::SingleInstanceStart early =
        browser::HandOverIfRunning(title, record.tag, recordText);
    if (early.status == browser::SingleInstanceStart::Status::kHandedOver) return 0;

    FontWarmUp fontWarmUp;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallivo"));
    // No application display name: Qt would append it to every dialog's caption.
    LoadQtChineseTranslations();
    // Wayland and the desktop menu know the program by its desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.tallivo"));

    browser::HandoverServer server(title);
    const browser::SingleInstanceStart start =
        early.status == browser::SingleInstanceStart::Status::kFailed
            ? early
            : browser::StartOrHandOver(server, title, record.tag, recordText);
    switch (start.status) {
        case browser::SingleInstanceStart::Status::kHandedOver:
            return 0;
        case browser::SingleInstanceStart::Status::kFailed:
            std::fprintf(stderr, "tallivo: %s\n", start.message.toLocal8Bit().constData());
            fontWarmUp.Wait();
            InstallTemplateFontStandIns();
            QMessageBox::critical(nullptr, title, start.message);
            return 1;
        case browser::SingleInstanceStart::Status::kNoChannel:
            std::fprintf(stderr, "tallivo: %s\n", start.message.toLocal8Bit().constData());
            break;
        case browser::SingleInstanceStart::Status::kRunHere:
            break;
    }

    fontWarmUp.Wait();
    InstallTemplateFontStandIns();
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

    window.show();
    if (start.status == browser::SingleInstanceStart::Status::kNoChannel) {
        // Without it, later starts open windows of their own instead of handing over.
        prompter.ShowMessage(Utf8ToGbk(
            QStringLiteral("Tallivo 无法建立单实例通道，以后的启动不能把文件和文本交给这个窗口：%1")
                .arg(start.message)
                .toStdString()));
    }
    // A file opened from the file manager or a page from the browser, once the templates of the
    // first show are in place.
    if (!arguments.empty()) {
        QTimer::singleShot(0, &controller, [&controller, &record, &recordText] {
            controller.OpenCommandLine(record.tag, recordText);
        });
    }
    return QApplication::exec();
}
