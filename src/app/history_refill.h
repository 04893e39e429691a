// Filling a form again from a print the history kept: the form starts from its template and
// its keywords take the stored values, as the capture would have put them in.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "forms/workspace.h"
#include "history/history_record.h"

namespace tallivo {

// The keywords and the stored values that replace them (GBK), in the keyword order. The
// telephone was kept as "mobile fixed"; when it has two parts they go back apart.
std::vector<std::pair<std::string, std::string>> RecordKeywordValues(const HistoryRecord& record);

// Replaces every one of the keywords in the workspace's current form (the freight bill's boxes
// or the invoice text) and marks the form unsaved. The goods grid is left alone: the history
// keeps only the trade numbers of its rows, not the goods.
void RefillFromRecord(FormsWorkspace& workspace, const HistoryRecord& record);

}  // namespace tallivo
