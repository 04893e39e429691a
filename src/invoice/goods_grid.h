#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tallivo {

class Prompter;

// Follows a goods grid, so that a view can update only what changed. The "about to" calls come
// before the rows change, as item views need them.
class GoodsGridListener {
public:
    virtual ~GoodsGridListener() = default;
    virtual void GridAboutToReset() {}
    virtual void GridReset() {}
    virtual void RowsAboutToBeInserted(int first, int count) { (void)first, (void)count; }
    virtual void RowsInserted() {}
    virtual void RowsAboutToBeRemoved(int first, int count) { (void)first, (void)count; }
    virtual void RowsRemoved() {}
    // Cells of rows first..last in columns firstColumn..lastColumn were rewritten.
    virtual void CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn) {
        (void)firstRow, (void)lastRow, (void)firstColumn, (void)lastColumn;
    }
};

// C library number reading: leading white space, optional sign, longest numeric prefix;
// integers have 64 bits on every system (a Windows long has 32);
// no prefix reads 0 ("2.5" as an integer is 2, "abc" is 0). Independent of the process locale.
// Only decimal notation is a number: "0x10", "inf" and "nan" read 0, "1e3" reads 1000.
long long ReadGridInteger(const std::string& text);
double ReadGridDecimal(const std::string& text);
// "%.2f".
std::string FormatMoney(long double value);

// The invoice's goods grid: row 0 the header, rows 1 .. R-2 goods rows, row R-1 the total row
// ("合计" in column 0, grand total in column 6). Cells are GBK text. Column 0 (trade number)
// stays with its row position when goods rows are inserted or deleted; columns 1-6 move.
//
// Repeated-goods checks and the free-row search are answered from an index kept in step with
// every cell write, so filling thousands of captured lines stays linear.
class GoodsGrid {
public:
    enum Column {
        kTradeNumber = 0,
        kGoodsName = 1,
        kQuantity = 2,
        kUnitPrice = 3,
        kPostage = 4,
        kDiscount = 5,
        kAmount = 6,
    };
    static constexpr int kColumnCount = 7;
    static constexpr int kMinRowCount = 3;

    // "交易号" "品名" "数量" "单价" "邮费" "折扣" "金额", GBK.
    static const std::string& HeaderText(int column);
    // "合计", GBK.
    static const std::string& TotalText();

    // A fresh grid, as Reset leaves it.
    GoodsGrid();

    // Header, one empty goods row, the total row; current cell row 1, column 1.
    void Reset();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int TotalRow() const { return RowCount() - 1; }
    int LastGoodsRow() const { return RowCount() - 2; }

    // Empty for a cell outside the grid.
    const std::string& Cell(int column, int row) const;
    // Raw write, no recomputation; ignored outside the grid.
    void SetCell(int column, int row, std::string text);

    // Raw resize for loading stored grids: at least kMinRowCount rows; new rows are empty, no
    // header or total text is written.
    void SetRowCount(int rows);

    int CurrentRow() const { return currentRow_; }
    int CurrentColumn() const { return currentColumn_; }
    void SetCurrentCell(int column, int row);

    // Enter: an empty goods row below the current goods row, which becomes current. Nothing on
    // the header or total row.
    void InsertGoodsRow();

    // Backspace/Delete: removes the current row when it is a goods row, at least two goods rows
    // exist and all seven cells of the row are empty; then recomputes as an edit of that cell.
    // True when a row went.
    bool DeleteCurrentRowIfEmpty();

    // The grid after an edit of a cell of `row`: the row's amount when quantity, unit price,
    // postage and discount are all filled, then the grand total. (The caller marks the invoice
    // unsaved.)
    void StringGridInvoiceSetEditText(int row);

    // The first goods row whose columns 0 and 1 are empty; when there is none, a new goods row
    // is inserted below the last one, made current, and returned (focus handler called first).
    int FindFreeGoodsRow();

    // True when no goods row holds exactly `text` in `column` (always true for empty text).
    // A column other than 0 or 1 is reported ("函数CheckRepeatedGoods()的参数不正确！") to
    // `prompter`, when given, and then checked all the same.
    bool CheckRepeatedGoods(const std::string& text, int column,
                            Prompter* prompter = nullptr) const;

    // Fills empty amounts of complete rows, then rewrites the grand total.
    void RecalculateGoodsTotals();
    // A row written from an order's values: an empty amount is computed once quantity and unit
    // price are there, an empty postage or discount counting as none. The total is the caller's.
    void WriteFilledRowAmount(int row);

    // Called when FindFreeGoodsRow wants the keyboard on the grid (the widget sets it).
    std::function<void()> onFocusRequest;

    // One listener at most; null for none. Not copied with the grid.
    void SetListener(GoodsGridListener* listener) { listener_ = listener; }
    GoodsGridListener* Listener() const { return listener_; }

    GoodsGrid(const GoodsGrid& other) { *this = other; }
    GoodsGrid& operator=(const GoodsGrid& other);

private:
    using Row = std::array<std::string, kColumnCount>;

    void WriteRowAmount(int row);
    void WriteGrandTotal();
    bool RowIsComplete(int row) const;
    void Unindex(int column, const std::string& text);
    void Index(int column, const std::string& text);
    void RebuildIndex();

    std::vector<Row> rows_;
    int currentRow_ = 1;
    int currentColumn_ = 1;
    // How many rows 1 .. R-1 (goods rows and the total row) hold each text, columns 0 and 1.
    std::unordered_map<std::string, int> counts_[2];
    // No goods row above this one is free.
    mutable int freeHint_ = 1;
    GoodsGridListener* listener_ = nullptr;
};

}  // namespace tallivo
