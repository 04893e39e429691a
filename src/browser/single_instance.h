#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "browser/handover_server.h"

namespace tallivo::browser {

struct SingleInstanceTimes {
    int lockWaitMs = 3000;        // one try for the lock
    int giveUpMs = 90000;         // all tries together
    int connectRetryMs = 5000;    // a copy that answered the probe may be slow to accept
    int replyTimeoutMs = 600000;  // the running copy may be asking the user a question
};

struct SingleInstanceStart {
    enum class Status {
        kRunHere,     // `server` listens: this copy is the running one
        kHandedOver,  // the running copy has handled the record: end
        kNoChannel,   // no channel can be had at all (see message): run, but alone
        kFailed,      // the record could not be handed over (see message): end, saying why
    };
    Status status = Status::kFailed;
    QString message;
};

// Hands the record to a running copy that answers at once, with nothing but the channel
// loaded: a second start calls it before its application object. kRunHere when no copy answered
// (go on to StartOrHandOver); kFailed when it was sent but not acknowledged, or cannot be sent.
SingleInstanceStart HandOverIfRunning(const QString& title, std::uint32_t tag,
                                      const QByteArray& text,
                                      const SingleInstanceTimes& times = {});

// Either makes `server` listen or hands the record over to the copy that does. A copy never
// runs on without the channel because another copy was slow: while the lock is held it tries
// the hand-over and the lock again, until `giveUpMs` has passed.
SingleInstanceStart StartOrHandOver(HandoverServer& server, const QString& title, std::uint32_t tag,
                                    const QByteArray& text, const SingleInstanceTimes& times = {});

}  // namespace tallivo::browser
