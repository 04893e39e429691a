#include "cli/cli_io.h"

#include <unistd.h>

#include <filesystem>

#include "text/gbk_codec.h"
#include "text/page_text.h"
#include "text/text_search.h"

namespace tallivo {

std::string PageTextToGbk(std::string bytes) {
    return PageBytesToGbk(bytes);
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

void PrintMessage(const std::string& gbk) {
    const std::string utf8 = GbkToUtf8(gbk);
    std::fprintf(stderr, "%s\n", utf8.c_str());
}

Progress::Progress(int total, std::FILE* out)
    : total_(total), out_(out), enabled_(total > 1 && isatty(fileno(out)) == 1) {}

Progress::~Progress() {
    Finish();
}

void Progress::Step(int done) {
    if (!enabled_) return;
    std::fprintf(out_, "\r%d/%d", done, total_);
    std::fflush(out_);
    shown_ = true;
}

void Progress::Clear() {
    if (!shown_) return;
    std::fprintf(out_, "\r\033[K");
    shown_ = false;
}

void Progress::Finish() {
    if (shown_) std::fprintf(out_, "\n");
    shown_ = false;
}

}  // namespace tallivo
