#include "forms/workspace.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <new>

#include "forms/document_checks.h"
#include "forms/jpeg_codec.h"
#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/template_records.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

#define TALLIVO_GBK_TEXT(fn, literal)                 \
    const std::string& fn() {                         \
        static const std::string text = Gbk(literal); \
        return text;                                  \
    }

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

TALLIVO_GBK_TEXT(OpenFreightBillTitle, u8"打开货运单文件")
TALLIVO_GBK_TEXT(OpenInvoiceTitle, u8"打开发货单文件")
TALLIVO_GBK_TEXT(SaveFreightBillTitle, u8"保存货运单文件")
TALLIVO_GBK_TEXT(SaveInvoiceTitle, u8"保存发货单文件")
TALLIVO_GBK_TEXT(FreightBillFilter, u8"任意格式 (*.*)|*.*|货运单格式 (*.pfb)|*.pfb")
TALLIVO_GBK_TEXT(InvoiceFilter, u8"任意格式 (*.*)|*.*|发货单格式 (*.pin)|*.pin")
TALLIVO_GBK_TEXT(ExportFreightBillTitle, u8"保存货运单模板")
TALLIVO_GBK_TEXT(ExportInvoiceTitle, u8"保存发货单模板")
TALLIVO_GBK_TEXT(ExportFreightBillFilter, u8"任意格式 (*.*)|*.*|货运单模板格式 (*.pff)|*.pff")
TALLIVO_GBK_TEXT(ExportInvoiceFilter, u8"任意格式 (*.*)|*.*|发货单模板格式 (*.pif)|*.pif")
TALLIVO_GBK_TEXT(ImportFreightBillTitle, u8"打开货运单模板文件")
TALLIVO_GBK_TEXT(ImportInvoiceTitle, u8"打开发货单模板文件")
TALLIVO_GBK_TEXT(ImportFreightBillFilter, u8"任意格式 (*.*)|*.*|货运单格式 (*.pff)|*.pff")
TALLIVO_GBK_TEXT(ImportInvoiceFilter, u8"任意格式 (*.*)|*.*|发货单格式 (*.pif)|*.pif")
TALLIVO_GBK_TEXT(PictureTitle, u8"打开背景图片")
TALLIVO_GBK_TEXT(PictureFilter,
                 u8"所有图片 (*.jpg;*.jpeg;*.bmp;*.ico;*.png)|*.jpg;*.jpeg;*.bmp;*.ico;*.png|"
                 u8"JPEG 图片 (*.jpg;*.jpeg)|*.jpg;*.jpeg|位图 (*.bmp)|*.bmp|图标 (*.ico)|*.ico|"
                 u8"PNG 图片 (*.png)|*.png")

#undef TALLIVO_GBK_TEXT

int ClampIndex(std::int32_t index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size ? index : -1;
}

}  // namespace

FormsWorkspace::FormsWorkspace(std::string programFolder, Prompter* prompter, FileChooser* chooser,
                               std::unique_ptr<RichTextDocument> invoiceBody)
    : invoice(invoiceBody ? std::move(invoiceBody) : std::make_unique<RichTextDocument>()),
      programFolder_(std::move(programFolder)),
      prompter_(prompter),
      chooser_(chooser) {
    ClearInvoice(invoice, trade);
}

void FormsWorkspace::Show(const std::string& gbk) {
    if (prompter_ && !gbk.empty()) prompter_->ShowMessage(gbk);
}

bool FormsWorkspace::Ask(const std::string& caption, const std::string& text) {
    return prompter_ && prompter_->AskYesNo(caption, text);
}

void FormsWorkspace::Guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        Show(OutOfMemoryMessage());
    }
}

TemplateList& FormsWorkspace::CurrentList() {
    return currentTab == kInvoiceTab ? invoiceTemplates : freightBillTemplates;
}

// --- start-up and configuration ------------------------------------------------------------

void FormsWorkspace::Start() {
    TemplateStoreLoad freight = LoadFreightBillTemplates(programFolder_);
    freightBillTemplates.items = std::move(freight.templates);
    Show(freight.message);
    TemplateStoreLoad invoices = LoadInvoiceTemplates(programFolder_);
    invoiceTemplates.items = std::move(invoices.templates);
    Show(invoices.message);
    LoadConfig();
    PageControlPrintChange(currentTab);
}

