// The print, page set-up and preview commands of the real window; printing goes to a print
// system of the test's own.
#include "app/print_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "app/app_title.h"
#include "app/font_chooser.h"
#include "app/main_window_controller.h"
#include "app/scripted_window_prompter.h"
#include "app/tform_calibrate.h"
#include "app/tform_history.h"
#include "app/tform_preview.h"
#include "app/tform_print.h"
#include "app/window_fixture.h"
#include "history/print_history.h"
#include "print/calibration_page.h"
#include "print/fit_check.h"
#include "support/pdf_words.h"
#include "support/private_cups.h"
#include "support/scripted_file_chooser.h"
#include "text/gbk_codec.h"
#include "ui_tform_calibrate.h"
#include "ui_tform_history.h"
#include "ui_tform_preview.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

using testing::NoFonts;

// The print dialog picks the named queue, or is cancelled without one.
class ScriptedPrintDialogs : public PrintDialogs {
public:
    bool ChoosePrinter(QPrinter& printer) override {
        asked.push_back(&printer);
        if (queue.isEmpty()) return false;
        std::string error;
        return SelectPrinter(printer, queue, &error);
    }
    void SetUpPage(QPrinter& printer) override {
        asked.push_back(&printer);
        printer.setPageOrientation(QPageLayout::Landscape);
    }
    std::optional<QPointF> MeasuredFirstMark(QPointF) override { return measured; }
    bool JobProgressed(const JobProgress& job) override {
        progress.push_back(job.state);
        return true;
    }

    QString queue;
    std::vector<JobState> progress;
    std::optional<QPointF> measured;
    std::vector<QPrinter*> asked;
};

class PrintCommandsTest : public testing::WindowTest {
protected:
    void Bound() override {
        commands = controller->findChild<PrintCommands*>();
        ASSERT_NE(commands, nullptr);
        commands->SetDialogs(&dialogs);
    }
    std::vector<TFormPreview*> Previews() {
        std::vector<TFormPreview*> open;
        for (TFormPreview* p : window.findChildren<TFormPreview*>()) open.push_back(p);
        return open;
    }
    std::string AllBoxTexts() {
        std::string all;
        for (const auto& box : ws().FreightBill().boxes)
            all += std::to_string(box->left) + "," + std::to_string(box->top) + ":" +
                   GbkToUtf8(box->content->PlainText()) + "\n";
        return all;
    }

    ScriptedPrintDialogs dialogs;
    PrintCommands* commands = nullptr;
};

