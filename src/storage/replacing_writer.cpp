// WriteFileReplacing and ReplacingWriter: how documents, stores, pictures and PDFs are replaced.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "storage/file_io.h"
#include "storage/unique_fd.h"

namespace tallivo {

namespace {

constexpr std::string_view kTemporarySuffix = ".tallivo-tmp";
// The longest file name most Linux file systems take.
constexpr std::size_t kMaxNameBytes = 255;
// As many links as the kernel follows before it reports a loop.
constexpr int kMaxLinkHops = 40;
// How long a save waits for another writer of the same file.
constexpr std::chrono::seconds kBusyWait(10);
constexpr long kBusyPollNanoseconds = 20'000'000;
// Names taken away from under us (a strange file at the temporary name, a writer that renamed
// it meanwhile) are retried a few times only, so that a hostile folder cannot keep us spinning.
constexpr int kMaxRetakes = 16;

WriteFailure FailureOf(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return WriteFailure::kNoSpace;
        case EACCES:
        case EPERM:
            return WriteFailure::kNoPermission;
        case EROFS:
            return WriteFailure::kReadOnlyDisk;
        case ENOENT:
            return WriteFailure::kNoSuchFolder;
        case ENOTDIR:
            return WriteFailure::kNotAFolder;
        case EISDIR:
            return WriteFailure::kNotAFile;
        case ELOOP:
            return WriteFailure::kBadLink;
        case ENAMETOOLONG:
            return WriteFailure::kNameTooLong;
        case EIO:
            return WriteFailure::kInputOutput;
        default:
            return WriteFailure::kOther;
    }
}

WriteResult SystemFailure(int error) {
    return WriteResult{false, FailureOf(error), error};
}

WriteResult Refusal(WriteFailure failure) {
    return WriteResult{false, failure, 0};
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadLink(const std::string& path, std::size_t size_hint, std::string* text) {
    std::string buffer(size_hint + 1, '\0');
    for (;;) {
        ssize_t n = ::readlink(path.c_str(), &buffer[0], buffer.size());
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            *text = std::move(buffer);
            return true;
        }
        // The link changed since it was looked at; the kernel caps link text at a page or so.
        if (buffer.size() >= (1u << 16)) {
            errno = ENAMETOOLONG;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Follows symbolic links at the path itself (not those among its folders) to the file that a
// save replaces. A link to a file that does not exist yet leads to that file's path.
WriteResult FollowLinks(const std::string& target, std::string* path, bool* followed) {
    *path = target;
    *followed = false;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path->c_str(), &st) != 0) {
            // A missing file is the usual new save; a missing folder shows when the temporary
            // file is created.
            if (errno == ENOENT) return WriteResult{true, WriteFailure::kNone, 0};
            return SystemFailure(errno);
        }
        if (!S_ISLNK(st.st_mode)) return WriteResult{true, WriteFailure::kNone, 0};
        if (hops == kMaxLinkHops) return SystemFailure(ELOOP);
        std::string text;
        if (!ReadLink(*path, static_cast<std::size_t>(st.st_size), &text)) {
            return SystemFailure(errno);
        }
        if (text.empty()) return SystemFailure(ENOENT);
        *path = text.front() == '/' ? text : JoinPath(FolderOf(*path), text);
        *followed = true;
    }
}

void PauseForOtherWriter() {
    timespec pause{0, kBusyPollNanoseconds};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// Opens the temporary file of a target for this writer alone: created or taken over, locked,
// emptied. A lock another writer holds is waited for; a file at that name that no writer of
// this user can have left (a link, a folder, a file with other links or another owner) is
// removed, never written into.
WriteResult TakeTemporary(const std::string& temp, UniqueFd* out) {
    const auto deadline = std::chrono::steady_clock::now() + kBusyWait;
    int retakes = 0;
    auto retake = [&]() { return ++retakes <= kMaxRetakes; };
    for (;;) {
        struct stat named {};
        if (::lstat(temp.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
            if (S_ISDIR(named.st_mode)) return SystemFailure(EISDIR);
            if (::unlink(temp.c_str()) != 0 && errno != ENOENT) return SystemFailure(errno);
            if (!retake()) return Refusal(WriteFailure::kBusy);
            continue;
        }
        UniqueFd fd(
            ::open(temp.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        if (fd.get() < 0) {
            const int error = errno;
            // Another user's leftover cannot be opened, but may be removed from our folder.
            if ((error == EACCES || error == ELOOP) && ::lstat(temp.c_str(), &named) == 0 &&
                retake() && ::unlink(temp.c_str()) == 0) {
                continue;
            }
            return SystemFailure(error);
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK || error == EINTR) {
                if (std::chrono::steady_clock::now() >= deadline) {
                    return Refusal(WriteFailure::kBusy);
                }
                fd.reset();
                PauseForOtherWriter();
                continue;
            }
            // A file system without locks: write unguarded rather than not at all.
        }
        struct stat held {};
        if (::fstat(fd.get(), &held) != 0) return SystemFailure(errno);
        if (::lstat(temp.c_str(), &named) != 0 || named.st_dev != held.st_dev ||
            named.st_ino != held.st_ino) {
            // The writer before us renamed this file into place while we waited for it.
            if (!retake()) return Refusal(WriteFailure::kBusy);
            continue;
        }
        if (!S_ISREG(held.st_mode) || held.st_nlink != 1 || held.st_uid != ::geteuid()) {
            if (::unlink(temp.c_str()) != 0 && errno != ENOENT) return SystemFailure(errno);
            if (!retake()) return Refusal(WriteFailure::kBusy);
            continue;
        }
        // What a killed writer left is stale: start from nothing.
        if (::ftruncate(fd.get(), 0) != 0) return SystemFailure(errno);
        out->reset(fd.release());
        return WriteResult{true, WriteFailure::kNone, 0};
    }
}

}  // namespace

std::string TemporaryPathFor(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
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
    if (target_.empty() || target_.back() == '/') return Fail(Refusal(WriteFailure::kNotAFile));
    bool followed = false;
    WriteResult result = FollowLinks(target_, &path_, &followed);
    if (!result.ok) return Fail(result);

    struct stat st {};
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return Fail(SystemFailure(errno));
    // Only a regular file is ever replaced: never a folder or a device.
    if (exists && !S_ISREG(st.st_mode)) return Fail(Refusal(WriteFailure::kNotAFile));
    // A file the seller made read-only is refused, as opening it for writing would be; the
    // rename alone would replace it regardless of its mode.
    if (exists && (st.st_mode & 0222) == 0) return Fail(Refusal(WriteFailure::kReadOnlyFile));
    if (exists && ::access(path_.c_str(), W_OK) != 0) return Fail(SystemFailure(errno));

    const std::string temp = TemporaryPathFor(path_);
    result = TakeTemporary(temp, &fd_);
    if (!result.ok) {
        // A link into a folder that is not there is the link's fault, not a missing folder's.
        if (followed && result.failure == WriteFailure::kNoSuchFolder) {
            result.failure = WriteFailure::kBadLink;
        }
        return Fail(result);
    }
    temp_ = temp;

    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd_.get(), mode) != 0) return Fail(SystemFailure(errno));
    return failed_;
}

bool ReplacingWriter::Write(std::string_view bytes) {
    if (fd_.get() < 0 || !failed_.ok) return false;
    if (!WriteAll(fd_.get(), bytes)) return Fail(SystemFailure(errno)).ok;
    return true;
}

WriteResult ReplacingWriter::Commit() {
    if (!failed_.ok) return failed_;
    if (fd_.get() < 0) return Fail(Refusal(WriteFailure::kOther));
    if (::fsync(fd_.get()) != 0 || ::rename(temp_.c_str(), path_.c_str()) != 0)
        return Fail(SystemFailure(errno));
    temp_.clear();
    // Closing releases the lock. The bytes reached the disk with fsync, so what close might
    // report afterwards changes nothing about the file now in place.
    ::close(fd_.release());
    UniqueFd dir(::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return failed_;
}

void ReplacingWriter::Discard() {
    // The temporary file is still ours while the lock is held.
    if (!temp_.empty() && fd_.get() >= 0) ::unlink(temp_.c_str());
    temp_.clear();
    if (fd_.get() >= 0) ::close(fd_.release());
}

WriteResult WriteFileReplacing(const std::string& target, std::string_view bytes) {
    ReplacingWriter writer(target);
    const WriteResult begun = writer.Begin();
    if (!begun.ok) return begun;
    writer.Write(bytes);
    return writer.Commit();
}

}  // namespace tallivo
