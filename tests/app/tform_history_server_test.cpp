#include "app/tform_history_server.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "history/print_history.h"
#include "support/private_postgres.h"
#include "support/recording_prompter.h"
#include "text/gbk_codec.h"
#include "ui_tform_history_server.h"

namespace tallivo {
namespace {

// The dialog's fields, tried against a private server, written to Tallivo.ini on OK; this PC's
// records imported once.
TEST(TFormHistoryServerTest, TestsTheConnectionImportsAndSavesTheLocation) {
    testing::PrivatePostgres server;
    if (!server.SkipReason().empty()) GTEST_SKIP() << server.SkipReason();
    ASSERT_TRUE(server.Ready()) << server.Error();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("shop"))) << server.Error();
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    {
        PrintHistory local(PrintHistoryPath(folder));
        HistoryRecord r;
        r.tradeNumbers = {"42"};
        ASSERT_TRUE(local.Record(r).ok);
    }
    AppSettings settings(folder);
    testing::RecordingPrompter prompter;
    TFormHistoryServer dialog(settings, folder, prompter);
    Ui::TFormHistoryServer& ui = *dialog.ui();
    EXPECT_FALSE(ui.GroupBoxServer->isEnabled());
    ui.RadioButtonServer->setChecked(true);
    EXPECT_TRUE(ui.GroupBoxServer->isEnabled());
    ui.EditHost->setText(server.SocketFolder());
    ui.SpinEditPort->setValue(server.Port());
    ui.EditUser->setText(QStringLiteral("postgres"));
    ui.EditPassword->setText(QStringLiteral("s3cret-pw"));
    ui.EditDatabase->setText(QStringLiteral("missing"));
    EXPECT_FALSE(dialog.TestConnection());
    EXPECT_FALSE(ui.LabelTestResult->text().isEmpty());
    EXPECT_FALSE(ui.LabelTestResult->text().contains(QStringLiteral("s3cret-pw")));

    ui.EditDatabase->setText(QStringLiteral("shop"));
    EXPECT_TRUE(dialog.TestConnection()) << ui.LabelTestResult->text().toStdString();
    dialog.ImportLocal();
    dialog.ImportLocal();
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_NE(prompter.messages[0].find(Gbk(u8"已导入本机记录 1 条")), std::string::npos);
    EXPECT_NE(prompter.messages[1].find(Gbk(u8"已导入本机记录 0 条")), std::string::npos);

    QSignalSpy changed(&dialog, &TFormHistoryServer::locationChanged);
    dialog.accept();
    EXPECT_EQ(changed.size(), 1);
    const HistoryLocation saved = AppSettings(folder).History();
    EXPECT_TRUE(saved.Server());
    EXPECT_EQ(saved.host, server.SocketFolder());
    EXPECT_EQ(saved.database, QStringLiteral("shop"));
    EXPECT_EQ(saved.sslMode, QStringLiteral("prefer"));
}

}  // namespace
}  // namespace tallivo
