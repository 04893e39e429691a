#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/storage_result.h"
#include "storage/template_records.h"
#include "text/form_kind.h"

namespace tallivo {

constexpr int kInvoiceGridColumns = 7;
// Header, one goods row and the total row.
constexpr int kMinInvoiceGridRows = 3;

// The goods grid as a document stores it: the row count (header and total row included) and
// the cells of rows 1 to rowCount - 1, row by row, seven per row.
struct InvoiceGridCells {
    std::int32_t rowCount = 0;
    std::vector<std::string> cells;
};

// ".pfb" is one freight-bill record; ".pin" is an invoice record, then the grid part, which is
// written only when row 1 has a trade number or a goods name.
std::string FormatFreightBillDocument(const FreightBillRecord& record);
std::string FormatInvoiceDocument(const InvoiceRecord& record, const InvoiceGridCells& grid);

// An invoice document read as far as it goes. On damage ok is false with the invoice reading
// message; what was read is still to be applied.
struct InvoiceDocumentRead : StorageResult {
    InvoiceRecordRead record;
    // Set when the grid part starts: set the grid to this many rows.
    std::optional<std::int32_t> rowCount;
    // Cells read, in order from row 1 column 0; fewer than (rowCount - 1) * 7 on damage.
    std::vector<std::string> cells;
};

FreightBillRecordRead ParseFreightBillDocument(std::string_view bytes);
InvoiceDocumentRead ParseInvoiceDocument(std::string_view bytes);

// The document's bytes, or ok false with the message for a file that cannot be opened.
struct DocumentBytes : StorageResult {
    std::string bytes;
};
DocumentBytes ReadDocumentFile(const std::string& path);
// A document of either form read from disk once and parsed. ok false with the message when the
// file cannot be read or is damaged; what was read before the damage is still there.
struct DocumentRead : StorageResult {
    bool fileRead = false;
    FreightBillRecordRead freightBill;  // for a freight-bill document
    InvoiceDocumentRead invoice;        // for an invoice document
};
DocumentRead ReadDocument(FormKind form, const std::string& path);
// The message of a document or exchange file that cannot be opened or written.
const std::string& FileStreamMessage();
// Replaces the file as a whole; the message when it cannot be written.
StorageResult WriteDocumentFile(const std::string& path, std::string_view bytes);

// Default folders of documents, below the program folder ("货运单文件", "发货单文件").
std::string FreightBillDocumentFolder(const std::string& program_folder);
std::string InvoiceDocumentFolder(const std::string& program_folder);

}  // namespace tallivo
