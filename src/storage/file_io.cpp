#include "storage/file_io.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "storage/file_kinds.h"
#include "storage/native_files.h"
#include "storage/unique_fd.h"
#include "text/gbk_codec.h"

namespace tallivo {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
#ifdef _WIN32
    if (folder.back() == '\\') return folder + name;
#endif
    return folder + "/" + name;
}

namespace {

// One byte more than the size, so that the end shows without growing; a size too large for
// memory is only a hint, the read stops at the file's real end or the caller's limit.
std::size_t SizeHint(std::uint64_t size) {
    if (size == 0) return 65536;
    if (size >= std::numeric_limits<std::size_t>::max())
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(size) + 1;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    std::uint64_t size = 0;
    const UniqueFd fd(native::OpenRegularFile(path, &size));
    if (fd.get() < 0) return std::nullopt;
    // Read straight into the result; the size is a hint only, the file may change meanwhile.
    std::string data;
    std::size_t used = 0;
    data.resize(std::min(SizeHint(size), limit));
    for (;;) {
        if (used == limit) break;
        if (used == data.size()) data.resize(std::min(data.size() * 2, limit));
        const long long n = native::ReadSome(fd.get(), &data[used], data.size() - used);
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    data.resize(used);
    return data;
}

std::optional<FileBytes> ReadFileBytes(const std::string& path) {
    std::uint64_t size = 0;
    const UniqueFd fd(native::OpenRegularFile(path, &size));
    if (fd.get() < 0) return std::nullopt;
    // One byte more than the size, so that the end shows without growing; the file may still
    // change meanwhile.
    std::size_t capacity = SizeHint(size);
    FileBytes bytes;
    bytes.data_.reset(native::AllocateUncleared(&capacity));
    std::size_t& used = bytes.size_;
    for (;;) {
        if (used == capacity) {
            std::size_t larger = capacity * 2;
            char* grown = native::AllocateUncleared(&larger);
            std::memcpy(grown, bytes.data_.get(), used);
            bytes.data_.reset(grown);
            capacity = larger;
        }
        const long long n = native::ReadSome(fd.get(), bytes.data_.get() + used, capacity - used);
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    return bytes;
}

bool EnsureFolder(const std::string& path) {
    const native::PathKind kind = native::KindOf(path);
    if (kind != native::PathKind::kMissing) return kind == native::PathKind::kFolder;
    if (native::MakeFolder(path)) return true;
    return native::KindOf(path) == native::PathKind::kFolder;  // made by someone else meanwhile
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
