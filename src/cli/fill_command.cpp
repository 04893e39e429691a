#include <QTextDocument>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>

#include "capture/capture_driver.h"
#include "cli/cli_io.h"
#include "cli/cli_prompter.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "forms/document_checks.h"
#include "forms/forms_capture_host.h"
#include "forms/template_choice.h"
#include "forms/workspace.h"
#include "history/record_from_forms.h"
#include "history/reprint_check.h"
#include "print/calibration_page.h"
#include "print/fit_check.h"
#include "print/page_drawing.h"
#include "print/pdf_output.h"
#include "richtext/rtf.h"
#include "storage/config_file.h"
#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "storage/storage_result.h"
#include "storage/template_store.h"
#include "text/gbk_codec.h"

#ifdef TALLIVO_HAVE_PRINTING
#include <QPrinter>

#include "browser/handover_channel.h"
#include "print/print_job.h"
#endif

namespace tallivo {

namespace fs = std::filesystem;

std::string PlainTextUtf8(const QTextDocument& document) {
    QString text = document.toPlainText();
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text.toStdString();
}

std::string RtfPlainTextUtf8(const std::string& rtf) {
    QTextDocument doc;
    ReadRtf(doc, rtf);
    return PlainTextUtf8(doc);
}

void WriteBoxJson(JsonWriter& json, const FieldBoxGeometry& g, const std::string& textUtf8) {
    json.BeginObject();
    json.Key("left");
    json.Int(g.left);
    json.Key("top");
    json.Int(g.top);
    json.Key("height");
    json.Int(g.height);
    json.Key("width");
    json.Int(g.width);
    json.Key("text");
    json.String(textUtf8);
    json.EndObject();
}

namespace {

void Report(const std::string& where, const std::string& gbk) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), GbkToUtf8(gbk).c_str());
}

void ReportUtf8(const std::string& where, const std::string& utf8) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), utf8.c_str());
}

// Numbers stop at the largest, as the window's do, instead of wrapping to negative ones.
std::int32_t AddSequence(std::int32_t sn, std::size_t step) {
    const std::int64_t next = static_cast<std::int64_t>(sn) + static_cast<std::int64_t>(step);
    return next > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(next);
}

