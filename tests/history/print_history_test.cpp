#include "history/print_history.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "history/reprint_check.h"
#include "support/history_pages.h"
#include "support/history_records.h"
#include "support/read_only_path.h"
#include "support/recording_prompter.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::PrintedRecord;

// Reads a value of the file through a connection of its own.
QVariant Pragma(const QString& path, const QString& sql) {
    QVariant value;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next()) value = q.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return value;
}

QStringList Damaged(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList({QStringLiteral("PrintHistory-*.sqlite.damaged")});
}

class PrintHistoryTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = PrintHistoryPath(dir.path().toStdString());
};

TEST_F(PrintHistoryTest, NewFileHasTheSchemaVersionAndWriteAheadLog) {
    {
        PrintHistory history(path);
        const HistoryResult r = history.Open();
        EXPECT_TRUE(r.ok);
        EXPECT_TRUE(r.message.empty());
    }
    EXPECT_TRUE(path.endsWith(QLatin1String("/PrintHistory.sqlite")));
    EXPECT_EQ(Pragma(path, QStringLiteral("PRAGMA user_version")).toInt(),
              PrintHistory::SchemaVersion());
    EXPECT_EQ(Pragma(path, QStringLiteral("PRAGMA journal_mode")).toString(),
              QStringLiteral("wal"));
}

TEST_F(PrintHistoryTest, EarlierPrintIsTheFirstOfItsTradeOnTheSameForm) {
    PrintHistory history(path);
    HistoryRecord first =
        PrintedRecord(FormKind::kFreightBill, {"T1", "T2", "T2", ""}, "2026-12-07 10:30:00");
    HistoryRecord second =
        PrintedRecord(FormKind::kFreightBill, {"T2"}, "2026-12-08 09:00:00", "Back");
    ASSERT_TRUE(history.Record(first).ok);
    ASSERT_TRUE(history.Record(second).ok);
    EXPECT_GT(second.id, first.id);

    EXPECT_FALSE(history.FindEarlierPrint(FormKind::kFreightBill, {"T9", ""}));
    EXPECT_FALSE(history.FindEarlierPrint(FormKind::kInvoice, {"T1", "T2"}));
    const auto earlier = history.FindEarlierPrint(FormKind::kFreightBill, {"T9", "T2", "T1"});
    ASSERT_TRUE(earlier);
    EXPECT_EQ(earlier->tradeNumber, "T2");
    EXPECT_EQ(HistoryTimeText(earlier->time), QStringLiteral("2026-12-07 10:30:00"));
    EXPECT_EQ(earlier->printer, "Office");
    EXPECT_EQ(earlier->times, 2);

    // Repeats within one print are kept once, blanks not at all.
    const auto stored = history.Find(first.id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->tradeNumbers, (std::vector<std::string>{"T1", "T2"}));
}

TEST_F(PrintHistoryTest, ReprintQuestionNamesTheFirstPrintAndDefaultsToNo) {
    PrintHistory history(path);
    HistoryRecord r = PrintedRecord(FormKind::kInvoice, {"8812"}, "2026-12-07 10:30:00", "HP");
    testing::RecordingPrompter prompter;
    EXPECT_TRUE(ConfirmReprint(history, prompter, FormKind::kInvoice, {"8812"}));
    EXPECT_TRUE(prompter.questions.empty());
    ASSERT_TRUE(RecordPrint(history, prompter, r));

    EXPECT_FALSE(ConfirmReprint(history, prompter, FormKind::kInvoice, {"8812"}));
    prompter.answers.push_back(true);
    EXPECT_TRUE(ConfirmReprint(history, prompter, FormKind::kInvoice, {"8812"}));
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[0].caption, Gbk(u8"提示：已打印过！"));
    EXPECT_EQ(
        prompter.questions[0].text,
        Gbk(u8"交易号8812的发货单已于2026-12-07 10:30:00在打印机“HP”上打印过，确定要再次打印吗？"));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(PrintHistoryTest, SqlLikeTextIsStoredAndFoundAsPlainText) {
    PrintHistory history(path);
    HistoryRecord r =
        PrintedRecord(FormKind::kFreightBill, {"1' OR '1'='1"}, "2026-12-07 10:30:00");
    r.buyer = "x'); DROP TABLE prints; --";
    r.address = Gbk(u8"北京市\"海淀区\" 100%_路");
    ASSERT_TRUE(history.Record(r).ok);
    HistoryRecord other = PrintedRecord(FormKind::kFreightBill, {"2"}, "2026-12-07 11:00:00");
    other.buyer = "100 percent";
    ASSERT_TRUE(history.Record(other).ok);

    const auto found = history.List({{}, "DROP TABLE", {}, 0});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].buyer, r.buyer);
    EXPECT_EQ(found[0].address, r.address);
    EXPECT_EQ(history.List({"1' OR '1'='1", {}, {}, 0}).size(), 1u);
    // Wildcards in the search are plain characters.
    EXPECT_TRUE(history.List({{}, "0%", {}, 0}).empty());
    EXPECT_EQ(history.List().size(), 2u);
}

