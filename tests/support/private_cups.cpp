#include "support/private_cups.h"

#include <cups/cups.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace tallivo::testing {
namespace {

const QStringList kAdminFolders = {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                   QStringLiteral("/usr/bin")};

QString FindTool(const QString& name) {
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? QStandardPaths::findExecutable(name, kAdminFolders) : onPath;
}

bool WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text) == text.size() && file.flush();
}

// Keeps the job's file, title and copies under the folder of its device URI; the .done file is
// written last, so a job is seen only whole. Mode 0700 makes cupsd run it as root, as it may.
// On demand it takes its time first, or fails saying why.
const char kBackend[] = R"sh(#!/bin/sh
if [ $# -eq 0 ]; then
  echo 'direct tallivokeep "Unknown" "Tallivo test job keeper"'
  exit 0
fi
umask 022
dir=${DEVICE_URI#tallivokeep:}
job="$dir/job-$1"
if [ -f "$dir/delay" ]; then sleep "$(cat "$dir/delay")"; fi
if [ -f "$dir/fail" ]; then echo "ERROR: $(cat "$dir/fail")" >&2; exit 1; fi
if [ $# -ge 6 ]; then cat "$6" > "$job.data"; else cat > "$job.data"; fi
printf '%s' "$3" > "$job.title"
printf '%s' "$4" > "$job.copies"
: > "$job.done"
)sh";

}  // namespace

PrivateCups::PrivateCups() {
    if (FindTool(QStringLiteral("cupsd")).isEmpty() ||
        FindTool(QStringLiteral("lpadmin")).isEmpty()) {
        skip_ = "CUPS is not installed (no cupsd or lpadmin); scripts/setup installs it";
        return;
    }
    Start();
}

PrivateCups::~PrivateCups() {
    if (cupsd_.state() != QProcess::NotRunning) {
        cupsd_.terminate();
        if (!cupsd_.waitForFinished(5000)) {
            cupsd_.kill();
            cupsd_.waitForFinished(2000);
        }
    }
    if (!skip_.empty()) return;
    if (hadServer_) {
        qputenv("CUPS_SERVER", previousServer_);
    } else {
        qunsetenv("CUPS_SERVER");
    }
    cupsSetServer(nullptr);
}

QString PrivateCups::Socket() const {
    return dir_.filePath(QStringLiteral("cups.sock"));
}

bool PrivateCups::Fail(const std::string& what) {
    QFile log(dir_.filePath(QStringLiteral("log/error_log")));
    std::string tail;
    if (log.open(QIODevice::ReadOnly)) tail = log.readAll().right(2000).toStdString();
    error_ = what + "\n" + tail;
    return false;
}

bool PrivateCups::Start() {
    if (!dir_.isValid()) return Fail("cannot make a temporary folder");
    const QString root = dir_.path();
    const QDir d(root);
    for (const char* sub :
         {"etc", "spool", "cache", "state", "tmp", "log", "jobs", "serverbin/backend"}) {
        if (!d.mkpath(QString::fromLatin1(sub))) return Fail("cannot make the folders");
    }
    // The system's filters and helpers, with the backends replaced by ours alone.
    const QDir system(QStringLiteral("/usr/lib/cups"));
    for (const QString& entry : system.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry == QLatin1String("backend")) continue;
        QFile::link(system.filePath(entry), d.filePath(QStringLiteral("serverbin/") + entry));
    }
    const QString backend = d.filePath(QStringLiteral("serverbin/backend/tallivokeep"));
    if (!WriteFile(backend, kBackend) ||
        !QFile::setPermissions(
            backend, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return Fail("cannot write the backend");

    const QByteArray conf = "Listen " + Socket().toUtf8() +
                            "\n"
                            "LogLevel info\n"
                            "WebInterface No\n"
                            "Browsing No\n"
                            "DefaultAuthType None\n"
                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                            "  </Limit>\n</Policy>\n";
    const QByteArray r = root.toUtf8();
    const QByteArray files = "ServerRoot " + r + "/etc\nRequestRoot " + r + "/spool\nCacheDir " +
                             r + "/cache\nStateDir " + r + "/state\nTempDir " + r +
                             "/tmp\nServerBin " + r + "/serverbin\nAccessLog " + r +
                             "/log/access_log\nErrorLog " + r + "/log/error_log\nPageLog " + r +
                             "/log/page_log\nPrintcap " + r + "/printcap\n";
    const QString confPath = d.filePath(QStringLiteral("etc/cupsd.conf"));
    const QString filesPath = d.filePath(QStringLiteral("etc/cups-files.conf"));
    if (!WriteFile(confPath, conf) || !WriteFile(filesPath, files))
        return Fail("cannot write the configuration");

    cupsd_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cupsd_.setStandardOutputFile(QProcess::nullDevice());
    cupsd_.start(FindTool(QStringLiteral("cupsd")), {QStringLiteral("-f"), QStringLiteral("-c"),
                                                     confPath, QStringLiteral("-s"), filesPath});
    if (!cupsd_.waitForStarted(5000)) return Fail("cupsd did not start");
    const QDeadlineTimer deadline(15000);
    while (!QFileInfo::exists(Socket())) {
        if (deadline.hasExpired() || cupsd_.state() == QProcess::NotRunning)
            return Fail("cupsd did not open its socket");
        QThread::msleep(50);
    }

    hadServer_ = qEnvironmentVariableIsSet("CUPS_SERVER");
    previousServer_ = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", Socket().toUtf8());
    cupsSetServer(Socket().toUtf8().constData());
    if (!Admin(QStringLiteral("lpadmin"),
               {QStringLiteral("-p"), Queue(), QStringLiteral("-E"), QStringLiteral("-v"),
                QStringLiteral("tallivokeep:") + d.filePath(QStringLiteral("jobs")),
                QStringLiteral("-m"), QStringLiteral("raw")}))
        return Fail("lpadmin could not add the queue");
    return true;
}

bool PrivateCups::Admin(const QString& tool, const QStringList& arguments) {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), Socket());
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(FindTool(tool), arguments);
    if (!run.waitForFinished(15000)) return false;
    return run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}

