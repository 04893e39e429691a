#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tallivo {

// The open and save dialogs of the document and template commands. The GUI shows a file
// dialog, the command line and the tests answer from a script.
class FileChooser {
public:
    struct Request {
        bool save = false;          // save: asks before overwriting; open: the file must exist
        std::string title;          // GBK
        std::string filter;         // GBK, "任意格式 (*.*)|*.*|货运单格式 (*.pfb)|*.pfb"
        int filterIndex = 2;        // 1-based, as the filter lists them
        std::string initialFolder;  // UTF-8
        std::string fileName;       // UTF-8 preset; may hold a folder
    };
    virtual ~FileChooser() = default;
    // The chosen UTF-8 path, or nothing when the user cancels.
    virtual std::optional<std::string> Choose(const Request& request) = 0;
    // Several existing files to open; empty when the user cancels. One file where the chooser
    // takes only one.
    virtual std::vector<std::string> ChooseMany(const Request& request) {
        std::vector<std::string> files;
        if (std::optional<std::string> one = Choose(request)) files.push_back(std::move(*one));
        return files;
    }
};

}  // namespace tallivo
