#include "orders/shipping_recogniser.h"

#include <algorithm>
#include <string>
#include <vector>

#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

enum class Slot { Free, Name, Address, Postcode, Ignore, Drop };

struct Label {
    const char16_t* text;
    Slot slot;
};

// At one position the longest label wins, so longer labels come first where they overlap.
const Label kLabels[] = {
    {u"收货人姓名", Slot::Name},
    {u"收件人姓名", Slot::Name},
    {u"收货人信息", Slot::Drop},
    {u"收货信息", Slot::Drop},
    {u"收货人", Slot::Name},
    {u"收件人", Slot::Name},
    {u"联系人", Slot::Name},
    {u"姓名", Slot::Name},
    {u"名字", Slot::Name},
    {u"手机号码", Slot::Free},
    {u"手机号", Slot::Free},
    {u"手机", Slot::Free},
    {u"联系电话", Slot::Free},
    {u"联系方式", Slot::Free},
    {u"电话号码", Slot::Free},
    {u"电话", Slot::Free},
    {u"固话", Slot::Free},
    {u"座机", Slot::Free},
    {u"所在地区", Slot::Address},
    {u"收货地区", Slot::Address},
    {u"省市区", Slot::Address},
    {u"所在地", Slot::Address},
    {u"买家收货地址", Slot::Address},
    {u"详细地址", Slot::Address},
    {u"收货地址", Slot::Address},
    {u"收件地址", Slot::Address},
    {u"街道地址", Slot::Address},
    {u"地址", Slot::Address},
    {u"邮政编码", Slot::Postcode},
    {u"邮编", Slot::Postcode},
    {u"买家留言", Slot::Ignore},
    {u"留言", Slot::Ignore},
    {u"备注", Slot::Ignore},
    {u"订单编号", Slot::Ignore},
    {u"订单号", Slot::Ignore},
    {u"微信", Slot::Ignore},
    {u"旺旺", Slot::Ignore},
    {u"昵称", Slot::Ignore},
    {u"会员名", Slot::Ignore},
    {u"身份证号码", Slot::Drop},
    {u"身份证号", Slot::Drop},
    {u"身份证", Slot::Drop},
};

// Words that stand alone in copied text but are no names.
const char16_t* const kNotNames[] = {
    u"中国", u"中华人民共和国", u"默认地址", u"默认", u"谢谢",     u"你好", u"您好",
    u"包邮", u"快递",           u"顺丰",     u"发货", u"尽快发货", u"加急", u"买家",
    u"卖家", u"先生",           u"女士",     u"小姐", u"电话",     u"手机", u"地址"};

// Last characters of address words (路, 号, 大厦, 小区...): a token ending so is no name.
constexpr char16_t kAddressEnds[] =
    u"路街道巷弄号室楼栋幢座层村镇乡组屯里苑园府庭院城厦场区县市省州旗盟湾岛队社寓舍馆店站校门口坊"
    u"桥湖山洲港所局厂仓库部墅寨堡营坝湾";
// Of those, the ones that also end given names (何玉山, 许家园): such a token is a name only
// where it starts with a surname and stands apart from the address.
constexpr char16_t kNameEndsToo[] = u"村里园城州湾岛桥湖山洲港庭苑";
// Common surnames; a token of two or three characters that starts with one may be a name even
// where it ends like a place.
constexpr char16_t kSurnames[] =
    u"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏"
    u"吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付傅方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵"
    u"万钱严覃武戴莫孔向汤常温康施文牛樊葛邢安齐易乔伍庞颜倪庄聂章鲁岳翟殷詹申欧耿关兰焦俞左柳甘"
    u"祝包宁尚符舒阮柯纪梅童凌毕单季裴霍涂成苗谷盛曲翁冉骆蓝路游辛靳管柴蒙鲍华喻祁蒲房滕屈饶解牟"
    u"艾尤阳时穆农司卓古吉缪简车项连芦麦褚娄窦戚岑景党宫费卜冷晏席卫米柏宗瞿桂全佟应臧闵苟邬边卞"
    u"姬师和仇栾隋商刁沙荣巫寇桑郎甄丛仲虞敖巩明佘池查麻迟邝";
// Words of shipping notes (不要发韵达, 谢谢): a token holding one is neither name nor address.
const char16_t* const kNoteWords[] = {
    u"请勿", u"勿发", u"不要", u"谢谢",   u"麻烦", u"尽快",   u"加急", u"包邮", u"发货",
    u"到付", u"送货", u"快递", u"顺丰",   u"百世", u"汇通",   u"圆通", u"中通", u"申通",
    u"韵达", u"极兔", u"德邦", u"宅急送", u"周末", u"工作日", u"代收"};
