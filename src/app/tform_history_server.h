#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "history/history_location.h"
#include "session/app_settings.h"
#include "text/message_sink.h"

namespace Ui {
class TFormHistoryServer;
}

namespace tallivo {

// Where the print history lives: this PC's file, or a PostgreSQL server the packing PCs share.
// OK writes it to Tallivo.ini; the connection can be tried first, and this PC's own records
// copied to the server.
class TFormHistoryServer : public QDialog {
    Q_OBJECT
public:
    TFormHistoryServer(AppSettings& settings, std::string programFolder, Prompter& prompter,
                       QWidget* owner = nullptr);
    ~TFormHistoryServer() override;

    Ui::TFormHistoryServer* ui() const { return ui_.get(); }
    // The location the fields describe.
    HistoryLocation Location() const;
    // Connects and says on the dialog how it went; true when the history can be used.
    bool TestConnection();
    // Copies PrintHistory.sqlite to the server, said in a message.
    void ImportLocal();
    void accept() override;

signals:
    // Tallivo.ini has a new location.
    void locationChanged();

private:
    void Show(const HistoryLocation& location);
    void UpdateEnabled();

    std::unique_ptr<Ui::TFormHistoryServer> ui_;
    AppSettings& settings_;
    std::string folder_;
    Prompter& prompter_;
    HistoryLocation shown_;
};

}  // namespace tallivo
