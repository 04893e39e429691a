#include "richtext/rtf.h"

namespace tallivo {

bool LooksLikeRtf(std::string_view text) {
    return text.substr(0, 5) == "{\\rtf";
}
void ReadRtf(QTextDocument& document, std::string_view rtf) {
    SetGbkPlainText(document, rtf);
}
void SetGbkPlainText(QTextDocument& document, std::string_view gbk) {
    document.setPlainText(QString::fromStdString(std::string(gbk)));
}
QString GbkToQString(std::string_view gbk) {
    return QString::fromStdString(std::string(gbk));
}

}  // namespace tallivo
