#include "forms/workspace.h"

#include <algorithm>
#include <climits>
#include <new>

#include "capture/capture_driver.h"
#include "storage/document_files.h"
#include "storage/file_io.h"
#include "storage/template_records.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TALLIVO_GBK_TEXT(PictureTitle, u8"打开背景图片")
TALLIVO_GBK_TEXT(PictureFilter,
                 u8"所有图片 (*.jpg;*.jpeg;*.bmp;*.ico;*.png)|*.jpg;*.jpeg;*.bmp;*.ico;*.png|"
                 u8"JPEG 图片 (*.jpg;*.jpeg)|*.jpg;*.jpeg|位图 (*.bmp)|*.bmp|图标 (*.ico)|*.ico|"
                 u8"PNG 图片 (*.png)|*.png")

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
      templates_(programFolder_, prompter, chooser),
      documents_(programFolder_, prompter, chooser, freightBill_, invoice_, trade_),
      captureHost_(input_, &freightBill_, &invoice_, trade_,
                   prompter ? *prompter : static_cast<Prompter&>(silentPrompter_)) {
    ClearInvoice(invoice_, trade_);
    FormsCaptureSettings& settings = captureHost_.Settings();
    settings.freightBillChanged = [this] { SetFreightBillUnsaved(true); };
    settings.invoiceChanged = [this] { SetInvoiceUnsaved(true); };
    settings.replaceTextChanged = [this] { observer_->ReplaceTextChanged(); };
}

void FormsWorkspace::SetObserver(WorkspaceObserver* observer) {
    observer_ = observer ? observer : &silent_;
    templates_.SetObserver(observer_);
}

// --- state -----------------------------------------------------------------------------------

void FormsWorkspace::SetCurrentTab(Tab tab) {
    if (tab == currentTab_) return;
    currentTab_ = tab;
    observer_->TabChanged(tab);
}

void FormsWorkspace::SetSequenceNumber(FormKind form, std::int32_t sn) {
    // A number given anew is unused, whatever it was before (a batch gives each order one).
    forms_[form].spentWith.reset();
    forms_[form].typed = false;
    if (sn == forms_[form].sequenceNumber) return;
    forms_[form].sequenceNumber = sn;
    observer_->SequenceNumbersChanged();
}

void FormsWorkspace::SetTypedSequenceNumber(FormKind form, std::int32_t sn) {
    SetSequenceNumber(form, sn);
    forms_[form].typed = true;
}

std::int32_t FormsWorkspace::NextSequenceNumber(FormKind form) const {
    std::int32_t sn = SequenceNumber(form);
    if (sn < INT32_MAX) ++sn;
    if (forms_[form].typed) return sn;
    const ConfigLoad disk = tallivo::LoadConfig(programFolder_);
    if (disk.ok) {
        sn = std::max(
            sn, form == FormKind::kFreightBill ? disk.config.freightBillSn : disk.config.invoiceSn);
    }
    return sn;
}

std::string FormsWorkspace::FillIdentity(FormKind form, const FormValues* values) const {
    static constexpr char kSep = '\x1f';
    if (!values) {
        const FormSettings& fill = forms_[form];
        if (fill.given) return FillIdentity(form, &*fill.given);
        if (fill.page.empty()) return std::string();
        return "p" + std::to_string(fill.site) + kSep + fill.page;
    }
    std::string id = "v";
    for (const std::string& number : values->TradeNumbers()) id += number + kSep;
    if (id.size() > 1) return id;
    // Values without a trade number (shipping info) are told apart by whom they go to.
    for (const std::optional<std::string>* v :
         {&values->consignee, &values->mobile, &values->telephone, &values->address})
        id += (*v ? **v : std::string()) + kSep;
    return id;
}

void FormsWorkspace::NoteNumberSpent(FormKind form) {
    forms_[form].spentWith = FillIdentity(form, nullptr);
}

