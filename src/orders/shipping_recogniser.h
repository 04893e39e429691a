#pragma once

#include <QString>
#include <QStringList>
#include <string_view>

#include "orders/region_table.h"

namespace tallivo {

// What the recogniser found in free-form shipping info. A field it could not find is empty;
// nothing is made up, but a missing province or city is completed from a district or city the
// text names when the table leaves only one choice.
struct ShippingInfo {
    QString name;
    QString mobile;     // 11 digits
    QString telephone;  // area code, dash, number (and dash, extension)
    QString postcode;   // 6 digits
    QString province;
    QString city;  // a municipality's own name for 北京, 上海, 天津 and 重庆
    QString district;
    QString detail;  // the rest of the address
    // Short Chinese texts on what is missing or uncertain, for the window to show.
    QStringList doubts;

    // The address as the order pages write it: province, city, district and the rest with one
    // blank between them (a municipality's name once).
    QString Address() const;
};

// Texts longer than this are not looked at: shipping info is a few lines.
constexpr qsizetype kMaxShippingInfoLength = 4000;

ShippingInfo RecogniseShippingInfo(const QString& text, const RegionTable& table);
// With the process-wide table.
ShippingInfo RecogniseShippingInfo(const QString& text);
// The program's own text, GBK bytes, with the process-wide table.
ShippingInfo RecogniseShippingInfoGbk(std::string_view gbk);

}  // namespace tallivo
