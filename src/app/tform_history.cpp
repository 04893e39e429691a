#include "app/tform_history.h"

#include <QHeaderView>
#include <QTableWidgetItem>

#include "orders/gbk_string.h"
#include "text/gbk_codec.h"
#include "ui_tform_history.h"

namespace tallivo {

namespace {

QString Trades(const std::vector<std::string>& trades) {
    QStringList out;
    for (const std::string& t : trades) out << GbkToQString(t);
    return out.join(QLatin1Char(','));
}

}  // namespace

TFormHistory::TFormHistory(PrintHistory* history, Prompter* prompter, QWidget* owner)
    : QDialog(owner), ui_(new Ui::TFormHistory), history_(history), prompter_(prompter) {
    ui_->setupUi(this);
    ui_->GridHistory->horizontalHeader()->setStretchLastSection(true);
    connect(ui_->EditSearch, &QLineEdit::textChanged, this, [this] { Refresh(); });
    connect(ui_->ButtonReprint, &QPushButton::clicked, this, [this] { ReprintSelected(); });
    connect(ui_->ButtonClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->GridHistory, &QTableWidget::cellDoubleClicked, this,
            [this] { ReprintSelected(); });
    connect(ui_->GridHistory, &QTableWidget::itemSelectionChanged, this, [this] {
        ui_->ButtonReprint->setEnabled(ui_->GridHistory->currentRow() >= 0 &&
                                       !ui_->GridHistory->selectedItems().isEmpty());
    });
    Refresh();
}

TFormHistory::~TFormHistory() = default;

void TFormHistory::Refresh() {
    records_.clear();
    if (history_) {
        HistoryFilter filter;
        filter.text = QStringToGbk(ui_->EditSearch->text().trimmed());
        filter.limit = kShownRecords;
        records_ = history_->List(filter);
        const std::string message = history_->TakeMessage();
        if (!message.empty() && prompter_) prompter_->ShowMessage(message);
    }
    QTableWidget* grid = ui_->GridHistory;
    grid->clearContents();
    grid->setRowCount(static_cast<int>(records_.size()));
    for (int row = 0; row < grid->rowCount(); ++row) {
        const HistoryRecord& r = records_[static_cast<std::size_t>(row)];
        const QString cells[] = {HistoryTimeText(r.time),
                                 GbkToQString(HistoryFormCaption(r.form)),
                                 Trades(r.tradeNumbers),
                                 GbkToQString(r.buyer),
                                 GbkToQString(r.consignee),
                                 GbkToQString(r.address),
                                 GbkToQString(ShownTelephone(r)),
                                 GbkToQString(r.templateName),
                                 QString::number(r.sequenceNumber),
                                 GbkToQString(r.printer),
                                 QString::number(r.copies)};
        for (int c = 0; c < static_cast<int>(std::size(cells)) && c < grid->columnCount(); ++c)
            grid->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    ui_->ButtonReprint->setEnabled(false);
}

void TFormHistory::ReprintSelected() {
    const int row = ui_->GridHistory->currentRow();
    if (row < 0 || row >= static_cast<int>(records_.size())) return;
    emit reprintRequested(records_[static_cast<std::size_t>(row)]);
}

}  // namespace tallivo
