// tallivo-cli fill --orders: order exports filled one page per order.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "cli/cli_options.h"
#include "history/print_history.h"
#include "order_exports.h"
#include "pdf_words.h"
#include "support/cli_run.h"
#include "support/example_files.h"

#ifdef TALLIVO_HAVE_PRINTING
#include "support/private_cups.h"
#endif

namespace tallivo {
namespace {

using testing::CliRun;

class CliOrdersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(testing::CopyStarter(dir.path()));
    }
    CliRun Cli(QStringList args, const QString& cups = QString()) {
        QProcessEnvironment env;
        if (!cups.isEmpty()) env.insert(QStringLiteral("CUPS_SERVER"), cups);
        args << QStringLiteral("--folder") << dir.path();
        return testing::RunProgram(QStringLiteral(TALLIVO_CLI), args, env);
    }
    static QString Export() { return testing::ExampleFile("taobao-order-export.csv"); }

    QTemporaryDir dir;
};

TEST_F(CliOrdersTest, OrdersReplaceThePagesAndTheirOptionsNeedThem) {
    ParseOutcome p = ParseCommandLine({"fill", "--orders", "a.csv", "--orders", "b.xlsx",
                                       "--profile", "jd", "--unprinted", "--form", "invoice"});
    ASSERT_TRUE(p.command) << p.error;
    EXPECT_EQ(p.command->fill.orderFiles, (std::vector<std::string>{"a.csv", "b.xlsx"}));
    EXPECT_EQ(p.command->fill.profile, "jd");
    EXPECT_TRUE(p.command->fill.unprinted);
    EXPECT_TRUE(p.command->fill.pages.empty());
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"fill", "--form", "invoice", "--unprinted", "a.txt"},
          {"fill", "--form", "invoice", "--profile", "jd", "a.txt"},
          {"calibrate", "--orders", "a.csv", "--pdf", "c.pdf"},
          {"fill", "--form", "invoice", "--orders="}})
        EXPECT_FALSE(ParseCommandLine(bad).command) << bad[3];
    // Pages and orders together are a usage error of the program.
    EXPECT_EQ(Cli({"fill", "page.txt", "--orders", Export(), "--form", "invoice"}).status, 2);
}

TEST_F(CliOrdersTest, EachOrderIsOnePageInRowOrderTaggedWithItsPlaceAndNumber) {
    const QString pdf = dir.filePath(QStringLiteral("orders.pdf"));
    const CliRun run = Cli({"fill", "--orders", Export(), "--form", "freight-bill", "--json",
                            "--pdf", pdf, "--now", "2008-03-09 10:00:00"});
    ASSERT_EQ(run.status, 0) << run.Err().toStdString();
    ASSERT_EQ(run.Lines().size(), 3);
    const char* trades[] = {"2008030712345678", "2008030712345690", "2008030712345702"};
    const char* consignees[] = {u8"张三", u8"赵六", u8"钱七"};
    for (int i = 0; i < 3; ++i) {
        const QString line = run.Lines()[i];
        EXPECT_TRUE(line.startsWith(QStringLiteral("{\"page\":\"") + Export() +
                                    QStringLiteral("\",\"order\":") + QString::number(i + 1) +
                                    QStringLiteral(",\"trade\":\"") + trades[i] + "\""))
            << line.toStdString();
        EXPECT_TRUE(line.contains(QString::fromUtf8(consignees[i]))) << line.toStdString();
    }
    // An order without a fixed telephone prints none, not the keyword.
    EXPECT_FALSE(run.Lines()[1].contains(QString::fromUtf8(u8"{电话}")))
        << run.Lines()[1].toStdString();
    const testing::PdfText text = testing::ReadPdfText(pdf);
    EXPECT_EQ(text.pages, 3);
    const testing::PdfWord* last = text.Find(QString::fromUtf8(u8"钱七"));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->page, 3);
}

