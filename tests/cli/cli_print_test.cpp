// tallivo-cli fill --print: the options, and the built program printing to a print system of
// the test's own.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/cli_options.h"
#include "history/print_history.h"
#include "session/app_settings.h"
#include "support/cli_run.h"
#include "support/example_files.h"

#ifdef TALLIVO_HAVE_PRINTING
#include <QPageLayout>
#include <QPrinter>

#include "print/print_job.h"
#include "storage/config_file.h"
#include "support/pdf_words.h"
#include "support/private_cups.h"
#include "support/private_postgres.h"
#include "support/small_tmpfs.h"
#endif

namespace tallivo {
namespace {

TEST(CliPrintOptionsTest, PrintTakesItsPrinterOnlyAfterAnEqualsSign) {
    ParseOutcome p = ParseCommandLine({"fill", "--print", "a.txt", "--form", "invoice"});
    ASSERT_TRUE(p.command) << p.error;
    EXPECT_TRUE(p.command->fill.print);
    EXPECT_TRUE(p.command->fill.printer.empty());
    EXPECT_EQ(p.command->fill.pages, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(p.command->fill.copies, 1);

    p = ParseCommandLine({"fill", "a.txt", "--form", "invoice", "--print=Office", "--copies", "3",
                          "--pdf", "o.pdf"});
    ASSERT_TRUE(p.command) << p.error;
    EXPECT_EQ(p.command->fill.printer, "Office");
    EXPECT_EQ(p.command->fill.copies, 3);
    EXPECT_EQ(p.command->fill.pdfPath, "o.pdf");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"fill", "a", "--form", "invoice", "--print="},
          {"fill", "a", "--form", "invoice", "--print", "--copies", "0"},
          {"fill", "a", "--form", "invoice", "--print", "--copies", "1000"},
          {"fill", "a", "--form", "invoice", "--copies", "2"}})
        EXPECT_FALSE(ParseCommandLine(bad).command) << bad.back();
}

using testing::CliRun;
using testing::ExampleFile;

class CliPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(testing::CopyStarter(dir.path()));
    }
    CliRun Cli(QStringList args, const QString& cupsServer = QString(),
               const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env;
        if (!cupsServer.isEmpty()) env.insert(QStringLiteral("CUPS_SERVER"), cupsServer);
        env.insert(extra);
        args << QStringLiteral("--folder") << dir.path() << QStringLiteral("--now")
             << QStringLiteral("2008-03-09 10:00:00");
        return testing::RunProgram(QStringLiteral(TALLIVO_CLI), args, env);
    }

    QTemporaryDir dir;
};

#ifdef TALLIVO_HAVE_PRINTING

TEST_F(CliPrintTest, FilledPagesGoAsOneJobNamedLikeTheWindowsAlongsideThePdf) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    const QString page = ExampleFile("taobao-order-detail.txt");
    const QString pdf = dir.filePath(QStringLiteral("both.pdf"));

    CliRun run =
        Cli({QStringLiteral("fill"), page, ExampleFile("taobao-trade-detail.txt"),
             QStringLiteral("--form"), QStringLiteral("freight-bill"),
             QStringLiteral("--print=") + testing::PrivateCups::Queue(), QStringLiteral("--copies"),
             QStringLiteral("2"), QStringLiteral("--pdf"), pdf},
            cups.Socket());
    ASSERT_EQ(run.status, 0) << run.Err().toStdString();
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(run.Err().contains(QStringLiteral("printed 2 page(s) as job 1")))
        << run.Err().toStdString();
    auto kept = cups.WaitForJob(1);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->title.startsWith(QStringLiteral("Tallivo--")));
    EXPECT_TRUE(kept->title.endsWith(QString::fromUtf8(u8"--打印货运单")));
    EXPECT_EQ(kept->copies, 2);
    testing::PdfText text = testing::ReadPdfText(kept->dataPath);
    EXPECT_EQ(text.pages, 2);
    const testing::PdfWord* consignee = text.Find(QString::fromUtf8(u8"张小明"));
    ASSERT_NE(consignee, nullptr);
    EXPECT_EQ(consignee->page, 1);
    // Where the PDF has it, from the printable area's corner as a printer draws.
    const testing::PdfText written = testing::ReadPdfText(pdf);
    const testing::PdfWord* inPdf = written.Find(QString::fromUtf8(u8"张小明"));
    ASSERT_NE(inPdf, nullptr);
    QPrinter printer(QPrinter::HighResolution);
    std::string error;
    ASSERT_TRUE(SelectPrinter(printer, testing::PrivateCups::Queue(), &error)) << error;
    const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
    EXPECT_NEAR(consignee->left, origin.x() + inPdf->left, 1.0);
    EXPECT_NEAR(consignee->top, origin.y() + inPdf->top, 2.0);

    // The default queue, the invoice.
    ASSERT_TRUE(cups.Admin(QStringLiteral("lpadmin"),
                           {QStringLiteral("-d"), testing::PrivateCups::Queue()}));
    run = Cli({QStringLiteral("fill"), page, QStringLiteral("--form"), QStringLiteral("invoice"),
               QStringLiteral("--print")},
              cups.Socket());
    ASSERT_EQ(run.status, 0) << run.Err().toStdString();
    kept = cups.WaitForJob(2);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->title.endsWith(QString::fromUtf8(u8"--打印发货单")));
    EXPECT_EQ(kept->copies, 1);
    text = testing::ReadPdfText(kept->dataPath);
    EXPECT_NE(text.Find(QString::fromUtf8(u8"韩版修身羊毛呢大衣")), nullptr);

    // No such printer: said, exit 1, nothing filled or printed.
    run = Cli({QStringLiteral("fill"), page, QStringLiteral("--form"), QStringLiteral("invoice"),
               QStringLiteral("--print=NoSuchQueue"), QStringLiteral("--save"),
               dir.filePath(QStringLiteral("x.pin"))},
              cups.Socket());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QStringLiteral("NoSuchQueue"))) << run.Err().toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.pin"))));

    // A queue that refuses: every page is said to be lost. The invoice was printed above, so
    // the reprint question needs a yes.
    ASSERT_TRUE(cups.Admin(QStringLiteral("cupsreject"), {testing::PrivateCups::Queue()}));
    run = Cli({QStringLiteral("fill"), page, QStringLiteral("--form"), QStringLiteral("invoice"),
               QStringLiteral("--print"), QStringLiteral("--answer"), QStringLiteral("yes")},
              cups.Socket());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QStringLiteral("nothing was printed")))
        << run.Err().toStdString();
    EXPECT_EQ(cups.KeptJobs(), 2);
}

