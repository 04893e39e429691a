// tallivo-cli history on a history written through the library.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "cli/cli_options.h"
#include "history/print_history.h"
#include "session/app_settings.h"
#include "support/cli_run.h"
#include "support/history_pages.h"
#include "support/private_postgres.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::CliRun;

// Standard output and error together in out.
CliRun History(const QTemporaryDir& dir, const std::string& args) {
    return testing::RunShell(testing::Quote(TALLIVO_CLI) + " history --folder " +
                             testing::Quote(dir.path().toStdString()) + " " + args + " 2>&1");
}

TEST(CliHistoryTest, ListsNewestFirstAsTextOrJsonLinesAndFilters) {
    QTemporaryDir dir;
    EXPECT_EQ(History(dir, "").status, 0) << "no history yet";
    EXPECT_FALSE(QFileInfo::exists(PrintHistoryPath(dir.path().toStdString())));
    {
        PrintHistory history(PrintHistoryPath(dir.path().toStdString()));
        HistoryRecord a;
        a.tradeNumbers = {"111", "222"};
        a.consignee = Gbk(u8"张三");
        a.address = "Room \"1\"\t2";
        a.printer = "HP";
        a.time = QDateTime(QDate(2026, 12, 6), QTime(9, 0));
        HistoryRecord b = a;
        b.form = FormKind::kInvoice;
        b.tradeNumbers = {"333"};
        b.copies = 2;
        b.host = "PACK-2";
        b.time = QDateTime(QDate(2026, 12, 7), QTime(9, 0));
        ASSERT_TRUE(history.Record(a).ok);
        ASSERT_TRUE(history.Record(b).ok);
    }
    const CliRun json = History(dir, "--json");
    ASSERT_EQ(json.status, 0) << json.out;
    EXPECT_EQ(
        json.out,
        "{\"id\":2,\"time\":\"2026-12-07 09:00:00\",\"form\":\"invoice\",\"trades\":[\"333\"],"
        "\"buyer\":\"\",\"consignee\":\"张三\",\"address\":\"Room \\\"1\\\"\\t2\","
        "\"mobile\":\"\",\"telephone\":\"\",\"template\":\"\",\"sequence\":0,\"printer\":\"HP\","
        "\"copies\":2,\"host\":\"PACK-2\"}\n"
        "{\"id\":1,\"time\":\"2026-12-06 09:00:00\",\"form\":\"freight-bill\","
        "\"trades\":[\"111\",\"222\"],\"buyer\":\"\",\"consignee\":\"张三\","
        "\"address\":\"Room \\\"1\\\"\\t2\",\"mobile\":\"\",\"telephone\":\"\",\"template\":\"\","
        "\"sequence\":0,\"printer\":\"HP\",\"copies\":1,\"host\":\"\"}\n");

    const CliRun text = History(dir, "--trade 222");
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.out,
              "time\tform\ttrades\tbuyer\tconsignee\taddress\ttelephone\ttemplate\tsequence"
              "\tprinter\tcopies\n"
              "2026-12-06 09:00:00\tfreight-bill\t111,222\t\t张三\tRoom \"1\" 2\t\t\t0\tHP\t1\n");
    const CliRun since = History(dir, "--since=2026-12-07 --json");
    EXPECT_EQ(std::count(since.out.begin(), since.out.end(), '\n'), 1);
    EXPECT_EQ(History(dir, "--since 2026-02-30").status, 2);
}

TEST(CliHistoryTest, DamageIsSaidAfterListingWhatCanBeRead) {
    QTemporaryDir dir;
    const QString path = PrintHistoryPath(dir.path().toStdString());
    {
        PrintHistory history(path);
        for (int i = 0; i < 300; ++i) {
            HistoryRecord r;
            r.tradeNumbers = {std::to_string(i)};
            r.address = std::string(100, 'a');
            ASSERT_TRUE(history.Record(r).ok);
        }
    }
    ASSERT_TRUE(testing::DamageMiddlePage(path, QStringLiteral("prints")));
    const CliRun run = History(dir, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(u8"打印记录文件“PrintHistory.sqlite”已损坏"), std::string::npos);
    const auto lines = std::count(run.out.begin(), run.out.end(), '\n');
    EXPECT_GT(lines, 250);
    EXPECT_LT(lines, 300);
}

