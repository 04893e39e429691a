#include "browser/handover_server.h"

#include <QFile>
#include <QLockFile>
#include <QTimer>
#include <functional>
#include <memory>

#include "browser/handover_channel.h"
#include "browser/handover_record.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "browser/unix_socket.h"
#else
#include <QLocalServer>
#include <QLocalSocket>
#endif

namespace tallivo::browser {

namespace {

// Connections waiting for their record at once; more are closed at once, so that a stuck or
// hostile peer cannot make the running copy buffer without end.
constexpr int kMaxPendingConnections = 32;
constexpr int kProbeWaitMs = 2000;

#ifdef Q_OS_UNIX

// One sender's connection: reads its one record, answers, and goes.
class HandoverConnection : public QObject {
public:
    HandoverConnection(int fd, int timeoutMs, QObject* parent,
                       std::function<void(const HandoverRecord&)> take)
        : QObject(parent), socket_(fd), take_(std::move(take)) {
        notifier_ = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &HandoverConnection::Read);
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &HandoverConnection::Close);
        timer->start(timeoutMs);
    }

    void Read() {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::recv(socket_.fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            // Closed or broken before the record was whole: it is lost, and nobody waits.
            if (got <= 0) return Close();
            const auto state = reader_.Feed({buffer, size_t(got)});
            if (state == HandoverRecordReader::State::kNeedMore) continue;
            const bool complete = state == HandoverRecordReader::State::kComplete;
            const char reply = complete ? kReplyHandled : kReplyRefused;
            ::send(socket_.fd, &reply, 1, MSG_NOSIGNAL);
            if (complete) take_(reader_.record());
            return Close();
        }
    }

    void Close() {
        notifier_->setEnabled(false);
        socket_.Close();
        deleteLater();
    }

private:
    OwnedSocket socket_;
    QSocketNotifier* notifier_ = nullptr;
    HandoverRecordReader reader_;
    std::function<void(const HandoverRecord&)> take_;
};

#endif

}  // namespace

HandoverServer::HandoverServer(const QString& title, QObject* parent)
    : QObject(parent), title_(title), name_(HandoverServerName(title)) {}

HandoverServer::~HandoverServer() {
#ifdef Q_OS_UNIX
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(QFile::encodeName(name_).constData());
    }
#endif
}

void HandoverServer::QueueRecord(const HandoverRecord& record) {
    const quint32 tag = record.tag;
    QByteArray text(record.text.data(), qsizetype(record.text.size()));
    QMetaObject::invokeMethod(
        this, [this, tag, text = std::move(text)] { emit RecordReceived(tag, text); },
        Qt::QueuedConnection);
}

bool HandoverServer::RemoveStaleSocket() {
#ifdef Q_OS_UNIX
    struct stat info;
    const QByteArray path = QFile::encodeName(name_);
    if (::lstat(path.constData(), &info) != 0) return true;
    // Whatever else carries the name was not left by a crashed copy: never delete it.
    if (!S_ISSOCK(info.st_mode)) return false;
    return ::unlink(path.constData()) == 0 || errno == ENOENT;
#else
    return QLocalServer::removeServer(name_);
#endif
}

HandoverServer::StartResult HandoverServer::Start(int lockWaitMs) {
    const QString lockPath = HandoverLockPath(title_);
    if (name_.isEmpty() || lockPath.isEmpty()) {
        error_ = QStringLiteral("no private folder for the single-instance channel: %1")
                     .arg(FindChannelFolder().error);
        return StartResult::kFailed;
    }
    QLockFile lock(lockPath);
    if (!lock.tryLock(lockWaitMs)) {
        error_ = QStringLiteral("cannot take the lock file %1").arg(lockPath);
        return lock.error() == QLockFile::LockFailedError ? StartResult::kBusy
                                                          : StartResult::kFailed;
    }
    if (AnotherCopyAnswers()) return StartResult::kAnotherCopyRuns;
    if (!RemoveStaleSocket()) {
        error_ = QStringLiteral("%1 exists and is not a socket").arg(name_);
        return StartResult::kFailed;
    }
    return Listen() ? StartResult::kListening : StartResult::kFailed;
}

