#pragma once

#include <string_view>

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

}  // namespace tallivo
