#include "forms/template_source.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"

namespace tallivo {
namespace {

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// Messages name the file by its full path, as the open dialog hands it over.
std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

}  // namespace

bool IsTemplateFileName(const std::string& path) {
    const std::string ext = LowerExtension(path);
    return ext == kFreightBillExchangeExt || ext == kInvoiceExchangeExt ||
           ext == kFreightBillDocumentExt || ext == kInvoiceDocumentExt;
}

TemplateSourceRead ReadTemplateSource(FormKind kind, const std::string& path) {
    TemplateSourceRead result;
    const bool freight = kind == FormKind::kFreightBill;
    const std::string ext = LowerExtension(path);
    const bool exchange = ext == kFreightBillExchangeExt || ext == kInvoiceExchangeExt;
    if (freight ? (ext != kFreightBillExchangeExt && ext != kFreightBillDocumentExt)
                : (ext != kInvoiceExchangeExt && ext != kInvoiceDocumentExt)) {
        result.wrongForm = true;
        return result;
    }
    if (exchange) {
        ExchangeFileRead read = ReadExchangeFile(kind, FullPath(path));
        result.message = read.message;
        if (!read.versionOk || !read.name || !read.record) return result;
        result.ok = read.ok;
        result.source = TemplateSource{std::move(*read.record), std::move(read.image), false};
        return result;
    }
    DocumentBytes doc = ReadDocumentFile(path);
    result.message = doc.message;
    if (!doc.ok) return result;
    result.ok = true;
    result.source = TemplateSource{std::move(doc.bytes), std::nullopt, !freight};
    return result;
}

}  // namespace tallivo
