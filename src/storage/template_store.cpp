#include "storage/template_store.h"

#include <new>

#include "storage/byte_codec.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

struct StoreTexts {
    std::string cannot_open;   // "无法打开...模板文件" + name + "，需创建！"
    std::string bad_version;   // "...模板文件" + name + "版本有误，需重新创建！"
    std::string bad_contents;  // "读取...模板文件" + name + "有误，需重新创建！"
    std::string cannot_write;
};

const StoreTexts& TextsFor(FormKind kind) {
    static const StoreTexts freight_bill = {
        Gbk(u8"无法打开货运单模板文件FreightBillTemplate.pft，需创建！"),
        Gbk(u8"货运单模板文件FreightBillTemplate.pft版本有误，需重新创建！"),
        Gbk(u8"读取货运单模板文件FreightBillTemplate.pft有误，需重新创建！"),
        Gbk(u8"无法保存货运单模板文件FreightBillTemplate.pft，请检查磁盘空间和读写权限！"),
    };
    static const StoreTexts invoice = {
        Gbk(u8"无法打开发货单模板文件InvoiceTemplate.pit，需创建！"),
        Gbk(u8"发货单模板文件InvoiceTemplate.pit版本有误，需重新创建！"),
        Gbk(u8"读取发货单模板文件InvoiceTemplate.pit有误，需重新创建！"),
        Gbk(u8"无法保存发货单模板文件InvoiceTemplate.pit，请检查磁盘空间和读写权限！"),
    };
    return kind == FormKind::kFreightBill ? freight_bill : invoice;
}

TemplateStoreLoad Failed(const std::string& message) {
    TemplateStoreLoad result;
    result.ok = false;
    result.message = message;
    return result;
}

StorageResult SaveStore(FormKind kind, const std::string& program_folder,
                        const std::vector<TemplateEntry>& templates) {
    StorageResult result;
    try {
        const WriteResult written = WriteFileReplacing(
            JoinPath(program_folder, TemplateStoreFileName(kind)), FormatTemplateStore(templates));
        result.ok = written.ok;
        result.failure = written.failure;
        if (!result.ok) result.message = TextsFor(kind).cannot_write;
    } catch (const std::bad_alloc&) {
        result.ok = false;
        result.message = OutOfMemoryMessage();
    }
    return result;
}

}  // namespace

const char* TemplateStoreFileName(FormKind kind) {
    // The constants come from string literals, so they end in a NUL.
    return kind == FormKind::kFreightBill ? kFreightBillStoreFileName.data()
                                          : kInvoiceStoreFileName.data();
}

TemplateStoreLoad LoadTemplateStoreFile(FormKind kind, const std::string& path) {
    try {
        const std::optional<FileBytes> bytes = ReadFileBytes(path);
        if (!bytes) return Failed(TextsFor(kind).cannot_open);
        return ParseTemplateStore(kind, bytes->View());
    } catch (const std::bad_alloc&) {
        return Failed(OutOfMemoryMessage());
    }
}

TemplateStoreLoad ParseTemplateStore(FormKind kind, std::string_view bytes) {
    TemplateStoreLoad result;
    ByteReader in(bytes);
    if (!in.ReadVersionLine()) return Failed(TextsFor(kind).bad_version);
    while (!in.AtEnd()) {
        std::int32_t name_length;
        // A cut name-length field and a negative name length are damage; the entries read
        // so far stay.
        if (!in.ReadNumber(&name_length) || name_length < 0) {
            result.ok = false;
            result.message = TextsFor(kind).bad_contents;
            return result;
        }
        std::string_view name;
        // A name or record-length field cut off by the end of the file ends the store quietly,
        // as does a name longer than what is left.
        if (!in.ReadBytes(name_length, &name)) break;
        std::int32_t record_length;
        if (!in.ReadNumber(&record_length)) break;
        if (record_length <= 0) continue;
        std::string_view record;
        if (!in.ReadBytes(record_length, &record)) {
            // The record is cut short: keep the entries before it, but say the store is damaged.
            result.ok = false;
            result.message = TextsFor(kind).bad_contents;
            return result;
        }
        result.templates.push_back(TemplateEntry{std::string(name), std::string(record)});
    }
    result.ok = true;
    return result;
}

std::string FormatTemplateStore(const std::vector<TemplateEntry>& templates) {
    std::size_t size = kVersionLineSize;
    for (const TemplateEntry& entry : templates) {
        size += 2 * kNumberFieldSize + entry.name.size() + entry.record.size();
    }
    std::string out;
    out.reserve(size);
    AppendVersionLine(out);
    for (const TemplateEntry& entry : templates) {
        AppendCountedString(out, entry.name);
        AppendCountedString(out, entry.record);
    }
    return out;
}

TemplateStoreLoad LoadFreightBillTemplates(const std::string& program_folder) {
    return LoadTemplateStoreFile(
        FormKind::kFreightBill,
        JoinPath(program_folder, TemplateStoreFileName(FormKind::kFreightBill)));
}

TemplateStoreLoad LoadInvoiceTemplates(const std::string& program_folder) {
    return LoadTemplateStoreFile(
        FormKind::kInvoice, JoinPath(program_folder, TemplateStoreFileName(FormKind::kInvoice)));
}

StorageResult SaveFreightBillTemplates(const std::string& program_folder,
                                       const std::vector<TemplateEntry>& templates) {
    return SaveStore(FormKind::kFreightBill, program_folder, templates);
}

StorageResult SaveInvoiceTemplates(const std::string& program_folder,
                                   const std::vector<TemplateEntry>& templates) {
    return SaveStore(FormKind::kInvoice, program_folder, templates);
}

}  // namespace tallivo