TEST_F(CliOrdersTest, MaskedOrdersGetNoPageAndFailTheRunWhateverIsLeftOut) {
    const QString pdf = dir.filePath(QStringLiteral("m.pdf"));
    for (const char* unprinted : {"--json", "--unprinted"}) {
        const CliRun run = Cli({"fill", "--orders", TALLIVO_ORDERS_DATA "/masked.csv", "--form",
                                "freight-bill", "--json", unprinted, "--pdf", pdf});
        EXPECT_EQ(run.status, 1);
        ASSERT_EQ(run.Lines().size(), 6) << run.out;
        EXPECT_TRUE(run.Lines()[3].contains(R"("masked":["mobile","telephone","address"])"));
        for (int i = 0; i < 5; ++i) {
            EXPECT_NE(run.Lines()[i].contains("\"boxes\""), run.Lines()[i].contains("masked"));
            EXPECT_TRUE(run.Err().contains(QString::fromUtf8(u8"订单“%1”").arg(i + 2)));
        }
        EXPECT_EQ(testing::ReadPdfText(pdf).pages, 1);
    }
}

TEST_F(CliOrdersTest, AnUnknownHeaderIsNamedUnlessAProfileIsGiven) {
    const QString csv = dir.filePath(QStringLiteral("own.csv"));
    testing::WriteBytes(csv.toStdString(),
                        u8"单号,名字,住址\r\n1001,周八,江苏省 南京市 玄武区 中山路1号\r\n");
    CliRun run = Cli({"fill", "--orders", csv, "--form", "invoice", "--json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(QString::fromUtf8(u8"\"单号,名字,住址\"")))
        << run.Err().toStdString();
    EXPECT_TRUE(run.Lines().isEmpty());

    const QString profile = dir.filePath(QStringLiteral("own.json"));
    testing::WriteBytes(profile.toStdString(),
                        u8R"({"name": "自有", "columns": {"trade": ["单号"], "consignee": ["名字"],
                             "address": ["住址"]}, "required": ["trade"]})");
    run = Cli({"fill", "--orders", csv, "--profile", profile, "--form", "invoice", "--json"});
    ASSERT_EQ(run.status, 0) << run.Err().toStdString();
    ASSERT_EQ(run.Lines().size(), 1);
    EXPECT_TRUE(run.Lines()[0].contains(QString::fromUtf8(u8"周八")));
    EXPECT_EQ(Cli({"fill", "--orders", csv, "--profile", "none-such", "--form", "invoice"}).status,
              1);
}

#ifdef TALLIVO_HAVE_PRINTING

TEST_F(CliOrdersTest, OneJobOneRecordPerOrderAndLaterRunsAskOnceOrLeaveThemOut) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    const QString print = QStringLiteral("--print=") + testing::PrivateCups::Queue();
    CliRun run =
        Cli({"fill", "--orders", Export(), "--form", "freight-bill", print}, cups.Socket());
    ASSERT_EQ(run.status, 0) << run.Err().toStdString();
    const auto job = cups.WaitForJob(1);
    ASSERT_TRUE(job);
    EXPECT_EQ(testing::ReadPdfText(job->dataPath).pages, 3);
    PrintHistory history(PrintHistoryPath(dir.path().toStdString()));
    EXPECT_EQ(history.List().size(), 3u);

    // Printed before: left out, so nothing is left to print.
    run = Cli(
        {"fill", "--orders", Export(), "--form", "freight-bill", print, "--unprinted", "--json"},
        cups.Socket());
    EXPECT_EQ(run.status, 0) << run.Err().toStdString();
    EXPECT_TRUE(run.Lines().isEmpty());

    // Without --unprinted one question lists all three; No prints none of them.
    run = Cli({"fill", "--orders", Export(), "--form", "freight-bill", print, "--json"},
              cups.Socket());
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.Lines().size(), 3);
    static const QRegularExpression question(QStringLiteral("\"questions\":\\[\\{[^]]*\\}\\]"));
    const QString asked = question.match(run.Lines()[0]).captured(0);
    EXPECT_TRUE(asked.contains(QStringLiteral("2008030712345678")) &&
                asked.contains(QStringLiteral("2008030712345702")))
        << asked.toStdString();
    EXPECT_EQ(asked.count(QStringLiteral("\"caption\"")), 1);
    EXPECT_EQ(cups.KeptJobs(), 1);
    EXPECT_EQ(history.List().size(), 3u);
}

#endif

}  // namespace
}  // namespace tallivo
