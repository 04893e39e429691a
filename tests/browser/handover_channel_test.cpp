#include "browser/handover_channel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstring>
#include <memory>
#include <vector>

#include "browser/handover_client.h"
#include "browser/handover_server.h"
#include "channel_support.h"

namespace tallivo::browser {
namespace {

using testing::RunWhileServing;
using testing::ServeUntil;
using testing::UniqueTitle;
using Status = HandoverOutcome::Status;

struct Received {
    quint32 tag;
    QByteArray text;
};

class Listening {
public:
    explicit Listening(const QString& title) : server(title) {
        QObject::connect(&server, &HandoverServer::RecordReceived,
                         [this](quint32 tag, const QByteArray& text) {
                             records.push_back({tag, text});
                         });
    }
    HandoverServer server;
    std::vector<Received> records;
};

HandoverOutcome Send(const QString& title, quint32 tag, const QByteArray& text, int retry = 0) {
    return RunWhileServing([&] {
        HandoverClient client(title);
        client.SetConnectRetry(retry);
        return client.Send(tag, text);
    });
}

TEST(HandoverChannel, RoundTripRepliesAfterTheRecordWasHandled) {
    const QString title = UniqueTitle();
    Listening first(title);
    ASSERT_EQ(first.server.Start(), HandoverServer::StartResult::kListening);
    EXPECT_EQ(QFileInfo(first.server.serverName()).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              0);

    HandoverServer second(title);
    EXPECT_EQ(second.Start(), HandoverServer::StartResult::kAnotherCopyRuns);

    const HandoverOutcome outcome = Send(title, kCommandLineTag, kFromWebPage);
    EXPECT_TRUE(outcome.handled()) << outcome.message.toStdString();
    // The reply came after the slot ran: the record is there when Send returns.
    ASSERT_EQ(first.records.size(), 1u);
    EXPECT_EQ(first.records[0].tag, kCommandLineTag);
    EXPECT_EQ(first.records[0].text, kFromWebPage);

    // A whole 10 MB page arrives as one record.
    const QByteArray page(10 * 1000 * 1000, 'x');
    EXPECT_TRUE(Send(title, kPageTextTag, page).handled());
    ASSERT_EQ(first.records.size(), 2u);
    EXPECT_EQ(first.records[1].text, page);
}

TEST(HandoverChannel, RefusesBadRecordsAndKeepsServing) {
    const QString title = UniqueTitle();
    Listening first(title);
    first.server.SetRecordTimeout(300);
    ASSERT_EQ(first.server.Start(), HandoverServer::StartResult::kListening);

    // A header with an unknown tag is answered "refused".
    const QByteArray other_tag(
        "\x77\x5A\x34\x12\x02\x00\x00\x00"
        "a\0",
        10);
    const auto refused = RunWhileServing([&] {
        QLocalSocket socket;
        socket.connectToServer(first.server.serverName());
        socket.waitForConnected(2000);
        socket.write(other_tag);
        socket.waitForReadyRead(5000);
        return socket.readAll();
    });
    EXPECT_EQ(refused, QByteArray(1, kReplyRefused));

    // A record cut short is dropped when its time is up.
    const auto cut = RunWhileServing([&] {
        QLocalSocket socket;
        socket.connectToServer(first.server.serverName());
        socket.waitForConnected(2000);
        socket.write(
            QByteArray("\x78\x5A\x34\x12\x10\x00\x00\x00"
                       "abc",
                       11));
        socket.waitForBytesWritten(2000);
        const bool dropped = socket.waitForDisconnected(5000);
        return dropped && socket.bytesAvailable() == 0;
    });
    EXPECT_TRUE(cut);
    EXPECT_TRUE(first.records.empty());

    // Too long for its tag: the client refuses to send it at all.
    const HandoverOutcome too_long =
        Send(title, kCommandLineTag, QByteArray(int(kCommandLineLimit), 'a'));
    EXPECT_EQ(too_long.status, Status::kFailed);
    EXPECT_FALSE(too_long.message.isEmpty());

    EXPECT_TRUE(Send(title, kCommandLineTag, "still serving").handled());
    ASSERT_EQ(first.records.size(), 1u);
}

TEST(HandoverChannel, NoRunningCopyAndStaleSocket) {
    const QString title = UniqueTitle();
    EXPECT_EQ(Send(title, kCommandLineTag, "x", 300).status, Status::kNoRunningCopy);

    // A crashed copy leaves its socket file, bound but listened on by nobody.
    const QByteArray path = QFile::encodeName(HandoverServerName(title));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(QString::fromLocal8Bit(path)));

