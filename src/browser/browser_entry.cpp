#include "browser/browser_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include "browser/capture_page.h"
#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo::browser {

namespace {

QString NativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool WriteNewFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    // NewOnly: a page that appeared since the check is still not overwritten.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || !file.flush()) {
        file.close();
        file.remove();
        return false;
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}

bool WriteManifest(const QString& path, const QByteArray& json) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(json);
    return file.commit();
}

}  // namespace

BrowserEntryPlace BrowserEntryPlace::ForProgram(const QString& program) {
    BrowserEntryPlace place;
    place.program = QFileInfo(program).absoluteFilePath();
#ifdef Q_OS_WIN
    const QString host_name = QStringLiteral("tallivo-browser-host.exe");
#else
    const QString host_name = QStringLiteral("tallivo-browser-host");
#endif
    place.host = QFileInfo(place.program).dir().filePath(host_name);
    place.configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    place.home = QDir::homePath();
    return place;
}

QString CapturePageFile(const BrowserEntryPlace& place) {
    const QString folder =
        NativePath(place.pageFolder.isEmpty() ? QFileInfo(place.program).absolutePath()
                                              : QFileInfo(place.pageFolder).absoluteFilePath());
#ifdef Q_OS_WIN
    return GbkToQString(CapturePagePath(QStringToGbk(folder), '\\'));
#else
    return QFile::decodeName(
        QByteArray::fromStdString(CapturePagePath(QFile::encodeName(folder).toStdString(), '/')));
#endif
}

QStringList NativeHostManifestFiles(const BrowserEntryPlace& place) {
#ifdef Q_OS_WIN
    Q_UNUSED(place);
    return {};
#else
    if (place.host.isEmpty()) return {};
    const QString file = QString::fromLatin1(kNativeHostName) + QStringLiteral(".json");
    return {
        place.configHome + QStringLiteral("/chromium/NativeMessagingHosts/") + file,
        place.configHome + QStringLiteral("/google-chrome/NativeMessagingHosts/") + file,
        place.home + QStringLiteral("/.mozilla/native-messaging-hosts/") + file,
    };
#endif
}

QByteArray NativeHostManifest(const QString& host, bool firefox) {
    QJsonObject manifest;
    manifest.insert(QStringLiteral("name"), QString::fromLatin1(kNativeHostName));
    manifest.insert(QStringLiteral("description"),
                    QStringLiteral("Hands order-page text to Tallivo"));
    manifest.insert(QStringLiteral("path"), host);
    manifest.insert(QStringLiteral("type"), QStringLiteral("stdio"));
    if (firefox) {
        manifest.insert(QStringLiteral("allowed_extensions"),
                        QJsonArray{QString::fromLatin1(kFirefoxExtensionId)});
    } else {
        manifest.insert(QStringLiteral("allowed_origins"),
                        QJsonArray{QStringLiteral("chrome-extension://%1/")
                                       .arg(QString::fromLatin1(kChromiumExtensionId))});
    }
    return QJsonDocument(manifest).toJson();
}

HelpMenuState HelpMenuRule(Registry& registry, const BrowserEntryPlace& place) {
    const bool key = registry.KeyExists(QString::fromLatin1(kMenuExtKey));
    const bool page = QFileInfo::exists(CapturePageFile(place));
    return HelpMenuState{!(key && page), key || page};
}

bool InstallBrowserEntry(Registry& registry, const BrowserEntryPlace& place, Prompter& prompter) {
    const QString key = QString::fromLatin1(kMenuExtKey);
    const QString page = CapturePageFile(place);
    if (!registry.WriteDefaultValue(key, NativePath(page))) {
        prompter.ShowMessage(Gbk(u8"无法写入注册表项 ") + QStringToGbk(key) + Gbk(u8"！"));
        return false;
    }
    if (!QFileInfo::exists(page) &&
        !WriteNewFile(page, CapturePageBytes(QStringToGbk(NativePath(place.program))))) {
        prompter.ShowMessage(Gbk(u8"无法创建文件 ") + QStringToGbk(NativePath(page)) + Gbk(u8"！"));
        return false;
    }
    for (const QString& file : NativeHostManifestFiles(place)) {
        const bool firefox = file.contains(QStringLiteral("/.mozilla/"));
        if (!WriteManifest(file, NativeHostManifest(place.host, firefox))) {
            prompter.ShowMessage(Gbk(u8"无法写入浏览器的本地程序清单 ") + QStringToGbk(file) +
                                 Gbk(u8"！"));
            return false;
        }
    }
    return true;
}

bool UninstallBrowserEntry(Registry& registry, const BrowserEntryPlace& place, Prompter& prompter) {
    if (!prompter.AskYesNo(Gbk(u8"提示：卸载？"),
                           Gbk(u8"确实要卸载《Tallivo》吗？卸载后将无法正常使用！"))) {
        return false;
    }
    bool complete = true;
    const QString page = CapturePageFile(place);
    if (QFileInfo::exists(page) && !QFile::remove(page)) {
        prompter.ShowMessage(Gbk(u8"无法删除文件 ") + QStringToGbk(NativePath(page)) + Gbk(u8"！"));
        complete = false;
    }
    const QString key = QString::fromLatin1(kMenuExtKey);
    if (!registry.DeleteKey(key)) {
        prompter.ShowMessage(Gbk(u8"无法删除注册表项 ") + QStringToGbk(key) + Gbk(u8"！"));
        complete = false;
    }
    for (const QString& file : NativeHostManifestFiles(place)) {
        if (QFileInfo::exists(file) && !QFile::remove(file)) {
            prompter.ShowMessage(Gbk(u8"无法删除文件 ") + QStringToGbk(file) + Gbk(u8"！"));
            complete = false;
        }
    }
    return complete;
}

}  // namespace tallivo::browser
