#include "orders/export_rows.h"

namespace tallivo {

namespace {

// False only when UnwrapCell would return the cell as it is: nothing to trim at either end, no
// ="..." and no leading apostrophe. Most cells, so that they are moved rather than copied.
bool MayNeedUnwrap(const std::string& cell) {
    if (cell.empty()) return false;
    const auto first = static_cast<unsigned char>(cell.front());
    const auto last = static_cast<unsigned char>(cell.back());
    // The lead and last bytes of U+3000, U+00A0 and U+FEFF in UTF-8.
    return first <= ' ' || first == '=' || first == '\'' || first == 0xE3 || first == 0xC2 ||
           first == 0xEF || last <= ' ' || last == 0x80 || last == 0xA0 || last == 0xBF;
}

bool IsHeaderAgain(const std::vector<std::string>& cells, const std::vector<std::string>& header) {
    if (header.empty() || cells.size() < header.size()) return false;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (cells[c] != (c < header.size() ? header[c] : std::string())) return false;
    }
    return true;
}

}  // namespace

void BuildTable(const std::string& file, RawRows raw, bool ragged, ExportRead* result) {
    ExportTable& table = result->table;
    table.file = file;
    std::size_t i = 0;
    auto isEmpty = [](const std::vector<std::string>& cells) {
        for (const std::string& cell : cells) {
            if (!UnwrapCell(cell).empty()) return false;
        }
        return true;
    };
    while (i < raw.size() && isEmpty(raw[i].second)) ++i;
    if (i == raw.size()) {
        result->ok = false;
        result->messages.push_back(FileMessage(file, "没有表头，是空表。"));
        return;
    }
    for (const std::string& name : raw[i].second) table.header.push_back(UnwrapCell(name));
    // A trailing separator on every line leaves empty names at the end.
    while (!table.header.empty() && table.header.back().empty()) table.header.pop_back();
    const std::size_t width = table.header.size();
    table.rows.reserve(raw.size() - i);
    MessageLimiter limited(&result->messages);
    for (++i; i < raw.size(); ++i) {
        auto& [row, cells] = raw[i];
        // The cells are unwrapped where they are, and the row taken as it is.
        bool extra = false;
        bool any = false;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::string& cell = cells[c];
            if (MayNeedUnwrap(cell)) cell.assign(UnwrappedCell(cell));
            any = any || !cell.empty();
            if (c >= width) extra = extra || !cell.empty();
        }
        if (!any) continue;
        // Exports glued together repeat their header; it is no order.
        if (IsHeaderAgain(cells, table.header)) {
            limited.Add("与表头相同", RowMessage(file, row, "与表头相同，当作重复的表头跳过。"));
            continue;
        }
        const std::size_t count = cells.size();
        if (ragged && extra) {
            limited.Add("列数不对", RowMessage(file, row,
                                               "比表头的 " + std::to_string(width) +
                                                   " 列多，多出的格子没有读入。"));
        } else if (ragged && count < width) {
            limited.Add("列数不对",
                        RowMessage(file, row,
                                   "只有 " + std::to_string(count) + " 列，表头有 " +
                                       std::to_string(width) + " 列，缺的格子当作空的。"));
        }
        // A short row stays short: the missing cells read as empty, and a file of short rows
        // does not cost a header's width each.
        if (count > width) cells.resize(width);
        table.rows.push_back({row, std::move(cells)});
    }
    limited.Finish(file);
    result->ok = true;
}

}  // namespace tallivo
