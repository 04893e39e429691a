#include "browser/handover_client.h"

#include <QDeadlineTimer>
#include <QThread>

#include "browser/handover_channel.h"
#include "browser/handover_record.h"
#include "browser/local_socket.h"

namespace tallivo::browser {

namespace {

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
    LocalClient socket;
    QDeadlineTimer retry(connect_retry_ms_);
    while (socket.ConnectTo(name_) != LocalClient::Connect::kConnected) {
        if (retry.hasExpired()) {
            return Outcome(Status::kNoRunningCopy, QStringLiteral("Tallivo 没有运行。"));
        }
        QThread::msleep(kRetryPauseMs);
    }

    QDeadlineTimer reply(reply_timeout_ms_);
    if (!socket.SendAll(record->data(), record->size(), reply)) {
        return Outcome(
            Status::kFailed,
            QStringLiteral("无法把文本交给正在运行的 Tallivo：%1").arg(socket.errorText()));
    }
    const int answer = socket.ReadByte(reply);
    if (answer < 0) {
        return Outcome(Status::kFailed, QStringLiteral("正在运行的 Tallivo 没有确认收到文本。"));
    }
    if (answer == kReplyHandled) return Outcome(Status::kHandled, QString());
    return Outcome(Status::kRefused, QStringLiteral("正在运行的 Tallivo 拒收了这段文本。"));
}

}  // namespace tallivo::browser
