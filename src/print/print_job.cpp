#include "print/print_job.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintEngine>
#include <QPrinterInfo>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <vector>

#include "print/cups_library.h"
#include "print/pdf_output.h"

namespace tallivo {

namespace {

// Where Qt's CUPS engine keeps the options the print dialog chose (page ranges, banners,
// priority...) as name, value, name, value.
constexpr auto kCupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The options Qt's own CUPS engine sends with a job, so that a job spooled here prints as one
// Qt sends would.
class JobOptions {
public:
    JobOptions(const CupsLibrary& cups, QPrinter& printer) : cups_(cups) {
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
    ~JobOptions() { cups_.freeOptions(count_, options_); }
    JobOptions(const JobOptions&) = delete;
    JobOptions& operator=(const JobOptions&) = delete;

    int Count() const { return count_; }
    cups_option_t* Options() const { return options_; }

private:
    void Add(const QByteArray& name, const QByteArray& value) {
        count_ = cups_.addOption(name.constData(), value.constData(), count_, &options_);
    }

    const CupsLibrary& cups_;
    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

// A queue name may carry an instance ("queue/instance"); jobs go to the queue.
QByteArray QueueOf(const QString& printerName) {
    return printerName.section(QLatin1Char('/'), 0, 0).toUtf8();
}

constexpr int kDefaultJobWaitMs = 30000;
constexpr int kLongestJobWaitSeconds = 3600;

// The values of an attribute, "none" left out, joined by ", ".
std::string Values(const CupsLibrary& cups, ipp_t* response, const char* name, ipp_tag_t tag) {
    std::string out;
    ipp_attribute_t* attribute = cups.ippFindAttribute(response, name, tag);
    for (int i = 0; attribute && i < cups.ippGetCount(attribute); ++i) {
        const char* value = cups.ippGetString(attribute, i, nullptr);
        if (!value || !*value || std::string(value) == "none") continue;
        out += (out.empty() ? "" : ", ") + std::string(value);
    }
    return out;
}

// Asks the print system for some attributes of a job ("/jobs/N") or a queue ("/printers/Q").
ipp_t* Ask(const CupsLibrary& cups, ipp_op_t operation, const char* uriName,
           const std::string& resource, const std::vector<const char*>& wanted) {
    char uri[HTTP_MAX_URI];
    cups.httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                          "%s", resource.c_str());
    ipp_t* request = cups.ippNewRequest(operation);
    cups.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, uriName, nullptr, uri);
    cups.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                      cups.user());
    cups.ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                       static_cast<int>(wanted.size()), nullptr, wanted.data());
    ipp_t* response = cups.doRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (response && cups.ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        cups.ippDelete(response);
        return nullptr;
    }
    return response;
}

struct JobLook {
    bool known = false;
    int state = IPP_JSTATE_PENDING;
    std::string reasons;
    std::string message;
};

JobLook LookAtJob(const CupsLibrary& cups, int id) {
    JobLook look;
    ipp_t* response = Ask(cups, IPP_OP_GET_JOB_ATTRIBUTES, "job-uri", "/jobs/" + std::to_string(id),
                          {"job-state", "job-state-reasons", "job-printer-state-message"});
    if (!response) return look;
    if (ipp_attribute_t* state = cups.ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) {
        look.known = true;
        look.state = cups.ippGetInteger(state, 0);
    }
    look.reasons = Values(cups, response, "job-state-reasons", IPP_TAG_KEYWORD);
    look.message = Values(cups, response, "job-printer-state-message", IPP_TAG_TEXT);
    cups.ippDelete(response);
    return look;
}

struct QueueLook {
    bool stopped = false;
    std::string message;
};

QueueLook LookAtQueue(const CupsLibrary& cups, const QByteArray& queue) {
    QueueLook look;
    ipp_t* response =
        Ask(cups, IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", "/printers/" + queue.toStdString(),
            {"printer-state", "printer-state-message", "printer-state-reasons"});
    if (!response) return look;
    if (ipp_attribute_t* state = cups.ippFindAttribute(response, "printer-state", IPP_TAG_ENUM))
        look.stopped = cups.ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
    look.message = Values(cups, response, "printer-state-message", IPP_TAG_TEXT);
    if (look.message.empty())
        look.message = Values(cups, response, "printer-state-reasons", IPP_TAG_KEYWORD);
    cups.ippDelete(response);
    return look;
}

