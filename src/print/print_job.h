// Printing drawn pages to a printer as one job. The pages are drawn on the QPrinter the dialogs
// set up, spooled to a private file and handed to the print system only when the job ends
// whole: a job that fails on the way is aborted and nothing of it reaches the printer, and a
// job the print system refuses is reported, never dropped.
#pragma once

#include <QPainter>
#include <QPrinter>
#include <QString>
#include <QTemporaryFile>
#include <functional>
#include <memory>
#include <string>

#include "print/page_drawing.h"
#include "print/print_result.h"
#include "text/form_kind.h"

namespace tallivo {

struct CupsLibrary;

// The job names, after the application title.
inline constexpr char kFreightBillJobSuffix[] = "--打印货运单";
inline constexpr char kInvoiceJobSuffix[] = "--打印发货单";

// The title of a print of this form: the application title (UTF-8) and the form's suffix.
QString PrintJobTitle(const char* applicationTitle, FormKind form);

// Points the printer at the named print queue, or at the default one when the name is empty.
// False, with the reason in English, when there is no such queue.
bool SelectPrinter(QPrinter& printer, const QString& name, std::string* error);

// How a page is drawn on this printer: at its resolution; the freight bill with its offsets and
// without the background (it goes onto a pre-printed waybill), the invoice across the printer's
// page.
PageOptions PrinterPageOptions(const QPrinter& printer);
PageOptions PrinterInvoiceOptions(const QPrinter& printer);

// How long a job is followed after it was handed over: TALLIVO_JOB_WAIT_SECONDS (0 to 3600),
// else 30 seconds.
int DefaultJobWaitMs();

// Qt's PDF engine does not report failed writes, so a spool file cut short (a full disk) is
// found by its structure: the cross-reference table at the end must point at every object.
bool IsWholePdf(const QByteArray& pdf);

class PrintJob {
public:
    // The printer keeps the choices of the dialogs (queue, page set-up, copies); the job sets
    // only its title and, for its duration, where the pages are spooled.
    PrintJob(QPrinter& printer, const QString& title);
    // A job not finished is aborted.
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Starts the job or its next page and returns the painter to draw it with; null when that
    // failed, after which the job is aborted and Finish() says why.
    QPainter* NewPage();
    // Gives up: nothing reaches the printer. The reason (English, and in Chinese for the
    // seller) is what Finish() reports.
    void Abort(const std::string& reason, const QString& said = QString());
    // Follows a handed-over job this long (DefaultJobWaitMs() unless set), telling the observer.
    void SetWait(int boundMs, JobObserver observer = nullptr);
    // Ends the job, hands it to the print system as one job when it was written whole, and
    // follows it until it prints, fails, or the wait ends.
    PrintResult Finish();

private:
    bool Begin();
    // Follows the job on a worker while this thread's events go on; the observer is told here.
    void FollowAside(const CupsLibrary& cups, PrintResult& result);
    void Follow(const CupsLibrary& cups, const QByteArray& queue, PrintResult& result,
                const JobObserver& observer) const;
    void Discard();
    void RestorePrinter();

    QPrinter& printer_;
    QString title_;
    QString previousOutput_;
    // Set when the pages go straight into a file the print dialog asked for.
    bool toFile_ = false;
    std::unique_ptr<QTemporaryFile> spool_;
    std::unique_ptr<QPainter> painter_;
    std::string error_;
    QString said_;
    int pages_ = 0;
    bool finished_ = false;
    int waitMs_ = DefaultJobWaitMs();
    JobObserver observer_;
};

}  // namespace tallivo
