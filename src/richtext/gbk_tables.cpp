#include "richtext/gbk_tables.h"

namespace tallivo {
namespace gbk {

int ByteLength(char16_t unit) {
    return unit < 0x80 ? 1 : 2;
}
void Append(std::string& out, char16_t unit) {
    out += unit < 0x80 ? char(unit) : '?';
}
QString Decode(std::string_view gbk) {
    return QString::fromLatin1(gbk.data(), gbk.size());
}
QString DecodeLatin(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), bytes.size());
}

}  // namespace gbk
}  // namespace tallivo
