#include "browser/browser_entry.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "../support/recording_prompter.h"
#include "browser/capture_page.h"
#include "text/gbk_codec.h"

namespace tallivo::browser {
namespace {

class BrowserEntry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        const QDir root(temp_.path());
        ASSERT_TRUE(root.mkpath(QStringLiteral("My Shop/Tallivo")));
        place_.program = root.filePath(QStringLiteral("My Shop/Tallivo/tallivo"));
        place_.host = root.filePath(QStringLiteral("My Shop/Tallivo/tallivo-browser-host"));
        place_.configHome = root.filePath(QStringLiteral("config"));
        place_.home = root.filePath(QStringLiteral("home"));
        registry_ = SettingsRegistry::ForIniFile(root.filePath(QStringLiteral("registry.ini")));
        page_ = root.filePath(QStringLiteral("My Shop/Tallivo/CapturePage.htm"));
    }

    bool KeyPresent() { return registry_->KeyExists(QString::fromLatin1(kMenuExtKey)); }
    std::pair<bool, bool> Menu() {
        const HelpMenuState state = HelpMenuRule(*registry_, place_);
        return {state.installEnabled, state.uninstallEnabled};
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir temp_;
    BrowserEntryPlace place_;
    std::unique_ptr<SettingsRegistry> registry_;
    QString page_;
    testing::RecordingPrompter prompter_;
};

TEST_F(BrowserEntry, MenuRuleOverTheFourStates) {
    EXPECT_EQ(Menu(), std::make_pair(true, false));  // neither
    ASSERT_TRUE(registry_->WriteDefaultValue(QString::fromLatin1(kMenuExtKey), page_));
    EXPECT_EQ(Menu(), std::make_pair(true, true));  // key only
    QFile page(page_);
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    EXPECT_EQ(Menu(), std::make_pair(false, true));  // both
    ASSERT_TRUE(registry_->DeleteKey(QString::fromLatin1(kMenuExtKey)));
    EXPECT_EQ(Menu(), std::make_pair(true, true));  // page only
}

TEST_F(BrowserEntry, InstallWritesKeyPageAndHostManifests) {
    ASSERT_TRUE(InstallBrowserEntry(*registry_, place_, prompter_));
    EXPECT_TRUE(prompter_.messages.empty());
    EXPECT_TRUE(KeyPresent());
    EXPECT_EQ(registry_->DefaultValue(QString::fromLatin1(kMenuExtKey)), page_);
    EXPECT_EQ(Read(page_).toStdString(), CapturePageBytes(place_.program.toStdString()));
    EXPECT_EQ(Menu(), std::make_pair(false, true));
    // The settings file keeps the registry's key path and its default value.
    const QByteArray ini = Read(QDir(temp_.path()).filePath(QStringLiteral("registry.ini")));
    EXPECT_TRUE(ini.contains("\\MenuExt\\--Tallivo--\\Default=")) << ini.data();

    const QStringList manifests = NativeHostManifestFiles(place_);
    ASSERT_EQ(manifests.size(), 3);
    for (const QString& file : manifests) {
        const QJsonObject manifest = QJsonDocument::fromJson(Read(file)).object();
        EXPECT_EQ(manifest.value(QStringLiteral("name")).toString(), kNativeHostName)
            << file.toStdString();
        EXPECT_EQ(manifest.value(QStringLiteral("path")).toString(), place_.host);
        const bool firefox = file.contains(QStringLiteral("/.mozilla/"));
        EXPECT_EQ(manifest.contains(QStringLiteral("allowed_extensions")), firefox);
        EXPECT_EQ(manifest.contains(QStringLiteral("allowed_origins")), !firefox);
    }
}

TEST_F(BrowserEntry, InstallNeverOverwritesAPageAndRewritesTheKey) {
    QFile page(page_);
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("an older page\r\n");
    page.close();
    ASSERT_TRUE(registry_->WriteDefaultValue(QString::fromLatin1(kMenuExtKey), "C:\\old\\place"));
    ASSERT_TRUE(InstallBrowserEntry(*registry_, place_, prompter_));
    EXPECT_EQ(Read(page_), "an older page\r\n");
    EXPECT_EQ(registry_->DefaultValue(QString::fromLatin1(kMenuExtKey)), page_);
}

TEST_F(BrowserEntry, AnInstalledProgramKeepsThePageInItsProgramFolder) {
    // The program's own folder is read-only to the user, as /usr/bin is.
    place_.program = QStringLiteral("/nonexistent/bin/tallivo");
    place_.pageFolder = QDir(temp_.path()).filePath(QStringLiteral("My Shop/Tallivo"));
    ASSERT_TRUE(InstallBrowserEntry(*registry_, place_, prompter_));
    EXPECT_EQ(registry_->DefaultValue(QString::fromLatin1(kMenuExtKey)), page_);
    EXPECT_EQ(Read(page_).toStdString(), CapturePageBytes("/nonexistent/bin/tallivo"));
}

TEST_F(BrowserEntry, InstallFailureIsShownAndLeavesTheHalfState) {
    // The page cannot be created: its folder is gone.
    place_.program = QDir(temp_.path()).filePath(QStringLiteral("missing/tallivo"));
    EXPECT_FALSE(InstallBrowserEntry(*registry_, place_, prompter_));
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].rfind(Gbk(u8"无法创建文件 "), 0), 0u);
    EXPECT_TRUE(KeyPresent());
    EXPECT_EQ(Menu(), std::make_pair(true, true));
}

TEST_F(BrowserEntry, UninstallAsksThenRemovesEverything) {
    ASSERT_TRUE(InstallBrowserEntry(*registry_, place_, prompter_));
    EXPECT_FALSE(UninstallBrowserEntry(*registry_, place_, prompter_));  // answered No
    ASSERT_EQ(prompter_.questions.size(), 1u);
    EXPECT_EQ(prompter_.questions[0].caption, Gbk(u8"提示：卸载？"));
    EXPECT_EQ(prompter_.questions[0].text,
              Gbk(u8"确实要卸载《Tallivo》吗？卸载后将无法正常使用！"));
    EXPECT_EQ(Menu(), std::make_pair(false, true));

    prompter_.answers.push_back(true);
    EXPECT_TRUE(UninstallBrowserEntry(*registry_, place_, prompter_));
    EXPECT_EQ(Menu(), std::make_pair(true, false));
    for (const QString& file : NativeHostManifestFiles(place_)) EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(prompter_.messages.empty());

    // From a half state, and with nothing left, it still ends clean.
    ASSERT_TRUE(registry_->WriteDefaultValue(QString::fromLatin1(kMenuExtKey), page_));
    prompter_.answers = {true, true};
    EXPECT_TRUE(UninstallBrowserEntry(*registry_, place_, prompter_));
    EXPECT_TRUE(UninstallBrowserEntry(*registry_, place_, prompter_));
    EXPECT_EQ(Menu(), std::make_pair(true, false));
}

}  // namespace
}  // namespace tallivo::browser
