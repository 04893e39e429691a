// Command line of tallivo-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "capture/capture_host.h"

namespace tallivo {

inline constexpr int kMaxCopies = 999;

struct FillOptions {
    std::vector<std::string> pages;
    // Order exports filled one page per order instead of pages.
    std::vector<std::string> orderFiles;
    std::string profile;     // a profile's name or file; empty: recognised by the header
    bool unprinted = false;  // leave out orders the history shows printed on this form
    FormKind form = FormKind::kFreightBill;
    std::string folder;       // empty: the program folder
    std::optional<int> site;  // 0 Taobao, 1 Paipai, 2 shipping info; empty: Config.pcf
    std::string templateArg;  // name or file; empty: the default template
    bool answerYes = false;
    std::optional<CaptureTime> now;  // empty: the clock
    std::optional<int> invoiceSn;    // empty: from Config.pcf
    std::string savePath;
    std::string pdfPath;
    int dpi = 600;
    bool withBackground = false;
    bool json = false;
    // --print prints to the default printer, --print=NAME to the named one.
    bool print = false;
    // `calibrate`: no pages; the calibration page of the freight-bill template instead.
    bool calibrate = false;
    std::string printer;
    int copies = 1;
    std::string historyDb;  // --history-db: sqlite:PATH or a PostgreSQL URI; empty: Tallivo.ini
};

struct ShowOptions {
    std::string file;
    std::string kind;  // empty: from the file name
    bool json = false;
};

struct HistoryOptions {
    std::string folder;  // empty: the program folder, chosen as for fill
    std::string trade;   // GBK; empty: every trade
    std::string since;   // "YYYY-MM-DD"; empty: from the first print
    bool json = false;
    std::string historyDb;  // as for fill
    bool sync = false;      // send the records waiting on this PC to the server
    bool import = false;    // copy this PC's own history file into the server
};

struct CliCommand {
    enum Kind { kFill, kShow, kHelp, kHistory } kind = kHelp;
    FillOptions fill;
    ShowOptions show;
    HistoryOptions history;
};

struct ParseOutcome {
    std::optional<CliCommand> command;
    std::string error;  // set when command is empty
};

ParseOutcome ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

// The history command's options after the verb.
ParseOutcome ParseHistoryCommand(const std::vector<std::string>& args);

// "YYYY-MM-DD hh:mm:ss", fields in range.
std::optional<CaptureTime> ParseClock(const std::string& text);

// The show kinds by their command-line names.
extern const char* const kShowKinds[7];
// Kind from a file name: the extension in any case, or the name Config.pcf; empty if unknown.
std::string KindFromFileName(const std::string& path);

}  // namespace tallivo
