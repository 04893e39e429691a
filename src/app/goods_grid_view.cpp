#include "app/goods_grid_view.h"

#include <QHeaderView>

#include "app/owner_draw_rules.h"

namespace tallivo {

GoodsGridView::GoodsGridView(QWidget* parent) : QTableView(parent) {
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    QPalette header = horizontalHeader()->palette();
    header.setColor(QPalette::Button, QColor(kSkyBlue.r, kSkyBlue.g, kSkyBlue.b));
    horizontalHeader()->setPalette(header);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
}

void GoodsGridView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    ApplyColumnWidths();
}

void GoodsGridView::ApplyColumnWidths() {
    for (int i = 0; i < static_cast<int>(kGoodsColumnWidths.size()); ++i) {
        setColumnWidth(i, kGoodsColumnWidths[static_cast<std::size_t>(i)]);
    }
}

}  // namespace tallivo
