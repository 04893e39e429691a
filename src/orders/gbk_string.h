// GBK bytes <-> QString, for every layer that has Qt; GB18030 for what GBK cannot hold.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tallivo {

QString GbkToQString(std::string_view gbk);
std::string QStringToGbk(const QString& text);

}  // namespace tallivo
