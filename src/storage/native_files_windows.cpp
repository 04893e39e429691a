#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

#include "storage/file_io.h"
#include "storage/native_files.h"
#include "storage/unique_fd.h"
#include "storage/wide_path.h"

namespace tallivo::native {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

int OpenRegularFile(const std::string& path, std::uint64_t* size) {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return -1;
    // Binary: the C library would otherwise turn CR LF into LF and stop at a Ctrl-Z.
    UniqueFd fd(::_wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
    if (fd.get() < 0) return -1;
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd.get()));
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return -1;
    *size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    return fd.release();
}

long long ReadSome(int fd, char* buffer, std::size_t size) {
    return ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

PathKind KindOf(const std::string& path) {
    const std::wstring wide = WidePath(path);
    const DWORD attributes =
        wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::kMissing
                                                                              : PathKind::kUnknown;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
    return attributes & FILE_ATTRIBUTE_DEVICE ? PathKind::kOther : PathKind::kFile;
}

bool Exists(const std::string& path) {
    const std::wstring wide = WidePath(path);
    return !wide.empty() && ::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const std::string& path) {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) {
        errno = EINVAL;
        return false;
    }
    return ::_wmkdir(wide.c_str()) == 0;
}

bool IsWritable(const std::string& path) {
    const std::wstring wide = WidePath(path);
    const DWORD attributes =
        wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    // The read-only mark means nothing on a folder; whether one takes files shows by trying.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return !(attributes & FILE_ATTRIBUTE_READONLY);
    const std::wstring probe = wide + L"\\.tallivo-probe-" + std::to_wstring(::_getpid());
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

bool CreateWholeIfAbsent(const std::string& to, std::string_view bytes) {
    if (Exists(to)) return true;
    const std::wstring target = WidePath(to);
    const std::wstring temp = WidePath(TemporaryPathFor(to) + "." + std::to_string(::_getpid()));
    if (target.empty() || temp.empty()) return false;
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool written = WriteAll(file, bytes) && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    // Without MOVEFILE_REPLACE_EXISTING the move, like a link, keeps a file that appeared
    // meanwhile.
    const bool moved =
        written && (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS);
    ::DeleteFileW(temp.c_str());
    return moved;
}

std::string Environment(const char* name) {
    const std::wstring wide = WidePath(name);
    const wchar_t* value = ::_wgetenv(wide.c_str());
    return value ? Utf8Path(value) : "";
}

std::string HomeFolder() {
    const std::string profile = Environment("USERPROFILE");
    if (!profile.empty()) return profile;
    const std::string drive = Environment("HOMEDRIVE");
    const std::string path = Environment("HOMEPATH");
    return drive.empty() || path.empty() ? "" : drive + path;
}

bool IsAbsolute(std::string_view path) {
    auto separator = [](char c) { return c == '/' || c == '\\'; };
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) return true;
    return path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') &&
           path[1] == ':' && separator(path[2]);
}

// No huge pages: they need a privilege a seller's account does not have.
char* AllocateUncleared(std::size_t* capacity) {
    void* p = std::malloc(*capacity);
    if (!p) throw std::bad_alloc();
    return static_cast<char*>(p);
}

}  // namespace tallivo::native
