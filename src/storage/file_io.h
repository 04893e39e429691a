#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "storage/storage_result.h"
#include "storage/unique_fd.h"

namespace tallivo {

// Paths are UTF-8 as the file system takes them; GBK names are converted by the callers below.

// Folder plus name, with "/" between them when the folder does not already end in one.
std::string JoinPath(const std::string& folder, const std::string& name);

// The whole file, or its first `limit` bytes; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t limit = static_cast<std::size_t>(-1));

// The whole of a file read for parsing only: the memory is not cleared first, and a large file
// lands in huge pages where the system gives them, so that reading the template stores at
// start-up costs little more than the copy from the page cache.
class FileBytes {
public:
    std::string_view View() const { return {data_.get(), size_}; }

private:
    friend std::optional<FileBytes> ReadFileBytes(const std::string& path);
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, Free> data_;
    std::size_t size_ = 0;
};

// Nothing when the file cannot be opened or read; std::bad_alloc when memory runs out.
std::optional<FileBytes> ReadFileBytes(const std::string& path);

// The outcome of WriteFileReplacing. Tests as a bool, so callers that only need to know whether
// the file was written can keep `if (!WriteFileReplacing(...))`.
struct WriteResult {
    bool ok = false;
    WriteFailure failure = WriteFailure::kNone;
    int errorNumber = 0;  // errno of the call that failed; 0 when the writer refused by itself
    explicit operator bool() const { return ok; }
};

// Writes to a temporary file beside `path`, flushes it to disk and renames it into place, so the
// old file stays intact unless the new one is complete. On failure the temporary file is removed
// and the result says why.
//
// Only a regular file is ever replaced, and never one marked read-only. A symbolic link at
// `path` is kept: the file it leads to is replaced, or created when it does not exist yet but
// its folder does.
//
// Two writers of the same file take turns: each holds a lock on the one temporary file of that
// target (TemporaryPathFor) while writing, and a writer waits up to ten seconds for another
// before it gives up with kBusy. A temporary file left by a killed writer holds no lock and is
// taken over by the next save of the same file.
//
// Documents, stores, pictures and PDFs are written through this, in the Qt layers too; QSaveFile
// serves only small files of their own. QSaveFile has no lock between writers, no reason for a
// failure that the system's messages can name, under Qt 6.4 reports success after writes that
// failed for a full disk, and as root replaces a read-only file.
WriteResult WriteFileReplacing(const std::string& path, std::string_view bytes);

// The same in pieces, for a file written as it is made: Begin makes the checks and takes the
// temporary file, Write appends, Commit puts the file in place. After a failure at any step
// the temporary file is gone and every later step fails with the same result; what is not
// committed is discarded.
class ReplacingWriter {
public:
    explicit ReplacingWriter(std::string target);
    ~ReplacingWriter();
    ReplacingWriter(const ReplacingWriter&) = delete;
    ReplacingWriter& operator=(const ReplacingWriter&) = delete;

    WriteResult Begin();
    bool Write(std::string_view bytes);
    WriteResult Commit();
    void Discard();
    // The failure that stopped the writer; ok from Begin while all goes well.
    const WriteResult& Result() const { return failed_; }

private:
    WriteResult Fail(WriteResult failure);

    std::string target_;
    std::string path_;  // the file replaced: the target, or what a link at it leads to
    std::string temp_;
    UniqueFd fd_;
    WriteResult failed_{false, WriteFailure::kOther, 0};
};

// The hidden temporary file beside `path` that a save of `path` writes first:
// ".NAME.tallivo-tmp" in the same folder (NAME cut short when the whole would be too long).
std::string TemporaryPathFor(const std::string& path);

// Creates the folder when it does not exist (one level). True when it exists afterwards.
bool EnsureFolder(const std::string& path);

// Whether a GBK name can be a single file name inside a folder: not empty, not "." or "..", no
// "/", "\" or NUL.
bool IsSafeFileName(std::string_view gbk_name);

// The folder of background images and the path of one image in it, from its GBK file name.
// Nothing when the name would leave that folder.
std::string BackgroundImageFolder(const std::string& program_folder);
std::optional<std::string> BackgroundImagePath(const std::string& program_folder,
                                               std::string_view gbk_file_name);

// Appends `lower_ext` (".pfb") unless the name ends in it or in its upper-case form, exactly.
std::string WithExtension(const std::string& name, std::string_view lower_ext);

}  // namespace tallivo
