#include "browser/local_socket.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>
#include <cstring>

namespace tallivo::browser {

namespace {

// Connections the system queues before the running copy accepts them.
constexpr int kBacklog = 32;

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool AddressOf(const QString& path, sockaddr_un* address) {
    const QByteArray bytes = QFile::encodeName(path);
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (bytes.isEmpty() || size_t(bytes.size()) >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

// Waits for `events` on fd until the deadline; false on time-out.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const qint64 left = deadline.remainingTime();
        const int n = ::poll(&p, 1, left < 0 ? -1 : int(qMin<qint64>(left, 1 << 30)));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

}  // namespace

LocalStream::LocalStream(int fd, QObject* parent) : QObject(parent), fd_(fd) {
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        // Level-triggered: a peer that sent and went is reported as readable until read.
        emit ReadyRead();
    });
}

LocalStream::~LocalStream() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

QByteArray LocalStream::ReadAvailable() {
    QByteArray bytes;
    if (closed_) return bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0) {
            bytes.append(buffer, qsizetype(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // The end, or a broken connection: either way nothing more comes.
        closed_ = true;
        notifier_->setEnabled(false);
        QMetaObject::invokeMethod(this, &LocalStream::Closed, Qt::QueuedConnection);
        break;
    }
    return bytes;
}

bool LocalStream::Write(const char* data, size_t size) {
    while (size > 0) {
        // MSG_NOSIGNAL: a sender that has gone must not end the running copy with SIGPIPE.
        const ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

void LocalStream::Close() {
    if (closed_) return;
    closed_ = true;
    notifier_->setEnabled(false);
    ::shutdown(fd_, SHUT_RDWR);
    QMetaObject::invokeMethod(this, &LocalStream::Closed, Qt::QueuedConnection);
}

LocalListener::LocalListener(QObject* parent) : QObject(parent) {}

LocalListener::~LocalListener() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

bool LocalListener::Listen(const QString& path, QString* error) {
    sockaddr_un address;
    if (!AddressOf(path, &address)) {
        *error = QStringLiteral("the socket path %1 is too long").arg(path);
        return false;
    }
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        *error = QStringLiteral("no socket: %1").arg(SystemError(errno));
        return false;
    }
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd_, kBacklog) != 0) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(path, SystemError(errno));
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &LocalListener::NewConnection);
    return true;
}

LocalStream* LocalListener::Next() {
    for (;;) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) return new LocalStream(fd);
        // EAGAIN: none waits. A connection reset before it was taken is skipped.
        if (errno != EINTR && errno != ECONNABORTED) return nullptr;
    }
}

LocalClient::~LocalClient() {
    Close();
}

void LocalClient::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

LocalClient::Connect LocalClient::ConnectTo(const QString& path) {
    Close();
    sockaddr_un address;
    if (!AddressOf(path, &address)) {
        error_ = QStringLiteral("the socket path %1 is too long").arg(path);
        return Connect::kFailed;
    }
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error_ = SystemError(errno);
        return Connect::kFailed;
    }
    int result;
    do {
        result = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return Connect::kConnected;
    const int why = errno;
    error_ = SystemError(why);
    Close();
    // Only a path nobody listens on means no running copy; a full queue is a busy one.
    if (why == ENOENT || why == ECONNREFUSED) return Connect::kNobodyListens;
    if (why == EAGAIN || why == EWOULDBLOCK || why == EINPROGRESS) return Connect::kBusy;
    return Connect::kFailed;
}

bool LocalClient::SendAll(const char* data, size_t size, const QDeadlineTimer& deadline) {
    while (size > 0) {
        const ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            size -= size_t(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(fd_, POLLOUT, deadline)) continue;
            error_ = QStringLiteral("timed out");
            return false;
        }
        error_ = SystemError(errno);
        return false;
    }
    return true;
}

int LocalClient::ReadByte(const QDeadlineTimer& deadline) {
    for (;;) {
        unsigned char byte;
        const ssize_t got = ::recv(fd_, &byte, 1, 0);
        if (got == 1) return byte;
        if (got == 0) return -1;
        if (errno == EINTR) continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd_, POLLIN, deadline)) continue;
        return -1;
    }
}

}  // namespace tallivo::browser
