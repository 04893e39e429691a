// The hand-over with the real program on a real X server: an empty clipboard, second starts,
// file names GBK cannot hold, and copies started at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/edit_commands.h"
#include "app/input_memo.h"
#include "app/window_fixture.h"
#include "browser/handover_channel.h"
#include "browser/handover_record.h"

namespace tallivo {
namespace {

void EmptyTheClipboard() {
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
    QGuiApplication::clipboard()->clear(QClipboard::Selection);
}

using EmptyClipboard = testing::WindowTest;

// Qt 6.4 dies on the data an empty X11 clipboard gives; nothing of it may reach an editor.
TEST_F(EmptyClipboard, NoPastePathReachesTheEditors) {
    EmptyTheClipboard();
    ui().PageControlPrint->setCurrentIndex(kTabInput);
    InputMemo* memo = ui().MemoInputText;
    memo->setPlainText(QStringLiteral("kept"));
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::mouseClick(memo->viewport(), Qt::MiddleButton);
    controller->Edits().MenuItemPasteClick();
    controller->ReceiveHandover(browser::kCommandLineTag, QByteArray());
    EXPECT_EQ(memo->PageText(), QStringLiteral("kept"));
    controller->ReceiveHandover(browser::kCommandLineTag, browser::kFromWebPage);
    EXPECT_EQ(memo->PageText(), QString());

    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    QTextEdit* invoice = ui().RichEditInvoice;
    invoice->setFocus();
    const QString body = invoice->toPlainText();
    QTest::keyClick(invoice, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(invoice->viewport(), Qt::MiddleButton);
    controller->Edits().MenuItemPasteClick();
    EXPECT_EQ(invoice->toPlainText(), body);
}

// A name the file system holds but no text can: told, and the memo is left alone.
TEST_F(EmptyClipboard, AFileNameThatCannotBeDecodedIsToldAndNothingPasted) {
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    ui().MemoInputText->setPlainText(QStringLiteral("kept"));
    controller->ReceiveHandover(browser::kFileArgumentTag, "/tmp/\xff\xfe order.pif");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find("order.pif"), std::string::npos);
    EXPECT_EQ(ui().MemoInputText->PageText(), QStringLiteral("kept"));
}

// A private copy of the built program with the starter content, and private runtime, data and
// configuration folders: the test meets no Tallivo of the user's and touches none of its files.
class PrivateCopy {
public:
    PrivateCopy() {
        testing::CopyFolder(QStringLiteral(TALLIVO_STARTER_DIR), Path("prog"));
        QFile::copy(QStringLiteral(TALLIVO_PROGRAM), Path("prog/tallivo"));
        QFile::setPermissions(Path("prog/tallivo"), QFile::ExeOwner | QFile::ReadOwner);
        for (const char* folder : {"run", "home", "docs"}) QDir().mkpath(Path(folder));
        ::chmod(QFile::encodeName(Path("run")).constData(), 0700);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path("run"));
        env_.insert(QStringLiteral("XDG_DATA_HOME"), Path("data"));
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
        env_.insert(QStringLiteral("HOME"), Path("home"));
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    ~PrivateCopy() {
        for (auto& process : processes_) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QString Path(const char* relative) const { return dir_.filePath(QString::fromUtf8(relative)); }

    QProcess* Start(const QStringList& arguments) {
        processes_.push_back(std::make_unique<QProcess>());
        QProcess* process = processes_.back().get();
        process->setProcessEnvironment(env_);
        process->setWorkingDirectory(Path("docs"));
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(Path("prog/tallivo"), arguments);
        return process;
    }

    // The running copy listens.
    bool WaitForListener() const {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            for (const QFileInfo& entry : QDir(Path("run")).entryInfoList(QDir::System)) {
                struct stat info {};
                if (::lstat(QFile::encodeName(entry.filePath()).constData(), &info) == 0 &&
                    S_ISSOCK(info.st_mode))
                    return true;
            }
            QThread::msleep(50);
        }
        return false;
    }

    QString LockPath() const {
        const QByteArray kept = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Path("run")));
        const QString path =
            browser::HandoverLockPath(QString::fromUtf8(browser::kApplicationTitle));
        qputenv("XDG_RUNTIME_DIR", kept);
        return path;
    }

private:
    QTemporaryDir dir_;
    QProcessEnvironment env_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

TEST(SecondStart, EveryCommandLineReachesTheRunningCopyWithAnEmptyClipboard) {
    EmptyTheClipboard();
    PrivateCopy copy;
    QProcess* first =
        copy.Start({QStringLiteral("From"), QStringLiteral("Web"), QStringLiteral("Page")});
    ASSERT_TRUE(copy.WaitForListener());
    // The template name inside the exchange file, GBK, as the store keeps it.
    const QByteArray name("\xc4\xac\xc8\xcf\xb7\xa2\xbb\xf5\xb5\xa5");
    const QString unusual = copy.Path("docs") + QStringLiteral("/订单😀.pif");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TALLIVO_SOURCE_DIR "/tests/data/storage/template.pif"),
                            unusual));
    const QList<QStringList> commandLines = {{},
                                             {copy.Path("docs")},
                                             {copy.Path("docs/missing.pfb")},
                                             {QStringLiteral("From Web Page")},
                                             {QStringLiteral("订单😀.pif")}};
    for (const QStringList& arguments : commandLines) {
        QProcess* second = copy.Start(arguments);
        ASSERT_TRUE(second->waitForFinished(30000)) << arguments.join(' ').toStdString();
        EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second->exitCode(), 0) << second->readAll().toStdString();
        ASSERT_FALSE(first->waitForFinished(500)) << arguments.join(' ').toStdString();
    }
    QFile store(copy.Path("prog/InvoiceTemplate.pit"));
    ASSERT_TRUE(store.open(QIODevice::ReadOnly));
    EXPECT_TRUE(store.readAll().contains(name));
}

// Copies started at once, also while one holds the lock longer than a copy used to wait for it:
// one window stays and every other copy has handed its command line over.
TEST(SecondStart, CopiesStartedAtOnceLeaveOneWindow) {
    EmptyTheClipboard();
    PrivateCopy copy;
    constexpr int kCopies = 20;
    for (int round = 0; round < 3; ++round) {
        QLockFile holder(copy.LockPath());
        if (round == 0) {
            ASSERT_TRUE(holder.tryLock(0));
        }
        std::vector<QProcess*> copies;
        for (int i = 0; i < kCopies; ++i)
            copies.push_back(
                copy.Start({copy.Path("docs") + QStringLiteral("/%1-%2.pfb").arg(round).arg(i)}));
        if (round == 0) {
            QThread::msleep(11000);
            holder.unlock();
        }
        const auto running = [&copies] {
            return std::count_if(copies.begin(), copies.end(),
                                 [](QProcess* p) { return p->state() != QProcess::NotRunning; });
        };
        QDeadlineTimer deadline(120000);
        while (running() > 1 && !deadline.hasExpired()) QTest::qWait(50);
        QTest::qWait(1000);
        ASSERT_EQ(running(), 1) << "round " << round;
        QProcess* survivor = nullptr;
        for (QProcess* process : copies) {
            if (process->state() != QProcess::NotRunning) {
                survivor = process;
                continue;
            }
            EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(process->exitCode(), 0) << process->readAll().toStdString();
        }
        ASSERT_NE(survivor, nullptr);
        survivor->kill();
        survivor->waitForFinished(5000);
    }
}

}  // namespace
}  // namespace tallivo
