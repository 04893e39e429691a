#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "storage/file_io.h"

namespace tallivo::testing {

inline std::string Golden(const std::string& name) {
    return *ReadWholeFile(std::string(TALLIVO_STORAGE_DATA) + "/" + name);
}

// A fresh folder that stands in for the program folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/tallivo-storage-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace tallivo::testing
