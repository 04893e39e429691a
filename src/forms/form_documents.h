#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "capture/capture_host.h"
#include "forms/file_chooser.h"
#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "storage/document_files.h"
#include "text/form_kind.h"
#include "text/message_sink.h"

namespace tallivo {

// The folder the form's documents and exchange files go in by default.
std::string DocumentFolder(const std::string& programFolder, FormKind form);

// The documents (.pfb, .pin) of a workspace's two forms: choosing one, reading it into its
// form, the automatic file name, the checks before a save and writing. Messages and questions
// go through the prompter.
class FormDocuments {
public:
    FormDocuments(std::string programFolder, Prompter* prompter, FileChooser* chooser,
                  FreightBillForm& freightBill, InvoiceForm& invoice, TradeState& trade);

    // A document of the form the user chooses to open; none when cancelled.
    std::optional<std::string> ChooseToOpen(FormKind form) const;
    // Reads a document into its form. With onlyWhole a damaged file changes nothing and is
    // only reported; otherwise the form is emptied first and keeps what was read before the
    // damage. `emptied` runs when the form is emptied.
    bool Open(FormKind form, const DocumentRead& file, bool onlyWhole,
              const std::function<void()>& emptied);

    // Where the automatic file name puts the form's document of this number.
    std::string AutomaticPath(FormKind form, std::int32_t sequenceNumber) const;
    // Where the save command writes: the automatic name, after asking before it replaces an
    // existing document, or the name the user chooses. None when cancelled or refused.
    std::optional<std::string> ChooseForSaving(FormKind form, std::int32_t sequenceNumber,
                                               bool automatic);
    // The checks before a save; the invoice's ask about an unreplaced keyword or a repeated
    // trade.
    bool Checks(FormKind form) const;
    // Writes the form's document; false with the message shown.
    bool Write(FormKind form, const std::string& path);

private:
    void Show(const std::string& gbk) const;

    std::string programFolder_;
    Prompter* prompter_;
    FileChooser* chooser_;
    FreightBillForm& freightBill_;
    InvoiceForm& invoice_;
    TradeState& trade_;
};

}  // namespace tallivo