void FormsWorkspace::LoadConfig() {
    const ConfigLoad load = tallivo::LoadConfig(programFolder_);
    Show(load.message);
    if (!load.ok) return;
    freightBillSN = load.config.freight_bill_sn;
    invoiceSN = load.config.invoice_sn;
    sourceSite =
        load.config.source_site == 0 || load.config.source_site == 1 ? load.config.source_site : -1;
    for (auto [list, index] : {std::pair{&freightBillTemplates, load.config.default_freight_bill},
                               std::pair{&invoiceTemplates, load.config.default_invoice}}) {
        list->selected = ClampIndex(index, list->items.size());
        if (list->selected >= 0) list->editText = list->items[list->selected].name;
    }
}

bool FormsWorkspace::SaveConfig() {
    Config config;
    config.freight_bill_sn = freightBillSN;
    config.invoice_sn = invoiceSN;
    config.source_site = sourceSite;
    config.default_freight_bill = freightBillTemplates.selected;
    config.default_invoice = invoiceTemplates.selected;
    const StorageResult result = tallivo::SaveConfig(programFolder_, config);
    Show(result.message);
    return result.ok;
}

// --- selecting, deleting, saving templates -------------------------------------------------

void FormsWorkspace::PageControlPrintChange(int tab) {
    currentTab = tab;
    ComboBoxFreightBillSelect();
    ComboBoxInvoiceSelect();
}

void FormsWorkspace::ComboBoxFreightBillSelect() {
    ClearFreightBill(freightBill);
    const TemplateEntry* entry = freightBillTemplates.Selected();
    if (!entry) return;
    ApplyFreightBillRecord(freightBill, entry->record, programFolder_, prompter_);
    freightBillUnsaved = false;
}

void FormsWorkspace::ComboBoxInvoiceSelect() {
    ClearInvoice(invoice, trade);
    if (const TemplateEntry* entry = invoiceTemplates.Selected()) {
        ByteReader reader(entry->record);
        if (!ApplyInvoiceRecord(invoice, reader, prompter_)) return;
    }
    invoiceUnsaved = false;
    trade.paipaiGoodsCaptured = false;
}

void FormsWorkspace::RemoveItem(TemplateList& list, int index) {
    list.items.erase(list.items.begin() + index);
    if (list.selected == index) {
        list.selected = -1;
    } else if (list.selected > index) {
        --list.selected;
    }
}

void FormsWorkspace::DeleteBackgroundFile(const std::string& gbkFileName) {
    const std::optional<std::string> path = BackgroundImagePath(programFolder_, gbkFileName);
    if (!path) return;
    const QString file = QString::fromStdString(*path);
    if (QFileInfo(file).isFile()) QFile::remove(file);
}

bool FormsWorkspace::DeleteTemplate(int index) {
    if (currentTab != kFreightBillTab && currentTab != kInvoiceTab) return false;
    TemplateList& list = CurrentList();
    if (index < 0 || index >= static_cast<int>(list.items.size())) return false;
    if (currentTab == kFreightBillTab) {
        const std::optional<std::string> image =
            FreightBillRecordImageName(list.items[index].record);
        if (!image) {
            Show(FreightBillReadErrorMessage());
            return false;
        }
        if (!image->empty()) DeleteBackgroundFile(*image);
    }
    RemoveItem(list, index);
    return true;
}

bool FormsWorkspace::SaveStore(TemplateKind kind) {
    const StorageResult result =
        kind == TemplateKind::kFreightBill
            ? SaveFreightBillTemplates(programFolder_, freightBillTemplates.items)
            : SaveInvoiceTemplates(programFolder_, invoiceTemplates.items);
    if (!result.ok) Show(result.message.empty() ? FileStream() : result.message);
    return result.ok;
}

bool FormsWorkspace::ConfirmOverwrite(const TemplateList& list, const std::string& name,
                                      std::vector<int>* same) {
    for (int i = 0; i < static_cast<int>(list.items.size()); ++i) {
        if (list.items[i].name != name) continue;
        if (!Ask(SameNameCaption(), SameNameText())) return false;
        same->push_back(i);
    }
    return true;
}

void FormsWorkspace::MenuItemSaveTemplateClick() {
    Guarded([this] {
        if (currentTab == kFreightBillTab) SaveFreightBillTemplate();
        if (currentTab == kInvoiceTab) SaveInvoiceTemplate();
    });
}

