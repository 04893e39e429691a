// The goods grid as an item model: the view shows and edits it, the grid keeps the arithmetic.
#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include "invoice/goods_grid.h"

namespace tallivo {

class GoodsGridModel : public QAbstractTableModel, private GoodsGridListener {
    Q_OBJECT
public:
    explicit GoodsGridModel(GoodsGrid* grid, QObject* parent = nullptr);
    ~GoodsGridModel() override;

    static QColor CellColor();      // money green
    static QColor FixedRowColor();  // sky blue

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The grid's header row, for the view's header.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    GoodsGrid& Grid() { return *grid_; }

signals:
    // A cell was edited by the user and the totals recomputed.
    void cellEdited(int row, int column);

private:
    void GridAboutToReset() override { beginResetModel(); }
    void GridReset() override { endResetModel(); }
    void RowsAboutToBeInserted(int first, int count) override {
        beginInsertRows(QModelIndex(), first, first + count - 1);
    }
    void RowsInserted() override { endInsertRows(); }
    void RowsAboutToBeRemoved(int first, int count) override {
        beginRemoveRows(QModelIndex(), first, first + count - 1);
    }
    void RowsRemoved() override { endRemoveRows(); }
    void CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn) override;

    GoodsGrid* grid_;
};

}  // namespace tallivo
