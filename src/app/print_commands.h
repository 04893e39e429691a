// The window's print commands: "打印（&P）", "打印设置（&J）" and "打印预览（&W）", on the
// tool buttons and the File menu. Printing and preview draw through print/page_drawing.h, as
// tallivo-cli does.
#pragma once

#include <QObject>
#include <memory>

#include "forms/workspace.h"
#include "print/print_job.h"
#include "text/message_sink.h"

class QPrinter;

namespace tallivo {

class TFormPreview;
class TFormPrint;

// The print and page set-up dialogs; the window shows Qt's, tests answer.
class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;
    // The print dialog for this printer: true to print, false when the user cancels.
    virtual bool ChoosePrinter(QPrinter& printer) = 0;
    // The page set-up dialog; what it sets stays on the printer for the next print.
    virtual void SetUpPage(QPrinter& printer) = 0;
};

class PrintCommands : public QObject {
    Q_OBJECT
public:
    // Without dialogs, Qt's dialogs are shown over the window. Connects the six buttons and
    // items.
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

    void MenuItemPrintClick();
    void MenuItemPrintSetClick();
    // The new window, or null when there is nothing to draw a page from.
    TFormPreview* MenuItemPreviewClick();

private:
    TFormPrint& window_;
    FormsWorkspace& workspace_;
    Prompter& prompter_;
    std::unique_ptr<PrintDialogs> ownDialogs_;
    PrintDialogs* dialogs_;
    std::unique_ptr<QPrinter> printer_;
    PrintResult last_;
};

}  // namespace tallivo
