// Faults of the window met in a seller's day.
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QRadioButton>
#include <QTextBlock>
#include <functional>

#include "app/editor_document.h"
#include "app/font_chooser.h"
#include "app/order_list_support.h"
#include "app/print_dialogs.h"
#include "support/private_cups.h"

namespace tallivo {
namespace {

using testing::OrderListTest;

// Every road that puts something else into an edited freight bill asks first.
TEST_F(OrderListTest, OpenDoubleClickAndDroppedFilesAskBeforeReplacingAnEditedForm) {
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    const std::string saved = ws().AutomaticDocumentPath(FormKind::kFreightBill);
    ASSERT_TRUE(ws().SaveForm(FormKind::kFreightBill));
    const auto edited = [this] {
        ws().FreightBill().boxes[0]->content->SetPlainText(Gbk(u8"张小明ABC"));
        ws().SetFreightBillUnsaved(true);
        prompter.questions.clear();
    };
    TFormOrders* orders = OpenExample();
    ASSERT_NE(orders, nullptr);
    chooser.answers = {saved};
    const std::function<void()> roads[] = {
        [&] { ui().SpeedButtonOpen->click(); },
        [&] { controller->OpenFileArgument(QString::fromStdString(saved)); },
        [&] { emit orders->ui()->GridOrders->doubleClicked(orders->Model().index(0, 0)); }};
    for (const auto& road : roads) {
        edited();
        road();
        EXPECT_EQ(prompter.questions.size(), 1u);
    }

    // Two files on a command line, or dropped, open both.
    const QString other = dir.filePath("b.pfb");
    ASSERT_TRUE(ws().SaveDocumentTo(other.toStdString()));
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    EXPECT_TRUE(controller->OpenFileArguments(QString::fromStdString(saved) + " " + other));
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ui().MemoInputText->viewport(), &enter);
    QApplication::sendEvent(ui().MemoInputText->viewport(), &drop);
    QApplication::processEvents();
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    EXPECT_TRUE(ui().MemoInputText->toPlainText().isEmpty());
}

// Text typed into an emptied box takes the box's format.
TEST_F(OrderListTest, TypedTextTakesTheBoxFormatAndTheGridShowsWholePrices) {
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    QTextEdit* box =
        static_cast<EditorDocument*>(ws().FreightBill().boxes[0]->content.get())->Editor();
    const QTextCharFormat before = box->document()->firstBlock().begin().fragment().charFormat();
    ASSERT_GT(before.fontPointSize(), 0);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, "150001");
    const QTextCharFormat typed = box->document()->firstBlock().begin().fragment().charFormat();
    EXPECT_EQ(typed.fontPointSize(), before.fontPointSize());
    EXPECT_EQ(typed.fontFamilies(), before.fontFamilies());
    EXPECT_EQ(typed.foreground(), before.foreground());

    // "10.00" in the postage column, "198.00" in the price column, with the cell's margins.
    QTableView* grid = ui().StringGridInvoice;
    const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    EXPECT_LE(grid->fontMetrics().horizontalAdvance("10.00") + margin, grid->columnWidth(4));
    EXPECT_LE(grid->fontMetrics().horizontalAdvance("198.00") + margin, grid->columnWidth(3));
}

// A template's name typed into its box applies nothing until picked.
TEST_F(OrderListTest, TemplateBoxesApplyOnlyAPick) {
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    QComboBox* templates = ui().ComboBoxFreightBill;
    templates->setEditText(QStringLiteral("B"));
    ui().MenuItemSaveTemplate->trigger();
    ASSERT_GT(templates->count(), 1);
    const int other = templates->currentIndex() == 0 ? 1 : 0;
    ws().SetFreightBillUnsaved(true);
    prompter.questions.clear();
    templates->setFocus();
    templates->lineEdit()->setText(templates->itemText(other));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(templates->lineEdit(), &out);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_TRUE(ws().FreightBillUnsaved());
}

TEST_F(OrderListTest, TheSearchBoxKeepsTheOrdersThatHoldItsText) {
    TFormOrders* orders = OpenExample();
    ASSERT_NE(orders, nullptr);
    QLineEdit* search = orders->findChild<QLineEdit*>("EditSearch");
    ASSERT_NE(search, nullptr);
    // "湃" is 张三's bytes across two characters.
    const std::pair<const char*, int> searches[] = {
        {u8"赵六", 1}, {u8"13512345", 1}, {u8"天河", 1}, {u8"湃", 0}, {u8"20080307", 3}};
    for (const auto& [text, rows] : searches) {
        search->setText(QString::fromUtf8(text));
        EXPECT_EQ(orders->Model().rowCount(), rows) << text;
    }
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
    QTest::keyClick(size->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.Choice().fontChanged || dialog.Choice().colorChanged);
    dialog.SetColor(Qt::blue);
    EXPECT_TRUE(dialog.Choice().colorChanged && !dialog.Choice().fontChanged);

    FontColorDialog escaped(initial);
    escaped.show();
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_EQ(escaped.result(), QDialog::Rejected);
    EXPECT_FALSE(escaped.isVisible());
}

TEST(PrinterSetupDialogTest, ChoosesThePrinterAndItsPaper) {
    testing::PrivateCups cups;
    if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
    ASSERT_TRUE(cups.Ready()) << cups.Error();
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    PrinterSetupDialog dialog(printer);
    dialog.findChild<QComboBox*>("ComboBoxPrinter")->setCurrentText(testing::PrivateCups::Queue());
    auto* papers = dialog.findChild<QComboBox*>("ComboBoxPaper");
    papers->setCurrentIndex(papers->findText(QPageSize(QPageSize::A5).name()));
    dialog.findChild<QRadioButton*>("RadioLandscape")->setChecked(true);
    ASSERT_TRUE(dialog.Apply());
    EXPECT_EQ(printer.printerName(), testing::PrivateCups::Queue());
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
}

}  // namespace
}  // namespace tallivo
