#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tallivo::browser {

struct HandoverOutcome {
    enum class Status {
        kHandled,        // the running copy has handled the record
        kNoRunningCopy,  // nobody listened within the retry time
        kRefused,        // the running copy read the header and refused the record
        kFailed,         // too long to send, or the connection broke; see message
    };
    Status status = Status::kFailed;
    QString message;  // Chinese, for the user; empty when handled

    bool handled() const { return status == Status::kHandled; }
};

// The second start's end of the single-instance channel: one record per Send, which returns
// only when the running copy has handled it (or clearly has not).
class HandoverClient {
public:
    explicit HandoverClient(const QString& title);

    // How long Send keeps trying to connect when nobody listens yet: the first copy may still
    // be starting.
    void SetConnectRetry(int milliseconds) { connect_retry_ms_ = milliseconds; }
    // How long the running copy may take to handle the record.
    void SetReplyTimeout(int milliseconds) { reply_timeout_ms_ = milliseconds; }

    // `text` is GBK without a terminating zero; the record adds it.
    HandoverOutcome Send(std::uint32_t tag, const QByteArray& text) const;

private:
    QString name_;
    int connect_retry_ms_ = 5000;
    int reply_timeout_ms_ = 30000;
};

}  // namespace tallivo::browser
