#include "history/history_record.h"

#include <QSysInfo>
#include <QUuid>

#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {

const char* HistoryFormName(FormKind form) {
    return form == FormKind::kInvoice ? "invoice" : "freight-bill";
}

const std::string& HistoryFormCaption(FormKind form) {
    static const std::string freightBill = Gbk(u8"货运单");
    static const std::string invoice = Gbk(u8"发货单");
    return form == FormKind::kInvoice ? invoice : freightBill;
}

QString HistoryTimeText(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::string ShownTelephone(const HistoryRecord& r) {
    if (r.mobile.empty() || r.telephone.empty()) return r.mobile + r.telephone;
    return r.mobile + " " + r.telephone;
}

void SplitJoinedTelephone(const std::string& joined, std::string* mobile, std::string* fixed) {
    const std::size_t blank = joined.find(' ');
    *mobile = joined.substr(0, blank);
    *fixed = blank == std::string::npos ? std::string() : joined.substr(blank + 1);
}

std::string LocalHostName() {
    const QByteArray given = qgetenv("TALLIVO_HOST_NAME");
    if (!given.isEmpty()) return QStringToGbk(given);
    return QStringToGbk(QSysInfo::machineHostName());
}

std::string NewRecordUid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

}  // namespace tallivo
