// A PostgreSQL server of the test's own: a cluster in a temporary folder, run as the postgres
// user, listening on a Unix socket in that folder and on 127.0.0.1 at a free port. The machine's
// own cluster is never touched. Stopped (immediately) when the object goes.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <string>

namespace tallivo::testing {

class PrivatePostgres {
public:
    // Makes the cluster and starts it. Check SkipReason() first, then Error().
    PrivatePostgres();
    ~PrivatePostgres();
    PrivatePostgres(const PrivatePostgres&) = delete;
    PrivatePostgres& operator=(const PrivatePostgres&) = delete;

    // Set when the server programs are not installed: the test is skipped, saying so.
    const std::string& SkipReason() const { return skip_; }
    const std::string& Error() const { return error_; }
    bool Ready() const { return skip_.empty() && error_.empty(); }

    // The folder holding the server's socket.
    QString SocketFolder() const { return dir_.path(); }
    int Port() const { return port_; }
    // A connection URI to a database on this server as a user (superuser "postgres" by default).
    QString Url(const QString& database, const QString& user = QStringLiteral("postgres"),
                const QString& password = QString()) const;
    // Runs SQL as the superuser in a database; false with the error in Error().
    bool Execute(const QString& database, const QString& sql);
    // A new empty database.
    bool CreateDatabase(const QString& name);

    // Stops the server at once, as a crash would, and starts it again.
    bool Kill();
    bool Start();
    // Stops (or lets go on) the server and all its processes, as a hung machine would: the
    // connections stay, nothing answers.
    bool Pause(bool paused);

private:
    bool Run(const QStringList& arguments, int timeoutMs = 60000);
    bool Fail(const std::string& what);

    QTemporaryDir dir_;
    std::string skip_;
    std::string error_;
    int port_ = 0;
};

}  // namespace tallivo::testing
