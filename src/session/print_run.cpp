#include "session/print_run.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "session/order_batch.h"
#include "storage/config_file.h"
#include "storage/storage_result.h"
#include "text/gbk_codec.h"

namespace tallivo {

// Asks through the front end's prompter and keeps each question with the pages it named.
class PrintRun::Asker {
public:
    Asker(Prompter& prompter, RunHost& host, RunResult& result)
        : prompter_(prompter), host_(host), result_(result) {}

    bool Ask(const std::string& caption, const std::string& text,
             const std::vector<std::size_t>& pages) {
        // A question is never covered by the progress of the pages.
        host_.StepsDone();
        const bool answer = prompter_.AskYesNo(caption, text);
        const std::size_t number = result_.questions.size();
        result_.questions.push_back({caption, text, answer});
        for (std::size_t page : pages) result_.pages[page].questions.push_back(number);
        return answer;
    }
    Prompter& prompter() { return prompter_; }

private:
    Prompter& prompter_;
    RunHost& host_;
    RunResult& result_;
};

OrderPages::OrderPages(FormsWorkspace& workspace, FormKind form, std::vector<const Order*> orders)
    : workspace_(workspace), form_(form), orders_(std::move(orders)) {}

std::optional<std::vector<std::string>> OrderPages::Trades(std::size_t i) const {
    return OrderTrades(*orders_[i], form_);
}

bool OrderPages::Fill(std::size_t i) {
    FillOrder(workspace_, *orders_[i]);
    return true;
}

PrintRun::PrintRun(FormsWorkspace& workspace, FormKind form, PrintServices& services)
    : workspace_(workspace),
      form_(form),
      services_(services),
      session_(workspace, form, services) {}

PrintRun::~PrintRun() {
    services_.History().ReleaseTrades();
}

void PrintRun::SetNumbers(std::size_t i) {
    workspace_.SetInvoiceSN(AddSequenceNumber(firstInvoice_, i));
    workspace_.SetFreightBillSN(AddSequenceNumber(firstFreightBill_, i));
}

bool PrintRun::EnsurePrinter(RunHost& host) {
    if (session_.Printing()) return true;
    host.StepsDone();
    QPrinter* printer = host.ChoosePrinter();
    if (!printer) return false;
    session_.SetPrinter(printer);
    return true;
}

bool PrintRun::PrintUnchecked(Asker& asker, const std::vector<std::size_t>& pages) {
    PrintHistory& history = services_.History();
    std::string why = history.TakeMessage();
    if (unchecked_) return *unchecked_;
    if (why.empty()) why = HistoryReadFailedMessage();
    unchecked_ = asker.Ask(Gbk(u8"提示：无法检查重复打印"), PrintUncheckedQuestion(why), pages);
    return *unchecked_;
}

void PrintRun::CheckBatch(PageSource& source, Asker& asker, std::vector<PageOutcome>& pages) {
    const std::size_t n = source.Count();
    std::vector<std::vector<std::string>> trades(n);
    std::vector<std::string> all;
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < n; ++i) {
        trades[i] = source.Trades(i).value_or(std::vector<std::string>());
        for (const std::string& t : trades[i])
            if (seen.insert(t).second) all.push_back(t);
    }
    PrintHistory& history = services_.History();
    // Held before looking: another PC printing the same orders waits until these are
    // recorded, and then finds them printed.
    history.HoldTrades(form_, all);
    const auto printed = history.FindPrinted(form_, all);
    if (!printed) {
        std::vector<std::size_t> every(n);
        for (std::size_t i = 0; i < n; ++i) every[i] = i;
        if (!PrintUnchecked(asker, every))
            for (PageOutcome& page : pages) page.notPrinted = NotPrinted::kUnchecked;
        return;
    }
    std::vector<std::size_t> again;
    std::vector<std::pair<std::string, QDateTime>> listed;
    for (std::size_t i = 0; i < n; ++i) {
        for (const std::string& t : trades[i]) {
            const auto it = printed->find(t);
            if (it == printed->end()) continue;
            again.push_back(i);
            listed.emplace_back(t, it->second.time);
            break;
        }
    }
    if (again.empty()) return;
    if (!asker.Ask(ReprintCaption(), OrdersReprintQuestion(form_, listed), again))
        for (std::size_t i : again) pages[i].notPrinted = NotPrinted::kPrintedBefore;
}

bool PrintRun::CheckPage(Asker& asker, const HistoryRecord& record, std::size_t page,
                         PageOutcome& outcome) {
    PrintHistory& history = services_.History();
    history.HoldTrades(form_, record.tradeNumbers);
    const auto printed = history.FindPrinted(form_, record.tradeNumbers);
    if (!printed) {
        if (PrintUnchecked(asker, {page})) return true;
        outcome.notPrinted = NotPrinted::kUnchecked;
        return false;
    }
    for (const std::string& t : record.tradeNumbers) {
        const auto it = printed->find(t);
        if (it == printed->end()) continue;
        PrintedBefore earlier = it->second;
        // One PC's own history needs no PC named.
        if (!history.Server()) earlier.host.clear();
        if (asker.Ask(ReprintCaption(), ReprintQuestion(form_, earlier), {page})) return true;
        outcome.notPrinted = NotPrinted::kPrintedBefore;
        return false;
    }
    return true;
}

