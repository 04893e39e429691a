#pragma once

#include <QString>

namespace tallivo {

class Prompter;

// Where this copy keeps its files and where its installation put what it only reads.
struct ProgramFolders {
    QString folder;   // stores, Config.pcf, documents, background images, history
    QString content;  // the help
};

// The executable's folder when run from a build or from a folder the user installed into; for an
// installation this user cannot write into, $XDG_DATA_HOME/Tallivo, which gets the starter
// content on the first start. A folder that cannot be filled is reported, and used all the same.
ProgramFolders PrepareProgramFolders(Prompter& prompter);

}  // namespace tallivo
