#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <functional>

#include "app/app_title.h"
#include "app/font_chooser.h"
#include "app/qt_file_chooser.h"
#include "app/qt_prompter.h"
#include "richtext/qt_translations.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

// Runs `answer` on the modal dialog that the next call opens.
template <typename Dialog>
void AnswerNextDialog(std::function<void(Dialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(dialog);
    });
}

TEST(QtNameFiltersTest, WindowsFiltersBecomeQtFilters) {
    EXPECT_EQ(QtNameFilters(Gbk(u8"任意格式 (*.*)|*.*|货运单格式 (*.pfb)|*.pfb")),
              (QStringList{QString::fromUtf8(u8"任意格式 (*)"),
                           QString::fromUtf8(u8"货运单格式 (*.pfb)")}));
    EXPECT_EQ(QtNameFilters(Gbk(u8"图片|*.jpg;*.JPEG; *.bmp")),
              QStringList{QString::fromUtf8(u8"图片 (*.jpg *.JPEG *.bmp)")});
    // A description without patterns, or patterns without a description.
    EXPECT_EQ(QtNameFilters(Gbk(u8"全部")), QStringList{QString::fromUtf8(u8"全部 (*)")});
    EXPECT_EQ(QtNameFilters("|*.pin"), QStringList{QStringLiteral("*.pin (*.pin)")});
    EXPECT_TRUE(QtNameFilters("").isEmpty());
}

TEST(QtFileChooserTest, DialogSetUpFromTheRequest) {
    QTemporaryDir dir;
    FileChooser::Request request;
    request.save = true;
    request.title = Gbk(u8"保存货运单");
    request.filter = Gbk(u8"任意格式 (*.*)|*.*|货运单格式 (*.pfb)|*.pfb");
    request.filterIndex = 2;
    request.initialFolder = dir.path().toStdString();
    request.fileName = u8"1382401.pfb";
    QFileDialog dialog;
    ConfigureFileDialog(dialog, request);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(u8"保存货运单"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.selectedNameFilter(), QString::fromUtf8(u8"货运单格式 (*.pfb)"));
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());

    for (int outOfRange : {0, 3, -1}) {
        request.filterIndex = outOfRange;
        request.save = false;
        QFileDialog open;
        ConfigureFileDialog(open, request);
        EXPECT_EQ(open.selectedNameFilter(), QString::fromUtf8(u8"任意格式 (*)")) << outOfRange;
        EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    }

    // Accepted with the preset name: that path, in UTF-8; cancelled: nothing.
    request.save = true;
    request.filterIndex = 2;
    QtFileChooser chooser;
    AnswerNextDialog<QFileDialog>([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
    EXPECT_EQ(chooser.Choose(request),
              dir.filePath(QString::fromUtf8(u8"1382401.pfb")).toStdString());
    AnswerNextDialog<QFileDialog>([](QFileDialog* d) { d->reject(); });
    EXPECT_EQ(chooser.Choose(request), std::nullopt);
}

// Closing a file the dialog opened to guess its type drops the history's POSIX locks.
TEST(QtFileChooserTest, FilesAreTypedByNameAndTheHistoryIsNeverListed) {
    QTemporaryDir dir;
    QFile looksLikePdf(dir.filePath(QStringLiteral("PrintHistory.sqlite-wal")));
    ASSERT_TRUE(looksLikePdf.open(QIODevice::WriteOnly));
    looksLikePdf.write("%PDF-1.4\n");
    looksLikePdf.close();
    QFileDialog dialog;
    ConfigureFileDialog(dialog, FileChooser::Request());
    ASSERT_NE(dialog.iconProvider(), nullptr);
    EXPECT_FALSE(
        dialog.iconProvider()->type(QFileInfo(looksLikePdf)).contains(QLatin1String("PDF")));
    EXPECT_NE(dialog.directory().absolutePath(), QDir::currentPath());
    for (const char* name : {"PrintHistory.sqlite", "PrintHistory.sqlite-shm",
                             "HistoryQueue.sqlite-wal", "PrintHistory.sqlite.2026-12-07-damaged"})
        EXPECT_TRUE(IsHistoryFileName(QLatin1String(name))) << name;
    EXPECT_FALSE(IsHistoryFileName(QStringLiteral("orders.csv")));
}

TEST(QtPrompterTest, MessageBoxesAsTheyAreGiven) {
    QtPrompter prompter;
    AnswerNextDialog<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), QString::fromUtf8(u8"提示：尚未保存！"));
        EXPECT_EQ(box->text(), QString::fromUtf8(u8"发货单尚未保存，确认退出吗？"));
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->defaultButton()->click();
    });
    EXPECT_FALSE(
        prompter.AskYesNo(Gbk(u8"提示：尚未保存！"), Gbk(u8"发货单尚未保存，确认退出吗？")));
    AnswerNextDialog<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(prompter.AskYesNo(Gbk(u8"提示：x"), Gbk(u8"y")));

    AnswerNextDialog<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), QString::fromUtf8(kApplicationTitle));
        EXPECT_EQ(box->text(), QString::fromUtf8(u8"无法分配内存空间！"));
        box->accept();
    });
    prompter.ShowMessage(Gbk(u8"无法分配内存空间！"));
    AnswerNextDialog<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), QString::fromUtf8(u8"提示"));
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        box->accept();
    });
    prompter.ShowInformation(Gbk(u8"提示"), Gbk(u8"没有帮助文件!"));
}

TEST(QtFontChooserTest, ConfirmedFontCarriesTheChosenColourCancelGivesNothing) {
    const FontChoice initial = InitialDialogFont();
    EXPECT_EQ(initial.font.family(), QString::fromUtf8(u8"宋体"));
    EXPECT_EQ(initial.font.pixelSize(), 20);
    EXPECT_EQ(initial.color, QColor(255, 0, 255));

    QtFontChooser chooser;
    AnswerNextDialog<FontColorDialog>([](FontColorDialog* d) { d->reject(); });
    EXPECT_EQ(chooser.Choose(initial), std::nullopt);
    AnswerNextDialog<FontColorDialog>([](FontColorDialog* d) {
        d->SetColor(Qt::blue);  // what the colour button's dialog answers
        d->accept();
    });
    const std::optional<FontChoice> chosen = chooser.Choose(initial);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->color, QColor(Qt::blue));
    EXPECT_GT(chosen->font.pointSizeF(), 0);
}

TEST(QtTranslationsTest, QtsOwnButtonsSpeakChinese) {
    QTranslator* chinese = LoadQtChineseTranslations();
    ASSERT_NE(chinese, nullptr);
    QMessageBox box(QMessageBox::Question, QString(), QString(),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QString::fromUtf8(u8"是")));
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QString::fromUtf8(u8"否")));
    QApplication::removeTranslator(chinese);
    delete chinese;
}

}  // namespace
}  // namespace tallivo
