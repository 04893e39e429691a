// Template stores and the records inside them, as a damaged or hostile file gives them.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/template_records.h"
#include "storage/template_store.h"

using namespace tallivo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (FormKind kind : {FormKind::kFreightBill, FormKind::kInvoice}) {
        TemplateStoreLoad load = ParseTemplateStore(kind, bytes);
        if (!load.ok && load.message.empty()) std::abort();
        for (const TemplateEntry& entry : load.templates) {
            if (kind == FormKind::kFreightBill) {
                FreightBillRecordRead read = ReadFreightBillRecord(entry.record);
                if (read.ok != read.message.empty()) std::abort();
                FreightBillRecordImageName(entry.record);
            } else {
                InvoiceRecordRead read = ReadInvoiceRecord(std::string_view(entry.record));
                if (read.ok != read.message.empty()) std::abort();
            }
        }
        // What we loaded must write back and load again to the same list.
        TemplateStoreLoad again = ParseTemplateStore(kind, FormatTemplateStore(load.templates));
        if (!again.ok || again.templates.size() != load.templates.size()) std::abort();
        for (std::size_t i = 0; i < load.templates.size(); ++i) {
            if (again.templates[i].name != load.templates[i].name ||
                again.templates[i].record != load.templates[i].record) {
                std::abort();
            }
        }
    }
    return 0;
}
