#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "forms/background_image.h"
#include "forms/file_chooser.h"
#include "forms/form_values.h"
#include "forms/forms_capture_host.h"
#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "forms/shipping_info_fill.h"
#include "forms/template_source.h"
#include "forms/workspace_observer.h"
#include "storage/config_file.h"
#include "storage/template_store.h"
#include "text/message_sink.h"

namespace tallivo {

struct DocumentRead;

// A template box: the named templates in store order, the selected one, and the edit text in
// which the user types the name of a new template.
struct TemplateList {
    std::vector<TemplateEntry> items;
    int selected = -1;
    std::string editText;  // GBK

    const TemplateEntry* Selected() const {
        return selected >= 0 && selected < static_cast<int>(items.size()) ? &items[selected]
                                                                          : nullptr;
    }
};

// Names the stores can hold.
constexpr std::size_t kMaxTemplateNameBytes = 127;

// Both forms, both template lists, the remembered values of Config.pcf, the unsaved flags, the
// pasted page and the trade state, with the template, document, exchange and capture commands
// that act on them. The window and the command line drive this one object; dialogs and
// questions go through the prompter and the file chooser, and changes are announced to the
// observer (the forms and the grid announce their own through their listeners).
class FormsWorkspace {
public:
    // A GUI hands in the invoice document its editor shows, so that selections made here
    // (the unreplaced keyword) are the editor's.
    FormsWorkspace(std::string programFolder, Prompter* prompter, FileChooser* chooser,
                   std::unique_ptr<RichTextDocument> invoiceBody = nullptr);
    FormsWorkspace(const FormsWorkspace&) = delete;
    FormsWorkspace& operator=(const FormsWorkspace&) = delete;

    void SetObserver(WorkspaceObserver* observer) { observer_ = observer ? observer : &silent_; }
    const std::string& ProgramFolder() const { return programFolder_; }
    Prompter* Prompts() const { return prompter_; }

    // --- state -------------------------------------------------------------------------------
    FreightBillForm& FreightBill() { return freightBill_; }
    const FreightBillForm& FreightBill() const { return freightBill_; }
    InvoiceForm& Invoice() { return invoice_; }
    const InvoiceForm& Invoice() const { return invoice_; }
    TradeState& Trade() { return trade_; }
    const TradeState& Trade() const { return trade_; }

    const TemplateList& Templates(TemplateKind kind) const {
        return kind == TemplateKind::kFreightBill ? freightBillTemplates_ : invoiceTemplates_;
    }
    const TemplateList& FreightBillTemplates() const { return freightBillTemplates_; }
    const TemplateList& InvoiceTemplates() const { return invoiceTemplates_; }
    // The template box's edit text (GBK), the name a saved template gets.
    void SetTemplateEditText(TemplateKind kind, const std::string& text);
    // Selects without applying; the caller applies with the box's select command. -1 for none.
    void SetSelectedTemplate(TemplateKind kind, int index);
    // Appends a template to a list without writing its store.
    void AddTemplateEntry(TemplateKind kind, TemplateEntry entry) {
        AddItem(kind, std::move(entry));
    }
    // Selects the first template of this name; false when there is none.
    bool SelectTemplateNamed(TemplateKind kind, const std::string& gbkName);

    Tab CurrentTab() const { return currentTab_; }
    // Changes the tab without applying templates (the window applies on its tab change).
    void SetCurrentTab(Tab tab);

    std::int32_t FreightBillSN() const { return freightBillSN_; }
    std::int32_t InvoiceSN() const { return invoiceSN_; }
    void SetFreightBillSN(std::int32_t sn);
    void SetInvoiceSN(std::int32_t sn);

    Site SourceSite() const { return sourceSite_; }
    // From the site box's item index; any other index is neither site.
    void SetSourceSite(int index);

    bool FreightBillUnsaved() const { return freightBillUnsaved_; }
    bool InvoiceUnsaved() const { return invoiceUnsaved_; }
    void SetFreightBillUnsaved(bool unsaved);
    void SetInvoiceUnsaved(bool unsaved);

