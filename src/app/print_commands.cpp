#include "app/print_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>

#include "app/tform_history.h"
#include "app/tform_history_server.h"
#include "app/tform_preview.h"
#include "app/tform_print.h"
#include "forms/form_values.h"
#include "history/record_from_forms.h"
#include "orders/gbk_string.h"
#include "print/calibration_page.h"
#include "session/print_session.h"
#include "storage/storage_result.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo {

PrintCommands::PrintCommands(TFormPrint& window, FormsWorkspace& workspace, Prompter& prompter,
                             PrintDialogs* dialogs, QObject* parent)
    : QObject(parent),
      window_(window),
      workspace_(workspace),
      prompter_(prompter),
      services_(workspace.ProgramFolder()) {
    setObjectName(QStringLiteral("PrintCommands"));
    ownDialogs_ = std::make_unique<QtPrintDialogs>(&window_);
    SetDialogs(dialogs);

    Ui::TFormPrint& ui = *window_.ui();
    const auto both = [this](QAction* item, QAbstractButton* button, auto command) {
        connect(item, &QAction::triggered, this, command);
        connect(button, &QAbstractButton::clicked, this, command);
    };
    both(ui.MenuItemPrint, ui.SpeedButtonPrint, [this] { MenuItemPrintClick(); });
    both(ui.MenuItemPrintSet, ui.SpeedButtonPrinterSetup, [this] { MenuItemPrintSetClick(); });
    both(ui.MenuItemPreview, ui.SpeedButtonPreview, [this] { MenuItemPreviewClick(); });
    connect(ui.MenuItemHistory, &QAction::triggered, this, [this] { MenuItemHistoryClick(); });
    connect(ui.MenuItemHistoryServer, &QAction::triggered, this,
            [this] { MenuItemHistoryServerClick(); });
    connect(ui.MenuItemCalibrate, &QAction::triggered, this, [this] { MenuItemCalibrateClick(); });

    // Prints kept on this PC while the server was away go to it once the window is up.
    if (History().Queued() > 0)
        QTimer::singleShot(0, this, [this] {
            const SyncResult sent = History().SendQueue();
            if (!sent.message.empty()) prompter_.ShowMessage(sent.message);
        });

    ui.CheckBoxReprintWarning->setChecked(Settings().ReprintWarning());
    connect(ui.CheckBoxReprintWarning, &QCheckBox::toggled, this, [this](bool on) {
        Settings().SetReprintWarning(on);
        Settings().Sync();
    });
}

PrintCommands::~PrintCommands() = default;

void PrintCommands::SetDialogs(PrintDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : ownDialogs_.get();
}

QPrinter& PrintCommands::Printer() {
    // Made on first use: asking the print system for its queues has no place in start-up.
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The queue chosen last is offered first, while it still exists.
        const std::string last = Settings().LastPrinter();
        std::string error;
        if (!last.empty()) SelectPrinter(*printer_, QString::fromStdString(last), &error);
    }
    return *printer_;
}

// The window's side of a run: its printer and dialogs, and another's progress of the pages.
class PrintCommands::WindowHost : public RunHost {
public:
    WindowHost(PrintCommands& commands, RunHost* steps) : commands_(commands), steps_(steps) {}
    QPrinter* ChoosePrinter() override {
        // Without its print system the dialog offers only a file: the seller hears why first.
        if (QPrinterInfo::availablePrinterNames().isEmpty())
            commands_.prompter_.ShowMessage(PrintSystemAwayMessage());
        QPrinter& printer = commands_.Printer();
        return commands_.dialogs_->ChoosePrinter(printer) ? &printer : nullptr;
    }
    bool Step(int done, int total) override { return !steps_ || steps_->Step(done, total); }
    void StepsDone() override {
        if (steps_) steps_->StepsDone();
    }
    bool JobProgressed(const JobProgress& progress) override {
        return commands_.dialogs_->JobProgressed(progress);
    }
    void JobFollowed() override { commands_.dialogs_->JobFollowed(); }

private:
    PrintCommands& commands_;
    RunHost* steps_;
};

std::string PrintSystemAwayMessage() {
    return Gbk(
        u8"无法连接打印系统，或者没有安装打印机，现在只能打印到文件。"
        u8"打印到文件不算打印，不记入打印记录。");
}

void PrintCommands::SetBusy(bool busy) {
    busy_ = busy;
    Ui::TFormPrint& ui = *window_.ui();
    for (QAction* item : {ui.MenuItemPrint, ui.MenuItemPrintSet, ui.MenuItemCalibrate})
        item->setEnabled(!busy);
    ui.SpeedButtonPrint->setEnabled(!busy);
    ui.SpeedButtonPrinterSetup->setEnabled(!busy);
    emit busyChanged(busy);
}

