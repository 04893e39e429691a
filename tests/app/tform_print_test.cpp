#include "app/tform_print.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStyle>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <climits>

#include "app/app_title.h"
#include "app/goods_grid_view.h"
#include "app/menu_style.h"
#include "app/owner_drawn_tab_bar.h"
#include "capture/capture_host.h"
#include "invoice/goods_grid.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

// The caption of a named control or menu item, however it is held.
QString CaptionOf(const QObject* object) {
    if (const auto* a = qobject_cast<const QAction*>(object)) return a->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(object)) return b->text();
    if (const auto* l = qobject_cast<const QLabel*>(object)) return l->text();
    return QStringLiteral("<no caption>");
}

struct Named {
    const char* name;
    const char* caption;
    const char* shortcut = "";
};

const Named kCaptions[] = {
    {"ToolButtonFile", u8"文件（&F）"},
    {"ToolButtonEdit", u8"编辑(&E)"},
    {"ToolButtonFormat", u8"格式(&M)"},
    {"ToolButtonTemplate", u8"模板(&T)"},
    {"ToolButtonHelp", u8"帮助(&H)"},
    {"SpeedButtonNew", u8"新建（&N）"},
    {"SpeedButtonOpen", u8"打开（&O）"},
    {"SpeedButtonSave", u8"保存（&S）"},
    {"CheckBoxAutoFileName", u8"自动文件名（&N）"},
    {"SpeedButtonSelectAll", u8"全选（&A）"},
    {"SpeedButtonDelete", u8"删除（&D）"},
    {"SpeedButtonCopy", u8"复制（&C）"},
    {"SpeedButtoncut", u8"剪切（&X）"},
    {"SpeedButtonPaste", u8"粘贴（&V）"},
    {"SpeedButtonAddKeyWord", u8"增加关键词（&G）"},
    {"SpeedButtonUpdateText", u8"替换关键词（&U）"},
    {"CheckBoxAutoUpdate", u8"自动替换（&L）"},
    {"SpeedButtonPreview", u8"打印预览（&W）"},
    {"SpeedButtonPrinterSetup", u8"打印设置（&J）"},
    {"SpeedButtonPrint", u8"打印（&P）"},
    {"SpeedButtonClose", u8"关闭（&Q）"},
    {"CheckBoxReprintWarning", u8"重复提醒（&1）"},
    {"SpeedButtonBackground", u8"背景图片（&I）"},
    {"MenuItemNew", u8"新建印单（&N）", "Ctrl+N"},
    {"MenuItemOpen", u8"打开（&O）"},
    {"MenuItemUpdate", u8"替换关键词（&U）"},
    {"MenuItemPrintSet", u8"打印设置（&J）"},
    {"MenuItemPreview", u8"打印预览（&W）"},
    {"MenuItemPrint", u8"打印（&P）", "Ctrl+P"},
    {"MenuItemSave", u8"保存（&S）"},
    {"MenuItemClose", u8"关闭（&Q）"},
    {"MenuItemCopy", u8"复制（&C）", "Ctrl+C"},
    {"MenuItemCut", u8"剪切（&X）", "Ctrl+X"},
    {"MenuItemPaste", u8"粘贴（&V）", "Ctrl+V"},
    {"MenuItemSelAll", u8"全选（&A）", "Ctrl+A"},
    {"MenuItemDelete", u8"删除（&D）"},
    {"MenuItemParagraphLeft", u8"靠左（&L）"},
    {"MenuItemParagraphCenter", u8"居中（&C）"},
    {"MenuItemParagraphRight", u8"靠右（&R）"},
    {"MenuItemFont", u8"字体（&F）", "Ctrl+F"},
    {"MenuItemSetDefault", u8"设为默认模板（&D）"},
    {"MenuItemSaveTemplate", u8"存为模板（&S）"},
    {"MenuItemExportTemplate", u8"导出模板（E）"},
    {"MenuItemImportTemplate", u8"导入模板（I）"},
    {"MenuItemDeleteTemplate", u8"删除模板（&E）"},
    {"MenuItemPopupCopy", u8"复制（&C）", "Ctrl+C"},
    {"MenuItem2", u8"剪切（&X）", "Ctrl+X"},
    {"MenuItemPopupPaste", u8"粘贴（&P）", "Ctrl+V"},
    {"MenuItemPopupSelAll", u8"全选（&A）", "Ctrl+A"},
    {"MenuItemPopupDelete", u8"删除（&D）"},
    {"MenuItemPopupParagraphLeft", u8"靠左（&L）"},
    {"MenuItemPopupParagraphCenter", u8"居中（&K）"},
    {"MenuItemPopupParagraphRight", u8"靠右（&R）"},
    {"MenuItemPopupParagraphFont", u8"字体（&F）"},
    {"MenuItemHelp", u8"帮助（&H）", "F1"},
    {"MenuItemInstall", u8"安装（&I）"},
    {"MenuItemUninstall", u8"卸载（&U）"},
    {"MenuItemAbout", u8"关于Tallivo（&A）"},
    {"MenuItemVisit", u8"访问Qorvane网站（&V）"},
    {"LabelFreightBill", u8"货运单模板（&K）："},
    {"LabelFBWidth", u8"打印宽度（&B）："},
    {"LabelBiasX", u8"X偏移（&Z）："},
    {"LabelBiasY", u8"Y偏移（&Y）："},
    {"LabelInvoice", u8"发货单模板（&I）："},
    {"LabelInvoiceSN", u8"发货单序号（&R）："},
};