void FormsWorkspace::BeforeFill(FormKind form, const FormValues* values) {
    FormSettings& settings = forms_[form];
    if (!settings.spentWith) return;
    const std::string next =
        values ? FillIdentity(form, values) : "p" + std::to_string(sourceSite_) + '\x1f' + input_;
    if (next == *settings.spentWith) return;
    SetSequenceNumber(form, NextSequenceNumber(form));
    SaveConfig();
}

void FormsWorkspace::SetSourceSite(int index) {
    const Site site = SiteOfIndex(index);
    if (site == sourceSite_) return;
    sourceSite_ = site;
    observer_->SourceSiteChanged(site);
}

void FormsWorkspace::SetUnsaved(FormKind form, bool unsaved) {
    if (unsaved == forms_[form].unsaved) return;
    forms_[form].unsaved = unsaved;
    observer_->UnsavedChanged(form, unsaved);
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

void FormsWorkspace::Guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        Show(OutOfMemoryMessage());
    }
}

// --- start-up and configuration ------------------------------------------------------------

void FormsWorkspace::Start() {
    for (FormKind form : kFormKinds) Show(LoadTemplateStore(form).message);
    LoadConfig();
    PageControlPrintChange(currentTab_);
}

ConfigLoad FormsWorkspace::ReadConfig() {
    ConfigLoad load = tallivo::LoadConfig(programFolder_);
    if (!load.ok) return load;
    SetFreightBillSN(load.config.freightBillSn);
    SetInvoiceSN(load.config.invoiceSn);
    SetSourceSite(load.config.sourceSite);
    SetSelectedTemplate(
        FormKind::kFreightBill,
        ClampIndex(load.config.defaultFreightBill, Templates(FormKind::kFreightBill).items.size()));
    SetSelectedTemplate(FormKind::kInvoice, ClampIndex(load.config.defaultInvoice,
                                                       Templates(FormKind::kInvoice).items.size()));
    return load;
}

void FormsWorkspace::LoadConfig() {
    Show(ReadConfig().message);
}

bool FormsWorkspace::SaveConfig() {
    Config config;
    config.freightBillSn = FreightBillSN();
    config.invoiceSn = InvoiceSN();
    // The command line may have used numbers since this window read them; a number the seller
    // typed is theirs to choose.
    const ConfigLoad disk = tallivo::LoadConfig(programFolder_);
    if (disk.ok) {
        if (!forms_[FormKind::kFreightBill].typed)
            config.freightBillSn = std::max(config.freightBillSn, disk.config.freightBillSn);
        if (!forms_[FormKind::kInvoice].typed)
            config.invoiceSn = std::max(config.invoiceSn, disk.config.invoiceSn);
    }
    config.sourceSite = sourceSite_;
    config.defaultFreightBill = FreightBillTemplates().selected;
    config.defaultInvoice = InvoiceTemplates().selected;
    const StorageResult result = tallivo::SaveConfig(programFolder_, config);
    Show(MessageWithReason(result));
    if (result.ok) {
        for (FormKind form : kFormKinds) forms_[form].typed = false;
    }
    return result.ok;
}

// --- templates -----------------------------------------------------------------------------

void FormsWorkspace::PageControlPrintChange(Tab tab) {
    SetCurrentTab(tab);
    for (FormKind form : kFormKinds) ApplyTemplate(form);
}

void FormsWorkspace::ResetCurrentForm() {
    if (const std::optional<FormKind> form = CurrentForm()) ApplyTemplate(*form);
}

