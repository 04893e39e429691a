// The dialogs of printing, behind an interface that tests answer, and what the seller is told
// of a job that did not print.
#pragma once

#include <QDialog>
#include <QPointF>
#include <memory>
#include <optional>
#include <string>

#include "print/print_job.h"

class QComboBox;
class QPrinter;
class QProgressDialog;
class QRadioButton;
class QWidget;

namespace tallivo {

// The print and page set-up dialogs; the window shows Qt's, tests answer.
class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;
    // The print dialog for this printer: true to print, false when the user cancels.
    virtual bool ChoosePrinter(QPrinter& printer) = 0;
    // The page set-up dialog; what it sets stays on the printer for the next print.
    virtual void SetUpPage(QPrinter& printer) = 0;
    // After a calibration page: where the user measured the first mark, in millimetres from
    // the paper's left and top edges; nothing when the user cancels.
    virtual std::optional<QPointF> MeasuredFirstMark(QPointF expectedMm) = 0;
    // While a job handed to the print system is followed: how it is doing. False when the user
    // stops waiting.
    virtual bool JobProgressed(const JobProgress&) { return true; }
    // Following the job has ended.
    virtual void JobFollowed() {}
};

// "打印设置": the printer, its paper and the orientation, left on the printer for the next
// print. Qt's page set-up alone cannot change the printer.
class PrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    PrinterSetupDialog(QPrinter& printer, QWidget* parent = nullptr);
    // Applies what was chosen; false when the chosen queue has gone meanwhile.
    bool Apply();

private:
    void ListPapers();

    QPrinter& printer_;
    QComboBox* printers_;
    QComboBox* papers_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
};

// Qt's dialogs over the owner window.
class QtPrintDialogs : public PrintDialogs {
public:
    explicit QtPrintDialogs(QWidget* owner);
    ~QtPrintDialogs() override;
    bool ChoosePrinter(QPrinter& printer) override;
    void SetUpPage(QPrinter& printer) override;
    std::optional<QPointF> MeasuredFirstMark(QPointF expectedMm) override;
    bool JobProgressed(const JobProgress& progress) override;
    void JobFollowed() override;

private:
    QWidget* owner_;
    std::unique_ptr<QProgressDialog> progress_;
};

// GBK, in the queue's own words where it has any.
std::string NotPrintedMessage(const PrintResult& result, const std::string& queueGbk);

}  // namespace tallivo