TEST_F(PrintHistoryTest, ListIsNewestFirstAndFiltersByTradeTextDateAndCount) {
    PrintHistory history(path);
    HistoryRecord a = PrintedRecord(FormKind::kFreightBill, {"A1"}, "2026-12-06 08:00:00");
    HistoryRecord b = PrintedRecord(FormKind::kInvoice, {"B1", "A1"}, "2026-12-07 08:00:00");
    HistoryRecord c = PrintedRecord(FormKind::kFreightBill, {"C1"}, "2026-12-08 08:00:00");
    c.consignee = Gbk(u8"李四");
    for (HistoryRecord* r : {&a, &b, &c}) ASSERT_TRUE(history.Record(*r).ok);

    auto ids = [](const std::vector<HistoryRecord>& list) {
        std::vector<std::int64_t> out;
        for (const auto& r : list) out.push_back(r.id);
        return out;
    };
    EXPECT_EQ(ids(history.List()), (std::vector<std::int64_t>{c.id, b.id, a.id}));
    EXPECT_EQ(ids(history.List({"A1", {}, {}, 0})), (std::vector<std::int64_t>{b.id, a.id}));
    EXPECT_EQ(ids(history.List({{}, Gbk(u8"李"), {}, 0})), (std::vector<std::int64_t>{c.id}));
    EXPECT_EQ(ids(history.List({{}, "2026-12-07", {}, 0})), (std::vector<std::int64_t>{b.id}));
    EXPECT_EQ(ids(history.List({{}, {}, QDate(2026, 12, 7), 0})),
              (std::vector<std::int64_t>{c.id, b.id}));
    EXPECT_EQ(ids(history.List({{}, {}, {}, 1})), (std::vector<std::int64_t>{c.id}));
    const auto all = history.List();
    EXPECT_EQ(all[1].form, FormKind::kInvoice);
    EXPECT_EQ(all[1].tradeNumbers, (std::vector<std::string>{"B1", "A1"}));
}

TEST_F(PrintHistoryTest, DamagedFileIsMovedAsideUnderADatedNameAndANewOneStarted) {
    const QByteArray garbage(8192, 'x');
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    PrintHistory history(path);
    HistoryRecord r = PrintedRecord(FormKind::kFreightBill, {"T1"}, "2026-12-07 10:30:00");
    const HistoryResult result = history.Record(r);
    EXPECT_TRUE(result.ok);
    const QStringList moved = Damaged(dir);
    ASSERT_EQ(moved.size(), 1);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral(R"(^PrintHistory-\d{4}-\d\d-\d\d-\d{6}\.sqlite\.damaged$)"))
                    .match(moved[0])
                    .hasMatch());
    EXPECT_EQ(result.message, HistoryDamagedMessage(moved[0]));
    QFile kept(dir.filePath(moved[0]));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_TRUE(history.FindEarlierPrint(FormKind::kFreightBill, {"T1"}));
}