std::string BothSaid(const std::string& first, const std::string& second) {
    if (first.empty() || first == second) return second;
    if (second.empty()) return first;
    return first + "; " + second;
}

std::string Quoted(const std::string& words) {
    return words.empty() ? std::string() : ": \"" + words + "\"";
}

// The number of the n-th object ("12 0 obj") must start at its offset.
bool ObjectAt(const QByteArray& pdf, qsizetype offset, int number) {
    const QByteArray head = QByteArray::number(number) + ' ';
    return offset >= 0 && offset < pdf.size() && pdf.mid(offset, head.size()) == head;
}

qsizetype NumberAt(const QByteArray& pdf, qsizetype from, qsizetype* end) {
    while (from < pdf.size() && (pdf[from] == ' ' || pdf[from] == '\r' || pdf[from] == '\n'))
        ++from;
    qsizetype value = 0;
    qsizetype at = from;
    while (at < pdf.size() && pdf[at] >= '0' && pdf[at] <= '9' && at - from < 12)
        value = value * 10 + (pdf[at++] - '0');
    *end = at;
    return at == from ? -1 : value;
}

}  // namespace

int DefaultJobWaitMs() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TALLIVO_JOB_WAIT_SECONDS", &ok);
    if (!ok || seconds < 0 || seconds > kLongestJobWaitSeconds) return kDefaultJobWaitMs;
    return seconds * 1000;
}

bool IsWholePdf(const QByteArray& pdf) {
    if (!pdf.startsWith("%PDF-")) return false;
    const qsizetype eof = pdf.lastIndexOf("%%EOF");
    if (eof < 0 || !pdf.mid(eof + 5).trimmed().isEmpty()) return false;
    const qsizetype startxref = pdf.lastIndexOf("startxref", eof);
    if (startxref < 0) return false;
    qsizetype at = 0;
    const qsizetype xref = NumberAt(pdf, startxref + 9, &at);
    if (xref < 0 || xref >= startxref) return false;
    if (!pdf.mid(xref, 4).startsWith("xref")) {
        // A cross-reference stream is an object of its own.
        return ObjectAt(pdf, xref, static_cast<int>(NumberAt(pdf, xref, &at)));
    }
    const qsizetype first = NumberAt(pdf, xref + 4, &at);
    const qsizetype count = NumberAt(pdf, at, &at);
    if (first < 0 || count <= 0) return false;
    while (at < pdf.size() && (pdf[at] == ' ' || pdf[at] == '\r' || pdf[at] == '\n')) ++at;
    // Each entry is 20 bytes: a 10-digit offset, a generation and "n" (in use) or "f" (free).
    constexpr qsizetype kEntry = 20;
    if (at + count * kEntry > startxref) return false;
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArray entry = pdf.mid(at + i * kEntry, kEntry);
        if (entry.size() != kEntry || (entry[17] != 'n' && entry[17] != 'f')) return false;
        bool ok = false;
        const qsizetype offset = entry.left(10).toLongLong(&ok);
        if (!ok) return false;
        if (entry[17] == 'n' && !ObjectAt(pdf, offset, static_cast<int>(first + i))) return false;
    }
    return true;
}