RunResult PrintCommands::Print(FormsWorkspace& workspace, FormKind form, PageSource& source,
                               const PrintRequest& request, RunHost* steps) {
    if (busy_) {
        RunResult none;
        none.stopped = true;
        return none;
    }
    SetBusy(true);
    WindowHost host(*this, steps);
    PrintRun run(workspace, form, services_);
    RunResult result = run.Run(source, host, prompter_, request);
    if (result.out.printAsked) Report(result.out);
    if (!result.numbersMessage.empty()) prompter_.ShowMessage(result.numbersMessage);
    if (result.out.print.ok && historyWindow_) historyWindow_->Refresh();
    SetBusy(false);
    return result;
}

void PrintCommands::MenuItemPrintClick() {
    const std::optional<FormKind> form = FormOf(workspace_.CurrentTab());
    if (!form || busy_) return;
    if (*form == FormKind::kFreightBill ? workspace_.FreightBillUnsaved()
                                        : workspace_.InvoiceUnsaved()) {
        // Printing goes on whatever the save did.
        workspace_.MenuItemSaveClick();
    }
    ShownForm shown;
    Print(workspace_, *form, shown, PrintRequest{});
}

bool PrintCommands::Report(const PrintSession::Outcome& out) {
    last_ = out.print;
    if (!last_.ok) {
        prompter_.ShowMessage(NotPrintedMessage(last_, QStringToGbk(Printer().printerName())));
        return false;
    }
    if (!last_.toFile) {
        Settings().SetLastPrinter(Printer().printerName().toStdString());
        Settings().Sync();
    }
    if (!out.historyNote.empty()) prompter_.ShowMessage(out.historyNote);
    return true;
}

void PrintCommands::MenuItemPrintSetClick() {
    dialogs_->SetUpPage(Printer());
}

TFormPreview* PrintCommands::MenuItemPreviewClick() {
    const Tab tab = workspace_.CurrentTab();
    QImage picture;
    if (const std::optional<FormKind> form = FormOf(tab)) {
        picture = PrintSession(workspace_, *form, services_)
                      .Preview(window_.logicalDpiX(), window_.logicalDpiY(), prompter_);
        if (picture.isNull()) return nullptr;
    }
    auto* preview = new TFormPreview(&window_);
    if (tab == kTabFreightBill) {
        preview->setWindowTitle(QString::fromUtf8(u8"预览货运单"));
    } else if (tab == kTabInvoice) {
        preview->setWindowTitle(QString::fromUtf8(u8"预览发货单"));
    }
    preview->ShowPicture(picture);
    return preview;
}

TFormHistory* PrintCommands::MenuItemHistoryClick() {
    if (!historyWindow_) {
        historyWindow_ = new TFormHistory(&History(), &prompter_, &window_);
        historyWindow_->setAttribute(Qt::WA_DeleteOnClose);
        connect(historyWindow_, &TFormHistory::reprintRequested, this, &PrintCommands::Reprint);
    } else {
        historyWindow_->Refresh();
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
    return historyWindow_;
}

TFormHistoryServer* PrintCommands::MenuItemHistoryServerClick() {
    auto* dialog =
        new TFormHistoryServer(Settings(), workspace_.ProgramFolder(), prompter_, &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &TFormHistoryServer::locationChanged, this, [this] {
        // The window lists the history it was opened on; it goes with it.
        if (historyWindow_) historyWindow_->close();
        services_.UseHistory(Settings().History());
    });
    dialog->open();
    return dialog;
}

void PrintCommands::MenuItemCalibrateClick() {
    if (busy_) return;
    const FreightBillForm& bill = workspace_.FreightBill();
    QPrinter& printer = Printer();
    if (!dialogs_->ChoosePrinter(printer)) return;
    PrintSession session(workspace_, FormKind::kFreightBill, services_);
    session.SetPrinter(&printer);
    session.AddCalibrationPage();
    SetBusy(true);
    const bool printed = Report(session.Finish(
        [this](const JobProgress& progress) { return dialogs_->JobProgressed(progress); }));
    dialogs_->JobFollowed();
    SetBusy(false);
    if (!printed) return;
    // The user measures where the first mark landed; the offsets move it where it belongs.
    const CalibrationMark& first = CalibrationMarks().front();
    const std::optional<QPointF> measured =
        dialogs_->MeasuredFirstMark(QPointF(first.xMm, first.yMm));
    if (!measured) return;
    Ui::TFormPrint& ui = *window_.ui();
    ui.CSpinEditBiasX->setValue(CorrectedOffset(bill.biasX, first.xMm, measured->x()));
    ui.CSpinEditBiasY->setValue(CorrectedOffset(bill.biasY, first.yMm, measured->y()));
}

void PrintCommands::Reprint(const HistoryRecord& record) {
    const Tab tab = TabOf(record.form);
    QTabWidget* tabs = window_.ui()->PageControlPrint;
    if (tabs->currentIndex() != tab) {
        // The tab change starts the form from its template, or stays when a save failed.
        tabs->setCurrentIndex(tab);
        if (tabs->currentIndex() != tab) return;
    } else {
        workspace_.ResetCurrentForm();
    }
    // What the record did not keep prints empty, never as its keyword.
    FillFromValues(workspace_, WithMissingEmptied(RecordFormValues(record)));
    // The form is in the main window, behind the history and the order list.
    if (window_.isMinimized()) window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

}  // namespace tallivo
