// Reading pages, writing to the terminal and the batch progress line.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace tallivo {

// A page file's bytes as GBK: a byte-order mark (UTF-8, UTF-16) or mostly valid UTF-8 is
// converted, anything else is taken as GBK already. Bare LF line ends become CR LF.
std::string PageTextToGbk(std::string bytes);

// The path made absolute, as a file dialog would hand it over; unchanged when that fails.
std::string FullPath(const std::string& path);

// Prints a GBK message to standard error in UTF-8, one line.
void PrintMessage(const std::string& gbk);

// "done of total" on standard error, rewritten in place, only when standard error is a
// terminal; silent otherwise.
class Progress {
public:
    explicit Progress(int total, std::FILE* out = stderr);
    ~Progress();
    void Step(int done);
    // Clears the progress line so that a message can take it.
    void Clear();
    void Finish();

private:
    int total_;
    std::FILE* out_;
    bool enabled_;
    bool shown_ = false;
};

}  // namespace tallivo
