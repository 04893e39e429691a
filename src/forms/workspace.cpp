#include "forms/workspace.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <new>

#include "capture/capture_driver.h"
#include "forms/document_checks.h"
#include "forms/jpeg_codec.h"
#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
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
TALLIVO_GBK_TEXT(ExportWithoutPicture, u8"该货运单模板没有背景图片，导出的模板文件不带图片！")
TALLIVO_GBK_TEXT(ExportPictureMissing, u8"无法打开背景图片文件，导出的模板文件不带图片！")
TALLIVO_GBK_TEXT(ImportWithoutPicture, u8"货运单模板文件没有带背景图片，导入的模板没有背景图片！")
TALLIVO_GBK_TEXT(DocumentExistsCaption, u8"提示：文件已存在！")

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

std::string DocumentExistsText(const std::string& utf8Path) {
    const std::string name = QFileInfo(QString::fromStdString(utf8Path)).fileName().toStdString();
    return Utf8ToGbk(u8"已有文件“" + name +
                     u8"”，覆盖它吗？\n"
                     u8"选“否”不保存；按“新建”可换用下一个序号。");
}

int ClampIndex(std::int32_t index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size ? index : -1;
}

}  // namespace

FormsWorkspace::FormsWorkspace(std::string programFolder, Prompter* prompter, FileChooser* chooser,
                               std::unique_ptr<RichTextDocument> invoiceBody)
    : programFolder_(std::move(programFolder)),
      prompter_(prompter),
      chooser_(chooser),
      invoice_(invoiceBody ? std::move(invoiceBody) : std::make_unique<RichTextDocument>()),
      captureHost_(input_, &freightBill_, &invoice_, trade_,
                   prompter ? *prompter : static_cast<Prompter&>(silentPrompter_)) {
    ClearInvoice(invoice_, trade_);
    FormsCaptureSettings& settings = captureHost_.Settings();
    settings.freightBillChanged = [this] { SetFreightBillUnsaved(true); };
    settings.invoiceChanged = [this] { SetInvoiceUnsaved(true); };
    settings.replaceTextChanged = [this] { observer_->ReplaceTextChanged(); };
}

// --- state -----------------------------------------------------------------------------------

void FormsWorkspace::SetTemplateEditText(TemplateKind kind, const std::string& text) {
    TemplateList& list = List(kind);
    if (list.editText == text) return;
    list.editText = text;
    observer_->TemplatesChanged(kind);
}

void FormsWorkspace::SetSelectedTemplate(TemplateKind kind, int index) {
    TemplateList& list = List(kind);
    if (index < -1 || index >= static_cast<int>(list.items.size())) index = -1;
    list.selected = index;
    if (index >= 0) list.editText = list.items[static_cast<std::size_t>(index)].name;
    observer_->TemplateSelected(kind, index);
}

