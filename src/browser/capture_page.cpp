#include "browser/capture_page.h"

#include <cstddef>

#include "text/gbk_codec.h"

namespace tallivo::browser {

namespace {

// Whether the last character of a GBK text is a backslash, not a two-byte character whose
// trail byte happens to be 0x5C.
bool EndsInBackslash(std::string_view gbk) {
    bool last_is_backslash = false;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto byte = static_cast<unsigned char>(gbk[i]);
        last_is_backslash = byte == '\\';
        if (byte >= 0x81 && i + 1 < gbk.size()) ++i;
    }
    return last_is_backslash;
}

}  // namespace

std::string CapturePagePath(std::string_view program_folder, char separator) {
    std::string path(program_folder);
    const bool ends_in_separator =
        separator == '\\' ? EndsInBackslash(path) : !path.empty() && path.back() == separator;
    if (!ends_in_separator) path.push_back(separator);
    return path + kCapturePageName;
}

std::string CapturePageBytes(std::string_view gbk_program_path) {
    std::string command(gbk_program_path);
    // A GBK trail byte may be 0x5C too; only a backslash character becomes "/", so a folder
    // name in Chinese is not broken.
    for (std::size_t i = 0; i < command.size(); ++i) {
        const auto byte = static_cast<unsigned char>(command[i]);
        if (byte >= 0x81 && i + 1 < command.size()) {
            ++i;
        } else if (byte == '\\') {
            command[i] = '/';
        }
    }

    const char* const head[] = {
        "<html>",
        u8"//由《Tallivo》自动产生，请勿手工修改！",
        u8"//版权所有 (C) Tallivo 开发者。本页面随 Tallivo 分发，仅供 Tallivo 使用。",
        "<head>",
        "</head>",
        "<body>",
        "<script language = \"JavaScript\">",
        "  function exec (command) {",
        "    window.oldOnError = window.onerror;",
        "    window._command = command;",
        "    window.onerror = function (err) {",
        "      if (err.indexOf('automation') != -1) {",
        u8"        alert('命令' + window._command + ' 已经被用户禁止！');",
        "        return true;",
        "      }",
        "      else",
        "        return false;",
        "    };",
        "    var wsh = new ActiveXObject('WScript.Shell');",
        "    if (wsh)",
        "      wsh.Run(command);",
        "    window.onerror = window.oldOnError;",
        "  }",
        "  var doc = external.menuArguments.document;",
        "  var rng = doc.selection.createRange();",
        "  var str = rng.text;",
        "  if(str.length == 0)",
        "    str = doc.documentElement.innerText;",
        "  clipboardData.setData('text', str);",
    };
    const char* const tail[] = {"</script>", "</body>", "</html>"};

    std::string page;
    for (const char* line : head) page += Gbk(line) + "\r\n";
    page += "  exec('" + command + " From Web Page');\r\n";
    for (const char* line : tail) page += std::string(line) + "\r\n";
    return page;
}

}  // namespace tallivo::browser