TEST_F(CliPrintTest, PrintedPagesAreRecordedAndASecondPrintNeedsAYes) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    const QString print = QStringLiteral("--print=") + testing::PrivateCups::Queue();
    const QStringList pages = {ExampleFile("taobao-order-detail.txt"),
                               ExampleFile("taobao-trade-detail.txt")};
    const QStringList bill = {QStringLiteral("--form"), QStringLiteral("freight-bill"), print};
    PrintHistory history(PrintHistoryPath(dir.path().toStdString()));

    CliRun run = Cli(QStringList{QStringLiteral("fill")} + pages + bill, cups.Socket());
    ASSERT_EQ(run.status, 0) << run.Err().toStdString();
    const std::vector<HistoryRecord> kept = history.List();
    ASSERT_EQ(kept.size(), 2u) << "one record per page";
    EXPECT_EQ(kept[0].printer, testing::PrivateCups::Queue().toStdString());

    // Printed before: --answer no leaves the page out and says so.
    run = Cli(QStringList{QStringLiteral("fill"), pages[0], QStringLiteral("--json")} + bill,
              cups.Socket());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QStringLiteral("not printed: printed before")))
        << run.Err().toStdString();
    EXPECT_EQ(history.List().size(), 2u);
    EXPECT_EQ(cups.KeptJobs(), 1);

    run = Cli(QStringList{QStringLiteral("fill"), pages[0], QStringLiteral("--answer"),
                          QStringLiteral("yes")} +
                  bill,
              cups.Socket());
    EXPECT_EQ(run.status, 0) << run.Err().toStdString();
    EXPECT_EQ(history.List().size(), 3u);

    // The window's switch in Tallivo.ini turns the question off here too.
    AppSettings settings(dir.path().toStdString());
    settings.SetReprintWarning(false);
    ASSERT_TRUE(settings.Sync());
    run = Cli(QStringList{QStringLiteral("fill"), pages[0]} + bill, cups.Socket());
    EXPECT_EQ(run.status, 0) << run.Err().toStdString();
    EXPECT_EQ(history.List().size(), 4u);
    EXPECT_EQ(history.List().front().mobile, "13812345678");
}

