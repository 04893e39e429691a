#include "app/print_dialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QRadioButton>
#include <QVBoxLayout>
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

PrinterSetupDialog::PrinterSetupDialog(QPrinter& printer, QWidget* parent)
    : QDialog(parent),
      printer_(printer),
      printers_(new QComboBox(this)),
      papers_(new QComboBox(this)),
      portrait_(new QRadioButton(QString::fromUtf8(u8"纵向（&O）"), this)),
      landscape_(new QRadioButton(QString::fromUtf8(u8"横向（&A）"), this)) {
    setWindowTitle(QString::fromUtf8(u8"打印设置"));
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    printers_->setObjectName(QStringLiteral("ComboBoxPrinter"));
    papers_->setObjectName(QStringLiteral("ComboBoxPaper"));
    portrait_->setObjectName(QStringLiteral("RadioPortrait"));
    landscape_->setObjectName(QStringLiteral("RadioLandscape"));

    QStringList names = QPrinterInfo::availablePrinterNames();
    const QString current =
        printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
    if (!current.isEmpty() && !names.contains(current)) names.prepend(current);
    printers_->addItems(names);
    printers_->setCurrentIndex(std::max(0, static_cast<int>(names.indexOf(current))));
    ListPapers();
    connect(printers_, &QComboBox::currentTextChanged, this, [this] { ListPapers(); });
    (printer.pageLayout().orientation() == QPageLayout::Landscape ? landscape_ : portrait_)
        ->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8(u8"打印机（&N）："), printers_);
    form->addRow(QString::fromUtf8(u8"纸张大小（&Z）："), papers_);
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(portrait_);
    orientation->addWidget(landscape_);
    orientation->addStretch();
    form->addRow(QString::fromUtf8(u8"方向："), orientation);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void PrinterSetupDialog::ListPapers() {
    const QPageSize now = printer_.pageLayout().pageSize();
    QList<QPageSize> sizes =
        QPrinterInfo::printerInfo(printers_->currentText()).supportedPageSizes();
    if (sizes.isEmpty()) {
        for (QPageSize::PageSizeId id :
             {QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::Letter, QPageSize::Legal})
            sizes << QPageSize(id);
    }
    papers_->clear();
    int selected = -1;
    for (const QPageSize& size : sizes) {
        if (size.isEquivalentTo(now)) selected = papers_->count();
        papers_->addItem(size.name(), QVariant::fromValue(size));
    }
    if (selected < 0 && now.isValid()) {
        selected = papers_->count();
        papers_->addItem(now.name(), QVariant::fromValue(now));
    }
    papers_->setCurrentIndex(std::max(0, selected));
}

bool PrinterSetupDialog::Apply() {
    const QString name = printers_->currentText();
    if (!name.isEmpty() &&
        (printer_.outputFormat() != QPrinter::NativeFormat || name != printer_.printerName())) {
        std::string error;
        if (!SelectPrinter(printer_, name, &error)) return false;
    }
    const QVariant paper = papers_->currentData();
    if (paper.canConvert<QPageSize>()) printer_.setPageSize(paper.value<QPageSize>());
    printer_.setPageOrientation(landscape_->isChecked() ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait);
    return true;
}

void QtPrintDialogs::SetUpPage(QPrinter& printer) {
    PrinterSetupDialog dialog(printer, owner_);
    if (dialog.exec() == QDialog::Accepted) dialog.Apply();
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
