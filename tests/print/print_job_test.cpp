// Print jobs through a print system of the test's own: what reaches the queue, and that a
// failed job reaches nothing.
#include "print/print_job.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPrinter>
#include <cstdio>

#include "support/pdf_words.h"
#include "support/private_cups.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::PrivateCups;

constexpr char kTitle[] = "Tallivo--test";

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
        ASSERT_TRUE(cups.Ready()) << cups.Error();
        std::string error;
        ASSERT_TRUE(SelectPrinter(printer, PrivateCups::Queue(), &error)) << error;
    }
    // Where the page's drawing starts on the paper, in points.
    QPointF Origin() const { return printer.pageLayout().paintRect(QPageLayout::Point).topLeft(); }
    // Jobs the print system holds or has held for the queue.
    static int JobsInTheSystem() {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(n, jobs);
        return n;
    }

    // A one-page job, followed for at most waitMs.
    PrintResult PrintOnePage(int waitMs) {
        PrintJob job(printer, QStringLiteral("state"));
        job.SetWait(waitMs);
        if (QPainter* p = job.NewPage()) p->drawText(100, 100, QStringLiteral("state"));
        return job.Finish();
    }
    static int ActiveJobs() {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(n, jobs);
        return n;
    }

    PrivateCups cups;
    QPrinter printer{QPrinter::HighResolution};
};

TEST_F(PrintJobTest, FreightBillPagesGoAsOneTitledJobWithCopiesAndTextInPlace) {
    FreightBillForm form;
    form.background = QImage(kPictureArea.width(), kPictureArea.height(), QImage::Format_RGB32);
    form.background.fill(Qt::green);
    form.biasX = 5;
    AddFieldBox(form, Gbk(u8"张小明"), 100, 50, 30, 200);
    printer.setCopyCount(2);

    const QString title = PrintJobTitle(kTitle, FormKind::kFreightBill);
    EXPECT_EQ(title, QString::fromUtf8(u8"Tallivo--test--打印货运单"));
    PrintJob job(printer, title);
    const PageOptions options = PrinterPageOptions(printer);
    for (int page = 0; page < 2; ++page) {
        QPainter* p = job.NewPage();
        ASSERT_NE(p, nullptr);
        DrawFreightBillPage(*p, form, options);
    }
    const PrintResult result = job.Finish();
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.pages, 2);
    EXPECT_TRUE(printer.outputFileName().isEmpty()) << "the spool file is the job's alone";

    const auto kept = cups.WaitForJob(result.jobId);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->title, title);
    EXPECT_EQ(kept->copies, 2);
    EXPECT_EQ(kept->data.size(), result.bytes);
    const testing::PdfText text = testing::ReadPdfText(kept->dataPath);
    EXPECT_EQ(text.pages, 2);
    const testing::PdfWord* word = text.Find(QString::fromUtf8(u8"张小明"));
    ASSERT_NE(word, nullptr);
    const int dpi = printer.logicalDpiX();
    const float ppmm = PpmmFromDpi(dpi);
    const auto scale = ComputeFreightBillScale(190, kPictureArea.width(), kPictureArea.height(),
                                               ppmm, PpmmFromDpi(printer.logicalDpiY()));
    const DeviceRect box = FreightBillBoxRect(
        {100, 50, 200, 30}, FreightBillOriginX(5, ppmm),
        FreightBillOriginY(0, PpmmFromDpi(printer.logicalDpiY())), scale->sx, scale->sy);
    EXPECT_NEAR(word->left, Origin().x() + box.left * 72.0 / dpi, 1.0);
    EXPECT_NEAR(word->top, Origin().y() + box.top * 72.0 / printer.logicalDpiY(), 2.0);
    std::printf("[ figure ] freight bill without background: %lld bytes per page\n",
                static_cast<long long>(result.bytes / result.pages));
}

TEST_F(PrintJobTest, InvoiceSpreadsAcrossThePrintersPage) {
    InvoiceForm form;
    form.Body().SetPlainText(Gbk(u8"发货单 1382401"));
    form.grid.SetCell(GoodsGrid::kGoodsName, 1, Gbk(u8"羊毛呢大衣"));
    PrintJob job(printer, PrintJobTitle(kTitle, FormKind::kInvoice));
    QPainter* p = job.NewPage();
    ASSERT_NE(p, nullptr);
    const PageOptions options = PrinterInvoiceOptions(printer);
    EXPECT_EQ(options.paper, (PageSize{printer.width(), printer.height()}));
    DrawInvoicePage(*p, form, options);
    const PrintResult result = job.Finish();
    ASSERT_TRUE(result.ok) << result.error;

    const auto kept = cups.WaitForJob(result.jobId);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->title, QString::fromUtf8(u8"Tallivo--test--打印发货单"));
    const testing::PdfText text = testing::ReadPdfText(kept->dataPath);
    const testing::PdfWord* word = text.Find(QString::fromUtf8(u8"发货单"));
    ASSERT_NE(word, nullptr);
    // 10 mm in from the page's corner.
    EXPECT_NEAR(word->left, Origin().x() + 72 / 2.54, 1.5);
    EXPECT_NEAR(word->top, Origin().y() + 72 / 2.54, 3.0);
    EXPECT_NE(text.Find(QString::fromUtf8(u8"羊毛呢大衣")), nullptr);
    std::printf("[ figure ] invoice: %lld bytes per page\n",
                static_cast<long long>(result.bytes / result.pages));
}

