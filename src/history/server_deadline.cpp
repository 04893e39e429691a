#include "history/server_deadline.h"

#include <sys/socket.h>

#include <QSqlDriver>
#include <QVariant>
#include <cstring>

#include "text/runtime_library.h"

namespace tallivo {

namespace {

struct Libpq {
    int (*socket)(const void* connection) = nullptr;
};

// The driver has loaded libpq by the time a connection is open; this finds the same copy.
const Libpq* OpenLibpq() {
    return OpenOnce<Libpq>(
        "libpq.so.5",
        [](RuntimeLibrary& library, Libpq& table) {
            return library.Find("PQsocket", &table.socket);
        },
        nullptr);
}

int SocketOf(const QSqlDatabase& db) {
    if (!db.isValid() || !db.isOpen() || !db.driver()) return -1;
    const QVariant handle = db.driver()->handle();
    // The driver names libpq's connection by its struct or its typedef.
    if (!handle.isValid() || (std::strcmp(handle.typeName(), "PGconn*") != 0 &&
                              std::strcmp(handle.typeName(), "pg_conn*") != 0))
        return -1;
    const void* connection = *static_cast<void* const*>(handle.constData());
    const Libpq* libpq = OpenLibpq();
    return connection && libpq ? libpq->socket(connection) : -1;
}

}  // namespace

ServerDeadline::~ServerDeadline() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool ServerDeadline::Arm(const QSqlDatabase& db, std::chrono::milliseconds limit) {
    const int socket = SocketOf(db);
    if (socket < 0) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        socket_ = socket;
        deadline_ = std::chrono::steady_clock::now() + limit;
        expired_ = false;
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Watch(); });
    wake_.notify_all();
    return true;
}

void ServerDeadline::Disarm() {
    std::lock_guard<std::mutex> lock(mutex_);
    socket_ = -1;
}

bool ServerDeadline::Expired() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return expired_;
}

void ServerDeadline::Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (socket_ < 0) {
            wake_.wait(lock);
            continue;
        }
        if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && socket_ >= 0 &&
            std::chrono::steady_clock::now() >= deadline_) {
            // The socket stays libpq's to close; shutting it down only ends the wait.
            ::shutdown(socket_, SHUT_RDWR);
            expired_ = true;
            socket_ = -1;
        }
    }
}

}  // namespace tallivo
