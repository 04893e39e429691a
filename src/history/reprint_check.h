// The two hooks a print command calls: the reprint question before printing and the record after.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "history/print_history.h"
#include "text/message_sink.h"

namespace tallivo {

// Asks, No the default, when one of the trade numbers was printed before on this kind of form;
// true when the print goes on (nothing printed before, or Yes). A history that cannot be read
// asks nothing; why is told by RecordPrint, so that one print brings one message.
// On a server the trade numbers stay held for this PC until the history's ReleaseTrades(); a
// server that cannot be reached asks whether to print unchecked (No the default), once when
// `unchecked` keeps the answer.
bool ConfirmReprint(PrintHistory& history, Prompter& prompter, FormKind form,
                    const std::vector<std::string>& tradeNumbers,
                    std::optional<bool>* unchecked = nullptr);

// Records a finished print; whatever went wrong is shown as one message. True when recorded.
bool RecordPrint(PrintHistory& history, Prompter& prompter, HistoryRecord& record);

}  // namespace tallivo