RunResult PrintRun::Run(PageSource& source, RunHost& host, Prompter& prompter,
                        const PrintRequest& request) {
    RunResult result;
    const std::size_t n = source.Count();
    result.pages.assign(n, PageOutcome{});
    Asker asker(prompter, host, result);
    firstInvoice_ = workspace_.InvoiceSN();
    firstFreightBill_ = workspace_.FreightBillSN();
    const bool print = request.print;
    const bool warn = print && services_.Settings().ReprintWarning();
    const bool batch = n > 0 && source.Trades(0).has_value();
    const auto stop = [&] {
        host.StepsDone();
        session_.AbandonJob();
        services_.History().ReleaseTrades();
        result.stopped = true;
        for (PageOutcome& page : result.pages)
            if (page.printed || page.notPrinted == NotPrinted::kNo) {
                page.printed = false;
                page.notPrinted = NotPrinted::kStopped;
            }
        return result;
    };

    // A page without a scale would only bring the same message for every page.
    if (print && !request.everyPage && !session_.HasPage(prompter)) return stop();
    if (warn && batch) CheckBatch(source, asker, result.pages);
    const auto toPrint = [&](std::size_t i) {
        return print && result.pages[i].notPrinted == NotPrinted::kNo;
    };
    if (!request.everyPage) {
        bool any = false;
        for (std::size_t i = 0; i < n; ++i) any = any || toPrint(i);
        if (!any) {
            services_.History().ReleaseTrades();
            return result;
        }
    }
    if (print && batch && !EnsurePrinter(host)) return stop();

    std::vector<std::size_t> unfit;
    std::vector<std::pair<std::string, FitFinding>> unfitList;
    std::optional<std::size_t> lastNumbered;
    for (std::size_t i = 0; i < n; ++i) {
        PageOutcome& page = result.pages[i];
        if (!request.everyPage && !toPrint(i)) continue;
        host.PageStarting(i);
        if (request.numbered) SetNumbers(i);
        if (!source.Fill(i)) {
            page.notPrinted = NotPrinted::kNoPage;
            host.PageDone(i, page, result.questions);
            if (!host.Step(static_cast<int>(i) + 1, static_cast<int>(n))) return stop();
            continue;
        }
        page.filled = true;
        if (host.PageFilled(i) && request.numbered) lastNumbered = i;
        HistoryRecord record;
        bool printing = toPrint(i);
        if (printing) {
            record = session_.Record();
            if (warn && !batch) printing = CheckPage(asker, record, i, page);
            if (printing && !EnsurePrinter(host)) return stop();
        }
        if (printing || request.findings) page.findings = session_.CheckFit();
        if (printing && !page.findings.empty()) {
            if (batch) {
                unfit.push_back(i);
                for (const FitFinding& f : page.findings)
                    unfitList.emplace_back(
                        record.tradeNumbers.empty() ? std::string() : record.tradeNumbers.front(),
                        f);
            } else if (!asker.Ask(FitQuestionCaption(), FitQuestion(page.findings), {i})) {
                page.notPrinted = NotPrinted::kUnfit;
                printing = false;
            }
        }
        if (printing || session_.HasPdf()) {
            const bool drawn = session_.AddPage(prompter, printing, std::move(record));
            if (printing && drawn) {
                page.printed = true;
            } else if (printing) {
                page.notPrinted = NotPrinted::kNoPage;
            }
        }
        host.PageDone(i, page, result.questions);
        if (!host.Step(static_cast<int>(i) + 1, static_cast<int>(n))) return stop();
    }
    host.StepsDone();

    if (!unfit.empty() && !asker.Ask(FitQuestionCaption(), OrdersFitQuestion(unfitList), unfit)) {
        for (std::size_t i : unfit) {
            result.pages[i].printed = false;
            result.pages[i].notPrinted = NotPrinted::kUnfit;
        }
        // The job already holds them: it is drawn again without them, before anything of it
        // reached the print system.
        session_.AbandonJob();
        for (std::size_t i = 0; i < n; ++i) {
            if (!result.pages[i].printed) continue;
            if (request.numbered) SetNumbers(i);
            if (!source.Fill(i) ||
                !session_.AddPage(prompter, true, session_.Record(), /*toPdf=*/false)) {
                result.pages[i].printed = false;
                result.pages[i].notPrinted = NotPrinted::kNoPage;
            }
            if (!host.Step(static_cast<int>(i) + 1, static_cast<int>(n))) return stop();
        }
        host.StepsDone();
    }

    std::optional<std::size_t> lastPrinted;
    for (std::size_t i = 0; i < n; ++i) {
        if (!result.pages[i].printed) continue;
        ++result.printed;
        lastPrinted = i;
    }
    if (result.printed == 0) session_.AbandonJob();
    result.out = session_.Finish([&host](const JobProgress& p) { return host.JobProgressed(p); });
    if (result.out.printAsked) host.JobFollowed();
    services_.History().ReleaseTrades();

    // Numbers handed to the print system are spent, as saved ones are: a job that waits may
    // still print them. A file is no print.
    const PrintResult& job = result.out.print;
    if (!(job.jobId > 0 && !job.toFile)) lastPrinted.reset();
    if (lastPrinted && (!lastNumbered || *lastPrinted > *lastNumbered)) lastNumbered = lastPrinted;
    if (request.numbered && request.spendNumbers && lastNumbered) {
        const FormKind form = form_;
        const std::int32_t first =
            form == FormKind::kFreightBill ? firstFreightBill_ : firstInvoice_;
        result.numbersMessage =
            SpendNumbers(workspace_.ProgramFolder(), form, AddSequenceNumber(first, *lastNumbered));
    }
    return result;
}

std::string SpendNumbers(const std::string& programFolder, FormKind form, std::int32_t last) {
    const StorageResult saved =
        AdvanceSequenceNumber(programFolder, form, AddSequenceNumber(last, 1));
    return saved.ok ? std::string() : saved.message;
}

}  // namespace tallivo
