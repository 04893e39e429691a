#include "invoice/goods_grid.h"

#include <locale.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "text/gbk_codec.h"
#include "text/message_sink.h"

namespace tallivo {

namespace {

// Grid numbers use the C locale's decimal point whatever the GUI set for the process.
#ifdef _WIN32
_locale_t CLocale() {
    static const _locale_t locale = _create_locale(LC_ALL, "C");
    return locale;
}
long long ReadIntegerC(const char* text) {
    return _strtoi64_l(text, nullptr, 10, CLocale());
}
double ReadDecimalC(const char* text) {
    return _strtod_l(text, nullptr, CLocale());
}
#else
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}
long long ReadIntegerC(const char* text) {
    return strtoll_l(text, nullptr, 10, CLocale());
}
double ReadDecimalC(const char* text) {
    return strtod_l(text, nullptr, CLocale());
}
#endif

const std::string kEmpty;

// double to float the way the FPU rounds, without the undefined behaviour of an out-of-range
// conversion: a grid cell may hold any number a page or a user wrote.
float ToFloat(double value) {
    if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipDigits(const std::string& text, std::size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

// Length of the leading white space, sign, digits with at most one point (a digit on either
// side) and decimal exponent, as the C library reads a decimal number; 0 when there is none.
std::size_t DecimalPrefixLength(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos) return 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    const std::size_t integer = i;
    i = SkipDigits(text, i);
    bool digits = i > integer;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = i + 1;
        const std::size_t end = SkipDigits(text, fraction);
        if (digits || end > fraction) {
            digits = true;
            i = end;
        }
    }
    if (!digits) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        const std::size_t end = SkipDigits(text, e);
        if (end > e) i = end;
    }
    return i;
}

}  // namespace

long long ReadGridInteger(const std::string& text) {
    return ReadIntegerC(text.c_str());
}

double ReadGridDecimal(const std::string& text) {
    // Only the decimal prefix goes to the C conversion: on its own it would also read "0x10" as
    // 16 and "nan" or "inf", which a price box must not turn into a grand total.
    const std::size_t length = DecimalPrefixLength(text);
    if (length == 0) return 0.0;
    return ReadDecimalC(text.substr(0, length).c_str());
}

std::string FormatMoney(long double value) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%.2Lf", value);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, n);
    // Only absurdly large values get here; they are still written whole.
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), "%.2Lf", value);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

const std::string& GoodsGrid::HeaderText(int column) {
    static const std::string headers[kColumnCount] = {
        Gbk(u8"交易号"), Gbk(u8"品名"), Gbk(u8"数量"), Gbk(u8"单价"),
        Gbk(u8"邮费"),   Gbk(u8"折扣"), Gbk(u8"金额"),
    };
    return column >= 0 && column < kColumnCount ? headers[column] : kEmpty;
}

const std::string& GoodsGrid::TotalText() {
    static const std::string total = Gbk(u8"合计");
    return total;
}

GoodsGrid::GoodsGrid() {
    Reset();
}

GoodsGrid& GoodsGrid::operator=(const GoodsGrid& other) {
    if (this == &other) return *this;
    if (listener_) listener_->GridAboutToReset();
    rows_ = other.rows_;
    currentRow_ = other.currentRow_;
    currentColumn_ = other.currentColumn_;
    counts_[0] = other.counts_[0];
    counts_[1] = other.counts_[1];
    freeHint_ = other.freeHint_;
    onFocusRequest = other.onFocusRequest;
    if (listener_) listener_->GridReset();
    return *this;
}

void GoodsGrid::Reset() {
    if (listener_) listener_->GridAboutToReset();
    rows_.assign(kMinRowCount, Row{});
    for (int c = 0; c < kColumnCount; ++c) rows_[0][c] = HeaderText(c);
    rows_[2][kTradeNumber] = TotalText();
    currentRow_ = 1;
    currentColumn_ = 1;
    RebuildIndex();
    if (listener_) listener_->GridReset();
}

