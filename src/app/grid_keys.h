// Enter, Backspace and Delete on the goods grid's view, as a string grid takes them.
#pragma once

#include <functional>

class QTableView;

namespace tallivo {

class GoodsGrid;

// Enter inserts a goods row below the current one; Backspace or Delete removes the current row
// when it is empty. Every key press also calls `anyKey` (the invoice is then unsaved).
void InstallGridKeys(QTableView* view, GoodsGrid* grid, std::function<void()> anyKey);

}  // namespace tallivo
