// The real window bound to the workspace, driven through its named controls.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "app/edit_commands.h"
#include "app/field_box_editor.h"
#include "app/font_chooser.h"
#include "app/goods_grid_model.h"
#include "app/input_memo.h"
#include "app/main_window_controller.h"
#include "app/scripted_window_prompter.h"
#include "app/tform_print.h"
#include "app/tform_replace.h"
#include "app/waybill_panel.h"
#include "app/window_fixture.h"
#include "browser/handover_record.h"
#include "print/page_drawing.h"
#include "support/scripted_file_chooser.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

using testing::Example;
using testing::NoFonts;

using MainWindow = testing::WindowTest;

TEST_F(MainWindow, StartsWithTheStarterTemplatesAndFillsBothForms) {
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    EXPECT_FALSE(ui().ComboBoxFreightBill->currentText().isEmpty());
    ASSERT_FALSE(ws().FreightBill().boxes.empty());
    EXPECT_FALSE(ui().ImageFBBackground->pixmap().isNull());
    EXPECT_EQ(ui().PanelFreightBill->findChildren<QTextEdit*>().size(),
              static_cast<qsizetype>(ws().FreightBill().boxes.size()));

    // The printed documents keep the hinting they are laid out with; only the window's own text
    // takes the font's hinting.
    EXPECT_EQ(ui().RichEditInvoice->document()->defaultFont().hintingPreference(),
              QFont::PreferDefaultHinting);
    EXPECT_EQ(ws().FreightBill().boxes[0]->content->Document()->defaultFont().hintingPreference(),
              QFont::PreferDefaultHinting);
    EXPECT_EQ(ui().LabelFreightBill->font().hintingPreference(), QFont::PreferFullHinting);

    // A template box follows its list as templates come and go, the selection kept on its name.
    QComboBox* box = ui().ComboBoxInvoice;
    const TemplateList& invoices = ws().InvoiceTemplates();
    const QString selected = box->currentText();
    ASSERT_EQ(box->count(), static_cast<int>(invoices.items.size()));
    ws().AddTemplateEntry(FormKind::kInvoice, {Gbk(u8"新模板"), invoices.items[0].record});
    ASSERT_EQ(box->count(), static_cast<int>(invoices.items.size()));
    EXPECT_EQ(box->itemText(box->count() - 1), QString::fromUtf8(u8"新模板"));
    EXPECT_EQ(box->currentText(), selected);

    Fill("taobao-order-detail.txt", kTabFreightBill);
    EXPECT_EQ(controller->ReplaceWindow(), nullptr);  // the hidden window is gone again
    std::string all;
    for (std::size_t i = 0; i < ws().FreightBill().boxes.size(); ++i)
        all += BoxText(static_cast<int>(i));
    EXPECT_NE(all.find(u8"张小明"), std::string::npos) << all;
    EXPECT_EQ(all.find('{'), std::string::npos) << all;
    EXPECT_TRUE(ws().FreightBillUnsaved());

    Fill("taobao-order-detail.txt", kTabInvoice);
    const GoodsGrid& grid = ws().Invoice().grid;
    EXPECT_GE(grid.RowCount(), 3);
    EXPECT_FALSE(grid.Cell(GoodsGrid::kGoodsName, 1).empty());
    EXPECT_EQ(ui().StringGridInvoice->model()->rowCount(), grid.RowCount());
    EXPECT_EQ(ui().StringGridInvoice->model()->index(1, GoodsGrid::kGoodsName).data().toString(),
              QString::fromStdString(GbkToUtf8(grid.Cell(GoodsGrid::kGoodsName, 1))));
    EXPECT_NE(ui().RichEditInvoice->toPlainText().indexOf(QString::fromUtf8(u8"张小明")), -1);
    EXPECT_TRUE(ws().InvoiceUnsaved());

    // Back to the freight bill: the filled invoice is given up when the user says No, and both
    // forms start again from their templates.
    prompter.answers = {false};
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    EXPECT_FALSE(ws().FreightBillUnsaved());
    EXPECT_FALSE(ws().InvoiceUnsaved());
    std::string again;
    for (std::size_t i = 0; i < ws().FreightBill().boxes.size(); ++i)
        again += BoxText(static_cast<int>(i));
    EXPECT_NE(again.find(u8"{收货人}"), std::string::npos) << again;
    EXPECT_TRUE(ui().ComboBoxFreightBill->hasFocus());
}

