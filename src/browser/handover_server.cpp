#include "browser/handover_server.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "browser/handover_channel.h"
#include "browser/handover_record.h"
#include "browser/local_socket.h"

namespace tallivo::browser {

namespace {

// Connections waiting for their record at once; more are closed at once, so that a stuck or
// hostile peer cannot make the running copy buffer without end.
constexpr int kMaxPendingConnections = 32;

}  // namespace

HandoverServer::HandoverServer(const QString& title, QObject* parent)
    : QObject(parent), title_(title), name_(HandoverServerName(title)) {}

HandoverServer::~HandoverServer() = default;

bool HandoverServer::AnotherCopyAnswers() {
    // An empty connection is no record; the running copy drops it. Only a socket nobody listens
    // on is stale; a busy listener is still a running copy.
    LocalClient probe;
    return probe.ConnectTo(name_) != LocalClient::Connect::kNobodyListens;
}

bool HandoverServer::RemoveStaleSocket() {
    struct stat info;
    const QByteArray path = QFile::encodeName(name_);
    if (::lstat(path.constData(), &info) != 0) return true;
    // Whatever else carries the name was not left by a crashed copy: never delete it.
    if (!S_ISSOCK(info.st_mode)) return false;
    return ::unlink(path.constData()) == 0;
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
    server_ = new LocalListener(this);
    if (!server_->Listen(name_, &error_)) {
        delete server_;
        server_ = nullptr;
        return StartResult::kFailed;
    }
    connect(server_, &LocalListener::NewConnection, this, &HandoverServer::Accept);
    return StartResult::kListening;
}

void HandoverServer::Accept() {
    while (LocalStream* socket = server_->Next()) {
        socket->setParent(this);
        const int open = findChildren<LocalStream*>(QString(), Qt::FindDirectChildrenOnly).size();
        if (open > kMaxPendingConnections) {
            delete socket;
            continue;
        }
        auto reader = std::make_shared<HandoverRecordReader>();
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, &LocalStream::Close);
        timer->start(recordTimeoutMs_);
        connect(socket, &LocalStream::Closed, socket, &QObject::deleteLater);
        connect(socket, &LocalStream::ReadyRead, this,
                [this, socket, reader, timer] { Read(socket, *reader, timer); });
    }
}

void HandoverServer::Read(LocalStream* socket, HandoverRecordReader& reader, QTimer* timer) {
    const QByteArray bytes = socket->ReadAvailable();
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
        const QPointer<LocalStream> alive(socket);
        emit RecordReceived(record.tag,
                            QByteArray(record.text.data(), qsizetype(record.text.size())));
        if (!alive) return;
        socket->Write(&kReplyHandled, 1);
    } else {
        socket->Write(&kReplyRefused, 1);
    }
    // Written at once, not at the next turn of the event loop: a slot may have ended the program.
    socket->Close();
}

}  // namespace tallivo::browser
