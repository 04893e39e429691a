#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QUuid>
#include <atomic>
#include <thread>

namespace tallivo::browser::testing {

// A title of its own per test, so that no two tests share a channel.
inline QString UniqueTitle() {
    return QStringLiteral("Tallivo test ") + QUuid::createUuid().toString();
}

// Runs blocking work (a client) on a thread while this thread serves events (the server).
template <typename Work>
auto RunWhileServing(Work work, int limit_ms = 60000) {
    std::atomic<bool> done{false};
    decltype(work()) result{};
    std::thread thread([&] {
        result = work();
        done = true;
    });
    QDeadlineTimer deadline(limit_ms);
    while (!done && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    thread.join();
    return result;
}

// Serves events until `condition` holds or the time is up.
template <typename Condition>
bool ServeUntil(Condition condition, int limit_ms = 30000) {
    QDeadlineTimer deadline(limit_ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace tallivo::browser::testing