void FormsWorkspace::SaveFreightBillTemplate() {
    TemplateList& list = freightBillTemplates;
    const std::string name = list.editText;
    if (name.empty()) return Show(FreightBillNameEmpty());
    if (name.size() > kMaxTemplateNameBytes) return Show(NameTooLong());
    const std::string imageName = name + ".jpg";
    if (!IsSafeFileName(name) || !BackgroundImagePath(programFolder_, imageName)) {
        return Show(NameNotAFileName());
    }
    if (freightBill.boxes.empty()) return Show(FreightBillContentEmpty());
    std::vector<int> same;
    if (!ConfirmOverwrite(list, name, &same)) return;

    // The picture goes to disk before any old template is touched: a failure leaves all as it
    // was. Without a picture the template names none.
    const bool withImage = !freightBill.background.isNull();
    if (withImage) {
        std::string jpeg;
        const JpegResult encoded = EncodeJpeg(freightBill.background, &jpeg);
        if (!encoded.ok) return Show(OutOfMemoryMessage());
        if (!EnsureFolder(BackgroundImageFolder(programFolder_)) ||
            !WriteFileReplacing(*BackgroundImagePath(programFolder_, imageName), jpeg)) {
            return Show(FileStream());
        }
    }
    for (auto it = same.rbegin(); it != same.rend(); ++it) {
        const std::optional<std::string> old = FreightBillRecordImageName(list.items[*it].record);
        if (!old) {
            Show(FreightBillReadErrorMessage());
            continue;
        }
        if (!old->empty() && !(withImage && *old == imageName)) DeleteBackgroundFile(*old);
        RemoveItem(list, *it);
    }
    list.editText = name;
    std::string record;
    WriteFreightBillRecord(record, freightBill, withImage ? imageName : std::string());
    list.items.push_back({name, std::move(record)});
    SaveStore(TemplateKind::kFreightBill);
}

void FormsWorkspace::SaveInvoiceTemplate() {
    TemplateList& list = invoiceTemplates;
    const std::string name = list.editText;
    if (name.empty()) return Show(InvoiceNameEmpty());
    if (invoice.Body().PlainText().empty()) return Show(InvoiceContentEmpty());
    if (name.size() > kMaxTemplateNameBytes) return Show(NameTooLong());
    std::vector<int> same;
    if (!ConfirmOverwrite(list, name, &same)) return;
    for (auto it = same.rbegin(); it != same.rend(); ++it) RemoveItem(list, *it);
    list.editText = name;
    std::string record;
    WriteInvoiceRecord(record, invoice);
    list.items.push_back({name, std::move(record)});
    SaveStore(TemplateKind::kInvoice);
}

void FormsWorkspace::MenuItemDeleteTemplateClick() {
    if (currentTab == kFreightBillTab) {
        const bool removed = DeleteTemplate(freightBillTemplates.selected);
        ClearFreightBill(freightBill);
        // An unchanged list is not written back: a store that loaded only in part keeps the
        // rest on disk.
        if (removed) SaveStore(TemplateKind::kFreightBill);
    } else if (currentTab == kInvoiceTab) {
        const bool removed = DeleteTemplate(invoiceTemplates.selected);
        ClearInvoice(invoice, trade);
        if (removed) SaveStore(TemplateKind::kInvoice);
    }
}

void FormsWorkspace::MenuItemNewClick() {
    if (currentTab == kFreightBillTab) {
        if (freightBillSN < INT32_MAX) ++freightBillSN;
        freightBillUnsaved = false;
        ComboBoxFreightBillSelect();
    } else if (currentTab == kInvoiceTab) {
        if (invoiceSN < INT32_MAX) ++invoiceSN;
        invoiceUnsaved = false;
        trade.askMultipleBuyers = true;
        trade.currentBuyer.clear();
        ComboBoxInvoiceSelect();
    }
    SaveConfig();
}

// --- documents -----------------------------------------------------------------------------

void FormsWorkspace::MenuItemOpenClick() {
    Guarded([this] {
        if (currentTab == kFreightBillTab) OpenFreightBill();
        if (currentTab == kInvoiceTab) OpenInvoice();
    });
}

