// Faults of the window met in a seller's day.
#include <QAbstractProxyModel>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QTextBlock>

#include "app/editor_document.h"
#include "app/font_chooser.h"
#include "app/order_list_support.h"
#include "app/print_dialogs.h"
#include "app/qt_file_chooser.h"
#include "storage/config_file.h"
#include "support/private_cups.h"

namespace tallivo {
namespace {

using testing::OrderListTest;

// Every road that puts something else into an edited freight bill asks first.
TEST_F(OrderListTest, OpenDoubleClickAndDroppedFilesAskBeforeReplacingAnEditedForm) {
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    const std::string saved = ws().AutomaticDocumentPath(FormKind::kFreightBill);
    ASSERT_TRUE(ws().SaveForm(FormKind::kFreightBill));
    TFormOrders* orders = OpenExample();
    chooser.answers = {saved};
    const std::function<void()> roads[] = {
        [&] { ui().SpeedButtonOpen->click(); },
        [&] { controller->OpenFileArgument(QString::fromStdString(saved)); },
        [&] { emit orders->ui()->GridOrders->doubleClicked(orders->Model().index(0, 0)); }};
    for (const auto& road : roads) {
        ws().FreightBill().boxes[0]->content->SetPlainText(Gbk(u8"张小明ABC"));
        ws().SetFreightBillUnsaved(true);
        prompter.questions.clear();
        road();
        EXPECT_EQ(prompter.questions.size(), 1u);
    }

    // Two files on a command line, or dropped, open both.
    const QString other = dir.filePath("b.pfb");
    ASSERT_TRUE(ws().SaveDocumentTo(other.toStdString()));
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    EXPECT_TRUE(controller->OpenFileArguments(QString::fromStdString(saved) + " " + other));
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ui().MemoInputText->viewport(), &enter);
    QApplication::sendEvent(ui().MemoInputText->viewport(), &drop);
    QApplication::processEvents();
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);

    // "湃" is 张三's bytes across two characters.
    const std::pair<const char*, int> searches[] = {
        {u8"赵六", 1}, {u8"13512345", 1}, {u8"天河", 1}, {u8"湃", 0}, {u8"20080307", 3}};
    for (const auto& [text, rows] : searches) {
        orders->ui()->EditSearch->setText(QString::fromUtf8(text));
        EXPECT_EQ(orders->Model().rowCount(), rows) << text;
    }
}

// Text typed into an emptied box keeps its format; a typed number is kept; a template's name
// typed into its box applies nothing until picked.
TEST_F(OrderListTest, TypedTextNumbersAndTemplateNamesAreTheSellers) {
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    auto* box = static_cast<EditorDocument*>(ws().FreightBill().boxes[0]->content.get())->Editor();
    const QTextCharFormat before = box->document()->firstBlock().begin().fragment().charFormat();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, "150001");
    const QTextCharFormat typed = box->document()->firstBlock().begin().fragment().charFormat();
    EXPECT_EQ(typed.fontPointSize(), before.fontPointSize());

    Config config;
    config.freightBillSn = 100000000;
    ASSERT_TRUE(SaveConfig(dir.path().toStdString(), config).ok);
    ui().CSpinEditFreightBillSN->setValue(1382402);
    ui().SpeedButtonNew->click();
    EXPECT_EQ(ui().CSpinEditFreightBillSN->value(), 1382403);

    QComboBox* templates = ui().ComboBoxFreightBill;
    templates->setEditText(QStringLiteral("B"));
    ui().MenuItemSaveTemplate->trigger();
    ASSERT_GT(templates->count(), 1);
    ws().SetFreightBillUnsaved(true);
    prompter.questions.clear();
    templates->lineEdit()->setText(templates->itemText(templates->currentIndex() == 0 ? 1 : 0));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(templates->lineEdit(), &out);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_TRUE(ws().FreightBillUnsaved());

    QTableView* grid = ui().StringGridInvoice;  // "10.00" whole in the postage column
    EXPECT_LE(grid->fontMetrics().horizontalAdvance("10.00") +
                  2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1),
              grid->columnWidth(4));
}

TEST(FontColorDialogTest, OpensOnTheSelectionAndConfirmsOnlyWhatChanged) {
    FontChoice initial{QFont(QString::fromUtf8(u8"宋体")), QColor(Qt::red)};
    initial.font.setPointSizeF(10.5);
    FontColorDialog dialog(initial);
    auto* size = dialog.findChild<QComboBox*>("ComboBoxFontSize");
    EXPECT_EQ(dialog.findChild<QComboBox*>("ComboBoxFontName")->currentText(),
              QString::fromUtf8(u8"宋体"));
    EXPECT_EQ(size->currentText(), "10.5");
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.show();
    QTest::keyClick(size->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.Choice().fontChanged || dialog.Choice().colorChanged);
    dialog.SetColor(Qt::blue);
    EXPECT_TRUE(dialog.Choice().colorChanged && !dialog.Choice().fontChanged);

    // The order list's file dialog lists in Chinese.
    QFileDialog files;
    ConfigureFileDialog(files, {});
    QAbstractProxyModel* shown = files.proxyModel();
    auto* source = qobject_cast<QFileSystemModel*>(shown->sourceModel());
    EXPECT_EQ(shown->mapFromSource(source->index(QDir::tempPath(), 2)).data().toString(),
              QString::fromUtf8(u8"文件夹"));
}

TEST(PrinterSetupDialogTest, ChoosesThePrinter) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    QPrinter printer;
    PrinterSetupDialog dialog(printer);
    dialog.findChild<QComboBox*>("ComboBoxPrinter")->setCurrentText(testing::PrivateCups::Queue());
    ASSERT_TRUE(dialog.Apply());
    EXPECT_EQ(printer.printerName(), testing::PrivateCups::Queue());
}

}  // namespace
}  // namespace tallivo
