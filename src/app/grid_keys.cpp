#include "app/grid_keys.h"

#include <QKeyEvent>
#include <QTableView>

#include "invoice/goods_grid.h"

namespace tallivo {
namespace {

class GridKeys : public QObject {
public:
    GridKeys(QTableView* view, GoodsGrid* grid, std::function<void()> anyKey)
        : QObject(view), view_(view), grid_(grid), anyKey_(std::move(anyKey)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != view_ || event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (anyKey_) anyKey_();
        const QModelIndex current = view_->currentIndex();
        if (!current.isValid()) return false;
        grid_->SetCurrentCell(current.column(), current.row());
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            grid_->InsertGoodsRow();
            view_->setCurrentIndex(view_->model()->index(grid_->CurrentRow(), current.column()));
            return true;
        }
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
            if (!grid_->DeleteCurrentRowIfEmpty()) return false;
            view_->setCurrentIndex(
                view_->model()->index(grid_->CurrentRow(), grid_->CurrentColumn()));
            return true;
        }
        return false;
    }

private:
    QTableView* view_;
    GoodsGrid* grid_;
    std::function<void()> anyKey_;
};

}  // namespace

void InstallGridKeys(QTableView* view, GoodsGrid* grid, std::function<void()> anyKey) {
    view->installEventFilter(new GridKeys(view, grid, std::move(anyKey)));
}

}  // namespace tallivo