TEST(CliHistoryTest, AListingBesideAWindowThatLostItsLocksLeavesItsJournalAlone) {
    QTemporaryDir dir;
    const QString path = PrintHistoryPath(dir.path().toStdString());
    PrintHistory window(path);
    HistoryRecord first;
    first.tradeNumbers = {"W1"};
    ASSERT_TRUE(window.Record(first).ok);
    // A file dialog sniffing the files closes descriptors, and with them the window's locks.
    for (const char* part : {"", "-wal", "-shm"}) {
        QFile sniffed(path + QLatin1String(part));
        ASSERT_TRUE(sniffed.open(QIODevice::ReadOnly)) << part;
    }
    const CliRun run = History(dir, "");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("W1"), std::string::npos);
    EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral("-wal")));
    EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral("-shm")));
    HistoryRecord second;
    second.tradeNumbers = {"W2"};
    EXPECT_TRUE(window.Record(second).ok);
    EXPECT_EQ(window.List().size(), 2u);
}

TEST(CliHistoryTest, WithoutAFolderItReadsTheFolderFillUses) {
    // An installed program: its history is in the user's data folder.
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("usr/bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("usr/share/tallivo"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TALLIVO_CLI), bin + QStringLiteral("/tallivo-cli")));
    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/Tallivo")));
    {
        PrintHistory history(PrintHistoryPath((data + QStringLiteral("/Tallivo")).toStdString()));
        HistoryRecord r;
        r.tradeNumbers = {"4711"};
        ASSERT_TRUE(history.Record(r).ok);
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_DATA_HOME"), data);
    const CliRun run = testing::RunProgram(bin + QStringLiteral("/tallivo-cli"),
                                           {QStringLiteral("history")}, env, 30000);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\tfreight-bill\t4711\t"), std::string::npos);
}

TEST(CliHistoryTest, OptionsAreChecked) {
    auto parse = [](std::vector<std::string> args) { return ParseCommandLine(args); };
    const ParseOutcome ok = parse({"history", "--trade", "9", "--since", "2026-12-07", "--json"});
    ASSERT_TRUE(ok.command);
    EXPECT_EQ(ok.command->kind, CliCommand::kHistory);
    EXPECT_EQ(ok.command->history.trade, "9");
    EXPECT_EQ(ok.command->history.since, "2026-12-07");
    EXPECT_TRUE(ok.command->history.json);
    EXPECT_FALSE(parse({"history", "--trade"}).command);
    EXPECT_FALSE(parse({"history", "--since", "07/12/2026"}).command);
    EXPECT_FALSE(parse({"history", "--pdf", "x"}).command);
}

}  // namespace
}  // namespace tallivo

namespace tallivo {
namespace {

// The server in Tallivo.ini, or named for one run; the queue sent on demand.
TEST(CliHistoryTest, ServerFromSettingsOrHistoryDbWithHostAndSync) {
    testing::PrivatePostgres server;
    if (!server.SkipReason().empty()) GTEST_SKIP() << server.SkipReason();
    ASSERT_TRUE(server.Ready()) << server.Error();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("shop"))) << server.Error();
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const HistoryLocation location =
        *ParseHistoryUrl(server.Url(QStringLiteral("shop")).toStdString()).location;
    {
        // Away while printing: kept in the queue beside the program.
        HistoryLocation away = location;
        away.host = dir.filePath(QStringLiteral("gone"));
        HistoryRecord r;
        r.tradeNumbers = {"777"};
        r.host = "PACK-2";
        ASSERT_TRUE(MakeHistory(away, folder)->Record(r).ok);
    }
    const std::string url =
        "--history-db '" + server.Url(QStringLiteral("shop")).toStdString() + "'";
    const CliRun sent = History(dir, url + " --sync");
    EXPECT_EQ(sent.status, 0) << sent.out;
    EXPECT_EQ(sent.out, "sent 1 record(s)\n");
    EXPECT_EQ(History(dir, url + " --sync").out, "sent 0 record(s)\n");

    {
        AppSettings settings(folder);
        settings.SetHistory(location);
        ASSERT_TRUE(settings.Sync());
    }
    const CliRun json = History(dir, "--json");
    EXPECT_NE(json.out.find("\"trades\":[\"777\"]"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"host\":\"PACK-2\""), std::string::npos) << json.out;
    // A local file named for one run wins over the settings.
    EXPECT_EQ(History(dir, "--history-db sqlite:" + folder + "/none.sqlite").out,
              "no prints recorded\n");
    EXPECT_EQ(History(dir, "--history-db 'mysql://x/y'").status, 2);
}

}  // namespace
}  // namespace tallivo