    Listening next(title);
    EXPECT_EQ(next.server.Start(), HandoverServer::StartResult::kListening);
    EXPECT_TRUE(Send(title, kCommandLineTag, "after a crash").handled());
}

TEST(HandoverChannel, NeverDeletesAFileThatIsNoSocket) {
    const QString title = UniqueTitle();
    QFile squatter(HandoverServerName(title));
    ASSERT_TRUE(squatter.open(QIODevice::WriteOnly));
    squatter.write("keep me");
    squatter.close();
    HandoverServer server(title);
    EXPECT_EQ(server.Start(), HandoverServer::StartResult::kFailed);
    EXPECT_FALSE(server.errorText().isEmpty());
    EXPECT_TRUE(squatter.exists());
}

TEST(HandoverChannel, TheRecordTimerStopsWhileTheHandlerAsksTheUser) {
    const QString title = UniqueTitle();
    HandoverServer server(title);
    server.SetRecordTimeout(200);
    ASSERT_EQ(server.Start(), HandoverServer::StartResult::kListening);
    // A message box runs its own event loop for as long as the user takes.
    QObject::connect(&server, &HandoverServer::RecordReceived, [] {
        QEventLoop box;
        QTimer::singleShot(800, &box, &QEventLoop::quit);
        box.exec();
    });
    EXPECT_TRUE(Send(title, kCommandLineTag, "slow.pif").handled());
}

// Sets environment variables for one test and puts them back.
class Environment {
public:
    void Set(const char* name, const QByteArray& value) {
        Keep(name);
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~Environment() {
        for (const auto& [name, value] : kept_) {
            if (value.isNull()) {
                qunsetenv(name);
            } else {
                qputenv(name, value);
            }
        }
    }

private:
    void Keep(const char* name) {
        for (const auto& kept : kept_)
            if (std::strcmp(kept.first, name) == 0) return;
        kept_.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    }
    std::vector<std::pair<const char*, QByteArray>> kept_;
};

TEST(HandoverChannel, LivesOnlyInAFolderOfTheUsersOwn) {
    QTemporaryDir root;
    const QString shared = root.filePath(QStringLiteral("tmp"));
    QDir().mkpath(shared);
    Environment env;
    env.Set("XDG_RUNTIME_DIR", QByteArray());
    env.Set("TMPDIR", QFile::encodeName(shared));
    env.Set("XDG_CACHE_HOME", QFile::encodeName(root.filePath(QStringLiteral("cache"))));
    const auto mode = [](const QString& path) {
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 07777;
    };

    const QString title = UniqueTitle();
    {
        Listening first(title);
        ASSERT_EQ(first.server.Start(), HandoverServer::StartResult::kListening);
        const QString own = root.filePath(QStringLiteral("cache/Tallivo"));
        EXPECT_EQ(QFileInfo(first.server.serverName()).absolutePath(), own);
        EXPECT_EQ(mode(own), 0700u);
        EXPECT_TRUE(Send(title, kCommandLineTag, "x").handled());
    }
    // A runtime folder others may enter is passed over too.
    const QString open = root.filePath(QStringLiteral("open"));
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0755);
    env.Set("XDG_RUNTIME_DIR", QFile::encodeName(open));
    EXPECT_TRUE(HandoverServerName(title).startsWith(root.filePath(QStringLiteral("cache/"))));

