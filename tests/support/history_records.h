// Records of prints, as the history tests write them.
#pragma once

#include <QDateTime>
#include <string>
#include <utility>
#include <vector>

#include "history/history_record.h"
#include "text/gbk_codec.h"

namespace tallivo::testing {

// A print of these trade numbers at a local time "yyyy-MM-dd HH:mm:ss", with a buyer and a
// consignee in GBK as the forms hold them.
inline HistoryRecord PrintedRecord(FormKind form, std::vector<std::string> trades, const char* time,
                                   const std::string& printer = "Office") {
    HistoryRecord r;
    r.form = form;
    r.tradeNumbers = std::move(trades);
    r.buyer = Gbk(u8"买家甲");
    r.consignee = Gbk(u8"张三");
    r.printer = printer;
    r.time =
        QDateTime::fromString(QString::fromLatin1(time), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return r;
}

}  // namespace tallivo::testing
