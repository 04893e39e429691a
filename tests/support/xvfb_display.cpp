#include "support/xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace tallivo::testing {

XvfbDisplay::XvfbDisplay() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "cannot make a pipe for Xvfb";
        return;
    }
    pid_ = fork();
    if (pid_ < 0) {
        error_ = "cannot fork Xvfb";
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid_ == 0) {
        // -displayfd lets Xvfb choose a free number and tell it once it accepts clients.
        dup2(fds[1], 3);
        const int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    // Xvfb writes the number and a line end; a slow machine may need seconds.
    while (number.find('\n') == std::string::npos) {
        if (poll(&wait, 1, 20000) <= 0) break;
        char buffer[16];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        number.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        error_ = "Xvfb did not start (is the xvfb package installed?)";
        return;
    }
    number.erase(number.find('\n'));
    name_ = ":" + number;
    setenv("DISPLAY", name_.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
}

XvfbDisplay::~XvfbDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace tallivo::testing
