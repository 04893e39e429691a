// The hand-over with the real program on a real X server: an empty clipboard, second starts,
// file names GBK cannot hold, and copies started at once.
#include <gtest/gtest.h>

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
#include "browser/handover_server.h"

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

// The built program with the starter content, and private runtime, data and configuration
// folders: the test meets no Tallivo of the user's and touches none of its files.
class PrivateCopy {
public:
    PrivateCopy() {
        testing::CopyStarter(Path("prog"));
        QFile::copy(QStringLiteral(TALLIVO_PROGRAM), Path("prog/tallivo"));
        QFile::setPermissions(Path("prog/tallivo"), QFile::ExeOwner | QFile::ReadOwner);
        QDir().mkpath(Path("docs"));
        QDir().mkdir(Path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "HOME"})
            env_.insert(QString::fromLatin1(name), Path("home"));
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path("run"));
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    ~PrivateCopy() {
        for (auto& process : processes_) process->kill(), process->waitForFinished(5000);
    }
    QString Path(const char* relative) const { return dir_.filePath(QString::fromUtf8(relative)); }

    QProcess* Start(const QStringList& arguments) {
        auto* process = processes_.emplace_back(std::make_unique<QProcess>()).get();
        process->setProcessEnvironment(env_);
        process->setWorkingDirectory(Path("docs"));
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(Path("prog/tallivo"), arguments);
        return process;
    }
    bool WaitForListener() const {
        for (QDeadlineTimer deadline(30000); !deadline.hasExpired(); QThread::msleep(50)) {
            if (!QDir(Path("run")).entryList({QStringLiteral("tallivo-*")}, QDir::System).isEmpty())
                return true;
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
    QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
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
        EXPECT_TRUE(second->waitForFinished(30000) && second->exitCode() == 0)
            << arguments.join(' ').toStdString() << second->readAll().toStdString();
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
        for (QDeadlineTimer end(120000); running() > 1 && !end.hasExpired();) QTest::qWait(50);
        QTest::qWait(1000);
        ASSERT_EQ(running(), 1) << "round " << round;
        for (QProcess* process : copies) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            } else {
                EXPECT_TRUE(process->exitStatus() == QProcess::NormalExit &&
                            process->exitCode() == 0)
                    << process->readAll().toStdString();
            }
        }
    }
}

// Each question runs a loop of its own, as a dialog does, until the sender has gone: by itself,
// or killed after five seconds as `timeout 5 tallivo` would be.
class QuestionWhileTheSenderRuns : public testing::ScriptedWindowPrompter {
public:
    bool AskYesNoDefaultYes(const std::string& caption, const std::string& text) override {
        QDeadlineTimer limit(5000);
        while (sender->state() != QProcess::NotRunning && !limit.hasExpired()) QTest::qWait(20);
        senderEndedByItself = sender->state() == QProcess::NotRunning;
        sender->kill();
        QTest::qWait(300);
        return ScriptedWindowPrompter::AskYesNoDefaultYes(caption, text);
    }
    QProcess* sender = nullptr;
    bool senderEndedByItself = false;
};

// The running copy answers the second start as soon as it has the record, and only then asks
// its questions; a sender that goes away meanwhile takes nothing with it.
TEST(SecondStart, IsAnsweredBeforeTheRunningCopyAsksAQuestion) {
    PrivateCopy copy;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(copy.Path("run")));
    {
        QTemporaryDir dir;
        testing::CopyStarter(dir.path());
        TFormPrint window;
        QuestionWhileTheSenderRuns prompter;
        testing::ScriptedFileChooser chooser;
        testing::NoFonts fonts;
        MainWindowController controller(window, dir.path().toStdString(), &prompter, &chooser,
                                        &fonts);
        browser::HandoverServer server(QString::fromUtf8(browser::kApplicationTitle));
        ASSERT_EQ(server.Start(), browser::HandoverServer::StartResult::kListening);
        QObject::connect(&server, &browser::HandoverServer::RecordReceived, &controller,
                         &MainWindowController::ReceiveHandover);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.ui()->PageControlPrint->setCurrentIndex(kTabFreightBill);
        controller.Workspace().SetFreightBillUnsaved(true);
        QGuiApplication::clipboard()->setText(QStringLiteral("收货人：张小明"));

        prompter.sender = copy.Start({QStringLiteral("From Web Page")});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return window.ui()->MemoInputText->PageText().contains(QStringLiteral("张小明"));
            },
            30000));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return prompter.sender->state() == QProcess::NotRunning; }));
        EXPECT_EQ(prompter.sender->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(prompter.sender->exitCode(), 0);
        if (!prompter.questions.empty()) {
            EXPECT_TRUE(prompter.senderEndedByItself);
        }
        prompter.answers = {true, true};
        window.close();
    }
    qputenv("XDG_RUNTIME_DIR", runtime);
}

}  // namespace
}  // namespace tallivo
