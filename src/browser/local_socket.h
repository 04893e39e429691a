#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;

namespace tallivo::browser {

// The single-instance channel's transport: stream sockets on a path in the user's own folder.
// Written on the system's sockets rather than Qt Network, which brings Kerberos and proxy
// libraries into every start of the window for the few bytes a second start hands over.

// One end of a connection, non-blocking, read through the event loop.
class LocalStream : public QObject {
    Q_OBJECT

public:
    // Takes the descriptor.
    explicit LocalStream(int fd, QObject* parent = nullptr);
    ~LocalStream() override;

    // All that has arrived; Closed is signalled once the peer has gone.
    QByteArray ReadAvailable();
    // For the few bytes of a reply, which the socket buffer always takes.
    bool Write(const char* data, size_t size);
    void Close();

signals:
    void ReadyRead();
    void Closed();

private:
    int fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool closed_ = false;
};

class LocalListener : public QObject {
    Q_OBJECT

public:
    explicit LocalListener(QObject* parent = nullptr);
    ~LocalListener() override;

    // Binds the path, which must not exist, readable and writable by the user alone.
    bool Listen(const QString& path, QString* error);
    // The next waiting connection, owned by the caller; null when none waits.
    LocalStream* Next();

signals:
    void NewConnection();

private:
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The blocking end a second start uses.
class LocalClient {
public:
    enum class Connect { kConnected, kNobodyListens, kBusy, kFailed };

    LocalClient() = default;
    ~LocalClient();
    LocalClient(const LocalClient&) = delete;
    LocalClient& operator=(const LocalClient&) = delete;

    // Without waiting: a listener whose queue is full answers kBusy.
    Connect ConnectTo(const QString& path);
    bool SendAll(const char* data, size_t size, const QDeadlineTimer& deadline);
    // The next byte, or -1 when the peer closed, the time ran out or the connection broke.
    int ReadByte(const QDeadlineTimer& deadline);
    QString errorText() const { return error_; }
    void Close();

private:
    int fd_ = -1;
    QString error_;
};

}  // namespace tallivo::browser