void WritePageJson(JsonWriter& json, const std::string& page, bool freight, int site,
                   const FormsWorkspace* ws, const CliPrompter& prompter,
                   const std::string& extraUtf8 = std::string(),
                   const std::vector<FitFinding>& findings = {}) {
    json.Clear();
    json.BeginObject();
    json.Key("page");
    json.String(page);
    json.Key("form");
    json.String(freight ? "freight-bill" : "invoice");
    json.Key("site");
    json.Int(site);
    if (freight) {
        json.Key("boxes");
        json.BeginArray();
        if (ws) {
            for (const auto& b : ws->FreightBill().boxes)
                WriteBoxJson(json, {b->left, b->top, b->width, b->height},
                             PlainTextUtf8(*b->content->Document()));
        }
        json.EndArray();
    } else {
        json.Key("text");
        json.String(ws ? PlainTextUtf8(*ws->Invoice().Body().Document()) : std::string());
        json.Key("grid");
        json.BeginArray();
        if (ws) {
            const GoodsGrid& grid = ws->Invoice().grid;
            for (int r = 0; r < grid.RowCount(); ++r) {
                json.BeginArray();
                for (int c = 0; c < GoodsGrid::kColumnCount; ++c)
                    json.String(GbkToUtf8(grid.Cell(c, r)));
                json.EndArray();
            }
        }
        json.EndArray();
    }
    json.Key("messages");
    json.BeginArray();
    for (const std::string& m : prompter.messages) json.String(GbkToUtf8(m));
    if (!extraUtf8.empty()) json.String(extraUtf8);
    for (const FitFinding& f : findings) json.String(GbkToUtf8(f.text));
    json.EndArray();
    json.Key("questions");
    json.BeginArray();
    for (const CliPrompter::Question& q : prompter.questions) {
        json.BeginObject();
        json.Key("caption");
        json.String(GbkToUtf8(q.caption));
        json.Key("text");
        json.String(GbkToUtf8(q.text));
        json.Key("answer");
        json.String(q.answer ? "yes" : "no");
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
    std::fputc('\n', stdout);
}

#ifdef TALLIVO_HAVE_PRINTING
// The run's pages as one print job, drawn as the window prints them.
class PrintOutput {
public:
    PrintOutput(const FillOptions& o, std::string* error) : printer_(QPrinter::HighResolution) {
        if (!SelectPrinter(printer_, QString::fromStdString(o.printer), error)) return;
        printer_.setCopyCount(o.copies);
        job_ = std::make_unique<PrintJob>(
            printer_, o.calibrate ? QString::fromUtf8(browser::kApplicationTitle) +
                                        QString::fromUtf8(kCalibrationJobSuffix)
                                  : PrintJobTitle(browser::kApplicationTitle,
                                                  o.form == CliForm::kFreightBill));
    }
    bool Ready() const { return job_ != nullptr; }
    QString PrinterName() const { return printer_.printerName(); }
    int Copies() const { return printer_.copyCount(); }

    // What would not fit on this printer, at its resolution and with its fonts.
    std::vector<FitFinding> Check(const FormsWorkspace& ws, bool freight) const {
        return freight
                   ? CheckFreightBillFit(ws.FreightBill(), PrinterPageOptions(printer_), &printer_)
                   : CheckInvoiceFit(ws.Invoice(), PrinterInvoiceOptions(printer_), &printer_);
    }

    void Draw(const FormsWorkspace& ws, bool freight) {
        QPainter* p = job_->NewPage();
        if (!p) return;
        try {
            if (freight) {
                DrawFreightBillPage(*p, ws.FreightBill(), PrinterPageOptions(printer_));
            } else {
                DrawInvoicePage(*p, ws.Invoice(), PrinterInvoiceOptions(printer_));
            }
        } catch (const std::bad_alloc&) {
            // A page half drawn is not printed as if it were whole.
            job_->Abort("out of memory while drawing a page");
            throw;
        }
    }
    PrintResult Finish() { return job_->Finish(); }

private:
    QPrinter printer_;
    std::unique_ptr<PrintJob> job_;

public:
    void DrawCalibration(const FreightBillForm& form) {
        if (QPainter* p = job_->NewPage())
            DrawCalibrationPage(*p, form, PrinterPageOptions(printer_));
    }
};
#else
// A build without Qt PrintSupport cannot print.
class PrintOutput {
public:
    PrintOutput(const FillOptions&, std::string* error) {
        *error = "printing is not available in this build";
    }
    bool Ready() const { return false; }
    QString PrinterName() const { return QString(); }
    int Copies() const { return 1; }
    std::vector<FitFinding> Check(const FormsWorkspace&, bool) const { return {}; }
    void Draw(const FormsWorkspace&, bool) {}
};
#endif

#ifdef TALLIVO_HAVE_PRINTING
// What became of the job, on stderr; false when it did not print.
bool ReportPrint(const std::string& printer, const PrintResult& printed) {
    if (printed.ok) {
        ReportUtf8(printer, "printed " + std::to_string(printed.pages) + " page(s) as job " +
                                std::to_string(printed.jobId));
    } else if (printed.state == JobState::kPending) {
        ReportUtf8(printer, "not printed yet: " + printed.error +
                                "; it is not recorded in the print history");
    } else {
        ReportUtf8(printer, "nothing was printed: " + printed.error);
    }
    return printed.ok;
}
#endif

// `tallivo-cli calibrate`: the template's calibration page onto the PDF and the printer.
int RunCalibration(const FillOptions& o, FormsWorkspace& ws, CliPrompter& prompter,
                   PrintOutput* print, int status) {
    ws.ResetCurrentForm();
    for (const std::string& m : prompter.messages) Report("calibrate", m);
    if (!prompter.messages.empty()) status = kExitFailure;
    const FreightBillForm& form = ws.FreightBill();
    if (!o.pdfPath.empty()) {
        const PageOptions options = PageOptions::AtDpi(o.dpi, o.dpi);
        const PageSize size = CalibrationPageSize(form, options);
        PdfOutput pdf(o.pdfPath, o.dpi);
        if (QPainter* p = pdf.NewPage(size.width, size.height))
            DrawCalibrationPage(*p, form, options);
        if (!pdf.Finish()) {
            ReportUtf8(o.pdfPath, "cannot write the PDF: " + pdf.ErrorText());
            status = kExitFailure;
        }
    }
#ifdef TALLIVO_HAVE_PRINTING
    if (print) {
        print->DrawCalibration(form);
        const PrintResult printed = print->Finish();
        if (!ReportPrint(o.printer.empty() ? "--print" : o.printer, printed)) status = kExitFailure;
    }
#else
    (void)print;
#endif
    return status;
}

// The page onto the PDF and into the print job, whichever were asked for.
void DrawPage(PdfOutput* pdf, PrintOutput* print, const FormsWorkspace& ws, const FillOptions& o,
              Prompter& prompter) {
    if (!pdf && !print) return;
    PageOptions options = PageOptions::AtDpi(o.dpi, o.dpi);
    options.withBackground = o.withBackground;
    if (o.form == CliForm::kFreightBill) {
        const std::optional<PageSize> size = FreightBillPageSize(ws.FreightBill(), options);
        if (!size) {
            prompter.ShowMessage(NoBackgroundMessage());
            return;
        }
        if (pdf) {
            if (QPainter* p = pdf->NewPage(size->width, size->height))
                DrawFreightBillPage(*p, ws.FreightBill(), options);
        }
    } else if (pdf) {
        options.paper = A4PageSize(options);
        const PageSize size = InvoicePageSize(ws.Invoice(), options);
        if (QPainter* p = pdf->NewPage(size.width, size.height)) {
            DrawInvoicePage(*p, ws.Invoice(), options);
        }
    }
    if (print) print->Draw(ws, o.form == CliForm::kFreightBill);
}

// What would not fit on the page as the PDF draws it (the printer's own check is PrintOutput's).
std::vector<FitFinding> CheckPage(const FormsWorkspace& ws, const FillOptions& o) {
    PageOptions options = PageOptions::AtDpi(o.dpi, o.dpi);
    options.withBackground = o.withBackground;
    if (o.form == CliForm::kFreightBill) return CheckFreightBillFit(ws.FreightBill(), options);
    options.paper = A4PageSize(options);
    return CheckInvoiceFit(ws.Invoice(), options);
}

// The two questions before a page is printed, answered by --answer: a trade number printed
// before, and what does not fit. Empty when the page may be printed, else why not.
std::string AskBeforePrinting(PrintHistory& history, Prompter& prompter,
                              const HistoryRecord& record,
                              const std::vector<FitFinding>& findings) {
    if (!ConfirmReprint(history, prompter, record.form, record.tradeNumbers))
        return "printed before; --answer yes prints it again";
    if (!findings.empty() && !prompter.AskYesNo(FitQuestionCaption(), FitQuestion(findings)))
        return "something does not fit (see messages); --answer yes prints it anyway";
    return std::string();
}

#ifdef TALLIVO_HAVE_PRINTING
// One record per printed page; what kept the history from taking them is said once: the pages
// are printed all the same. False when a record is missing.
bool RecordPrinted(PrintHistory& history, std::vector<HistoryRecord> records) {
    CliPrompter said(false);
    bool all = true;
    for (HistoryRecord& record : records) {
        if (!RecordPrint(history, said, record)) {
            all = false;
            break;
        }
    }
    for (const std::string& m : said.messages) Report(history.Path().toStdString(), m);
    return all;
}

#endif

// After a run that saved or printed pages the next run goes on from the numbers after them, as
// the window's New command does. The other values of Config.pcf stay as they are on disk.
bool AdvanceSequenceNumbers(const std::string& folder, bool freight, std::int32_t next) {
    ConfigLoad loaded = LoadConfig(folder);
    Config config = loaded.ok ? loaded.config : Config{};
    std::int32_t& sn = freight ? config.freightBillSn : config.invoiceSn;
    if (loaded.ok && sn >= next) return true;
    sn = next;
    const StorageResult saved = SaveConfig(folder, config);
    if (!saved.ok) Report("Config.pcf", saved.message);
    return saved.ok;
}

}  // namespace

