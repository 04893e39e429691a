#pragma once

#include <string>
#include <string_view>

namespace tallivo::browser {

inline constexpr char kCapturePageName[] = "CapturePage.htm";

// The page path: the program folder, a separator unless the folder already ends in one, and
// the page's name. `separator` is the platform's: "\" on Windows, where the folder is GBK text,
// and "/" elsewhere, where it is UTF-8.
std::string CapturePagePath(std::string_view program_folder, char separator);

// The 33 lines of the page in GBK, each ending in CR LF. `gbk_program_path` is the full path of
// the executable; the page's command line holds it with every "\" turned into "/", unquoted.
std::string CapturePageBytes(std::string_view gbk_program_path);

}  // namespace tallivo::browser