    bool AutoFileName() const { return autoFileName_; }
    void SetAutoFileName(bool on) { autoFileName_ = on; }

    // --- start-up and configuration -------------------------------------------------------
    // Start-up: both stores, then Config.pcf, then both selected templates applied once; every
    // message shown.
    void Start();
    // One store into its list, the selection kept where it still fits; the message is the
    // caller's.
    StorageResult LoadTemplateStore(TemplateKind kind);
    // Config.pcf's values applied when it was read; the message is the caller's.
    ConfigLoad ReadConfig();
    void LoadConfig();
    // Writes the current values; a sequence number that another run advanced on disk meanwhile
    // is kept, never lowered.
    bool SaveConfig();
    bool MenuItemSetDefaultClick() { return SaveConfig(); }

    // --- templates --------------------------------------------------------------------------
    // Every change of tab resets both forms to their selected templates.
    void PageControlPrintChange(Tab tab);
    void ComboBoxFreightBillSelect();
    void ComboBoxInvoiceSelect();
    // The current tab's form from its template, as the tab change leaves it.
    void ResetCurrentForm();
    // A template from a file stands in for the selected one of its kind until cleared.
    void UseTemplateSource(TemplateKind kind, std::optional<TemplateSource> source);

    // Removes one template of the current tab's list (its background file with it); the store is
    // not written. False when nothing was removed.
    bool DeleteTemplate(int index);
    void MenuItemSaveTemplateClick();
    void MenuItemDeleteTemplateClick();
    void MenuItemNewClick();

    // --- documents --------------------------------------------------------------------------
    // Documents of the current tab. Save returns true when a file was written.
    void MenuItemOpenClick();
    bool MenuItemSaveClick();
    // The save command for the form of `form`, whichever tab shows. The automatic file name
    // asks before it replaces an existing document; No saves nothing.
    bool SaveForm(Tab form);
    // The current tab's document to this path (UTF-8, extension as given), after the save
    // checks; replaces an existing file. True when it was written.
    bool SaveDocumentTo(const std::string& path);
    // Where the automatic file name puts the current tab's document.
    std::string AutomaticDocumentPath(Tab tab) const;

    // A document named by path, for a file opened from the file manager. With onlyWhole a
    // damaged file changes nothing and is only reported; otherwise as the open command does.
    bool OpenDocumentFile(TemplateKind kind, const std::string& path, bool onlyWhole);
    // The same for a document already read.
    bool OpenDocument(TemplateKind kind, const DocumentRead& file, bool onlyWhole);

    void MenuItemExportTemplateClick();
    void MenuItemImportTemplateClick();
    // An exchange file named by path, imported with the import command's questions.
    void ImportTemplateFile(TemplateKind kind, const std::string& path);

    // Asks for a picture and loads it as the freight-bill background.
    bool SpeedButtonBackgroundClick();

    // --- capture ----------------------------------------------------------------------------
    const std::string& InputText() const { return input_; }
    void SetInputText(std::string gbk);
    std::string ReplaceText() const { return captureHost_.ReplaceText(); }
    void SetReplaceText(const std::string& gbk) { captureHost_.SetReplaceText(gbk); }
    // A fixed clock for the capture commands; none reads the local clock at each search.
    void SetClock(std::optional<CaptureTime> now) { captureHost_.Settings().now = now; }
    // The find-and-replace window's three commands on the current tab's form. With the site
    // of free-form shipping info they offer and fill the recognised values instead of a page's.
    void FindNext();
    void Replace();
    void ReplaceAll();
    // The host the capture commands run on, for a window that offers its own replace box.
    CaptureHost& Capture();

    // The recogniser's reading of the input text, made once per text.
    const ShippingInfo& RecognisedShippingInfo() const;
    // The recogniser's doubts as one message, once per input text: after a capture command on
    // shipping info that found something; empty otherwise.
    std::string TakeShippingInfoDoubts();

