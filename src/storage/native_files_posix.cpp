#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "storage/file_io.h"
#include "storage/native_files.h"
#include "storage/unique_fd.h"

namespace tallivo::native {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool WriteAll(int fd, std::string_view bytes) {
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

}  // namespace

int OpenRegularFile(const std::string& path, std::uint64_t* size) {
    // Non-blocking open: a pipe named like a store must not wait for a writer. Regular files
    // ignore the flag.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return -1;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    *size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    return fd.release();
}

long long ReadSome(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

PathKind KindOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? PathKind::kMissing : PathKind::kUnknown;
    if (S_ISREG(st.st_mode)) return PathKind::kFile;
    return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kOther;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool IsWritable(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

bool CreateWholeIfAbsent(const std::string& to, std::string_view bytes) {
    if (Exists(to)) return true;
    const std::string temp = TemporaryPathFor(to) + "." + std::to_string(::getpid());
    {
        UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() < 0) return false;
        if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    // A link, unlike a rename, never replaces a file that appeared meanwhile.
    const bool linked = ::link(temp.c_str(), to.c_str()) == 0 || errno == EEXIST;
    ::unlink(temp.c_str());
    return linked;
}

std::string Environment(const char* name) {
    const char* value = ::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    const std::string home = Environment("HOME");
    if (!home.empty()) return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

bool IsAbsolute(std::string_view path) {
    return !path.empty() && path[0] == '/';
}

// Uncleared memory; from half a huge page up, whole huge pages, which the kernel maps with one
// fault each instead of one per 4 KiB page.
char* AllocateUncleared(std::size_t* capacity) {
    void* p = nullptr;
    if (*capacity >= kHugePage / 2) {
        *capacity = (*capacity + kHugePage - 1) / kHugePage * kHugePage;
        if (::posix_memalign(&p, kHugePage, *capacity) != 0) throw std::bad_alloc();
        ::madvise(p, *capacity, MADV_HUGEPAGE);  // a hint: without it, ordinary pages
    } else {
        p = std::malloc(*capacity);
        if (!p) throw std::bad_alloc();
    }
    return static_cast<char*>(p);
}

}  // namespace tallivo::native