void FormsWorkspace::OpenFreightBill() {
    if (!chooser_) return;
    FileChooser::Request request;
    request.title = OpenFreightBillTitle();
    request.filter = FreightBillFilter();
    request.initialFolder = FreightBillDocumentFolder(programFolder_);
    const std::optional<std::string> path = chooser_->Choose(request);
    if (!path) return;
    ClearFreightBill(freightBill);
    const DocumentBytes file = ReadDocumentFile(*path);
    if (!file.ok) return Show(file.message);
    ApplyFreightBillRecord(freightBill, file.bytes, programFolder_, prompter_);
}

void FormsWorkspace::OpenInvoice() {
    if (!chooser_) return;
    FileChooser::Request request;
    request.title = OpenInvoiceTitle();
    request.filter = InvoiceFilter();
    request.initialFolder = InvoiceDocumentFolder(programFolder_);
    const std::optional<std::string> path = chooser_->Choose(request);
    if (!path) return;
    ClearInvoice(invoice, trade);
    const DocumentBytes file = ReadDocumentFile(*path);
    if (!file.ok) return Show(file.message);
    const InvoiceDocumentRead read = ParseInvoiceDocument(file.bytes);
    ApplyInvoiceDocument(invoice, read);
    if (!read.ok) Show(read.message);
}

bool FormsWorkspace::MenuItemSaveClick() {
    bool saved = false;
    Guarded([this, &saved] {
        if (currentTab == kFreightBillTab) saved = SaveFreightBill();
        if (currentTab == kInvoiceTab) saved = SaveInvoice();
    });
    return saved;
}

std::string FormsWorkspace::ChooseDocumentForSaving(TemplateKind kind, bool* cancelled) {
    const bool freight = kind == TemplateKind::kFreightBill;
    const std::string folder =
        freight ? FreightBillDocumentFolder(programFolder_) : InvoiceDocumentFolder(programFolder_);
    EnsureFolder(folder);
    std::string name = JoinPath(folder, std::to_string(freight ? freightBillSN : invoiceSN));
    *cancelled = false;
    if (!autoFileName) {
        FileChooser::Request request;
        request.save = true;
        request.title = freight ? SaveFreightBillTitle() : SaveInvoiceTitle();
        request.filter = freight ? FreightBillFilter() : InvoiceFilter();
        request.initialFolder = folder;
        request.fileName = name;
        std::optional<std::string> chosen;
        if (chooser_) chosen = chooser_->Choose(request);
        if (!chosen) {
            *cancelled = true;
            return std::string();
        }
        name = std::move(*chosen);
    }
    return WithExtension(name, freight ? ".pfb" : ".pin");
}

bool FormsWorkspace::SaveFreightBill() {
    bool cancelled;
    const std::string path = ChooseDocumentForSaving(TemplateKind::kFreightBill, &cancelled);
    if (cancelled) return false;
    // Documents name no background: they reopen over whatever picture the tab shows.
    std::string bytes;
    WriteFreightBillRecord(bytes, freightBill, std::string());
    const StorageResult written = WriteDocumentFile(path, bytes);
    Show(written.message);
    return written.ok;
}

bool FormsWorkspace::SaveInvoice() {
    if (!CheckUnreplacedKeyword(invoice.Body(), prompter_)) return false;
    if (!CheckRepeatedTrade(invoice.grid, prompter_)) return false;
    bool cancelled;
    const std::string path = ChooseDocumentForSaving(TemplateKind::kInvoice, &cancelled);
    if (cancelled) return false;
    const StorageResult written = WriteDocumentFile(path, InvoiceDocumentBytes(invoice));
    Show(written.message);
    return written.ok;
}

// --- exchange files ------------------------------------------------------------------------

void FormsWorkspace::MenuItemExportTemplateClick() {
    Guarded([this] {
        if (currentTab == kFreightBillTab) ExportTemplate(TemplateKind::kFreightBill);
        if (currentTab == kInvoiceTab) ExportTemplate(TemplateKind::kInvoice);
    });
}

void FormsWorkspace::MenuItemImportTemplateClick() {
    Guarded([this] {
        if (currentTab == kFreightBillTab) ImportTemplate(TemplateKind::kFreightBill);
        if (currentTab == kInvoiceTab) ImportTemplate(TemplateKind::kInvoice);
    });
}