class FormPrint : public ::testing::Test {
protected:
    template <typename T>
    T* Find(const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    TFormPrint window;
};

TEST_F(FormPrint, EveryNamedControlAndItemHasItsCaptionAndShortcut) {
    for (const Named& n : kCaptions) {
        const QObject* object = Find<QObject>(n.name);
        if (!object) continue;
        EXPECT_EQ(CaptionOf(object), QString::fromUtf8(n.caption)) << n.name;
        if (const auto* action = qobject_cast<const QAction*>(object)) {
            EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(n.shortcut)) << n.name;
        }
    }
    for (const char* name : {"ToolBarPrint",        "PageControlPrint",    "TabSheetInputText",
                             "TabSheetFreightBill", "TabSheetInvoice",     "ComboBoxInputText",
                             "MemoInputText",       "ComboBoxFreightBill", "CSpinEditFreightBillSN",
                             "PanelFreightBill",    "ImageFBBackground",   "LabelFieldCoordinate",
                             "CSpinEditFBWidth",    "CSpinEditBiasX",      "CSpinEditBiasY",
                             "ComboBoxInvoice",     "CSpinEditInvoiceSN",  "CSpinEditInvoiceWidth",
                             "RichEditInvoice",     "StringGridInvoice"}) {
        Find<QWidget>(name);
    }
}

TEST_F(FormPrint, SpinEditsHaveTheirLimitsAndStartValues) {
    struct Spin {
        const char* name;
        int minimum, maximum, value;
    };
    for (const Spin& s :
         {Spin{"CSpinEditFreightBillSN", INT_MIN, INT_MAX, 1382401},
          Spin{"CSpinEditInvoiceSN", INT_MIN, INT_MAX, 1382401},
          Spin{"CSpinEditFBWidth", 30, 300, 190}, Spin{"CSpinEditInvoiceWidth", 30, 300, 190},
          Spin{"CSpinEditBiasX", -50, 50, 0}, Spin{"CSpinEditBiasY", -50, 50, 0}}) {
        const auto* spin = Find<QSpinBox>(s.name);
        if (!spin) continue;
        EXPECT_EQ(spin->minimum(), s.minimum) << s.name;
        EXPECT_EQ(spin->maximum(), s.maximum) << s.name;
        EXPECT_EQ(spin->value(), s.value) << s.name;
    }
}

