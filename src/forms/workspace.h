#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "forms/file_chooser.h"
#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "storage/config_file.h"
#include "storage/template_store.h"
#include "text/message_sink.h"

namespace tallivo {

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

// Both forms, both template lists, the remembered values of Config.pcf, the unsaved flags and
// the trade state, with the template, document and exchange commands that act on them. The
// GUI and the command line drive the same object; dialogs and questions go through the
// prompter and the file chooser.
class FormsWorkspace {
public:
    enum Tab { kInputTab = 0, kFreightBillTab = 1, kInvoiceTab = 2 };

    // A GUI hands in the invoice document its editor shows, so that selections made here
    // (the unreplaced keyword) are the editor's.
    FormsWorkspace(std::string programFolder, Prompter* prompter, FileChooser* chooser,
                   std::unique_ptr<RichTextDocument> invoiceBody = nullptr);

    const std::string& ProgramFolder() const { return programFolder_; }

    // Start-up: both stores, then Config.pcf, then both selected templates applied.
    void Start();

    // Config.pcf.
    void LoadConfig();
    bool SaveConfig();
    bool MenuItemSetDefaultClick() { return SaveConfig(); }

    // Every change of tab resets both forms to their selected templates.
    void PageControlPrintChange(int tab);

    void ComboBoxFreightBillSelect();
    void ComboBoxInvoiceSelect();
    // Removes one template of the current tab's list (its background file with it); the store is
    // not written. False when nothing was removed.
    bool DeleteTemplate(int index);

    void MenuItemSaveTemplateClick();
    void MenuItemDeleteTemplateClick();
    void MenuItemNewClick();

    // Documents of the current tab. Save returns true when a file was written.
    void MenuItemOpenClick();
    bool MenuItemSaveClick();

    void MenuItemExportTemplateClick();
    void MenuItemImportTemplateClick();

    // Asks for a picture and loads it as the freight-bill background.
    bool SpeedButtonBackgroundClick();

    FreightBillForm freightBill;
    InvoiceForm invoice;
    TemplateList freightBillTemplates;
    TemplateList invoiceTemplates;
    TradeState trade;

    int currentTab = kInputTab;
    std::int32_t freightBillSN = 1382401;
    std::int32_t invoiceSN = 1382401;
    int sourceSite = -1;
    bool freightBillUnsaved = false;
    bool invoiceUnsaved = false;
    bool autoFileName = true;

private:
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
    static void RemoveItem(TemplateList& list, int index);
    bool SaveStore(TemplateKind kind);
    void DeleteBackgroundFile(const std::string& gbkFileName);

    void SaveFreightBillTemplate();
    void SaveInvoiceTemplate();
    void OpenFreightBill();
    void OpenInvoice();
    bool SaveFreightBill();
    bool SaveInvoice();
    std::string ChooseDocumentForSaving(TemplateKind kind, bool* cancelled);
    void ExportTemplate(TemplateKind kind);
    void ImportTemplate(TemplateKind kind);

    std::string programFolder_;
    Prompter* prompter_;
    FileChooser* chooser_;
    std::string lastImportName_;
};

}  // namespace tallivo
