#include "session/app_settings.h"

#include <QDir>
#include <utility>

namespace tallivo {

namespace {

const QString kReprintWarning = QStringLiteral("Print/ReprintWarning");
const QString kLastPrinter = QStringLiteral("Print/LastPrinter");

const QString kEngine = QStringLiteral("History/Engine");
const QString kHost = QStringLiteral("History/Host");
const QString kPort = QStringLiteral("History/Port");
const QString kDatabase = QStringLiteral("History/Database");
const QString kUser = QStringLiteral("History/User");
const QString kPassword = QStringLiteral("History/Password");
const QString kSslMode = QStringLiteral("History/SslMode");
const QString kService = QStringLiteral("History/Service");
const QString kSqliteFile = QStringLiteral("History/File");

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

HistoryLocation AppSettings::History() const {
    HistoryLocation loc;
    loc.sqlitePath = settings_->value(kSqliteFile).toString();
    if (settings_->value(kEngine).toString() != QLatin1String("postgresql")) return loc;
    loc.engine = HistoryLocation::Engine::kPostgres;
    loc.host = settings_->value(kHost).toString();
    loc.port = settings_->value(kPort, 0).toInt();
    loc.database = settings_->value(kDatabase).toString();
    loc.user = settings_->value(kUser).toString();
    loc.password = settings_->value(kPassword).toString();
    loc.sslMode = settings_->value(kSslMode).toString();
    // A mode libpq does not know would fail every connection: the safe default instead.
    if (!IsSslMode(loc.sslMode)) loc.sslMode.clear();
    loc.service = settings_->value(kService).toString();
    return loc;
}

void AppSettings::SetHistory(const HistoryLocation& loc) {
    settings_->setValue(kEngine,
                        loc.Server() ? QStringLiteral("postgresql") : QStringLiteral("sqlite"));
    if (loc.sqlitePath.isEmpty()) {
        settings_->remove(kSqliteFile);
    } else {
        settings_->setValue(kSqliteFile, loc.sqlitePath);
    }
    const std::pair<const QString*, QVariant> server[] = {
        {&kHost, loc.host},         {&kPort, loc.port > 0 ? QVariant(loc.port) : QVariant()},
        {&kDatabase, loc.database}, {&kUser, loc.user},
        {&kPassword, loc.password}, {&kSslMode, loc.sslMode},
        {&kService, loc.service}};
    for (const auto& [key, value] : server) {
        if (!loc.Server() || !value.isValid() || value.toString().isEmpty()) {
            settings_->remove(*key);
        } else {
            settings_->setValue(*key, value);
        }
    }
}

bool AppSettings::Sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

}  // namespace tallivo