TEST_F(MainWindow, EditCommandsFollowTabAndFocusWithTheirFlagQuirks) {
    // Input tab: the memo, whatever has the focus.
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    ui().MemoInputText->setPlainText("abc");
    ui().MemoInputText->selectAll();
    ui().ComboBoxInputText->setFocus();
    QApplication::clipboard()->setText("x");
    QTest::mouseClick(ui().SpeedButtonCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");

    // Freight bill with no box focused: nothing is cut, yet the flag goes up.
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    ASSERT_FALSE(ws().FreightBillUnsaved());
    const std::string before = BoxText(0);
    ui().ComboBoxFreightBill->setFocus();
    QTest::mouseClick(ui().SpeedButtoncut, Qt::LeftButton);
    EXPECT_TRUE(ws().FreightBillUnsaved());
    EXPECT_EQ(BoxText(0), before);

    // The second box focused: copy takes its text.
    QTextEdit* second = WaybillPanel::EditorOf(*ws().FreightBill().boxes[1]);
    second->setFocus();
    second->selectAll();
    QTest::mouseClick(ui().SpeedButtonCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), BoxText(1));

    // Invoice with the grid focused: nothing pasted, the flag still goes up.
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    ASSERT_FALSE(ws().InvoiceUnsaved());
    const QString body = ui().RichEditInvoice->toPlainText();
    ui().StringGridInvoice->setFocus();
    QTest::mouseClick(ui().SpeedButtonPaste, Qt::LeftButton);
    EXPECT_TRUE(ws().InvoiceUnsaved());
    EXPECT_EQ(ui().RichEditInvoice->toPlainText(), body);

    // Align left from the format menu reaches the invoice text though the grid has the focus.
    controller->Edits().ParagraphAlign(ParagraphAlignment::kCenter);
    EXPECT_EQ(ws().Invoice().Body().Alignment(), ParagraphAlignment::kCenter);
    EXPECT_TRUE(ui().MenuItemPopupParagraphCenter->isChecked());
    EXPECT_TRUE(ui().MenuItemParagraphCenter->isChecked());
}

TEST_F(MainWindow, CloseAsksInvoiceFirstAndNoKeepsTheWindow) {
    ws().SetInvoiceUnsaved(true);
    ws().SetFreightBillUnsaved(true);
    prompter.answers = {true, false};
    EXPECT_FALSE(window.close());
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(GbkToUtf8(prompter.questions[0].text), u8"发货单尚未保存，确认退出吗？");
    EXPECT_EQ(GbkToUtf8(prompter.questions[1].text), u8"货运单尚未保存，确认退出吗？");
    EXPECT_EQ(GbkToUtf8(prompter.questions[1].caption), u8"提示：尚未保存！");
    prompter.answers = {false};
    EXPECT_FALSE(window.close());
    EXPECT_EQ(prompter.questions.size(), 3u);  // a No to the first skips the second
}

TEST_F(MainWindow, ReplaceWindowIsReusedWhileOpenAndFreshAfterClose) {
    ui().CheckBoxAutoUpdate->setChecked(false);
    ui().MemoInputText->setPlainText(Example("taobao-order-detail.txt"));
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    QPointer<TFormReplace> first = controller->ReplaceWindow();
    ASSERT_TRUE(first);
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    EXPECT_EQ(controller->ReplaceWindow(), first.data());

    // Find next offers a value; Replace puts it in the selected box.
    first->MenuItemFindClick();
    EXPECT_FALSE(first->ReplaceText().isEmpty());
    first->MenuItemReplaceAllClick();
    EXPECT_EQ(BoxText(0).find('{'), std::string::npos);

    first->close();
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(controller->ReplaceWindow(), nullptr);
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    ASSERT_NE(controller->ReplaceWindow(), nullptr);
    EXPECT_TRUE(controller->ReplaceWindow()->ReplaceText().isEmpty());
}

