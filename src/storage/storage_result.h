#pragma once

#include <string>

namespace tallivo {

// Why a file could not be written, as far as the system tells.
enum class WriteFailure {
    kNone,
    kNoSpace,       // the disk or the user's quota is full, or the file grew too large
    kNoPermission,  // this user may not write the folder or the file
    kReadOnlyFile,  // the file itself is marked read-only
    kReadOnlyDisk,  // the disk is mounted read-only
    kNoSuchFolder,
    kNotAFolder,  // a part of the path is a file
    kNotAFile,    // the target is a folder, a device or a pipe
    kBadLink,     // a symbolic link loops, or leads into a folder that does not exist
    kNameTooLong,
    kBusy,  // another program kept saving the same file
    kInputOutput,
    kOther,
};

// The outcome of a storage operation. A non-empty message is GBK text for the user, shown as it
// is; it may come with ok == true (a warning) or ok == false (the operation failed or stopped).
// A failed write also says why, in failure; the message text stays the program's own.
struct StorageResult {
    bool ok = false;
    std::string message;
    WriteFailure failure = WriteFailure::kNone;
};

// GBK, a few words without final punctuation ("磁盘空间不够"); empty for kNone.
const std::string& WriteFailureText(WriteFailure failure);

// The message, and when a write failure is known, a second line "原因：...。" naming it.
std::string MessageWithReason(const StorageResult& result);

// Shown when a buffer cannot be allocated.
const std::string& OutOfMemoryMessage();

}  // namespace tallivo