QString PrintJobTitle(const char* applicationTitle, FormKind form) {
    return QString::fromUtf8(applicationTitle) + QString::fromUtf8(form == FormKind::kFreightBill
                                                                       ? kFreightBillJobSuffix
                                                                       : kInvoiceJobSuffix);
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

void PrintJob::SetWait(int boundMs, JobObserver observer) {
    waitMs_ = std::max(0, boundMs);
    observer_ = std::move(observer);
}

PrintJob::~PrintJob() {
    if (!finished_) Discard();
}

bool PrintJob::Begin() {
    toFile_ = !printer_.outputFileName().isEmpty();
    if (!toFile_) {
        const QString name = printer_.printerName();
        if (printer_.outputFormat() != QPrinter::NativeFormat || name.isEmpty()) {
            Abort("no printer is chosen", QString::fromUtf8(u8"没有选择打印机。"));
            return false;
        }
        if (QPrinterInfo::printerInfo(name).isNull()) {
            Abort("there is no printer named \"" + name.toStdString() + "\"",
                  QString::fromUtf8(u8"找不到打印机“%1”。").arg(name));
            return false;
        }
        // Qt's engine hands its file to the print system whatever happened and drops the
        // answer, so the pages are spooled here and handed over by Finish().
        spool_ = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                  QStringLiteral("/tallivo-print-XXXXXX.prn"));
        if (!spool_->open()) {
            Abort("cannot create the spool file: " + spool_->errorString().toStdString(),
                  QString::fromUtf8(u8"无法在临时文件夹中建立打印文件。"));
            return false;
        }
        printer_.setOutputFileName(spool_->fileName());
    }
    printer_.setDocName(title_);
    KeepHeapTopForPages();
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        Abort("cannot start the print job", QString::fromUtf8(u8"无法开始打印任务。"));
        return false;
    }
    return true;
}

QPainter* PrintJob::NewPage() {
    if (finished_ || !error_.empty()) return nullptr;
    if (!painter_) {
        if (!Begin()) return nullptr;
    } else if (!printer_.newPage()) {
        Abort("cannot start a new page", QString::fromUtf8(u8"无法开始新的一页。"));
        return nullptr;
    }
    ++pages_;
    return painter_.get();
}

void PrintJob::Abort(const std::string& reason, const QString& said) {
    if (error_.empty()) {
        error_ = reason.empty() ? "the print job was aborted" : reason;
        said_ = said.isEmpty() ? QString::fromUtf8(u8"打印任务被中止。") : said;
    }
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
        result.message = QString::fromUtf8(u8"打印任务已经结束。");
        return result;
    }
    if (error_.empty() && pages_ == 0) {
        error_ = "no page was drawn";
        said_ = QString::fromUtf8(u8"没有可打印的页。");
    }
    if (error_.empty() && !painter_->end()) {
        error_ = "cannot end the print job";
        said_ = QString::fromUtf8(u8"无法结束打印任务。");
    }
    if (!error_.empty()) {
        Discard();
        finished_ = true;
        result.error = error_;
        result.message = said_;
        return result;
    }
    painter_.reset();
    finished_ = true;
    result.pages = pages_;
    const QString file = toFile_ ? printer_.outputFileName() : spool_->fileName();
    QByteArray written;
    {
        QFile spool(file);
        if (spool.open(QIODevice::ReadOnly)) written = spool.readAll();
        if (spool.error() != QFileDevice::NoError) written.clear();
    }
    if (!IsWholePdf(written)) {
        result.state = JobState::kSpoolFailed;
        const QString folder = QFileInfo(file).absolutePath();
        result.error = "the job could not be written whole into " + folder.toStdString() +
                       " (is it full?); nothing was sent to the printer";
        result.message = QString::fromUtf8(
                             u8"打印任务无法完整写入文件夹“%1”（磁盘可能已满），"
                             u8"没有送往打印机。")
                             .arg(folder);
        if (toFile_) QFile::remove(file);
        RestorePrinter();
        return result;
    }
    result.bytes = written.size();
    written.clear();
    if (toFile_) {
        result.toFile = true;
        result.ok = true;
        result.state = JobState::kCompleted;
        return result;
    }
    std::string missing;
    const CupsLibrary* cups = OpenCupsLibrary(&missing);
    if (!cups) {
        RestorePrinter();
        result.error = "the print system's client library could not be loaded (" + missing +
                       "); nothing was sent to the printer";
        result.message = QString::fromUtf8(u8"无法载入打印系统的程序库，没有送往打印机。");
        return result;
    }
    const QByteArray queue = QueueOf(printer_.printerName());
    const JobOptions options(*cups, printer_);
    result.jobId =
        cups->printFile2(CUPS_HTTP_DEFAULT, queue.constData(), file.toUtf8().constData(),
                         title_.toUtf8().constData(), options.Count(), options.Options());
    RestorePrinter();
    if (result.jobId <= 0) {
        result.jobId = 0;
        result.error = "the print system refused the job: " + std::string(cups->lastErrorString());
        result.message = QString::fromUtf8(u8"打印系统拒绝了打印任务。");
        // Its words are the queue's, told apart from ours.
        result.queueMessage = cups->lastErrorString();
        return result;
    }
    FollowAside(*cups, result);
    return result;
}

