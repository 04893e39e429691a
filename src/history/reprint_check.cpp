#include "history/reprint_check.h"

#include "text/gbk_codec.h"

namespace tallivo {

bool ConfirmReprint(PrintHistory& history, Prompter& prompter, FormKind form,
                    const std::vector<std::string>& tradeNumbers, std::optional<bool>* unchecked) {
    if (history.Server()) {
        const HistoryResult opened = history.Open();
        if (!opened.ok) {
            // Said once a session: the answer stands for its other pages.
            if (unchecked && *unchecked) return **unchecked;
            const bool go = prompter.AskYesNo(Gbk(u8"提示：无法检查重复打印"),
                                              PrintUncheckedQuestion(opened.message));
            if (unchecked) *unchecked = go;
            return go;
        }
        // Another PC checking the same order now waits until this print is recorded.
        history.HoldTrades(form, tradeNumbers);
    }
    // What went wrong reading the history is said once, with the record of this print.
    std::optional<PrintedBefore> earlier = history.FindEarlierPrint(form, tradeNumbers);
    if (!earlier) return true;
    // One PC's own history needs no PC named: its question stays as it was.
    if (!history.Server()) earlier->host.clear();
    return prompter.AskYesNo(ReprintCaption(), ReprintQuestion(form, *earlier));
}

bool RecordPrint(PrintHistory& history, Prompter& prompter, HistoryRecord& record) {
    const HistoryResult result = history.Record(record);
    if (!result.message.empty()) prompter.ShowMessage(result.message);
    return result.ok;
}

}  // namespace tallivo
