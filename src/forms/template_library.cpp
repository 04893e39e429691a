#include "forms/template_library.h"

#include <QFile>
#include <QFileInfo>

#include "forms/form_documents.h"
#include "forms/jpeg_codec.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "storage/template_records.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TALLIVO_GBK_TEXT(FreightBillNameEmpty, u8"货运单模板名称为空，不能保存！")
TALLIVO_GBK_TEXT(FreightBillContentEmpty, u8"货运单模板内容为空，不能保存！")
TALLIVO_GBK_TEXT(InvoiceNameEmpty, u8"发货单模板名称为空，不能保存！")
TALLIVO_GBK_TEXT(InvoiceContentEmpty, u8"发货单模板内容为空，不能保存！")
TALLIVO_GBK_TEXT(NameTooLong, u8"模板名称太长，不能保存！")
TALLIVO_GBK_TEXT(NameNotAFileName, u8"模板名称不能用作文件名，不能保存！")
TALLIVO_GBK_TEXT(SameNameText, u8"有重名模板，是否覆盖？")
TALLIVO_GBK_TEXT(SameNameCaption, u8"提示：有重名模板！")
TALLIVO_GBK_TEXT(FileStream, u8"无法创建文件流，磁盘空间不够或没有写权限！")
TALLIVO_GBK_TEXT(FreightBillExchangeDamaged, u8"读取货运单模板文件有误，文件版本不对或已被破坏！")
TALLIVO_GBK_TEXT(ExportWithoutPicture, u8"该货运单模板没有背景图片，导出的模板文件不带图片！")
TALLIVO_GBK_TEXT(ExportPictureMissing, u8"无法打开背景图片文件，导出的模板文件不带图片！")
TALLIVO_GBK_TEXT(ImportWithoutPicture, u8"货运单模板文件没有带背景图片，导入的模板没有背景图片！")
TALLIVO_GBK_TEXT(ExportFreightBillTitle, u8"保存货运单模板")
TALLIVO_GBK_TEXT(ExportInvoiceTitle, u8"保存发货单模板")
TALLIVO_GBK_TEXT(ExportFreightBillFilter, u8"任意格式 (*.*)|*.*|货运单模板格式 (*.pff)|*.pff")
TALLIVO_GBK_TEXT(ExportInvoiceFilter, u8"任意格式 (*.*)|*.*|发货单模板格式 (*.pif)|*.pif")
TALLIVO_GBK_TEXT(ImportFreightBillTitle, u8"打开货运单模板文件")
TALLIVO_GBK_TEXT(ImportInvoiceTitle, u8"打开发货单模板文件")
TALLIVO_GBK_TEXT(ImportFreightBillFilter, u8"任意格式 (*.*)|*.*|货运单格式 (*.pff)|*.pff")
TALLIVO_GBK_TEXT(ImportInvoiceFilter, u8"任意格式 (*.*)|*.*|发货单格式 (*.pif)|*.pif")

}  // namespace

TemplateLibrary::TemplateLibrary(std::string programFolder, Prompter* prompter,
                                 FileChooser* chooser)
    : programFolder_(std::move(programFolder)), prompter_(prompter), chooser_(chooser) {}

void TemplateLibrary::Show(const std::string& gbk) {
    if (prompter_ && !gbk.empty()) prompter_->ShowMessage(gbk);
}

void TemplateLibrary::SetEditText(FormKind form, const std::string& text) {
    TemplateList& list = lists_[form];
    if (list.editText == text) return;
    list.editText = text;
    observer_->TemplatesChanged(form);
}

void TemplateLibrary::Select(FormKind form, int index) {
    TemplateList& list = lists_[form];
    if (index < -1 || index >= static_cast<int>(list.items.size())) index = -1;
    list.selected = index;
    if (index >= 0) list.editText = list.items[static_cast<std::size_t>(index)].name;
    observer_->TemplateSelected(form, index);
}