// Places where parcels wait are address parts even though they name couriers.
const char16_t* const kParcelPlaces[] = {u"驿站",   u"快递柜", u"快递点", u"快递超市",
                                         u"代收点", u"收发室", u"门卫"};
// What may follow a number in an address: a six-digit number followed so is no post code.
constexpr char16_t kUnitAfterNumber[] = u"号室栋楼幢单元层座弄巷户-#";
// A region name followed by these is a street named after it (南京路, 长安街).
constexpr char16_t kStreetAfterName[] = u"路街道巷弄";

bool In(const char16_t* set, QChar c) {
    for (const char16_t* p = set; *p; ++p)
        if (*p == c.unicode()) return true;
    return false;
}

// Whether a region's name ending at `at` is a street named after it: 南京路, and for a short
// name also 光明中路, 长江大道.
bool StreetAfter(QStringView text, qsizetype at, bool shortName) {
    if (at < text.size() && In(kStreetAfterName, text[at])) return true;
    if (!shortName) return false;
    for (qsizetype k = at; k < text.size() && k < at + 2; ++k) {
        if (!In(u"东西南北中大新一二三四五六七八九十", text[k])) return false;
        if (k + 1 < text.size() && In(kStreetAfterName, text[k + 1])) return true;
    }
    return false;
}

bool IsHan(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) ||
           (u >= 0xF900 && u <= 0xFAFF);
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool IsLatin(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsTokenChar(QChar c) {
    return IsHan(c) || IsDigit(c) || IsLatin(c) || c == u'-' || c == u'#' || c == u'·' ||
           c == u'_' || (c.isLetterOrNumber() && !c.isSurrogate());
}

// Full-width forms to ASCII, dashes to '-', every kind of blank to ' '.
QString Normalised(const QString& text) {
    QString s = text;
    for (QChar& c : s) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) {
            c = QChar(static_cast<char16_t>(u - 0xFEE0));
        } else if (u == 0x3000 || u == u'\t' || u == 0xA0) {
            c = u' ';
        } else if ((u >= 0x2010 && u <= 0x2015) || u == 0x2212) {
            c = u'-';
        } else if (u == 0x2022 || u == 0x30FB || u == 0x00B7) {
            c = u'·';
        }
    }
    return s;
}

struct Token {
    qsizetype begin = 0;
    qsizetype end = 0;
    Slot slot = Slot::Free;
    Slot labelled = Slot::Free;  // the slot of the label before it, kept when slot is changed
    bool softGap = false;        // only blanks since the token before
    bool nameLabelled = false;
};

// How much a token reads like a name: kStrong as the usual names do; kSurname a surname with what
// also ends place names, or with Latin letters (张y); kSingle one character alone (娟).
enum NameGrade { kNoName = 0, kSingle = 1, kSurname = 2, kStrong = 3 };

bool IsNote(QStringView t) {
    for (const char16_t* place : kParcelPlaces)
        if (t.contains(QStringView(place))) return false;
    for (const char16_t* word : kNoteWords)
        if (t.contains(QStringView(word))) return true;
    return false;
}

class Recogniser {
public:
    Recogniser(const QString& text, const RegionTable& table)
        : s_(Normalised(text)),
          table_(table),
          removed_(static_cast<size_t>(s_.size()), 0),
          slot_(static_cast<size_t>(s_.size()), Slot::Free) {}

    ShippingInfo Run();

private:
    QStringView Text(const Token& t) const { return QStringView(s_).mid(t.begin, t.end - t.begin); }
    void Remove(qsizetype from, qsizetype to) {
        std::fill(removed_.begin() + from, removed_.begin() + to, 1);
    }
    bool Removed(qsizetype from, qsizetype to) const {
        return std::any_of(removed_.begin() + from, removed_.begin() + to,
                           [](char r) { return r; });
    }
    void FindLabels();
    void FindPhones();
    void FindPostcode();
    void Tokenise();
    bool NameLike(QStringView t) const;
    NameGrade Grade(QStringView t) const;
    bool StartsWithRegion(QStringView t) const;
    qsizetype RegionStart(QStringView t, bool uniqueShortDistricts) const;
    void ChooseAddressAndName();
    void SplitAddress(const QString& address);

    QString s_;
    const RegionTable& table_;
    std::vector<char> removed_;
    std::vector<Slot> slot_;
    std::vector<qsizetype> postcodeLabels_;  // where a post code label's value starts
    std::vector<qsizetype> nameLabels_;
    std::vector<Token> tokens_;
    ShippingInfo info_;
    mutable std::vector<RegionTable::Match> matches_;
};

