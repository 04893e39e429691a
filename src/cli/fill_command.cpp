#include <QTextDocument>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>

#include "cli/cli_io.h"
#include "cli/cli_prompter.h"
#include "cli/commands.h"
#include "cli/fill_orders.h"
#include "cli/json_writer.h"
#include "cli/masked_orders.h"
#include "cli/recognised_json.h"
#include "forms/template_choice.h"
#include "forms/workspace.h"
#include "print/fit_check.h"
#include "richtext/rtf.h"
#include "session/order_batch.h"
#include "session/print_run.h"
#include "session/print_session.h"
#include "storage/config_file.h"
#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "storage/storage_result.h"
#include "storage/template_store.h"
#include "text/gbk_codec.h"

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

// An order's place in the run and its order number, in the object of its page.
struct OrderTag {
    std::size_t position = 0;  // 1-based
    std::string trade;         // GBK
    // For an order made from shipping info.
    const ShippingInfo* recognised = nullptr;
};

void WritePageJson(JsonWriter& json, const std::string& page, FormKind form, int site,
                   const FormsWorkspace* ws, const CliPrompter& prompter,
                   const std::string& extraUtf8 = std::string(),
                   const std::vector<FitFinding>& findings = {}, const OrderTag* order = nullptr,
                   const std::vector<CliPrompter::Question>& asked = {}) {
    json.Clear();
    json.BeginObject();
    json.Key("page");
    json.String(page);
    if (order) {
        json.Key("order");
        json.Int(static_cast<int>(order->position));
        json.Key("trade");
        json.String(GbkToUtf8(order->trade));
    }
    json.Key("form");
    json.String(form == FormKind::kFreightBill ? "freight-bill" : "invoice");
    json.Key("site");
    json.Int(site);
    if (form == FormKind::kFreightBill) {
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
    if (order && order->recognised)
        WriteRecognisedJson(json, *order->recognised);
    else if (ws && site == kSiteShippingInfo)
        WriteRecognisedJson(json, ws->RecognisedShippingInfo());
    json.Key("messages");
    json.BeginArray();
    for (const std::string& m : prompter.messages) json.String(GbkToUtf8(m));
    if (!extraUtf8.empty()) json.String(extraUtf8);
    for (const FitFinding& f : findings) json.String(GbkToUtf8(f.text));
    json.EndArray();
    std::vector<CliPrompter::Question> questions = prompter.questions;
    questions.insert(questions.end(), asked.begin(), asked.end());
    json.Key("questions");
    json.BeginArray();
    for (const CliPrompter::Question& q : questions) {
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

const char* NotPrintedReason(NotPrinted why) {
    switch (why) {
        case NotPrinted::kPrintedBefore:
            return "printed before; --answer yes prints it again";
        case NotPrinted::kUnchecked:
            return "the print history cannot be read; --answer yes prints unchecked";
        case NotPrinted::kUnfit:
            return "something does not fit (see messages); --answer yes prints it anyway";
        default:
            return nullptr;
    }
}

// One run of `fill` or `calibrate`: the workspace, its print run and what the run reports.
class FillRun : public PageSource, public RunHost {
public:
    FillRun(const FillOptions& o, const std::string& folder)
        : o_(o),
          folder_(folder),
          form_(o.form),
          prompter_(o.answerYes),
          ws_(folder, &prompter_, nullptr),
          services_(folder) {
        ws_.SetCurrentTab(TabOf(form_));
    }

    // The orders of --orders; an exit status when the run cannot go on.
    std::optional<int> LoadOrders();
    // The template, the printer and Config.pcf; an exit status when the run cannot go on.
    std::optional<int> Prepare();
    // Orders printed before left out when asked.
    std::optional<int> PrepareOrders();
    int Calibrate();
    int Print();

    std::size_t Count() const override { return Orders() ? orders_.size() : o_.pages.size(); }
    std::optional<std::vector<std::string>> Trades(std::size_t i) const override {
        if (!Orders()) return std::nullopt;
        return OrderTrades(orders_[i], form_);
    }
    bool Fill(std::size_t i) override;
    bool Step(int done, int) override {
        progress_->Step(done);
        return true;
    }
    void PageStarting(std::size_t) override {
        prompter_.messages.clear();
        prompter_.questions.clear();
    }
    bool PageFilled(std::size_t i) override;
    void PageDone(std::size_t i, const PageOutcome& outcome,
                  const std::vector<RunQuestion>& asked) override;

    int status = kExitOk;

private:
    std::string Printer() const { return o_.printer.empty() ? "--print" : o_.printer; }
    bool Orders() const { return !o_.orderFiles.empty(); }
    const std::string& PageName(std::size_t i) const {
        return Orders() ? orders_[i].File() : o_.pages[i];
    }
    std::optional<OrderTag> Tag(std::size_t i) const {
        if (!Orders()) return std::nullopt;
        return OrderTag{i + 1, orders_[i].tradeNumber, orders_[i].recognised.get()};
    }
    bool SavePage(const std::string& page, std::int32_t sn);

    const FillOptions& o_;
    const std::string folder_;
    const FormKind form_;
    CliPrompter prompter_;
    FormsWorkspace ws_;
    PrintServices services_;
    std::unique_ptr<PrintRun> run_;
    bool configDamaged_ = false;
    int site_ = 0;
    std::string saveFolder_;
    JsonWriter json_;
    std::unique_ptr<Progress> progress_;
    std::vector<Order> orders_;
};

std::optional<int> FillRun::LoadOrders() {
    if (!Orders()) return std::nullopt;
    bool partly = false;
    if (const std::optional<int> stop = LoadFillOrders(o_, folder_, &orders_, &partly)) return stop;
    if (partly) status = kExitFailure;
    // Never filled, so never a waybill no courier can deliver; the run says it did not all.
    if (SetAsideMaskedOrders(&orders_, form_, o_.json) > 0) status = kExitFailure;
    return std::nullopt;
}

std::optional<int> FillRun::PrepareOrders() {
    if (!Orders()) return std::nullopt;
    if (o_.unprinted) {
        std::vector<std::string> trades;
        for (const Order& order : orders_) trades.push_back(order.tradeNumber);
        const std::optional<PrintedOrders> printed = ReadPrintedOrders(services_.History(), trades);
        const std::string note = services_.History().TakeMessage();
        if (!printed) {
            // Without the history every order would look unprinted.
            Report(services_.History().Path().toStdString(), note);
            return kExitFailure;
        }
        if (!note.empty()) Report(services_.History().Path().toStdString(), note);
        orders_.erase(std::remove_if(orders_.begin(), orders_.end(),
                                     [&](const Order& order) {
                                         const auto it = printed->find(order.tradeNumber);
                                         return it != printed->end() &&
                                                it->second.On(form_).isValid();
                                     }),
                      orders_.end());
    }
    progress_ = std::make_unique<Progress>(static_cast<int>(Count()));
    return std::nullopt;
}

std::optional<int> FillRun::Prepare() {
    const TemplateChoice choice = ChooseTemplate(ws_, form_, o_.templateArg);
    if (choice.outcome == TemplateChoice::Outcome::kWrongForm) {
        ReportUtf8(o_.templateArg, choice.failure);
        return kExitUsage;
    }
    for (const TemplateChoice::Notice& n : choice.notices) Report(n.where, n.textGbk);
    std::string failure;
    if (choice.outcome == TemplateChoice::Outcome::kNoSuchTemplate)
        ReportUtf8(o_.templateArg, choice.failure);
    if (!choice.Chosen()) failure = choice.failure;

    if (!o_.historyDb.empty()) services_.UseHistory(*ParseHistoryUrl(o_.historyDb).location);
    run_ = std::make_unique<PrintRun>(ws_, form_, services_);
    PrintSession& session = run_->Session();
    session.SetPdf(o_.pdfPath, o_.dpi, o_.withBackground);
    // A printer that cannot be had fails the run before any page is filled.
    std::string error;
    if (o_.print && choice.Chosen() && !session.UsePrintQueue(o_.printer, o_.copies, &error)) {
        failure = "cannot print: " + error;
        ReportUtf8(Printer(), failure);
    }
    if (!choice.config.message.empty()) {
        Report("Config.pcf", choice.config.message);
        if (!choice.configMissing) {
            configDamaged_ = true;
            ReportUtf8("Config.pcf", "fix or delete it; it is left as it is");
        }
    }
    if (!failure.empty()) {
        // Scripts read one object per page, the reason in its messages.
        if (o_.json) {
            const CliPrompter none(false);
            for (std::size_t i = 0; i < Count(); ++i) {
                const std::optional<OrderTag> tag = Tag(i);
                WritePageJson(json_, PageName(i), form_, ws_.SourceSite(), nullptr, none, failure,
                              {}, tag ? &*tag : nullptr);
            }
            std::fflush(stdout);
        }
        return kExitFailure;
    }
    // A damaged Config.pcf only matters when one of its values stands in for an option.
    const bool configUsed = !o_.site || !o_.invoiceSn || o_.templateArg.empty() ||
                            (form_ == FormKind::kFreightBill && !o_.savePath.empty());
    if (!choice.notices.empty() || (configUsed && configDamaged_)) status = kExitFailure;

    if (o_.site) ws_.SetSourceSite(*o_.site);
    if (o_.calibrate) return std::nullopt;
    site_ = ws_.SourceSite();
    if (o_.invoiceSn) ws_.SetInvoiceSN(*o_.invoiceSn);
    ws_.SetClock(o_.now);  // without --now the clock is read at each search, as on screen

    std::error_code ec;
    if (!o_.savePath.empty() &&
        (Count() > 1 || o_.savePath.back() == '/' || fs::is_directory(o_.savePath, ec))) {
        // Made with the first document: a run that fails before any page leaves nothing behind.
        saveFolder_ = o_.savePath;
    }
    progress_ = std::make_unique<Progress>(static_cast<int>(Count()));
    return std::nullopt;
}

// `tallivo-cli calibrate`: the template's calibration page onto the PDF and the printer.
int FillRun::Calibrate() {
    ws_.ResetCurrentForm();
    for (const std::string& m : prompter_.messages) Report("calibrate", m);
    if (!prompter_.messages.empty()) status = kExitFailure;
    PrintSession& session = run_->Session();
    session.AddCalibrationPage();
    const PrintSession::Outcome out = session.Finish();
    if (!o_.pdfPath.empty() && !out.pdfWritten) {
        ReportUtf8(o_.pdfPath, "cannot write the PDF: " + out.pdfError);
        status = kExitFailure;
    }
    if (out.printAsked && !ReportPrint(Printer(), out.print)) status = kExitFailure;
    return status;
}

bool FillRun::SavePage(const std::string& page, std::int32_t sn) {
    const std::string target =
        saveFolder_.empty()
            ? o_.savePath
            : JoinPath(saveFolder_, std::to_string(sn) + std::string(form_ == FormKind::kFreightBill
                                                                         ? kFreightBillDocumentExt
                                                                         : kInvoiceDocumentExt));
    const std::size_t before = prompter_.messages.size();
    std::error_code ec;
    if (!saveFolder_.empty()) {
        fs::create_directories(saveFolder_, ec);
        if (!fs::is_directory(saveFolder_, ec)) {
            progress_->Clear();
            ReportUtf8(saveFolder_, "cannot create the folder");
            return false;
        }
    }
    if (fs::exists(target, ec) && !o_.answerYes) {
        // Another run's document of the same number is never replaced unasked.
        progress_->Clear();
        ReportUtf8(page, "not saved: " + target + " exists; --answer yes replaces it");
        status = kExitFailure;
        return false;
    }
    if (ws_.SaveDocumentTo(target)) return true;
    if (prompter_.messages.size() == before) {
        // Answered No: the document asked for does not exist, so the run did not do its work.
        progress_->Clear();
        ReportUtf8(page, "not saved: " + target);
        status = kExitFailure;
    }
    return false;
}

bool FillRun::Fill(std::size_t i) {
    // A page too large for memory fails alone, keeping what was filled before, as the program
    // skips an operation whose allocation fails.
    try {
        if (Orders()) {
            FillOrder(ws_, orders_[i]);
            return true;
        }
        std::optional<std::string> bytes = ReadWholeFile(o_.pages[i]);
        if (!bytes) prompter_.ShowMessage("cannot read the page");
        std::string input = bytes ? PageTextToGbk(std::move(*bytes)) : std::string();
        ws_.ResetCurrentForm();
        ws_.SetInputText(std::move(input));
        if (!bytes) return false;
        ws_.ReplaceAll();
        return true;
    } catch (const std::bad_alloc&) {
        prompter_.ShowMessage(OutOfMemoryMessage());
        return false;
    }
}

bool FillRun::PageFilled(std::size_t i) {
    if (o_.savePath.empty()) return false;
    const std::int32_t sn = form_ == FormKind::kFreightBill ? ws_.FreightBillSN() : ws_.InvoiceSN();
    return SavePage(PageName(i), sn);
}

void FillRun::PageDone(std::size_t i, const PageOutcome& outcome,
                       const std::vector<RunQuestion>& asked) {
    const std::string& page = PageName(i);
    const bool pageFailed = !outcome.filled;
    if (!prompter_.messages.empty()) progress_->Clear();
    for (const std::string& m : prompter_.messages) Report(page, m);
    if (pageFailed || !prompter_.messages.empty()) status = kExitFailure;

    // Like the fit findings, doubts about shipping info are worth reading but no failure.
    std::vector<std::string> doubts = site_ == kSiteShippingInfo && !pageFailed && !Orders()
                                          ? RecognisedDoubts(ws_)
                                          : std::vector<std::string>();
    if (Orders() && orders_[i].recognised)
        for (const QString& d : orders_[i].recognised->doubts) doubts.push_back(d.toStdString());
    if (!outcome.findings.empty() || !doubts.empty()) progress_->Clear();
    for (const FitFinding& f : outcome.findings) Report(page, f.text);
    for (const std::string& d : doubts) ReportUtf8(page, d);
    if (o_.json) {
        std::vector<CliPrompter::Question> questions;
        for (std::size_t q : outcome.questions)
            questions.push_back({asked[q].caption, asked[q].text, asked[q].answer});
        const std::optional<OrderTag> tag = Tag(i);
        WritePageJson(json_, page, form_, site_, &ws_, prompter_, std::string(), outcome.findings,
                      tag ? &*tag : nullptr, questions);
    }
}

int FillRun::Print() {
    PrintRequest request;
    request.print = run_->Session().Printing();
    request.numbered = true;
    request.spendNumbers = !configDamaged_;
    request.everyPage = true;
    request.findings = o_.json;
    const RunResult result = run_->Run(*this, *this, prompter_, request);
    progress_->Finish();
    std::fflush(stdout);
    for (std::size_t i = 0; i < result.pages.size(); ++i) {
        if (const char* why = NotPrintedReason(result.pages[i].notPrinted)) {
            ReportUtf8(PageName(i), std::string("not printed: ") + why);
            status = kExitFailure;
        }
    }
    const PrintSession::Outcome& out = result.out;
    const std::string history = services_.History().Path().toStdString();
    if (!o_.pdfPath.empty() && !out.pdfWritten) {
        ReportUtf8(o_.pdfPath, "cannot write the PDF: " + out.pdfError);
        status = kExitFailure;
    }
    if (out.printAsked) {
        if (!ReportPrint(run_->Session().PrinterName(), out.print)) {
            status = kExitFailure;
        } else if (out.recorded < result.printed) {
            // The pages are printed all the same; what kept the history from taking them is
            // said once.
            Report(history, out.historyNote);
            status = kExitFailure;
        } else if (!out.historyNote.empty()) {
            Report(history, out.historyNote);
        }
    }
    if (!result.numbersMessage.empty()) {
        Report("Config.pcf", result.numbersMessage);
        status = kExitFailure;
    }
    return status;
}

}  // namespace

int RunFill(const FillOptions& o, const std::string& folder) {
    FillRun run(o, folder);
    if (const std::optional<int> stop = run.LoadOrders()) return *stop;
    if (const std::optional<int> stop = run.Prepare()) return *stop;
    if (o.calibrate) return run.Calibrate();
    if (const std::optional<int> stop = run.PrepareOrders()) return *stop;
    return run.Print();
}

}  // namespace tallivo