TEST_F(PrintHistoryTest, DamagedPagesFoundWhileWritingMoveTheFileAside) {
    {
        PrintHistory history(path);
        for (int i = 0; i < 200; ++i) {
            HistoryRecord r =
                PrintedRecord(FormKind::kFreightBill, {std::to_string(i)}, "2026-12-07 10:30:00");
            r.address = std::string(200, 'a');
            ASSERT_TRUE(history.Record(r).ok);
        }
    }
    // Checkpointed on close: the rows are in the file's pages. Every page after the schema's
    // first is overwritten.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    ASSERT_GT(size, 8 * 4096);
    f.seek(4096);
    f.write(QByteArray(static_cast<int>(size - 4096), '\xA5'));
    f.close();

    PrintHistory history(path);
    HistoryRecord r = PrintedRecord(FormKind::kFreightBill, {"new"}, "2026-12-08 10:30:00");
    const HistoryResult result = history.Record(r);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Damaged(dir).size(), 1);
    EXPECT_NE(result.message.find(Gbk(u8"已损坏")), std::string::npos);
    EXPECT_EQ(history.List().size(), 1u);
}

TEST_F(PrintHistoryTest, UnwritableHistoryFailsWithOneMessageAndIsLeftAlone) {
    ASSERT_TRUE(QDir().mkpath(path));  // a folder where the file belongs
    PrintHistory history(path);
    testing::RecordingPrompter prompter;
    EXPECT_TRUE(ConfirmReprint(history, prompter, FormKind::kFreightBill, {"T1"}));
    HistoryRecord r = PrintedRecord(FormKind::kFreightBill, {"T1"}, "2026-12-07 10:30:00");
    EXPECT_FALSE(RecordPrint(history, prompter, r));
    // One message for the print, not one for the lookup and one for the record.
    EXPECT_EQ(prompter.messages, std::vector<std::string>{HistoryWriteFailedMessage()});
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(Damaged(dir).isEmpty());
}

TEST_F(PrintHistoryTest, ReadOnlyFileKeepsItsRecordsAndRefusesNewOnes) {
    {
        PrintHistory history(path);
        HistoryRecord r = PrintedRecord(FormKind::kFreightBill, {"T1"}, "2026-12-07 10:30:00");
        ASSERT_TRUE(history.Record(r).ok);
    }
    const testing::ReadOnlyPath readOnly(path.toStdString());
    if (readOnly.unavailable()) GTEST_SKIP() << readOnly.error();
    ASSERT_EQ(readOnly.error(), "");
    PrintHistory history(path);
    HistoryRecord r = PrintedRecord(FormKind::kFreightBill, {"T2"}, "2026-12-08 10:30:00");
    const HistoryResult result = history.Record(r);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, HistoryWriteFailedMessage());
    EXPECT_TRUE(Damaged(dir).isEmpty());
}

TEST_F(PrintHistoryTest, OlderFilesAreMigratedAndNewerOnesLeftAlone) {
    // A file of no version with a table of its own gains the schema and keeps the table.
    Pragma(path, QStringLiteral("CREATE TABLE notes (text TEXT)"));
    {
        PrintHistory history(path);
        EXPECT_TRUE(history.Open().ok);
    }
    EXPECT_EQ(Pragma(path, QStringLiteral("PRAGMA user_version")).toInt(),
              PrintHistory::SchemaVersion());
    EXPECT_EQ(Pragma(path, QStringLiteral("SELECT count(*) FROM notes")).toInt(), 0);

    Pragma(path, QStringLiteral("PRAGMA user_version = 99"));
    PrintHistory history(path);
    const HistoryResult r = history.Open();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(Gbk(u8"较新版本")), std::string::npos);
    EXPECT_EQ(Pragma(path, QStringLiteral("PRAGMA user_version")).toInt(), 99);
    EXPECT_TRUE(Damaged(dir).isEmpty());
}

