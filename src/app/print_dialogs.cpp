#include "app/print_dialogs.h"

#include <QCoreApplication>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <algorithm>

#include "app/tform_calibrate.h"
#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {

QtPrintDialogs::QtPrintDialogs(QWidget* owner) : owner_(owner) {}

QtPrintDialogs::~QtPrintDialogs() = default;

bool QtPrintDialogs::ChoosePrinter(QPrinter& printer) {
    QPrintDialog dialog(&printer, owner_);
    return dialog.exec() == QDialog::Accepted;
}

void QtPrintDialogs::SetUpPage(QPrinter& printer) {
    QPageSetupDialog dialog(&printer, owner_);
    dialog.exec();
}

std::optional<QPointF> QtPrintDialogs::MeasuredFirstMark(QPointF expectedMm) {
    TFormCalibrate dialog(expectedMm, owner_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.MeasuredMm();
}

bool QtPrintDialogs::JobProgressed(const JobProgress& progress) {
    if (!progress_) {
        progress_ = std::make_unique<QProgressDialog>(owner_);
        progress_->setWindowTitle(QString::fromUtf8(u8"等待打印"));
        progress_->setCancelButtonText(QString::fromUtf8(u8"不再等待"));
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(500);
        progress_->setRange(0, std::max(1, progress.boundMs));
    }
    QString text =
        QString::fromUtf8(u8"打印任务（%1号）已送往打印机“%2”，%3")
            .arg(progress.jobId)
            .arg(progress.queue, QString::fromUtf8(progress.state == JobState::kProcessing
                                                       ? u8"正在打印……"
                                                       : u8"正在排队等待打印……"));
    if (!progress.queueMessage.empty())
        text +=
            QString::fromUtf8(u8"\n打印机的说明：") + QString::fromStdString(progress.queueMessage);
    progress_->setLabelText(text);
    // Once shown, the modal dialog takes the user's input itself; before, none is taken, so no
    // second print can start inside this one.
    progress_->setValue(std::min(progress.elapsedMs, progress_->maximum() - 1));
    return !progress_->wasCanceled();
}

void QtPrintDialogs::JobFollowed() {
    progress_.reset();
}

namespace {

std::string PrintFailedMessage(const PrintResult& r) {
    const QString reason =
        r.message.isEmpty() ? QString::fromUtf8(u8"打印任务被中止。") : r.message;
    return Gbk(u8"打印失败，打印任务已取消。\n原因：") + QStringToGbk(reason);
}

}  // namespace

std::string NotPrintedMessage(const PrintResult& r, const std::string& q) {
    const std::string job = std::to_string(r.jobId);
    std::string text;
    switch (r.state) {
        case JobState::kSpoolFailed:
            return Gbk(u8"打印任务无法完整写入临时文件夹，没有送往打印机，本次没有打印。"
                       u8"请检查磁盘空间。\n") +
                   QStringToGbk(r.message);
        case JobState::kStopped:
            text = Gbk(u8"打印机“") + q + Gbk(u8"”已停止，本次没有打印。");
            break;
        case JobState::kHeld:
            text = Gbk(u8"打印任务（") + job + Gbk(u8"号）在打印机“") + q +
                   Gbk(u8"”上被挂起，本次没有打印。");
            break;
        case JobState::kCancelled:
            text = Gbk(u8"打印任务（") + job + Gbk(u8"号）在打印机“") + q +
                   Gbk(u8"”上被取消，本次没有打印。");
            break;
        case JobState::kAborted:
            text = Gbk(u8"打印机“") + q + Gbk(u8"”中止了打印任务（") + job +
                   Gbk(u8"号），本次没有打印。");
            break;
        case JobState::kPending:
            text = Gbk(u8"打印任务（") + job + Gbk(u8"号）仍在打印机“") + q +
                   Gbk(u8"”的队列中等待，尚未打印，未记入打印记录。");
            break;
        default:
            text = PrintFailedMessage(r);
            break;
    }
    if ((r.state == JobState::kStopped || r.state == JobState::kHeld) && r.cancelled)
        text += Gbk(u8"打印任务已取消。");
    if (!r.queueMessage.empty()) text += Gbk(u8"\n打印机的说明：") + Utf8ToGbk(r.queueMessage);
    return text;
}

}  // namespace tallivo
