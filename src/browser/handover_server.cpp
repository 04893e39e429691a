#include "browser/handover_server.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "browser/handover_channel.h"
#include "browser/handover_record.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace tallivo::browser {

namespace {

// Connections waiting for their record at once; more are closed at once, so that a stuck or
// hostile peer cannot make the running copy buffer without end.
constexpr int kMaxPendingConnections = 32;
constexpr int kProbeWaitMs = 2000;

}  // namespace

HandoverServer::HandoverServer(const QString& title, QObject* parent)
    : QObject(parent), title_(title), name_(HandoverServerName(title)) {}

HandoverServer::~HandoverServer() = default;

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

bool HandoverServer::RemoveStaleSocket() {
#ifdef Q_OS_UNIX
    struct stat info;
    const QByteArray path = QFile::encodeName(name_);
    if (::lstat(path.constData(), &info) != 0) return true;
    // Whatever else carries the name was not left by a crashed copy: never delete it.
    if (!S_ISSOCK(info.st_mode)) return false;
#endif
    return QLocalServer::removeServer(name_);
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
    server_ = new QLocalServer(this);
    server_->setMaxPendingConnections(kMaxPendingConnections);
#ifndef Q_OS_UNIX
    server_->setSocketOptions(QLocalServer::UserAccessOption);
#endif
    // On Unix the folder is ours alone already; Qt's access option would bind through a
    // temporary folder and a rename, the dearest step here at start-up.
    if (!server_->listen(name_)) {
        error_ = server_->errorString();
        delete server_;
        server_ = nullptr;
        return StartResult::kFailed;
    }
#ifdef Q_OS_UNIX
    ::chmod(QFile::encodeName(name_).constData(), S_IRUSR | S_IWUSR);
#endif
    connect(server_, &QLocalServer::newConnection, this, &HandoverServer::Accept);
    return StartResult::kListening;
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
    // The record is whole: the handler may keep a question open as long as the user takes, and
    // the sender waits for the reply.
    timer->stop();
    if (state == HandoverRecordReader::State::kComplete) {
        const HandoverRecord& record = reader.record();
        // A slot may run a dialog's event loop, in which the sender can go and its socket with it.
        const QPointer<QLocalSocket> alive(socket);
        emit RecordReceived(record.tag,
                            QByteArray(record.text.data(), qsizetype(record.text.size())));
        if (!alive) return;
        socket->write(&kReplyHandled, 1);
    } else {
        socket->write(&kReplyRefused, 1);
    }
    // Out now, not at the next turn of the event loop: a slot may have ended the program.
    socket->flush();
    socket->disconnectFromServer();
}

}  // namespace tallivo::browser