void Recogniser::FindLabels() {
    Slot current = Slot::Free;
    for (qsizetype i = 0; i < s_.size(); ++i) {
        const QStringView rest = QStringView(s_).mid(i);
        const Label* found = nullptr;
        for (const Label& label : kLabels) {
            const QStringView word(label.text);
            if (rest.startsWith(word) && (!found || word.size() > QStringView(found->text).size()))
                found = &label;
        }
        if (!found) {
            if (current == Slot::Ignore && (s_[i] == u'\n' || s_[i] == u'\r')) current = Slot::Free;
            slot_[static_cast<size_t>(i)] = current;
            if (current == Slot::Ignore) removed_[static_cast<size_t>(i)] = 1;
            continue;
        }
        const qsizetype length = QStringView(found->text).size();
        Remove(i, i + length);
        current = found->slot == Slot::Drop ? Slot::Free : found->slot;
        if (current == Slot::Postcode) postcodeLabels_.push_back(i + length);
        if (current == Slot::Name) nameLabels_.push_back(i + length);
        for (qsizetype k = i; k < i + length; ++k) slot_[static_cast<size_t>(k)] = current;
        i += length - 1;
    }
}

// Digits from i with at most one blank or dash between two of them; returns the end, or -1.
qsizetype ReadSpacedDigits(const QString& s, qsizetype i, int count, QString& digits) {
    digits.clear();
    while (i < s.size() && digits.size() < count) {
        if (IsDigit(s[i])) {
            digits += s[i++];
        } else if (!digits.isEmpty() && (s[i] == u' ' || s[i] == u'-') && i + 1 < s.size() &&
                   IsDigit(s[i + 1])) {
            ++i;
        } else {
            break;
        }
    }
    if (digits.size() != count || (i < s.size() && IsDigit(s[i]))) return -1;
    return i;
}

void Recogniser::FindPhones() {
    QString digits;
    for (qsizetype i = 0; i < s_.size(); ++i) {
        if (removed_[static_cast<size_t>(i)] || (i > 0 && IsDigit(s_[i - 1]))) continue;
        if (!IsDigit(s_[i]) && s_[i] != u'+') continue;
        // A mobile number, with the country code or without.
        qsizetype j = i + (s_[i] == u'+' ? 1 : 0);
        qsizetype end = -1;
        for (const QStringView prefix : {QStringView(u"0086"), QStringView(u"86"), QStringView()}) {
            if (!QStringView(s_).mid(j).startsWith(prefix)) continue;
            qsizetype k = j + prefix.size();
            if (!prefix.isEmpty() && k < s_.size() &&
                (s_[k] == u'-' || s_[k] == u' ' || s_[k] == u')'))
                ++k;
            end = ReadSpacedDigits(s_, k, 11, digits);
            if (end >= 0 && digits[0] == u'1' && digits[1] >= u'3' && digits[1] <= u'9') break;
            end = -1;
        }
        qsizetype run = i;
        while (run < s_.size() && IsDigit(s_[run])) ++run;
        if (end < 0 && (run - i == 18 || (run - i == 17 && run < s_.size() &&
                                          (s_[run] == u'X' || s_[run] == u'x')))) {
            // An ID card number some sellers are asked for: kept out of every field.
            const qsizetype idEnd = run - i == 18 ? run : run + 1;
            if (!Removed(i, idEnd)) {
                info_.doubts
                    << QStringLiteral("身份证号码%1没有算进地址").arg(s_.mid(i, idEnd - i));
                Remove(i, idEnd);
                i = idEnd - 1;
                continue;
            }
        }
        if (end < 0 && run - i > 11 && info_.mobile.isEmpty() && s_[run - 11] == u'1' &&
            s_[run - 10] >= u'3' && !Removed(i, run)) {
            // A room number written on into the mobile (单元20213857471234).
            info_.mobile = s_.mid(run - 11, 11);
            info_.doubts << QStringLiteral("手机号码%1是从数字串%2末尾取出的")
                                .arg(info_.mobile, s_.mid(i, run - i));
            Remove(run - 11, run);
            i = run - 1;
            continue;
        }
        if (end >= 0 && !Removed(i, end)) {
            if (info_.mobile.isEmpty()) {
                info_.mobile = digits;
            } else if (digits != info_.mobile && info_.telephone.isEmpty()) {
                info_.telephone = digits;
                info_.doubts << QStringLiteral("有两个手机号码，第二个（%1）当作电话").arg(digits);
            }
            Remove(i, end);
            i = end - 1;
            continue;
        }
        // A fixed line: area code (3 digits for 01x and 02x, else 4), dash or bracket or
        // nothing, 7 or 8 digits, and perhaps an extension.
        if (s_[i] != u'0' || i + 1 >= s_.size() || !IsDigit(s_[i + 1])) continue;
        const qsizetype areaLength = (s_[i + 1] == u'1' || s_[i + 1] == u'2') ? 3 : 4;
        qsizetype k = i;
        while (k < s_.size() && k - i < areaLength && IsDigit(s_[k])) ++k;
        if (k - i != areaLength) continue;
        const QString area = s_.mid(i, areaLength);
        if (k < s_.size() && (s_[k] == u'-' || s_[k] == u')' || s_[k] == u' ')) ++k;
        qsizetype n = k;
        while (n < s_.size() && IsDigit(s_[n])) ++n;
        if (n - k < 7 || n - k > 8) continue;
        QString phone = area + u'-' + s_.mid(k, n - k);
        if (n + 1 < s_.size() && (s_[n] == u'-' || s_[n] == u'转') && IsDigit(s_[n + 1])) {
            qsizetype e = n + 1;
            while (e < s_.size() && IsDigit(s_[e]) && e - n <= 6) ++e;
            if (e < s_.size() && IsDigit(s_[e])) continue;
            phone += u'-' + s_.mid(n + 1, e - n - 1);
            n = e;
        }
        if (Removed(i, n)) continue;
        if (info_.telephone.isEmpty()) info_.telephone = phone;
        Remove(i, n);
        i = n - 1;
    }
}