// --history-db puts the records on a shared server, with the PC named in the next PC's question.
TEST_F(CliPrintTest, HistoryDbRecordsOnTheServerAndTheNextPcIsAsked) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    testing::PrivatePostgres server;
    if (!server.SkipReason().empty()) GTEST_SKIP() << server.SkipReason();
    ASSERT_TRUE(server.Ready()) << server.Error();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("shop"))) << server.Error();
    const QStringList args = {QStringLiteral("fill"),
                              ExampleFile("taobao-order-detail.txt"),
                              QStringLiteral("--form"),
                              QStringLiteral("freight-bill"),
                              QStringLiteral("--print=") + testing::PrivateCups::Queue(),
                              QStringLiteral("--history-db"),
                              server.Url(QStringLiteral("shop"))};
    QProcessEnvironment pc;
    pc.insert(QStringLiteral("TALLIVO_HOST_NAME"), QStringLiteral("PACK-2"));
    CliRun run = Cli(args, cups.Socket(), pc);
    ASSERT_EQ(run.status, 0) << run.Err().toStdString();
    EXPECT_FALSE(QFileInfo::exists(PrintHistoryPath(dir.path().toStdString())));

    pc.insert(QStringLiteral("TALLIVO_HOST_NAME"), QStringLiteral("PACK-1"));
    run = Cli(args + QStringList{QStringLiteral("--json")}, cups.Socket(), pc);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QStringLiteral("not printed: printed before")))
        << run.Err().toStdString();
    EXPECT_EQ(cups.KeptJobs(), 1);
}

TEST_F(CliPrintTest, PrintsThatDidNotHappenFailTheRunRecordNothingAndNumbersAdvance) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    const QString queue = testing::PrivateCups::Queue();
    const QStringList bill = {QStringLiteral("--form"), QStringLiteral("freight-bill"),
                              QStringLiteral("--print=") + queue};
    const QString order = ExampleFile("taobao-order-detail.txt");
    const QString trade = ExampleFile("taobao-trade-detail.txt");
    const QString historyPath = PrintHistoryPath(dir.path().toStdString());
    const auto recorded = [&historyPath] { return PrintHistory(historyPath).List(); };
    const auto sequence = [this] {
        return LoadConfig(dir.path().toStdString()).config.freightBillSn;
    };
    const std::int32_t first = sequence();

    {
        // The spool folder fills up: nothing reaches the queue.
        testing::SmallTmpfs full(8);
        if (!full.SkipReason().empty()) GTEST_SKIP() << full.SkipReason();
        QProcessEnvironment tmp;
        tmp.insert(QStringLiteral("TMPDIR"), full.Path());
        const CliRun run =
            Cli(QStringList{QStringLiteral("fill"), order} + bill, cups.Socket(), tmp);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.Err().contains(QStringLiteral("nothing was printed: the job could not be "
                                                      "written whole into ") +
                                       full.Path()))
            << run.Err().toStdString();
        EXPECT_EQ(sequence(), first);
    }

    // Printed, but the history cannot take it. It cannot be read either: printing unchecked
    // is asked first.
    for (const char* part : {"", "-wal", "-shm"}) QFile::remove(historyPath + part);
    ASSERT_TRUE(QDir().mkpath(historyPath));
    CliRun run = Cli(QStringList{QStringLiteral("fill"), order} + bill, cups.Socket());
    EXPECT_TRUE(run.Err().contains(QStringLiteral("not printed: the print history cannot be read")))
        << run.Err().toStdString();
    EXPECT_EQ(cups.KeptJobs(), 0);
    run = Cli(QStringList{QStringLiteral("fill"), order, QStringLiteral("--answer"),
                          QStringLiteral("yes")} +
                  bill,
              cups.Socket());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QStringLiteral("printed 1 page(s) as job 1")));
    EXPECT_TRUE(run.Err().contains(QString::fromUtf8(u8"无法写入打印记录文件")))
        << run.Err().toStdString();
    ASSERT_TRUE(QDir(historyPath).removeRecursively());

    // Printing when the wait ends counts as printed; a job still queued behind it does not.
    cups.DelayJobs(5);
    QProcessEnvironment shortWait;
    shortWait.insert(QStringLiteral("TALLIVO_JOB_WAIT_SECONDS"), QStringLiteral("1"));
    run = Cli(QStringList{QStringLiteral("fill"), order} + bill, cups.Socket(), shortWait);
    EXPECT_EQ(run.status, 0) << run.Err().toStdString();
    const std::vector<HistoryRecord> printed = recorded();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(sequence(), printed[0].sequenceNumber + 1) << "a run that prints spends its numbers";
    run = Cli(QStringList{QStringLiteral("fill"), trade, QStringLiteral("--answer"),
                          QStringLiteral("yes")} +
                  bill,
              cups.Socket(), shortWait);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QStringLiteral(
        "not printed yet: job 3 waits in the queue; it is not recorded in the print history")))
        << run.Err().toStdString();
    EXPECT_EQ(recorded().size(), 1u);
    EXPECT_EQ(sequence(), printed[0].sequenceNumber + 2);
}

#else

TEST_F(CliPrintTest, BuildWithoutPrintingSaysSo) {
    const CliRun run =
        Cli({QStringLiteral("fill"), ExampleFile("taobao-order-detail.txt"),
             QStringLiteral("--form"), QStringLiteral("invoice"), QStringLiteral("--print")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QStringLiteral("printing is not available in this build")))
        << run.Err().toStdString();
}

#endif

}  // namespace
}  // namespace tallivo
