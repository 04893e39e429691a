#include "storage/file_io.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "storage/file_kinds.h"
#include "storage/unique_fd.h"
#include "text/gbk_codec.h"

namespace tallivo {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    // Non-blocking open: a pipe named like a store must not wait for a writer. Regular files
    // ignore the flag.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    // Read straight into the result; the size is a hint only, the file may change meanwhile.
    std::string data;
    std::size_t used = 0;
    data.resize(std::min(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 65536, limit));
    for (;;) {
        if (used == limit) break;
        if (used == data.size()) data.resize(std::min(data.size() * 2, limit));
        ssize_t n = ::read(fd.get(), &data[used], data.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    data.resize(used);
    return data;
}

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

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

}  // namespace

std::optional<FileBytes> ReadFileBytes(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    // One byte more than the size, so that the end shows without growing; the file may still
    // change meanwhile.
    std::size_t capacity = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 65536;
    FileBytes bytes;
    bytes.data_.reset(AllocateUncleared(&capacity));
    std::size_t& used = bytes.size_;
    for (;;) {
        if (used == capacity) {
            std::size_t larger = capacity * 2;
            char* grown = AllocateUncleared(&larger);
            std::memcpy(grown, bytes.data_.get(), used);
            bytes.data_.reset(grown);
            capacity = larger;
        }
        ssize_t n = ::read(fd.get(), bytes.data_.get() + used, capacity - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    return bytes;
}

bool EnsureFolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsSafeFileName(std::string_view gbk_name) {
    if (gbk_name.empty() || gbk_name == "." || gbk_name == "..") return false;
    // A GBK trail byte may be 0x5C, so look at the name once it is UTF-8.
    std::string utf8 = GbkToUtf8(gbk_name);
    if (utf8.empty() || utf8 == "." || utf8 == "..") return false;
    for (char c : utf8) {
        if (c == '/' || c == '\\' || c == '\0') return false;
    }
    return gbk_name.find('\0') == std::string_view::npos;
}

std::string BackgroundImageFolder(const std::string& program_folder) {
    return JoinPath(program_folder, std::string(kBackgroundImageFolderName));
}

std::optional<std::string> BackgroundImagePath(const std::string& program_folder,
                                               std::string_view gbk_file_name) {
    if (!IsSafeFileName(gbk_file_name)) return std::nullopt;
    return JoinPath(BackgroundImageFolder(program_folder), GbkToUtf8(gbk_file_name));
}

std::string WithExtension(const std::string& name, std::string_view lower_ext) {
    std::string upper(lower_ext);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    auto ends_with = [&name](std::string_view ext) {
        return name.size() >= ext.size() &&
               name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
    };
    if (ends_with(lower_ext) || ends_with(upper)) return name;
    return name + std::string(lower_ext);
}

}  // namespace tallivo
