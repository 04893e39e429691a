#include "browser/single_instance.h"

#include <QDeadlineTimer>
#include <QThread>

#include "browser/handover_client.h"

namespace tallivo::browser {

SingleInstanceStart HandOverIfRunning(const QString& title, std::uint32_t tag,
                                      const QByteArray& text, const SingleInstanceTimes& times) {
    using Status = SingleInstanceStart::Status;
    HandoverClient client(title);
    client.SetConnectRetry(0);
    client.SetReplyTimeout(times.replyTimeoutMs);
    const HandoverOutcome sent = client.Send(tag, text);
    if (sent.handled()) return {Status::kHandedOver, QString()};
    if (sent.status == HandoverOutcome::Status::kNoRunningCopy)
        return {Status::kRunHere, QString()};
    return {Status::kFailed, sent.message};
}

SingleInstanceStart StartOrHandOver(HandoverServer& server, const QString& title, std::uint32_t tag,
                                    const QByteArray& text, const SingleInstanceTimes& times) {
    using Status = SingleInstanceStart::Status;
    QDeadlineTimer deadline(times.giveUpMs);
    bool answered = false;
    for (;;) {
        // A running copy takes the record without anybody holding the lock.
        HandoverClient client(title);
        client.SetConnectRetry(answered ? times.connectRetryMs : 0);
        client.SetReplyTimeout(times.replyTimeoutMs);
        const HandoverOutcome sent = client.Send(tag, text);
        if (sent.handled()) return {Status::kHandedOver, QString()};
        // Sent but not acknowledged, or refused: sending it again could deliver it twice.
        if (sent.status != HandoverOutcome::Status::kNoRunningCopy)
            return {Status::kFailed, sent.message};
        if (deadline.hasExpired()) break;

        answered = false;
        switch (server.Start(times.lockWaitMs)) {
            case HandoverServer::StartResult::kListening:
                return {Status::kRunHere, QString()};
            case HandoverServer::StartResult::kAnotherCopyRuns:
                answered = true;
                break;
            case HandoverServer::StartResult::kBusy:
                break;
            case HandoverServer::StartResult::kFailed:
                return {Status::kNoChannel, server.errorText()};
        }
        if (deadline.hasExpired()) break;
        if (!answered) QThread::msleep(50);
    }
    return {Status::kFailed,
            QStringLiteral("另一个 Tallivo 正在启动，%1 秒内既没有完成启动，也没有接收本次启动的"
                           "命令行，所以本次启动没有打开窗口。请稍后再试。")
                .arg(times.giveUpMs / 1000)};
}

}  // namespace tallivo::browser
