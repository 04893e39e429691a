#include <QXmlStreamReader>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>

#include "orders/export_rows.h"
#include "orders/export_table.h"
#include "orders/zip_library.h"

namespace tallivo {

namespace {

struct ZipCloser {
    const ZipLibrary* lib;
    void operator()(zip_t* z) const { lib->discard(z); }
};
struct EntryCloser {
    const ZipLibrary* lib;
    void operator()(zip_file_t* f) const { lib->fclose(f); }
};

// kStopped: the reader had built all it may.
enum class Unpack { kOk, kMissing, kTooBig, kDamaged, kEncrypted, kStopped };

// Feeds an entry in chunks to `sink`, counting against the budget shared by the whole file:
// the sizes a zip declares can lie, so the bytes actually unpacked are what is counted.
template <typename Sink>
Unpack UnpackEntry(const ZipLibrary& lib, zip_t* zip, const std::string& name, std::int64_t* budget,
                   Sink sink) {
    std::unique_ptr<zip_file_t, EntryCloser> entry(lib.fopen(zip, name.c_str(), 0),
                                                   EntryCloser{&lib});
    if (!entry) {
        const int code = lib.errorCodeZip(lib.getError(zip));
        if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP)
            return Unpack::kEncrypted;
        return lib.nameLocate(zip, name.c_str(), 0) < 0 ? Unpack::kMissing : Unpack::kDamaged;
    }
    std::string chunk(1 << 16, '\0');
    for (;;) {
        const zip_int64_t got = lib.fread(entry.get(), chunk.data(), chunk.size());
        if (got < 0) return Unpack::kDamaged;
        if (got == 0) return Unpack::kOk;
        *budget -= got;
        if (*budget < 0) return Unpack::kTooBig;
        if (!sink(QByteArray(chunk.data(), static_cast<qsizetype>(got)))) return Unpack::kStopped;
    }
}

std::string Text(const QStringView& s) {
    return s.toString().toStdString();
}

// 0-based column of a reference such as "AB12"; -1 without letters.
int ColumnOf(QStringView ref) {
    int column = 0;
    int letters = 0;
    for (QChar ch : ref) {
        const char16_t c = ch.unicode();
        if (c < u'A' || c > u'Z') break;
        column = column * 26 + (c - u'A' + 1);
        if (++letters > 3) return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

// "1.5E+3" as "1500", exactly, by moving the decimal point in the digits.
// General shows no trailing zeros of a fraction either: "130.0" as "130".
std::string PlainDecimal(const std::string& v) {
    const std::size_t e = v.find_first_of("eE");
    if (e == std::string::npos) {
        if (v.find('.') == std::string::npos) return v;
        std::string t = v;
        while (t.back() == '0') t.pop_back();
        if (t.back() == '.') t.pop_back();
        return t.empty() || t == "-" ? "0" : t;
    }
    std::string mantissa = v.substr(0, e);
    int exponent = 0;
    try {
        exponent = std::stoi(v.substr(e + 1));
    } catch (...) {
        return v;
    }
    if (exponent > 30 || exponent < -30) return v;
    std::string sign;
    if (!mantissa.empty() && (mantissa[0] == '-' || mantissa[0] == '+')) {
        if (mantissa[0] == '-') sign = "-";
        mantissa.erase(0, 1);
    }
    std::size_t dot = mantissa.find('.');
    if (dot == std::string::npos) dot = mantissa.size();
    std::string digits =
        mantissa.substr(0, dot) + (dot < mantissa.size() ? mantissa.substr(dot + 1) : "");
    int point = static_cast<int>(dot) + exponent;
    if (point <= 0) {
        digits.insert(0, static_cast<std::size_t>(1 - point), '0');
        point = 1;
    }
    if (point > static_cast<int>(digits.size())) digits.append(point - digits.size(), '0');
    std::string whole = digits.substr(0, static_cast<std::size_t>(point));
    std::string fraction = digits.substr(static_cast<std::size_t>(point));
    while (whole.size() > 1 && whole[0] == '0') whole.erase(0, 1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return sign + whole + (fraction.empty() ? "" : "." + fraction);
}

// More digits before the point than a spreadsheet keeps (15): the rest were made up.
bool TooLongForANumber(const std::string& stored) {
    const std::string plain = PlainDecimal(stored);
    std::size_t digits = 0;
    for (char c : plain) {
        if (c == '.') break;
        if (c >= '0' && c <= '9') ++digits;
    }
    return digits > 15;
}

// What a number format shows, in the few shapes exports use: fixed decimals, thousands
// groups, percent, dates. Anything else keeps the stored text.
struct NumberFormat {
    enum Kind { kAsStored, kFixed, kDate } kind = kAsStored;
    int decimals = 0;
    bool grouped = false;
    bool percent = false;
    bool time = false;
};

NumberFormat ParseFormatCode(const QString& code) {
    NumberFormat f;
    QString plain;
    bool quoted = false;
    int bracket = 0;
    for (QChar c : code.section(u';', 0, 0)) {
        if (c == u'"')
            quoted = !quoted;
        else if (c == u'[')
            ++bracket;
        else if (c == u']')
            --bracket;
        else if (!quoted && bracket == 0 && c != u'\\')
            plain += c.toLower();
    }
    if (plain.contains(u'y') || plain.contains(u'd') || plain.contains(u'h')) {
        f.kind = NumberFormat::kDate;
        f.time = plain.contains(u'h');
        return f;
    }
    if (!plain.contains(u'0')) return f;
    f.kind = NumberFormat::kFixed;
    f.grouped = plain.contains(u',');
    f.percent = plain.contains(u'%');
    const qsizetype dot = plain.indexOf(u'.');
    if (dot >= 0) {
        for (qsizetype i = dot + 1; i < plain.size() && (plain[i] == u'0' || plain[i] == u'#'); ++i)
            ++f.decimals;
    }
    return f;
}

NumberFormat BuiltInFormat(int id) {
    NumberFormat f;
    switch (id) {
        case 1:
            f.kind = NumberFormat::kFixed;
            break;
        case 2:
            f.kind = NumberFormat::kFixed, f.decimals = 2;
            break;
        case 3:
            f.kind = NumberFormat::kFixed, f.grouped = true;
            break;
        case 4:
            f.kind = NumberFormat::kFixed, f.grouped = true, f.decimals = 2;
            break;
        case 9:
            f.kind = NumberFormat::kFixed, f.percent = true;
            break;
        case 10:
            f.kind = NumberFormat::kFixed, f.percent = true, f.decimals = 2;
            break;
        case 14:
        case 15:
        case 16:
        case 17:
            f.kind = NumberFormat::kDate;
            break;
        case 18:
        case 19:
        case 20:
        case 21:
        case 22:
        case 45:
        case 46:
        case 47:
            f.kind = NumberFormat::kDate, f.time = true;
            break;
        default:
            break;
    }
    return f;
}

std::string ShowNumber(const std::string& stored, const NumberFormat& f) {
    if (f.kind == NumberFormat::kAsStored) return PlainDecimal(stored);
    char* end = nullptr;
    double value = std::strtod(stored.c_str(), &end);
    if (end == stored.c_str() || !std::isfinite(value)) return stored;
    char buffer[64];
    if (f.kind == NumberFormat::kDate) {
        // Serial days from 1899-12-30, as spreadsheets count them.
        const double seconds = std::round(value * 86400.0);
        if (seconds < 0 || seconds > 2958466.0 * 86400.0) return stored;
        const std::time_t t = static_cast<std::time_t>(seconds) - 2209161600LL;
        std::tm tm{};
        gmtime_r(&t, &tm);
        std::strftime(buffer, sizeof buffer, f.time ? "%Y-%m-%d %H:%M:%S" : "%Y-%m-%d", &tm);
        return buffer;
    }
    if (f.percent) value *= 100.0;
    std::snprintf(buffer, sizeof buffer, "%.*f", f.decimals, value);
    std::string text = buffer;
    if (f.grouped) {
        std::size_t start = text[0] == '-' ? 1 : 0;
        std::size_t point = text.find('.');
        if (point == std::string::npos) point = text.size();
        for (std::size_t i = point; i > start + 3; i -= 3) text.insert(i - 3, ",");
    }
    return f.percent ? text + "%" : text;
}

class XlsxReader {
public:
    XlsxReader(const ZipLibrary& lib, zip_t* zip, std::int64_t budget, std::int64_t tokens)
        : lib_(lib), zip_(zip), budget_(budget), tokens_(tokens) {}

    Unpack Parse(const std::string& name, const std::function<void(QXmlStreamReader&)>& onToken,
                 bool* badXml) {
        QXmlStreamReader xml;
        // The reader keeps a token whole until it ends, as text twice its size.
        constexpr std::int64_t kLongestToken = 64 << 20;
        std::int64_t pending = 0;
        auto drain = [&]() {
            // A premature end is cleared by the first readNext after more data.
            do {
                xml.readNext();
                if (xml.hasError()) return;
                // Elements that are no cells cost time as cells do.
                if (--tokens_ < 0) {
                    stop = true;
                    return;
                }
                pending = 0;
                onToken(xml);
            } while (!xml.atEnd() && !stop);
        };
        const Unpack r = UnpackEntry(lib_, zip_, name, &budget_, [&](const QByteArray& chunk) {
            xml.addData(chunk);
            pending += chunk.size();
            drain();  // a premature end only waits for the next chunk
            if (pending > kLongestToken) stop = true;
            return !stop;
        });
        *badXml = r == Unpack::kOk && xml.hasError() &&
                  xml.error() != QXmlStreamReader::PrematureEndOfDocumentError;
        if (r == Unpack::kOk && xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            *badXml = true;
        return r;
    }

    // Set by a token handler that has built all it may: the rest is not read.
    bool stop = false;
    const ZipLibrary& lib_;
    zip_t* zip_;
    std::int64_t budget_;
    std::int64_t tokens_;
};

}  // namespace

ExportRead ReadXlsxFile(const std::string& path, const ExportLimits& limits) {
    ExportRead result;
    auto fail = [&](const std::string& text) {
        result.ok = false;
        result.messages.push_back(FileMessage(path, text));
        return result;
    };
    std::string why;
    const ZipLibrary* lib = OpenZipLibrary(&why);
    if (!lib) return fail("无法读入 XLSX 文件：找不到解压所需的 libzip 库（" + why + "）。");
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> zip(lib->open(path.c_str(), ZIP_RDONLY, &error),
                                          ZipCloser{lib});
    if (!zip) return fail("不是 XLSX 文件（不是 zip 压缩包，或已损坏），无法读入。");
    // A cell is about five tokens of XML: start, value, text, two ends.
    XlsxReader reader(*lib, zip.get(), limits.maxUnpackedBytes, 6 * limits.maxCells);
    const char* tooBig = "解压后超过了上限，可能是压缩炸弹，没有读入。";
    const char* damaged = "XLSX 文件已损坏，无法读入。";
    const char* encrypted = "XLSX 文件设了密码（已加密），无法读入；请在表格程序中去掉密码后另存。";
    const char* tooMuch = "读入后超过了格子、内存或行数的上限，可能是恶意构造的文件，没有读入。";
    std::int64_t built = 0;
    bool badXml = false;

    // The first sheet: the workbook's first <sheet>, through the workbook's relations.
    QString firstSheetId;
    Unpack r = reader.Parse(
        "xl/workbook.xml",
        [&](QXmlStreamReader& xml) {
            if (firstSheetId.isEmpty() && xml.isStartElement() && xml.name() == u"sheet") {
                for (const QXmlStreamAttribute& a : xml.attributes()) {
                    if (a.name() == u"id" && a.prefix() != u"") firstSheetId = a.value().toString();
                }
            }
        },
        &badXml);
    if (r == Unpack::kTooBig) return fail(tooBig);
    if (r == Unpack::kStopped) return fail(tooMuch);
    if (r == Unpack::kEncrypted) return fail(encrypted);
    std::string sheetPath;
    if (!firstSheetId.isEmpty()) {
        r = reader.Parse(
            "xl/_rels/workbook.xml.rels",
            [&](QXmlStreamReader& xml) {
                if (xml.isStartElement() && xml.name() == u"Relationship" &&
                    xml.attributes().value(QLatin1String("Id")) == firstSheetId) {
                    QString target = xml.attributes().value(QLatin1String("Target")).toString();
                    sheetPath = target.startsWith(u'/') ? target.mid(1).toStdString()
                                                        : "xl/" + target.toStdString();
                }
            },
            &badXml);
        if (r == Unpack::kTooBig) return fail(tooBig);
        if (r == Unpack::kStopped) return fail(tooMuch);
    }
    if (sheetPath.empty() || lib->nameLocate(zip.get(), sheetPath.c_str(), 0) < 0) {
        sheetPath = "xl/worksheets/sheet1.xml";
    }
    if (lib->nameLocate(zip.get(), sheetPath.c_str(), 0) < 0) {
        return fail("没有工作表，无法读入。");
    }

    std::vector<std::string> shared;
    std::string si;
    int phonetic = 0;
    bool inText = false;
    r = reader.Parse(
        "xl/sharedStrings.xml",
        [&](QXmlStreamReader& xml) {
            if (xml.isStartElement()) {
                if (xml.name() == u"si")
                    si.clear();
                else if (xml.name() == u"rPh")
                    ++phonetic;
                else if (xml.name() == u"t")
                    inText = phonetic == 0;
            } else if (xml.isEndElement()) {
                if (xml.name() == u"si") {
                    built += CellCost(si.size());
                    reader.stop = built > limits.maxBuiltBytes;
                    shared.push_back(si);
                } else if (xml.name() == u"rPh")
                    --phonetic;
                else if (xml.name() == u"t")
                    inText = false;
            } else if (xml.isCharacters() && inText) {
                si += Text(xml.text());
                // One string can be the whole budget.
                if (built + static_cast<std::int64_t>(si.size()) > limits.maxBuiltBytes)
                    reader.stop = true;
            }
        },
        &badXml);
    if (r == Unpack::kTooBig) return fail(tooBig);
    if (r == Unpack::kStopped) return fail(tooMuch);
    if (r == Unpack::kEncrypted) return fail(encrypted);
    if (r == Unpack::kDamaged || badXml) return fail(damaged);

    std::map<int, NumberFormat> customFormats;
    std::vector<NumberFormat> styles;
    bool inXfs = false;
    r = reader.Parse(
        "xl/styles.xml",
        [&](QXmlStreamReader& xml) {
            if (xml.isStartElement()) {
                if (xml.name() == u"numFmt") {
                    customFormats[xml.attributes().value(QLatin1String("numFmtId")).toInt()] =
                        ParseFormatCode(
                            xml.attributes().value(QLatin1String("formatCode")).toString());
                } else if (xml.name() == u"cellXfs") {
                    inXfs = true;
                } else if (inXfs && xml.name() == u"xf") {
                    const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                    auto it = customFormats.find(id);
                    styles.push_back(it != customFormats.end() ? it->second : BuiltInFormat(id));
                }
            } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
                inXfs = false;
            }
        },
        &badXml);
    if (r == Unpack::kTooBig) return fail(tooBig);
    if (r == Unpack::kStopped) return fail(tooMuch);

    RawRows raw;
    std::vector<std::string> cells;
    int rowNumber = 0;
    int column = 0;
    QString type;
    int style = -1;
    std::string value;
    std::string formula;
    bool inValue = false;
    bool inFormula = false;
    bool inInline = false;
    bool badIndex = false;
    std::vector<StoredNumber> storedNumbers;
    std::int64_t cellsSeen = 0;
    std::size_t widthCap = 16384;
    badXml = false;
    r = reader.Parse(
        sheetPath,
        [&](QXmlStreamReader& xml) {
            if (xml.isStartElement()) {
                const auto name = xml.name();
                if (name == u"row") {
                    const long long given = xml.attributes().value(QLatin1String("r")).toLongLong();
                    const long long next = given > rowNumber ? given : rowNumber + 1LL;
                    // Past a sheet's last row the number is a lie, and would not fit.
                    if (next > limits.maxRows) {
                        reader.stop = true;
                        return;
                    }
                    rowNumber = static_cast<int>(next);
                    cells.clear();
                    column = 0;
                } else if (name == u"c") {
                    if (++cellsSeen > limits.maxCells) {
                        reader.stop = true;
                        return;
                    }
                    const int given = ColumnOf(xml.attributes().value(QLatin1String("r")));
                    if (given >= 0) column = given;
                    type = xml.attributes().value(QLatin1String("t")).toString();
                    const auto s = xml.attributes().value(QLatin1String("s"));
                    style = s.isEmpty() ? -1 : s.toInt();
                    value.clear();
                    formula.clear();
                } else if (name == u"f") {
                    inFormula = true;
                } else if (name == u"v") {
                    inValue = true;
                } else if (name == u"is") {
                    inInline = true;
                } else if (name == u"t" && inInline) {
                    inValue = true;
                }
            } else if (xml.isEndElement()) {
                const auto name = xml.name();
                if (name == u"v" || name == u"t") {
                    inValue = false;
                } else if (name == u"f") {
                    inFormula = false;
                } else if (name == u"is") {
                    inInline = false;
                } else if (name == u"c") {
                    // A writer that computes nothing leaves a formula without its value; a
                    // formula that is only a text, ="123", still shows that text.
                    if (value.empty() && formula.size() >= 2 && formula.front() == '"' &&
                        formula.back() == '"') {
                        type = QStringLiteral("str");
                        for (std::size_t i = 1; i + 1 < formula.size(); ++i) {
                            value.push_back(formula[i]);
                            if (formula[i] == '"') ++i;
                        }
                    }
                    std::string text;
                    if (type == u"s") {
                        char* end = nullptr;
                        const long index = std::strtol(value.c_str(), &end, 10);
                        if (index >= 0 && static_cast<std::size_t>(index) < shared.size() &&
                            *end == 0) {
                            text = shared[static_cast<std::size_t>(index)];
                        } else {
                            badIndex = true;
                        }
                    } else if (type.isEmpty() || type == u"n") {
                        text = value.empty()
                                   ? value
                                   : ShowNumber(value, style >= 0 && static_cast<std::size_t>(
                                                                         style) < styles.size()
                                                           ? styles[static_cast<std::size_t>(style)]
                                                           : NumberFormat{});
                        if (static_cast<std::size_t>(column) < widthCap && TooLongForANumber(value))
                            storedNumbers.push_back({rowNumber, column, value});
                    } else if (type == u"b") {
                        text = value == "1" ? "TRUE" : "FALSE";
                    } else {
                        text = value;  // str, inlineStr, e
                    }
                    // Data rows keep no cells beyond the header's width, however far a cell
                    // claims to be.
                    if (static_cast<std::size_t>(column) < widthCap && !text.empty()) {
                        if (cells.size() <= static_cast<std::size_t>(column)) {
                            built +=
                                static_cast<std::int64_t>(column + 1 - cells.size()) * CellCost(0);
                            cells.resize(column + 1);
                        }
                        built += CellCost(text.size()) - CellCost(0);
                        cells[static_cast<std::size_t>(column)] = std::move(text);
                    }
                    ++column;
                } else if (name == u"row") {
                    if (!cells.empty()) {
                        if (raw.empty()) widthCap = cells.size();
                        built += kRowCost;
                        raw.push_back({rowNumber, std::move(cells)});
                    }
                    cells.clear();
                    if (built > limits.maxBuiltBytes) reader.stop = true;
                }
            } else if (xml.isCharacters() && inValue) {
                value += Text(xml.text());
            } else if (xml.isCharacters() && inFormula) {
                formula += Text(xml.text());
            }
            if (built + static_cast<std::int64_t>(value.size() + formula.size()) >
                limits.maxBuiltBytes)
                reader.stop = true;
        },
        &badXml);
    if (r == Unpack::kTooBig) return fail(tooBig);
    if (r == Unpack::kStopped) return fail(tooMuch);
    if (r == Unpack::kEncrypted) return fail(encrypted);
    if (r == Unpack::kDamaged) return fail(damaged);
    if (badXml) {
        result.messages.push_back(
            RowMessage(path, rowNumber, "工作表在这一行后损坏，其后的内容没有读入。"));
    }
    if (badIndex)
        result.messages.push_back(FileMessage(path, "有的格子指向不存在的共享文字，当作空的。"));
    BuildTable(path, std::move(raw), /*ragged=*/false, &result);
    result.table.storedNumbers = std::move(storedNumbers);
    return result;
}

}  // namespace tallivo