bool FormsWorkspace::SelectTemplateNamed(TemplateKind kind, const std::string& gbkName) {
    const TemplateList& list = List(kind);
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        if (list.items[i].name == gbkName) {
            SetSelectedTemplate(kind, static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void FormsWorkspace::SetCurrentTab(Tab tab) {
    if (tab == currentTab_) return;
    currentTab_ = tab;
    observer_->TabChanged(tab);
}

void FormsWorkspace::SetFreightBillSN(std::int32_t sn) {
    if (sn == freightBillSN_) return;
    freightBillSN_ = sn;
    observer_->SequenceNumbersChanged();
}

void FormsWorkspace::SetInvoiceSN(std::int32_t sn) {
    if (sn == invoiceSN_) return;
    invoiceSN_ = sn;
    observer_->SequenceNumbersChanged();
}

void FormsWorkspace::SetSourceSite(int index) {
    const Site site = SiteOfIndex(index);
    if (site == sourceSite_) return;
    sourceSite_ = site;
    observer_->SourceSiteChanged(site);
}

void FormsWorkspace::SetFreightBillUnsaved(bool unsaved) {
    if (unsaved == freightBillUnsaved_) return;
    freightBillUnsaved_ = unsaved;
    observer_->UnsavedChanged(kTabFreightBill, unsaved);
}

void FormsWorkspace::SetInvoiceUnsaved(bool unsaved) {
    if (unsaved == invoiceUnsaved_) return;
    invoiceUnsaved_ = unsaved;
    observer_->UnsavedChanged(kTabInvoice, unsaved);
}

void FormsWorkspace::SetInputText(std::string gbk) {
    if (gbk != input_) {
        recognised_.reset();
        doubtsShown_ = false;
    }
    input_ = std::move(gbk);
    observer_->InputTextChanged();
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
    return currentTab_ == kTabInvoice ? invoiceTemplates_ : freightBillTemplates_;
}

// --- start-up and configuration ------------------------------------------------------------

void FormsWorkspace::Start() {
    Show(LoadTemplateStore(TemplateKind::kFreightBill).message);
    Show(LoadTemplateStore(TemplateKind::kInvoice).message);
    LoadConfig();
    PageControlPrintChange(currentTab_);
}

StorageResult FormsWorkspace::LoadTemplateStore(TemplateKind kind) {
    TemplateStoreLoad load = kind == TemplateKind::kFreightBill
                                 ? LoadFreightBillTemplates(programFolder_)
                                 : LoadInvoiceTemplates(programFolder_);
    TemplateList& list = List(kind);
    list.items = std::move(load.templates);
    if (list.selected >= static_cast<int>(list.items.size())) list.selected = -1;
    if (kind == TemplateKind::kFreightBill) pictures_.Clear();
    observer_->TemplatesChanged(kind);
    return StorageResult{load.ok, std::move(load.message)};
}

ConfigLoad FormsWorkspace::ReadConfig() {
    ConfigLoad load = tallivo::LoadConfig(programFolder_);
    if (!load.ok) return load;
    SetFreightBillSN(load.config.freightBillSn);
    SetInvoiceSN(load.config.invoiceSn);
    SetSourceSite(load.config.sourceSite);
    SetSelectedTemplate(TemplateKind::kFreightBill, ClampIndex(load.config.defaultFreightBill,
                                                               freightBillTemplates_.items.size()));
    SetSelectedTemplate(TemplateKind::kInvoice,
                        ClampIndex(load.config.defaultInvoice, invoiceTemplates_.items.size()));
    return load;
}

void FormsWorkspace::LoadConfig() {
    Show(ReadConfig().message);
}

bool FormsWorkspace::SaveConfig() {
    Config config;
    config.freightBillSn = freightBillSN_;
    config.invoiceSn = invoiceSN_;
    // The command line may have used numbers since this window read them.
    const ConfigLoad disk = tallivo::LoadConfig(programFolder_);
    if (disk.ok) {
        config.freightBillSn = std::max(config.freightBillSn, disk.config.freightBillSn);
        config.invoiceSn = std::max(config.invoiceSn, disk.config.invoiceSn);
    }
    config.sourceSite = sourceSite_;
    config.defaultFreightBill = freightBillTemplates_.selected;
    config.defaultInvoice = invoiceTemplates_.selected;
    const StorageResult result = tallivo::SaveConfig(programFolder_, config);
    Show(MessageWithReason(result));
    return result.ok;
}

// --- selecting, deleting, saving templates -------------------------------------------------

void FormsWorkspace::PageControlPrintChange(Tab tab) {
    SetCurrentTab(tab);
    ComboBoxFreightBillSelect();
    ComboBoxInvoiceSelect();
}

void FormsWorkspace::ResetCurrentForm() {
    if (currentTab_ == kTabFreightBill) ComboBoxFreightBillSelect();
    if (currentTab_ == kTabInvoice) ComboBoxInvoiceSelect();
}

void FormsWorkspace::UseTemplateSource(TemplateKind kind, std::optional<TemplateSource> source) {
    (kind == TemplateKind::kFreightBill ? freightBillOverride_ : invoiceOverride_) =
        std::move(source);
}

void FormsWorkspace::ComboBoxFreightBillSelect() {
    Announced reset(this, kTabFreightBill);
    fills_[0] = FormFill();
    ClearFreightBill(freightBill_);
    if (freightBillOverride_) {
        const TemplateSource& source = *freightBillOverride_;
        ApplyFreightBillRecord(freightBill_, ReadFreightBillRecord(source.record), programFolder_,
                               prompter_, source.embeddedJpeg ? &*source.embeddedJpeg : nullptr,
                               &pictures_);
    } else {
        const TemplateEntry* entry = freightBillTemplates_.Selected();
        if (!entry) return;
        ApplyFreightBillRecord(freightBill_, entry->record, programFolder_, prompter_, &pictures_);
    }
    SetFreightBillUnsaved(false);
}

void FormsWorkspace::ComboBoxInvoiceSelect() {
    Announced reset(this, kTabInvoice);
    fills_[1] = FormFill();
    ClearInvoice(invoice_, trade_);
    if (invoiceOverride_) {
        trade_.paipaiGoodsCaptured = false;
        const TemplateSource& source = *invoiceOverride_;
        InvoiceDocumentRead read;
        if (source.isInvoiceDocument) {
            read = ParseInvoiceDocument(source.record);
        } else {
            read.record = ReadInvoiceRecord(std::string_view(source.record));
            read.ok = read.record.ok;
            read.message = read.record.message;
        }
        ApplyInvoiceDocument(invoice_, read);
        if (!read.ok) Show(read.message);
    } else if (const TemplateEntry* entry = invoiceTemplates_.Selected()) {
        ByteReader reader(entry->record);
        if (!ApplyInvoiceRecord(invoice_, reader, prompter_)) return;
    }
    SetInvoiceUnsaved(false);
    trade_.paipaiGoodsCaptured = false;
}

void FormsWorkspace::RemoveItem(TemplateKind kind, int index) {
    TemplateList& list = List(kind);
    list.items.erase(list.items.begin() + index);
    if (list.selected == index) {
        list.selected = -1;
    } else if (list.selected > index) {
        --list.selected;
    }
    if (kind == TemplateKind::kFreightBill) pictures_.Clear();
    observer_->TemplatesChanged(kind);
}

void FormsWorkspace::AddItem(TemplateKind kind, TemplateEntry entry) {
    List(kind).items.push_back(std::move(entry));
    observer_->TemplatesChanged(kind);
}

void FormsWorkspace::DeleteBackgroundFile(const std::string& gbkFileName) {
    const std::optional<std::string> path = BackgroundImagePath(programFolder_, gbkFileName);
    if (!path) return;
    const QString file = QString::fromStdString(*path);
    if (QFileInfo(file).isFile()) QFile::remove(file);
}

bool FormsWorkspace::DeleteTemplate(int index) {
    if (currentTab_ != kTabFreightBill && currentTab_ != kTabInvoice) return false;
    TemplateList& list = CurrentList();
    if (index < 0 || index >= static_cast<int>(list.items.size())) return false;
    if (currentTab_ == kTabFreightBill) {
        const std::optional<std::string> image =
            FreightBillRecordImageName(list.items[index].record);
        if (!image) {
            Show(FreightBillReadErrorMessage());
            return false;
        }
        if (!image->empty()) DeleteBackgroundFile(*image);
    }
    RemoveItem(currentTab_ == kTabFreightBill ? TemplateKind::kFreightBill : TemplateKind::kInvoice,
               index);
    return true;
}

bool FormsWorkspace::SaveStore(TemplateKind kind) {
    const StorageResult result =
        kind == TemplateKind::kFreightBill
            ? SaveFreightBillTemplates(programFolder_, freightBillTemplates_.items)
            : SaveInvoiceTemplates(programFolder_, invoiceTemplates_.items);
    if (!result.ok) Show(result.message.empty() ? FileStream() : MessageWithReason(result));
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
        if (currentTab_ == kTabFreightBill) SaveFreightBillTemplate();
        if (currentTab_ == kTabInvoice) SaveInvoiceTemplate();
    });
}

void FormsWorkspace::SaveFreightBillTemplate() {
    TemplateList& list = freightBillTemplates_;
    const std::string name = list.editText;
    if (name.empty()) return Show(FreightBillNameEmpty());
    if (name.size() > kMaxTemplateNameBytes) return Show(NameTooLong());
    const std::string imageName = name + ".jpg";
    if (!IsSafeFileName(name) || !BackgroundImagePath(programFolder_, imageName)) {
        return Show(NameNotAFileName());
    }
    if (freightBill_.boxes.empty()) return Show(FreightBillContentEmpty());
    std::vector<int> same;
    if (!ConfirmOverwrite(list, name, &same)) return;

    // The picture goes to disk before any old template is touched: a failure leaves all as it
    // was. Without a picture the template names none.
    const bool withImage = !freightBill_.background.isNull();
    if (withImage) {
        std::string jpeg;
        const JpegResult encoded = EncodeJpeg(freightBill_.background, &jpeg);
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
        RemoveItem(TemplateKind::kFreightBill, *it);
    }
    SetTemplateEditText(TemplateKind::kFreightBill, name);
    std::string record;
    WriteFreightBillRecord(record, freightBill_, withImage ? imageName : std::string());
    // Documents saved from now on reopen over the picture just written.
    freightBill_.backgroundName = withImage ? imageName : std::string();
    pictures_.Clear();
    AddItem(TemplateKind::kFreightBill, {name, std::move(record)});
    SaveStore(TemplateKind::kFreightBill);
}

void FormsWorkspace::SaveInvoiceTemplate() {
    TemplateList& list = invoiceTemplates_;
    const std::string name = list.editText;
    if (name.empty()) return Show(InvoiceNameEmpty());
    if (invoice_.Body().PlainText().empty()) return Show(InvoiceContentEmpty());
    if (name.size() > kMaxTemplateNameBytes) return Show(NameTooLong());
    std::vector<int> same;
    if (!ConfirmOverwrite(list, name, &same)) return;
    for (auto it = same.rbegin(); it != same.rend(); ++it) RemoveItem(TemplateKind::kInvoice, *it);
    SetTemplateEditText(TemplateKind::kInvoice, name);
    std::string record;
    WriteInvoiceRecord(record, invoice_);
    AddItem(TemplateKind::kInvoice, {name, std::move(record)});
    SaveStore(TemplateKind::kInvoice);
}

void FormsWorkspace::MenuItemDeleteTemplateClick() {
    Announced reset(this, currentTab_);
    if (currentTab_ == kTabFreightBill) {
        const bool removed = DeleteTemplate(freightBillTemplates_.selected);
        ClearFreightBill(freightBill_);
        // An unchanged list is not written back: a store that loaded only in part keeps the
        // rest on disk.
        if (removed) SaveStore(TemplateKind::kFreightBill);
    } else if (currentTab_ == kTabInvoice) {
        const bool removed = DeleteTemplate(invoiceTemplates_.selected);
        ClearInvoice(invoice_, trade_);
        if (removed) SaveStore(TemplateKind::kInvoice);
    }
}

void FormsWorkspace::MenuItemNewClick() {
    // The next number is past any that another run saved under meanwhile.
    const ConfigLoad disk = tallivo::LoadConfig(programFolder_);
    const auto next = [&disk](std::int32_t sn, std::int32_t onDisk) {
        if (sn < INT32_MAX) ++sn;
        return disk.ok ? std::max(sn, onDisk) : sn;
    };
    if (currentTab_ == kTabFreightBill) {
        SetFreightBillSN(next(freightBillSN_, disk.config.freightBillSn));
        SetFreightBillUnsaved(false);
        ComboBoxFreightBillSelect();
    } else if (currentTab_ == kTabInvoice) {
        SetInvoiceSN(next(invoiceSN_, disk.config.invoiceSn));
        SetInvoiceUnsaved(false);
        trade_.askMultipleBuyers = true;
        trade_.currentBuyer.clear();
        ComboBoxInvoiceSelect();
    }
    SaveConfig();
}

// --- documents -----------------------------------------------------------------------------

void FormsWorkspace::MenuItemOpenClick() {
    Guarded([this] {
        if (currentTab_ == kTabFreightBill) OpenFreightBill();
        if (currentTab_ == kTabInvoice) OpenInvoice();
    });
}

void FormsWorkspace::OpenFreightBill() {
    Announced reset(this, kTabFreightBill);
    if (!chooser_) return;
    FileChooser::Request request;
    request.title = OpenFreightBillTitle();
    request.filter = FreightBillFilter();
    request.initialFolder = FreightBillDocumentFolder(programFolder_);
    const std::optional<std::string> path = chooser_->Choose(request);
    if (path) OpenDocumentFile(TemplateKind::kFreightBill, *path, false);
}

void FormsWorkspace::OpenInvoice() {
    Announced reset(this, kTabInvoice);
    if (!chooser_) return;
    FileChooser::Request request;
    request.title = OpenInvoiceTitle();
    request.filter = InvoiceFilter();
    request.initialFolder = InvoiceDocumentFolder(programFolder_);
    const std::optional<std::string> path = chooser_->Choose(request);
    if (path) OpenDocumentFile(TemplateKind::kInvoice, *path, false);
}

bool FormsWorkspace::OpenDocumentFile(TemplateKind kind, const std::string& path, bool onlyWhole) {
    return OpenDocument(kind, ReadDocument(kind == TemplateKind::kFreightBill, path), onlyWhole);
}

bool FormsWorkspace::OpenDocument(TemplateKind kind, const DocumentRead& file, bool onlyWhole) {
    bool opened = false;
    Guarded([&] {
        const bool freight = kind == TemplateKind::kFreightBill;
        Announced reset(this, freight ? kTabFreightBill : kTabInvoice);
        // A document's values are its own, not those of the page in the memo.
        const auto forget = [&] { Fill(freight ? kTabFreightBill : kTabInvoice) = FormFill(); };
        if (!onlyWhole) {
            forget();
            // The open command empties the form first and keeps what was read before damage.
            if (freight) {
                ClearFreightBill(freightBill_);
            } else {
                ClearInvoice(invoice_, trade_);
            }
        }
        if (!file.fileRead || (onlyWhole && !file.ok)) return Show(file.message);
        if (onlyWhole) {
            if (freight) {
                ClearFreightBill(freightBill_);
            } else {
                ClearInvoice(invoice_, trade_);
            }
            forget();
        }
        if (freight) {
            opened =
                ApplyFreightBillRecord(freightBill_, file.freightBill, programFolder_, prompter_);
        } else {
            ApplyInvoiceDocument(invoice_, file.invoice);
            if (!file.ok) Show(file.message);
            opened = file.ok;
        }
    });
    return opened;
}

bool FormsWorkspace::MenuItemSaveClick() {
    return SaveForm(currentTab_);
}

bool FormsWorkspace::SaveForm(Tab form) {
    bool saved = false;
    Guarded([this, &saved, form] {
        if (form != kTabFreightBill && form != kTabInvoice) return;
        const bool freight = form == kTabFreightBill;
        if (!freight && !SaveInvoiceChecks()) return;
        bool cancelled;
        const std::string path = ChooseDocumentForSaving(
            freight ? TemplateKind::kFreightBill : TemplateKind::kInvoice, &cancelled);
        if (cancelled) return;
        // The number only advances on New: without this question a second order would
        // silently replace the first one's document.
        if (autoFileName_ && QFileInfo::exists(QString::fromStdString(path)) &&
            !Ask(DocumentExistsCaption(), DocumentExistsText(path)))
            return;
        saved = freight ? SaveFreightBill(path) : SaveInvoice(path);
        // What is on disk now matches the form: closing and printing need not ask again.
        if (saved && freight) SetFreightBillUnsaved(false);
        if (saved && !freight) SetInvoiceUnsaved(false);
    });
    return saved;
}

bool FormsWorkspace::SaveDocumentTo(const std::string& path) {
    bool saved = false;
    Guarded([this, &saved, &path] {
        if (currentTab_ == kTabFreightBill) saved = SaveFreightBill(path);
        if (currentTab_ == kTabInvoice) saved = SaveInvoiceChecks() && SaveInvoice(path);
    });
    return saved;
}

std::string FormsWorkspace::AutomaticDocumentPath(Tab tab) const {
    const bool freight = tab == kTabFreightBill;
    const std::string folder =
        freight ? FreightBillDocumentFolder(programFolder_) : InvoiceDocumentFolder(programFolder_);
    return WithExtension(JoinPath(folder, std::to_string(freight ? freightBillSN_ : invoiceSN_)),
                         freight ? kFreightBillDocumentExt : kInvoiceDocumentExt);
}

std::string FormsWorkspace::ChooseDocumentForSaving(TemplateKind kind, bool* cancelled) {
    const bool freight = kind == TemplateKind::kFreightBill;
    const std::string folder =
        freight ? FreightBillDocumentFolder(programFolder_) : InvoiceDocumentFolder(programFolder_);
    EnsureFolder(folder);
    std::string name = JoinPath(folder, std::to_string(freight ? freightBillSN_ : invoiceSN_));
    *cancelled = false;
    if (!autoFileName_) {
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
    return WithExtension(name, freight ? kFreightBillDocumentExt : kInvoiceDocumentExt);
}

bool FormsWorkspace::SaveFreightBill(const std::string& path) {
    // The document names the template's picture, so that it reopens over it and prints.
    std::string bytes;
    WriteFreightBillRecord(bytes, freightBill_, freightBill_.backgroundName);
    const StorageResult written = WriteDocumentFile(path, bytes);
    Show(MessageWithReason(written));
    return written.ok;
}

bool FormsWorkspace::SaveInvoiceChecks() {
    return CheckUnreplacedKeyword(invoice_.Body(), prompter_) &&
           CheckRepeatedTrade(invoice_.grid, prompter_);
}

bool FormsWorkspace::SaveInvoice(const std::string& path) {
    const StorageResult written = WriteDocumentFile(path, InvoiceDocumentBytes(invoice_));
    Show(MessageWithReason(written));
    return written.ok;
}

// --- exchange files ------------------------------------------------------------------------

void FormsWorkspace::MenuItemExportTemplateClick() {
    Guarded([this] {
        if (currentTab_ == kTabFreightBill) ExportTemplate(TemplateKind::kFreightBill);
        if (currentTab_ == kTabInvoice) ExportTemplate(TemplateKind::kInvoice);
    });
}

void FormsWorkspace::MenuItemImportTemplateClick() {
    Guarded([this] {
        if (currentTab_ == kTabFreightBill) ImportTemplate(TemplateKind::kFreightBill);
        if (currentTab_ == kTabInvoice) ImportTemplate(TemplateKind::kInvoice);
    });
}

void FormsWorkspace::ExportTemplate(TemplateKind kind) {
    const bool freight = kind == TemplateKind::kFreightBill;
    const TemplateList& list = freight ? freightBillTemplates_ : invoiceTemplates_;
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

std::string FormsWorkspace::ExportPicture(const std::string& record) {
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

void FormsWorkspace::ImportTemplate(TemplateKind kind) {
    const bool freight = kind == TemplateKind::kFreightBill;
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
    ImportTemplateFile(kind, *path);
}

void FormsWorkspace::ImportTemplateFile(TemplateKind kind, const std::string& path) {
    Guarded([&] { ImportTemplateFrom(kind, path); });
}

void FormsWorkspace::ImportTemplateFrom(TemplateKind kind, const std::string& path) {
    const bool freight = kind == TemplateKind::kFreightBill;
    TemplateList& list = freight ? freightBillTemplates_ : invoiceTemplates_;
    const ExchangeFileRead read = ReadExchangeFile(kind, path);
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
                FreightBillRecordImageName(list.items[*it].record);
            if (!old) {
                Show(FreightBillReadErrorMessage());
                continue;
            }
            if (!old->empty()) DeleteBackgroundFile(*old);
        }
        RemoveItem(kind, *it);
    }
    AddItem(kind, {name, *read.record});
    SaveStore(kind);
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

bool FormsWorkspace::SpeedButtonBackgroundClick() {
    if (!chooser_) return false;
    FileChooser::Request request;
    request.title = PictureTitle();
    request.filter = PictureFilter();
    request.filterIndex = 1;
    const std::optional<std::string> path = chooser_->Choose(request);
    if (!path) return false;
    if (!LoadBackgroundImage(*path, freightBill_.pictureArea, &freightBill_.background, prompter_))
        return false;
    // The new picture is in no stored file until a template is saved with it.
    freightBill_.backgroundName.clear();
    if (freightBill_.listener) freightBill_.listener->BackgroundChanged();
    return true;
}

// --- capture ---------------------------------------------------------------------------------

void FormsWorkspace::PrepareCapture() {
    FormsCaptureSettings& settings = captureHost_.Settings();
    settings.site = sourceSite_;
    settings.tab = currentTab_;
    settings.invoiceSn = invoiceSN_;
}

CaptureHost& FormsWorkspace::Capture() {
    PrepareCapture();
    return captureHost_;
}

void FormsWorkspace::FindNext() {
    Guarded([this] {
        if (sourceSite_ != kSiteShippingInfo) return MenuItemFindClick(Capture());
        if (ShippingInfoFound())
            FindValuedKeyword(Capture(), ShippingInfoValues(RecognisedShippingInfo()));
    });
}

void FormsWorkspace::Replace() {
    NoteCapturedPage();
    Guarded([this] {
        // The engine finds no page for shipping info: its Find next after the replacement
        // does nothing, and the recognised values are offered here.
        MenuItemReplaceClick(Capture());
        if (sourceSite_ == kSiteShippingInfo && ShippingInfoFound())
            FindValuedKeyword(Capture(), ShippingInfoValues(RecognisedShippingInfo()));
    });
}

void FormsWorkspace::ReplaceAll() {
    if (sourceSite_ == kSiteShippingInfo) {
        if (currentTab_ != kTabFreightBill && currentTab_ != kTabInvoice) return;
        Guarded([this] {
            if (ShippingInfoFound())
                FillFromValues(*this, ShippingInfoValues(RecognisedShippingInfo()));
        });
        return;
    }
    NoteCapturedPage();
    Guarded([this] { MenuItemReplaceAllClick(Capture()); });
}

const ShippingInfo& FormsWorkspace::RecognisedShippingInfo() const {
    if (!recognised_) recognised_ = RecogniseShippingInfoGbk(input_);
    return *recognised_;
}

bool FormsWorkspace::ShippingInfoFound() {
    if (currentTab_ != kTabFreightBill && currentTab_ != kTabInvoice) return false;
    if (FoundAnything(RecognisedShippingInfo())) return true;
    static const std::string unrecognised = Gbk(u8"无法识别的输入文本！");
    Show(unrecognised);
    return false;
}

std::string FormsWorkspace::TakeShippingInfoDoubts() {
    if (sourceSite_ != kSiteShippingInfo || doubtsShown_ || !recognised_ ||
        !FoundAnything(*recognised_))
        return std::string();
    doubtsShown_ = true;
    return ShippingInfoDoubtsMessage(*recognised_);
}

void FormsWorkspace::NoteCapturedPage() {
    if (currentTab_ != kTabFreightBill && currentTab_ != kTabInvoice) return;
    FormFill& fill = Fill(currentTab_);
    fill.given.reset();
    fill.page = input_;
    fill.site = sourceSite_;
}

FormValues FormsWorkspace::FilledValues(Tab form) const {
    const FormFill& fill = Fill(form);
    if (fill.given) return *fill.given;
    return CaptureFormValues(fill.page, fill.site);
}

void FormsWorkspace::RememberFilledValues(Tab form, FormValues values) {
    FormFill& fill = Fill(form);
    fill.given = std::move(values);
    fill.page.clear();
}

}  // namespace tallivo
