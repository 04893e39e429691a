// Settings of our own that Config.pcf has no line for, in "Tallivo.ini" beside it (INI format):
// Config.pcf keeps exactly its six lines.
#pragma once

#include <QSettings>
#include <memory>
#include <string>

#include "history/history_location.h"

namespace tallivo {

class AppSettings {
public:
    // The settings file of a program folder.
    explicit AppSettings(const std::string& programFolder);
    ~AppSettings();

    static const char* FileName();  // "Tallivo.ini"
    QString Path() const;

    // Ask before printing a trade number again on the same kind of form. On by default.
    bool ReprintWarning() const;
    void SetReprintWarning(bool on);

    // The print queue chosen last in the window, offered first the next time; empty for none.
    std::string LastPrinter() const;
    void SetLastPrinter(const std::string& utf8Name);

    // Where the print history lives; the SQLite file beside the program unless set.
    HistoryLocation History() const;
    void SetHistory(const HistoryLocation& location);

    // Writes what was set; false when the file cannot be written.
    bool Sync();

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace tallivo
