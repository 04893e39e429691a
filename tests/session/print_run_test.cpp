// The print run every front end shares: its questions, its target, its history and numbers.
#include "session/print_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTimer>

#include "forms/template_choice.h"
#include "storage/config_file.h"
#include "support/example_files.h"
#include "support/pdf_words.h"
#include "support/private_postgres.h"
#include "support/recording_prompter.h"
#include "text/gbk_codec.h"

#ifdef TALLIVO_HAVE_PRINTING
#include "print/print_job.h"
#include "support/private_cups.h"
#endif

namespace tallivo {
namespace {

// Chooses the test's printer and keeps count of questions asked while the steps show.
class Host : public RunHost, public testing::RecordingPrompter {
public:
    QPrinter* ChoosePrinter() override { return printer; }
    bool Step(int, int) override { return stepsShown = true; }
    void StepsDone() override { stepsShown = false; }
    bool JobProgressed(const JobProgress&) override { return true; }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        if (stepsShown) ++covered;
        return RecordingPrompter::AskYesNo(caption, text);
    }
    QPrinter* printer = nullptr;
    bool stepsShown = false;
    int covered = 0;
};

class PrintRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::CopyStarter(dir.path()));
        ws = std::make_unique<FormsWorkspace>(Folder(), &host, nullptr);
        ws->SetCurrentTab(TabOf(FormKind::kFreightBill));
        ASSERT_TRUE(ChooseTemplate(*ws, FormKind::kFreightBill, "").Chosen());
        ws->ResetCurrentForm();
        services = std::make_unique<PrintServices>(Folder());
        for (const char* trade : {"T1", "T2", "T3"}) {
            Order order;
            order.tradeNumber = trade;
            order.values.Set(Keyword::kConsignee, Gbk(u8"张三"));
            orders.push_back(order);
        }
        file.setOutputFormat(QPrinter::PdfFormat);
        file.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
        host.printer = &file;
    }
    std::string Folder() const { return dir.path().toStdString(); }
    std::int32_t FreightSn() const { return LoadConfig(Folder()).config.freightBillSn; }
    RunResult PrintOrders() {
        std::vector<const Order*> chosen;
        for (const Order& o : orders) chosen.push_back(&o);
        OrderPages pages(*ws, FormKind::kFreightBill, chosen);
        PrintRun run(*ws, FormKind::kFreightBill, *services);
        PrintRequest request;
        request.numbered = true;
        return run.Run(pages, host, host, request);
    }

    QTemporaryDir dir;
    Host host;
    std::unique_ptr<FormsWorkspace> ws;
    std::unique_ptr<PrintServices> services;
    std::vector<Order> orders;
    QPrinter file{QPrinter::HighResolution};
};

TEST_F(PrintRunTest, APrintToAFileIsNeverRecordedAndSpendsNoNumber) {
    const std::int32_t sn = FreightSn();
    const RunResult result = PrintOrders();
    ASSERT_TRUE(result.out.print.ok) << result.out.print.error;
    EXPECT_TRUE(result.out.print.toFile);
    EXPECT_EQ(testing::ReadPdfText(file.outputFileName()).pages, 3);
    EXPECT_EQ(result.out.recorded, 0);
    EXPECT_TRUE(services->History().List().empty());
    EXPECT_EQ(FreightSn(), sn);
}

TEST_F(PrintRunTest, AHistoryThatCannotBeReadAsksFirstAndNoPrintsNothing) {
    // A folder where the file should be, and a server nobody answers on.
    QDir(dir.path()).mkdir(QStringLiteral("PrintHistory.sqlite"));
    for (const char* away : {"", "postgresql://tallivo@127.0.0.1:1/none"}) {
        if (*away) services->UseHistory(*ParseHistoryUrl(away).location);
        host.questions.clear();
        const RunResult result = PrintOrders();
        ASSERT_EQ(host.questions.size(), 1u) << away;
        EXPECT_EQ(host.questions[0].caption, Gbk(u8"提示：无法检查重复打印"));
        EXPECT_EQ(result.printed, 0);
        EXPECT_FALSE(result.out.printAsked);
        EXPECT_FALSE(QFile::exists(file.outputFileName()));
    }
}

TEST_F(PrintRunTest, TheFitQuestionComesAfterTheStepsAndNoLeavesOnlyThatOrderOut) {
    orders[1].values.Set(Keyword::kAddress, std::string(400, 'W'));
    const RunResult result = PrintOrders();
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.covered, 0);
    EXPECT_EQ(result.pages[1].notPrinted, NotPrinted::kUnfit);
    EXPECT_EQ(result.printed, 2);
    EXPECT_EQ(testing::ReadPdfText(file.outputFileName()).pages, 2);
}

#ifdef TALLIVO_HAVE_PRINTING

TEST_F(PrintRunTest, OneQuestionForReprintsAndTheJobIsFollowedWhileEventsGoOn) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    HistoryRecord earlier;
    earlier.tradeNumbers = {"T2"};
    ASSERT_TRUE(services->History().Record(earlier).ok);
    QPrinter queue(QPrinter::HighResolution);
    std::string error;
    ASSERT_TRUE(SelectPrinter(queue, testing::PrivateCups::Queue(), &error)) << error;
    host.printer = &queue;
    cups.DelayJobs(1);
    bool timerRan = false;
    QTimer::singleShot(200, [&] { timerRan = true; });
    const std::int32_t sn = FreightSn();

    const RunResult result = PrintOrders();
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_NE(host.questions[0].text.find("T2"), std::string::npos);
    EXPECT_TRUE(timerRan);
    ASSERT_TRUE(result.out.print.ok) << result.out.print.error;
    EXPECT_EQ(result.printed, 2);
    EXPECT_EQ(services->History().List().size(), 3u);
    // The last order printed was the third: its number and those before are spent.
    EXPECT_EQ(FreightSn(), sn + 3);
}

#ifdef TALLIVO_CLI
TEST(PrintRunRace, TwoRunsOfTheSameOrdersOnASharedHistoryPrintEachOnce) {
    testing::PrivatePostgres server;
    if (!server.SkipReason().empty()) GTEST_SKIP() << server.SkipReason();
    ASSERT_TRUE(server.Ready()) << server.Error();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("shop"))) << server.Error();
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    QTemporaryDir dir;
    ASSERT_TRUE(testing::CopyStarter(dir.path()));
    const QStringList args = {"fill",
                              "--orders",
                              testing::ExampleFile("taobao-order-export.csv"),
                              "--form",
                              "freight-bill",
                              "--print=" + testing::PrivateCups::Queue(),
                              "--history-db",
                              server.Url(QStringLiteral("shop")),
                              "--folder",
                              dir.path()};
    QProcess runs[2];
    for (QProcess& run : runs) run.start(QStringLiteral(TALLIVO_CLI), args);
    for (QProcess& run : runs) ASSERT_TRUE(run.waitForFinished(120000));
    int pages = 0;
    for (int id = 1; id <= cups.KeptJobs(); ++id)
        if (const auto job = cups.WaitForJob(id))
            pages += testing::ReadPdfText(job->dataPath).pages;
    PrintServices services(dir.path().toStdString());
    services.UseHistory(
        *ParseHistoryUrl(server.Url(QStringLiteral("shop")).toStdString()).location);
    const std::size_t orders = services.History().List().size();
    EXPECT_GT(orders, 0u);
    EXPECT_EQ(static_cast<std::size_t>(pages), orders);
}
#endif

#endif

}  // namespace
}  // namespace tallivo
