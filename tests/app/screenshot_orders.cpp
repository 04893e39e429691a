// Draws the order list holding pasted consignees, one of them marked with a doubt and its
// notes shown, for the README:
//   app_screenshot_orders DIR     (on a real X server: writes DIR/order-list-pasted.png)
// The program's own windows and controller on a copy of the starter folder.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <cstdio>

#include "app/app_title.h"
#include "app/font_chooser.h"
#include "app/main_window_controller.h"
#include "app/order_list_commands.h"
#include "app/qt_file_chooser.h"
#include "app/qt_prompter.h"
#include "app/tform_orders.h"
#include "app/tform_print.h"
#include "richtext/qt_translations.h"
#include "richtext/template_fonts.h"
#include "support/example_files.h"
#include "ui_tform_orders.h"
#include "ui_tform_print.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    tallivo::InstallTemplateFontStandIns();
    tallivo::LoadQtChineseTranslations();
    QTemporaryDir folder;
    if (!tallivo::testing::CopyStarter(folder.path())) return 1;
    tallivo::TFormPrint window;
    window.setWindowTitle(QString::fromUtf8(tallivo::kApplicationTitle));
    tallivo::QtPrompter prompter(&window);
    tallivo::QtFileChooser chooser(&window);
    tallivo::QtFontChooser fonts(&window);
    tallivo::MainWindowController controller(window, folder.path().toStdString(), &prompter,
                                             &chooser, &fonts);
    window.show();
    window.ui()->MenuItemOrders->trigger();
    tallivo::TFormOrders* orders =
        controller.findChild<tallivo::OrderListCommands*>()->OrdersWindow();
    if (!orders) return 1;
    orders->move(0, 0);
    orders->resize(1220, 520);
    if (!QTest::qWaitForWindowExposed(orders)) return 1;
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(u8"收件人：张伟\n电话：13812345678\n地址：浙江省杭州市西湖区文三路478号华"
                          u8"星时代广场A座1201室\n\n"
                          u8"李丽 13166666666\n上海市黄浦区南苏州路333号\n\n"
                          u8"王磊 13501234567 朝阳区建国路88号SOHO现代城\n"));
    orders->ui()->ButtonPasteConsignees->click();
    orders->ui()->ButtonSelectAll->click();
    orders->ui()->ButtonPreviewFreightBill->click();
    QTableView* grid = orders->ui()->GridOrders;
    const QRect cell =
        grid->visualRect(orders->Model().index(2, tallivo::OrderListModel::kConsignee));
    const QPoint at = grid->viewport()->mapToGlobal(cell.center());
    QToolTip::showText(at,
                       orders->Model()
                           .index(2, tallivo::OrderListModel::kConsignee)
                           .data(Qt::ToolTipRole)
                           .toString(),
                       grid->viewport());
    QTest::qWait(500);
    const QRect frame = orders->frameGeometry();
    const QPixmap shot =
        orders->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    return shot.save(dir.filePath(QStringLiteral("order-list-pasted.png"))) ? 0 : 1;
}
