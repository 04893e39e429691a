// What every print of one front end shares: its settings and its one print history, made once
// per window (or command) and handed to each run.
#pragma once

#include <memory>
#include <string>

#include "history/print_history.h"
#include "session/app_settings.h"

namespace tallivo {

class PrintServices {
public:
    // The settings of the program folder and the history they name.
    explicit PrintServices(const std::string& programFolder);
    ~PrintServices();
    PrintServices(const PrintServices&) = delete;
    PrintServices& operator=(const PrintServices&) = delete;

    const std::string& ProgramFolder() const { return folder_; }
    AppSettings& Settings() { return settings_; }
    PrintHistory& History() { return *history_; }
    // From now on the history lives here (a place chosen in the window, or --history-db).
    void UseHistory(const HistoryLocation& location);

private:
    std::string folder_;
    AppSettings settings_;
    std::unique_ptr<PrintHistory> history_;
};

}  // namespace tallivo
