#include "support/private_postgres.h"

#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>
#include <vector>

namespace tallivo::testing {
namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

// A port nobody listens on now, as the system hands it out.
int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    close(s);
    return port;
}

}  // namespace

PrivatePostgres::PrivatePostgres() {
    if (!QFileInfo::exists(kBin + QStringLiteral("initdb")) ||
        !QFileInfo::exists(kBin + QStringLiteral("pg_ctl"))) {
        skip_ = "PostgreSQL 15 is not installed (no initdb or pg_ctl); scripts/setup installs it";
        return;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        skip_ =
            "Qt's PostgreSQL driver is not installed (libqt6sql6-psql); scripts/setup installs it";
        return;
    }
    const passwd* pg = getpwnam("postgres");
    if (!pg) {
        skip_ = "there is no postgres user to run the server as";
        return;
    }
    if (!dir_.isValid() ||
        chown(dir_.path().toLocal8Bit().constData(), pg->pw_uid, pg->pw_gid) != 0) {
        Fail("cannot make the server's folder");
        return;
    }
    if (!Run({kBin + QStringLiteral("initdb"), QStringLiteral("-D"), dir_.filePath("data"),
              QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("--auth=trust"),
              QStringLiteral("--no-sync"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C.UTF-8")})) {
        Fail("initdb failed");
        return;
    }
    Start();
}

PrivatePostgres::~PrivatePostgres() {
    if (!skip_.empty() || !QFileInfo::exists(dir_.filePath("data/postmaster.pid"))) return;
    Run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), dir_.filePath("data"),
         QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
         QStringLiteral("stop")});
}

bool PrivatePostgres::Fail(const std::string& what) {
    QFile log(dir_.filePath("server.log"));
    std::string tail;
    if (log.open(QIODevice::ReadOnly)) tail = log.readAll().right(2000).toStdString();
    error_ = what + (tail.empty() ? "" : "\n" + tail);
    return false;
}

bool PrivatePostgres::Run(const QStringList& arguments, int timeoutMs) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(QStringLiteral("/"));
    p.start(QStringLiteral("runuser"),
            QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} +
                arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        error_ = "timed out: " + arguments.join(' ').toStdString();
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error_ = p.readAll().right(2000).toStdString();
        return false;
    }
    return true;
}

bool PrivatePostgres::Start() {
    // The loopback address only, at a port of its own, and the socket in our own folder.
    if (port_ == 0) port_ = FreePort();
    const QString options =
        QStringLiteral(
            "-c listen_addresses='127.0.0.1' -p %2 -c unix_socket_directories='%1'"
            " -c fsync=off -c max_connections=50")
            .arg(dir_.path())
            .arg(port_);
    if (!Run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), dir_.filePath("data"),
              QStringLiteral("-l"), dir_.filePath("server.log"), QStringLiteral("-o"), options,
              QStringLiteral("-w"), QStringLiteral("start")}))
        return Fail("the server did not start");
    error_.clear();
    return true;
}

bool PrivatePostgres::Kill() {
    return Run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), dir_.filePath("data"),
                QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                QStringLiteral("stop")});
}

bool PrivatePostgres::Pause(bool paused) {
    QFile pidFile(dir_.filePath("data/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly)) return Fail("no postmaster.pid");
    const QByteArray postmaster = pidFile.readLine().trimmed();
    std::vector<pid_t> pids{static_cast<pid_t>(postmaster.toInt())};
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the parent follows the closing parenthesis.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[1] == postmaster) pids.push_back(entry.toInt());
    }
    for (const pid_t pid : pids)
        if (::kill(pid, paused ? SIGSTOP : SIGCONT) != 0) return Fail("cannot signal the server");
    return true;
}

QString PrivatePostgres::Url(const QString& database, const QString& user,
                             const QString& password) const {
    QString auth = QString::fromLatin1(QUrl::toPercentEncoding(user));
    if (!password.isEmpty())
        auth += QLatin1Char(':') + QString::fromLatin1(QUrl::toPercentEncoding(password));
    // Joined, not arg(): the encoded folder holds "%2F" sequences.
    return QStringLiteral("postgresql://") + auth + QStringLiteral("@:") + QString::number(port_) +
           QLatin1Char('/') + database + QStringLiteral("?host=") +
           QString::fromLatin1(QUrl::toPercentEncoding(dir_.path()));
}

bool PrivatePostgres::Execute(const QString& database, const QString& sql) {
    static std::atomic<int> next{0};
    const QString name = QStringLiteral("private-postgres-%1").arg(next++);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(dir_.path());
        db.setPort(port_);
        db.setDatabaseName(database);
        db.setUserName(QStringLiteral("postgres"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok) error_ = q.lastError().text().toStdString();
        } else {
            error_ = db.lastError().text().toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool PrivatePostgres::CreateDatabase(const QString& name) {
    return Execute(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
}

}  // namespace tallivo::testing