TEST_F(PrintCommandsTest, PreviewsAreSizedCaptionedDraggedAndClosedEachOnItsOwn) {
    ASSERT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(ui().SpeedButtonPreview, Qt::LeftButton);
    const qint64 ms = timer.elapsed();
    std::printf("[ figure ] freight-bill preview with background opened in %lld ms\n",
                static_cast<long long>(ms));
    ui().MenuItemPreview->trigger();
    std::vector<TFormPreview*> open = Previews();
    ASSERT_EQ(open.size(), 2u);
    TFormPreview* first = open[0];
    const float ppmmX = PpmmFromDpi(window.logicalDpiX());
    const float ppmmY = PpmmFromDpi(window.logicalDpiY());
    const FreightBillForm& bill = ws().FreightBill();
    const auto size = FreightBillPreviewSize(bill.printWidth, bill.background.width(),
                                             bill.background.height(), ppmmX, ppmmY);
    EXPECT_EQ(first->size(), QSize(size->bitmapWidth, size->bitmapHeight));
    EXPECT_EQ(first->windowTitle(), QString::fromUtf8(u8"预览货运单"));
    EXPECT_EQ(first->toolTip(), QString::fromUtf8(u8"可用鼠标直接拖拽，双击鼠标关闭窗口"));
    EXPECT_TRUE(first->windowFlags() & Qt::Tool);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    // The waybill shows through the margin's inside, and the page is the drawing's own.
    const QImage picture = first->Picture();
    EXPECT_EQ(picture.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_NE(picture.pixel(picture.width() / 2, picture.height() / 2), qRgb(255, 255, 255));
    QImage drawn(picture.size(), QImage::Format_RGB32);
    drawn.setDotsPerMeterX(picture.dotsPerMeterX());
    drawn.setDotsPerMeterY(picture.dotsPerMeterY());
    drawn.fill(Qt::white);
    PageOptions options = PageOptions::AtDpi(window.logicalDpiX(), window.logicalDpiY());
    options.withBackground = true;
    {
        QPainter painter(&drawn);
        DrawFreightBillPage(painter, bill, options);
        PaintFitMarks(painter, CheckFreightBillFit(bill, options));
    }
    EXPECT_EQ(picture, drawn);

    // Pressed anywhere, it follows the mouse; a double click closes only it.
    const QPoint before = first->pos();
    QTest::mousePress(first->ui()->ImagePreview, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(first->ui()->ImagePreview, QPoint(60, 40));
    QTest::mouseRelease(first->ui()->ImagePreview, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(first->pos(), before + QPoint(50, 30));
    QPointer<TFormPreview> closing = first;
    QTest::mouseDClick(first->ui()->ImagePreview, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    EXPECT_EQ(Previews().size(), 1u);

    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    QTest::mouseClick(ui().SpeedButtonPreview, Qt::LeftButton);
    TFormPreview* invoice = Previews().back();
    EXPECT_EQ(invoice->windowTitle(), QString::fromUtf8(u8"预览发货单"));
    const PreviewSize page = InvoicePreviewSize(ws().Invoice().printWidth, ppmmX, ppmmY);
    EXPECT_EQ(invoice->size(), QSize(page.bitmapWidth, page.bitmapHeight));

    ui().PageControlPrint->setCurrentIndex(kTabInput);
    QTest::mouseClick(ui().SpeedButtonPreview, Qt::LeftButton);
    EXPECT_TRUE(Previews().back()->Picture().isNull());
    EXPECT_EQ(Previews().size(), 3u);

    // No picture, no scale: said so, and no window.
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    ws().FreightBill().background = QImage();
    EXPECT_EQ(commands->MenuItemPreviewClick(), nullptr);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], NoBackgroundMessage());
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(PrintCommandsTest, PrintSavesFirstAsksOnTheOnePrinterAndCancelPrintsNothing) {
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    QTest::mouseClick(ui().SpeedButtonPrint, Qt::LeftButton);
    EXPECT_TRUE(dialogs.asked.empty()) << "the input tab has nothing to print";

    QTest::mouseClick(ui().SpeedButtonPrinterSetup, Qt::LeftButton);
    ui().MenuItemPrintSet->trigger();
    ASSERT_EQ(dialogs.asked.size(), 2u);

    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    ws().SetFreightBillUnsaved(true);
    const std::string saved = ws().AutomaticDocumentPath(FormKind::kFreightBill);
    ui().MenuItemPrint->trigger();  // cancelled in the dialog
    EXPECT_TRUE(QFile::exists(QString::fromStdString(saved)));
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.asked[0], dialogs.asked[2]) << "the page set-up is kept for the print";
    EXPECT_EQ(dialogs.asked[2]->pageLayout().orientation(), QPageLayout::Landscape);
    // Without a print system of its own here, the dialog is announced as offering only a file.
    prompter.messages.erase(
        std::remove(prompter.messages.begin(), prompter.messages.end(), PrintSystemAwayMessage()),
        prompter.messages.end());
    EXPECT_TRUE(prompter.messages.empty());
}

// The whole road of an order in the window: fill, save, reopen the same, preview, print to a
// real queue; then the invoice.
TEST_F(PrintCommandsTest, FilledFormsSaveReopenPreviewAndPrintToARealQueue) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    dialogs.queue = testing::PrivateCups::Queue();

    Fill("taobao-order-detail.txt", kTabFreightBill);
    const std::string filled = AllBoxTexts();
    ASSERT_NE(filled.find(u8"张小明"), std::string::npos);
    QTest::mouseClick(ui().SpeedButtonSave, Qt::LeftButton);
    const std::string saved = ws().AutomaticDocumentPath(FormKind::kFreightBill);
    ASSERT_TRUE(QFile::exists(QString::fromStdString(saved)));
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    ASSERT_NE(AllBoxTexts(), filled);
    chooser.answers = {saved};
    QTest::mouseClick(ui().SpeedButtonOpen, Qt::LeftButton);
    EXPECT_EQ(AllBoxTexts(), filled);

    QTest::mouseClick(ui().SpeedButtonPreview, Qt::LeftButton);
    EXPECT_EQ(Previews().size(), 1u);
    QTest::mouseClick(ui().SpeedButtonPrint, Qt::LeftButton);
    ASSERT_TRUE(commands->LastPrint().ok) << commands->LastPrint().error;
    std::printf("[ figure ] filled freight bill: %lld bytes sent\n",
                static_cast<long long>(commands->LastPrint().bytes));
    auto kept = cups.WaitForJob(commands->LastPrint().jobId);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->title,
              QString::fromUtf8(kApplicationTitle) + QString::fromUtf8(u8"--打印货运单"));
    testing::PdfText text = testing::ReadPdfText(kept->dataPath);
    const testing::PdfWord* consignee = text.Find(QString::fromUtf8(u8"张小明"));
    ASSERT_NE(consignee, nullptr);
    // The starter's consignee box is at (442, 68) on the waybill panel.
    QPrinter& printer = commands->Printer();
    const float ppmmX = PpmmFromDpi(printer.logicalDpiX());
    const float ppmmY = PpmmFromDpi(printer.logicalDpiY());
    const FreightBillForm& bill = ws().FreightBill();
    const auto scale = ComputeFreightBillScale(bill.printWidth, bill.background.width(),
                                               bill.background.height(), ppmmX, ppmmY);
    const DeviceRect box =
        FreightBillBoxRect({442, 68, 270, 22}, FreightBillOriginX(bill.biasX, ppmmX),
                           FreightBillOriginY(bill.biasY, ppmmY), scale->sx, scale->sy);
    const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
    EXPECT_NEAR(consignee->left, origin.x() + box.left * 72.0 / printer.logicalDpiX(), 1.0);
    EXPECT_NEAR(consignee->top, origin.y() + box.top * 72.0 / printer.logicalDpiY(), 2.0);

    Fill("taobao-order-detail.txt", kTabInvoice);
    QTest::mouseClick(ui().SpeedButtonPrint, Qt::LeftButton);  // saves first, then prints
    EXPECT_TRUE(
        QFile::exists(QString::fromStdString(ws().AutomaticDocumentPath(FormKind::kInvoice))));
    ASSERT_TRUE(commands->LastPrint().ok) << commands->LastPrint().error;
    std::printf("[ figure ] filled invoice: %lld bytes sent\n",
                static_cast<long long>(commands->LastPrint().bytes));
    kept = cups.WaitForJob(commands->LastPrint().jobId);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->title.endsWith(QString::fromUtf8(u8"--打印发货单")));
    text = testing::ReadPdfText(kept->dataPath);
    EXPECT_NE(text.Find(QString::fromUtf8(u8"韩版修身羊毛呢大衣")), nullptr);
    EXPECT_TRUE(prompter.messages.empty());

    // A queue that refuses the job: the window says so. The invoice was printed before, so
    // the print is asked about first.
    ASSERT_TRUE(cups.Admin(QStringLiteral("cupsreject"), {testing::PrivateCups::Queue()}));
    prompter.answers = {true};
    QTest::mouseClick(ui().SpeedButtonPrint, Qt::LeftButton);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].caption, ReprintCaption());
    EXPECT_FALSE(commands->LastPrint().ok);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(GbkToUtf8(prompter.messages[0]).rfind(u8"打印失败，打印任务已取消。", 0), 0u)
        << GbkToUtf8(prompter.messages[0]);
    // Only the queue's own words may be English, on a line of their own.
    const QString said = QString::fromStdString(GbkToUtf8(prompter.messages[0]));
    for (const QString& line : said.split(QLatin1Char('\n'))) {
        if (line.startsWith(QString::fromUtf8(u8"打印机的说明："))) continue;
        EXPECT_FALSE(line.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3}"))))
            << said.toStdString();
    }
}

