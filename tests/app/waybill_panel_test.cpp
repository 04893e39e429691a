// Field boxes on the waybill panel, and the keyword menu, through the real window.
#include "app/waybill_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/field_box_editor.h"
#include "app/font_chooser.h"
#include "app/main_window_controller.h"
#include "app/scripted_window_prompter.h"
#include "app/tform_print.h"
#include "app/window_fixture.h"
#include "support/scripted_file_chooser.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

using testing::NoFonts;

class Waybill : public ::testing::Test {
protected:
    void SetUp() override {
        controller = std::make_unique<MainWindowController>(window, dir.path().toStdString(),
                                                            &prompter, &chooser, &fonts);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.ui()->PageControlPrint->setCurrentIndex(kTabFreightBill);
    }
    void TearDown() override {
        prompter.answers = {true, true};
        window.close();
    }
    FreightBillForm& form() { return controller->Workspace().FreightBill(); }
    QAction* Keyword(int i) { return window.ui()->PopupMenuAddKeyWord->actions()[i]; }
    int VisibleKeywords() {
        QMenu* menu = window.ui()->PopupMenuAddKeyWord;
        emit menu->aboutToShow();
        int n = 0;
        for (QAction* a : menu->actions()) n += a->isVisible() ? 1 : 0;
        return n;
    }

    QTemporaryDir dir;
    TFormPrint window;
    testing::ScriptedWindowPrompter prompter;
    testing::ScriptedFileChooser chooser;
    NoFonts fonts;
    std::unique_ptr<MainWindowController> controller;
};

TEST_F(Waybill, KeywordMenuAddsABoxAtItsPlaceAndShowsSevenOrThirteenItems) {
    EXPECT_EQ(VisibleKeywords(), 7);
    Keyword(1)->trigger();  // {收货人}
    ASSERT_EQ(form().boxes.size(), 1u);
    const FieldBox& box = *form().boxes[0];
    EXPECT_EQ(GbkToUtf8(box.content->PlainText()), u8"{收货人}");
    EXPECT_EQ(QRect(box.left, box.top, box.width, box.height), QRect(10, 250, 100, 30));
    // The sizing frame's extra pixel is the widget's own.
    EXPECT_EQ(WaybillPanel::EditorOf(box)->geometry(), QRect(10, 250, 100, 31));
    EXPECT_TRUE(controller->Workspace().FreightBillUnsaved());

    window.ui()->PageControlPrint->setCurrentIndex(kTabInvoice);
    EXPECT_EQ(VisibleKeywords(), 13);
    Keyword(12)->trigger();
    EXPECT_NE(
        window.ui()->RichEditInvoice->toPlainText().indexOf(QString::fromUtf8(u8"{物流承运信息}")),
        -1);
    window.ui()->PageControlPrint->setCurrentIndex(kTabInput);
    Keyword(1)->trigger();  // nothing on the input tab
}

