// Draws the windows as the program shows them, for the README's picture and for checking the
// drawing by eye:
//   app_screenshot DIR
// writes DIR/main-window.png (the window as it opens), DIR/tab-input.png, DIR/tab-invoice.png,
// DIR/menu-file.png (the File menu, one item under the mouse, one disabled) and
// DIR/replace.png and DIR/font.png (the font dialog with its colour button).
//   app_screenshot DIR readme
// writes the README's invoice-filled.png (the grid filled from an example page), font-dialog.png
// (on 宋体 10.5) and order-list.png (the example export with its search box and previews).
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

#include "app/app_title.h"
#include "app/font_chooser.h"
#include "app/main_window_controller.h"
#include "app/order_list_commands.h"
#include "app/scripted_window_prompter.h"
#include "app/tform_orders.h"
#include "app/tform_print.h"
#include "app/tform_replace.h"
#include "capture/capture_host.h"
#include "richtext/qt_translations.h"
#include "richtext/template_fonts.h"
#include "support/example_files.h"
#include "support/scripted_file_chooser.h"
#include "ui_tform_orders.h"
#include "ui_tform_print.h"

namespace {

bool Save(QWidget* widget, const QDir& dir, const char* name) {
    QApplication::processEvents();
    return widget->grab().save(dir.filePath(QString::fromLatin1(name)));
}

class NoFonts : public tallivo::FontChooser {
public:
    std::optional<tallivo::FontChoice> Choose(const tallivo::FontChoice&) override { return {}; }
};

bool ReadmePictures(const QDir& dir) {
    using namespace tallivo;
    QTemporaryDir folder;
    testing::CopyStarter(folder.path());
    testing::CopyFolder(QStringLiteral(TALLIVO_PROFILES_DIR), folder.filePath("profiles"));
    TFormPrint window;
    window.setWindowTitle(QString::fromUtf8(kApplicationTitle));
    testing::ScriptedWindowPrompter prompter;
    testing::ScriptedFileChooser chooser;
    NoFonts fonts;
    MainWindowController controller(window, folder.path().toStdString(), &prompter, &chooser,
                                    &fonts);
    window.show();
    Ui::TFormPrint* ui = window.ui();
    ui->MemoInputText->setPlainText(testing::Example("taobao-order-detail.txt"));
    ui->ComboBoxInputText->setCurrentIndex(kSiteTaobao);
    ui->PageControlPrint->setCurrentIndex(kTabInvoice);
    ui->SpeedButtonUpdateText->click();
    bool ok = Save(&window, dir, "invoice-filled.png");

    QFont songti(QString::fromUtf8(u8"宋体"));
    songti.setPointSizeF(10.5);
    FontColorDialog font({songti, QColor(255, 0, 255)}, &window);
    font.show();
    ok = Save(&font, dir, "font-dialog.png") && ok;
    font.close();

    ui->MenuItemOrders->trigger();
    TFormOrders* orders = controller.findChild<OrderListCommands*>()->OrdersWindow();
    chooser.answers = {testing::ExampleFile("taobao-order-export.csv").toStdString()};
    orders->ui()->ButtonOpen->click();
    orders->resize(1240, 560);
    orders->ui()->ButtonSelectAll->click();
    orders->ui()->ButtonPreviewFreightBill->click();
    ok = Save(orders, dir, "order-list.png") && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 3 && QByteArray(argv[2]) == "readme")) {
        std::fprintf(stderr, "usage: %s DIR [readme]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    tallivo::InstallTemplateFontStandIns();
    tallivo::LoadQtChineseTranslations();
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (argc == 3) return ReadmePictures(dir) ? 0 : 1;
    tallivo::TFormPrint window;
    window.setWindowTitle(QString::fromUtf8(tallivo::kApplicationTitle));
    window.show();
    bool ok = Save(&window, dir, "main-window.png");

    Ui::TFormPrint* ui = window.ui();
    ui->PageControlPrint->setCurrentIndex(tallivo::kTabInput);
    ok = Save(&window, dir, "tab-input.png") && ok;
    ui->PageControlPrint->setCurrentIndex(tallivo::kTabInvoice);
    ok = Save(&window, dir, "tab-invoice.png") && ok;

    ui->MenuItemPreview->setEnabled(false);
    ui->PopupMenuFile->popup(window.mapToGlobal(QPoint(20, 20)));
    QApplication::processEvents();
    ui->PopupMenuFile->setActiveAction(ui->MenuItemOpen);
    ok = Save(ui->PopupMenuFile, dir, "menu-file.png") && ok;
    ui->PopupMenuFile->close();

    auto* replace = new tallivo::TFormReplace(&window);
    replace->show();
    ok = Save(replace, dir, "replace.png") && ok;

    tallivo::FontColorDialog font(tallivo::InitialDialogFont(), &window);
    font.show();
    ok = Save(&font, dir, "font.png") && ok;
    return ok ? 0 : 1;
}
