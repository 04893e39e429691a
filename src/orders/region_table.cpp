#include "orders/region_table.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace tallivo {
namespace {

std::u16string_view View(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())};
}

bool EndsWith(const QString& s, const char16_t* suffix, qsizetype keep) {
    const QStringView tail(suffix);
    return s.size() - tail.size() >= keep && s.endsWith(tail);
}

// Names of peoples that autonomous prefectures and counties carry after the place name.
constexpr std::array<const char16_t*, 48> kPeoples = {
    u"蒙古族",     u"蒙古",     u"回族",     u"藏族",     u"维吾尔族", u"苗族",     u"彝族",
    u"壮族",       u"布依族",   u"朝鲜族",   u"满族",     u"侗族",     u"瑶族",     u"白族",
    u"土家族",     u"哈尼族",   u"哈萨克族", u"哈萨克",   u"傣族",     u"黎族",     u"傈僳族",
    u"佤族",       u"畲族",     u"拉祜族",   u"水族",     u"东乡族",   u"纳西族",   u"景颇族",
    u"柯尔克孜族", u"柯尔克孜", u"土族",     u"达斡尔族", u"仫佬族",   u"羌族",     u"布朗族",
    u"撒拉族",     u"毛南族",   u"仡佬族",   u"锡伯族",   u"普米族",   u"塔吉克族", u"怒族",
    u"鄂温克族",   u"保安族",   u"裕固族",   u"独龙族",   u"鄂伦春族", u"各族"};

QString WithoutPeoples(QString s) {
    for (bool again = true; again;) {
        again = false;
        for (const char16_t* people : kPeoples) {
            if (EndsWith(s, people, 2)) {
                s.chop(QStringView(people).size());
                again = true;
            }
        }
    }
    return s;
}

// The name without its kind, or an empty string where that leaves less than two characters.
// `takenKind` is set to the kind taken off when peoples' names went with it (梅里斯达斡尔族区: 区).
QString ShortName(const Region& r, QString* takenKind = nullptr) {
    const QString& n = r.name;
    QString s;
    if (r.level == 1) {
        for (const char16_t* kind :
             {u"维吾尔自治区", u"壮族自治区", u"回族自治区", u"自治区", u"省", u"市"}) {
            if (EndsWith(n, kind, 2)) {
                s = n.left(n.size() - QStringView(kind).size());
                break;
            }
        }
    } else {
        for (const char16_t* kind : {u"自治州", u"自治县", u"自治旗", u"地区", u"林区", u"市",
                                     u"盟", u"区", u"县", u"旗"}) {
            if (EndsWith(n, kind, 2)) {
                s = n.left(n.size() - QStringView(kind).size());
                // Autonomous prefectures, counties and banners carry peoples' names, and so do
                // a few districts (梅里斯达斡尔族区).
                if (QStringView(kind).startsWith(u"自治") || s.endsWith(u'族')) {
                    const qsizetype before = s.size();
                    s = WithoutPeoples(s);
                    if (takenKind && s.size() < before && r.level == 3)
                        *takenKind = QStringView(kind).right(1).toString();
                }
                break;
            }
        }
    }
    return s.size() >= 2 ? s : QString();
}

bool IsPlaceholderCity(const QString& name) {
    return name == u"市辖区" || name == u"县" || name.endsWith(u"直辖县级行政区划");
}

}  // namespace

std::unique_ptr<RegionTable> RegionTable::Parse(std::string_view utf8) {
    std::unique_ptr<RegionTable> table(new RegionTable);
    int lastProvince = -1;
    int lastCity = -1;
    size_t pos = 0;
    while (pos < utf8.size()) {
        size_t end = utf8.find('\n', pos);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view line = utf8.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string_view::npos) continue;
        Region r;
        r.code = QString::fromUtf8(line.data(), static_cast<qsizetype>(tab));
        r.name =
            QString::fromUtf8(line.data() + tab + 1, static_cast<qsizetype>(line.size() - tab - 1))
                .trimmed();
        const int index = table->size();
        // The level is the code's length; cities without districts (东莞, 中山) list their towns
        // with nine-digit codes in the district's place. A line that does not fit below the one
        // before is skipped rather than hung under the wrong parent.
        if (r.code.size() == 2) {
            r.level = 1;
            r.province = index;
            lastProvince = index;
            lastCity = -1;
        } else if (r.code.size() == 4 && lastProvince >= 0 &&
                   r.code.startsWith(table->at(lastProvince).code)) {
            r.level = 2;
            r.parent = r.province = lastProvince;
            r.placeholder = IsPlaceholderCity(r.name);
            r.city = r.placeholder ? -1 : index;
            lastCity = index;
        } else if ((r.code.size() == 6 || r.code.size() == 9) && lastCity >= 0 &&
                   r.code.startsWith(table->at(lastCity).code)) {
            const Region& city = table->at(lastCity);
            r.level = 3;
            r.parent = lastCity;
            r.province = city.province;
            r.city = city.city;
            r.directCity = city.placeholder && !table->IsMunicipality(city.province);
        } else {
            continue;
        }
        if (r.name.isEmpty()) continue;
        table->regions_.push_back(std::move(r));
    }
    table->Index();
    return table;
}