void Recogniser::FindPostcode() {
    auto sixDigitsAt = [this](qsizetype i) {
        if (i + 6 > s_.size() || (i > 0 && IsDigit(s_[i - 1]))) return false;
        for (qsizetype k = i; k < i + 6; ++k)
            if (!IsDigit(s_[k]) || removed_[static_cast<size_t>(k)]) return false;
        return i + 6 == s_.size() || !IsDigit(s_[i + 6]);
    };
    // A labelled one first; the label may be followed by blanks or a colon.
    for (qsizetype at : postcodeLabels_) {
        while (at < s_.size() && !IsDigit(s_[at]) && !IsTokenChar(s_[at])) ++at;
        if (sixDigitsAt(at)) {
            info_.postcode = s_.mid(at, 6);
            Remove(at, at + 6);
            return;
        }
    }
    for (qsizetype i = 0; i < s_.size(); ++i) {
        if (!sixDigitsAt(i)) continue;
        // Six digits right after a name label are what the seller wrote as the name.
        const bool named = std::any_of(nameLabels_.begin(), nameLabels_.end(), [&](qsizetype at) {
            while (at < i && !IsTokenChar(s_[at])) ++at;
            return at == i;
        });
        if (named) continue;
        const QChar before = i > 0 ? s_[i - 1] : QChar(u' ');
        const QChar after = i + 6 < s_.size() ? s_[i + 6] : QChar(u' ');
        if (before == u'-' || before == u'#' || IsLatin(before) || In(kUnitAfterNumber, after) ||
            IsLatin(after))
            continue;
        if (info_.postcode.isEmpty()) {
            info_.postcode = s_.mid(i, 6);
            Remove(i, i + 6);
        } else {
            info_.doubts << QStringLiteral("还有一个像邮编的数字：%1").arg(s_.mid(i, 6));
        }
        i += 5;
    }
}

void Recogniser::Tokenise() {
    bool soft = false;
    bool labelSinceLast = false;
    qsizetype i = 0;
    size_t nameLabel = 0;
    while (i < s_.size()) {
        if (removed_[static_cast<size_t>(i)] || !IsTokenChar(s_[i])) {
            if (s_[i] != u' ' || removed_[static_cast<size_t>(i)]) soft = false;
            while (nameLabel < nameLabels_.size() && nameLabels_[nameLabel] <= i + 1) {
                labelSinceLast = true;
                ++nameLabel;
            }
            ++i;
            continue;
        }
        Token t;
        t.begin = i;
        t.slot = t.labelled = slot_[static_cast<size_t>(i)];
        t.softGap = soft && !tokens_.empty();
        while (i < s_.size() && !removed_[static_cast<size_t>(i)] && IsTokenChar(s_[i])) ++i;
        t.end = i;
        t.nameLabelled = t.slot == Slot::Name && labelSinceLast;
        // A name or post code label governs one value; what follows it is read as unlabelled.
        if ((t.slot == Slot::Name && !t.nameLabelled) || t.slot == Slot::Postcode)
            t.slot = Slot::Free;
        labelSinceLast = false;
        // Latin names are written with blanks: "Tom Lee".
        const auto latin = [this](const Token& x) {
            return std::all_of(s_.begin() + x.begin, s_.begin() + x.end,
                               [](QChar c) { return IsLatin(c); });
        };
        if (t.softGap && latin(t) && latin(tokens_.back()) && t.begin - tokens_.back().end == 1 &&
            tokens_.back().end - tokens_.back().begin + (t.end - t.begin) < 24 &&
            tokens_.back().labelled == t.labelled) {
            tokens_.back().end = t.end;
        } else {
            tokens_.push_back(t);
        }
        soft = true;
    }
}

