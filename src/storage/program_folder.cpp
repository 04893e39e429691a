#include "storage/program_folder.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "storage/native_files.h"
#include "text/gbk_codec.h"

namespace tallivo {

const char kUserProgramFolderName[] = "Tallivo";

namespace {

namespace fs = std::filesystem;

// Starter files are small; anything larger is not ours.
constexpr std::size_t kStarterFileLimit = 64u << 20;

bool IsFolder(const std::string& path) {
    return native::KindOf(path) == native::PathKind::kFolder;
}

bool Exists(const std::string& path) {
    return native::Exists(path);
}

bool HoldsStores(const std::string& folder) {
    for (std::string_view name :
         {kFreightBillStoreFileName, kInvoiceStoreFileName, kConfigFileName}) {
        if (Exists(JoinPath(folder, std::string(name)))) return true;
    }
    return false;
}

// Copies `from` to `to` unless `to` exists. The copy is written whole under a temporary name
// and then linked into place, so no one (another copy starting at the same moment included)
// sees half a store, and a file that appeared meanwhile is kept. A missing source is no error.
bool CopyIfAbsent(const std::string& from, const std::string& to) {
    if (Exists(to)) return true;
    if (!Exists(from)) return true;
    const std::optional<std::string> bytes = ReadWholeFile(from, kStarterFileLimit + 1);
    if (!bytes || bytes->size() > kStarterFileLimit) return false;
    return native::CreateWholeIfAbsent(to, *bytes);
}

// The regular files of a folder, by name, so the copy order does not depend on the file system.
// Names are UTF-8 both ways: MinGW's std::filesystem would read a narrow string in the ANSI code
// page instead.
std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(fs::u8path(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code kind;
        if (it->is_regular_file(kind)) names.push_back(it->path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::string UserDataHome() {
#ifdef _WIN32
    // Local, not roaming: the stores and the print history belong to this machine.
    const std::string local = native::Environment("LOCALAPPDATA");
    if (native::IsAbsolute(local)) return local;
    const std::string home = native::HomeFolder();
    return home.empty() ? "" : JoinPath(home, "AppData/Local");
#else
    // A relative XDG_DATA_HOME is not to be trusted; the default stands in for it.
    const std::string xdg = native::Environment("XDG_DATA_HOME");
    if (native::IsAbsolute(xdg)) return xdg;
    const std::string home = native::HomeFolder();
    return home.empty() ? "" : JoinPath(home, ".local/share");
#endif
}

ProgramFolderChoice ChooseProgramFolder(const std::string& executable_folder,
                                        const std::string& data_home) {
    ProgramFolderChoice beside{executable_folder, executable_folder, false};
    const bool stores = HoldsStores(executable_folder);
    if (stores && native::IsWritable(executable_folder)) return beside;
    const std::string installed =
        (fs::u8path(executable_folder) / ".." / "share" / "tallivo").lexically_normal().u8string();
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
    fs::create_directories(fs::u8path(choice.folder), ec);
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
