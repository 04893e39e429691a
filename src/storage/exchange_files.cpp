#include "storage/exchange_files.h"

#include <new>

#include "storage/byte_codec.h"
#include "storage/document_files.h"
#include "storage/file_io.h"
#include "storage/template_records.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

std::string VersionMessage(FormKind kind, const std::string& path) {
    static const std::string freight_bill = Gbk(u8"货运单模板文件");
    static const std::string invoice = Gbk(u8"发货单模板文件");
    static const std::string ending = Gbk(u8"版本有误，无法读取！");
    return (kind == FormKind::kFreightBill ? freight_bill : invoice) + Utf8ToGbk(path) + ending;
}

const std::string& ReadingMessage(FormKind kind) {
    static const std::string freight_bill =
        Gbk(u8"读取货运单模板文件有误，文件版本不对或已被破坏！");
    return kind == FormKind::kFreightBill ? freight_bill : InvoiceReadErrorMessage();
}

// A counted string of length > 0 whose bytes are all there.
bool ReadPart(ByteReader& in, std::optional<std::string>& part) {
    std::int32_t length;
    std::string_view bytes;
    if (!in.ReadNumber(&length) || length <= 0 || !in.ReadBytes(length, &bytes)) return false;
    part.emplace(bytes);
    return true;
}

std::string Format(std::string_view name, std::string_view record) {
    std::string out;
    AppendVersionLine(out);
    AppendCountedString(out, name);
    AppendCountedString(out, record);
    return out;
}

}  // namespace

std::string FormatFreightBillExchangeFile(std::string_view name, std::string_view record,
                                          std::string_view jpeg) {
    std::string out = Format(name, record);
    AppendCountedString(out, jpeg);
    return out;
}

std::string FormatInvoiceExchangeFile(std::string_view name, std::string_view record) {
    return Format(name, record);
}

ExchangeFileRead ParseExchangeFile(FormKind kind, std::string_view bytes, const std::string& path) {
    ExchangeFileRead result;
    ByteReader in(bytes);
    result.versionOk = in.ReadVersionLine();
    if (!result.versionOk) {
        result.message = VersionMessage(kind, path);
        return result;
    }
    if (!ReadPart(in, result.name) || !ReadPart(in, result.record)) {
        result.message = ReadingMessage(kind);
        return result;
    }
    if (kind == FormKind::kFreightBill) {
        std::int32_t length;
        std::string_view jpeg;
        if (!in.ReadNumber(&length) || !in.ReadBytes(length, &jpeg)) {
            result.message = ReadingMessage(kind);
            return result;
        }
        result.image.emplace(jpeg);
    }
    result.ok = true;
    return result;
}

ExchangeFileRead ReadExchangeFile(FormKind kind, const std::string& path) {
    try {
        std::optional<std::string> bytes = ReadWholeFile(path);
        if (!bytes) {
            ExchangeFileRead result;
            result.message = FileStreamMessage();
            return result;
        }
        return ParseExchangeFile(kind, *bytes, path);
    } catch (const std::bad_alloc&) {
        ExchangeFileRead result;
        result.message = OutOfMemoryMessage();
        return result;
    }
}

}  // namespace tallivo