bool Recogniser::NameLike(QStringView t) const {
    if (t.size() < 2) return false;
    if (std::all_of(t.begin(), t.end(), [](QChar c) { return IsLatin(c) || c == u' '; }))
        return t.size() <= 24;
    int han = 0;
    for (QChar c : t) {
        if (IsHan(c)) {
            ++han;
        } else if (c != u'·') {
            return false;
        }
    }
    if (han < 2 || han > (t.contains(u'·') ? 12 : 4)) return false;
    if (In(kAddressEnds, t.back())) return false;
    for (const char16_t* word : kNotNames)
        if (t == QStringView(word)) return false;
    if (IsNote(t)) return false;
    return !StartsWithRegion(t);
}

bool Recogniser::StartsWithRegion(QStringView t) const {
    matches_.clear();
    table_.MatchesAt(t, false, matches_);
    return !matches_.empty();
}

NameGrade Recogniser::Grade(QStringView t) const {
    if (NameLike(t)) return kStrong;
    if (t.isEmpty() || IsNote(t)) return kNoName;
    qsizetype han = 0;
    while (han < t.size() && IsHan(t[han])) ++han;
    const qsizetype latin = t.size() - han;
    if (han == 0 || han > 3 ||
        !std::all_of(t.begin() + han, t.end(), [](QChar c) { return IsLatin(c); }))
        return kNoName;
    for (const char16_t* word : kNotNames)
        if (t == QStringView(word)) return kNoName;
    if (han == 1 && latin == 0)
        return In(kAddressEnds, t[0]) || In(kUnitAfterNumber, t[0]) ? kNoName : kSingle;
    if (!In(kSurnames, t[0]) || StartsWithRegion(t)) return kNoName;
    if (latin > 0) return latin <= 3 && han <= 2 ? kSurname : kNoName;
    return In(kNameEndsToo, t.back()) ? kSurname : kNoName;
}

// Where the first region name of a token starts, or -1. Inside the token, only after what may be
// a name glued to it ("张三浙江省..."), and only a full name or after a name-like prefix. With
// uniqueShortDistricts, a county's short name that no other region has also counts at the start
// of a token (巍山 南诏镇...).
qsizetype Recogniser::RegionStart(QStringView t, bool uniqueShortDistricts) const {
    for (qsizetype k = 0; k + 1 < t.size(); ++k) {
        if (k > 12 || (k > 0 && !IsHan(t[k - 1]))) break;
        table_.MatchesAt(t.mid(k), uniqueShortDistricts && k == 0, matches_);
        for (const auto& m : matches_) {
            const qsizetype after = k + m.length;
            if (StreetAfter(t, after, m.shortName)) continue;
            if (k > 0 && m.shortName && !NameLike(t.left(k)) && t.left(k) != u"中国") continue;
            if (m.shortName && table_.at(m.region).level == 3 &&
                std::count_if(matches_.begin(), matches_.end(),
                              [&](const auto& x) { return x.length == m.length; }) != 1)
                continue;
            return k;
        }
    }
    return -1;
}

