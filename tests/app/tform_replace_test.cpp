#include "app/tform_replace.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "ui_tform_replace.h"

namespace tallivo {
namespace {

TEST(FormReplace, LaidOutAsDesigned) {
    TFormReplace form;
    Ui::TFormReplace* ui = form.ui();
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8(u8"查找与替换"));
    EXPECT_EQ(form.minimumSize(), QSize(537, 76));
    EXPECT_EQ(form.maximumSize(), QSize(537, 76));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(form.font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(form.font().pixelSize(), 13);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(192, 220, 192));

    struct Control {
        QWidget* widget;
        const char* caption;
        QRect geometry;
    };
    for (const Control& c :
         {Control{ui->Label2, u8"把选中替换为（&I）：", {8, 8, 139, 16}},
          Control{ui->EditReplace, "", {138, 5, 388, 24}},
          Control{ui->SpeedButtonReplace, u8"替换（&R）", {27, 45, 72, 23}},
          Control{ui->SpeedButtonReplaceAll, u8"全部替换（&A）", {138, 45, 103, 23}},
          Control{ui->SpeedButtonFind, u8"查找下一处（&F）", {282, 45, 111, 23}},
          Control{ui->SpeedButtonClose, u8"关闭（&C）", {434, 45, 72, 23}}}) {
        EXPECT_EQ(c.widget->geometry(), c.geometry) << c.caption;
        QString caption;
        if (auto* label = qobject_cast<QLabel*>(c.widget)) caption = label->text();
        if (auto* button = qobject_cast<QToolButton*>(c.widget)) caption = button->text();
        EXPECT_EQ(caption, QString::fromUtf8(c.caption));
    }
    EXPECT_EQ(ui->Label2->buddy(), ui->EditReplace);

    QStringList items;
    for (QAction* a : ui->PopupMenuReplace->actions())
        items << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(items.join(QLatin1Char(' ')),
              QString::fromUtf8(u8"替换（&R） 全部替换（&A） 查找下一处（&F） - 关闭（&C）"));
    items.clear();
    for (QAction* a : ui->PopupMenuEdit->actions()) items << a->objectName();
    EXPECT_EQ(items.join(QLatin1Char(' ')),
              QStringLiteral("MenuItemCopy MenuItemCut MenuItemPaste MenuItemSelectAll "
                             "MenuItemDelete"));
}

TEST(FormReplace, ButtonsAndMenuItemsSignalAndCloseDestroys) {
    QWidget owner;
    QPointer<TFormReplace> form = new TFormReplace(&owner);
    Ui::TFormReplace* ui = form->ui();
    QSignalSpy replace(form.data(), &TFormReplace::replaceClicked);
    QSignalSpy all(form.data(), &TFormReplace::replaceAllClicked);
    QSignalSpy find(form.data(), &TFormReplace::findClicked);
    ui->SpeedButtonReplace->click();
    ui->MenuItemReplace->trigger();
    ui->SpeedButtonReplaceAll->click();
    ui->MenuItemReplaceAll->trigger();
    ui->SpeedButtonFind->click();
    ui->MenuItemFind->trigger();
    EXPECT_EQ(replace.count(), 2);
    EXPECT_EQ(all.count(), 2);
    EXPECT_EQ(find.count(), 2);

    form->show();
    ui->SpeedButtonClose->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST(FormReplace, EditCommandsActOnlyWithTheFocus) {
    QWidget other;
    QLineEdit elsewhere(&other);
    TFormReplace form;
    Ui::TFormReplace* ui = form.ui();
    form.SetReplaceText(QString::fromUtf8(u8"张三丰"));
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ui->EditReplace->setFocus();
    ASSERT_TRUE(ui->EditReplace->hasFocus());

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("kept"));
    ui->EditReplace->setSelection(2, 1);
    ui->MenuItemDelete->trigger();  // no clipboard involved
    EXPECT_EQ(form.ReplaceText(), QString::fromUtf8(u8"张三"));
    EXPECT_EQ(clipboard->text(), QStringLiteral("kept"));
    ui->EditReplace->setCursorPosition(0);  // nothing selected: nothing deleted
    ui->MenuItemDelete->trigger();
    EXPECT_EQ(form.ReplaceText(), QString::fromUtf8(u8"张三"));
    ui->MenuItemSelectAll->trigger();
    ui->MenuItemCopy->trigger();
    EXPECT_EQ(clipboard->text(), QString::fromUtf8(u8"张三"));

    // Without the focus nothing happens.
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    elsewhere.setFocus();
    ASSERT_FALSE(ui->EditReplace->hasFocus());
    clipboard->setText(QStringLiteral("kept"));
    ui->EditReplace->selectAll();
    ui->MenuItemCut->trigger();
    ui->MenuItemDelete->trigger();
    EXPECT_EQ(form.ReplaceText(), QString::fromUtf8(u8"张三"));
    EXPECT_EQ(clipboard->text(), QStringLiteral("kept"));
}

}  // namespace
}  // namespace tallivo
