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

// A spreadsheet cell stored as a number too long for a spreadsheet to hold: its digits past
// the fifteenth are gone, whatever the cell shows.
struct StoredNumber {
    int row = 0;
    int column = 0;
    std::string stored;  // as the file holds it, "2.00803071234567E+17"
};

// The first sheet of an export, or a CSV file, as text.
struct ExportTable {
    std::string file;  // the path it was read from, UTF-8
    std::vector<std::string> header;
    std::vector<ExportRow> rows;
    // Few or none; in row order.
    std::vector<StoredNumber> storedNumbers;
};

// Bounds that keep a hostile or mistaken file from taking the machine.
struct ExportLimits {
    std::int64_t maxFileBytes = std::int64_t{200} << 20;
    // Everything unpacked from one XLSX file together.
    std::int64_t maxUnpackedBytes = std::int64_t{1} << 30;
    // What is built from a file: the cells with their texts, and the rows. A small XLSX file
    // can name one long shared string in a million cells.
    std::int64_t maxBuiltBytes = std::int64_t{768} << 20;
    // A spreadsheet's own limit.
    std::int64_t maxRows = 1048576;
    // Cells of a sheet looked at, kept or not: reading them is what takes the time.
    std::int64_t maxCells = 16 << 20;
};

// What one cell costs in memory once built: its string and the text beyond the string's own
// room.
inline std::int64_t CellCost(std::size_t textBytes) {
    return static_cast<std::int64_t>(sizeof(std::string) + (textBytes > 15 ? textBytes + 1 : 0));
}
constexpr std::int64_t kRowCost = 96;

// Messages of one kind past the first few are counted rather than kept: a damaged file of a
// million rows says each thing a few times and then how often it happened.
class MessageLimiter {
public:
    static constexpr int kShown = 5;
    explicit MessageLimiter(std::vector<std::string>* out) : out_(out) {}
    // `kind` names the fault in the closing count ("没有订单号").
    void Add(const char* kind, std::string message);
    // One message per kind with more than kShown, naming the file.
    void Finish(const std::string& file);

private:
    std::vector<std::string>* out_;
    std::vector<std::pair<const char*, long long>> counts_;
};

// A cell's text for a message: at most about 60 characters, "…" where it was cut.
std::string Excerpt(std::string_view utf8);
// A header for a message: its names, each cut as a cell, joined by commas, the whole cut too.
std::string HeaderText(const std::vector<std::string>& header);

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
ExportRead ReadCsvBytes(std::string_view bytes, const std::string& file,
                        const ExportLimits& limits = {});
ExportRead ReadXlsxFile(const std::string& path, const ExportLimits& limits = {});

// A cell as the platforms wrap long numbers for spreadsheets: ="123", '123, "123<tab>". The
// plain value, without surrounding blanks.
std::string UnwrapCell(std::string_view cell);

// GBK message texts shared by the readers.
std::string FileMessage(const std::string& file, const std::string& utf8Text);
std::string RowMessage(const std::string& file, int row, const std::string& utf8Text);

}  // namespace tallivo
