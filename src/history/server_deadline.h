// A bound on every server statement that holds even when the server stops answering after the
// connection was made (a stopped process, a cable pulled behind a switch): its own timeout and
// TCP keepalives cannot end a wait that the kernel keeps acknowledging. Past the deadline the
// connection's socket is shut down, so the waiting call fails and the caller queues the record.
#pragma once

#include <QSqlDatabase>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tallivo {

class ServerDeadline {
public:
    ServerDeadline() = default;
    ~ServerDeadline();
    ServerDeadline(const ServerDeadline&) = delete;
    ServerDeadline& operator=(const ServerDeadline&) = delete;

    // Watches the connection of `db` until Disarm(); false when it has no socket to watch.
    bool Arm(const QSqlDatabase& db, std::chrono::milliseconds limit);
    void Disarm();
    // The last armed wait ran out and its connection was cut.
    bool Expired() const;

private:
    void Watch();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    int socket_ = -1;
    std::chrono::steady_clock::time_point deadline_;
    bool expired_ = false;
    bool stop_ = false;
};

// Arms a deadline for one scope.
class DeadlineScope {
public:
    DeadlineScope(ServerDeadline& deadline, const QSqlDatabase& db, std::chrono::milliseconds limit)
        : deadline_(deadline) {
        deadline_.Arm(db, limit);
    }
    ~DeadlineScope() { deadline_.Disarm(); }
    DeadlineScope(const DeadlineScope&) = delete;
    DeadlineScope& operator=(const DeadlineScope&) = delete;

private:
    ServerDeadline& deadline_;
};

}  // namespace tallivo
