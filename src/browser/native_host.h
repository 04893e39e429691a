#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tallivo::browser {

// What tallivo-browser-host needs to know: whom to hand the text to, and what to start when
// nobody runs.
struct NativeHostSettings {
    QString title;
    QString program;            // `tallivo`, beside the host
    int start_wait_ms = 15000;  // how long a freshly started copy may take to listen
};

// Handles one request body and returns the JSON reply: the page text goes to the running copy
// as a page-text record, GBK, after starting the program when none runs.
std::string HandleCaptureMessage(std::string_view json, const NativeHostSettings& settings);

// Serves requests from `in_fd` until it closes; replies go to `out_fd`. Returns the exit status:
// 0 at a clean end of the input, 1 when it ended inside a message or a message was too large.
int RunNativeHost(int in_fd, int out_fd, const NativeHostSettings& settings);

// Starts `program` without arguments in a session of its own, detached from the host's
// standard streams, so that the browser closing the host does not end it.
bool LaunchDetached(const QString& program);

}  // namespace tallivo::browser
