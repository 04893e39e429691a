#include "orders/consignee_split.h"

#include <QStringDecoder>
#include <QStringList>

#include "orders/gbk_string.h"

namespace tallivo {

namespace {

constexpr int kListedLeftOut = 20;

bool HasPhone(const ShippingInfo& info) {
    return !info.mobile.isEmpty() || !info.telephone.isEmpty();
}

bool HasRegion(const ShippingInfo& info) {
    return !info.province.isEmpty() || !info.city.isEmpty() || !info.district.isEmpty();
}

// A name or mobile together with an address.
bool WholeConsignee(const ShippingInfo& info) {
    return (HasPhone(info) || !info.name.isEmpty()) &&
           (HasRegion(info) || (HasPhone(info) && !info.detail.isEmpty()));
}

// Part of a consignee written over several lines.
bool ConsigneePart(const ShippingInfo& info) {
    return HasPhone(info) || HasRegion(info);
}

bool AnyConsignee(const ShippingInfo& info) {
    return HasPhone(info) || HasRegion(info) || (!info.name.isEmpty() && !info.detail.isEmpty());
}

bool Blank(const QString& line) {
    for (QChar c : line)
        if (!c.isSpace()) return false;
    return true;
}

QString Shortened(const QString& line) {
    const QString s = line.simplified();
    return s.size() > 30 ? s.left(30) + QStringLiteral("…") : s;
}

struct Block {
    int first = 0;  // index into lines
    int count = 0;
};

}  // namespace

Order OrderFromShippingInfo(ShippingInfo info, std::shared_ptr<const std::string> source,
                            int line) {
    Order order;
    const std::pair<Keyword, QString> fields[] = {{Keyword::kConsignee, info.name},
                                                  {Keyword::kMobilePhone, info.mobile},
                                                  {Keyword::kTelephone, info.telephone},
                                                  {Keyword::kAddress, info.Address()},
                                                  {Keyword::kPostCode, info.postcode}};
    for (const auto& [keyword, value] : fields)
        if (!value.isEmpty()) order.values.Set(keyword, QStringToGbk(value));
    order.values.Set(Keyword::kWebSite, QStringToGbk(QString::fromUtf8(kConsigneeSiteUtf8)));
    order.file = std::move(source);
    order.row = line;
    order.recognised = std::make_shared<const ShippingInfo>(std::move(info));
    return order;
}

ConsigneePaste ConsigneesFromText(const QString& text, const std::string& source,
                                  const RegionTable& table) {
    ConsigneePaste paste;
    if (text.size() > kMaxConsigneePasteLength) {
        paste.tooLong = true;
        return paste;
    }
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(u'\r', u'\n');
    const QStringList lines = normal.split(u'\n');
    std::vector<Block> blocks;
    for (int i = 0; i < lines.size(); ++i) {
        if (Blank(lines[i])) continue;
        if (blocks.empty() || blocks.back().first + blocks.back().count != i)
            blocks.push_back({i, 0});
        ++blocks.back().count;
    }
    const auto file = std::make_shared<const std::string>(source);
    const auto add = [&](ShippingInfo info, int line) {
        paste.orders.push_back(OrderFromShippingInfo(std::move(info), file, line + 1));
    };
    for (const Block& block : blocks) {
        std::vector<ShippingInfo> perLine;
        int whole = 0;
        bool parts = false;
        if (block.count > 1) {
            for (int i = block.first; i < block.first + block.count; ++i) {
                perLine.push_back(RecogniseShippingInfo(lines[i], table));
                const ShippingInfo& info = perLine.back();
                if (WholeConsignee(info)) {
                    ++whole;
                } else if (ConsigneePart(info)) {
                    parts = true;
                }
            }
        }
        // Many whole lines with a few partial ones among them: one consignee a line all the
        // same where the block is too long to be one, so that the list is not lost.
        qsizetype length = 0;
        for (int i = block.first; i < block.first + block.count; ++i) length += lines[i].size() + 1;
        if (whole >= 2 && (!parts || length > kMaxShippingInfoLength)) {
            paste.oneALine = true;
            for (int k = 0; k < block.count; ++k) {
                if (WholeConsignee(perLine[static_cast<size_t>(k)]))
                    add(std::move(perLine[static_cast<size_t>(k)]), block.first + k);
                else
                    paste.leftOut.emplace_back(block.first + k + 1,
                                               Shortened(lines[block.first + k]));
            }
            continue;
        }
        ShippingInfo info =
            RecogniseShippingInfo(lines.mid(block.first, block.count).join(u'\n'), table);
        if (AnyConsignee(info)) {
            add(std::move(info), block.first);
        } else {
            for (int i = block.first; i < block.first + block.count; ++i)
                paste.leftOut.emplace_back(i + 1, Shortened(lines[i]));
        }
    }
    return paste;
}

ConsigneePaste ConsigneesFromText(const QString& text, const std::string& source) {
    return ConsigneesFromText(text, source, SharedRegionTable());
}

QString ConsigneeFileText(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) return text;
    return GbkToQString(bytes);
}

QString LeftOutMessage(const ConsigneePaste& paste) {
    QStringList lines;
    for (const auto& [line, text] : paste.leftOut) {
        if (lines.size() == kListedLeftOut) {
            lines << QStringLiteral("……共%1行没有加入").arg(paste.leftOut.size());
            break;
        }
        lines << QStringLiteral("第%1行没有收货信息，没有加入：%2").arg(line).arg(text);
    }
    return lines.join(u'\n');
}

}  // namespace tallivo
