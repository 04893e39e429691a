#pragma once

#include <QTableView>
#include <array>

namespace tallivo {

// Design widths of the goods grid's seven columns: 交易号 品名 数量 单价 邮费 折扣 金额.
inline constexpr std::array<int, 7> kGoodsColumnWidths{134, 430, 35, 52, 43, 49, 63};

// The goods grid's view: money-green cells, a sky-blue header row, no row header, editable,
// range selection and resizable columns. The design widths are applied whenever a model is set.
class GoodsGridView : public QTableView {
    Q_OBJECT
public:
    explicit GoodsGridView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void ApplyColumnWidths();
};

}  // namespace tallivo
