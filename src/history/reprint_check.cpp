#include "history/reprint_check.h"

namespace tallivo {

bool ConfirmReprint(PrintHistory& history, Prompter& prompter, HistoryForm form,
                    const std::vector<std::string>& tradeNumbers) {
    // What went wrong reading the history is said once, with the record of this print.
    const std::optional<PrintedBefore> earlier = history.FindEarlierPrint(form, tradeNumbers);
    if (!earlier) return true;
    return prompter.AskYesNo(ReprintCaption(), ReprintQuestion(form, *earlier));
}

bool RecordPrint(PrintHistory& history, Prompter& prompter, HistoryRecord& record) {
    const HistoryResult result = history.Record(record);
    if (!result.message.empty()) prompter.ShowMessage(result.message);
    return result.ok;
}

}  // namespace tallivo
