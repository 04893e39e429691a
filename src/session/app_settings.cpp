#include "session/app_settings.h"

#include <QDir>

namespace tallivo {

namespace {

const QString kReprintWarning = QStringLiteral("Print/ReprintWarning");
const QString kLastPrinter = QStringLiteral("Print/LastPrinter");

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

std::string AppSettings::LastPrinter() const {
    return settings_->value(kLastPrinter).toString().toStdString();
}

void AppSettings::SetLastPrinter(const std::string& utf8Name) {
    if (utf8Name.empty()) return;
    settings_->setValue(kLastPrinter, QString::fromStdString(utf8Name));
}

bool AppSettings::Sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

}  // namespace tallivo