#ifdef Q_OS_UNIX

bool HandoverServer::AnotherCopyAnswers() {
    sockaddr_un address;
    if (!SocketAddress(name_, &address)) return false;
    OwnedSocket probe(NewStreamSocket());
    if (probe.fd < 0) return false;
    // An empty connection is no record; the running copy drops it.
    const int error = ConnectSocket(probe.fd, address, kProbeWaitMs);
    // Only a socket nobody listens on is stale; a busy or slow listener is still a running copy.
    return error != ENOENT && error != ECONNREFUSED;
}

bool HandoverServer::Listen() {
    sockaddr_un address;
    if (!SocketAddress(name_, &address)) {
        error_ = QStringLiteral("the socket path is too long: %1").arg(name_);
        return false;
    }
    OwnedSocket listener(NewStreamSocket());
    // The folder is ours alone already; the socket is kept to its owner as well.
    if (listener.fd < 0 ||
        ::bind(listener.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 ||
        ::listen(listener.fd, kMaxPendingConnections) != 0) {
        error_ = QStringLiteral("cannot listen on %1: %2")
                     .arg(name_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    listener_ = listener.fd;
    listener.fd = -1;
    notifier_ = new QSocketNotifier(qintptr(listener_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &HandoverServer::Accept);
    return true;
}

void HandoverServer::Accept() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        OwnedSocket socket(fd);
        const int open =
            findChildren<HandoverConnection*>(QString(), Qt::FindDirectChildrenOnly).size();
        if (open >= kMaxPendingConnections || !PeerIsThisUser(fd)) continue;
        socket.fd = -1;
        auto* connection = new HandoverConnection(
            fd, recordTimeoutMs_, this, [this](const HandoverRecord& r) { QueueRecord(r); });
        // Bytes may have arrived before the connection was taken.
        connection->Read();
    }
}

#else

bool HandoverServer::AnotherCopyAnswers() {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kProbeWaitMs)) {
        // An empty connection is no record; the running copy drops it.
        probe.abort();
        return true;
    }
    const auto error = probe.error();
    // Only a socket nobody listens on is stale; a busy or slow listener is still a running copy.
    return error != QLocalSocket::ServerNotFoundError &&
           error != QLocalSocket::ConnectionRefusedError;
}

bool HandoverServer::Listen() {
    server_ = new QLocalServer(this);
    server_->setMaxPendingConnections(kMaxPendingConnections);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        error_ = server_->errorString();
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &HandoverServer::Accept);
    return true;
}

void HandoverServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        const int open = findChildren<QLocalSocket*>(QString(), Qt::FindDirectChildrenOnly).size();
        if (open > kMaxPendingConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto reader = std::make_shared<HandoverRecordReader>();
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->abort(); });
        timer->start(recordTimeoutMs_);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, reader, timer] { Read(socket, *reader, timer); });
        // Bytes may have arrived before the connection was taken.
        if (socket->bytesAvailable() > 0) Read(socket, *reader, timer);
    }
}

void HandoverServer::Read(QLocalSocket* socket, HandoverRecordReader& reader, QTimer* timer) {
    const QByteArray bytes = socket->readAll();
    // Nothing but the one record is taken from a connection.
    if (reader.state() != HandoverRecordReader::State::kNeedMore) return;
    const auto state = reader.Feed({bytes.constData(), static_cast<size_t>(bytes.size())});
    if (state == HandoverRecordReader::State::kNeedMore) return;
    timer->stop();
    const bool complete = state == HandoverRecordReader::State::kComplete;
    socket->write(complete ? &kReplyHandled : &kReplyRefused, 1);
    // Out now: the sender, and a browser behind it, waits only for the record to be taken.
    socket->flush();
    if (complete) QueueRecord(reader.record());
    socket->disconnectFromServer();
}

#endif

}  // namespace tallivo::browser
