#include "browser/handover_channel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
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

QString RuntimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder;
}

}  // namespace

QString HandoverServerName(const QString& title) {
#ifdef Q_OS_WIN
    // Pipe names are per session already; a path would mean nothing there.
    return ChannelFileName(title);
#else
    return RuntimeFolder() + QLatin1Char('/') + ChannelFileName(title);
#endif
}

QString HandoverLockPath(const QString& title) {
    return RuntimeFolder() + QLatin1Char('/') + ChannelFileName(title) + QStringLiteral(".lock");
}

}  // namespace tallivo::browser
