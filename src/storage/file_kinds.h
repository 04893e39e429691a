#pragma once

#include <string>
#include <string_view>

#include "text/form_kind.h"

namespace tallivo {

// The names of the files the program writes, kept in one place. Extensions are lower case, as
// they are appended; a name already ending in the upper-case form keeps it (WithExtension).

// Documents: one filled form each.
inline constexpr std::string_view kFreightBillDocumentExt = ".pfb";
inline constexpr std::string_view kInvoiceDocumentExt = ".pin";
// Exchange files: one template each, for another installation.
inline constexpr std::string_view kFreightBillExchangeExt = ".pff";
inline constexpr std::string_view kInvoiceExchangeExt = ".pif";

// Beside the program.
inline constexpr std::string_view kFreightBillStoreFileName = "FreightBillTemplate.pft";
inline constexpr std::string_view kInvoiceStoreFileName = "InvoiceTemplate.pit";
inline constexpr std::string_view kConfigFileName = "Config.pcf";
inline constexpr std::string_view kBackgroundImageFolderName = "FreightBillBGImages";

// What a file named from outside (the file manager, a second start) holds, by its extension in
// any case.
struct NamedFile {
    enum What { kOther, kDocument, kExchangeFile, kOrderExport /* .csv, .xlsx */ } what = kOther;
    FormKind form = FormKind::kInvoice;  // of a document or exchange file
};
NamedFile KindOfNamedFile(std::string_view path);
// The extension after the last dot of the last name, lower case, dot included; empty when none.
std::string LowerExtension(std::string_view path);

}  // namespace tallivo
