// tallivo-browser-host against a test client that speaks the native-messaging protocol, with
// the running copy played by a server in this process.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <vector>

#include "browser/handover_channel.h"
#include "browser/handover_record.h"
#include "browser/handover_server.h"
#include "browser/native_message.h"
#include "channel_support.h"
#include "text/gbk_codec.h"

namespace tallivo::browser {
namespace {

using testing::ServeUntil;

QByteArray Frame(const QByteArray& json) {
    return QByteArray::fromStdString(EncodeNativeMessage(json.toStdString()));
}

QByteArray Request(const QString& text) {
    return QJsonDocument(QJsonObject{{QStringLiteral("text"), text}}).toJson();
}

// Talks to one host process; replies are read as the browser reads them.
class HostSession {
public:
    explicit HostSession(const QString& host = QStringLiteral(TALLIVO_BROWSER_HOST)) {
        process_.start(host, {QStringLiteral("chrome-extension://test/")});
        process_.waitForStarted();
    }
    ~HostSession() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) process_.kill();
    }

    // Sends raw bytes and serves events until one reply arrives or the host ends.
    QJsonObject Ask(const QByteArray& bytes) {
        process_.write(bytes);
        QJsonObject reply;
        ServeUntil(
            [&] {
                buffer_ += process_.readAllStandardOutput();
                std::string_view input(buffer_.constData(), size_t(buffer_.size()));
                NativeMessageReader reader;
                if (reader.Feed(input) == NativeMessageReader::State::kMessage) {
                    reply = QJsonDocument::fromJson(QByteArray::fromStdString(reader.message()))
                                .object();
                    buffer_.remove(0, buffer_.size() - qsizetype(input.size()));
                    return true;
                }
                return process_.state() == QProcess::NotRunning;
            },
            60000);
        return reply;
    }

    // Closes the host's input and returns its exit status.
    int Finish() {
        process_.closeWriteChannel();
        ServeUntil([&] { return process_.state() == QProcess::NotRunning; });
        return process_.exitCode();
    }

    QProcess process_;
    QByteArray buffer_;
};

struct RunningCopy {
    RunningCopy() : server(QString::fromUtf8(kApplicationTitle)) {
        QObject::connect(&server, &HandoverServer::RecordReceived,
                         [this](quint32 tag, const QByteArray& text) {
                             tags.push_back(tag);
                             texts.push_back(text);
                         });
    }
    HandoverServer server;
    std::vector<quint32> tags;
    std::vector<QByteArray> texts;
};

TEST(NativeHost, HandsPageTextToTheRunningCopyInGbk) {
    RunningCopy copy;
    ASSERT_EQ(copy.server.Start(), HandoverServer::StartResult::kListening);
    HostSession host;

    const QJsonObject reply =
        host.Ask(Frame(Request(QStringLiteral("收货人：\u00a0张三\n😀 x\u0000y\u200b"))));
    EXPECT_TRUE(reply.value(QStringLiteral("ok")).toBool()) << QJsonDocument(reply).toJson().data();
    ASSERT_TRUE(ServeUntil([&] { return copy.tags.size() == 1; }));
    EXPECT_EQ(copy.tags[0], kPageTextTag);
    // The emoji is kept as GB18030, U+00A0 is a space; the NUL would have cut the text short.
    EXPECT_EQ(copy.texts[0].toStdString(), Gbk(u8"收货人： 张三\n😀 xy"));

    // A page of 10 MB arrives whole, on the same connection.
    QString page;
    for (int i = 0; page.size() < 10 * 1000 * 1000; ++i) {
        page += QStringLiteral("订单 %1 line of an order list\n").arg(i);
    }
    EXPECT_TRUE(host.Ask(Frame(Request(page))).value(QStringLiteral("ok")).toBool());
    ASSERT_TRUE(ServeUntil([&] { return copy.texts.size() == 2; }));
    EXPECT_EQ(copy.texts[1].toStdString(), Utf8ToGbk(page.toStdString()));
    EXPECT_EQ(host.Finish(), 0);
}

