// tallivo-cli: fills and prints forms from saved order pages, and shows what stored files hold.
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_io.h"
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "richtext/qt_translations.h"
#include "richtext/template_fonts.h"
#include "storage/program_folder.h"
#include "storage/storage_result.h"
#include "tallivo_version.h"

namespace {

// Qt's own chatter (runtime folders, font substitution) is not for the user of a batch tool.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("TALLIVO_QT_DEBUG"))
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// The same folder as the desktop program's, so both see the same templates, numbers and history.
tallivo::ProgramFolderChoice ProgramFolder() {
    return tallivo::ChooseProgramFolder(QCoreApplication::applicationDirPath().toStdString(),
                                        tallivo::UserDataHome());
}

}  // namespace

int main(int argc, char** argv) {
    if (tallivo::PrintVersionIfAsked(argc, argv, "tallivo-cli")) return tallivo::kExitOk;
    // Rendering needs fonts but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    QGuiApplication app(argc, argv);
    tallivo::InstallTemplateFontStandIns();
    tallivo::LoadQtChineseTranslations();

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const tallivo::ParseOutcome parsed = tallivo::ParseCommandLine(args);
    if (!parsed.command) {
        std::fprintf(stderr, "tallivo-cli: %s\n%s", parsed.error.c_str(),
                     tallivo::UsageText().c_str());
        return tallivo::kExitUsage;
    }
    const tallivo::CliCommand& cmd = *parsed.command;
    try {
        switch (cmd.kind) {
            case tallivo::CliCommand::kHelp:
                std::fputs(tallivo::UsageText().c_str(), stdout);
                return tallivo::kExitOk;
            case tallivo::CliCommand::kShow:
                return tallivo::RunShow(cmd.show);
            case tallivo::CliCommand::kHistory: {
                // Looking starts nothing: the folder is not given the starter content.
                const std::string folder =
                    cmd.history.folder.empty() ? ProgramFolder().folder : cmd.history.folder;
                return tallivo::RunHistory(cmd.history, folder);
            }
            case tallivo::CliCommand::kFill: {
                std::string folder = cmd.fill.folder;
                if (folder.empty()) {
                    const tallivo::ProgramFolderChoice choice = ProgramFolder();
                    const tallivo::StorageResult seeded = tallivo::SeedProgramFolder(choice);
                    if (!seeded.ok) tallivo::PrintMessage(seeded.message);
                    folder = choice.folder;
                }
                return tallivo::RunFill(cmd.fill, folder);
            }
        }
    } catch (const std::bad_alloc&) {
        // Reported as the program reports it, never an abort.
        std::fflush(stdout);
        tallivo::PrintMessage(tallivo::OutOfMemoryMessage());
        return tallivo::kExitFailure;
    }
    return tallivo::kExitUsage;
}
