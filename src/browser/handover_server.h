#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "browser/handover_record.h"

class QLocalServer;
class QLocalSocket;
class QSocketNotifier;
class QTimer;

namespace tallivo::browser {

// The running copy's end of the single-instance channel.
//
// Start() decides, under a lock file, whether this copy is the first: two copies started at the
// same moment end with exactly one listening. Each connection may carry one record; the sender
// is answered as soon as the record is taken, and the record is signalled from the event loop
// afterwards, so a question the slots ask never keeps the sender, or a browser, waiting.
class HandoverServer : public QObject {
    Q_OBJECT

public:
    enum class StartResult {
        kListening,        // this copy is the running one
        kAnotherCopyRuns,  // hand over to it with HandoverClient
        kBusy,             // another copy held the lock all the time: try again
        kFailed,           // see errorText()
    };

    explicit HandoverServer(const QString& title, QObject* parent = nullptr);
    ~HandoverServer() override;

    // Waits up to `lockWaitMs` for the lock.
    StartResult Start(int lockWaitMs = 10000);
    QString errorText() const { return error_; }
    QString serverName() const { return name_; }

    // A connection that has not delivered its record by then is dropped.
    void SetRecordTimeout(int milliseconds) { recordTimeoutMs_ = milliseconds; }

signals:
    // `text` is GBK, without the terminating zero. Only known tags arrive here.
    void RecordReceived(quint32 tag, const QByteArray& text);

private:
    bool AnotherCopyAnswers();
    bool RemoveStaleSocket();
    bool Listen();
    void Accept();
    // Signals the record from the event loop, never inside a socket's handler: a slot may open a
    // dialog, whose loop could free the connection under the code that called us.
    void QueueRecord(const HandoverRecord& record);

    QString title_;
    QString name_;
    QString error_;
    int recordTimeoutMs_ = 15000;
#ifdef Q_OS_UNIX
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
#else
    void Read(QLocalSocket* socket, HandoverRecordReader& reader, QTimer* timer);
    QLocalServer* server_ = nullptr;
#endif
};

}  // namespace tallivo::browser
