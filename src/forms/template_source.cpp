#include "forms/template_source.h"

#include <filesystem>

#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"

namespace tallivo {
namespace {

// Messages name the file by its full path, as the open dialog hands it over.
std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

}  // namespace

bool IsTemplateFileName(const std::string& path) {
    const NamedFile::What what = KindOfNamedFile(path).what;
    return what == NamedFile::kDocument || what == NamedFile::kExchangeFile;
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
