#include "forms/form_documents.h"

#include <QFileInfo>

#include "forms/document_checks.h"
#include "storage/document_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "storage/template_records.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TALLIVO_GBK_TEXT(DocumentExistsCaption, u8"提示：文件已存在！")
TALLIVO_GBK_TEXT(OpenFreightBillTitle, u8"打开货运单文件")
TALLIVO_GBK_TEXT(OpenInvoiceTitle, u8"打开发货单文件")
TALLIVO_GBK_TEXT(SaveFreightBillTitle, u8"保存货运单文件")
TALLIVO_GBK_TEXT(SaveInvoiceTitle, u8"保存发货单文件")
TALLIVO_GBK_TEXT(FreightBillFilter, u8"任意格式 (*.*)|*.*|货运单格式 (*.pfb)|*.pfb")
TALLIVO_GBK_TEXT(InvoiceFilter, u8"任意格式 (*.*)|*.*|发货单格式 (*.pin)|*.pin")

std::string DocumentExistsText(const std::string& utf8Path) {
    const std::string name = QFileInfo(QString::fromStdString(utf8Path)).fileName().toStdString();
    return Utf8ToGbk(u8"已有文件“" + name +
                     u8"”，覆盖它吗？\n"
                     u8"选“否”不保存；按“新建”可换用下一个序号。");
}

std::string_view DocumentExtension(FormKind form) {
    return form == FormKind::kFreightBill ? kFreightBillDocumentExt : kInvoiceDocumentExt;
}

}  // namespace

std::string DocumentFolder(const std::string& programFolder, FormKind form) {
    return form == FormKind::kFreightBill ? FreightBillDocumentFolder(programFolder)
                                          : InvoiceDocumentFolder(programFolder);
}

FormDocuments::FormDocuments(std::string programFolder, Prompter* prompter, FileChooser* chooser,
                             FreightBillForm& freightBill, InvoiceForm& invoice, TradeState& trade)
    : programFolder_(std::move(programFolder)),
      prompter_(prompter),
      chooser_(chooser),
      freightBill_(freightBill),
      invoice_(invoice),
      trade_(trade) {}

void FormDocuments::Show(const std::string& gbk) const {
    if (prompter_ && !gbk.empty()) prompter_->ShowMessage(gbk);
}

std::optional<std::string> FormDocuments::ChooseToOpen(FormKind form) const {
    if (!chooser_) return std::nullopt;
    const bool freight = form == FormKind::kFreightBill;
    FileChooser::Request request;
    request.title = freight ? OpenFreightBillTitle() : OpenInvoiceTitle();
    request.filter = freight ? FreightBillFilter() : InvoiceFilter();
    request.initialFolder = DocumentFolder(programFolder_, form);
    return chooser_->Choose(request);
}

bool FormDocuments::Open(FormKind form, const DocumentRead& file, bool onlyWhole,
                         const std::function<void()>& emptied) {
    const bool freight = form == FormKind::kFreightBill;
    const auto empty = [&] {
        if (freight) {
            ClearFreightBill(freightBill_);
        } else {
            ClearInvoice(invoice_, trade_);
        }
        emptied();
    };
    // The open command empties the form first and keeps what was read before damage.
    if (!onlyWhole) empty();
    if (!file.fileRead || (onlyWhole && !file.ok)) {
        Show(file.message);
        return false;
    }
    if (onlyWhole) empty();
    if (freight)
        return ApplyFreightBillRecord(freightBill_, file.freightBill, programFolder_, prompter_);
    ApplyInvoiceDocument(invoice_, file.invoice);
    if (!file.ok) Show(file.message);
    return file.ok;
}

std::string FormDocuments::AutomaticPath(FormKind form, std::int32_t sequenceNumber) const {
    return WithExtension(
        JoinPath(DocumentFolder(programFolder_, form), std::to_string(sequenceNumber)),
        DocumentExtension(form));
}

std::optional<std::string> FormDocuments::ChooseForSaving(FormKind form,
                                                          std::int32_t sequenceNumber,
                                                          bool automatic) {
    const std::string folder = DocumentFolder(programFolder_, form);
    EnsureFolder(folder);
    std::string name = JoinPath(folder, std::to_string(sequenceNumber));
    if (!automatic) {
        const bool freight = form == FormKind::kFreightBill;
        FileChooser::Request request;
        request.save = true;
        request.title = freight ? SaveFreightBillTitle() : SaveInvoiceTitle();
        request.filter = freight ? FreightBillFilter() : InvoiceFilter();
        request.initialFolder = folder;
        request.fileName = name;
        std::optional<std::string> chosen;
        if (chooser_) chosen = chooser_->Choose(request);
        if (!chosen) return std::nullopt;
        return WithExtension(*chosen, DocumentExtension(form));
    }
    std::string path = WithExtension(name, DocumentExtension(form));
    // The number only advances on New: without this question a second order would silently
    // replace the first one's document.
    if (QFileInfo::exists(QString::fromStdString(path)) &&
        !(prompter_ && prompter_->AskYesNo(DocumentExistsCaption(), DocumentExistsText(path))))
        return std::nullopt;
    return path;
}

bool FormDocuments::Checks(FormKind form) const {
    if (form == FormKind::kFreightBill) return true;
    return CheckUnreplacedKeyword(invoice_.Body(), prompter_) &&
           CheckRepeatedTrade(invoice_.grid, prompter_);
}

bool FormDocuments::Write(FormKind form, const std::string& path) {
    std::string bytes;
    if (form == FormKind::kFreightBill) {
        // The document names the template's picture, so that it reopens over it and prints.
        WriteFreightBillRecord(bytes, freightBill_, freightBill_.backgroundName);
    } else {
        bytes = InvoiceDocumentBytes(invoice_);
    }
    const StorageResult written = WriteDocumentFile(path, bytes);
    Show(MessageWithReason(written));
    return written.ok;
}

}  // namespace tallivo
