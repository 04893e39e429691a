#include "print/replacing_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace tallivo {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    Discard();
}

bool ReplacingFile::Fail(const std::string& what, int error) {
    if (error_.empty()) error_ = error ? what + ": " + std::strerror(error) : what;
    return false;
}

bool ReplacingFile::Begin() {
    if (fd_ >= 0) return true;
    error_.clear();
    if (target_.empty() || target_.back() == '/') return Fail("not a file name", 0);
    path_ = target_;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace what the link points at and keep the link.
        char* resolved = ::realpath(target_.c_str(), nullptr);
        if (!resolved) return Fail("cannot follow the link", errno);
        path_ = resolved;
        std::free(resolved);
    }
    // Only a regular file is ever replaced: never a folder or a device.
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return Fail("not a regular file", 0);
    // A read-only file is refused, as opening it for writing would be; a rename alone would
    // replace it whatever its mode.
    if (exists && ((st.st_mode & 0222) == 0 || ::access(path_.c_str(), W_OK) != 0))
        return Fail("the file is read-only", 0);
    if (exists) {
        mode_ = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode_ = 0666 & ~mask;
    }

    std::string name = FolderOf(path_) + "/." + NameOf(path_) + ".tallivo-tmp-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    fd_ = ::mkstemp(buffer.data());
    if (fd_ < 0) return Fail("cannot create a file in its folder", errno);
    temp_.assign(buffer.data());
    buffer_.reserve(kBufferSize);
    if (!QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        Discard();
        return Fail("cannot open the file", 0);
    }
    return true;
}

bool ReplacingFile::FlushBuffer() {
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            buffer_.clear();
            return Fail("writing failed", n < 0 ? errno : ENOSPC);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return true;
}

qint64 ReplacingFile::readData(char*, qint64) {
    return -1;
}

qint64 ReplacingFile::writeData(const char* data, qint64 size) {
    // After the first failure nothing more is taken: the file can no longer be whole.
    if (fd_ < 0 || !error_.empty() || size < 0) return -1;
    const auto n = static_cast<std::size_t>(size);
    if (buffer_.size() + n > kBufferSize && !FlushBuffer()) return -1;
    if (n >= kBufferSize) {
        buffer_.assign(data, n);
        if (!FlushBuffer()) return -1;
    } else {
        buffer_.append(data, n);
    }
    return size;
}

bool ReplacingFile::Commit() {
    if (fd_ < 0) return Fail("nothing was written", 0);
    bool ok = error_.empty() && FlushBuffer();
    if (ok && ::fchmod(fd_, mode_) != 0) ok = Fail("cannot set the file's permissions", errno);
    if (ok && ::fsync(fd_) != 0) ok = Fail("flushing to disk failed", errno);
    if (::close(fd_) != 0 && ok) ok = Fail("closing failed", errno);
    fd_ = -1;
    QIODevice::close();
    if (ok && ::rename(temp_.c_str(), path_.c_str()) != 0)
        ok = Fail("cannot rename the file into place", errno);
    if (!ok) {
        Discard();
        return false;
    }
    temp_.clear();
    const int dir = ::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (isOpen()) QIODevice::close();
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
}

}  // namespace tallivo
