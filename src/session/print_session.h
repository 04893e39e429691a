// The targets of a print run: for one form kind of a workspace it decides the target's page
// settings and page size, checks the fit, draws each page into one PDF and one spooled print
// job, names the job, and records every printed page in the history once the job printed.
// PrintRun orders these steps; front ends use this directly only for preview and calibration.
#pragma once

#include <QImage>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "forms/workspace.h"
#include "history/history_record.h"
#include "history/print_history.h"
#include "print/fit_check.h"
#include "print/page_drawing.h"
#include "print/print_result.h"
#include "session/print_services.h"
#include "text/message_sink.h"

class QPrinter;

namespace tallivo {

class PdfOutput;
class PrintJob;

// Whether this build can print to a print queue.
bool PrintingAvailable();

class PrintSession {
public:
    // Pages of one form of the workspace, recorded in the services' history.
    PrintSession(FormsWorkspace& workspace, FormKind form, PrintServices& services);
    ~PrintSession();
    PrintSession(const PrintSession&) = delete;
    PrintSession& operator=(const PrintSession&) = delete;

    FormKind Form() const { return form_; }
    bool FreightBill() const { return form_ == FormKind::kFreightBill; }
    PrintHistory& History() { return services_.History(); }
    AppSettings& Settings() { return services_.Settings(); }

    // --- targets ---------------------------------------------------------------------------
    // Pages also go into one PDF at this resolution, written at Finish; an empty path writes
    // none but still checks the fit on such a page when there is no printer.
    void SetPdf(const std::string& path, int dpi, bool withBackground);
    // Pages are printed on this printer (the caller's, set up by its dialogs) as one job.
    void SetPrinter(QPrinter* printer);
    // Pages are printed on a named queue, or the default one when the name is empty, this many
    // copies each. False with the reason in English when there is no such queue or this build
    // cannot print.
    bool UsePrintQueue(const std::string& name, int copies, std::string* error);
    bool Printing() const { return printer_ != nullptr; }
    bool HasPdf() const { return pdf_ != nullptr; }
    // The printer's queue name (UTF-8) and copies; empty and 1 without a printer.
    std::string PrinterName() const;
    int Copies() const;

    // --- one page --------------------------------------------------------------------------
    // How the page is drawn on the printer, or into the PDF when there is no printer.
    PageOptions Options() const;
    // What would not fit on the printer, at its resolution and with its fonts, or on the PDF's
    // page; empty without a target.
    std::vector<FitFinding> CheckFit() const;
    // False, with NoBackgroundMessage() shown, for a freight bill without background: it has
    // no scale and no page is drawn of it.
    bool HasPage(Prompter& prompter) const;
    // The record of printing the form now, from the values it was filled with.
    HistoryRecord Record() const;
    // The fit question when there are findings, No the default; true when printing goes on.
    static bool ConfirmFit(Prompter& prompter, const std::vector<FitFinding>& findings);
    // Draws the form as the next page of the PDF and, with `print`, of the print job, whose
    // record is then kept for Finish. False when nothing could be drawn: a freight bill without
    // background (NoBackgroundMessage() is shown), or memory ran out (the job is then abandoned).
    // Without `toPdf` the page goes to the print job only.
    bool AddPage(Prompter& prompter, bool print, HistoryRecord record = {}, bool toPdf = true);
    // Throws the job in the making away, nothing of it printed; the next page starts a new one.
    void AbandonJob();
    // The calibration page of the freight bill, onto each target.
    void AddCalibrationPage();
    // The page at a screen's resolution, over the background where the form shows it, with
    // the fit findings marked in red; null with a message when it cannot be drawn.
    QImage Preview(int dpiX, int dpiY, Prompter& prompter) const;

    // --- the end ---------------------------------------------------------------------------
    struct Outcome {
        bool pdfWritten = false;
        std::string pdfError;  // English; empty when written or not asked for
        bool printAsked = false;
        PrintResult print;
        int recorded = 0;         // pages recorded in the history (never those of a file)
        std::string historyNote;  // GBK: why a record is missing, to be shown once
    };
    // Writes the PDF and hands the job to the print system, following it for the bounded wait
    // (TALLIVO_JOB_WAIT_SECONDS) and telling `observer`; the pages of a job that printed are
    // recorded.
    Outcome Finish(const JobObserver& observer = nullptr);

    // The title of this session's print job: the application title and the form's suffix.
    QString JobTitle() const;
    // The job in the making, for a front end that follows it; null before the first page.
    bool JobStarted() const { return job_ != nullptr; }

private:
    void Draw(QPainter& painter, const PageOptions& options) const;
    std::optional<PageSize> SizeAt(const PageOptions& options) const;
    PageOptions PdfOptions() const;
    bool StartJob();

    FormsWorkspace& workspace_;
    FormKind form_;
    PrintServices& services_;
    std::unique_ptr<PdfOutput> pdf_;
    std::string pdfPath_;
    int pdfDpi_ = 0;
    bool pdfBackground_ = false;
    // QPrinter is only complete where PrintSupport is built in.
    struct PrinterDeleter {
        void operator()(QPrinter* printer) const;
    };
    std::unique_ptr<QPrinter, PrinterDeleter> ownPrinter_;
    QPrinter* printer_ = nullptr;
    std::unique_ptr<PrintJob> job_;
    bool calibration_ = false;
    std::vector<HistoryRecord> printed_;
    // What the fit checks of this session learnt about the printer's fonts.
    mutable std::unique_ptr<FontCoverage> coverage_;
};

}  // namespace tallivo
