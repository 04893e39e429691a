// One print run: the one place that orders the steps from forms to paper for every front end.
// A run prints the pages of a source (the form shown, a run of orders, the command line's
// pages): it asks the reprint question (holding the trade numbers on a shared history), has the
// printer chosen, fills each page once, checks the fit, draws, hands the job over, follows it,
// records what printed and spends the numbers. Front ends choose, answer questions through
// the Prompter and report what the result says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "forms/workspace.h"
#include "orders/orders.h"
#include "print/fit_check.h"
#include "session/print_services.h"
#include "session/print_session.h"
#include "text/message_sink.h"

class QPrinter;

namespace tallivo {

// The pages a run prints.
class PageSource {
public:
    virtual ~PageSource() = default;
    virtual std::size_t Count() const = 0;
    // The trade numbers page i will be recorded with when they are known before it is filled
    // (orders): then one question covers every page before any is filled. Nothing when only
    // filling tells (a pasted page, the form shown): each page is then asked about alone.
    virtual std::optional<std::vector<std::string>> Trades(std::size_t) const {
        return std::nullopt;
    }
    // Puts page i on the workspace's form; false when it has no page (the reason was shown).
    virtual bool Fill(std::size_t i) = 0;
};

// The form the workspace shows, as it is.
class ShownForm : public PageSource {
public:
    std::size_t Count() const override { return 1; }
    bool Fill(std::size_t) override { return true; }
};

// Orders of an export, each filled on the form emptied first.
class OrderPages : public PageSource {
public:
    OrderPages(FormsWorkspace& workspace, FormKind form, std::vector<const Order*> orders);
    std::size_t Count() const override { return orders_.size(); }
    std::optional<std::vector<std::string>> Trades(std::size_t i) const override;
    bool Fill(std::size_t i) override;

private:
    FormsWorkspace& workspace_;
    FormKind form_;
    std::vector<const Order*> orders_;
};

enum class NotPrinted {
    kNo,             // printed, or not asked to print
    kNoPage,         // could not be filled or drawn
    kPrintedBefore,  // the reprint question was answered No
    kUnchecked,      // the history could not be read and No to printing unchecked
    kUnfit,          // the fit question was answered No
    kStopped,        // the run was stopped before the page was printed
};

struct PageOutcome {
    bool filled = false;
    bool printed = false;  // went into the print job
    NotPrinted notPrinted = NotPrinted::kNo;
    std::vector<FitFinding> findings;
    std::vector<std::size_t> questions;  // the run's questions that named this page
};

struct RunQuestion {
    std::string caption;  // GBK, as the Prompter has them
    std::string text;
    bool answer = false;
};

// What the front end does for a run besides answering its questions.
class RunHost {
public:
    virtual ~RunHost() = default;
    // The printer, chosen once after the first reprint question; null stops the run. Not asked
    // when the session has a printer already.
    virtual QPrinter* ChoosePrinter() { return nullptr; }
    // After each page; false stops the run and nothing is printed. Never while a question is
    // open: StepsDone() comes first.
    virtual bool Step(int /*done*/, int /*total*/) { return true; }
    // Whatever shows the steps goes: a question or the end follows.
    virtual void StepsDone() {}
    virtual bool JobProgressed(const JobProgress&) { return true; }
    virtual void JobFollowed() {}
    // Page i is about to be filled.
    virtual void PageStarting(std::size_t) {}
    // Page i is on the form; true when the front end used its number (saved it).
    virtual bool PageFilled(std::size_t) { return false; }
    // The run is done with page i while the form still holds it; `asked` is every question
    // of the run so far (the outcome names those of this page).
    virtual void PageDone(std::size_t, const PageOutcome&,
                          const std::vector<RunQuestion>& /*asked*/) {}
};

struct PrintRequest {
    // Print the pages (else they go only into the session's PDF).
    bool print = true;
    // Page i carries the first numbers plus i; the numbers of printed or saved pages are
    // spent in Config.pcf afterwards. Off, the form keeps its own numbers.
    bool numbered = false;
    bool spendNumbers = true;
    // Every page is filled and reported even when none of them will be printed.
    bool everyPage = false;
    // Find what does not fit also where no question follows (for a report).
    bool findings = false;
};

struct RunResult {
    // Stopped by the user (the print dialog, the progress) or before any question: nothing
    // was handed to the print system.
    bool stopped = false;
    std::vector<PageOutcome> pages;
    std::vector<RunQuestion> questions;
    int printed = 0;  // pages in the job handed over
    PrintSession::Outcome out;
    // GBK: why Config.pcf could not take the spent numbers; empty when it did or none were.
    std::string numbersMessage;
};

class PrintRun {
public:
    PrintRun(FormsWorkspace& workspace, FormKind form, PrintServices& services);
    ~PrintRun();
    PrintRun(const PrintRun&) = delete;
    PrintRun& operator=(const PrintRun&) = delete;

    // The targets, set up before Run(): a PDF, a print queue.
    PrintSession& Session() { return session_; }

    RunResult Run(PageSource& source, RunHost& host, Prompter& prompter,
                  const PrintRequest& request);

private:
    class Asker;
    // Reprint of pages whose trades are known before filling: one question for all.
    void CheckBatch(PageSource& source, Asker& asker, std::vector<PageOutcome>& pages);
    // Reprint of the page on the form; false when it is not to be printed.
    bool CheckPage(Asker& asker, const HistoryRecord& record, std::size_t page,
                   PageOutcome& outcome);
    // No to printing unchecked, asked once a run; true when printing goes on.
    bool PrintUnchecked(Asker& asker, const std::vector<std::size_t>& pages);
    bool EnsurePrinter(RunHost& host);
    void SetNumbers(std::size_t i);

    FormsWorkspace& workspace_;
    FormKind form_;
    PrintServices& services_;
    PrintSession session_;
    std::int32_t firstInvoice_ = 0;
    std::int32_t firstFreightBill_ = 0;
    std::optional<bool> unchecked_;
};

// The next number after `last`, spent in Config.pcf so that the next run goes on from it;
// a number is never lowered. The message (GBK) when the file could not be written.
std::string SpendNumbers(const std::string& programFolder, FormKind form, std::int32_t last);

}  // namespace tallivo