void FormsWorkspace::ApplyTemplate(FormKind form) {
    Announced reset(this, form);
    ForgetFill(form);
    const std::optional<TemplateSource>& source = forms_[form].override;
    if (form == FormKind::kFreightBill) {
        ClearFreightBill(freightBill_);
        if (source) {
            ApplyFreightBillTemplate(
                freightBill_, ParsedFreightBill(source->record), programFolder_, prompter_,
                source->embeddedJpeg ? &*source->embeddedJpeg : nullptr, &templates_.Pictures());
        } else {
            const TemplateEntry* entry = FreightBillTemplates().Selected();
            if (!entry) return;
            ApplyFreightBillTemplate(freightBill_, ParsedFreightBill(entry->record), programFolder_,
                                     prompter_, nullptr, &templates_.Pictures());
        }
        SetFreightBillUnsaved(false);
        return;
    }
    ClearInvoice(invoice_, trade_);
    if (source) {
        trade_.paipaiGoodsCaptured = false;
        InvoiceDocumentRead read;
        if (source->isInvoiceDocument) {
            read = ParseInvoiceDocument(source->record);
        } else {
            read.record = ReadInvoiceRecord(std::string_view(source->record));
            read.ok = read.record.ok;
            read.message = read.record.message;
        }
        ApplyInvoiceDocument(invoice_, read);
        if (!read.ok) Show(read.message);
    } else if (const TemplateEntry* entry = InvoiceTemplates().Selected()) {
        ByteReader reader(entry->record);
        if (!ApplyInvoiceRecord(invoice_, reader, prompter_)) return;
    }
    SetInvoiceUnsaved(false);
    trade_.paipaiGoodsCaptured = false;
}

const ParsedFreightBillTemplate& FormsWorkspace::ParsedFreightBill(const std::string& record) {
    if (!parsedFreightBill_ || record != parsedRecord_) {
        parsedFreightBill_.reset();
        parsedFreightBill_ = ParseFreightBillTemplate(record);
        parsedRecord_ = record;
    }
    return *parsedFreightBill_;
}

bool FormsWorkspace::DeleteTemplate(int index) {
    const std::optional<FormKind> form = CurrentForm();
    return form && templates_.Delete(*form, index);
}

void FormsWorkspace::MenuItemSaveTemplateClick() {
    Guarded([this] {
        if (currentTab_ == kTabFreightBill) templates_.SaveFreightBillTemplate(freightBill_);
        if (currentTab_ == kTabInvoice) templates_.SaveInvoiceTemplate(invoice_);
    });
}

void FormsWorkspace::MenuItemDeleteTemplateClick() {
    const std::optional<FormKind> form = CurrentForm();
    if (!form) return;
    Announced reset(this, *form);
    const bool removed = templates_.Delete(*form, Templates(*form).selected);
    if (*form == FormKind::kFreightBill) {
        ClearFreightBill(freightBill_);
    } else {
        ClearInvoice(invoice_, trade_);
    }
    // An unchanged list is not written back: a store that loaded only in part keeps the rest on
    // disk.
    if (removed) templates_.Save(*form);
}

void FormsWorkspace::MenuItemNewClick() {
    const std::optional<FormKind> form = CurrentForm();
    if (form) {
        // The next number is past any that another run saved under meanwhile.
        const bool typed = forms_[*form].typed;
        SetSequenceNumber(*form, NextSequenceNumber(*form));
        forms_[*form].typed = typed;
        SetUnsaved(*form, false);
        if (*form == FormKind::kInvoice) {
            trade_.askMultipleBuyers = true;
            trade_.currentBuyer.clear();
        }
        ApplyTemplate(*form);
    }
    SaveConfig();
}

void FormsWorkspace::MenuItemExportTemplateClick() {
    Guarded([this] {
        if (const std::optional<FormKind> form = CurrentForm()) templates_.Export(*form);
    });
}

void FormsWorkspace::MenuItemImportTemplateClick() {
    Guarded([this] {
        if (const std::optional<FormKind> form = CurrentForm()) templates_.Import(*form);
    });
}