TEST_F(MainWindow, ThirdSiteFillsBothTabsAndShowsItsDoubtsOncePerText) {
    ui().MemoInputText->setPlainText(QString::fromUtf8(u8"李丽 13166666666\n朝阳区建国路88号"));
    ui().ComboBoxInputText->setCurrentIndex(kSiteShippingInfo);
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    EXPECT_TRUE(ws().FreightBillUnsaved());
    ASSERT_EQ(prompter.information.size(), 1u);
    EXPECT_NE(prompter.information[0].text.find(Gbk(u8"朝阳区")), std::string::npos);

    prompter.answers = {false};  // the filled freight bill is given up
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    EXPECT_NE(ui().RichEditInvoice->toPlainText().indexOf(QString::fromUtf8(u8"李丽")), -1);
    EXPECT_EQ(prompter.information.size(), 1u);
}

TEST_F(MainWindow, HandOverRecordsChangeOnlyTheMemo) {
    const int tab = ui().PageControlPrint->currentIndex();
    ui().MemoInputText->setPlainText("old");
    QApplication::clipboard()->setText("clip");
    controller->ReceiveHandover(0x12345A78, "From Web Page");
    EXPECT_EQ(ui().MemoInputText->toPlainText(), "clip");
    controller->ReceiveHandover(0x12345A78, "");
    EXPECT_EQ(ui().MemoInputText->toPlainText(), "clipclip");
    controller->ReceiveHandover(0x11111111, "From Web Page");
    EXPECT_EQ(ui().MemoInputText->toPlainText(), "clipclip");
    controller->ReceiveHandover(0x12345A79, QByteArray::fromStdString(Utf8ToGbk(u8"页面")));
    EXPECT_EQ(ui().MemoInputText->toPlainText(), QString::fromUtf8(u8"页面"));
    EXPECT_EQ(QApplication::clipboard()->text(), "clip");
    // A page from the browser leaves the forms the seller works on alone.
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), tab);
}

TEST_F(MainWindow, GoodsGridModelPassesTheModelTesterAndEditsRecompute) {
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    GoodsGridModel* model = qobject_cast<GoodsGridModel*>(ui().StringGridInvoice->model());
    ASSERT_NE(model, nullptr);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (auto [column, text] : {std::pair{2, "2"}, {3, "10.5"}, {4, "5"}, {5, "-3"}})
        model->setData(model->index(1, column), QString::fromLatin1(text), Qt::EditRole);
    EXPECT_EQ(model->index(1, 6).data().toString(), "23.00");
    EXPECT_EQ(model->index(2, 6).data().toString(), "23.00");
    EXPECT_TRUE(ws().InvoiceUnsaved());
    ui().StringGridInvoice->setFocus();
    ui().StringGridInvoice->setCurrentIndex(model->index(1, 1));
    QTest::keyClick(ui().StringGridInvoice, Qt::Key_Return);
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(ui().StringGridInvoice->currentIndex().row(), 2);
    QTest::keyClick(ui().StringGridInvoice, Qt::Key_Delete);
    EXPECT_EQ(model->rowCount(), 3);
}