int RunFill(const FillOptions& o, const std::string& folder) {
    int status = kExitOk;
    const bool freight = o.form == CliForm::kFreightBill;
    const TemplateKind kind = freight ? TemplateKind::kFreightBill : TemplateKind::kInvoice;

    CliPrompter prompter(o.answerYes);
    FormsWorkspace ws(folder, &prompter, nullptr);
    ws.SetCurrentTab(freight ? kTabFreightBill : kTabInvoice);

    std::error_code ec;
    const TemplateChoice choice = ChooseTemplate(ws, kind, o.templateArg);
    if (choice.outcome == TemplateChoice::Outcome::kWrongForm) {
        ReportUtf8(o.templateArg, choice.failure);
        return kExitUsage;
    }
    for (const TemplateChoice::Notice& n : choice.notices) Report(n.where, n.textGbk);
    std::string failure;
    if (choice.outcome == TemplateChoice::Outcome::kNoSuchTemplate)
        ReportUtf8(o.templateArg, choice.failure);
    if (!choice.Chosen()) failure = choice.failure;
    // A printer that cannot be had fails the run before any page is filled.
    std::unique_ptr<PrintOutput> print;
    if (o.print && choice.Chosen()) {
        std::string error;
        print = std::make_unique<PrintOutput>(o, &error);
        if (!print->Ready()) {
            failure = "cannot print: " + error;
            ReportUtf8(o.printer.empty() ? "--print" : o.printer, failure);
        }
    }
    bool configDamaged = false;
    if (!choice.config.message.empty()) {
        Report("Config.pcf", choice.config.message);
        if (!choice.configMissing) {
            configDamaged = true;
            ReportUtf8("Config.pcf", "fix or delete it; it is left as it is");
        }
    }
    if (!failure.empty()) {
        // Scripts read one object per page, the reason in its messages.
        if (o.json) {
            JsonWriter json;
            const CliPrompter none(false);
            for (const std::string& page : o.pages)
                WritePageJson(json, page, freight, ws.SourceSite(), nullptr, none, failure);
            std::fflush(stdout);
        }
        return kExitFailure;
    }
    // A damaged Config.pcf only matters when one of its values stands in for an option.
    const bool configUsed =
        !o.site || !o.invoiceSn || o.templateArg.empty() || (freight && !o.savePath.empty());
    if (!choice.notices.empty() || (configUsed && configDamaged)) status = kExitFailure;

    if (o.site) ws.SetSourceSite(*o.site);
    if (o.calibrate) return RunCalibration(o, ws, prompter, print.get(), status);
    const int site = ws.SourceSite();
    const std::int32_t invoiceSn = o.invoiceSn ? *o.invoiceSn : ws.InvoiceSN();
    const std::int32_t freightSn = ws.FreightBillSN();
    ws.SetClock(o.now);  // without --now the clock is read at each search, as on screen

    const bool several = o.pages.size() > 1;
    std::string saveFolder;
    if (!o.savePath.empty()) {
        if (several || o.savePath.back() == '/' || fs::is_directory(o.savePath, ec)) {
            saveFolder = o.savePath;
            fs::create_directories(saveFolder, ec);
            if (!fs::is_directory(saveFolder, ec)) {
                ReportUtf8(saveFolder, "cannot create the folder");
                return kExitFailure;
            }
        }
    }

    std::unique_ptr<PdfOutput> pdf;
    if (!o.pdfPath.empty()) pdf = std::make_unique<PdfOutput>(o.pdfPath, o.dpi);

    JsonWriter json;
    Progress progress(static_cast<int>(o.pages.size()));
    // Opened only to print: a run without --print leaves no history file behind.
    std::unique_ptr<PrintHistory> history;
    if (print) history = std::make_unique<PrintHistory>(PrintHistoryPath(folder));
    std::vector<HistoryRecord> printedPages;
    std::optional<std::int32_t> lastSaved;
    std::optional<std::int32_t> lastPrinted;

    for (size_t i = 0; i < o.pages.size(); ++i) {
        const std::string& page = o.pages[i];
        const std::int32_t pageInvoiceSn = AddSequence(invoiceSn, i);
        const std::int32_t pageFreightSn = AddSequence(freightSn, i);
        prompter.messages.clear();
        prompter.questions.clear();
        bool pageFailed = false;
        std::vector<FitFinding> findings;

        // A page too large for memory fails alone, keeping what was filled before, as the
        // program skips an operation whose allocation fails.
        try {
            ws.SetInvoiceSN(pageInvoiceSn);
            ws.SetFreightBillSN(pageFreightSn);
            std::optional<std::string> bytes = ReadWholeFile(page);
            std::string input;
            if (!bytes) {
                prompter.ShowMessage("cannot read the page");
                pageFailed = true;
            } else {
                input = PageTextToGbk(std::move(*bytes));
                bytes.reset();
            }
            ws.ResetCurrentForm();
            ws.SetInputText(std::move(input));
            if (!pageFailed) ws.ReplaceAll();

            if (!pageFailed && !o.savePath.empty()) {
                const std::int32_t sn = freight ? pageFreightSn : pageInvoiceSn;
                const std::string target =
                    saveFolder.empty()
                        ? o.savePath
                        : JoinPath(saveFolder, std::to_string(sn) +
                                                   std::string(freight ? kFreightBillDocumentExt
                                                                       : kInvoiceDocumentExt));
                const std::size_t before = prompter.messages.size();
                if (fs::exists(target, ec) && !o.answerYes) {
                    // Another run's document of the same number is never replaced unasked.
                    progress.Clear();
                    ReportUtf8(page, "not saved: " + target + " exists; --answer yes replaces it");
                    status = kExitFailure;
                } else if (ws.SaveDocumentTo(target)) {
                    lastSaved = sn;
                } else if (prompter.messages.size() == before) {
                    // Answered No: the document asked for does not exist, so the run did not do
                    // its work.
                    progress.Clear();
                    ReportUtf8(page, "not saved: " + target);
                    status = kExitFailure;
                }
            }

            std::string notPrinted;
            if (!pageFailed) {
                // Laying every box out again costs as much as drawing it: the findings are
                // made for the printer and for the JSON that scripts read, not for a PDF alone.
                if (print) {
                    findings = print->Check(ws, freight);
                } else if (o.json) {
                    findings = CheckPage(ws, o);
                }
                if (print) {
                    HistoryRecord record = RecordForPrint(
                        ws, ws.CurrentTab(), Utf8ToGbk(print->PrinterName().toStdString()),
                        print->Copies());
                    notPrinted = AskBeforePrinting(*history, prompter, record, findings);
                    if (notPrinted.empty()) {
                        printedPages.push_back(std::move(record));
                        lastPrinted = freight ? pageFreightSn : pageInvoiceSn;
                    }
                }
                DrawPage(pdf.get(), notPrinted.empty() ? print.get() : nullptr, ws, o, prompter);
            }
            if (!notPrinted.empty()) {
                progress.Clear();
                ReportUtf8(page, "not printed: " + notPrinted);
                status = kExitFailure;
            }
        } catch (const std::bad_alloc&) {
            prompter.ShowMessage(OutOfMemoryMessage());
            pageFailed = true;
        }

        if (!prompter.messages.empty()) progress.Clear();
        for (const std::string& m : prompter.messages) Report(page, m);
        if (pageFailed || !prompter.messages.empty()) status = kExitFailure;

        if (!findings.empty()) progress.Clear();
        for (const FitFinding& f : findings) Report(page, f.text);
        if (o.json)
            WritePageJson(json, page, freight, site, &ws, prompter, std::string(), findings);
        progress.Step(static_cast<int>(i) + 1);
    }
    progress.Finish();
    std::fflush(stdout);

    if (pdf && !pdf->Finish()) {
        ReportUtf8(o.pdfPath, "cannot write the PDF: " + pdf->ErrorText());
        status = kExitFailure;
    }
#ifdef TALLIVO_HAVE_PRINTING
    if (print) {
        const std::string printer = print->PrinterName().toStdString();
        const PrintResult printed = print->Finish();
        if (!ReportPrint(printer, printed)) {
            status = kExitFailure;
        } else if (!RecordPrinted(*history, printedPages)) {
            status = kExitFailure;
        }
        // Numbers handed to the print system are spent, as saved ones are: a job that waits
        // may still print them.
        if (printed.jobId <= 0) lastPrinted.reset();
    }
#endif
    if (lastPrinted && (!lastSaved || *lastPrinted > *lastSaved)) lastSaved = lastPrinted;
    if (lastSaved && !configDamaged) {
        if (!AdvanceSequenceNumbers(folder, freight, AddSequence(*lastSaved, 1)))
            status = kExitFailure;
    }
    return status;
}

}  // namespace tallivo