const std::string& GoodsGrid::Cell(int column, int row) const {
    if (column < 0 || column >= kColumnCount || row < 0 || row >= RowCount()) return kEmpty;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void GoodsGrid::SetCell(int column, int row, std::string text) {
    if (column < 0 || column >= kColumnCount || row < 0 || row >= RowCount()) return;
    std::string& cell = rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    if (row >= 1 && column <= kGoodsName) {
        Unindex(column, cell);
        Index(column, text);
        if (text.empty() && row < freeHint_) freeHint_ = row;
    }
    cell = std::move(text);
    if (listener_) listener_->CellsChanged(row, row, column, column);
}

void GoodsGrid::SetRowCount(int rows) {
    if (rows < kMinRowCount) rows = kMinRowCount;
    if (listener_) listener_->GridAboutToReset();
    rows_.resize(static_cast<std::size_t>(rows));
    if (currentRow_ >= rows) currentRow_ = rows - 1;
    RebuildIndex();
    if (listener_) listener_->GridReset();
}

void GoodsGrid::SetCurrentCell(int column, int row) {
    if (column < 0 || column >= kColumnCount || row < 0 || row >= RowCount()) return;
    currentColumn_ = column;
    currentRow_ = row;
}

void GoodsGrid::InsertGoodsRow() {
    const int r = currentRow_;
    if (r < 1 || r > LastGoodsRow()) return;
    // Columns 1-6 move down one row from r + 1; column 0 keeps its position. Moving whole rows
    // and then handing column 0 back up keeps the common case (r is the last goods row) O(1).
    const int oldCount = RowCount();
    if (listener_) listener_->RowsAboutToBeInserted(r + 1, 1);
    rows_.insert(rows_.begin() + (r + 1), Row{});
    for (int row = r + 1; row < oldCount; ++row) {
        rows_[static_cast<std::size_t>(row)][kTradeNumber] =
            std::move(rows_[static_cast<std::size_t>(row) + 1][kTradeNumber]);
        rows_[static_cast<std::size_t>(row) + 1][kTradeNumber].clear();
    }
    // "合计" stood in column 0 of the old total row, now the last goods row.
    std::string& oldTotal = rows_[static_cast<std::size_t>(LastGoodsRow())][kTradeNumber];
    oldTotal.clear();
    rows_[static_cast<std::size_t>(TotalRow())][kTradeNumber] = TotalText();
    currentRow_ = r + 1;
    // Rows only moved, so the counted texts are the same; the rows from r + 1 may now be free.
    if (freeHint_ > r + 1) freeHint_ = r + 1;
    if (listener_) {
        listener_->RowsInserted();
        // Column 0 stayed put while the rest moved down.
        listener_->CellsChanged(r + 1, TotalRow(), kTradeNumber, kTradeNumber);
    }
}

bool GoodsGrid::DeleteCurrentRowIfEmpty() {
    const int r = currentRow_;
    if (r < 1 || r >= TotalRow() || RowCount() <= kMinRowCount) return false;
    for (const std::string& cell : rows_[static_cast<std::size_t>(r)]) {
        if (!cell.empty()) return false;
    }
    // Columns 1-6 of rows below move up one; column 0 stays where it is.
    const int oldCount = RowCount();
    if (listener_) listener_->RowsAboutToBeRemoved(r, 1);
    for (int row = r; row <= oldCount - 3; ++row) {
        for (int c = 1; c < kColumnCount; ++c) {
            rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(c)] =
                std::move(rows_[static_cast<std::size_t>(row) + 1][static_cast<std::size_t>(c)]);
        }
    }
    rows_.pop_back();
    Row& last = rows_.back();
    for (int c = 1; c < kColumnCount; ++c) last[static_cast<std::size_t>(c)].clear();
    last[kTradeNumber] = TotalText();
    if (currentRow_ >= RowCount()) currentRow_ = RowCount() - 1;
    RebuildIndex();
    if (listener_) {
        listener_->RowsRemoved();
        listener_->CellsChanged(r, TotalRow(), kTradeNumber, kTradeNumber);
    }
    StringGridInvoiceSetEditText(currentRow_);
    return true;
}