    // What the form of `form` was filled with: the values FillFromValues put in, else those the
    // capture offers for the page Replace or Replace all took its values from. Missing values
    // for a form filled by hand, opened from a document or fresh from its template.
    FormValues FilledValues(Tab form) const;
    void RememberFilledValues(Tab form, FormValues values);

private:
    // Announces a form rebuilt when the command that rebuilds it ends, however it ends.
    class Announced {
    public:
        Announced(FormsWorkspace* ws, Tab form) : ws_(ws), form_(form) {}
        ~Announced() { ws_->observer_->FormReset(form_); }
        Announced(const Announced&) = delete;
        Announced& operator=(const Announced&) = delete;

    private:
        FormsWorkspace* ws_;
        Tab form_;
    };

    TemplateList& List(TemplateKind kind) {
        return kind == TemplateKind::kFreightBill ? freightBillTemplates_ : invoiceTemplates_;
    }
    TemplateList& CurrentList();
    // Runs a command; running out of memory stops it with the system's message.
    void Guarded(const std::function<void()>& command);
    void Show(const std::string& gbk);
    bool Ask(const std::string& caption, const std::string& text);
    // Asks about every template named `name`; true when the user said Yes to all of them (or
    // there are none), with their indexes in *same.
    bool ConfirmOverwrite(const TemplateList& list, const std::string& name,
                          std::vector<int>* same);
    // Removes items from a list, keeping the selection on the same template where it stays.
    void RemoveItem(TemplateKind kind, int index);
    void AddItem(TemplateKind kind, TemplateEntry entry);
    bool SaveStore(TemplateKind kind);
    void DeleteBackgroundFile(const std::string& gbkFileName);
    void PrepareCapture();

    void SaveFreightBillTemplate();
    void SaveInvoiceTemplate();
    void OpenFreightBill();
    void OpenInvoice();
    bool SaveFreightBill(const std::string& path);
    bool SaveInvoice(const std::string& path);
    bool SaveInvoiceChecks();
    std::string ChooseDocumentForSaving(TemplateKind kind, bool* cancelled);
    void ExportTemplate(TemplateKind kind);
    void ImportTemplate(TemplateKind kind);
    void ImportTemplateFrom(TemplateKind kind, const std::string& path);
    // The JPEG of the picture a freight-bill record names, for an exchange file; empty with a
    // message when it names none or the file cannot be had.
    std::string ExportPicture(const std::string& record);

    std::string programFolder_;
    Prompter* prompter_;
    FileChooser* chooser_;
    WorkspaceObserver silent_;
    WorkspaceObserver* observer_ = &silent_;

    FreightBillForm freightBill_;
    InvoiceForm invoice_;
    TemplateList freightBillTemplates_;
    TemplateList invoiceTemplates_;
    std::optional<TemplateSource> freightBillOverride_;
    std::optional<TemplateSource> invoiceOverride_;
    BackgroundCache pictures_;
    TradeState trade_;

    Tab currentTab_ = kTabInput;
    std::int32_t freightBillSN_ = kDefaultSequenceNumber;
    std::int32_t invoiceSN_ = kDefaultSequenceNumber;
    Site sourceSite_ = kSiteNone;
    bool freightBillUnsaved_ = false;
    bool invoiceUnsaved_ = false;
    bool autoFileName_ = true;
    std::string lastImportName_;

    // Per form (freight bill, invoice): the values given, or the page and site captured from.
    struct FormFill {
        std::optional<FormValues> given;
        std::string page;
        Site site = kSiteNone;
    };
    FormFill& Fill(Tab form) { return fills_[form == kTabInvoice ? 1 : 0]; }
    const FormFill& Fill(Tab form) const { return fills_[form == kTabInvoice ? 1 : 0]; }
    void NoteCapturedPage();
    // False, after saying so, when the recogniser found nothing in the input text.
    bool ShippingInfoFound();

    FormFill fills_[2];
    std::string input_;
    mutable std::optional<ShippingInfo> recognised_;
    bool doubtsShown_ = false;
    SilentPrompter silentPrompter_;
    FormsCaptureHost captureHost_;
};

}  // namespace tallivo
