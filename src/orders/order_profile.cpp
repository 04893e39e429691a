#include "orders/order_profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "text/gbk_codec.h"

namespace tallivo {

namespace {

constexpr const char* kKeys[kOrderFieldCount] = {
    "trade",    "consignee", "mobile",   "telephone", "address",   "province", "city", "district",
    "street",   "detail",    "postcode", "buyer",     "seller",    "delivery", "site", "goods",
    "quantity", "price",     "postage",  "discount",  "reduction", "amount",
};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::vector<std::string> Strings(const QJsonValue& value) {
    std::vector<std::string> out;
    if (value.isString()) out.push_back(value.toString().trimmed().toStdString());
    for (const QJsonValue& item : value.toArray())
        out.push_back(item.toString().trimmed().toStdString());
    return out;
}

QJsonArray Array(const std::vector<std::string>& strings) {
    QJsonArray out;
    for (const std::string& s : strings) out.append(Q(s));
    return out;
}

}  // namespace

const char* OrderFieldKey(OrderField field) {
    return kKeys[static_cast<int>(field)];
}

std::optional<OrderField> OrderFieldFromKey(const std::string& key) {
    for (int i = 0; i < kOrderFieldCount; ++i) {
        if (key == kKeys[i]) return static_cast<OrderField>(i);
    }
    return std::nullopt;
}

std::optional<OrderProfile> ParseProfile(const std::string& json, std::string* error) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &parseError);
    if (!doc.isObject()) {
        *error = Utf8ToGbk("不是 JSON 对象（" + parseError.errorString().toStdString() + "）");
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    OrderProfile p;
    p.name = o.value(QLatin1String("name")).toString().trimmed().toStdString();
    p.site = o.value(QLatin1String("site")).toString().toStdString();
    p.goodsList = o.value(QLatin1String("goodsList")).toBool();
    p.header = Strings(o.value(QLatin1String("header")));
    const QJsonObject columns = o.value(QLatin1String("columns")).toObject();
    for (auto it = columns.begin(); it != columns.end(); ++it) {
        const auto field = OrderFieldFromKey(it.key().toStdString());
        if (!field) {
            *error = Utf8ToGbk("不认识的字段“" + it.key().toStdString() + "”");
            return std::nullopt;
        }
        p.columns[*field] = Strings(it.value());
    }
    for (const std::string& key : Strings(o.value(QLatin1String("required")))) {
        const auto field = OrderFieldFromKey(key);
        const bool split = field == OrderField::kAddress && p.columns.count(OrderField::kDetail);
        if (!field || (!p.columns.count(*field) && !split)) {
            *error = Utf8ToGbk("必需的字段“" + key + "”没有列名");
            return std::nullopt;
        }
        p.required.push_back(*field);
    }
    if (p.name.empty() || !p.columns.count(OrderField::kTrade)) {
        *error = Utf8ToGbk("缺少名称或订单号的列名");
        return std::nullopt;
    }
    return p;
}

std::string ProfileToJson(const OrderProfile& profile) {
    QJsonObject o;
    o.insert(QLatin1String("name"), Q(profile.name));
    if (!profile.site.empty()) o.insert(QLatin1String("site"), Q(profile.site));
    if (profile.goodsList) o.insert(QLatin1String("goodsList"), true);
    QJsonObject columns;
    for (const auto& [field, names] : profile.columns)
        columns.insert(QLatin1String(OrderFieldKey(field)), Array(names));
    o.insert(QLatin1String("columns"), columns);
    std::vector<std::string> required;
    for (OrderField field : profile.required) required.push_back(OrderFieldKey(field));
    if (!required.empty()) o.insert(QLatin1String("required"), Array(required));
    if (!profile.header.empty()) o.insert(QLatin1String("header"), Array(profile.header));
    return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}

std::string ProfilesFolder(const std::string& folder) {
    return folder + "/profiles";
}

ProfileSet LoadProfiles(const std::vector<std::string>& folders) {
    ProfileSet set;
    std::set<QString> seen;
    for (const std::string& folder : folders) {
        const QDir dir(Q(ProfilesFolder(folder)));
        if (!dir.exists() || !seen.insert(dir.canonicalPath()).second) continue;
        for (const QString& name :
             dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            const QString path = dir.filePath(name);
            std::string error;
            std::optional<OrderProfile> profile;
            if (const auto json = ReadProfileFile(path.toStdString(), &error))
                profile = ParseProfile(*json, &error);
            if (!profile) {
                set.messages.push_back(Utf8ToGbk("订单配置“" + path.toStdString() + "”：") + error +
                                       Utf8ToGbk("，没有使用。"));
                continue;
            }
            profile->path = path.toStdString();
            set.profiles.push_back(std::move(*profile));
        }
    }
    return set;
}

