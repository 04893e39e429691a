#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "storage/storage_result.h"
#include "storage/template_store.h"

namespace tallivo {

// ".pff": version line, name, record, JPEG image. ".pif": the same without the image.
std::string FormatFreightBillExchangeFile(std::string_view name, std::string_view record,
                                          std::string_view jpeg);
std::string FormatInvoiceExchangeFile(std::string_view name, std::string_view record);

// An exchange file read as far as it goes. The importer acts stage by stage: a wrong version
// line stops it (message), a missing name stops it, then comes the same-name question, then a
// missing record stops it, then the template is added, then a missing image (freight bill only)
// leaves the template without its image file. message is that of the first failure.
struct ExchangeFileRead : StorageResult {
    bool versionOk = false;
    std::optional<std::string> name;    // length > 0 and all bytes there
    std::optional<std::string> record;  // length > 0 and all bytes there
    std::optional<std::string> image;   // freight bill only; may be empty
};

// `path` is the chosen file's UTF-8 path, as the version message shows it.
ExchangeFileRead ParseExchangeFile(FormKind kind, std::string_view bytes, const std::string& path);
// Reads the file too; a file that cannot be opened gives the document opening message.
ExchangeFileRead ReadExchangeFile(FormKind kind, const std::string& path);

}  // namespace tallivo