    // Our folder open to others, or a link to elsewhere: the channel refuses to run at all.
    const QString bad = root.filePath(QStringLiteral("bad"));
    QDir().mkpath(bad + QStringLiteral("/Tallivo"));
    ::chmod(QFile::encodeName(bad + QStringLiteral("/Tallivo")).constData(), 0777);
    QDir().mkpath(root.filePath(QStringLiteral("linked")));
    QDir().mkpath(root.filePath(QStringLiteral("private")));
    ::chmod(QFile::encodeName(root.filePath(QStringLiteral("private"))).constData(), 0700);
    QFile::link(root.filePath(QStringLiteral("private")),
                root.filePath(QStringLiteral("linked/Tallivo")));
    for (const QString& cache : {bad, root.filePath(QStringLiteral("linked"))}) {
        env.Set("XDG_CACHE_HOME", QFile::encodeName(cache));
        HandoverServer server(title);
        EXPECT_EQ(server.Start(), HandoverServer::StartResult::kFailed);
        EXPECT_FALSE(server.errorText().isEmpty());
        const HandoverOutcome sent = Send(title, kCommandLineTag, "secret.pfb");
        EXPECT_EQ(sent.status, Status::kFailed);
        EXPECT_FALSE(sent.message.isEmpty());
    }
    EXPECT_TRUE(QDir(shared).isEmpty());
    EXPECT_TRUE(QDir(bad + QStringLiteral("/Tallivo")).isEmpty());
    EXPECT_TRUE(QDir(root.filePath(QStringLiteral("private"))).isEmpty());
}

QString Peer() {
    return QStringLiteral(TALLIVO_HANDOVER_PEER);
}

TEST(HandoverChannel, TwoProcessesRoundTrip) {
    const QString title = UniqueTitle();
    Listening first(title);
    ASSERT_EQ(first.server.Start(), HandoverServer::StartResult::kListening);
    QProcess second;
    second.start(Peer(), {QStringLiteral("send"), title, QStringLiteral("From"),
                          QStringLiteral("Web"), QStringLiteral("Page")});
    ASSERT_TRUE(ServeUntil([&] { return second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();
    ASSERT_EQ(first.records.size(), 1u);
    EXPECT_EQ(first.records[0].text, kFromWebPage);
}

TEST(HandoverChannel, TwentyCopiesStartedAtOnceEndWithOneServer) {
    const QString title = UniqueTitle();
    constexpr int kCopies = 20;
    std::vector<std::unique_ptr<QProcess>> copies;
    for (int i = 0; i < kCopies; ++i) {
        copies.push_back(std::make_unique<QProcess>());
        copies.back()->setProcessChannelMode(QProcess::MergedChannels);
        copies.back()->start(Peer(), {QStringLiteral("race"), title, QString::number(kCopies - 1)});
    }
    int servers = 0;
    int handed_over = 0;
    QString server_output;
    for (auto& copy : copies) {
        ASSERT_TRUE(copy->waitForFinished(60000));
        const QString output = QString::fromUtf8(copy->readAll());
        if (output.startsWith(QStringLiteral("server"))) {
            ++servers;
            server_output = output;
        } else if (output.startsWith(QStringLiteral("client handled"))) {
            ++handed_over;
        } else {
            ADD_FAILURE() << output.toStdString();
        }
    }
    EXPECT_EQ(servers, 1);
    EXPECT_EQ(handed_over, kCopies - 1);
    EXPECT_TRUE(server_output.contains(QStringLiteral("received %1").arg(kCopies - 1)))
        << server_output.toStdString();
}

// A copy that waits for the lock longer than it used to never runs without the channel: it
// hands its command line over once the holder lets go.
TEST(HandoverChannel, CopiesWaitingForTheLockStillHandOver) {
    const QString title = UniqueTitle();
    QLockFile holder(HandoverLockPath(title));
    ASSERT_TRUE(holder.tryLock(0));
    constexpr int kCopies = 5;
    std::vector<std::unique_ptr<QProcess>> copies;
    for (int i = 0; i < kCopies; ++i) {
        copies.push_back(std::make_unique<QProcess>());
        copies.back()->setProcessChannelMode(QProcess::MergedChannels);
        copies.back()->start(Peer(), {QStringLiteral("race"), title, QString::number(kCopies - 1)});
    }
    QThread::msleep(11000);
    holder.unlock();
    int servers = 0;
    for (auto& copy : copies) {
        ASSERT_TRUE(copy->waitForFinished(60000));
        const QString output = QString::fromUtf8(copy->readAll());
        if (output.startsWith(QStringLiteral("server"))) {
            ++servers;
            EXPECT_TRUE(output.contains(QStringLiteral("received %1").arg(kCopies - 1)));
        } else {
            EXPECT_TRUE(output.startsWith(QStringLiteral("client handled")))
                << output.toStdString();
        }
    }
    EXPECT_EQ(servers, 1);
}

}  // namespace
}  // namespace tallivo::browser
