#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <vector>

#include "app/app_title.h"
#include "app/help_commands.h"
#include "app/scripted_window_prompter.h"
#include "app/tform_about.h"
#include "app/tform_print.h"
#include "app/url_opener.h"
#include "text/gbk_codec.h"
#include "ui_tform_about.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

class RecordingOpener : public UrlOpener {
public:
    bool Open(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<QUrl> opened;
};

class Help : public ::testing::Test {
protected:
    void Touch(const QString& relative) {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(relative)).path());
        QFile file(dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir;
    RecordingOpener opener;
    testing::ScriptedWindowPrompter prompter;
    HelpCommands help{dir.path() + QLatin1Char('/'), &opener, &prompter};
};

TEST_F(Help, CompiledHelpThenOurOwnThenTheMessage) {
    help.MenuItemHelpClick();
    EXPECT_TRUE(opener.opened.empty());
    ASSERT_EQ(prompter.information.size(), 1u);
    EXPECT_EQ(prompter.information[0].caption, Gbk(u8"提示"));
    EXPECT_EQ(prompter.information[0].text, Gbk(u8"没有帮助文件!"));

    Touch(QStringLiteral("help/index.html"));
    help.MenuItemHelpClick();
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0],
              QUrl::fromLocalFile(dir.filePath(QStringLiteral("help/index.html"))));

    Touch(QStringLiteral("Tallivo HTML Help.chm"));
    help.MenuItemHelpClick();
    ASSERT_EQ(opener.opened.size(), 2u);
    // One separator between folder and name, however the folder was given.
    EXPECT_EQ(opener.opened[1].toLocalFile(),
              dir.path() + QStringLiteral("/Tallivo HTML Help.chm"));
    EXPECT_EQ(prompter.information.size(), 1u);

    EXPECT_EQ(HelpCommands(QStringLiteral("/"), &opener, &prompter).HelpFilePath(),
              QStringLiteral("/Tallivo HTML Help.chm"));
    EXPECT_EQ(HelpCommands(QStringLiteral("/opt/t"), &opener, &prompter).HelpFilePath(),
              QStringLiteral("/opt/t/Tallivo HTML Help.chm"));
}

TEST_F(Help, VisitAndF1ThroughTheWindow) {
    TFormPrint window;
    help.Connect(window);
    window.ui()->MenuItemVisit->trigger();
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], QUrl(QString::fromUtf8(kWebAddress)));
    window.ui()->MenuItemHelp->trigger();
    EXPECT_EQ(prompter.information.size(), 1u);
}

TEST_F(Help, AboutIsModalAndClosesOnAClickInItsText) {
    TFormPrint window;
    help.Connect(window);
    bool seen = false;
    QTimer::singleShot(0, [&seen] {
        auto* about = qobject_cast<TFormAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        seen = true;
        EXPECT_EQ(about->windowTitle(), QString::fromUtf8(u8"关于Tallivo"));
        EXPECT_TRUE(about->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(about->size(), QSize(712, 683));
        QTextEdit* text = about->ui()->RichEditAbout;
        EXPECT_TRUE(text->isReadOnly());
        const QString plain = text->toPlainText();
        for (const char* part :
             {u8"淘宝网", u8"拍拍网", u8"预览", u8"非商业", u8"恶意代码", u8"版本 1.2",
              "http://www.tallivo.example.com/", "~/.local/share/Tallivo"}) {
            EXPECT_TRUE(plain.contains(QString::fromUtf8(part))) << part;
        }
        QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    });
    window.ui()->MenuItemAbout->trigger();  // returns once the about window is gone
    EXPECT_TRUE(seen);
    EXPECT_EQ(window.findChild<TFormAbout*>(), nullptr);
}

}  // namespace
}  // namespace tallivo