TEST(NativeHost, ThePageTravelsWithItsAddress) {
    RunningCopy copy;
    ASSERT_EQ(copy.server.Start(), HandoverServer::StartResult::kListening);
    HostSession host;
    const QJsonObject request{
        {QStringLiteral("text"), QStringLiteral("收货人")},
        {QStringLiteral("url"), QStringLiteral("https://trade.taobao.com/d")}};
    EXPECT_TRUE(
        host.Ask(Frame(QJsonDocument(request).toJson())).value(QStringLiteral("ok")).toBool());
    ASSERT_TRUE(ServeUntil([&] { return copy.tags.size() == 1; }));
    EXPECT_EQ(copy.tags[0], kAddressedPageTag);
    EXPECT_EQ(copy.texts[0].toStdString(), "https://trade.taobao.com/d\n" + Gbk(u8"收货人"));
}

TEST(NativeHost, BadMessagesGetErrorsAndReachNothing) {
    RunningCopy copy;
    ASSERT_EQ(copy.server.Start(), HandoverServer::StartResult::kListening);
    {
        HostSession host;
        for (const QByteArray& bad : {QByteArray("{not json"), QByteArray(R"({"url":"x"})")}) {
            const QJsonObject reply = host.Ask(Frame(bad));
            EXPECT_FALSE(reply.value(QStringLiteral("ok")).toBool(true)) << bad.data();
            EXPECT_FALSE(reply.value(QStringLiteral("error")).toString().isEmpty());
        }
        // Over the browser's limit: an error, and the host ends without reading the body.
        const QJsonObject reply = host.Ask(QByteArray("\x01\x00\x00\x04", 4));
        EXPECT_FALSE(reply.value(QStringLiteral("ok")).toBool(true));
        EXPECT_EQ(host.Finish(), 1);
    }
    {
        HostSession host;
        host.process_.write(Frame(Request(QStringLiteral("cut"))).left(10));
        EXPECT_EQ(host.Finish(), 1);
        EXPECT_TRUE(host.process_.readAllStandardOutput().isEmpty());
    }
    EXPECT_TRUE(copy.texts.empty());
}

class NativeHostAlone : public ::testing::Test {
protected:
    // A program folder with the host and a stand-in `tallivo` beside it.
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        host_ = folder_.filePath(QStringLiteral("tallivo-browser-host"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TALLIVO_BROWSER_HOST), host_));
        record_file_ = folder_.filePath(QStringLiteral("record"));
        qputenv("TALLIVO_PEER_RECORD_FILE", record_file_.toLocal8Bit());
    }
    void TearDown() override { qunsetenv("TALLIVO_PEER_RECORD_FILE"); }

    QTemporaryDir folder_;
    QString host_;
    QString record_file_;
};

TEST_F(NativeHostAlone, StartsTallivoWhenNoneRuns) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(TALLIVO_HANDOVER_PEER),
                            folder_.filePath(QStringLiteral("tallivo"))));
    HostSession host(host_);
    const QJsonObject reply = host.Ask(Frame(Request(QStringLiteral("订单页"))));
    EXPECT_TRUE(reply.value(QStringLiteral("ok")).toBool()) << QJsonDocument(reply).toJson().data();
    ASSERT_TRUE(ServeUntil([&] { return QFile::exists(record_file_); }, 10000));
    QFile record(record_file_);
    ASSERT_TRUE(ServeUntil([&] { return record.size() > 0; }, 5000));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll().toStdString(),
              std::to_string(kPageTextTag) + "\n" + Gbk(u8"订单页"));
}

TEST_F(NativeHostAlone, SaysSoWhenTallivoIsMissing) {
    HostSession host(host_);
    const QJsonObject reply = host.Ask(Frame(Request(QStringLiteral("x"))));
    EXPECT_FALSE(reply.value(QStringLiteral("ok")).toBool(true));
    EXPECT_TRUE(reply.value(QStringLiteral("error"))
                    .toString()
                    .contains(folder_.filePath(QStringLiteral("tallivo"))));
}

}  // namespace
}  // namespace tallivo::browser
