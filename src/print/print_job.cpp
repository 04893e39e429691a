#include "print/print_job.h"

#include <cups/cups.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintEngine>
#include <QPrinterInfo>
#include <QStringList>

namespace tallivo {

namespace {

// Where Qt's CUPS engine keeps the options the print dialog chose (page ranges, banners,
// priority...) as name, value, name, value.
constexpr auto kCupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The options Qt's own CUPS engine sends with a job, so that a job spooled here prints as one
// Qt sends would.
class JobOptions {
public:
    explicit JobOptions(QPrinter& printer) {
        const QPageLayout layout = printer.pageLayout();
        Add("media", layout.pageSize().key().toUtf8());
        const int copies = printer.copyCount();
        if (copies > 1) {
            Add("copies", QByteArray::number(copies));
            if (printer.collateCopies()) Add("Collate", "True");
        }
        const bool landscape = layout.orientation() == QPageLayout::Landscape;
        switch (printer.duplex()) {
            case QPrinter::DuplexNone:
                Add("sides", "one-sided");
                break;
            case QPrinter::DuplexAuto:
                Add("sides", landscape ? "two-sided-short-edge" : "two-sided-long-edge");
                break;
            case QPrinter::DuplexLongSide:
                Add("sides", "two-sided-long-edge");
                break;
            case QPrinter::DuplexShortSide:
                Add("sides", "two-sided-short-edge");
                break;
        }
        if (landscape) Add("landscape", "");
        if (QPrintEngine* engine = printer.printEngine()) {
            const QStringList chosen = engine->property(kCupsOptionsKey).toStringList();
            for (qsizetype i = 0; i + 1 < chosen.size(); i += 2)
                Add(chosen[i].toUtf8(), chosen[i + 1].toUtf8());
        }
    }
    ~JobOptions() { cupsFreeOptions(count_, options_); }
    JobOptions(const JobOptions&) = delete;
    JobOptions& operator=(const JobOptions&) = delete;

    int Count() const { return count_; }
    cups_option_t* Options() const { return options_; }

private:
    void Add(const QByteArray& name, const QByteArray& value) {
        count_ = cupsAddOption(name.constData(), value.constData(), count_, &options_);
    }

    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

// A queue name may carry an instance ("queue/instance"); jobs go to the queue.
QByteArray QueueOf(const QString& printerName) {
    return printerName.section(QLatin1Char('/'), 0, 0).toUtf8();
}

}  // namespace

QString PrintJobTitle(const char* applicationTitle, bool freightBill) {
    return QString::fromUtf8(applicationTitle) +
           QString::fromUtf8(freightBill ? kFreightBillJobSuffix : kInvoiceJobSuffix);
}

bool SelectPrinter(QPrinter& printer, const QString& name, std::string* error) {
    const QPrinterInfo info =
        name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(name);
    if (info.isNull()) {
        *error = name.isEmpty() ? "there is no default printer"
                                : "there is no printer named \"" + name.toStdString() + "\"";
        return false;
    }
    printer.setOutputFileName(QString());
    printer.setPrinterName(info.printerName());
    if (printer.printerName() != info.printerName()) {
        *error = "cannot print to \"" + info.printerName().toStdString() + "\"";
        return false;
    }
    return true;
}

PageOptions PrinterPageOptions(const QPrinter& printer) {
    return PageOptions::AtDpi(printer.logicalDpiX(), printer.logicalDpiY());
}

PageOptions PrinterInvoiceOptions(const QPrinter& printer) {
    PageOptions options = PrinterPageOptions(printer);
    options.paper = PageSize{printer.width(), printer.height()};
    return options;
}

PrintJob::PrintJob(QPrinter& printer, const QString& title) : printer_(printer), title_(title) {}

PrintJob::~PrintJob() {
    if (!finished_) Discard();
}

bool PrintJob::Begin() {
    toFile_ = !printer_.outputFileName().isEmpty();
    if (!toFile_) {
        const QString name = printer_.printerName();
        if (printer_.outputFormat() != QPrinter::NativeFormat || name.isEmpty()) {
            Abort("no printer is chosen");
            return false;
        }
        if (QPrinterInfo::printerInfo(name).isNull()) {
            Abort("there is no printer named \"" + name.toStdString() + "\"");
            return false;
        }
        // Qt's engine hands its file to the print system whatever happened and drops the
        // answer, so the pages are spooled here and handed over by Finish().
        spool_ = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                  QStringLiteral("/tallivo-print-XXXXXX.prn"));
        if (!spool_->open()) {
            Abort("cannot create the spool file: " + spool_->errorString().toStdString());
            return false;
        }
        printer_.setOutputFileName(spool_->fileName());
    }
    printer_.setDocName(title_);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        Abort("cannot start the print job");
        return false;
    }
    return true;
}

QPainter* PrintJob::NewPage() {
    if (finished_ || !error_.empty()) return nullptr;
    if (!painter_) {
        if (!Begin()) return nullptr;
    } else if (!printer_.newPage()) {
        Abort("cannot start a new page");
        return nullptr;
    }
    ++pages_;
    return painter_.get();
}

void PrintJob::Abort(const std::string& reason) {
    if (error_.empty()) error_ = reason.empty() ? "the print job was aborted" : reason;
    Discard();
}

void PrintJob::Discard() {
    if (painter_) {
        if (painter_->isActive()) painter_->end();
        painter_.reset();
        // A file the dialog asked for is not left half written.
        if (toFile_) QFile::remove(printer_.outputFileName());
    }
    RestorePrinter();
}

void PrintJob::RestorePrinter() {
    if (spool_) {
        printer_.setOutputFileName(QString());
        spool_.reset();
    }
}

PrintResult PrintJob::Finish() {
    PrintResult result;
    if (finished_) {
        result.error = "the print job has already ended";
        return result;
    }
    if (error_.empty() && pages_ == 0) error_ = "no page was drawn";
    if (error_.empty() && !painter_->end()) error_ = "cannot end the print job";
    if (!error_.empty()) {
        Discard();
        finished_ = true;
        result.error = error_;
        return result;
    }
    painter_.reset();
    finished_ = true;
    result.pages = pages_;
    const QString file = toFile_ ? printer_.outputFileName() : spool_->fileName();
    result.bytes = QFileInfo(file).size();
    if (result.bytes <= 0) {
        result.error = "the print job came out empty";
        RestorePrinter();
        return result;
    }
    if (toFile_) {
        result.ok = true;
        return result;
    }
    const QByteArray queue = QueueOf(printer_.printerName());
    const JobOptions options(printer_);
    result.jobId = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), file.toUtf8().constData(),
                                  title_.toUtf8().constData(), options.Count(), options.Options());
    RestorePrinter();
    if (result.jobId <= 0) {
        result.jobId = 0;
        result.error = "the print system refused the job: " + std::string(cupsLastErrorString());
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace tallivo
