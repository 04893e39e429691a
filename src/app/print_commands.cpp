#include "app/print_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QImage>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <new>

#include "app/app_title.h"
#include "app/tform_preview.h"
#include "app/tform_print.h"
#include "print/page_drawing.h"
#include "storage/storage_result.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

class QtPrintDialogs : public PrintDialogs {
public:
    explicit QtPrintDialogs(QWidget* owner) : owner_(owner) {}
    bool ChoosePrinter(QPrinter& printer) override {
        QPrintDialog dialog(&printer, owner_);
        return dialog.exec() == QDialog::Accepted;
    }
    void SetUpPage(QPrinter& printer) override {
        QPageSetupDialog dialog(&printer, owner_);
        dialog.exec();
    }

private:
    QWidget* owner_;
};

std::string PrintFailedMessage(const std::string& reason) {
    return Gbk(u8"打印失败，打印任务已取消。\n原因：") + Utf8ToGbk(reason);
}

}  // namespace

PrintCommands::PrintCommands(TFormPrint& window, FormsWorkspace& workspace, Prompter& prompter,
                             PrintDialogs* dialogs, QObject* parent)
    : QObject(parent), window_(window), workspace_(workspace), prompter_(prompter) {
    setObjectName(QStringLiteral("PrintCommands"));
    ownDialogs_ = std::make_unique<QtPrintDialogs>(&window_);
    SetDialogs(dialogs);

    Ui::TFormPrint& ui = *window_.ui();
    const auto both = [this](QAction* item, QAbstractButton* button, auto command) {
        connect(item, &QAction::triggered, this, command);
        connect(button, &QAbstractButton::clicked, this, command);
    };
    both(ui.MenuItemPrint, ui.SpeedButtonPrint, [this] { MenuItemPrintClick(); });
    both(ui.MenuItemPrintSet, ui.SpeedButtonPrinterSetup, [this] { MenuItemPrintSetClick(); });
    both(ui.MenuItemPreview, ui.SpeedButtonPreview, [this] { MenuItemPreviewClick(); });
}

PrintCommands::~PrintCommands() = default;

void PrintCommands::SetDialogs(PrintDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : ownDialogs_.get();
}

QPrinter& PrintCommands::Printer() {
    // Made on first use: asking the print system for its queues has no place in start-up.
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void PrintCommands::MenuItemPrintClick() {
    const Tab tab = workspace_.CurrentTab();
    if (tab == kTabInput) return;
    const bool freight = tab == kTabFreightBill;
    if (freight ? workspace_.FreightBillUnsaved() : workspace_.InvoiceUnsaved()) {
        // Printing goes on whatever the save did.
        workspace_.MenuItemSaveClick();
    }
    const FreightBillForm& bill = workspace_.FreightBill();
    if (freight && bill.background.isNull()) {
        prompter_.ShowMessage(NoBackgroundMessage());
        return;
    }
    QPrinter& printer = Printer();
    if (!dialogs_->ChoosePrinter(printer)) return;

    PrintJob job(printer, PrintJobTitle(kApplicationTitle, freight));
    try {
        if (QPainter* painter = job.NewPage()) {
            if (freight) {
                DrawFreightBillPage(*painter, bill, PrinterPageOptions(printer));
            } else {
                DrawInvoicePage(*painter, workspace_.Invoice(), PrinterInvoiceOptions(printer));
            }
        }
    } catch (const std::bad_alloc&) {
        job.Abort("out of memory");
    }
    last_ = job.Finish();
    if (!last_.ok) prompter_.ShowMessage(PrintFailedMessage(last_.error));
}

void PrintCommands::MenuItemPrintSetClick() {
    dialogs_->SetUpPage(Printer());
}

TFormPreview* PrintCommands::MenuItemPreviewClick() {
    PageOptions options = PageOptions::AtDpi(window_.logicalDpiX(), window_.logicalDpiY());
    const Tab tab = workspace_.CurrentTab();
    const FreightBillForm& bill = workspace_.FreightBill();
    PageSize size;
    if (tab == kTabFreightBill) {
        // Over the waybill where the form shows them: with the picture, without the offsets.
        options.withBackground = true;
        const std::optional<PageSize> billSize = FreightBillPageSize(bill, options);
        if (!billSize) {
            prompter_.ShowMessage(NoBackgroundMessage());
            return nullptr;
        }
        size = *billSize;
    } else if (tab == kTabInvoice) {
        size = InvoicePageSize(workspace_.Invoice(), options);
    }

    // A bitmap too large for memory comes out null.
    QImage picture(size.width, size.height, QImage::Format_RGB32);
    if (picture.isNull() && size.width > 0 && size.height > 0) {
        prompter_.ShowMessage(OutOfMemoryMessage());
        return nullptr;
    }
    if (!picture.isNull()) {
        picture.setDotsPerMeterX(qRound(window_.logicalDpiX() / 0.0254));
        picture.setDotsPerMeterY(qRound(window_.logicalDpiY() / 0.0254));
        picture.fill(Qt::white);
        QPainter painter(&picture);
        if (tab == kTabFreightBill) {
            DrawFreightBillPage(painter, bill, options);
        } else {
            DrawInvoicePage(painter, workspace_.Invoice(), options);
        }
    }

    auto* preview = new TFormPreview(&window_);
    if (tab == kTabFreightBill) {
        preview->setWindowTitle(QString::fromUtf8(u8"预览货运单"));
    } else if (tab == kTabInvoice) {
        preview->setWindowTitle(QString::fromUtf8(u8"预览发货单"));
    }
    preview->ShowPicture(picture);
    return preview;
}

}  // namespace tallivo
