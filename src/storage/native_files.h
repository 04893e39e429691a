#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo::native {

// The few file system calls of the storage layer, with a POSIX half and a Windows half. Paths
// are UTF-8; on Windows they are passed on as UTF-16, so that names GBK cannot hold open too,
// and both "/" and "\" separate folders there. Files are always read and written as bytes.

// A descriptor for reading a regular file, -1 for anything else (a pipe is never waited for).
// *size is its size when it was opened.
int OpenRegularFile(const std::string& path, std::uint64_t* size);
// read(2) with interruptions retried: bytes read, 0 at the end, -1 on failure (errno set).
// The descriptor is closed by UniqueFd.
long long ReadSome(int fd, char* buffer, std::size_t size);

enum class PathKind { kMissing, kFile, kFolder, kOther, kUnknown };
// What is at the path, links followed.
PathKind KindOf(const std::string& path);
bool Exists(const std::string& path);  // links not followed
// Creates one folder level; false when it fails for any reason (errno set).
bool MakeFolder(const std::string& path);
// Whether this user may write into the folder or file.
bool IsWritable(const std::string& path);

// Writes `bytes` to `to` under a temporary name and then gives it that name only when nothing
// is there yet, so that no one sees half a file and a file that appeared meanwhile is kept.
// True also when `to` existed already.
bool CreateWholeIfAbsent(const std::string& to, std::string_view bytes);

// The environment variable, empty when unset.
std::string Environment(const char* name);
// The user's home folder, empty when there is none.
std::string HomeFolder();
// Whether a path is absolute: "/x" here; "C:\x", "C:/x" or "\\server\share" on Windows.
bool IsAbsolute(std::string_view path);

// Memory not cleared first, at least *capacity bytes (rounded up where larger pages help),
// freed with std::free; std::bad_alloc when memory runs out.
char* AllocateUncleared(std::size_t* capacity);

}  // namespace tallivo::native