TEST_F(FormPrint, WindowPageControlAndBoxesAsDesigned) {
    Ui::TFormPrint* ui = window.ui();
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8(kApplicationTitle));
    EXPECT_EQ(window.minimumSize(), QSize(860, 583));
    EXPECT_EQ(window.maximumSize(), QSize(860, 583));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(192, 220, 192));
    EXPECT_EQ(window.palette().color(QPalette::WindowText), QColor(255, 0, 255));
    EXPECT_EQ(window.font().family(), QString::fromUtf8(u8"宋体"));
    EXPECT_EQ(window.font().pixelSize(), 15);
    EXPECT_EQ(window.toolTip(), QString::fromUtf8(u8"可以通过Ctrl + C、+ V、+ X使用剪贴板"));

    EXPECT_EQ(ui->PageControlPrint->currentIndex(), kTabFreightBill);
    EXPECT_NE(qobject_cast<OwnerDrawnTabBar*>(ui->PageControlPrint->tabBar()), nullptr);
    const QStringList tabs{ui->PageControlPrint->tabText(0), ui->PageControlPrint->tabText(1),
                           ui->PageControlPrint->tabText(2)};
    EXPECT_EQ(tabs, QString::fromUtf8(u8"输入文本,货运单,发货单").split(QLatin1Char(',')));
    EXPECT_EQ(ui->PageControlPrint->size(), QSize(855, 479));
    EXPECT_EQ(ui->MemoInputText->size(), QSize(846, 422));
    EXPECT_EQ(ui->PanelFreightBill->size(), QSize(736, 419));
    EXPECT_EQ(ui->ImageFBBackground->size(), QSize(734, 417));
    EXPECT_EQ(ui->RichEditInvoice->size(), QSize(844, 281));
    EXPECT_EQ(ui->StringGridInvoice->size(), QSize(841, 131));
    EXPECT_EQ(ui->PageControlPrint->widget(0)->objectName(), QStringLiteral("TabSheetInputText"));

    EXPECT_TRUE(ui->CheckBoxAutoFileName->isChecked());
    EXPECT_TRUE(ui->CheckBoxAutoUpdate->isChecked());
    EXPECT_EQ(ui->ComboBoxInputText->lineEdit()->maxLength(), 255);
    EXPECT_EQ(ui->ComboBoxFreightBill->lineEdit()->maxLength(), 255);
    EXPECT_EQ(ui->ComboBoxInvoice->lineEdit()->maxLength(), 128);
    ASSERT_EQ(ui->ComboBoxInputText->count(), 3);
    EXPECT_EQ(ui->ComboBoxInputText->itemText(0), QString::fromUtf8(u8"淘宝网"));
    EXPECT_EQ(ui->ComboBoxInputText->itemText(1), QString::fromUtf8(u8"拍拍网"));
    EXPECT_EQ(ui->ComboBoxInputText->itemText(2), QString::fromUtf8(u8"收货信息"));
    EXPECT_EQ(ui->LabelFreightBill->buddy(), ui->ComboBoxFreightBill);
    EXPECT_EQ(ui->LabelBiasY->buddy(), ui->CSpinEditBiasY);
    // Flat buttons leave the focus where it was.
    EXPECT_EQ(ui->SpeedButtonCopy->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(ui->SpeedButtonCopy->cursor().shape(), Qt::PointingHandCursor);

    // The grid takes its design widths once it has a model.
    EXPECT_EQ(ui->StringGridInvoice->toolTip(),
              QString::fromUtf8(u8"回车增加新行，删空整行减少一行"));
    QStandardItemModel model(3, 7);
    ui->StringGridInvoice->setModel(&model);
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(ui->StringGridInvoice->columnWidth(c), kGoodsColumnWidths[std::size_t(c)]);
    }
    EXPECT_EQ(ui->StringGridInvoice->horizontalHeader()->palette().color(QPalette::Button),
              QColor(166, 202, 240));
}

// On every tab an access key reaches one control, but for the layout's own pair on N; every
// caption of the button rows has room beside its neighbour.
TEST_F(FormPrint, AccessKeysAreOwnAndCaptionsHaveRoom) {
    window.show();
    for (int tab = 0; tab < 3; ++tab) {
        window.ui()->PageControlPrint->setCurrentIndex(tab);
        QMap<QChar, QStringList> owners;
        for (QWidget* w : window.findChildren<QWidget*>()) {
            const QString text = CaptionOf(w).remove(QStringLiteral("&&"));
            const auto* label = qobject_cast<QLabel*>(w);
            const int at = text.indexOf(QLatin1Char('&')) + 1;
            if (w->isVisible() && (!label || label->buddy()) && at > 0 && at < text.size())
                owners[text[at].toUpper()].push_back(w->objectName());
        }
        for (const QStringList& same : owners)
            EXPECT_TRUE(same.size() == 1 || same.contains("SpeedButtonNew"))
                << same.join(' ').toStdString();
    }
    // A check box's caption runs from its left, a flat button's is centred.
    QMap<int, QMap<int, int>> rows;  // row, caption start, caption end
    for (auto* w : window.ui()->centralwidget->findChildren<QAbstractButton*>(
             QString(), Qt::FindDirectChildrenOnly)) {
        const int text = w->fontMetrics().horizontalAdvance(CaptionOf(w).remove('&'));
        const bool check = qobject_cast<QCheckBox*>(w);
        const int start = check ? w->x() : w->x() + (w->width() - text) / 2;
        rows[w->y()][start] = check ? w->x() + w->sizeHint().width() : start + text;
    }
    for (const QMap<int, int>& row : rows) {
        for (auto it = row.cbegin(); it != row.cend(); ++it)
            EXPECT_LE(it.value() + 4, std::next(it) == row.cend() ? 860 : std::next(it).key())
                << it.key();
    }
}