std::optional<PrivateCups::Job> PrivateCups::WaitForJob(int id, int timeoutMs) const {
    const QString base = dir_.filePath(QStringLiteral("jobs/job-") + QString::number(id));
    const QDeadlineTimer deadline(timeoutMs);
    while (!QFileInfo::exists(base + QStringLiteral(".done"))) {
        if (deadline.hasExpired()) return std::nullopt;
        QThread::msleep(50);
    }
    const auto read = [&base](const char* ext) {
        QFile file(base + QLatin1String(ext));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    Job job;
    job.id = id;
    job.title = QString::fromUtf8(read(".title"));
    job.copies = read(".copies").toInt();
    job.dataPath = base + QStringLiteral(".data");
    job.data = read(".data");
    return job;
}

void PrivateCups::FailJobsWith(const QString& message) {
    const QString marker = dir_.filePath(QStringLiteral("jobs/fail"));
    if (message.isEmpty()) {
        QFile::remove(marker);
    } else {
        WriteFile(marker, message.toUtf8());
    }
}

void PrivateCups::DelayJobs(int seconds) {
    const QString marker = dir_.filePath(QStringLiteral("jobs/delay"));
    if (seconds <= 0) {
        QFile::remove(marker);
    } else {
        WriteFile(marker, QByteArray::number(seconds));
    }
}

int PrivateCups::KeptJobs() const {
    return static_cast<int>(QDir(dir_.filePath(QStringLiteral("jobs")))
                                .entryList({QStringLiteral("*.done")}, QDir::Files)
                                .size());
}

}  // namespace tallivo::testing
