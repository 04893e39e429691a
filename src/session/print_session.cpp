#include "session/print_session.h"

#include <QPainter>
#include <algorithm>
#include <new>

#include "history/record_from_forms.h"
#include "print/calibration_page.h"
#include "print/pdf_output.h"
#include "print/renderers.h"
#include "storage/storage_result.h"
#include "tallivo_version.h"
#include "text/gbk_codec.h"

#ifdef TALLIVO_HAVE_PRINTING
#include <QPrinter>

#include "print/print_job.h"
#else
namespace tallivo {
// Stands in for the job where nothing can print; never made.
class PrintJob {};
}  // namespace tallivo
#endif

namespace tallivo {

namespace {

// Collects what the history says, so that one print brings one message.
class NoteTaker : public Prompter {
public:
    void ShowMessage(const std::string& text) override {
        if (text.empty() || note.find(text) != std::string::npos) return;
        note += note.empty() ? text : "\n" + text;
    }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    std::string note;
};

}  // namespace

bool PrintingAvailable() {
#ifdef TALLIVO_HAVE_PRINTING
    return true;
#else
    return false;
#endif
}

PrintSession::PrintSession(FormsWorkspace& workspace, FormKind form, PrintServices& services)
    : workspace_(workspace), form_(form), services_(services) {}

PrintSession::~PrintSession() = default;

void PrintSession::PrinterDeleter::operator()(QPrinter* printer) const {
#ifdef TALLIVO_HAVE_PRINTING
    delete printer;
#else
    (void)printer;
#endif
}

void PrintSession::SetPdf(const std::string& path, int dpi, bool withBackground) {
    pdfPath_ = path;
    pdfDpi_ = dpi;
    pdfBackground_ = withBackground;
    pdf_ = path.empty() ? nullptr : std::make_unique<PdfOutput>(path, dpi);
}

void PrintSession::SetPrinter(QPrinter* printer) {
    printer_ = printer;
    coverage_.reset();
}

bool PrintSession::UsePrintQueue(const std::string& name, int copies, std::string* error) {
#ifdef TALLIVO_HAVE_PRINTING
    ownPrinter_.reset(new QPrinter(QPrinter::HighResolution));
    if (!SelectPrinter(*ownPrinter_, QString::fromStdString(name), error)) {
        ownPrinter_.reset();
        return false;
    }
    ownPrinter_->setCopyCount(copies);
    printer_ = ownPrinter_.get();
    coverage_.reset();
    return true;
#else
    (void)name, (void)copies;
    *error = "printing is not available in this build";
    return false;
#endif
}

std::string PrintSession::PrinterName() const {
#ifdef TALLIVO_HAVE_PRINTING
    if (printer_) return printer_->printerName().toStdString();
#endif
    return std::string();
}

int PrintSession::Copies() const {
#ifdef TALLIVO_HAVE_PRINTING
    if (printer_) return printer_->copyCount();
#endif
    return 1;
}

QString PrintSession::JobTitle() const {
    const QString title = QString::fromUtf8(kApplicationTitle);
    if (calibration_) return title + QString::fromUtf8(kCalibrationJobSuffix);
#ifdef TALLIVO_HAVE_PRINTING
    return PrintJobTitle(kApplicationTitle, form_);
#else
    return title;
#endif
}

PageOptions PrintSession::PdfOptions() const {
    PageOptions options = PageOptions::AtDpi(pdfDpi_, pdfDpi_);
    options.withBackground = pdfBackground_;
    if (!FreightBill()) options.paper = A4PageSize(options);
    return options;
}

PageOptions PrintSession::Options() const {
#ifdef TALLIVO_HAVE_PRINTING
    if (printer_)
        return FreightBill() ? PrinterPageOptions(*printer_) : PrinterInvoiceOptions(*printer_);
#endif
    return PdfOptions();
}

std::optional<PageSize> PrintSession::SizeAt(const PageOptions& options) const {
    if (FreightBill()) return FreightBillPageSize(workspace_.FreightBill(), options);
    return InvoicePageSize(workspace_.Invoice(), options);
}

void PrintSession::Draw(QPainter& painter, const PageOptions& options) const {
    if (FreightBill()) {
        DrawFreightBillPage(painter, workspace_.FreightBill(), options);
    } else {
        DrawInvoicePage(painter, workspace_.Invoice(), options);
    }
}

std::vector<FitFinding> PrintSession::CheckFit() const {
    const QPaintDevice* device = nullptr;
#ifdef TALLIVO_HAVE_PRINTING
    device = printer_;
#endif
    if (!printer_ && pdfDpi_ <= 0) return {};
    const PageOptions options = Options();
    if (!coverage_ || coverage_->Device() != device)
        coverage_ = std::make_unique<FontCoverage>(device);
    return FreightBill()
               ? CheckFreightBillFit(workspace_.FreightBill(), options, device, coverage_.get())
               : CheckInvoiceFit(workspace_.Invoice(), options, device, coverage_.get());
}

bool PrintSession::HasPage(Prompter& prompter) const {
    if (FreightBill() && workspace_.FreightBill().background.isNull()) {
        prompter.ShowMessage(NoBackgroundMessage());
        return false;
    }
    return true;
}

HistoryRecord PrintSession::Record() const {
    return RecordForPrint(workspace_, form_, Utf8ToGbk(PrinterName()), Copies());
}

bool PrintSession::ConfirmFit(Prompter& prompter, const std::vector<FitFinding>& findings) {
    return findings.empty() || prompter.AskYesNo(FitQuestionCaption(), FitQuestion(findings));
}

bool PrintSession::StartJob() {
#ifdef TALLIVO_HAVE_PRINTING
    if (!job_ && printer_) job_ = std::make_unique<PrintJob>(*printer_, JobTitle());
#endif
    return job_ != nullptr;
}

void PrintSession::AbandonJob() {
    job_.reset();
    printed_.clear();
}

bool PrintSession::AddPage(Prompter& prompter, bool print, HistoryRecord record, bool toPdf) {
    if (!HasPage(prompter)) return false;
    print = print && printer_;
    try {
        if (pdf_ && toPdf) {
            const PageOptions options = PdfOptions();
            const PageSize size = SizeAt(options).value_or(PageSize{});
            if (QPainter* p = pdf_->NewPage(size.width, size.height)) Draw(*p, options);
        }
#ifdef TALLIVO_HAVE_PRINTING
        if (print && StartJob()) {
            QPainter* p = job_->NewPage();
            if (!p) return false;
            try {
                Draw(*p, Options());
            } catch (const std::bad_alloc&) {
                // A page half drawn is not printed as if it were whole.
                job_->Abort("out of memory while drawing a page",
                            QString::fromUtf8(u8"内存不足，无法画出这一页。"));
                throw;
            }
            // The printer is the one the page went to, whatever the record was made for.
            record.printer = Utf8ToGbk(PrinterName());
            record.copies = Copies();
            record.host = LocalHostName();
            record.time = QDateTime();
            printed_.push_back(std::move(record));
        }
#else
        (void)record;
#endif
    } catch (const std::bad_alloc&) {
        prompter.ShowMessage(OutOfMemoryMessage());
        return false;
    }
    return true;
}

void PrintSession::AddCalibrationPage() {
    const FreightBillForm& form = workspace_.FreightBill();
    if (pdf_) {
        const PageOptions options = PageOptions::AtDpi(pdfDpi_, pdfDpi_);
        const PageSize size = CalibrationPageSize(form, options);
        if (QPainter* p = pdf_->NewPage(size.width, size.height))
            DrawCalibrationPage(*p, form, options);
    }
#ifdef TALLIVO_HAVE_PRINTING
    calibration_ = true;
    if (printer_ && StartJob()) {
        try {
            if (QPainter* p = job_->NewPage())
                DrawCalibrationPage(*p, form, PrinterPageOptions(*printer_));
        } catch (const std::bad_alloc&) {
            job_->Abort("out of memory", QString::fromUtf8(u8"内存不足，无法画出校准页。"));
        }
    }
#endif
}

QImage PrintSession::Preview(int dpiX, int dpiY, Prompter& prompter) const {
    if (!HasPage(prompter)) return QImage();
    PageOptions options = PageOptions::AtDpi(dpiX, dpiY);
    // Over the waybill where the form shows them: with the picture, without the offsets.
    options.withBackground = FreightBill();
    const PageSize size = SizeAt(options).value_or(PageSize{});
    // A bitmap too large for memory comes out null.
    QImage picture(size.width, size.height, QImage::Format_RGB32);
    if (picture.isNull()) {
        if (size.width > 0 && size.height > 0) prompter.ShowMessage(OutOfMemoryMessage());
        return picture;
    }
    picture.setDotsPerMeterX(qRound(dpiX / 0.0254));
    picture.setDotsPerMeterY(qRound(dpiY / 0.0254));
    picture.fill(Qt::white);
    QPainter painter(&picture);
    Draw(painter, options);
    PaintFitMarks(painter, FreightBill() ? CheckFreightBillFit(workspace_.FreightBill(), options)
                                         : CheckInvoiceFit(workspace_.Invoice(), options));
    return picture;
}

PrintSession::Outcome PrintSession::Finish(const JobObserver& observer) {
    Outcome out;
    if (pdf_) {
        out.pdfWritten = pdf_->Finish();
        if (!out.pdfWritten) out.pdfError = pdf_->ErrorText();
        pdf_.reset();
    }
#ifdef TALLIVO_HAVE_PRINTING
    if (job_) {
        out.printAsked = true;
        job_->SetWait(DefaultJobWaitMs(), observer);
        out.print = job_->Finish();
        job_.reset();
        // A file may never reach paper: it is no print of these orders.
        if (out.print.ok && !out.print.toFile) {
            NoteTaker note;
            for (HistoryRecord& record : printed_) {
                const HistoryResult done = History().Record(record);
                note.ShowMessage(done.message);
                if (!done.ok) break;
                ++out.recorded;
            }
            out.historyNote = note.note;
        }
    }
    // Other PCs checking these orders go on once they are recorded (or not printed).
    History().ReleaseTrades();
#else
    (void)observer;
#endif
    printed_.clear();
    return out;
}

}  // namespace tallivo
