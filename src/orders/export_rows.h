#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "orders/export_table.h"

namespace tallivo {

// Rows as a reader found them, before the header is taken off: row number and raw cells.
using RawRows = std::vector<std::pair<int, std::vector<std::string>>>;

// UnwrapCell as the part of `cell` it keeps.
std::string_view UnwrappedCell(std::string_view cell);

// The first non-empty row becomes the header, the rest data rows; empty rows are dropped and
// cells unwrapped. With `ragged`, a row shorter than the header, or with text beyond it, is
// reported (XLSX leaves trailing empty cells out, so only CSV rows can be ragged).
void BuildTable(const std::string& file, RawRows raw, bool ragged, ExportRead* result);

}  // namespace tallivo