TEST_F(Waybill, CoordinatesUseIntegerArithmeticAndTheLabelSitsBesideTheBox) {
    EXPECT_EQ(WaybillPanel::CoordinateText(367, 100, 190, 734), "(95, 25)");
    EXPECT_EQ(WaybillPanel::CoordinateText(5, 5, 190, 0), "(0, 0)");
    AddFieldBox(form(), "x", 5, 5, 20, 40);
    FieldBoxEditor* editor = WaybillPanel::EditorOf(*form().boxes[0]);
    QMouseEvent hover(QEvent::MouseMove, QPointF(20, 10),
                      editor->viewport()->mapToGlobal(QPointF(20, 10)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &hover);
    QLabel* label = window.ui()->LabelFieldCoordinate;
    EXPECT_EQ(label->text(), "(1, 1)");
    EXPECT_EQ(label->pos(), QPoint(5 + 40, 5 + 20));  // right of and below a box near the corner
}

TEST_F(Waybill, EmptyBoxGoesOnBackspaceAfterItsKeyPressAndBoxesStayReachable) {
    AddFieldBox(form(), "", 10, 10, 20, 40);
    AddFieldBox(form(), "a", 10, 40, 20, 40);
    FieldBoxEditor* filled = WaybillPanel::EditorOf(*form().boxes[1]);
    filled->setFocus();
    filled->moveCursor(QTextCursor::End);
    QTest::keyClick(filled, Qt::Key_Backspace);
    QTest::qWait(0);
    EXPECT_EQ(form().boxes.size(), 2u);  // a character went, the box stays
    QTest::keyClick(filled, Qt::Key_Backspace);
    EXPECT_EQ(form().boxes.size(), 2u);  // not inside its own key press
    QTest::qWait(0);
    ASSERT_EQ(form().boxes.size(), 1u);
    EXPECT_EQ(form().boxes[0]->top, 10);

    const QSize panel = window.ui()->PanelFreightBill->size();
    const QRect far = FieldBoxEditor::Reachable(QRect(5000, -900, 0, 0), panel);
    EXPECT_TRUE(far.intersects(QRect(QPoint(0, 0), panel)));
    EXPECT_GE(far.width(), FieldBoxEditor::kMinSide);

    // Dragging the body moves the box in the model and marks the bill unsaved.
    controller->Workspace().SetFreightBillUnsaved(false);
    FieldBoxEditor* editor = WaybillPanel::EditorOf(*form().boxes[0]);
    QTest::mousePress(editor->viewport(), Qt::LeftButton, {}, QPoint(15, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(45, 30),
                     editor->viewport()->mapToGlobal(QPointF(45, 30)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &move);
    QTest::mouseRelease(editor->viewport(), Qt::LeftButton, {}, QPoint(45, 30));
    EXPECT_EQ(form().boxes[0]->left, 40);
    EXPECT_EQ(form().boxes[0]->top, 30);
    EXPECT_TRUE(controller->Workspace().FreightBillUnsaved());
}

// The frame resizes, showing the cursor of its edge or corner, and a new size is unsaved. The
// coordinate label goes when the mouse leaves the box.
TEST_F(Waybill, FrameResizesWithResizeCursorsMarksUnsavedAndTheLabelGoesOnLeave) {
    for (auto [at, shape] : {std::pair{QPoint(20, 10), Qt::ArrowCursor},
                             {{0, 10}, Qt::SizeHorCursor},
                             {{20, 19}, Qt::SizeVerCursor},
                             {{39, 19}, Qt::SizeFDiagCursor},
                             {{39, 0}, Qt::SizeBDiagCursor}})
        EXPECT_EQ(FieldBoxEditor::CursorFor(FieldBoxEditor::EdgesAt(at, {40, 20})), shape);
    AddFieldBox(form(), "x", 100, 100, 20, 40);
    FieldBoxEditor* box = WaybillPanel::EditorOf(*form().boxes[0]);
    const auto send = [box](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, box->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, {});
        QApplication::sendEvent(box, &e);  // the frame itself, outside the viewport
    };
    send(QEvent::MouseMove, {39, 10}, Qt::NoButton);
    EXPECT_EQ(box->cursor().shape(), Qt::SizeHorCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(box, &leave);
    EXPECT_FALSE(window.ui()->LabelFieldCoordinate->isVisible());

    controller->Workspace().SetFreightBillUnsaved(false);
    send(QEvent::MouseButtonPress, {39, 10}, Qt::LeftButton);
    send(QEvent::MouseMove, {59, 10}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {59, 10}, Qt::NoButton);
    EXPECT_EQ(form().boxes[0]->width, 60);
    EXPECT_TRUE(controller->Workspace().FreightBillUnsaved());
}

TEST_F(Waybill, BadPictureKeepsTheOldBackground) {
    QFile text(dir.filePath("not.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("hello");
    text.close();
    form().background = QImage(10, 10, QImage::Format_RGB32);
    chooser.answers = {text.fileName().toStdString()};
    const std::size_t before = prompter.messages.size();  // an empty folder has no stores
    QTest::mouseClick(window.ui()->SpeedButtonBackground, Qt::LeftButton);
    ASSERT_EQ(prompter.messages.size(), before + 1);
    EXPECT_EQ(GbkToUtf8(prompter.messages.back()), u8"无法打开背景图片文件！");
    EXPECT_EQ(form().background.size(), QSize(10, 10));
    EXPECT_EQ(GbkToUtf8(chooser.requests[0].title), u8"打开背景图片");
}

}  // namespace
}  // namespace tallivo