TEST_F(PrintHistoryTest, VersionOneFileKeepsEveryRecordWithItsTelephoneSplit) {
    // Written by the program before mobile and fixed telephone had columns of their own.
    ASSERT_TRUE(QFile::copy(QStringLiteral(TALLIVO_TEST_DATA "/history/version1.sqlite"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    PrintHistory history(path);
    const std::vector<HistoryRecord> records = history.List();
    EXPECT_EQ(history.TakeMessage(), "");
    ASSERT_EQ(records.size(), 4u);
    const std::pair<std::string, std::string> phones[] = {
        {"", ""}, {"0571-88886666", ""}, {"13812345678", ""}, {"13812345678", "0571-88886666"}};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].mobile, phones[i].first) << i;
        EXPECT_EQ(records[i].telephone, phones[i].second) << i;
    }
    EXPECT_EQ(records[3].consignee, Gbk(u8"张小明"));
    EXPECT_TRUE(history.FindEarlierPrint(FormKind::kFreightBill, {"2008030712345678"}));
    EXPECT_EQ(Pragma(path, QStringLiteral("PRAGMA user_version")).toInt(),
              PrintHistory::SchemaVersion());
}

TEST_F(PrintHistoryTest, EachHistoryHasItsOwnConnection) {
    PrintHistory one(path);
    PrintHistory two(path);
    HistoryRecord r = PrintedRecord(FormKind::kFreightBill, {"T1"}, "2026-12-07 10:30:00");
    ASSERT_TRUE(one.Record(r).ok);
    EXPECT_TRUE(two.FindEarlierPrint(FormKind::kFreightBill, {"T1"}));
}

TEST_F(PrintHistoryTest, ADamagedIndexIsRebuiltAndDamagedRecordsCostOnlyThemselves) {
    constexpr int kPrints = 600;
    {
        PrintHistory history(path);
        for (int i = 0; i < kPrints; ++i) {
            HistoryRecord r = PrintedRecord(FormKind::kFreightBill, {"T" + std::to_string(i)},
                                            "2026-12-07 10:30:00");
            r.address = std::string(100, 'a');
            ASSERT_TRUE(history.Record(r).ok);
        }
    }
    const QString pristine = dir.filePath(QStringLiteral("pristine"));
    ASSERT_TRUE(QFile::copy(path, pristine));

    // An index page: nothing is lost, nothing is said.
    ASSERT_TRUE(testing::DamageMiddlePage(path, QStringLiteral("prints_by_time")));
    {
        PrintHistory history(path);
        EXPECT_EQ(history.List().size(), static_cast<size_t>(kPrints));
        EXPECT_EQ(history.TakeMessage(), "");
        EXPECT_TRUE(history.FindEarlierPrint(FormKind::kFreightBill, {"T599"}));
    }
    EXPECT_TRUE(Damaged(dir).isEmpty());
    EXPECT_EQ(Pragma(path, QStringLiteral("PRAGMA quick_check")).toString(), QStringLiteral("ok"));

    // A page of the records: what can be read is listed and kept, the damage is said once.
    for (const char* part : {"", "-wal", "-shm"}) QFile::remove(path + QLatin1String(part));
    ASSERT_TRUE(QFile::copy(pristine, path));
    ASSERT_TRUE(testing::DamageMiddlePage(path, QStringLiteral("prints")));
    PrintHistory history(path);
    const size_t listed = history.List().size();
    EXPECT_LT(listed, static_cast<size_t>(kPrints));
    EXPECT_GT(listed, static_cast<size_t>(kPrints) * 9 / 10);
    const QStringList moved = Damaged(dir);
    ASSERT_EQ(moved.size(), 1);
    EXPECT_EQ(history.TakeMessage(), HistoryDamagedMessage(moved[0]));
    EXPECT_EQ(history.List().size(), listed);
    EXPECT_EQ(history.TakeMessage(), "");
    EXPECT_TRUE(history.FindEarlierPrint(FormKind::kFreightBill, {"T0"}));
    EXPECT_TRUE(history.FindEarlierPrint(FormKind::kFreightBill, {"T599"}));
}

}  // namespace
}  // namespace tallivo
