#include "storage/program_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "storage/unique_fd.h"
#include "text/gbk_codec.h"

namespace tallivo {

const char kUserProgramFolderName[] = "Tallivo";

namespace {

namespace fs = std::filesystem;

// Starter files are small; anything larger is not ours.
constexpr std::size_t kStarterFileLimit = 64u << 20;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool HoldsStores(const std::string& folder) {
    for (std::string_view name :
         {kFreightBillStoreFileName, kInvoiceStoreFileName, kConfigFileName}) {
        if (Exists(JoinPath(folder, std::string(name)))) return true;
    }
    return false;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Copies `from` to `to` unless `to` exists. The copy is written whole under a temporary name
// and then linked into place, so no one (another copy starting at the same moment included)
// sees half a store, and a file that appeared meanwhile is kept. A missing source is no error.
bool CopyIfAbsent(const std::string& from, const std::string& to) {
    if (Exists(to)) return true;
    if (!Exists(from)) return true;
    const std::optional<std::string> bytes = ReadWholeFile(from, kStarterFileLimit + 1);
    if (!bytes || bytes->size() > kStarterFileLimit) return false;
    const std::string temp = TemporaryPathFor(to) + "." + std::to_string(::getpid());
    {
        UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() < 0) return false;
        if (!WriteAll(fd.get(), *bytes) || ::fsync(fd.get()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    const bool linked = ::link(temp.c_str(), to.c_str()) == 0 || errno == EEXIST;
    ::unlink(temp.c_str());
    return linked;
}

// The regular files of a folder, by name, so the copy order does not depend on the file system.
std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_regular_file(kind)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string HomeFolder() {
    const char* home = ::getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

}  // namespace

std::string UserDataHome() {
    // A relative XDG_DATA_HOME is not to be trusted; the default stands in for it.
    const char* xdg = ::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const std::string home = HomeFolder();
    return home.empty() ? "" : JoinPath(home, ".local/share");
}

ProgramFolderChoice ChooseProgramFolder(const std::string& executable_folder,
                                        const std::string& data_home) {
    ProgramFolderChoice beside{executable_folder, executable_folder, false};
    const bool stores = HoldsStores(executable_folder);
    if (stores && ::access(executable_folder.c_str(), W_OK) == 0) return beside;
    const std::string installed =
        (fs::path(executable_folder) / ".." / "share" / "tallivo").lexically_normal().string();
    std::string content;
    if (IsFolder(installed)) {
        content = installed;
    } else if (stores) {
        content = executable_folder;
    }
    if (content.empty() || data_home.empty()) return beside;
    return ProgramFolderChoice{JoinPath(data_home, kUserProgramFolderName), content, true};
}

StorageResult SeedProgramFolder(const ProgramFolderChoice& choice) {
    if (!choice.perUser || HoldsStores(choice.folder)) return StorageResult{true, {}, {}};
    const StorageResult failed{
        false, Gbk(u8"无法把初始模板复制到文件夹 ") + Utf8ToGbk(choice.folder) + Gbk(u8"！"), {}};
    std::error_code ec;
    fs::create_directories(choice.folder, ec);
    if (!IsFolder(choice.folder)) return failed;

    // The pictures first: once a store is in place the folder counts as set up, and the
    // templates in it must find their pictures.
    const std::string pictures = BackgroundImageFolder(choice.contentFolder);
    const std::vector<std::string> pictureNames = FileNames(pictures);
    if (!pictureNames.empty()) {
        const std::string target = BackgroundImageFolder(choice.folder);
        if (!EnsureFolder(target)) return failed;
        for (const std::string& name : pictureNames) {
            if (!CopyIfAbsent(JoinPath(pictures, name), JoinPath(target, name))) return failed;
        }
    }
    for (std::string_view name :
         {kFreightBillStoreFileName, kInvoiceStoreFileName, kConfigFileName}) {
        const std::string file(name);
        if (!CopyIfAbsent(JoinPath(choice.contentFolder, file), JoinPath(choice.folder, file))) {
            return failed;
        }
    }
    return StorageResult{true, {}, {}};
}

}  // namespace tallivo