bool TemplateLibrary::SelectNamed(FormKind form, const std::string& gbkName) {
    const TemplateList& list = lists_[form];
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        if (list.items[i].name == gbkName) {
            Select(form, static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void TemplateLibrary::Add(FormKind form, TemplateEntry entry) {
    lists_[form].items.push_back(std::move(entry));
    observer_->TemplatesChanged(form);
}

void TemplateLibrary::Remove(FormKind form, int index) {
    TemplateList& list = lists_[form];
    list.items.erase(list.items.begin() + index);
    if (list.selected == index) {
        list.selected = -1;
    } else if (list.selected > index) {
        --list.selected;
    }
    if (form == FormKind::kFreightBill) pictures_.Clear();
    observer_->TemplatesChanged(form);
}

StorageResult TemplateLibrary::Load(FormKind form) {
    TemplateStoreLoad load = form == FormKind::kFreightBill
                                 ? LoadFreightBillTemplates(programFolder_)
                                 : LoadInvoiceTemplates(programFolder_);
    TemplateList& list = lists_[form];
    list.items = std::move(load.templates);
    if (list.selected >= static_cast<int>(list.items.size())) list.selected = -1;
    if (form == FormKind::kFreightBill) pictures_.Clear();
    observer_->TemplatesChanged(form);
    return StorageResult{load.ok, std::move(load.message)};
}

bool TemplateLibrary::Save(FormKind form) {
    const StorageResult result = form == FormKind::kFreightBill
                                     ? SaveFreightBillTemplates(programFolder_, lists_[form].items)
                                     : SaveInvoiceTemplates(programFolder_, lists_[form].items);
    if (!result.ok) Show(result.message.empty() ? FileStream() : MessageWithReason(result));
    return result.ok;
}

void TemplateLibrary::DeleteBackgroundFile(const std::string& gbkFileName) {
    const std::optional<std::string> path = BackgroundImagePath(programFolder_, gbkFileName);
    if (!path) return;
    const QString file = QString::fromStdString(*path);
    if (QFileInfo(file).isFile()) QFile::remove(file);
}

bool TemplateLibrary::Delete(FormKind form, int index) {
    const TemplateList& list = lists_[form];
    if (index < 0 || index >= static_cast<int>(list.items.size())) return false;
    if (form == FormKind::kFreightBill) {
        const std::optional<std::string> image =
            FreightBillRecordImageName(list.items[static_cast<std::size_t>(index)].record);
        if (!image) {
            Show(FreightBillReadErrorMessage());
            return false;
        }
        if (!image->empty()) DeleteBackgroundFile(*image);
    }
    Remove(form, index);
    return true;
}

bool TemplateLibrary::ConfirmOverwrite(const TemplateList& list, const std::string& name,
                                       std::vector<int>* same) {
    for (int i = 0; i < static_cast<int>(list.items.size()); ++i) {
        if (list.items[static_cast<std::size_t>(i)].name != name) continue;
        if (!prompter_ || !prompter_->AskYesNo(SameNameCaption(), SameNameText())) return false;
        same->push_back(i);
    }
    return true;
}

void TemplateLibrary::SaveFreightBillTemplate(FreightBillForm& form) {
    constexpr FormKind kind = FormKind::kFreightBill;
    const TemplateList& list = lists_[kind];
    const std::string name = list.editText;
    if (name.empty()) return Show(FreightBillNameEmpty());
    if (name.size() > kMaxTemplateNameBytes) return Show(NameTooLong());
    const std::string imageName = name + ".jpg";
    if (!IsSafeFileName(name) || !BackgroundImagePath(programFolder_, imageName)) {
        return Show(NameNotAFileName());
    }
    if (form.boxes.empty()) return Show(FreightBillContentEmpty());
    std::vector<int> same;
    if (!ConfirmOverwrite(list, name, &same)) return;

    // The picture goes to disk before any old template is touched: a failure leaves all as it
    // was. Without a picture the template names none.
    const bool withImage = !form.background.isNull();
    if (withImage) {
        std::string jpeg;
        const JpegResult encoded = EncodeJpeg(form.background, &jpeg);
        if (!encoded.ok) return Show(OutOfMemoryMessage());
        if (!EnsureFolder(BackgroundImageFolder(programFolder_)) ||
            !WriteFileReplacing(*BackgroundImagePath(programFolder_, imageName), jpeg)) {
            return Show(FileStream());
        }
    }
    for (auto it = same.rbegin(); it != same.rend(); ++it) {
        const std::optional<std::string> old =
            FreightBillRecordImageName(list.items[static_cast<std::size_t>(*it)].record);
        if (!old) {
            Show(FreightBillReadErrorMessage());
            continue;
        }
        if (!old->empty() && !(withImage && *old == imageName)) DeleteBackgroundFile(*old);
        Remove(kind, *it);
    }
    SetEditText(kind, name);
    std::string record;
    WriteFreightBillRecord(record, form, withImage ? imageName : std::string());
    // Documents saved from now on reopen over the picture just written.
    form.backgroundName = withImage ? imageName : std::string();
    pictures_.Clear();
    Add(kind, {name, std::move(record)});
    Save(kind);
}

void TemplateLibrary::SaveInvoiceTemplate(const InvoiceForm& form) {
    constexpr FormKind kind = FormKind::kInvoice;
    const std::string name = lists_[kind].editText;
    if (name.empty()) return Show(InvoiceNameEmpty());
    if (form.Body().PlainText().empty()) return Show(InvoiceContentEmpty());
    if (name.size() > kMaxTemplateNameBytes) return Show(NameTooLong());
    std::vector<int> same;
    if (!ConfirmOverwrite(lists_[kind], name, &same)) return;
    for (auto it = same.rbegin(); it != same.rend(); ++it) Remove(kind, *it);
    SetEditText(kind, name);
    std::string record;
    WriteInvoiceRecord(record, form);
    Add(kind, {name, std::move(record)});
    Save(kind);
}

void TemplateLibrary::Export(FormKind form) {
    const bool freight = form == FormKind::kFreightBill;
    const std::string folder = DocumentFolder(programFolder_, form);
    EnsureFolder(folder);
    const TemplateEntry* entry = lists_[form].Selected();
    FileChooser::Request request;
    request.save = true;
    request.title = freight ? ExportFreightBillTitle() : ExportInvoiceTitle();
    request.filter = freight ? ExportFreightBillFilter() : ExportInvoiceFilter();
    request.initialFolder = folder;
    request.fileName = entry ? GbkToUtf8(entry->name) : std::string();
    if (!chooser_) return;
    const std::optional<std::string> chosen = chooser_->Choose(request);
    if (!chosen) return;
    const std::string path =
        WithExtension(*chosen, freight ? kFreightBillExchangeExt : kInvoiceExchangeExt);
    if (!entry) return;

    std::string bytes;
    if (freight) {
        // The picture the template names travels with it, whatever the tab shows now.
        bytes =
            FormatFreightBillExchangeFile(entry->name, entry->record, ExportPicture(entry->record));
    } else {
        bytes = FormatInvoiceExchangeFile(entry->name, entry->record);
    }
    Show(MessageWithReason(WriteDocumentFile(path, bytes)));
}

std::string TemplateLibrary::ExportPicture(const std::string& record) {
    const std::optional<std::string> name = FreightBillRecordImageName(record);
    if (!name) {
        Show(FreightBillReadErrorMessage());
        return std::string();
    }
    if (name->empty()) {
        Show(ExportWithoutPicture());
        return std::string();
    }
    const std::optional<std::string> path = BackgroundImagePath(programFolder_, *name);
    std::optional<std::string> jpeg;
    if (path) jpeg = ReadWholeFile(*path, static_cast<std::size_t>(kMaxPictureFileBytes));
    QImage check;
    if (!jpeg || jpeg->empty() || !DecodeJpeg(*jpeg, &check).ok) {
        Show(ExportPictureMissing());
        return std::string();
    }
    return std::move(*jpeg);
}

void TemplateLibrary::Import(FormKind form) {
    const bool freight = form == FormKind::kFreightBill;
    FileChooser::Request request;
    request.title = freight ? ImportFreightBillTitle() : ImportInvoiceTitle();
    request.filter = freight ? ImportFreightBillFilter() : ImportInvoiceFilter();
    request.initialFolder = DocumentFolder(programFolder_, form);
    request.fileName = lastImportName_;
    if (!chooser_) return;
    const std::optional<std::string> path = chooser_->Choose(request);
    if (!path) return;
    lastImportName_ = *path;
    ImportFile(form, *path);
}

void TemplateLibrary::ImportFile(FormKind form, const std::string& path) {
    const bool freight = form == FormKind::kFreightBill;
    const TemplateList& list = lists_[form];
    const ExchangeFileRead read = ReadExchangeFile(form, path);
    if (!read.versionOk || !read.name) return Show(read.message);
    const std::string& name = *read.name;
    // The name becomes the picture's file name: one that would leave the image folder is
    // taken as damage.
    if (freight && (!IsSafeFileName(name) || !BackgroundImagePath(programFolder_, name + ".jpg"))) {
        return Show(FreightBillExchangeDamaged());
    }
    // A damaged record is reported before the duplicate-name question: that answer is wasted.
    if (!read.record) return Show(read.message);
    std::vector<int> same;
    if (!ConfirmOverwrite(list, name, &same)) return;

    for (auto it = same.rbegin(); it != same.rend(); ++it) {
        if (freight) {
            const std::optional<std::string> old =
                FreightBillRecordImageName(list.items[static_cast<std::size_t>(*it)].record);
            if (!old) {
                Show(FreightBillReadErrorMessage());
                continue;
            }
            if (!old->empty()) DeleteBackgroundFile(*old);
        }
        Remove(form, *it);
    }
    Add(form, {name, *read.record});
    Save(form);
    if (!freight) return;

    if (!read.image) return Show(read.message);
    if (read.image->empty()) {
        const std::optional<std::string> named = FreightBillRecordImageName(*read.record);
        if (named && !named->empty()) Show(ImportWithoutPicture());
        return;
    }
    QImage decoded;
    const JpegResult checked = DecodeJpeg(*read.image, &decoded);
    if (!checked.ok) return Show(checked.message);
    if (!EnsureFolder(BackgroundImageFolder(programFolder_)) ||
        !WriteFileReplacing(*BackgroundImagePath(programFolder_, name + ".jpg"), *read.image)) {
        Show(FileStream());
    }
}

}  // namespace tallivo