TEST_F(MainWindow, FileArgumentsOpenOnTheirTabAndDamageChangesNothing) {
    Fill("taobao-order-detail.txt", kTabInvoice);
    const QString saved = dir.filePath("a.pin");
    ASSERT_TRUE(ws().SaveDocumentTo(saved.toStdString()));
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    const std::size_t boxes = ws().FreightBill().boxes.size();

    QFile damaged(dir.filePath("b.pfb"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("12");
    damaged.close();
    EXPECT_TRUE(controller->OpenFileArgument(damaged.fileName()));
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(ws().FreightBill().boxes.size(), boxes);
    EXPECT_FALSE(controller->OpenFileArgument(dir.filePath("nothing.pin")));
    EXPECT_FALSE(controller->OpenFileArgument(dir.filePath("Config.pcf")));

    EXPECT_TRUE(controller->OpenFileArgument(saved));
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabInvoice);
    EXPECT_NE(ui().RichEditInvoice->toPlainText().indexOf(QString::fromUtf8(u8"张小明")), -1);
}

TEST_F(MainWindow, SaveNewOpenGivesBackTheFilledBillAndEnterInATemplateBoxMovesOn) {
    Fill("taobao-order-detail.txt", kTabFreightBill);
    std::vector<std::string> filled;
    for (std::size_t i = 0; i < ws().FreightBill().boxes.size(); ++i)
        filled.push_back(BoxText(static_cast<int>(i)));
    QTest::mouseClick(ui().SpeedButtonSave, Qt::LeftButton);
    const std::string saved = ws().AutomaticDocumentPath(FormKind::kFreightBill);
    ASSERT_TRUE(QFile::exists(QString::fromStdString(saved)));

    QTest::mouseClick(ui().SpeedButtonNew, Qt::LeftButton);
    EXPECT_EQ(ui().CSpinEditFreightBillSN->value(), ws().FreightBillSN());
    std::string fresh;
    for (std::size_t i = 0; i < ws().FreightBill().boxes.size(); ++i)
        fresh += BoxText(static_cast<int>(i));
    EXPECT_NE(fresh.find(u8"{收货人}"), std::string::npos);
    chooser.answers = {saved};
    QTest::mouseClick(ui().SpeedButtonOpen, Qt::LeftButton);
    ASSERT_EQ(ws().FreightBill().boxes.size(), filled.size());
    for (std::size_t i = 0; i < filled.size(); ++i)
        EXPECT_EQ(BoxText(static_cast<int>(i)), filled[i]);
    EXPECT_FALSE(ws().FreightBill().background.isNull());

    // Enter in the template box moves the focus on and applies nothing.
    ui().ComboBoxFreightBill->setFocus();
    QTest::keyClick(ui().ComboBoxFreightBill, Qt::Key_Return);
    EXPECT_FALSE(ui().ComboBoxFreightBill->hasFocus());
    EXPECT_EQ(BoxText(1), filled[1]);
}

// Before a tab change rebuilds the forms each unsaved one is saved (Yes, the default) or given
// up; a save that does not happen keeps the form and its tab.
TEST_F(MainWindow, TabChangeSavesOrGivesUpUnsavedFormsAndStaysWhenNotSaved) {
    Fill("taobao-order-detail.txt", kTabFreightBill);
    prompter.answers = {true};
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    ASSERT_EQ(prompter.questions.size(), 1u);  // the clean invoice is not asked about
    EXPECT_EQ(GbkToUtf8(prompter.questions[0].caption), u8"提示：尚未保存！");
    EXPECT_TRUE(prompter.questions[0].defaultYes);
    EXPECT_TRUE(
        QFile::exists(QString::fromStdString(ws().AutomaticDocumentPath(FormKind::kFreightBill))));

    Fill("taobao-order-detail.txt", kTabInvoice);
    ui().CheckBoxAutoFileName->setChecked(false);
    prompter.answers = {true};  // and the save dialog is cancelled
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabInvoice);
    EXPECT_TRUE(ws().InvoiceUnsaved());
    ui().PageControlPrint->setCurrentIndex(kTabInput);  // No: given up
    EXPECT_EQ(ws().CurrentTab(), kTabInput);
    EXPECT_FALSE(ws().InvoiceUnsaved());

    // Another template rebuilds the form too, and asks the same.
    Fill("taobao-order-detail.txt", kTabFreightBill);
    prompter.questions.clear();
    prompter.answers = {false};
    emit ui().ComboBoxFreightBill->activated(0);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_FALSE(ws().FreightBillUnsaved());
}

class MissingPicture : public testing::WindowTest {
    void Bound() override { QDir(dir.filePath("FreightBillBGImages")).removeRecursively(); }
};

