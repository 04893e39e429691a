#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "forms/file_chooser.h"
#include "forms/form_documents.h"
#include "forms/form_values.h"
#include "forms/forms_capture_host.h"
#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "forms/shipping_info_fill.h"
#include "forms/template_library.h"
#include "forms/template_source.h"
#include "forms/workspace_observer.h"
#include "storage/config_file.h"
#include "text/form_kind.h"
#include "text/message_sink.h"

namespace tallivo {

struct DocumentRead;

// Both forms, the remembered values of Config.pcf, the unsaved flags, the pasted page and the
// trade state, with the template, document, exchange and capture commands that act on them.
// The template lists live in a TemplateLibrary and the documents are read and written by
// FormDocuments; the window and the command line drive this one object. Dialogs and questions
// go through the prompter and the file chooser, and changes are announced to the observer (the
// forms and the grid announce their own through their listeners).
class FormsWorkspace {
public:
    // A GUI hands in the invoice document its editor shows, so that selections made here
    // (the unreplaced keyword) are the editor's.
    FormsWorkspace(std::string programFolder, Prompter* prompter, FileChooser* chooser,
                   std::unique_ptr<RichTextDocument> invoiceBody = nullptr);
    FormsWorkspace(const FormsWorkspace&) = delete;
    FormsWorkspace& operator=(const FormsWorkspace&) = delete;

    void SetObserver(WorkspaceObserver* observer);
    const std::string& ProgramFolder() const { return programFolder_; }
    Prompter* Prompts() const { return prompter_; }

    // --- state -------------------------------------------------------------------------------
    FreightBillForm& FreightBill() { return freightBill_; }
    const FreightBillForm& FreightBill() const { return freightBill_; }
    InvoiceForm& Invoice() { return invoice_; }
    const InvoiceForm& Invoice() const { return invoice_; }
    TradeState& Trade() { return trade_; }
    const TradeState& Trade() const { return trade_; }

    const TemplateList& Templates(FormKind form) const { return templates_.List(form); }
    const TemplateList& FreightBillTemplates() const { return Templates(FormKind::kFreightBill); }
    const TemplateList& InvoiceTemplates() const { return Templates(FormKind::kInvoice); }
    // The template box's edit text (GBK), the name a saved template gets.
    void SetTemplateEditText(FormKind form, const std::string& text) {
        templates_.SetEditText(form, text);
    }
    // Selects without applying; the caller applies with the box's select command. -1 for none.
    void SetSelectedTemplate(FormKind form, int index) { templates_.Select(form, index); }
    // Appends a template to a list without writing its store.
    void AddTemplateEntry(FormKind form, TemplateEntry entry) {
        templates_.Add(form, std::move(entry));
    }
    // Selects the first template of this name; false when there is none.
    bool SelectTemplateNamed(FormKind form, const std::string& gbkName) {
        return templates_.SelectNamed(form, gbkName);
    }

    Tab CurrentTab() const { return currentTab_; }
    // Changes the tab without applying templates (the window applies on its tab change).
    void SetCurrentTab(Tab tab);

    std::int32_t SequenceNumber(FormKind form) const { return forms_[form].sequenceNumber; }
    void SetSequenceNumber(FormKind form, std::int32_t sn);
    std::int32_t FreightBillSN() const { return SequenceNumber(FormKind::kFreightBill); }
    std::int32_t InvoiceSN() const { return SequenceNumber(FormKind::kInvoice); }
    void SetFreightBillSN(std::int32_t sn) { SetSequenceNumber(FormKind::kFreightBill, sn); }
    void SetInvoiceSN(std::int32_t sn) { SetSequenceNumber(FormKind::kInvoice, sn); }
    // A number the seller typed: the new-document command and Config.pcf take it as it is,
    // even below one another run saved.
    void SetTypedSequenceNumber(FormKind form, std::int32_t sn);
    // Before a fill of the form with another trade than the one its number was saved with,
    // the form takes the next number, as the new-document command gives it. Null values stand
    // for the page in the memo.
    void BeforeFill(FormKind form, const FormValues* values);

    Site SourceSite() const { return sourceSite_; }
    // From the site box's item index; any other index is neither site.
    void SetSourceSite(int index);

    bool Unsaved(FormKind form) const { return forms_[form].unsaved; }
    void SetUnsaved(FormKind form, bool unsaved);
    bool FreightBillUnsaved() const { return Unsaved(FormKind::kFreightBill); }
    bool InvoiceUnsaved() const { return Unsaved(FormKind::kInvoice); }
    void SetFreightBillUnsaved(bool unsaved) { SetUnsaved(FormKind::kFreightBill, unsaved); }
    void SetInvoiceUnsaved(bool unsaved) { SetUnsaved(FormKind::kInvoice, unsaved); }

    bool AutoFileName() const { return autoFileName_; }
    void SetAutoFileName(bool on) { autoFileName_ = on; }

