#pragma once

#include <QString>
#include <QStringView>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tallivo {

// One province, city or district of the region table.
struct Region {
    QString code;
    QString name;
    int level = 0;      // 1 province, 2 city, 3 district
    int parent = -1;    // index of the city or province above; -1 for a province
    int province = -1;  // index of the province it lies in (itself for a province)
    // The city a district lies in; -1 where the table has none, that is below a municipality
    // or a county-level city the province governs directly.
    int city = -1;
    // A placeholder city of the table ("市辖区", "县", "省直辖县级行政区划", ...).
    bool placeholder = false;
    // A district that the province governs directly (仙桃市): addresses name it as a city.
    bool directCity = false;
};

// The province / city / district table: read once, then only looked up.
class RegionTable {
public:
    // A region whose full or short name starts at a position of a text.
    struct Match {
        int region = -1;
        int length = 0;
        bool shortName = false;
    };

    // Reads a table file; an empty table when it cannot, with the reason in *error.
    static std::unique_ptr<RegionTable> Load(const QString& path, QString* error = nullptr);
    // The table of lines "code<TAB>name" ('#' lines are comments).
    static std::unique_ptr<RegionTable> Parse(std::string_view utf8);

    bool empty() const { return regions_.empty(); }
    int size() const { return static_cast<int>(regions_.size()); }
    const Region& at(int index) const { return regions_[static_cast<size_t>(index)]; }
    // A province that is a city itself (北京, 上海, 天津, 重庆).
    bool IsMunicipality(int province) const;

    // Every region whose full or short name starts at text[0], longest first. Short names are
    // the names without their kind (浙江, 杭州, 西湖, 黔东南); a district's short name is left out
    // unless withShortDistricts.
    void MatchesAt(QStringView text, bool withShortDistricts, std::vector<Match>& out) const;
    // Whether a region's full or short name occurs anywhere in text.
    bool Mentions(QStringView text, int region) const;

private:
    RegionTable() = default;
    void Index();

    struct Key {
        int region;
        bool shortName;
    };
    std::vector<Region> regions_;
    std::u16string pool_;  // every key, one after the other; the map's views point into it
    std::unordered_map<std::u16string_view, std::vector<Key>> byName_;
    std::vector<std::pair<int, int>> shortNames_;  // offset and length in pool_, per region
    int longestKey_ = 0;
};

// The process-wide table that the window and the command line share, read on first use. The
// file is the path given to SetRegionTablePath() before that, else regions/regions.txt in the
// executable's folder, else ../share/tallivo/regions/regions.txt from there. Never null: a table
// that cannot be read is empty, and RegionTableError() says why.
const RegionTable& SharedRegionTable();
void SetRegionTablePath(const QString& path);
QString RegionTableError();

}  // namespace tallivo
