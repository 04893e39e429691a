#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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
#ifdef _WIN32
    // A drive letter and backslashes, as Windows gives them, with "/" joined after them.
    TempFolder() {
        static std::atomic<int> count{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                           ("tallivo-storage-" + std::to_string(getpid()) + "-" +
                                            std::to_string(stamp) + "-" + std::to_string(++count));
        std::filesystem::create_directories(path);
        path_ = path.u8string();
    }
#else
    TempFolder() {
        char pattern[] = "/tmp/tallivo-storage-XXXXXX";
        path_ = mkdtemp(pattern);
    }
#endif
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::u8path(path_), ignored);
    }
    const std::string& path() const {
        return path_;
    }
    std::string File(const std::string& name) const {
        return path_ + "/" + name;
    }

private:
    std::string path_;
};

}  // namespace tallivo::testing
