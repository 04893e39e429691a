#include "app/print_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QPrinter>
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
      settings_(workspace.ProgramFolder()),
      history_(MakeHistory(settings_.History(), workspace.ProgramFolder())) {
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
    if (history_->Queued() > 0)
        QTimer::singleShot(0, this, [this] {
            const SyncResult sent = history_->SendQueue();
            if (!sent.message.empty()) prompter_.ShowMessage(sent.message);
        });

    ui.CheckBoxReprintWarning->setChecked(settings_.ReprintWarning());
    connect(ui.CheckBoxReprintWarning, &QCheckBox::toggled, this, [this](bool on) {
        settings_.SetReprintWarning(on);
        settings_.Sync();
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
        const std::string last = settings_.LastPrinter();
        std::string error;
        if (!last.empty()) SelectPrinter(*printer_, QString::fromStdString(last), &error);
    }
    return *printer_;
}

void PrintCommands::MenuItemPrintClick() {
    const std::optional<FormKind> form = FormOf(workspace_.CurrentTab());
    if (!form) return;
    if (*form == FormKind::kFreightBill ? workspace_.FreightBillUnsaved()
                                        : workspace_.InvoiceUnsaved()) {
        // Printing goes on whatever the save did.
        workspace_.MenuItemSaveClick();
    }
    PrintSession session(workspace_, *form);
    if (!session.HasPage(prompter_)) return;
    // Asked before the print dialog: a seller who did print this order need not choose a
    // printer first.
    const HistoryRecord record = session.Record();
    if (!session.ConfirmReprint(prompter_, record)) return;
    QPrinter& printer = Printer();
    if (!dialogs_->ChoosePrinter(printer)) return;
    session.SetPrinter(&printer);
    // What fits depends on the printer's resolution and fonts.
    if (!PrintSession::ConfirmFit(prompter_, session.CheckFit())) return;
    session.AddPage(prompter_, true, record);
    if (!FinishSession(session)) return;
    if (historyWindow_) historyWindow_->Refresh();
}

bool PrintCommands::FinishSession(PrintSession& session) {
    const PrintSession::Outcome out = session.Finish(
        [this](const JobProgress& progress) { return dialogs_->JobProgressed(progress); });
    dialogs_->JobFollowed();
    last_ = out.print;
    if (!last_.ok) {
        prompter_.ShowMessage(NotPrintedMessage(last_, QStringToGbk(Printer().printerName())));
        return false;
    }
    settings_.SetLastPrinter(Printer().printerName().toStdString());
    settings_.Sync();
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
        picture = PrintSession(workspace_, *form)
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
        historyWindow_ = new TFormHistory(history_.get(), &prompter_, &window_);
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
        new TFormHistoryServer(settings_, workspace_.ProgramFolder(), prompter_, &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &TFormHistoryServer::locationChanged, this, [this] {
        // The window lists the history it was opened on; it goes with it.
        if (historyWindow_) historyWindow_->close();
        history_ = MakeHistory(settings_.History(), workspace_.ProgramFolder());
    });
    dialog->open();
    return dialog;
}

void PrintCommands::MenuItemCalibrateClick() {
    const FreightBillForm& bill = workspace_.FreightBill();
    QPrinter& printer = Printer();
    if (!dialogs_->ChoosePrinter(printer)) return;
    PrintSession session(workspace_, FormKind::kFreightBill);
    session.SetPrinter(&printer);
    session.AddCalibrationPage();
    if (!FinishSession(session)) return;
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
