#pragma once

#include <string>

#include "storage/storage_result.h"

namespace tallivo {

// Where one copy of the program keeps its files.
struct ProgramFolderChoice {
    // The stores, Config.pcf, documents, background images and history.
    std::string folder;
    // What the installation only reads: the help, and the starter content a new per-user
    // folder is given. The executable's folder unless the program was installed under a prefix.
    std::string contentFolder;
    // folder is the user's data folder rather than the executable's.
    bool perUser = false;
};

// The folder below the user's data folder ("Tallivo").
extern const char kUserProgramFolderName[];

// $XDG_DATA_HOME when it is an absolute path, otherwise ~/.local/share; empty without a home.
std::string UserDataHome();

// The executable's folder when it is writable and holds a store or Config.pcf (a build folder, or
// a folder the user installed into), and also when nothing was installed beside it under
// ../share/tallivo. Otherwise the installation is read-only to this user: data_home/Tallivo, with
// the installed content in ../share/tallivo, or in the executable's folder when that holds the
// stores but cannot be written.
ProgramFolderChoice ChooseProgramFolder(const std::string& executable_folder,
                                        const std::string& data_home);

// Gives a per-user folder the starter content on its first start: when the folder holds no
// store and no Config.pcf, it is created and the stores, Config.pcf and background images of
// choice.contentFolder are copied into it. A file already there is never replaced. Does nothing
// for the executable's folder. The message is GBK and names the folder that could not be filled.
StorageResult SeedProgramFolder(const ProgramFolderChoice& choice);

}  // namespace tallivo
