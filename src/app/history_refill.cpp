#include "app/history_refill.h"

#include "richtext/rich_text_document.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

// From the end backwards, so the positions still to do stay where they were found.
void ReplaceAll(RichTextDocument& doc, const std::string& keyword, const std::string& value) {
    std::string text = doc.PlainText();
    std::size_t at = text.rfind(keyword);
    while (at != std::string::npos) {
        doc.SetSelection(static_cast<int>(at), static_cast<int>(keyword.size()));
        doc.ReplaceSelection(value);
        if (at == 0) break;
        at = text.rfind(keyword, at - 1);
    }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> RecordKeywordValues(const HistoryRecord& r) {
    std::string mobile = r.telephone;
    std::string fixed;
    const std::size_t blank = r.telephone.find(' ');
    if (blank != std::string::npos) {
        mobile = r.telephone.substr(0, blank);
        fixed = r.telephone.substr(blank + 1);
    }
    return {{Gbk(u8"{收货人}"), r.consignee},
            {Gbk(u8"{手机}"), mobile},
            {Gbk(u8"{电话}"), fixed},
            {Gbk(u8"{收货地址}"), r.address},
            {Gbk(u8"{发货单号}"), std::to_string(r.sequenceNumber)},
            {Gbk(u8"{买家}"), r.buyer}};
}

void RefillFromRecord(FormsWorkspace& workspace, const HistoryRecord& record) {
    const auto values = RecordKeywordValues(record);
    const auto fill = [&values](RichTextDocument& doc) {
        for (const auto& [keyword, value] : values) ReplaceAll(doc, keyword, value);
    };
    if (workspace.CurrentTab() == kTabFreightBill) {
        for (const auto& box : workspace.FreightBill().boxes) fill(*box->content);
        workspace.SetFreightBillUnsaved(true);
    } else if (workspace.CurrentTab() == kTabInvoice) {
        fill(workspace.Invoice().Body());
        workspace.SetInvoiceUnsaved(true);
    }
}

}  // namespace tallivo
