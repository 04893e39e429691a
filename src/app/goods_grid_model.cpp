#include "app/goods_grid_model.h"

#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {

GoodsGridModel::GoodsGridModel(GoodsGrid* grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {
    grid_->SetListener(this);
}

GoodsGridModel::~GoodsGridModel() {
    if (grid_->Listener() == this) grid_->SetListener(nullptr);
}

QColor GoodsGridModel::CellColor() {
    return QColor(192, 220, 192);
}

QColor GoodsGridModel::FixedRowColor() {
    return QColor(166, 202, 240);
}

int GoodsGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_->RowCount();
}

int GoodsGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GoodsGrid::kColumnCount;
}

QVariant GoodsGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return QVariant();
    const int row = index.row();
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return GbkToQString(grid_->Cell(column, row));
        case Qt::TextAlignmentRole:
            // Goods names read from the left; everything else is centred, at the top.
            return QVariant::fromValue(
                (column == GoodsGrid::kGoodsName && row > 0 ? Qt::AlignLeft : Qt::AlignHCenter) |
                Qt::AlignTop);
        case Qt::BackgroundRole:
            return row == 0 ? FixedRowColor() : CellColor();
        default:
            return QVariant();
    }
}

bool GoodsGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() == 0) return false;
    const std::string text = QStringToGbk(value.toString());
    grid_->SetCurrentCell(index.column(), index.row());
    grid_->SetCell(index.column(), index.row(), text);
    grid_->StringGridInvoiceSetEditText(index.row());
    emit cellEdited(index.row(), index.column());
    return true;
}

Qt::ItemFlags GoodsGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.row() > 0) f |= Qt::ItemIsEditable;
    return f;
}

QVariant GoodsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return GbkToQString(grid_->Cell(section, 0));
}

void GoodsGridModel::CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn) {
    emit dataChanged(index(firstRow, firstColumn), index(lastRow, lastColumn));
}

}  // namespace tallivo