    // --- start-up and configuration -------------------------------------------------------
    // Start-up: both stores, then Config.pcf, then both selected templates applied once; every
    // message shown.
    void Start();
    // One store into its list, the selection kept where it still fits; the message is the
    // caller's.
    StorageResult LoadTemplateStore(FormKind form) { return templates_.Load(form); }
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
    // The form from its selected template, or from the template file standing in for it.
    void ApplyTemplate(FormKind form);
    void ComboBoxFreightBillSelect() { ApplyTemplate(FormKind::kFreightBill); }
    void ComboBoxInvoiceSelect() { ApplyTemplate(FormKind::kInvoice); }
    // The current tab's form from its template, as the tab change leaves it.
    void ResetCurrentForm();
    // A template from a file stands in for the selected one of its kind until cleared.
    void UseTemplateSource(FormKind form, std::optional<TemplateSource> source) {
        forms_[form].override = std::move(source);
    }

    // Removes one template of the current tab's list (its background file with it); the store is
    // not written. False when nothing was removed.
    bool DeleteTemplate(int index);
    void MenuItemSaveTemplateClick();
    void MenuItemDeleteTemplateClick();
    void MenuItemNewClick();

    // --- documents --------------------------------------------------------------------------
    // Documents of the current tab. Save returns true when a file was written.
    // mayReplace, when given, is asked once a file is chosen; false keeps the form.
    void MenuItemOpenClick(const std::function<bool()>& mayReplace = nullptr);
    bool MenuItemSaveClick();
    // The save command for this form, whichever tab shows. The automatic file name asks
    // before it replaces an existing document; No saves nothing.
    bool SaveForm(FormKind form);
    // The current tab's document to this path (UTF-8, extension as given), after the save
    // checks; replaces an existing file. True when it was written.
    bool SaveDocumentTo(const std::string& path);
    // Where the automatic file name puts the form's document.
    std::string AutomaticDocumentPath(FormKind form) const {
        return documents_.AutomaticPath(form, SequenceNumber(form));
    }

    // A document named by path, for a file opened from the file manager. With onlyWhole a
    // damaged file changes nothing and is only reported; otherwise as the open command does.
    bool OpenDocumentFile(FormKind form, const std::string& path, bool onlyWhole);
    // The same for a document already read.
    bool OpenDocument(FormKind form, const DocumentRead& file, bool onlyWhole);

    void MenuItemExportTemplateClick();
    void MenuItemImportTemplateClick();
    // An exchange file named by path, imported with the import command's questions.
    void ImportTemplateFile(FormKind form, const std::string& path);

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

    // What the form was filled with: the values FillFromValues put in, else those the capture
    // offers for the page Replace or Replace all took its values from. Missing values for a
    // form filled by hand, opened from a document or fresh from its template.
    FormValues FilledValues(FormKind form) const;
    void RememberFilledValues(FormKind form, FormValues values);

private:
    // Announces a form rebuilt when the command that rebuilds it ends, however it ends.
    class Announced {
    public:
        Announced(FormsWorkspace* ws, FormKind form) : ws_(ws), form_(form) {}
        ~Announced() { ws_->observer_->FormReset(form_); }
        Announced(const Announced&) = delete;
        Announced& operator=(const Announced&) = delete;

    private:
        FormsWorkspace* ws_;
        FormKind form_;
    };

    // Runs a command; running out of memory stops it with the system's message.
    void Guarded(const std::function<void()>& command);
    void Show(const std::string& gbk);
    std::optional<FormKind> CurrentForm() const { return FormOf(currentTab_); }
    void PrepareCapture();
    // Forgets what the form was filled with.
    void ForgetFill(FormKind form);
    void NoteCapturedPage();
    // The number past this form's, and past any another run saved meanwhile unless typed.
    std::int32_t NextSequenceNumber(FormKind form) const;
    // Which trade the form holds now, to tell whether a fill brings another.
    std::string FillIdentity(FormKind form, const FormValues* values) const;
    void NoteNumberSpent(FormKind form);
    // False, after saying so, when the recogniser found nothing in the input text.
    bool ShippingInfoFound();

    std::string programFolder_;
    Prompter* prompter_;
    FileChooser* chooser_;
    WorkspaceObserver silent_;
    WorkspaceObserver* observer_ = &silent_;

    FreightBillForm freightBill_;
    InvoiceForm invoice_;
    TradeState trade_;
    TemplateLibrary templates_;
    FormDocuments documents_;
    // The freight-bill template last applied, read once for as long as its record is the same:
    // a batch applies it again for every order.
    std::string parsedRecord_;
    std::optional<ParsedFreightBillTemplate> parsedFreightBill_;
    const ParsedFreightBillTemplate& ParsedFreightBill(const std::string& record);

    // What the workspace keeps for each form besides the form itself.
    struct FormSettings {
        std::int32_t sequenceNumber = kDefaultSequenceNumber;
        bool unsaved = false;
        // A template from a file standing in for the selected one.
        std::optional<TemplateSource> override;
        // The values given, or else the page and site captured from.
        std::optional<FormValues> given;
        std::string page;
        Site site = kSiteNone;
        // The seller typed the number; no other run's number overrides it.
        bool typed = false;
        // The trade the number was saved with; none while the number is unused.
        std::optional<std::string> spentWith;
    };
    PerForm<FormSettings> forms_;

    Tab currentTab_ = kTabInput;
    Site sourceSite_ = kSiteNone;
    bool autoFileName_ = true;

    std::string input_;
    mutable std::optional<ShippingInfo> recognised_;
    bool doubtsShown_ = false;
    SilentPrompter silentPrompter_;
    FormsCaptureHost captureHost_;
};

}  // namespace tallivo
