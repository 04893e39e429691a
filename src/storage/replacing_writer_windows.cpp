// The Windows half of WriteFileReplacing and ReplacingWriter. The temporary file is held open
// for this writer alone (other writers get a sharing violation, which is the lock), and is
// moved over the target with MoveFileExW while still held, so no one can change it between the
// flush and the move. A target that another program holds open without delete sharing cannot
// be replaced on Windows, unlike rename(2): the move is retried for a while, then refused as
// busy, and the old file stays.
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "storage/file_io.h"
#include "storage/unique_fd.h"
#include "storage/wide_path.h"

namespace tallivo {

namespace {

constexpr std::string_view kTemporarySuffix = ".tallivo-tmp";
// NTFS takes names of 255 UTF-16 units; counting bytes keeps the rule the same as on Linux.
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::chrono::seconds kBusyWait(10);
constexpr std::chrono::milliseconds kBusyPoll(20);
constexpr int kMaxRetakes = 16;

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = LastSeparator(path);
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash + (slash == 0 || (slash == 2 && path[1] == ':') ? 1 : 0));
}

// The errno a POSIX system would give, so that callers and messages need not know the system.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_CANT_RESOLVE_FILENAME:
            return ELOOP;
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
            return EIO;
        case ERROR_INVALID_NAME:
            return EINVAL;
        default:
            return EIO + 1000;  // no errno of its own: an unnamed failure
    }
}

WriteResult Failure(int error) {
    WriteFailure failure = WriteFailure::kOther;
    switch (error) {
        case ENOSPC:
            failure = WriteFailure::kNoSpace;
            break;
        case EACCES:
            failure = WriteFailure::kNoPermission;
            break;
        case EROFS:
            failure = WriteFailure::kReadOnlyDisk;
            break;
        case ENOENT:
            failure = WriteFailure::kNoSuchFolder;
            break;
        case ENOTDIR:
            failure = WriteFailure::kNotAFolder;
            break;
        case EISDIR:
            failure = WriteFailure::kNotAFile;
            break;
        case ELOOP:
            failure = WriteFailure::kBadLink;
            break;
        case ENAMETOOLONG:
            failure = WriteFailure::kNameTooLong;
            break;
        case EIO:
            failure = WriteFailure::kInputOutput;
            break;
        default:
            break;
    }
    return WriteResult{false, failure, error};
}

WriteResult SystemFailure(DWORD error) {
    return Failure(ErrnoOf(error));
}

WriteResult Refusal(WriteFailure failure) {
    return WriteResult{false, failure, 0};
}

// A path that is not there: its folder missing, or a file where a folder should be.
WriteResult MissingPathFailure(const std::string& path) {
    std::string folder = FolderOf(path);
    while (!folder.empty()) {
        const std::wstring wide = WidePath(folder);
        const DWORD attributes =
            wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return Failure(attributes & FILE_ATTRIBUTE_DIRECTORY ? ENOENT : ENOTDIR);
        const std::string up = FolderOf(folder);
        if (up == folder || up == ".") break;
        folder = up;
    }
    return Failure(ENOENT);
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

bool WriteAll(HANDLE file, std::string_view bytes, DWORD* error) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
            *error = ::GetLastError();
            return false;
        }
        if (written == 0) {
            *error = ERROR_WRITE_FAULT;
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// The file a link at `path` leads to, or `path` itself when it is no link.
WriteResult FollowLinks(const std::string& target, std::string* path, bool* followed) {
    *path = target;
    *followed = false;
    const std::wstring wide = WidePath(target);
    if (wide.empty()) return Failure(EINVAL);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return WriteResult{true, WriteFailure::kNone, 0};
    HANDLE file =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failure(ELOOP);
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), 0);
    if (n >= final.size()) {
        final.resize(n + 1);
        n = ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), 0);
    }
    ::CloseHandle(file);
    if (n == 0 || n >= final.size()) return Failure(ELOOP);
    final.resize(n);
    if (final.rfind(L"\\\\?\\", 0) == 0) final.erase(0, 4);
    *path = Utf8Path(final);
    *followed = true;
    return path->empty() ? Failure(ELOOP) : WriteResult{true, WriteFailure::kNone, 0};
}

