// One printed form as the print history keeps it. Texts are GBK, as everywhere else.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>
#include <vector>

#include "text/form_kind.h"

namespace tallivo {

// The numbers the history stores for the forms, in its files and its server locks alike.
constexpr int HistoryFormNumber(FormKind form) {
    return form == FormKind::kInvoice ? 2 : 1;
}
constexpr FormKind FormOfHistoryNumber(int number) {
    return number == 2 ? FormKind::kInvoice : FormKind::kFreightBill;
}

struct HistoryRecord {
    std::int64_t id = 0;  // given by the history when written; 0 before
    FormKind form = FormKind::kFreightBill;
    // Trade numbers of the goods rows, in row order, each once.
    std::vector<std::string> tradeNumbers;
    std::string buyer;
    std::string consignee;
    std::string address;
    std::string mobile;
    std::string telephone;  // the fixed telephone
    std::string templateName;
    std::int64_t sequenceNumber = 0;
    std::string printer;
    int copies = 1;
    // Local time, to the second.
    QDateTime time;
    std::string host;  // the PC that printed; empty for prints recorded before it was kept
    // Made on the PC when first written, so that a record sent twice is kept once.
    std::string uid;
};

// This PC's name as records keep it: TALLIVO_HOST_NAME when set, else the machine's host name.
std::string LocalHostName();
// A new record id, unique across PCs.
std::string NewRecordUid();

// A telephone kept before mobile and fixed telephone had columns of their own ("mobile fixed"):
// the part before the first blank is the mobile, the rest the fixed telephone.
void SplitJoinedTelephone(const std::string& joined, std::string* mobile, std::string* fixed);

// Both telephones for one column of a list: the mobile, a blank, the fixed telephone.
std::string ShownTelephone(const HistoryRecord& record);

// "freight-bill" / "invoice", the names the command line uses.
const char* HistoryFormName(FormKind form);
// "货运单" / "发货单", GBK.
const std::string& HistoryFormCaption(FormKind form);

// "YYYY-MM-DD hh:mm:ss", the form times are stored and shown in.
QString HistoryTimeText(const QDateTime& time);

}  // namespace tallivo
