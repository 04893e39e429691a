#include "history/history_location.h"

#include <QByteArray>
#include <QStringList>
#include <QUrl>
#include <cctype>

namespace tallivo {

namespace {

const std::string kEncodeHint =
    " (write '/', '?', '#', '@' and '%' inside a user name or password as %2F, %3F, %23, %40, %25)";

LocationParse Bad(std::string why) {
    return {std::nullopt, std::move(why)};
}

// Values reach libpq through one option string: quoted, and never with the ';' QPSQL splits on.
QString Quoted(QString value) {
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString Decoded(const std::string& part) {
    return QUrl::fromPercentEncoding(QByteArray::fromStdString(part));
}

bool ParsePort(const QString& text, int* port) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 65535) return false;
    *port = value;
    return true;
}

}  // namespace

bool IsSslMode(const QString& mode) {
    static const QStringList modes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    return modes.contains(mode);
}

QString HistoryLocation::Shown() const {
    if (!Server()) return sqlitePath;
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty()) text += user + QLatin1Char('@');
    const bool socket = host.startsWith(QLatin1Char('/'));
    if (!socket) text += host;
    if (port > 0) text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char('/') + database;
    QStringList query;
    if (socket) query << QStringLiteral("host=") + host;
    if (!service.isEmpty()) query << QStringLiteral("service=") + service;
    if (!sslMode.isEmpty()) query << QStringLiteral("sslmode=") + sslMode;
    if (!query.isEmpty()) text += QLatin1Char('?') + query.join(QLatin1Char('&'));
    return text;
}

QString HistoryLocation::ConnectOptions() const {
    QStringList options;
    if (!sslMode.isEmpty()) options << QStringLiteral("sslmode=") + Quoted(sslMode);
    if (!service.isEmpty()) options << QStringLiteral("service=") + Quoted(service);
    for (const auto& [key, value] : more) options << key + QLatin1Char('=') + Quoted(value);
    // A server that does not answer must not hold a print for long; a peer gone from the
    // network is noticed by the keepalives within seconds instead of the system's two hours.
    options << QStringLiteral("connect_timeout=%1")
                   .arg(connectTimeout > 0 ? connectTimeout : kDefaultConnectTimeout)
            << QStringLiteral("keepalives=1") << QStringLiteral("keepalives_idle=5")
            << QStringLiteral("keepalives_interval=2") << QStringLiteral("keepalives_count=2")
            << QStringLiteral("tcp_user_timeout=10000");
    return options.join(QLatin1Char(';'));
}

LocationParse ParseHistoryUrl(const std::string& url) {
    HistoryLocation loc;
    if (url.compare(0, 7, "sqlite:") == 0) {
        loc.sqlitePath = QString::fromStdString(url.substr(7));
        if (loc.sqlitePath.isEmpty()) return Bad("sqlite: needs the path of a file");
        return {loc, {}};
    }
    std::string rest;
    for (const char* scheme : {"postgresql://", "postgres://"}) {
        const std::string s(scheme);
        if (url.compare(0, s.size(), s) == 0) rest = url.substr(s.size());
    }
    if (rest.empty() && url.find("://") == std::string::npos)
        return Bad("the history database is sqlite:PATH or postgresql://...");
    if (rest.empty() && url != "postgresql://" && url != "postgres://")
        return Bad("unknown kind of history database: " + url.substr(0, url.find("://")));
    loc.engine = HistoryLocation::Engine::kPostgres;
    if (rest.find(';') != std::string::npos) return Bad("';' cannot be part of the connection");

    const std::size_t question = rest.find('?');
    const std::string query = question == std::string::npos ? "" : rest.substr(question + 1);
    rest = rest.substr(0, question);
    const std::size_t slash = rest.find('/');
    if (slash != std::string::npos) loc.database = Decoded(rest.substr(slash + 1));
    std::string authority = rest.substr(0, slash);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const std::size_t colon = userInfo.find(':');
        loc.user = Decoded(userInfo.substr(0, colon));
        if (colon != std::string::npos) loc.password = Decoded(userInfo.substr(colon + 1));
    }
    std::string hostPart = authority;
    std::string portPart;
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return Bad("unclosed [ in the server address");
        hostPart = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') return Bad("bad server address" + kEncodeHint);
            portPart = authority.substr(close + 2);
        }
    } else if (const std::size_t colon = authority.find(':'); colon != std::string::npos) {
        hostPart = authority.substr(0, colon);
        portPart = authority.substr(colon + 1);
    }
    if (hostPart.find(',') != std::string::npos) return Bad("one server only, please");
    loc.host = Decoded(hostPart);
    // The authority may hold a password cut by an unencoded '/', '?' or '#': none of it is echoed.
    if (!portPart.empty() && !ParsePort(Decoded(portPart), &loc.port))
        return Bad("bad port in the server address" + kEncodeHint);
    if (at == std::string::npos && loc.database.contains(QLatin1Char('@')))
        return Bad("bad server address" + kEncodeHint);

    std::size_t start = 0;
    while (start < query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) continue;
        const std::size_t eq = pair.find('=');
        if (eq == std::string::npos)
            return Bad("a connection parameter without a value" + kEncodeHint);
        const std::string key = pair.substr(0, eq);
        const QString value = Decoded(pair.substr(eq + 1));
        if (key == "host") {
            loc.host = value;
        } else if (key == "port") {
            if (!ParsePort(value, &loc.port)) return Bad("bad port: " + value.toStdString());
        } else if (key == "dbname") {
            loc.database = value;
        } else if (key == "user") {
            loc.user = value;
        } else if (key == "password") {
            loc.password = value;
        } else if (key == "sslmode") {
            if (!IsSslMode(value)) return Bad("unknown sslmode: " + value.toStdString());
            loc.sslMode = value;
        } else if (key == "service") {
            loc.service = value;
        } else if (key == "connect_timeout") {
            bool ok = false;
            loc.connectTimeout = value.toInt(&ok);
            if (!ok || loc.connectTimeout < 1) return Bad("bad connect_timeout");
        } else if (key == "sslrootcert" || key == "sslcert" || key == "sslkey" || key == "sslcrl" ||
                   key == "passfile" || key == "application_name") {
            loc.more.emplace_back(QString::fromStdString(key), value);
        } else {
            return Bad("unknown connection parameter: " + key);
        }
    }
    return {loc, {}};
}

std::string WithoutPassword(std::string text, const HistoryLocation& location) {
    const std::string password = location.password.toStdString();
    if (password.empty()) return text;
    const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    // Only a whole token is the password: a short one must not take letters out of words.
    std::size_t at = text.find(password);
    while (at != std::string::npos) {
        const std::size_t end = at + password.size();
        const bool startsToken = at == 0 || !word(password.front()) || !word(text[at - 1]);
        const bool endsToken = end == text.size() || !word(password.back()) || !word(text[end]);
        if (startsToken && endsToken) {
            text.replace(at, password.size(), "***");
            at = text.find(password, at + 3);
        } else {
            at = text.find(password, at + 1);
        }
    }
    return text;
}

}  // namespace tallivo
