#include "richtext/rtf.h"

namespace tallivo {

std::string WriteRtf(const QTextDocument&) {
    return "{\\rtf1\\ansi\\ansicpg936 }";
}
std::string GbkPlainText(const QTextDocument& document) {
    return document.toPlainText().toStdString();
}
std::string QStringToGbk(const QString& text) {
    return text.toStdString();
}

}  // namespace tallivo
