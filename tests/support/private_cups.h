// A print system of the test's own: cupsd on a socket in a temporary folder, with one raw queue
// whose backend keeps every job's file, title and copy count. The machine's own queues and
// settings are never touched. This process (through libcups) and the programs it starts (through
// CUPS_SERVER) talk to it while it lives.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <string>

namespace tallivo::testing {

class PrivateCups {
public:
    struct Job {
        int id = 0;
        QString title;
        int copies = 0;
        QByteArray data;
        QString dataPath;
    };

    // Starts cupsd and adds the queue. Check SkipReason() first, then Error().
    PrivateCups();
    ~PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    // Set when CUPS is not installed: the test is skipped, saying so.
    const std::string& SkipReason() const { return skip_; }
    // Set when CUPS is installed but could not be started; the log's end says why.
    const std::string& Error() const { return error_; }
    bool Ready() const { return skip_.empty() && error_.empty(); }

    static QString Queue() { return QStringLiteral("TallivoTest"); }
    QString Socket() const;

    // The job the backend kept, once it has finished with it.
    std::optional<Job> WaitForJob(int id, int timeoutMs = 15000) const;
    // How many jobs the backend has kept so far.
    int KeptJobs() const;
    // From now on the backend fails every job, saying this (empty: it keeps them again).
    void FailJobsWith(const QString& message);
    // From now on the backend takes this long over each job before keeping it.
    void DelayJobs(int seconds);
    // Runs a CUPS administration tool on this print system (lpadmin, cupsreject...).
    bool Admin(const QString& tool, const QStringList& arguments);

private:
    bool Start();
    bool Fail(const std::string& what);

    QTemporaryDir dir_;
    QProcess cupsd_;
    QByteArray previousServer_;
    bool hadServer_ = false;
    std::string skip_;
    std::string error_;
};

}  // namespace tallivo::testing