bool GoodsGrid::RowIsComplete(int row) const {
    const Row& cells = rows_[static_cast<std::size_t>(row)];
    return !cells[kQuantity].empty() && !cells[kUnitPrice].empty() && !cells[kPostage].empty() &&
           !cells[kDiscount].empty();
}

void GoodsGrid::WriteRowAmount(int row) {
    const Row& cells = rows_[static_cast<std::size_t>(row)];
    const long double amount = static_cast<long double>(ReadGridInteger(cells[kQuantity])) *
                                   static_cast<long double>(ReadGridDecimal(cells[kUnitPrice])) +
                               static_cast<long double>(ReadGridDecimal(cells[kPostage])) +
                               static_cast<long double>(ReadGridDecimal(cells[kDiscount]));
    SetCell(kAmount, row, FormatMoney(amount));
}

void GoodsGrid::WriteGrandTotal() {
    // Single precision on purpose: stored invoices were totalled this way.
    float total = 0.0f;
    for (int row = 1; row <= LastGoodsRow(); ++row) {
        total = ToFloat(total + ReadGridDecimal(rows_[static_cast<std::size_t>(row)][kAmount]));
    }
    SetCell(kAmount, TotalRow(), FormatMoney(total));
}

void GoodsGrid::StringGridInvoiceSetEditText(int row) {
    if (row >= 1 && row <= LastGoodsRow() && RowIsComplete(row)) WriteRowAmount(row);
    WriteGrandTotal();
}

int GoodsGrid::FindFreeGoodsRow() {
    for (int row = freeHint_ < 1 ? 1 : freeHint_; row <= LastGoodsRow(); ++row) {
        const Row& cells = rows_[static_cast<std::size_t>(row)];
        if (cells[kTradeNumber].empty() && cells[kGoodsName].empty()) {
            freeHint_ = row;
            return row;
        }
    }
    freeHint_ = RowCount() - 1;
    currentRow_ = LastGoodsRow();
    if (onFocusRequest) onFocusRequest();
    InsertGoodsRow();
    return currentRow_;
}

bool GoodsGrid::CheckRepeatedGoods(const std::string& text, int column, Prompter* prompter) const {
    if (column != kTradeNumber && column != kGoodsName) {
        static const std::string message = Gbk(u8"函数CheckRepeatedGoods()的参数不正确！");
        if (prompter != nullptr) prompter->ShowMessage(message);
        if (text.empty()) return true;
        for (int row = 1; row <= LastGoodsRow(); ++row) {
            if (Cell(column, row) == text) return false;
        }
        return true;
    }
    if (text.empty()) return true;
    auto it = counts_[column].find(text);
    int count = it == counts_[column].end() ? 0 : it->second;
    // The index also counts the total row, which is no goods row.
    if (rows_.back()[static_cast<std::size_t>(column)] == text) --count;
    return count <= 0;
}

void GoodsGrid::RecalculateGoodsTotals() {
    for (int row = 1; row <= LastGoodsRow(); ++row) {
        if (RowIsComplete(row) && rows_[static_cast<std::size_t>(row)][kAmount].empty()) {
            WriteRowAmount(row);
        }
    }
    WriteGrandTotal();
}

void GoodsGrid::WriteFilledRowAmount(int row) {
    if (row < 1 || row > LastGoodsRow()) return;
    const Row& cells = rows_[static_cast<std::size_t>(row)];
    if (cells[kAmount].empty() && !cells[kQuantity].empty() && !cells[kUnitPrice].empty())
        WriteRowAmount(row);
}

void GoodsGrid::Unindex(int column, const std::string& text) {
    if (text.empty()) return;
    auto it = counts_[column].find(text);
    if (it != counts_[column].end() && --it->second <= 0) counts_[column].erase(it);
}

void GoodsGrid::Index(int column, const std::string& text) {
    if (!text.empty()) ++counts_[column][text];
}

void GoodsGrid::RebuildIndex() {
    counts_[0].clear();
    counts_[1].clear();
    for (std::size_t row = 1; row < rows_.size(); ++row) {
        Index(kTradeNumber, rows_[row][kTradeNumber]);
        Index(kGoodsName, rows_[row][kGoodsName]);
    }
    freeHint_ = 1;
}

}  // namespace tallivo
