#include "app/app_settings.h"

#include <QDir>

namespace tallivo {

namespace {

const QString kReprintWarning = QStringLiteral("Print/ReprintWarning");

}  // namespace

AppSettings::AppSettings(const std::string& programFolder)
    : settings_(std::make_unique<QSettings>(
          QDir(QString::fromStdString(programFolder)).filePath(QLatin1String(FileName())),
          QSettings::IniFormat)) {}

AppSettings::~AppSettings() = default;

const char* AppSettings::FileName() {
    return "Tallivo.ini";
}

QString AppSettings::Path() const {
    return settings_->fileName();
}

bool AppSettings::ReprintWarning() const {
    return settings_->value(kReprintWarning, true).toBool();
}

void AppSettings::SetReprintWarning(bool on) {
    settings_->setValue(kReprintWarning, on);
}

bool AppSettings::Sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

}  // namespace tallivo
