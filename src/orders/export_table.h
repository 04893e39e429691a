#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

// One data row of an export: its row number as a spreadsheet shows it (the header is row 1 of a
// CSV file) and its cells, UTF-8, unwrapped and trimmed.
struct ExportRow {
    int row = 0;
    std::vector<std::string> cells;
};

// The first sheet of an export, or a CSV file, as text.
struct ExportTable {
    std::string file;  // the path it was read from, UTF-8
    std::vector<std::string> header;
    std::vector<ExportRow> rows;
};

// Bounds that keep a hostile or mistaken file from taking the machine.
struct ExportLimits {
    std::int64_t maxFileBytes = std::int64_t{200} << 20;
    // Everything unpacked from one XLSX file together.
    std::int64_t maxUnpackedBytes = std::int64_t{1} << 30;
};

// ok is false when nothing could be read; messages (GBK, each naming the file and, where there
// is one, the row) may also come with ok, for rows read around a fault.
struct ExportRead {
    bool ok = false;
    ExportTable table;
    std::vector<std::string> messages;
};

// A zip container is read as XLSX, anything else as CSV.
ExportRead ReadExportFile(const std::string& path, const ExportLimits& limits = {});

// CSV bytes in GBK, UTF-8 (with or without BOM) or UTF-16 with BOM; `file` names it in messages.
ExportRead ReadCsvBytes(std::string_view bytes, const std::string& file);
ExportRead ReadXlsxFile(const std::string& path, const ExportLimits& limits = {});

// A cell as the platforms wrap long numbers for spreadsheets: ="123", '123, "123<tab>". The
// plain value, without surrounding blanks.
std::string UnwrapCell(std::string_view cell);

// GBK message texts shared by the readers.
std::string FileMessage(const std::string& file, const std::string& utf8Text);
std::string RowMessage(const std::string& file, int row, const std::string& utf8Text);

}  // namespace tallivo