void Recogniser::ChooseAddressAndName() {
    // The labelled name: the first token after a name label.
    for (const Token& t : tokens_) {
        if (t.nameLabelled) {
            info_.name = Text(t).toString();
            break;
        }
    }
    // Split off what precedes a region name inside a token, and find where the address starts.
    // A county's short name alone counts only where no other region is named.
    int start = -1;
    for (const bool uniqueShort : {false, true}) {
        for (size_t i = 0; i < tokens_.size() && start < 0; ++i) {
            Token& t = tokens_[i];
            if (t.slot != Slot::Free && t.slot != Slot::Address) continue;
            const qsizetype k = RegionStart(Text(t), uniqueShort);
            if (k < 0) continue;
            if (k > 0) {
                Token head = t;
                head.end = t.begin + k;
                t.begin += k;
                t.softGap = false;
                const bool country = Text(head) == u"中国";
                tokens_.insert(tokens_.begin() + static_cast<std::ptrdiff_t>(i), head);
                ++i;
                if (country) {
                    tokens_.erase(tokens_.begin() + static_cast<std::ptrdiff_t>(i) - 1);
                    --i;
                }
            }
            start = static_cast<int>(i);
        }
        if (start >= 0) break;
    }
    const auto hasHan = [this](const Token& t) {
        return std::any_of(s_.begin() + t.begin, s_.begin() + t.end,
                           [](QChar c) { return IsHan(c); });
    };
    const auto note = [this](const Token& t) { return t.slot != Slot::Address && IsNote(Text(t)); };
    if (start < 0) {
        // No region named: the address is the first token that reads like one.
        for (size_t i = 0; i < tokens_.size() && start < 0; ++i) {
            const Token& t = tokens_[i];
            if (t.slot == Slot::Address ||
                (t.slot == Slot::Free && hasHan(t) && !note(t) && Grade(Text(t)) == kNoName))
                start = static_cast<int>(i);
        }
    }

    // The address: from its start, the tokens written on with blanks, later Chinese text that is
    // no name, and every labelled address part (one written before the region goes after it).
    // Weaker names after the start stay in the address unless one of them is taken as the name.
    std::vector<int> address;
    std::vector<int> before;
    std::vector<std::pair<int, NameGrade>> names;  // name-like tokens, and how much so
    bool run = true;
    for (int i = 0; i < static_cast<int>(tokens_.size()); ++i) {
        const Token& t = tokens_[static_cast<size_t>(i)];
        if (t.nameLabelled || (i != start && note(t))) continue;
        const NameGrade grade = t.slot == Slot::Address ? kNoName : Grade(Text(t));
        if (start < 0 || i < start) {
            if (t.slot == Slot::Address) {
                before.push_back(i);
            } else if (grade != kNoName) {
                names.emplace_back(i, grade);
            }
            continue;
        }
        if (i == start || t.slot == Slot::Address) {
            address.push_back(i);
            run = true;
            continue;
        }
        if (run && t.softGap) {
            address.push_back(i);
            continue;
        }
        run = false;
        if (grade == kStrong) {
            names.emplace_back(i, grade);
        } else if (hasHan(t) && (t.slot == Slot::Free || t.slot == Slot::Name)) {
            address.push_back(i);
            if (grade != kNoName) names.emplace_back(i, grade);
            run = true;
        }
    }
    address.insert(address.end(), before.begin(), before.end());

    if (info_.name.isEmpty() && !names.empty()) {
        const auto best =
            std::max_element(names.begin(), names.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        info_.name = Text(tokens_[static_cast<size_t>(best->first)]).toString();
        address.erase(std::remove(address.begin(), address.end(), best->first), address.end());
        for (const auto& [i, grade] : names)
            if (grade == kStrong && i != best->first)
                info_.doubts << QStringLiteral("“%1”也可能是姓名")
                                    .arg(Text(tokens_[static_cast<size_t>(i)]));
    }
    const auto join = [this](const std::vector<int>& parts) {
        QString out;
        for (int i : parts) {
            if (!out.isEmpty()) out += u' ';
            out += Text(tokens_[static_cast<size_t>(i)]);
        }
        return out;
    };
    // Written after the address with only blanks between: "上海市黄浦区南苏州路333号 李丽".
    if (info_.name.isEmpty() && address.size() >= 2) {
        const Token& last = tokens_[static_cast<size_t>(address.back())];
        if (last.slot == Slot::Free && last.softGap && Grade(Text(last)) != kNoName) {
            std::vector<int> rest(address.begin(), address.end() - 1);
            SplitAddress(join(rest));
            if (!info_.detail.isEmpty()) {
                info_.name = Text(last).toString();
                return;
            }
        }
    }
    SplitAddress(join(address));
    // Glued to the end of the address: "南苏州路333号李丽".
    if (info_.name.isEmpty()) {
        const QString& d = info_.detail;
        for (qsizetype n = 3; n >= 2; --n) {
            const qsizetype at = d.size() - n;
            if (at < 1 || (d[at - 1] != u'号' && d[at - 1] != u'室')) continue;
            const QStringView tail = QStringView(d).mid(at);
            if (!NameLike(tail)) continue;
            info_.name = tail.toString();
            info_.detail.chop(n);
            info_.doubts << QStringLiteral("姓名“%1”是从地址末尾分出来的").arg(info_.name);
            break;
        }
    }
}

void Recogniser::SplitAddress(const QString& address) {
    info_.province.clear();
    info_.city.clear();
    info_.district.clear();
    info_.detail.clear();
    QStringView a(address);
    qsizetype p = 0;
    const auto skipBlanks = [&] {
        while (p < a.size() && a[p] == u' ') ++p;
    };
    std::vector<RegionTable::Match> m;
    // The best match at p of the regions that pass the filter: the longest; none when the name
    // is followed by what makes it a street.
    const auto best = [&](bool shortDistricts, auto accept, std::vector<int>* all) {
        table_.MatchesAt(a.mid(p), shortDistricts, m);
        int found = -1;
        int length = 0;
        for (const auto& x : m) {
            if (x.length < length) break;
            if (StreetAfter(a, p + x.length, x.shortName)) continue;
            if (!accept(table_.at(x.region), x)) continue;
            if (found < 0) {
                found = x.region;
                length = x.length;
            }
            if (all && std::find(all->begin(), all->end(), x.region) == all->end())
                all->push_back(x.region);
        }
        return std::pair<int, int>(found, length);
    };

    skipBlanks();
    int province = -1;
    int city = -1;
    int district = -1;
    QString cityName;
    // A longer name of a lower level wins: 吉林市 is a city, 朝阳区 a district, not 朝阳 (市).
    const auto longestBelow = [&](int level) {
        return best(
                   false,
                   [&](const Region& r, auto) {
                       return r.level > level && (province < 0 || r.province == province);
                   },
                   nullptr)
            .second;
    };
    const auto [prov, provLength] = best(
        false, [](const Region& r, auto) { return r.level == 1; }, nullptr);
    if (prov >= 0 && provLength >= longestBelow(1)) {
        province = prov;
        p += provLength;
        skipBlanks();
    }
    // The city; a municipality may name itself again (上海 上海市).
    const auto [cty, ctyLength] = best(
        false,
        [&](const Region& r, const RegionTable::Match&) {
            if ((r.level != 2 && !r.directCity) || r.placeholder) return false;
            return province < 0 || r.province == province;
        },
        nullptr);
    if (cty >= 0 && ctyLength >= longestBelow(2)) {
        city = cty;
        p += ctyLength;
        skipBlanks();
    } else if (table_.IsMunicipality(province)) {
        const auto [again, againLength] = best(
            false, [&](const Region&, const RegionTable::Match& x) { return x.region == province; },
            nullptr);
        if (again >= 0) {
            p += againLength;
            skipBlanks();
        }
    }
    // The table's placeholders copied from a region picker (北京市市辖区东城区).
    const int named = province >= 0 ? province : city >= 0 ? table_.at(city).province : -1;
    for (const char16_t* placeholder :
         {u"省直辖县级行政区划", u"自治区直辖县级行政区划", u"市辖区", u"县"}) {
        const QStringView word(placeholder);
        if (named < 0 || !a.mid(p).startsWith(word)) continue;
        const qsizetype at = p;
        p += word.size();
        skipBlanks();
        // 县 may begin a street's name (县前街); it is a placeholder only before a district.
        const auto inProvince = [&](const Region& r, auto) {
            return r.level == 3 && r.province == named;
        };
        if (word.size() == 1 && best(false, inProvince, nullptr).first < 0) p = at;
        break;
    }
    // A district's short name is read below a region already found, or alone where no other
    // district has it.
    const auto districtOf = [&](const Region& r, const RegionTable::Match& x) {
        if (r.level != 3 || r.directCity) return false;
        if (city >= 0) return r.parent == city;
        if (province >= 0) return r.province == province;
        return !x.shortName || std::count_if(m.begin(), m.end(), [&](const auto& y) {
                                   return y.length == x.length;
                               }) == 1;
    };
    // A province that does not hold the city written after it: the more specific city decides
    // where its full name, or its short name before one of its districts, leaves no choice.
    if (province >= 0 && city < 0 && best(true, districtOf, nullptr).first < 0) {
        std::vector<int> cities;
        const auto [other, otherLength] = best(
            false,
            [&](const Region& r, const RegionTable::Match& x) {
                if ((r.level != 2 && !r.directCity) || r.placeholder || r.province == province)
                    return false;
                if (!x.shortName) return true;
                const qsizetype at = p;
                p += x.length;
                skipBlanks();
                const auto inCity = [&](const Region& d, auto) {
                    return d.level == 3 && d.city >= 0 && &table_.at(d.city) == &r;
                };
                // The look-up below refills the match list the one above is walking.
                std::vector<RegionTable::Match> kept;
                kept.swap(m);
                const int below = best(true, inCity, nullptr).first;
                kept.swap(m);
                p = at;
                return below >= 0;
            },
            &cities);
        if (other >= 0 && cities.size() == 1) {
            info_.doubts << QStringLiteral("“%1”与“%2”不符，按“%2”填写")
                                .arg(table_.at(province).name, table_.at(other).name);
            province = -1;
            city = other;
            p += otherLength;
            skipBlanks();
        }
    }
    const bool directCity = city >= 0 && table_.at(city).directCity;
    std::vector<int> candidates;
    if (!directCity) {
        const auto [d, dLength] = best(true, districtOf, &candidates);
        if (d < 0 && (city >= 0 || table_.IsMunicipality(province))) {
            // Shortened or miswritten (浦东区, 雨花区 in Nanjing): the one district of the city
            // whose name begins with what is written before the kind.
            qsizetype length = 0;
            while (p + length < a.size() && length < 6 && IsHan(a[p + length]) &&
                   !(length >= 2 && In(u"区县市旗", a[p + length])))
                ++length;
            if (length >= 2 && p + length < a.size() && In(u"区县市旗", a[p + length])) {
                const QStringView written = a.mid(p, length);
                std::vector<int> found;
                // A city's districts follow it in the table, a municipality's its placeholders.
                const int above = city >= 0 ? city : province;
                for (int i = above + 1;
                     i < table_.size() && table_.at(i).level > table_.at(above).level &&
                     found.size() < 2;
                     ++i) {
                    const Region& r = table_.at(i);
                    if (r.level == 3 && !r.directCity && r.name.startsWith(written))
                        found.push_back(i);
                }
                if (found.size() == 1) {
                    district = found.front();
                    p += length + 1;
                } else if (found.size() > 1) {
                    info_.doubts
                        << QStringLiteral("“%1”不知是哪个区县，没有填写").arg(a.mid(p, length + 1));
                }
            }
        }
        if (d >= 0) {
            p += dLength;
            if (candidates.size() > 1) {
                // A name several cities share: the one whose city or province the text names.
                std::vector<int> named;
                for (int c : candidates) {
                    const Region& r = table_.at(c);
                    if ((r.city >= 0 && table_.Mentions(s_, r.city)) ||
                        (province < 0 && table_.Mentions(s_, r.province)))
                        named.push_back(c);
                }
                if (named.size() == 1) {
                    district = named.front();
                } else {
                    QStringList where;
                    for (int c : candidates) {
                        const Region& r = table_.at(c);
                        where << (r.city >= 0 ? table_.at(r.city).name
                                              : table_.at(r.province).name);
                    }
                    where.removeDuplicates();
                    info_.district = table_.at(d).name;
                    info_.doubts << QStringLiteral("“%1”不止一处（%2），没有补全省市")
                                        .arg(info_.district, where.join(u'、'));
                }
            } else {
                district = d;
            }
        }
    }
    if (district >= 0) {
        const Region& r = table_.at(district);
        info_.district = r.name;
        city = r.city;
        province = r.province;
    }
    if (city >= 0) {
        const Region& r = table_.at(city);
        cityName = r.name;
        province = r.province;
    }
    if (province >= 0) {
        info_.province = table_.at(province).name;
        if (table_.IsMunicipality(province)) cityName = info_.province;
    }
    info_.city = cityName;
    skipBlanks();
    info_.detail = a.mid(p).toString().simplified();
}

ShippingInfo Recogniser::Run() {
    FindLabels();
    FindPhones();
    FindPostcode();
    Tokenise();
    ChooseAddressAndName();
    if (info_.name.isEmpty()) info_.doubts << QStringLiteral("没有找到收货人姓名");
    if (info_.mobile.isEmpty() && info_.telephone.isEmpty())
        info_.doubts << QStringLiteral("没有找到手机或电话号码");
    if (table_.empty())
        info_.doubts << QStringLiteral("没有地区表，省市区没有分开");
    else if (info_.province.isEmpty() && info_.district.isEmpty() && info_.city.isEmpty())
        info_.doubts << QStringLiteral("地址里没有找到省市区");
    if (info_.detail.isEmpty() && info_.province.isEmpty())
        info_.doubts << QStringLiteral("没有找到地址");
    info_.doubts.removeDuplicates();
    return info_;
}

}  // namespace

QString ShippingInfo::Address() const {
    QStringList parts;
    for (const QString* part : {&province, &city, &district, &detail}) {
        if (part->isEmpty()) continue;
        if (part == &city && city == province) continue;
        parts << *part;
    }
    return parts.join(u' ');
}

ShippingInfo RecogniseShippingInfo(const QString& text, const RegionTable& table) {
    if (text.size() > kMaxShippingInfoLength) {
        ShippingInfo info;
        info.doubts << QStringLiteral("文字太长（超过%1字），没有识别").arg(kMaxShippingInfoLength);
        return info;
    }
    return Recogniser(text, table).Run();
}

ShippingInfo RecogniseShippingInfo(const QString& text) {
    return RecogniseShippingInfo(text, SharedRegionTable());
}

ShippingInfo RecogniseShippingInfoGbk(std::string_view gbk) {
    // Checked before converting, so 10 MB of bytes cost no conversion.
    if (gbk.size() > static_cast<size_t>(kMaxShippingInfoLength) * 2)
        return RecogniseShippingInfo(QString(kMaxShippingInfoLength + 1, u' '));
    return RecogniseShippingInfo(GbkToQString(gbk));
}

}  // namespace tallivo
