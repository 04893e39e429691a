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
#include <QProcess>
#include <QTemporaryDir>
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

TEST(HandoverChannel, RoundTripRepliesOnceTheRecordIsTaken) {
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
    // The reply means taken; the record reaches the slots at the next turn of the event loop.
    ASSERT_TRUE(ServeUntil([&] { return first.records.size() == 1; }));
    EXPECT_EQ(first.records[0].tag, kCommandLineTag);
    EXPECT_EQ(first.records[0].text, kFromWebPage);

    // A whole 10 MB page arrives as one record.
    const QByteArray page(10 * 1000 * 1000, 'x');
    EXPECT_TRUE(Send(title, kPageTextTag, page).handled());
    ASSERT_TRUE(ServeUntil([&] { return first.records.size() == 2; }));
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
    ASSERT_TRUE(ServeUntil([&] { return first.records.size() == 1; }));
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

// Only a folder of the user's own holds the socket: the runtime folder when it is private, else
// Tallivo's own in the cache, made 0700; never the shared temporary folder, a folder open to
// others, or a link.
TEST(HandoverChannel, LivesOnlyInAFolderOfTheUsersOwn) {
    QTemporaryDir root;
    const auto path = [&root](const char* name) { return root.filePath(QString::fromUtf8(name)); };
    const auto folder = [&path](const char* name, mode_t mode) {
        QDir().mkpath(path(name));
        ::chmod(QFile::encodeName(path(name)).constData(), mode);
        return QFile::encodeName(path(name));
    };
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", folder("open", 0755));
    qputenv("TMPDIR", folder("tmp", 0777));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(path("cache")));
    const QString title = UniqueTitle();
    {
        Listening first(title);
        ASSERT_EQ(first.server.Start(), HandoverServer::StartResult::kListening);
        EXPECT_EQ(QFileInfo(first.server.serverName()).absolutePath(), path("cache/Tallivo"));
        // Nothing for group or others.
        EXPECT_EQ(QFileInfo(path("cache/Tallivo")).permissions() & 0x0077, 0);
        EXPECT_TRUE(Send(title, kCommandLineTag, "x").handled());
    }
    folder("bad/Tallivo", 0777);
    folder("private", 0700);
    QDir().mkpath(path("linked"));
    QFile::link(path("private"), path("linked/Tallivo"));
    for (const char* cache : {"bad", "linked"}) {
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path(cache)));
        HandoverServer server(title);
        EXPECT_EQ(server.Start(), HandoverServer::StartResult::kFailed);
        EXPECT_FALSE(server.errorText().isEmpty());
        EXPECT_EQ(Send(title, kCommandLineTag, "secret.pfb").status, Status::kFailed);
    }
    qputenv("XDG_RUNTIME_DIR", runtime);
    qunsetenv("TMPDIR");
    qunsetenv("XDG_CACHE_HOME");
    for (const char* name : {"tmp", "bad/Tallivo", "private"})
        EXPECT_TRUE(QDir(path(name)).isEmpty()) << name;
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
    ASSERT_TRUE(ServeUntil([&] { return first.records.size() == 1; }));
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

}  // namespace
}  // namespace tallivo::browser
