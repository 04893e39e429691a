#include "app/print_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>

#include "app/tform_history.h"
#include "app/tform_history_server.h"
#include "app/tform_preview.h"
#include "app/tform_print.h"
#include "forms/form_values.h"
#include "history/record_from_forms.h"
#include "print/calibration_page.h"
#include "session/print_session.h"
#include "storage/storage_result.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

class QtPrintDialogs : public PrintDialogs {
public:
    explicit QtPrintDialogs(QWidget* owner) : owner_(owner) {}
    bool ChoosePrinter(QPrinter& printer) override {
        QPrintDialog dialog(&printer, owner_);
        return dialog.exec() == QDialog::Accepted;
    }
    void SetUpPage(QPrinter& printer) override {
        QPageSetupDialog dialog(&printer, owner_);
        dialog.exec();
    }
    std::optional<QPointF> MeasuredFirstMark(QPointF expectedMm) override {
        QDialog dialog(owner_);
        dialog.setWindowTitle(QString::fromUtf8(u8"校准打印偏移"));
        auto* form = new QFormLayout(&dialog);
        form->addRow(
            new QLabel(QString::fromUtf8(u8"请量出第1个十字（应在 %1, %2 毫米处）的实际位置：")
                           .arg(expectedMm.x())
                           .arg(expectedMm.y())));
        QDoubleSpinBox* x = MeasureBox(expectedMm.x());
        QDoubleSpinBox* y = MeasureBox(expectedMm.y());
        form->addRow(QString::fromUtf8(u8"距纸左边（毫米）："), x);
        form->addRow(QString::fromUtf8(u8"距纸上边（毫米）："), y);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        form->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return QPointF(x->value(), y->value());
    }

    bool JobProgressed(const JobProgress& progress) override {
        if (!progress_) {
            progress_ = std::make_unique<QProgressDialog>(owner_);
            progress_->setWindowTitle(QString::fromUtf8(u8"等待打印"));
            progress_->setCancelButtonText(QString::fromUtf8(u8"不再等待"));
            progress_->setWindowModality(Qt::WindowModal);
            progress_->setMinimumDuration(500);
            progress_->setRange(0, std::max(1, progress.boundMs));
        }
        QString text =
            QString::fromUtf8(u8"打印任务（%1号）已送往打印机“%2”，%3")
                .arg(progress.jobId)
                .arg(progress.queue, QString::fromUtf8(progress.state == JobState::kProcessing
                                                           ? u8"正在打印……"
                                                           : u8"正在排队等待打印……"));
        if (!progress.queueMessage.empty())
            text +=
                QString::fromUtf8(u8"\n打印机：") + QString::fromStdString(progress.queueMessage);
        progress_->setLabelText(text);
        // Once shown, the modal dialog takes the user's input itself; before, none is taken, so
        // no second print can start inside this one.
        progress_->setValue(std::min(progress.elapsedMs, progress_->maximum() - 1));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return !progress_->wasCanceled();
    }
    void JobFollowed() override { progress_.reset(); }

private:
    static QDoubleSpinBox* MeasureBox(double value) {
        auto* box = new QDoubleSpinBox;
        box->setRange(0, 500);
        box->setDecimals(1);
        box->setValue(value);
        return box;
    }

    QWidget* owner_;
    std::unique_ptr<QProgressDialog> progress_;
};

std::string PrintFailedMessage(const std::string& reason) {
    return Gbk(u8"打印失败，打印任务已取消。\n原因：") + Utf8ToGbk(reason);
}

// What the seller is told of a job that did not print, in the queue's own words where it has any.
std::string NotPrintedMessage(const PrintResult& r, const QString& queue) {
    const std::string q = Utf8ToGbk(queue.toStdString());
    const std::string job = std::to_string(r.jobId);
    std::string text;
    switch (r.state) {
        case JobState::kSpoolFailed:
            return Gbk(u8"打印任务无法完整写入临时文件夹，没有送往打印机，本次没有打印。"
                       u8"请检查磁盘空间。\n") +
                   Utf8ToGbk(r.error);
        case JobState::kStopped:
            text = Gbk(u8"打印机“") + q + Gbk(u8"”已停止，本次没有打印。");
            break;
        case JobState::kHeld:
            text = Gbk(u8"打印任务（") + job + Gbk(u8"号）在打印机“") + q +
                   Gbk(u8"”上被挂起，本次没有打印。");
            break;
        case JobState::kCancelled:
            text = Gbk(u8"打印任务（") + job + Gbk(u8"号）在打印机“") + q +
                   Gbk(u8"”上被取消，本次没有打印。");
            break;
        case JobState::kAborted:
            text = Gbk(u8"打印机“") + q + Gbk(u8"”中止了打印任务（") + job +
                   Gbk(u8"号），本次没有打印。");
            break;
        case JobState::kPending:
            text = Gbk(u8"打印任务（") + job + Gbk(u8"号）仍在打印机“") + q +
                   Gbk(u8"”的队列中等待，尚未打印，未记入打印记录。");
            break;
        default:
            return PrintFailedMessage(r.error);
    }
    if ((r.state == JobState::kStopped || r.state == JobState::kHeld) && r.cancelled)
        text += Gbk(u8"打印任务已取消。");
    if (!r.queueMessage.empty()) text += Gbk(u8"\n打印机的说明：") + Utf8ToGbk(r.queueMessage);
    return text;
}

}  // namespace

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
        prompter_.ShowMessage(NotPrintedMessage(last_, Printer().printerName()));
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
        // The tab change starts the form from its template.
        tabs->setCurrentIndex(tab);
    } else {
        workspace_.ResetCurrentForm();
    }
    FillFromValues(workspace_, RecordFormValues(record));
}

}  // namespace tallivo
