#include "storage/template_records.h"

#include "text/gbk_codec.h"

namespace tallivo {

const std::string& FreightBillReadErrorMessage() {
    static const std::string text = Gbk(u8"读取货运单文件有误，文件版本不对或已被破坏！");
    return text;
}

const std::string& InvoiceReadErrorMessage() {
    static const std::string text = Gbk(u8"读取发货单文件有误，文件版本不对或已被破坏！");
    return text;
}

void AppendFreightBillRecord(std::string& out, const FreightBillRecord& record) {
    AppendCountedString(out, record.backgroundImage);
    AppendNumberField(out, record.printWidth);
    AppendNumberField(out, record.biasX);
    AppendNumberField(out, record.biasY);
    AppendNumberField(out, static_cast<std::int32_t>(record.boxes.size()));
    out.push_back('\n');
    for (const FieldBoxRecord& box : record.boxes) {
        AppendNumberField(out, box.left);
        AppendNumberField(out, box.top);
        AppendNumberField(out, box.height);
        AppendNumberField(out, box.width);
        AppendCountedString(out, box.rtf);
        out.push_back('\n');
    }
}

void AppendInvoiceRecord(std::string& out, const InvoiceRecord& record) {
    AppendNumberField(out, record.printWidth);
    AppendCountedString(out, record.bodyRtf);
}

namespace {

// Reads the record step by step, filling `result`; false at the first damage.
bool ReadFreightBillFields(ByteReader& in, FreightBillRecordRead& result) {
    std::int32_t length;
    if (!in.ReadNumber(&length)) return false;
    if (length > 0) {
        std::string_view name;
        if (!in.ReadBytes(length, &name)) return false;
        result.backgroundImage.emplace(name);
    }
    std::int32_t value;
    if (!in.ReadNumber(&value)) return false;
    result.printWidth = value;
    if (!in.ReadNumber(&value)) return false;
    result.biasX = value;
    if (!in.ReadNumber(&value)) return false;
    result.biasY = value;

    std::int32_t count;
    unsigned char separator;
    if (!in.ReadNumber(&count) || !in.ReadByte(&separator) || separator != '\n') return false;
    // A damaged count cannot run away: every entry needs at least 56 bytes, and the reads fail
    // at the end of the data.
    for (std::int32_t i = 0; i < count; ++i) {
        FieldBoxRecord box;
        std::int32_t content_length;
        if (!in.ReadNumber(&box.left) || !in.ReadNumber(&box.top) || !in.ReadNumber(&box.height) ||
            !in.ReadNumber(&box.width) || !in.ReadNumber(&content_length)) {
            return false;
        }
        if (content_length > 0) {
            std::string_view rtf;
            if (!in.ReadBytes(content_length, &rtf)) return false;
            box.rtf.assign(rtf);
            result.boxes.push_back(std::move(box));
        }
        if (!in.ReadByte(&separator) || separator != '\n') return false;
    }
    return true;
}

}  // namespace

FreightBillRecordRead ReadFreightBillRecord(std::string_view bytes) {
    FreightBillRecordRead result;
    ByteReader in(bytes);
    result.ok = ReadFreightBillFields(in, result);
    if (!result.ok) result.message = FreightBillReadErrorMessage();
    return result;
}

InvoiceRecordRead ReadInvoiceRecord(ByteReader& in) {
    InvoiceRecordRead result;
    std::int32_t width;
    std::int32_t length;
    result.ok = false;
    if (in.ReadNumber(&width)) {
        result.printWidth = width;
        if (in.ReadNumber(&length)) {
            if (length <= 0) {
                result.ok = true;
            } else {
                std::string_view body;
                if (in.ReadBytes(length, &body)) {
                    result.bodyRtf.emplace(body);
                    result.ok = true;
                }
            }
        }
    }
    if (!result.ok) result.message = InvoiceReadErrorMessage();
    return result;
}

InvoiceRecordRead ReadInvoiceRecord(std::string_view bytes) {
    ByteReader in(bytes);
    return ReadInvoiceRecord(in);
}

std::optional<std::string> FreightBillRecordImageName(std::string_view record) {
    ByteReader in(record);
    std::int32_t length;
    if (!in.ReadNumber(&length)) return std::nullopt;
    if (length <= 0) return std::string();
    std::string_view name;
    // A name cut short names no file worth deleting.
    if (!in.ReadBytes(length, &name)) return std::string();
    return std::string(name);
}

}  // namespace tallivo
