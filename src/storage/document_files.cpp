#include "storage/document_files.h"

#include <algorithm>
#include <new>

#include "storage/byte_codec.h"
#include "storage/file_io.h"
#include "text/gbk_codec.h"

namespace tallivo {

const std::string& FileStreamMessage() {
    static const std::string text = Gbk(u8"无法创建文件流，磁盘空间不够或没有写权限！");
    return text;
}

std::string FormatFreightBillDocument(const FreightBillRecord& record) {
    std::string out;
    AppendFreightBillRecord(out, record);
    return out;
}

std::string FormatInvoiceDocument(const InvoiceRecord& record, const InvoiceGridCells& grid) {
    std::string out;
    AppendInvoiceRecord(out, record);
    bool row1_filled = (grid.cells.size() > 0 && !grid.cells[0].empty()) ||
                       (grid.cells.size() > 1 && !grid.cells[1].empty());
    if (!row1_filled) return out;
    AppendNumberField(out, grid.rowCount);
    // Exactly the cells the row count announces: missing ones go out empty.
    std::size_t stored =
        grid.rowCount > 1 ? static_cast<std::size_t>(grid.rowCount - 1) * kInvoiceGridColumns : 0;
    for (std::size_t i = 0; i < stored; ++i) {
        AppendCountedString(
            out, i < grid.cells.size() ? std::string_view(grid.cells[i]) : std::string_view());
    }
    return out;
}

FreightBillRecordRead ParseFreightBillDocument(std::string_view bytes) {
    return ReadFreightBillRecord(bytes);
}

InvoiceDocumentRead ParseInvoiceDocument(std::string_view bytes) {
    InvoiceDocumentRead result;
    ByteReader in(bytes);
    result.record = ReadInvoiceRecord(in);
    if (!result.record.ok) {
        result.ok = false;
        result.message = result.record.message;
        return result;
    }
    result.ok = true;
    if (in.AtEnd()) return result;

    std::int32_t rows;
    bool ok = in.ReadNumber(&rows);
    // No grid is ever written without a goods row: two rows would put a goods row's cells into
    // the total row.
    if (ok && rows < kMinInvoiceGridRows) ok = false;
    if (ok) {
        // Every stored cell takes at least a number field. A row count beyond what the rest of
        // the file can hold is damage, not a size to allocate: the grid gets only the rows the
        // remaining bytes could fill, so a file cut short still shows the cells before the cut.
        const std::size_t readable = in.Remaining() / kNumberFieldSize;
        const std::size_t room =
            std::max<std::size_t>(kMinInvoiceGridRows, 2 + readable / kInvoiceGridColumns);
        const bool fits = static_cast<std::size_t>(rows) <= room;
        if (!fits) rows = static_cast<std::int32_t>(room);
        result.rowCount = rows;
        std::size_t cell_count = static_cast<std::size_t>(rows - 1) * kInvoiceGridColumns;
        result.cells.reserve(std::min(cell_count, readable));
        for (std::size_t i = 0; i < cell_count && ok; ++i) {
            std::int32_t length;
            std::string_view text;
            ok = in.ReadNumber(&length);
            if (ok && length > 0) ok = in.ReadBytes(length, &text);
            if (ok) result.cells.emplace_back(text);
        }
        ok = ok && fits;
    }
    if (!ok) {
        result.ok = false;
        result.message = InvoiceReadErrorMessage();
    }
    return result;
}

DocumentBytes ReadDocumentFile(const std::string& path) {
    DocumentBytes result;
    try {
        std::optional<std::string> bytes = ReadWholeFile(path);
        result.ok = bytes.has_value();
        if (result.ok) {
            result.bytes = std::move(*bytes);
        } else {
            result.message = FileStreamMessage();
        }
    } catch (const std::bad_alloc&) {
        result.ok = false;
        result.message = OutOfMemoryMessage();
    }
    return result;
}

DocumentRead ReadDocument(FormKind form, const std::string& path) {
    DocumentRead result;
    const DocumentBytes file = ReadDocumentFile(path);
    result.fileRead = file.ok;
    if (!file.ok) {
        result.message = file.message;
        return result;
    }
    try {
        if (form == FormKind::kFreightBill) {
            result.freightBill = ReadFreightBillRecord(file.bytes);
            result.ok = result.freightBill.ok;
            result.message = result.freightBill.message;
        } else {
            result.invoice = ParseInvoiceDocument(file.bytes);
            result.ok = result.invoice.ok;
            result.message = result.invoice.message;
        }
    } catch (const std::bad_alloc&) {
        result = DocumentRead();
        result.message = OutOfMemoryMessage();
    }
    return result;
}

StorageResult WriteDocumentFile(const std::string& path, std::string_view bytes) {
    const WriteResult written = WriteFileReplacing(path, bytes);
    StorageResult result;
    result.ok = written.ok;
    result.failure = written.failure;
    if (!result.ok) result.message = FileStreamMessage();
    return result;
}

std::string FreightBillDocumentFolder(const std::string& program_folder) {
    return JoinPath(program_folder, u8"货运单文件");
}

std::string InvoiceDocumentFolder(const std::string& program_folder) {
    return JoinPath(program_folder, u8"发货单文件");
}

}  // namespace tallivo
