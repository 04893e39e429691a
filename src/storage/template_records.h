#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/byte_codec.h"
#include "storage/storage_result.h"

namespace tallivo {

// One field box as stored: note that the file order is left, top, height, width.
struct FieldBoxRecord {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::string rtf;
};

// The print width of both forms, in millimetres, before a template says otherwise.
constexpr std::int32_t kDefaultPrintWidth = 190;

// The state of the freight-bill tab as a template or document holds it.
struct FreightBillRecord {
    std::string backgroundImage;  // GBK file name without folder; empty for none
    std::int32_t printWidth = kDefaultPrintWidth;
    std::int32_t biasX = 0;
    std::int32_t biasY = 0;
    std::vector<FieldBoxRecord> boxes;  // in list order
};

// The invoice tab without its goods grid.
struct InvoiceRecord {
    std::int32_t printWidth = 0;
    std::string bodyRtf;
};

void AppendFreightBillRecord(std::string& out, const FreightBillRecord& record);
void AppendInvoiceRecord(std::string& out, const InvoiceRecord& record);

// What a freight-bill record yields when read from its first byte, in the order an applier
// acts on it. Everything here was read before any damage and is to be applied; on damage
// ok is false and message holds the freight-bill reading message.
struct FreightBillRecordRead : StorageResult {
    // Set when a name of length > 0 was read: load this image. Absent: leave the background.
    std::optional<std::string> backgroundImage;
    // Each is set as soon as it was read.
    std::optional<std::int32_t> printWidth;
    std::optional<std::int32_t> biasX;
    std::optional<std::int32_t> biasY;
    // Boxes to create, in order. Entries with content length <= 0 create none and are not
    // listed. A box whose closing separator is missing was already created and is listed.
    std::vector<FieldBoxRecord> boxes;
};

FreightBillRecordRead ReadFreightBillRecord(std::string_view bytes);

// Invoice record read from `reader`, which is left after the record (or where the damage was).
struct InvoiceRecordRead : StorageResult {
    std::optional<std::int32_t> printWidth;
    // Set only for a body length > 0 whose bytes were all there; absent: leave the body.
    std::optional<std::string> bodyRtf;
};

InvoiceRecordRead ReadInvoiceRecord(ByteReader& reader);
InvoiceRecordRead ReadInvoiceRecord(std::string_view bytes);

// The first field of a freight-bill record, the background image name, as template deletion
// needs it. Absent when not even the length field is there (the record is damaged).
std::optional<std::string> FreightBillRecordImageName(std::string_view record);

// Messages of a damaged freight-bill or invoice record, template, or document.
const std::string& FreightBillReadErrorMessage();
const std::string& InvoiceReadErrorMessage();

}  // namespace tallivo
