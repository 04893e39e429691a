#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "history/print_history.h"
#include "text/message_sink.h"

namespace Ui {
class TFormHistory;
}

namespace tallivo {

// The history window: the prints, newest first, searched by trade number, buyer, consignee or
// date as the user types. A chosen entry is handed on to be printed again (button or double
// click); filling the form from it is the receiver's.
class TFormHistory : public QDialog {
    Q_OBJECT
public:
    // The newest this many are shown; a search finds older ones.
    static constexpr int kShownRecords = 1000;

    // `prompter` shows what went wrong reading the history; may be null.
    TFormHistory(PrintHistory* history, Prompter* prompter, QWidget* owner = nullptr);
    ~TFormHistory() override;

    Ui::TFormHistory* ui() const { return ui_.get(); }
    const std::vector<HistoryRecord>& Shown() const { return records_; }

    // Reads the history again with the search box's text.
    void Refresh();

signals:
    void reprintRequested(const tallivo::HistoryRecord& record);

private:
    void ReprintSelected();

    std::unique_ptr<Ui::TFormHistory> ui_;
    PrintHistory* history_;
    Prompter* prompter_;
    std::vector<HistoryRecord> records_;
};

}  // namespace tallivo