TEST_F(MissingPicture, StartAppliesTheTemplatesOnceAndSaysSoOnce) {
    EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST_F(MainWindow, PrintedGridFollowsTheOnScreenColumnWidths) {
    const PageOptions options = PageOptions::AtDpi(96, 96);
    const auto draw = [&] {
        const PageSize size = InvoicePageSize(ws().Invoice(), options);
        QImage page(size.width, size.height, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        DrawInvoicePage(painter, ws().Invoice(), options);
        return page;
    };
    const QImage before = draw();
    ui().StringGridInvoice->horizontalHeader()->resizeSection(GoodsGrid::kTradeNumber, 300);
    EXPECT_NE(draw(), before);
}

// A page without line ends is shown folded, so the memo stays responsive; capture always reads
// the page as it came, typed into or pasted over, never the breaks of the fold.
TEST(InputMemoFolding, LongLinesAreShownFoldedAndKeptWhole) {
    InputMemo memo;
    QString line = QString(InputMemo::kFoldAt * 2 + 10, QLatin1Char('x'));
    line[InputMemo::kFoldAt - 5] = QLatin1Char(' ');
    EXPECT_FALSE(InputMemo::NeedsFolding(QStringLiteral("ab\ncd")));
    EXPECT_TRUE(InputMemo::NeedsFolding(line));
    const QString folded = InputMemo::Fold(line);
    EXPECT_EQ(folded.indexOf(QLatin1Char('\n')), InputMemo::kFoldAt - 4);  // after the blank
    EXPECT_EQ(QString(folded).remove(QLatin1Char('\n')), line);
    for (const QString& part : folded.split(QLatin1Char('\n')))
        EXPECT_LE(part.size(), InputMemo::kFoldAt);

    memo.SetPageText(line);
    EXPECT_EQ(memo.PageText(), line);
    EXPECT_EQ(memo.toPlainText(), folded);
    memo.moveCursor(QTextCursor::End);
    memo.insertPlainText(QStringLiteral("y"));
    QString page = line + QStringLiteral("y");
    EXPECT_EQ(memo.PageText(), page);

    // Typing and deleting across a fold, and a new line of the user's own.
    const int fold = static_cast<int>(folded.indexOf(QLatin1Char('\n')));
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(fold - 2);
    cursor.setPosition(fold + 3, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("AB\nC"));
    page.replace(fold - 2, 4, QStringLiteral("AB\nC"));
    EXPECT_EQ(memo.PageText(), page);

    // A second paste lands in the page at the caret, wherever the fold put the caret.
    QApplication::clipboard()->setText(line);
    cursor.setPosition(3);
    memo.setTextCursor(cursor);
    memo.paste();
    page.insert(3, line);
    EXPECT_EQ(memo.PageText(), page);
    EXPECT_TRUE(InputMemo::NeedsFolding(memo.toPlainText()) == false);

    // Once the last fold is gone the display is the page again.
    memo.selectAll();
    memo.insertPlainText(QStringLiteral("short"));
    EXPECT_EQ(memo.PageText(), QStringLiteral("short"));
    memo.clear();
    memo.insertPlainText(QStringLiteral("head "));
    memo.paste();
    EXPECT_EQ(memo.PageText(), QStringLiteral("head ") + line);
}

// A page handed over from the browser names its site and keeps the tab.
TEST_F(MainWindow, ABrowserHandOverSetsTheSiteAndKeepsTheTab) {
    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    const std::string page = Gbk(u8"收货人：张三");
    controller->ReceiveHandover(browser::kAddressedPageTag,
                                QByteArray::fromStdString(browser::JoinAddressedPage(
                                    "http://auction1.paipai.com/order", page)));
    EXPECT_EQ(ui().PageControlPrint->currentIndex(), kTabFreightBill);
    EXPECT_EQ(ui().ComboBoxInputText->currentIndex(), kSitePaipai);
    EXPECT_EQ(ui().MemoInputText->PageText(), QStringLiteral("收货人：张三"));
}

}  // namespace
}  // namespace tallivo
