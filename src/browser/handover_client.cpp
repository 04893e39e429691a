#include "browser/handover_client.h"

#include <QDeadlineTimer>
#include <QThread>

#include "browser/handover_channel.h"
#include "browser/handover_record.h"

#ifdef Q_OS_UNIX
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "browser/unix_socket.h"
#else
#include <QLocalSocket>
#endif

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
#ifdef Q_OS_UNIX
    // Plain system calls: a second start hands over before Qt's networking, its event loop or
    // anything of the window is loaded.
    sockaddr_un address;
    if (!SocketAddress(name_, &address)) {
        return Outcome(Status::kFailed, QStringLiteral("单实例通道的路径过长：%1").arg(name_));
    }
    OwnedSocket socket;
    QDeadlineTimer retry(connect_retry_ms_);
    for (;;) {
        socket.fd = NewStreamSocket();
        if (socket.fd < 0) {
            return Outcome(Status::kFailed, QStringLiteral("无法建立单实例通道：%1")
                                                .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
        if (ConnectSocket(socket.fd, address, kConnectAttemptMs) == 0) break;
        socket.Close();
        if (retry.hasExpired()) {
            return Outcome(Status::kNoRunningCopy, QStringLiteral("Tallivo 没有运行。"));
        }
        QThread::msleep(kRetryPauseMs);
    }
    // The folder is ours alone; a listener of another user would mean it is not.
    if (!PeerIsThisUser(socket.fd)) {
        return Outcome(Status::kFailed,
                       QStringLiteral("单实例通道的另一端不属于当前用户，文本没有交出。"));
    }

    QDeadlineTimer reply(reply_timeout_ms_);
    const char* data = record->data();
    size_t left = record->size();
    while (left > 0) {
        const ssize_t sent = ::send(socket.fd, data, left, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            left -= size_t(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && errno == EAGAIN && WaitForSocket(socket.fd, POLLOUT, reply)) {
            continue;
        } else {
            return Outcome(Status::kFailed, QStringLiteral("无法把文本交给正在运行的 Tallivo：%1")
                                                .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
    char answer = kReplyRefused;
    for (;;) {
        const ssize_t got = ::recv(socket.fd, &answer, 1, 0);
        if (got == 1) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN && WaitForSocket(socket.fd, POLLIN, reply)) continue;
        return Outcome(Status::kFailed, QStringLiteral("正在运行的 Tallivo 没有确认收到文本。"));
    }
#else
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
#endif
    if (answer == kReplyHandled) return Outcome(Status::kHandled, QString());
    return Outcome(Status::kRefused, QStringLiteral("正在运行的 Tallivo 拒收了这段文本。"));
}

}  // namespace tallivo::browser