void FormsWorkspace::ImportTemplateFile(FormKind form, const std::string& path) {
    Guarded([&] { templates_.ImportFile(form, path); });
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

// --- documents -----------------------------------------------------------------------------

void FormsWorkspace::MenuItemOpenClick(const std::function<bool()>& mayReplace) {
    Guarded([this, &mayReplace] {
        const std::optional<FormKind> form = CurrentForm();
        if (!form) return;
        Announced reset(this, *form);
        const std::optional<std::string> path = documents_.ChooseToOpen(*form);
        if (path && (!mayReplace || mayReplace())) OpenDocumentFile(*form, *path, false);
    });
}

bool FormsWorkspace::OpenDocumentFile(FormKind form, const std::string& path, bool onlyWhole) {
    bool opened = false;
    Guarded([&] { opened = OpenDocument(form, ReadDocument(form, path), onlyWhole); });
    return opened;
}

bool FormsWorkspace::OpenDocument(FormKind form, const DocumentRead& file, bool onlyWhole) {
    bool opened = false;
    Guarded([&] {
        Announced reset(this, form);
        // A document's values are its own, not those of the page in the memo.
        opened = documents_.Open(form, file, onlyWhole, [&] { ForgetFill(form); });
    });
    return opened;
}

bool FormsWorkspace::MenuItemSaveClick() {
    const std::optional<FormKind> form = CurrentForm();
    return form && SaveForm(*form);
}

bool FormsWorkspace::SaveForm(FormKind form) {
    bool saved = false;
    Guarded([this, &saved, form] {
        if (!documents_.Checks(form)) return;
        const std::optional<std::string> path =
            documents_.ChooseForSaving(form, SequenceNumber(form), autoFileName_);
        if (!path) return;
        saved = documents_.Write(form, *path);
        // What is on disk now matches the form: closing and printing need not ask again.
        if (saved) {
            SetUnsaved(form, false);
            NoteNumberSpent(form);
        }
    });
    return saved;
}

bool FormsWorkspace::SaveDocumentTo(const std::string& path) {
    bool saved = false;
    Guarded([this, &saved, &path] {
        const std::optional<FormKind> form = CurrentForm();
        saved = form && documents_.Checks(*form) && documents_.Write(*form, path);
        if (saved) NoteNumberSpent(*form);
    });
    return saved;
}

// --- capture ---------------------------------------------------------------------------------

void FormsWorkspace::PrepareCapture() {
    FormsCaptureSettings& settings = captureHost_.Settings();
    settings.site = sourceSite_;
    settings.tab = currentTab_;
    settings.invoiceSn = InvoiceSN();
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
        if (!CurrentForm()) return;
        Guarded([this] {
            if (ShippingInfoFound())
                FillFromValues(*this,
                               WithMissingEmptied(ShippingInfoValues(RecognisedShippingInfo())));
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
    if (!CurrentForm()) return false;
    const ShippingInfo& info = RecognisedShippingInfo();
    if (FoundAnything(info)) return true;
    // Nothing was looked at in a text over the length limit; the seller is told why.
    if (!info.doubts.isEmpty() && info.doubts.first().startsWith(QStringLiteral("文字太长"))) {
        Show(Utf8ToGbk(info.doubts.first().toStdString() + u8"！"));
        return false;
    }
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
    const std::optional<FormKind> form = CurrentForm();
    if (!form) return;
    BeforeFill(*form, nullptr);
    FormSettings& fill = forms_[*form];
    fill.given.reset();
    fill.page = input_;
    fill.site = sourceSite_;
}

FormValues FormsWorkspace::FilledValues(FormKind form) const {
    const FormSettings& fill = forms_[form];
    if (fill.given) return *fill.given;
    return CaptureFormValues(fill.page, fill.site);
}

void FormsWorkspace::RememberFilledValues(FormKind form, FormValues values) {
    FormSettings& fill = forms_[form];
    fill.given = std::move(values);
    fill.page.clear();
}

void FormsWorkspace::ForgetFill(FormKind form) {
    FormSettings& fill = forms_[form];
    fill.given.reset();
    fill.page.clear();
    fill.site = kSiteNone;
}

}  // namespace tallivo