TEST_F(FormPrint, MenusAreOwnerDrawnWithTheirDefaultItems) {
    Ui::TFormPrint* ui = window.ui();
    const QList<QMenu*> menus = window.PopupMenus();
    ASSERT_EQ(menus.size(), 7);
    for (QMenu* menu : menus) EXPECT_NE(qobject_cast<MenuStyle*>(menu->style()), nullptr);
    EXPECT_EQ(ui->PopupMenuFile->defaultAction(), ui->MenuItemNew);
    EXPECT_EQ(ui->PopupMenuEdit->defaultAction(), ui->MenuItemCopy);
    EXPECT_EQ(ui->PopupMenuFormat->defaultAction(), ui->MenuItemFont);
    EXPECT_EQ(ui->PopupMenuTemplate->defaultAction(), ui->MenuItemSaveTemplate);
    EXPECT_EQ(ui->PopupMenuRichEdit->defaultAction(), ui->MenuItemPopupParagraphFont);
    EXPECT_EQ(ui->PopupMenuHelp->defaultAction(), ui->MenuItemHelp);
    EXPECT_EQ(ui->ToolButtonFormat->menu(), ui->PopupMenuFormat);
    EXPECT_TRUE(ui->MenuItemPopupParagraphCenter->isCheckable());

    QStringList keywords;
    for (QAction* a : ui->PopupMenuAddKeyWord->actions()) keywords << a->text();
    EXPECT_EQ(
        keywords.join(QLatin1Char(' ')),
        QString::fromUtf8(u8"固定字段 {收货人} {手机} {电话} {收货地址} {邮政编码} {发货日期} "
                          u8"{交易网站} {发货单号} {发货时间} {买家} {卖家} {物流承运信息}"));
    QStringList file;
    for (QAction* a : ui->PopupMenuFile->actions())
        file << (a->isSeparator() ? "-" : a->objectName());
    EXPECT_EQ(file.join(QLatin1Char(' ')),
              QStringLiteral("MenuItemNew MenuItemOpen MenuItemUpdate MenuItemPrintSet "
                             "MenuItemPreview MenuItemPrint MenuItemSave MenuItemHistory "
                             "MenuItemHistoryServer MenuItemOrders MenuItemCalibrate - "
                             "MenuItemClose"));
}

class HookedFormPrint : public TFormPrint {
public:
    int shows = 0;
    bool mayClose = false;

protected:
    void FormShow() override {
        ++shows;
        TFormPrint::FormShow();
    }
    bool FormCloseQuery() override { return mayClose; }
};

TEST(FormPrintHooks, ShowOnceCloseQueryTabChangeAndF1) {
    // Dialogs and menus keep the application's font, which the window lends itself while it builds.
    const QFont applicationFont = QApplication::font();
    HookedFormPrint window;
    QSignalSpy closes(&window, &TFormPrint::formClose);
    QSignalSpy tabs(&window, &TFormPrint::pageControlPrintChange);
    QSignalSpy help(window.ui()->MenuItemHelp, &QAction::triggered);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.hide();
    window.show();
    EXPECT_EQ(window.shows, 1);
    EXPECT_EQ(QApplication::font(), applicationFont);

    window.ui()->PageControlPrint->setCurrentIndex(kTabInvoice);
    ASSERT_EQ(tabs.count(), 1);
    EXPECT_EQ(tabs.front().front().toInt(), kTabInvoice);

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.ui()->RichEditInvoice->setFocus();
    QTest::keyClick(window.ui()->RichEditInvoice, Qt::Key_F1);
    EXPECT_EQ(help.count(), 1);

    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(closes.count(), 0);
    window.mayClose = true;
    EXPECT_TRUE(window.close());
    EXPECT_EQ(closes.count(), 1);
}

TEST(FormPrintHooks, InstalledCloseQueryDecides) {
    TFormPrint window;
    int asked = 0;
    window.SetCloseQuery([&asked] { return ++asked > 1; });
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.close());
    EXPECT_EQ(asked, 2);
}

TEST_F(FormPrint, GoodsGridShowsAWholeTradeNumberAndElidesWhatDoesNotFit) {
    QTableView* grid = window.ui()->StringGridInvoice;
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    EXPECT_LE(
        grid->fontMetrics().horizontalAdvance(QStringLiteral("2008030712345678")) + 2 * margin,
        kGoodsColumnWidths[GoodsGrid::kTradeNumber]);
    EXPECT_EQ(grid->textElideMode(), Qt::ElideRight);
}

}  // namespace
}  // namespace tallivo
