#include "browser/handover_channel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace tallivo::browser {

namespace {

QString UserName() {
#ifdef Q_OS_UNIX
    // The uid cannot be faked by the environment, unlike $USER.
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

QString ChannelFileName(const QString& title) {
    const QByteArray key = title.toUtf8() + '\0' + UserName().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex();
    return QStringLiteral("tallivo-") + QString::fromLatin1(hash.left(16));
}

#ifdef Q_OS_UNIX

// Empty when `folder` is a real folder (no symbolic link) of this user that nobody else may
// enter; otherwise why not.
QString PrivateFolderProblem(const QString& folder) {
    struct stat info;
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(info.st_mode)) return QStringLiteral("%1 is a symbolic link").arg(folder);
    if (!S_ISDIR(info.st_mode)) return QStringLiteral("%1 is not a folder").arg(folder);
    if (info.st_uid != ::getuid()) return QStringLiteral("%1 belongs to another user").arg(folder);
    if ((info.st_mode & 077) != 0)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(folder)
            .arg(info.st_mode & 0777, 3, 8, QLatin1Char('0'));
    return QString();
}

QString AbsoluteEnvironmentFolder(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

QString HomeFolder() {
    QString home = AbsoluteEnvironmentFolder("HOME");
    if (home.isEmpty()) {
        if (const passwd* entry = ::getpwuid(::getuid()))
            home = QFile::decodeName(QByteArray(entry->pw_dir));
    }
    return QDir::isAbsolutePath(home) ? home : QString();
}

// Our own folder in the user's cache: made 0700 with whatever is missing above it.
ChannelFolder OwnCacheFolder() {
    QString cache = AbsoluteEnvironmentFolder("XDG_CACHE_HOME");
    if (cache.isEmpty()) {
        const QString home = HomeFolder();
        if (home.isEmpty())
            return {QString(),
                    QStringLiteral("neither XDG_CACHE_HOME nor the home folder is known")};
        cache = home + QStringLiteral("/.cache");
    }
    const QString folder = cache + QStringLiteral("/Tallivo");
    QString path;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST) {
            return {QString(), QStringLiteral("cannot create %1: %2")
                                   .arg(path, QString::fromLocal8Bit(std::strerror(errno)))};
        }
    }
    const QString problem = PrivateFolderProblem(folder);
    if (problem.isEmpty()) return {folder, QString()};
    return {QString(), problem};
}

#endif

}  // namespace

ChannelFolder FindChannelFolder() {
#ifdef Q_OS_UNIX
    const QString runtime = AbsoluteEnvironmentFolder("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && PrivateFolderProblem(runtime).isEmpty()) return {runtime, QString()};
    return OwnCacheFolder();
#else
    return {QDir::tempPath(), QString()};
#endif
}

QString HandoverServerName(const QString& title) {
#ifdef Q_OS_WIN
    // Pipe names are per session already; a path would mean nothing there.
    return ChannelFileName(title);
#else
    const ChannelFolder place = FindChannelFolder();
    return place.ok() ? place.folder + QLatin1Char('/') + ChannelFileName(title) : QString();
#endif
}

QString HandoverLockPath(const QString& title) {
    const ChannelFolder place = FindChannelFolder();
    return place.ok()
               ? place.folder + QLatin1Char('/') + ChannelFileName(title) + QStringLiteral(".lock")
               : QString();
}

}  // namespace tallivo::browser