// Opens the temporary file of a target for this writer alone, emptied. Another writer holding
// it is waited for; what is at that name and no writer can have left there (a folder, a link,
// a file with other names) is removed, never written into.
WriteResult TakeTemporary(const std::string& temp, UniqueFd* out) {
    const std::wstring wide = WidePath(temp);
    if (wide.empty()) return Failure(EINVAL);
    const auto deadline = std::chrono::steady_clock::now() + kBusyWait;
    int retakes = 0;
    auto retake = [&]() { return ++retakes <= kMaxRetakes; };
    for (;;) {
        // DELETE access and delete sharing: the move into place works on the file held open.
        HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
                if (std::chrono::steady_clock::now() >= deadline)
                    return Refusal(WriteFailure::kBusy);
                std::this_thread::sleep_for(kBusyPoll);
                continue;
            }
            if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)
                return MissingPathFailure(temp);
            const DWORD attributes = ::GetFileAttributesW(wide.c_str());
            if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
                if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Failure(EISDIR);
                // A read-only leftover: ours to remove from our folder.
                ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (::DeleteFileW(wide.c_str()) && retake()) continue;
            }
            return SystemFailure(error);
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file, &info)) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(file);
            return SystemFailure(error);
        }
        if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
            info.nNumberOfLinks != 1) {
            FILE_DISPOSITION_INFO remove{TRUE};
            const bool removed =
                ::SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove);
            ::CloseHandle(file);
            if (!removed) return SystemFailure(::GetLastError());
            if (!retake()) return Refusal(WriteFailure::kBusy);
            continue;
        }
        // What a killed writer left is stale: start from nothing.
        LARGE_INTEGER zero{};
        if (!::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(file);
            return SystemFailure(error);
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        if (fd < 0) {
            ::CloseHandle(file);
            return Failure(EMFILE);
        }
        out->reset(fd);
        return WriteResult{true, WriteFailure::kNone, 0};
    }
}

}  // namespace

std::string TemporaryPathFor(const std::string& path) {
    const std::size_t slash = LastSeparator(path);
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    std::string name = path.substr(name_start);
    const std::size_t room = kMaxNameBytes - 1 - kTemporarySuffix.size();
    if (name.size() > room) name.resize(room);
    return path.substr(0, name_start) + "." + name + std::string(kTemporarySuffix);
}

ReplacingWriter::ReplacingWriter(std::string target) : target_(std::move(target)) {}

ReplacingWriter::~ReplacingWriter() {
    Discard();
}

WriteResult ReplacingWriter::Fail(WriteResult failure) {
    Discard();
    if (failed_.ok) failed_ = failure;
    return failed_;
}

WriteResult ReplacingWriter::Begin() {
    failed_ = WriteResult{true, WriteFailure::kNone, 0};
    if (target_.empty() || IsSeparator(target_.back()))
        return Fail(Refusal(WriteFailure::kNotAFile));
    bool followed = false;
    WriteResult result = FollowLinks(target_, &path_, &followed);
    if (!result.ok) return Fail(result);

    const std::wstring wide = WidePath(path_);
    if (wide.empty()) return Fail(Failure(EINVAL));
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) return Fail(MissingPathFailure(path_));
        if (error != ERROR_FILE_NOT_FOUND) return Fail(SystemFailure(error));
    } else {
        // Only a regular file is ever replaced: never a folder or a device.
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
            return Fail(Refusal(WriteFailure::kNotAFile));
        // The move would fail on it anyway, but only after the whole file was written.
        if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(Refusal(WriteFailure::kReadOnlyFile));
    }

    const std::string temp = TemporaryPathFor(path_);
    result = TakeTemporary(temp, &fd_);
    if (!result.ok) {
        if (followed && result.failure == WriteFailure::kNoSuchFolder) {
            result.failure = WriteFailure::kBadLink;
        }
        return Fail(result);
    }
    temp_ = temp;
    return failed_;
}

bool ReplacingWriter::Write(std::string_view bytes) {
    if (fd_.get() < 0 || !failed_.ok) return false;
    DWORD error = 0;
    if (!WriteAll(HandleOf(fd_.get()), bytes, &error)) return Fail(SystemFailure(error)).ok;
    return true;
}

WriteResult ReplacingWriter::Commit() {
    if (!failed_.ok) return failed_;
    if (fd_.get() < 0) return Fail(Refusal(WriteFailure::kOther));
    if (!::FlushFileBuffers(HandleOf(fd_.get()))) return Fail(SystemFailure(::GetLastError()));
    const std::wstring from = WidePath(temp_);
    const std::wstring to = WidePath(path_);
    const auto deadline = std::chrono::steady_clock::now() + kBusyWait;
    while (!::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(to.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return Fail(Refusal(WriteFailure::kReadOnlyFile));
        // Open elsewhere without delete sharing (a viewer, a virus scanner): wait for it.
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                          error == ERROR_LOCK_VIOLATION;
        if (!held) return Fail(SystemFailure(error));
        if (std::chrono::steady_clock::now() >= deadline) return Fail(Refusal(WriteFailure::kBusy));
        std::this_thread::sleep_for(kBusyPoll);
    }
    temp_.clear();
    ::_close(fd_.release());
    return failed_;
}

void ReplacingWriter::Discard() {
    // The temporary file is still ours while it is held open.
    if (!temp_.empty() && fd_.get() >= 0) {
        FILE_DISPOSITION_INFO remove{TRUE};
        ::SetFileInformationByHandle(HandleOf(fd_.get()), FileDispositionInfo, &remove,
                                     sizeof remove);
    }
    temp_.clear();
    if (fd_.get() >= 0) ::_close(fd_.release());
}

WriteResult WriteFileReplacing(const std::string& target, std::string_view bytes) {
    ReplacingWriter writer(target);
    const WriteResult begun = writer.Begin();
    if (!begun.ok) return begun;
    writer.Write(bytes);
    return writer.Commit();
}

}  // namespace tallivo