void FormsWorkspace::ExportTemplate(TemplateKind kind) {
    const bool freight = kind == TemplateKind::kFreightBill;
    const TemplateList& list = freight ? freightBillTemplates : invoiceTemplates;
    const std::string folder =
        freight ? FreightBillDocumentFolder(programFolder_) : InvoiceDocumentFolder(programFolder_);
    EnsureFolder(folder);
    const TemplateEntry* entry = list.Selected();
    FileChooser::Request request;
    request.save = true;
    request.title = freight ? ExportFreightBillTitle() : ExportInvoiceTitle();
    request.filter = freight ? ExportFreightBillFilter() : ExportInvoiceFilter();
    request.initialFolder = folder;
    request.fileName = entry ? GbkToUtf8(entry->name) : std::string();
    if (!chooser_) return;
    const std::optional<std::string> chosen = chooser_->Choose(request);
    if (!chosen) return;
    const std::string path = WithExtension(*chosen, freight ? ".pff" : ".pif");
    if (!entry) return;

    std::string bytes;
    if (freight) {
        // With no picture shown the file carries an empty image, which imports as none.
        std::string jpeg;
        if (!freightBill.background.isNull()) {
            const JpegResult encoded = EncodeJpeg(freightBill.background, &jpeg);
            if (!encoded.ok) return Show(OutOfMemoryMessage());
        }
        bytes = FormatFreightBillExchangeFile(entry->name, entry->record, jpeg);
    } else {
        bytes = FormatInvoiceExchangeFile(entry->name, entry->record);
    }
    Show(WriteDocumentFile(path, bytes).message);
}

void FormsWorkspace::ImportTemplate(TemplateKind kind) {
    const bool freight = kind == TemplateKind::kFreightBill;
    TemplateList& list = freight ? freightBillTemplates : invoiceTemplates;
    FileChooser::Request request;
    request.title = freight ? ImportFreightBillTitle() : ImportInvoiceTitle();
    request.filter = freight ? ImportFreightBillFilter() : ImportInvoiceFilter();
    request.initialFolder =
        freight ? FreightBillDocumentFolder(programFolder_) : InvoiceDocumentFolder(programFolder_);
    request.fileName = lastImportName_;
    if (!chooser_) return;
    const std::optional<std::string> path = chooser_->Choose(request);
    if (!path) return;
    lastImportName_ = *path;

    const ExchangeFileRead read = ReadExchangeFile(kind, *path);
    if (!read.version_ok || !read.name) return Show(read.message);
    const std::string& name = *read.name;
    // The name becomes the picture's file name: one that would leave the image folder is
    // taken as damage.
    if (freight && (!IsSafeFileName(name) || !BackgroundImagePath(programFolder_, name + ".jpg"))) {
        return Show(FreightBillExchangeDamaged());
    }
    std::vector<int> same;
    if (!ConfirmOverwrite(list, name, &same)) return;
    if (!read.record) return Show(read.message);

    for (auto it = same.rbegin(); it != same.rend(); ++it) {
        if (freight) {
            const std::optional<std::string> old =
                FreightBillRecordImageName(list.items[*it].record);
            if (!old) {
                Show(FreightBillReadErrorMessage());
                continue;
            }
            if (!old->empty()) DeleteBackgroundFile(*old);
        }
        RemoveItem(list, *it);
    }
    list.items.push_back({name, *read.record});
    SaveStore(kind);
    if (!freight) return;

    if (!read.image) return Show(read.message);
    if (read.image->empty()) return;
    QImage decoded;
    const JpegResult checked = DecodeJpeg(*read.image, &decoded);
    if (!checked.ok) return Show(checked.outOfMemory ? OutOfMemoryMessage() : checked.error);
    if (!EnsureFolder(BackgroundImageFolder(programFolder_)) ||
        !WriteFileReplacing(*BackgroundImagePath(programFolder_, name + ".jpg"), *read.image)) {
        Show(FileStream());
    }
}

bool FormsWorkspace::SpeedButtonBackgroundClick() {
    if (!chooser_) return false;
    FileChooser::Request request;
    request.title = PictureTitle();
    request.filter = PictureFilter();
    request.filterIndex = 1;
    const std::optional<std::string> path = chooser_->Choose(request);
    if (!path) return false;
    return LoadBackgroundImage(*path, freightBill.pictureArea, &freightBill.background, prompter_);
}

}  // namespace tallivo
