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
#include "session/print_run.h"
#include "session/print_services.h"
#include "text/message_sink.h"

class QPrinter;

namespace tallivo {

class PrintSession;
class TFormHistory;
class TFormHistoryServer;
class TFormPreview;
class TFormPrint;

// Said before the print dialog when it can offer only a file (GBK).
std::string PrintSystemAwayMessage();

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

    PrintServices& Services() { return services_; }
    PrintHistory& History() { return services_.History(); }
    AppSettings& Settings() { return services_.Settings(); }
    // A print runs: the print commands are off until it ends.
    bool Busy() const { return busy_; }

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
    // Prints the source's pages on the window's printer through the dialogs, `steps` showing
    // the pages' progress, and says what went wrong; nothing while another print runs.
    RunResult Print(FormsWorkspace& workspace, FormKind form, PageSource& source,
                    const PrintRequest& request, RunHost* steps = nullptr);

signals:
    void busyChanged(bool busy);

private:
    class WindowHost;
    void SetBusy(bool busy);
    // What became of a job, said once; true when it printed.
    bool Report(const PrintSession::Outcome& out);

    TFormPrint& window_;
    FormsWorkspace& workspace_;
    Prompter& prompter_;
    std::unique_ptr<PrintDialogs> ownDialogs_;
    PrintDialogs* dialogs_;
    std::unique_ptr<QPrinter> printer_;
    PrintResult last_;
    PrintServices services_;
    bool busy_ = false;
    QPointer<TFormHistory> historyWindow_;
};

}  // namespace tallivo