void PrintJob::FollowAside(const CupsLibrary& cups, PrintResult& result) {
    const QByteArray queue = QueueOf(printer_.printerName());
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        Follow(cups, queue, result, observer_);
        return;
    }
    // Asking the print system blocks for a while each time: a worker asks, and this thread
    // keeps drawing its windows and hears how the job does through queued calls.
    std::atomic<bool> stop{false};
    const JobObserver observer = observer_;
    QEventLoop loop;
    QObject here;
    const auto tell = [&here, &stop, observer](const JobProgress& progress) {
        if (observer)
            QMetaObject::invokeMethod(
                &here,
                [&stop, observer, progress] {
                    if (!observer(progress)) stop = true;
                },
                Qt::QueuedConnection);
        return !stop.load();
    };
    std::unique_ptr<QThread> worker(QThread::create([&] { Follow(cups, queue, result, tell); }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
}

void PrintJob::Follow(const CupsLibrary& cups, const QByteArray& queue, PrintResult& result,
                      const JobObserver& observer) const {
    const QString queueName = QString::fromUtf8(queue);
    QElapsedTimer clock;
    clock.start();
    int pause = 50;
    for (;;) {
        const JobLook job = LookAtJob(cups, result.jobId);
        JobState state = JobState::kPending;
        std::string words = job.message;
        switch (job.state) {
            case IPP_JSTATE_PROCESSING:
                state = JobState::kProcessing;
                break;
            case IPP_JSTATE_COMPLETED:
                state = JobState::kCompleted;
                break;
            case IPP_JSTATE_HELD:
                state = JobState::kHeld;
                break;
            case IPP_JSTATE_STOPPED:
                state = JobState::kStopped;
                break;
            case IPP_JSTATE_CANCELED:
                state = JobState::kCancelled;
                break;
            case IPP_JSTATE_ABORTED:
                state = JobState::kAborted;
                break;
            default:
                break;
        }
        if (state != JobState::kProcessing && state != JobState::kCompleted) {
            // A job waiting in a stopped queue does not print until someone starts it again;
            // a backend that failed leaves its job held there.
            const QueueLook look = LookAtQueue(cups, queue);
            if ((state == JobState::kPending || state == JobState::kHeld) && look.stopped)
                state = JobState::kStopped;
            words = BothSaid(look.message, words);
        }
        if (words.empty()) words = job.reasons;
        result.state = state;
        result.queueMessage = words;
        if (state != JobState::kPending && state != JobState::kProcessing) break;
        const int elapsed = static_cast<int>(clock.elapsed());
        bool goOn = elapsed < waitMs_;
        if (observer &&
            !observer(JobProgress{result.jobId, queueName, state, words, elapsed, waitMs_}))
            goOn = false;
        if (!goOn) break;
        QThread::msleep(static_cast<unsigned long>(std::min(pause, waitMs_ - elapsed)));
        pause = std::min(pause * 2, 500);
    }

    const std::string job = "job " + std::to_string(result.jobId);
    const std::string said = Quoted(result.queueMessage);
    switch (result.state) {
        case JobState::kCompleted:
        case JobState::kProcessing:
            result.ok = true;
            return;
        case JobState::kHeld:
        case JobState::kStopped:
            // Told that it did not print, the seller prints again: this one must not follow.
            result.cancelled = cups.cancelJob2(CUPS_HTTP_DEFAULT, queue.constData(), result.jobId,
                                               0) == IPP_STATUS_OK;
            result.error =
                (result.state == JobState::kHeld ? job + " is held" + said
                                                 : "the queue is stopped" + said) +
                (result.cancelled ? "; " + job + " was cancelled" : "; " + job + " waits in it");
            return;
        case JobState::kCancelled:
            result.error = job + " was cancelled" + said;
            return;
        case JobState::kAborted:
            result.error = job + " was aborted" + said;
            return;
        default:
            result.error = job + " waits in the queue" + said;
            return;
    }
}

}  // namespace tallivo
