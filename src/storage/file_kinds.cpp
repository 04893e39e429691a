#include "storage/file_kinds.h"

namespace tallivo {

std::string LowerExtension(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string ext(path.substr(dot));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

NamedFile KindOfNamedFile(std::string_view path) {
    const std::string ext = LowerExtension(path);
    if (ext == kFreightBillDocumentExt) return {NamedFile::kDocument, FormKind::kFreightBill};
    if (ext == kInvoiceDocumentExt) return {NamedFile::kDocument, FormKind::kInvoice};
    if (ext == kFreightBillExchangeExt) return {NamedFile::kExchangeFile, FormKind::kFreightBill};
    if (ext == kInvoiceExchangeExt) return {NamedFile::kExchangeFile, FormKind::kInvoice};
    if (ext == ".csv" || ext == ".xlsx") return {NamedFile::kOrderExport};
    return {};
}

}  // namespace tallivo
