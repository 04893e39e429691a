#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tallivo {

// Paths are UTF-8 as the file system takes them; GBK names are converted by the callers below.

// Folder plus name, with "/" between them when the folder does not already end in one.
std::string JoinPath(const std::string& folder, const std::string& name);

// The whole file, or its first `limit` bytes; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t limit = static_cast<std::size_t>(-1));

// Writes to a temporary file beside `path`, flushes it to disk and renames it into place, so the
// old file stays intact unless the new one is complete. False on any failure; the temporary file
// is removed then.
bool WriteFileReplacing(const std::string& path, std::string_view bytes);

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