TEST_F(PrintCommandsTest, JobsThatDoNotPrintAreSaidWithProgressAndNotRecorded) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    const QString queue = testing::PrivateCups::Queue();
    dialogs.queue = queue;
    ASSERT_TRUE(cups.Admin(QStringLiteral("cupsdisable"),
                           {QStringLiteral("-r"), QStringLiteral("out of paper"), queue}));
    Fill("taobao-order-detail.txt", kTabFreightBill);
    ui().MenuItemPrint->trigger();
    EXPECT_FALSE(commands->LastPrint().ok);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(GbkToUtf8(prompter.messages[0]),
              u8"打印机“TallivoTest”已停止，本次没有打印。打印任务已取消。\n"
              u8"打印机的说明：out of paper");
    EXPECT_TRUE(commands->History().List().empty());

    // The first job prints slowly; the next one waits behind it past the wait.
    ASSERT_TRUE(cups.Admin(QStringLiteral("cupsenable"), {queue}));
    cups.DelayJobs(5);
    qputenv("TALLIVO_JOB_WAIT_SECONDS", "1");
    ui().MenuItemPrint->trigger();
    EXPECT_TRUE(commands->LastPrint().ok) << commands->LastPrint().error;
    EXPECT_FALSE(dialogs.progress.empty());
    Fill("taobao-order-detail.txt", kTabInvoice);
    ui().MenuItemPrint->trigger();
    qunsetenv("TALLIVO_JOB_WAIT_SECONDS");
    EXPECT_FALSE(commands->LastPrint().ok);
    EXPECT_EQ(dialogs.progress.back(), JobState::kPending);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(GbkToUtf8(prompter.messages[1]),
              u8"打印任务（" + std::to_string(commands->LastPrint().jobId) +
                  u8"号）仍在打印机“TallivoTest”的队列中等待，尚未打印，未记入打印记录。");
    EXPECT_EQ(commands->History().List().size(), 1u);
}