StorageResult SaveUserProfile(const std::string& programFolder, const OrderProfile& profile) {
    StorageResult result;
    QString base = Q(profile.name);
    for (QChar& c : base) {
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20) c = u'_';
    }
    if (base.isEmpty() || base.startsWith(u'.')) base.prepend(u'_');
    const QString folder = Q(ProfilesFolder(programFolder));
    const QString path = folder + u'/' + base + QStringLiteral(".json");
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        std::string ignored;
        const auto json = ReadProfileFile(path.toStdString(), &ignored);
        const auto old = json ? ParseProfile(*json, &ignored) : std::nullopt;
        if (!old || old->header.empty()) {
            result.message = Utf8ToGbk("已有同名的订单配置“" + profile.name + "”，请换一个名称。");
            return result;
        }
    }
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly)) {
        result.message = Utf8ToGbk("无法写入订单配置“" + path.toStdString() + "”。");
        return result;
    }
    file.write(QByteArray::fromStdString(ProfileToJson(profile)));
    if (!file.commit()) {
        result.message = Utf8ToGbk("无法写入订单配置“" + path.toStdString() + "”。");
        return result;
    }
    result.ok = true;
    return result;
}

std::vector<int> MapColumns(const OrderProfile& profile, const std::vector<std::string>& header) {
    std::vector<int> map(kOrderFieldCount, -1);
    for (const auto& [field, names] : profile.columns) {
        for (const std::string& name : names) {
            const auto it = std::find(header.begin(), header.end(), name);
            if (it != header.end()) {
                map[static_cast<int>(field)] = static_cast<int>(it - header.begin());
                break;
            }
        }
    }
    return map;
}

std::optional<std::string> ReadProfileFile(const std::string& path, std::string* error,
                                           std::int64_t maxBytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        *error = Utf8ToGbk("不是普通文件，无法读取");
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = Utf8ToGbk("无法读取");
        return std::nullopt;
    }
    // One byte more than allowed tells a file that is too long.
    std::string text(static_cast<std::size_t>(maxBytes) + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (static_cast<std::int64_t>(text.size()) > maxBytes) {
        *error = Utf8ToGbk("超过 " + std::to_string(maxBytes >> 10) + " KB，无法读取");
        return std::nullopt;
    }
    return text;
}

namespace {

bool Found(const std::vector<int>& map, OrderField field) {
    if (map[static_cast<int>(field)] >= 0) return true;
    return field == OrderField::kAddress && map[static_cast<int>(OrderField::kDetail)] >= 0;
}

}  // namespace

const OrderProfile* MatchProfile(const std::vector<OrderProfile>& profiles,
                                 const std::vector<std::string>& header,
                                 std::vector<const OrderProfile*>* tied) {
    std::vector<std::string> sorted = header;
    std::sort(sorted.begin(), sorted.end());
    for (const OrderProfile& p : profiles) {
        std::vector<std::string> own = p.header;
        std::sort(own.begin(), own.end());
        if (!own.empty() && own == sorted) return &p;
    }
    std::vector<const OrderProfile*> best;
    int bestScore = 0;
    for (const OrderProfile& p : profiles) {
        if (!p.header.empty() || p.required.empty()) continue;
        const std::vector<int> map = MapColumns(p, header);
        const bool complete = std::all_of(p.required.begin(), p.required.end(),
                                          [&](OrderField f) { return Found(map, f); });
        if (!complete) continue;
        // The columns explained: two fields found in one column count once.
        std::vector<int> columns;
        for (int c : map) {
            if (c >= 0) columns.push_back(c);
        }
        std::sort(columns.begin(), columns.end());
        const int score =
            static_cast<int>(std::unique(columns.begin(), columns.end()) - columns.begin());
        if (score > bestScore) {
            best.clear();
            bestScore = score;
        }
        if (score == bestScore) best.push_back(&p);
    }
    if (best.size() == 1) return best.front();
    if (tied) *tied = best;
    return nullptr;
}

}  // namespace tallivo
