#include "app/tform_history_server.h"

#include <QFileInfo>

#include "history/print_history.h"
#include "text/gbk_codec.h"
#include "ui_tform_history_server.h"

namespace tallivo {

TFormHistoryServer::TFormHistoryServer(AppSettings& settings, std::string programFolder,
                                       Prompter& prompter, QWidget* owner)
    : QDialog(owner),
      ui_(new Ui::TFormHistoryServer),
      settings_(settings),
      folder_(std::move(programFolder)),
      prompter_(prompter) {
    ui_->setupUi(this);
    connect(ui_->RadioButtonServer, &QRadioButton::toggled, this, [this] { UpdateEnabled(); });
    connect(ui_->ButtonTest, &QPushButton::clicked, this, [this] { TestConnection(); });
    connect(ui_->ButtonImport, &QPushButton::clicked, this, [this] { ImportLocal(); });
    connect(ui_->ButtonBox, &QDialogButtonBox::accepted, this, &TFormHistoryServer::accept);
    connect(ui_->ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Show(settings_.History());
}

TFormHistoryServer::~TFormHistoryServer() = default;

void TFormHistoryServer::Show(const HistoryLocation& loc) {
    shown_ = loc;
    (loc.Server() ? ui_->RadioButtonServer : ui_->RadioButtonLocal)->setChecked(true);
    ui_->EditHost->setText(loc.host);
    ui_->SpinEditPort->setValue(loc.port);
    ui_->EditDatabase->setText(loc.database);
    ui_->EditUser->setText(loc.user);
    ui_->EditPassword->setText(loc.password);
    ui_->EditService->setText(loc.service);
    const int mode = ui_->ComboBoxSslMode->findText(loc.sslMode);
    ui_->ComboBoxSslMode->setCurrentIndex(mode < 0 ? 0 : mode);
    UpdateEnabled();
}

void TFormHistoryServer::UpdateEnabled() {
    const bool server = ui_->RadioButtonServer->isChecked();
    ui_->GroupBoxServer->setEnabled(server);
    ui_->ButtonTest->setEnabled(server);
    ui_->ButtonImport->setEnabled(server);
}

HistoryLocation TFormHistoryServer::Location() const {
    HistoryLocation loc;
    // A file named in Tallivo.ini by hand is kept.
    loc.sqlitePath = shown_.sqlitePath;
    if (!ui_->RadioButtonServer->isChecked()) return loc;
    loc.engine = HistoryLocation::Engine::kPostgres;
    loc.host = ui_->EditHost->text().trimmed();
    loc.port = ui_->SpinEditPort->value();
    loc.database = ui_->EditDatabase->text().trimmed();
    loc.user = ui_->EditUser->text().trimmed();
    loc.password = ui_->EditPassword->text();
    loc.service = ui_->EditService->text().trimmed();
    loc.sslMode = ui_->ComboBoxSslMode->currentText();
    return loc;
}

bool TFormHistoryServer::TestConnection() {
    const HistoryLocation loc = Location();
    PrintHistory history(loc, QString());
    const HistoryResult opened = history.Open();
    const bool ok = opened.ok && loc.Server();
    ui_->LabelTestResult->setText(
        ok ? QString::fromUtf8(u8"连接成功，打印记录可以使用。")
           : QString::fromStdString(
                 GbkToUtf8(opened.message.empty() ? Gbk(u8"请填写服务器。") : opened.message)));
    return ok;
}

void TFormHistoryServer::ImportLocal() {
    const QString local = PrintHistoryPath(folder_);
    if (!QFileInfo::exists(local)) {
        prompter_.ShowMessage(Gbk(u8"本机没有打印记录可导入。"));
        return;
    }
    PrintHistory from(local);
    const SyncResult result = MakeHistory(Location(), folder_)->Import(from);
    std::string text = Gbk(u8"已导入本机记录 ") + std::to_string(result.sent) + Gbk(u8" 条。");
    if (result.left > 0)
        text += Gbk(u8"另有 ") + std::to_string(result.left) + Gbk(u8" 条未能导入。");
    if (!result.message.empty()) text += "\n" + result.message;
    prompter_.ShowMessage(text);
}

void TFormHistoryServer::accept() {
    const HistoryLocation loc = Location();
    if (loc.Server() && loc.database.isEmpty() && loc.service.isEmpty()) {
        prompter_.ShowMessage(Gbk(u8"请填写数据库或服务名。"));
        return;
    }
    settings_.SetHistory(loc);
    if (!settings_.Sync()) {
        prompter_.ShowMessage(Gbk(u8"无法写入设置文件“Tallivo.ini”，请检查读写权限！"));
        return;
    }
    emit locationChanged();
    QDialog::accept();
}

}  // namespace tallivo
