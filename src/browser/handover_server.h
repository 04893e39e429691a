#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "browser/handover_record.h"

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace tallivo::browser {

// The running copy's end of the single-instance channel.
//
// Start() decides, under a lock file, whether this copy is the first: two copies started at the
// same moment end with exactly one listening. Each connection may carry one record; the record
// is signalled, and only when the slots have returned does the sender get its reply, so a
// sender that waits for the reply knows the record was handled.
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

    // A connection that has not delivered its record by then is dropped. A record once complete
    // has all the time its handler takes.
    void SetRecordTimeout(int milliseconds) { recordTimeoutMs_ = milliseconds; }

signals:
    // `text` is GBK, without the terminating zero. Only known tags arrive here.
    void RecordReceived(quint32 tag, const QByteArray& text);

private:
    bool AnotherCopyAnswers();
    bool RemoveStaleSocket();
    void Accept();
    void Read(QLocalSocket* socket, HandoverRecordReader& reader, QTimer* timer);

    QString title_;
    QString name_;
    QString error_;
    QLocalServer* server_ = nullptr;
    int recordTimeoutMs_ = 15000;
};

}  // namespace tallivo::browser
