#pragma once

#include <string>
#include <vector>

#include "forms/background_image.h"
#include "forms/file_chooser.h"
#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "forms/workspace_observer.h"
#include "storage/storage_result.h"
#include "storage/template_store.h"
#include "text/form_kind.h"
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

// Both template lists with their stores and the pictures the freight-bill templates name:
// selecting, saving, deleting, exporting and importing templates. The forms they are applied
// to are the workspace's. Messages and questions go through the prompter.
class TemplateLibrary {
public:
    TemplateLibrary(std::string programFolder, Prompter* prompter, FileChooser* chooser);

    void SetObserver(WorkspaceObserver* observer) { observer_ = observer; }

    const TemplateList& List(FormKind form) const { return lists_[form]; }
    // Pictures recently decoded for the freight-bill templates.
    BackgroundCache& Pictures() { return pictures_; }

    void SetEditText(FormKind form, const std::string& text);
    // -1 for none.
    void Select(FormKind form, int index);
    // Selects the first template of this name; false when there is none.
    bool SelectNamed(FormKind form, const std::string& gbkName);
    // Appends without writing the store.
    void Add(FormKind form, TemplateEntry entry);
    // The store into its list, the selection kept where it still fits; the message is the
    // caller's.
    StorageResult Load(FormKind form);
    // Writes the list to its store; a failure is shown.
    bool Save(FormKind form);

    // Removes one template, and a freight-bill template's picture file; the store is not
    // written. False when nothing was removed.
    bool Delete(FormKind form, int index);
    // The form as a template named by the edit text, replacing those of its name when the
    // user agrees, and the store written. The freight bill's picture is written beside it,
    // and the form then names it.
    void SaveFreightBillTemplate(FreightBillForm& form);
    void SaveInvoiceTemplate(const InvoiceForm& form);

    // The selected template to an exchange file the user chooses.
    void Export(FormKind form);
    // An exchange file the user chooses, or one named by path, into the list and its store.
    void Import(FormKind form);
    void ImportFile(FormKind form, const std::string& path);

private:
    void Show(const std::string& gbk);
    // Asks about every template named `name`; true when the user said Yes to all of them (or
    // there are none), with their indexes in *same.
    bool ConfirmOverwrite(const TemplateList& list, const std::string& name,
                          std::vector<int>* same);
    // Keeps the selection on the same template where it stays.
    void Remove(FormKind form, int index);
    void DeleteBackgroundFile(const std::string& gbkFileName);
    // The JPEG of the picture a freight-bill record names, for an exchange file; empty with a
    // message when it names none or the file cannot be had.
    std::string ExportPicture(const std::string& record);

    std::string programFolder_;
    Prompter* prompter_;
    FileChooser* chooser_;
    WorkspaceObserver silent_;
    WorkspaceObserver* observer_ = &silent_;
    PerForm<TemplateList> lists_;
    BackgroundCache pictures_;
    std::string lastImportName_;
};

}  // namespace tallivo