TEST_F(PrintCommandsTest, PreviewMarksInRedWhatPrintingAsksAbout) {
    // The starter waybill before any replacing still holds its keywords.
    ASSERT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    TFormPreview* preview = commands->MenuItemPreviewClick();
    ASSERT_NE(preview, nullptr);
    PageOptions options = PageOptions::AtDpi(window.logicalDpiX(), window.logicalDpiY());
    options.withBackground = true;
    const std::vector<FitFinding> findings = CheckFreightBillFit(ws().FreightBill(), options);
    ASSERT_FALSE(findings.empty());
    const QImage picture = preview->Picture();
    const QRect mark = findings[0].rect;
    ASSERT_FALSE(mark.isEmpty());
    bool red = false;
    for (int x = mark.left() - 1; x <= mark.right() + 1 && !red; ++x)
        red = picture.pixel(x, mark.top()) == qRgb(255, 0, 0) ||
              picture.pixel(x, mark.top() - 1) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);

    // Printing asks once, listing them; No prints nothing.
    class IntoPdf : public PrintDialogs {
    public:
        explicit IntoPdf(QString path) : path_(std::move(path)) {}
        bool ChoosePrinter(QPrinter& printer) override {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path_);
            return true;
        }
        void SetUpPage(QPrinter&) override {}
        std::optional<QPointF> MeasuredFirstMark(QPointF) override { return std::nullopt; }

    private:
        QString path_;
    } intoPdf(dir.filePath(QStringLiteral("fit.pdf")));
    commands->SetDialogs(&intoPdf);
    ui().MenuItemPrint->trigger();
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].caption, FitQuestionCaption());
    EXPECT_NE(prompter.questions[0].text.find(findings[0].text), std::string::npos);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("fit.pdf"))));
    commands->SetDialogs(&dialogs);
}

