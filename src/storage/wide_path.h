#pragma once

#include <string>
#include <string_view>

namespace tallivo {

// UTF-8 and the UTF-16 of Windows' file calls. Empty for a path that is not valid UTF-8 (or
// UTF-16), which no file can be named by. Only the Windows half of the storage layer uses these.
std::wstring WidePath(std::string_view utf8);
std::string Utf8Path(std::wstring_view wide);

}  // namespace tallivo
