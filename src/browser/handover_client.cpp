#include "browser/handover_client.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>

#include "browser/handover_channel.h"
#include "browser/handover_record.h"

namespace tallivo::browser {

namespace {

constexpr int kConnectAttemptMs = 500;
constexpr int kRetryPauseMs = 100;

HandoverOutcome Outcome(HandoverOutcome::Status status, const QString& message) {
    return HandoverOutcome{status, message};
}

}  // namespace

HandoverClient::HandoverClient(const QString& title) : name_(HandoverServerName(title)) {}

HandoverOutcome HandoverClient::Send(std::uint32_t tag, const QByteArray& text) const {
    using Status = HandoverOutcome::Status;
    const auto record =
        EncodeHandoverRecord(tag, std::string_view(text.constData(), size_t(text.size())));
    if (!record) {
        return Outcome(Status::kFailed,
                       QStringLiteral("文本过长（%1 字节），无法交给 Tallivo。").arg(text.size()));
    }

    if (name_.isEmpty()) {
        return Outcome(Status::kFailed,
                       QStringLiteral("没有只属于当前用户的文件夹可以放置 Tallivo 的单实例通道：%1")
                           .arg(FindChannelFolder().error));
    }
    QLocalSocket socket;
    QDeadlineTimer retry(connect_retry_ms_);
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(kConnectAttemptMs)) break;
        socket.abort();
        if (retry.hasExpired()) {
            return Outcome(Status::kNoRunningCopy, QStringLiteral("Tallivo 没有运行。"));
        }
        QThread::msleep(kRetryPauseMs);
    }

    socket.write(record->data(), qint64(record->size()));
    QDeadlineTimer reply(reply_timeout_ms_);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(reply.remainingTime()))) {
            return Outcome(
                Status::kFailed,
                QStringLiteral("无法把文本交给正在运行的 Tallivo：%1").arg(socket.errorString()));
        }
    }
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(int(reply.remainingTime()))) {
            if (socket.bytesAvailable() > 0) break;
            return Outcome(Status::kFailed,
                           QStringLiteral("正在运行的 Tallivo 没有确认收到文本。"));
        }
    }
    char answer = kReplyRefused;
    socket.getChar(&answer);
    socket.disconnectFromServer();
    if (answer == kReplyHandled) return Outcome(Status::kHandled, QString());
    return Outcome(Status::kRefused, QStringLiteral("正在运行的 Tallivo 拒收了这段文本。"));
}

}  // namespace tallivo::browser
