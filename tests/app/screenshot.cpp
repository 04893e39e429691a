// Draws the windows as the program shows them, for the README's picture and for checking the
// drawing by eye:
//   app_screenshot DIR
// writes DIR/main-window.png (the window as it opens), DIR/tab-input.png, DIR/tab-invoice.png,
// DIR/menu-file.png (the File menu, one item under the mouse, one disabled) and
// DIR/replace.png and DIR/font.png (the font dialog with its colour button).
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <cstdio>

#include "app/app_title.h"
#include "app/font_chooser.h"
#include "app/tform_print.h"
#include "app/tform_replace.h"
#include "capture/capture_host.h"
#include "richtext/qt_translations.h"
#include "richtext/template_fonts.h"
#include "ui_tform_print.h"

namespace {

bool Save(QWidget* widget, const QDir& dir, const char* name) {
    QApplication::processEvents();
    return widget->grab().save(dir.filePath(QString::fromLatin1(name)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    tallivo::InstallTemplateFontStandIns();
    tallivo::LoadQtChineseTranslations();
    const QDir dir(QString::fromLocal8Bit(argv[1]));
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