// A second print of the same order is asked about with the first one's time; the check box
// turns that off and is kept in Tallivo.ini; the history window puts a print's values back;
// the calibration page goes through the same print path.
TEST_F(PrintCommandsTest, ReprintsAreAskedRecordedRefilledAndCalibrationPrints) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    dialogs.queue = testing::PrivateCups::Queue();
    const QString queue = testing::PrivateCups::Queue();

    Fill("taobao-order-detail.txt", kTabFreightBill);
    ui().MenuItemPrint->trigger();
    ASSERT_TRUE(commands->LastPrint().ok) << commands->LastPrint().error;
    const int firstJob = commands->LastPrint().jobId;
    PrintHistory& history = commands->History();
    std::vector<HistoryRecord> kept = history.List();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].form, FormKind::kFreightBill);
    EXPECT_FALSE(kept[0].tradeNumbers.empty());
    EXPECT_EQ(kept[0].printer, Utf8ToGbk(queue.toStdString()));
    // The queue is offered first the next time.
    EXPECT_EQ(AppSettings(dir.path().toStdString()).LastPrinter(), queue.toStdString());
    EXPECT_EQ(GbkToUtf8(kept[0].consignee), u8"张小明");
    EXPECT_TRUE(prompter.questions.empty());

    ui().MenuItemPrint->trigger();  // No, the default
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].caption, ReprintCaption());
    EXPECT_NE(prompter.questions[0].text.find(HistoryTimeText(kept[0].time).toStdString()),
              std::string::npos);
    EXPECT_EQ(commands->LastPrint().jobId, firstJob);
    EXPECT_EQ(history.List().size(), 1u);

    ui().CheckBoxReprintWarning->click();
    EXPECT_FALSE(AppSettings(dir.path().toStdString()).ReprintWarning());
    ui().MenuItemPrint->trigger();
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_NE(commands->LastPrint().jobId, firstJob);
    EXPECT_EQ(history.List().size(), 2u);

    // Reprint from the window: the invoice tab goes back to the freight bill, from its
    // template, with the stored consignee where the keyword was.
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    ui().MenuItemHistory->trigger();
    TFormHistory* shown = window.findChild<TFormHistory*>();
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->ui()->GridHistory->rowCount(), 2);
    shown->ui()->GridHistory->selectRow(0);
    shown->ui()->ButtonReprint->click();
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    const std::string boxes = AllBoxTexts();
    EXPECT_NE(boxes.find(u8"张小明"), std::string::npos) << boxes;
    EXPECT_EQ(boxes.find(u8"{收货人}"), std::string::npos) << boxes;
    EXPECT_EQ(boxes.find(u8"{邮政编码}"), std::string::npos) << "not stored: emptied";
    EXPECT_TRUE(ws().FreightBillUnsaved());

    // The first mark measured 3 mm right of and 2 mm above its place: the offsets move it back.
    const FreightBillForm& bill = ws().FreightBill();
    const int biasX = bill.biasX, biasY = bill.biasY;
    const CalibrationMark& first = CalibrationMarks().front();
    dialogs.measured = QPointF(first.xMm + 3, first.yMm - 2);
    ui().MenuItemCalibrate->trigger();
    ASSERT_TRUE(commands->LastPrint().ok) << commands->LastPrint().error;
    EXPECT_EQ(ui().CSpinEditBiasX->value(), biasX - 3);
    EXPECT_EQ(bill.biasY, biasY + 2);
    auto job = cups.WaitForJob(commands->LastPrint().jobId);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->title,
              QString::fromUtf8(kApplicationTitle) + QString::fromUtf8(u8"--打印校准页"));
    const testing::PdfText text = testing::ReadPdfText(job->dataPath);
    const testing::PdfWord* label = text.Find(QString::fromStdString(CalibrationLabel(first)));
    ASSERT_NE(label, nullptr);
    const QPointF origin = commands->Printer().pageLayout().paintRect(QPageLayout::Point).topLeft();
    const double mm = 72 / 25.4;
    EXPECT_NEAR((label->left - origin.x()) / mm, first.xMm + biasX + 1, 0.5);
    EXPECT_NEAR((label->top - origin.y()) / mm, first.yMm + biasY + 1, 0.8);
    EXPECT_EQ(history.List().size(), 2u) << "a calibration page is no print of an order";
    EXPECT_TRUE(prompter.messages.empty());
}

// The window's own measuring dialog: it starts at where the mark belongs, OK gives what was
// typed and Cancel nothing.
TEST(CalibrationDialogTest, StartsAtTheMarkAndGivesWhatWasTyped) {
    QtPrintDialogs dialogs(nullptr);
    const auto answer = [](double x, bool ok) {
        QTimer::singleShot(0, [x, ok] {
            auto* shown = qobject_cast<TFormCalibrate*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            EXPECT_TRUE(shown->ui()->LabelFirstMark->text().contains(QStringLiteral("20, 15")));
            EXPECT_EQ(shown->MeasuredMm(), QPointF(20, 15));
            shown->ui()->SpinEditMarkX->setValue(x);
            shown->ui()
                ->ButtonBox->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                ->click();
        });
    };
    answer(23.5, true);
    EXPECT_EQ(dialogs.MeasuredFirstMark(QPointF(20, 15)), QPointF(23.5, 15));
    answer(30, false);
    EXPECT_EQ(dialogs.MeasuredFirstMark(QPointF(20, 15)), std::nullopt);
}

}  // namespace
}  // namespace tallivo
