#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/storage_result.h"
#include "text/form_kind.h"

namespace tallivo {

// One template of a list: its GBK name and its record bytes exactly as stored.
struct TemplateEntry {
    std::string name;
    std::string record;
};

// ok is true when the store was read to its end. The list holds what was read before any
// damage, in store order, and is kept even when ok is false.
struct TemplateStoreLoad : StorageResult {
    std::vector<TemplateEntry> templates;
};

// "FreightBillTemplate.pft" / "InvoiceTemplate.pit".
const char* TemplateStoreFileName(FormKind kind);

// Store bytes in and out, without touching the disk.
TemplateStoreLoad ParseTemplateStore(FormKind kind, std::string_view bytes);
std::string FormatTemplateStore(const std::vector<TemplateEntry>& templates);

// A store at any path; a file that cannot be opened gives the store's own message, which names
// the store's usual file name.
TemplateStoreLoad LoadTemplateStoreFile(FormKind kind, const std::string& path);

// The stores in the program folder.
TemplateStoreLoad LoadFreightBillTemplates(const std::string& program_folder);
TemplateStoreLoad LoadInvoiceTemplates(const std::string& program_folder);
// Replaces the store as a whole; on failure the old store stays and a message is returned.
StorageResult SaveFreightBillTemplates(const std::string& program_folder,
                                       const std::vector<TemplateEntry>& templates);
StorageResult SaveInvoiceTemplates(const std::string& program_folder,
                                   const std::vector<TemplateEntry>& templates);

}  // namespace tallivo
