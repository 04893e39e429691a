#include "app/program_folder.h"

#include <QCoreApplication>

#include "storage/program_folder.h"
#include "text/message_sink.h"

namespace tallivo {

ProgramFolders PrepareProgramFolders(Prompter& prompter) {
    const ProgramFolderChoice choice =
        ChooseProgramFolder(QCoreApplication::applicationDirPath().toStdString(), UserDataHome());
    const StorageResult seeded = SeedProgramFolder(choice);
    if (!seeded.ok) prompter.ShowMessage(seeded.message);
    return ProgramFolders{QString::fromStdString(choice.folder),
                          QString::fromStdString(choice.contentFolder)};
}

}  // namespace tallivo
