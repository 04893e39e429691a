#include "browser/registry.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <utility>

namespace tallivo::browser {

namespace {

// QSettings separates keys with "/" and maps "Default" to a key's unnamed value in the registry.
QString Group(const QString& key_path) {
    QString group = key_path;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/'))) group.remove(0, 1);
    return group;
}

const QString kDefaultValueName = QStringLiteral("Default");

}  // namespace

SettingsRegistry::SettingsRegistry(std::unique_ptr<QSettings> settings)
    : settings_(std::move(settings)) {}

SettingsRegistry::~SettingsRegistry() = default;

std::unique_ptr<SettingsRegistry> SettingsRegistry::ForCurrentUser() {
#ifdef Q_OS_WIN
    return std::make_unique<SettingsRegistry>(
        std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER"), QSettings::NativeFormat));
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return ForIniFile(QDir(folder).filePath(QStringLiteral("Tallivo/registry.ini")));
#endif
}

std::unique_ptr<SettingsRegistry> SettingsRegistry::ForIniFile(const QString& path) {
    return std::make_unique<SettingsRegistry>(
        std::make_unique<QSettings>(path, QSettings::IniFormat));
}

bool SettingsRegistry::KeyExists(const QString& key_path) {
    settings_->sync();
    const QString group = Group(key_path);
    const int slash = group.lastIndexOf(QLatin1Char('/'));
    settings_->beginGroup(group.left(std::max(slash, 0)));
    const bool exists = settings_->childGroups().contains(group.mid(slash + 1));
    settings_->endGroup();
    return exists;
}

bool SettingsRegistry::WriteDefaultValue(const QString& key_path, const QString& value) {
    settings_->setValue(Group(key_path) + QLatin1Char('/') + kDefaultValueName, value);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString SettingsRegistry::DefaultValue(const QString& key_path) {
    settings_->sync();
    return settings_->value(Group(key_path) + QLatin1Char('/') + kDefaultValueName).toString();
}

bool SettingsRegistry::DeleteKey(const QString& key_path) {
    settings_->remove(Group(key_path));
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

}  // namespace tallivo::browser
