// Freight-bill and invoice documents opened from any file.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/document_files.h"

using namespace tallivo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    FreightBillRecordRead bill = ParseFreightBillDocument(bytes);
    if (bill.ok != bill.message.empty()) std::abort();
    if (bill.ok) {
        // A complete record rewrites to one that reads back the same.
        FreightBillRecord record;
        record.backgroundImage = bill.backgroundImage.value_or("");
        record.printWidth = *bill.printWidth;
        record.biasX = *bill.biasX;
        record.biasY = *bill.biasY;
        record.boxes = bill.boxes;
        FreightBillRecordRead again = ParseFreightBillDocument(FormatFreightBillDocument(record));
        if (!again.ok || again.boxes.size() != bill.boxes.size()) std::abort();
    }

    InvoiceDocumentRead invoice = ParseInvoiceDocument(bytes);
    if (invoice.ok != invoice.message.empty()) std::abort();
    if (invoice.rowCount && *invoice.rowCount < kMinInvoiceGridRows) std::abort();
    if (invoice.rowCount && invoice.cells.size() > std::size_t(*invoice.rowCount - 1) * 7) {
        std::abort();
    }
    if (invoice.ok && invoice.rowCount &&
        invoice.cells.size() != std::size_t(*invoice.rowCount - 1) * 7) {
        std::abort();
    }
    return 0;
}
