// The window's print commands: "打印（&P）", "打印设置（&J）" and "打印预览（&W）", on the
// tool buttons and the File menu. Printing, preview and calibration run through the print
// session, as tallivo-cli does.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "app/print_dialogs.h"
#include "forms/workspace.h"
#include "history/print_history.h"
#include "print/print_job.h"
#include "session/app_settings.h"
#include "text/message_sink.h"

class QPrinter;

namespace tallivo {

class PrintSession;
class TFormHistory;
class TFormHistoryServer;
class TFormPreview;
class TFormPrint;

class PrintCommands : public QObject {
    Q_OBJECT
public:
    // Without dialogs, Qt's dialogs are shown over the window. Connects the six buttons and
    // items, the history and calibration items and the reprint-warning check box. The print
    // history and the settings are those of the workspace's program folder.
    PrintCommands(TFormPrint& window, FormsWorkspace& workspace, Prompter& prompter,
                  PrintDialogs* dialogs = nullptr, QObject* parent = nullptr);
    ~PrintCommands() override;

    // Null goes back to Qt's dialogs.
    void SetDialogs(PrintDialogs* dialogs);
    // The one printer of the window: the page set-up and the print dialog leave their choices
    // on it for the next print.
    QPrinter& Printer();
    // How the last print went.
    const PrintResult& LastPrint() const { return last_; }

    PrintHistory& History() { return *history_; }
    AppSettings& Settings() { return settings_; }

    // Saves an unsaved form first, asks about a reprint (when the warning is on), lets the user
    // choose the printer, asks about what does not fit, prints and records the print.
    void MenuItemPrintClick();
    void MenuItemPrintSetClick();
    // The new window, or null when there is nothing to draw a page from. What would not fit on
    // paper is marked in red.
    TFormPreview* MenuItemPreviewClick();
    // The history window, one per main window, shown again when open.
    TFormHistory* MenuItemHistoryClick();
    // Where the history lives; a new place is used from the next print, and an open history
    // window closes.
    TFormHistoryServer* MenuItemHistoryServerClick();
    // Prints the calibration page with the freight bill's width and offsets.
    void MenuItemCalibrateClick();
    // The record's form tab, from its template, with the record's values in its keywords.
    void Reprint(const HistoryRecord& record);

    // The dialogs in use, for the order list's print.
    PrintDialogs& Dialogs() { return *dialogs_; }
    // Finishes the session's job, following it with progress, and says what went wrong or
    // what kept the history from recording it; true when it printed.
    bool FinishSession(PrintSession& session);

private:
    TFormPrint& window_;
    FormsWorkspace& workspace_;
    Prompter& prompter_;
    std::unique_ptr<PrintDialogs> ownDialogs_;
    PrintDialogs* dialogs_;
    std::unique_ptr<QPrinter> printer_;
    PrintResult last_;
    AppSettings settings_;
    std::unique_ptr<PrintHistory> history_;
    QPointer<TFormHistory> historyWindow_;
};

}  // namespace tallivo