std::unique_ptr<RegionTable> RegionTable::Load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("读不了地区表 %1：%2").arg(path, file.errorString());
        return Parse({});
    }
    const QByteArray bytes = file.readAll();
    auto table = Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (table->empty() && error) *error = QStringLiteral("地区表 %1 是空的").arg(path);
    return table;
}

bool RegionTable::IsMunicipality(int province) const {
    if (province < 0 || province >= size()) return false;
    const QString& name = at(province).name;
    return name == u"北京市" || name == u"上海市" || name == u"天津市" || name == u"重庆市";
}

void RegionTable::Index() {
    // Keys go into one buffer first, so the views the map holds stay where they are.
    // Per region: the full name, the short name, and for an autonomous prefecture the short
    // name with 州 (黔东南州), for an autonomous county the short name with its kind (恭城县), as
    // addresses often write them.
    constexpr size_t kKeys = 3;
    std::vector<std::pair<QString, bool>> keys(regions_.size() * kKeys);
    size_t total = 0;
    for (size_t i = 0; i < regions_.size(); ++i) {
        const Region& r = regions_[i];
        if (r.placeholder) continue;
        QString kind;
        keys[kKeys * i] = {r.name, false};
        keys[kKeys * i + 1] = {ShortName(r, &kind), true};
        if (r.level == 2 && r.name.endsWith(u"自治州") && !keys[kKeys * i + 1].first.isEmpty())
            keys[kKeys * i + 2] = {keys[kKeys * i + 1].first + u'州', true};
        if (!kind.isEmpty() && !keys[kKeys * i + 1].first.isEmpty())
            keys[kKeys * i + 2] = {keys[kKeys * i + 1].first + kind, false};
        for (size_t k = 0; k < kKeys; ++k)
            total += static_cast<size_t>(keys[kKeys * i + k].first.size());
    }
    pool_.reserve(total);
    byName_.reserve(keys.size());
    std::vector<std::pair<size_t, size_t>> spans;
    for (const auto& k : keys) {
        spans.emplace_back(pool_.size(), static_cast<size_t>(k.first.size()));
        pool_.append(View(k.first));
    }
    shortNames_.assign(regions_.size(), {0, 0});
    for (size_t i = 0; i < keys.size(); ++i) {
        if (spans[i].second == 0) continue;
        const auto region = static_cast<int>(i / kKeys);
        byName_[std::u16string_view(pool_).substr(spans[i].first, spans[i].second)].push_back(
            {region, keys[i].second});
        if (i % kKeys == 1)
            shortNames_[static_cast<size_t>(region)] = {static_cast<int>(spans[i].first),
                                                        static_cast<int>(spans[i].second)};
        longestKey_ = std::max(longestKey_, static_cast<int>(spans[i].second));
    }
}

void RegionTable::MatchesAt(QStringView text, bool withShortDistricts,
                            std::vector<Match>& out) const {
    out.clear();
    const std::u16string_view all(reinterpret_cast<const char16_t*>(text.utf16()),
                                  static_cast<size_t>(text.size()));
    const auto longest = std::min<size_t>(static_cast<size_t>(longestKey_), all.size());
    for (size_t n = longest; n >= 2; --n) {
        const auto found = byName_.find(all.substr(0, n));
        if (found == byName_.end()) continue;
        for (const Key& key : found->second) {
            if (key.shortName && !withShortDistricts && at(key.region).level == 3) continue;
            out.push_back({key.region, static_cast<int>(n), key.shortName});
        }
    }
}

bool RegionTable::Mentions(QStringView text, int region) const {
    if (text.contains(at(region).name)) return true;
    const auto [offset, length] = shortNames_[static_cast<size_t>(region)];
    if (length == 0) return false;
    return text.contains(QStringView(pool_.data() + offset, length));
}

namespace {

struct Shared {
    std::mutex mutex;
    QString path;
    QString error;
    std::unique_ptr<RegionTable> table;
};

Shared& SharedState() {
    static Shared shared;
    return shared;
}

QString ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? QString() : QString::fromStdString(exe.parent_path().string());
}

}  // namespace

void SetRegionTablePath(const QString& path) {
    Shared& s = SharedState();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.path = path;
}

const RegionTable& SharedRegionTable() {
    Shared& s = SharedState();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.table) {
        QString path = s.path;
        if (path.isEmpty()) {
            const QString folder = ExecutableFolder();
            path = folder + QStringLiteral("/regions/regions.txt");
            const QString installed =
                folder + QStringLiteral("/../share/tallivo/regions/regions.txt");
            if (!QFile::exists(path) && QFile::exists(installed)) path = installed;
        }
        s.table = RegionTable::Load(path, &s.error);
    }
    return *s.table;
}

QString RegionTableError() {
    Shared& s = SharedState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.error;
}

}  // namespace tallivo
