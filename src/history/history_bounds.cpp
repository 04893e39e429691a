#include "history/history_bounds.h"

#include "orders/gbk_string.h"

namespace tallivo {

QString StoredText(const std::string& gbk, int most) {
    QString text = GbkToQString(gbk);
    text.remove(QChar(0));
    if (text.size() > most) {
        int keep = most;
        if (keep > 0 && text.at(keep - 1).isHighSurrogate()) --keep;
        text.truncate(keep);
    }
    return text;
}

QString StoredTrade(const std::string& gbk) {
    return StoredText(gbk, kMostTradeChars);
}

}  // namespace tallivo
