// An X server of the test's own: Xvfb on a display number it picks itself, so that window tests
// see focus, activation and the clipboard as on a desktop, which the offscreen platform hides.
// The machine's own display is never used. Programs the test starts inherit DISPLAY.
#pragma once

#include <sys/types.h>

#include <string>

namespace tallivo::testing {

class XvfbDisplay {
public:
    // Starts Xvfb and points DISPLAY at it; Error() says why when that failed.
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool Ready() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    // ":N"
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
    std::string error_;
};

}  // namespace tallivo::testing
