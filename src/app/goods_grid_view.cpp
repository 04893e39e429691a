#include "app/goods_grid_view.h"

#include <QHeaderView>
#include <QProxyStyle>

#include "app/owner_draw_rules.h"

namespace tallivo {

namespace {

// The grid's columns were sized for text drawn 2 pixels from the cell's edge; the style's wider
// focus margin would cut "10.00" short in the 43-pixel postage column.
class NarrowCellMarginStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_FocusFrameHMargin) return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// Sections measured in the header's own font. Qt measures them in bold, for a highlighted
// section; this header highlights none, and the bold face was a font load of its own at start-up
// for a grid on a tab not yet shown.
class PlainHeader : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        if (!model()) return QSize();
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        option.text = model()->headerData(logicalIndex, orientation()).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

}  // namespace

GoodsGridView::GoodsGridView(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new PlainHeader(Qt::Horizontal, this));
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
    // A number too wide for its cell ends in an ellipsis, as on paper, so that a cut-off figure
    // is never read as a whole one.
    setTextElideMode(Qt::ElideRight);
    setWordWrap(false);
    auto* style = new NarrowCellMarginStyle;
    style->setParent(this);
    setStyle(style);
}

void GoodsGridView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    ApplyColumnWidths();
    // Row 0 of the grid is its fixed header row: the view's own header shows it, so that the
    // columns can be resized there.
    const auto hideHeaderRow = [this] { setRowHidden(0, true); };
    if (model) connect(model, &QAbstractItemModel::modelReset, this, hideHeaderRow);
    hideHeaderRow();
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight);
}

void GoodsGridView::ApplyColumnWidths() {
    for (int i = 0; i < static_cast<int>(kGoodsColumnWidths.size()); ++i) {
        setColumnWidth(i, kGoodsColumnWidths[static_cast<std::size_t>(i)]);
    }
}

}  // namespace tallivo