TEST_F(PrintJobTest, FailedJobsAreReportedAndReachNothing) {
    std::string error;
    QPrinter other;
    EXPECT_FALSE(SelectPrinter(other, QStringLiteral("NoSuchQueue"), &error));
    EXPECT_NE(error.find("NoSuchQueue"), std::string::npos) << error;

    {
        PrintJob nothing(printer, QStringLiteral("empty"));
        const PrintResult result = nothing.Finish();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "no page was drawn");
    }
    {
        PrintJob aborted(printer, QStringLiteral("aborted"));
        ASSERT_NE(aborted.NewPage(), nullptr);
        aborted.Abort("the drawing failed");
        EXPECT_EQ(aborted.NewPage(), nullptr);
        const PrintResult result = aborted.Finish();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "the drawing failed");
    }
    {
        PrintJob dropped(printer, QStringLiteral("dropped"));
        ASSERT_NE(dropped.NewPage(), nullptr);
    }
    {
        ASSERT_TRUE(cups.Admin(QStringLiteral("cupsreject"), {PrivateCups::Queue()}));
        PrintJob refused(printer, QStringLiteral("refused"));
        ASSERT_NE(refused.NewPage(), nullptr);
        const PrintResult result = refused.Finish();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.jobId, 0);
        EXPECT_NE(result.error.find("refused"), std::string::npos) << result.error;
    }
    EXPECT_EQ(JobsInTheSystem(), 0);
    EXPECT_TRUE(printer.outputFileName().isEmpty());

    ASSERT_TRUE(
        cups.Admin(QStringLiteral("lpadmin"), {QStringLiteral("-x"), PrivateCups::Queue()}));
    PrintJob gone(printer, QStringLiteral("gone"));
    EXPECT_EQ(gone.NewPage(), nullptr);
    EXPECT_NE(gone.Finish().error.find("no printer named"), std::string::npos);
}

TEST_F(PrintJobTest, JobsThatDoNotPrintAreReportedInTheQueuesWordsAndLeaveNothingBehind) {
    const QString queue = PrivateCups::Queue();
    ASSERT_TRUE(cups.Admin(QStringLiteral("cupsdisable"),
                           {QStringLiteral("-r"), QStringLiteral("out of paper"), queue}));
    PrintResult r = PrintOnePage(10000);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.state, JobState::kStopped);
    EXPECT_EQ(r.queueMessage, "out of paper");
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.error, "the queue is stopped: \"out of paper\"; job " + std::to_string(r.jobId) +
                           " was cancelled");
    EXPECT_EQ(ActiveJobs(), 0);
    ASSERT_TRUE(cups.Admin(QStringLiteral("cupsenable"), {queue}));

    ASSERT_TRUE(cups.Admin(QStringLiteral("lpadmin"),
                           {QStringLiteral("-p"), queue, QStringLiteral("-o"),
                            QStringLiteral("job-hold-until-default=indefinite")}));
    r = PrintOnePage(10000);
    EXPECT_EQ(r.state, JobState::kHeld);
    EXPECT_TRUE(r.cancelled);
    EXPECT_NE(r.queueMessage.find("job-hold-until"), std::string::npos) << r.queueMessage;
    EXPECT_EQ(ActiveJobs(), 0);
    ASSERT_TRUE(
        cups.Admin(QStringLiteral("lpadmin"), {QStringLiteral("-p"), queue, QStringLiteral("-o"),
                                               QStringLiteral("job-hold-until-default=no-hold")}));

    cups.FailJobsWith(QStringLiteral("paper jam"));
    r = PrintOnePage(10000);
    EXPECT_FALSE(r.ok);
    // This print system holds a job whose backend failed.
    EXPECT_EQ(r.state, JobState::kHeld) << r.error;
    EXPECT_NE(r.queueMessage.find("paper jam"), std::string::npos) << r.queueMessage;
    EXPECT_EQ(ActiveJobs(), 0);
    cups.FailJobsWith(QString());
    ASSERT_TRUE(cups.Admin(QStringLiteral("cupsenable"), {queue}));
    EXPECT_EQ(cups.KeptJobs(), 0);
}

}  // namespace
}  // namespace tallivo
