// The forms as the command line fills them: each page starts from a fresh copy of one template,
// applied once and copied cheaply.
#pragma once

#include <QImage>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "storage/template_records.h"
#include "text/message_sink.h"

namespace tallivo {

// Collects what a page's work says and asks; questions get the fixed answer.
class CliPrompter : public Prompter {
public:
    struct Question {
        std::string caption;  // GBK
        std::string text;
        bool answer = false;
    };
    explicit CliPrompter(bool answerYes) : answerYes_(answerYes) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;

    std::vector<std::string> messages;  // GBK
    std::vector<Question> questions;

private:
    bool answerYes_;
};

// Where a form's starting content comes from.
struct FormSource {
    bool present = false;
    std::string record;                       // template record, or a .pfb file
    std::optional<std::string> embeddedJpeg;  // the picture of a .pff exchange file
    bool isInvoiceDocument = false;           // record is a whole .pin file, grid included
};

// A template applied once. Every page then gets a copy made the way applying it would make
// one (the boxes from the stored bytes), with the very same background image, so that a PDF
// embeds the picture once however many pages use it.
class FreightBillTemplate {
public:
    FreightBillTemplate(const FormSource& source, const std::string& programFolder);
    // Resets the form and fills it as applying the template does; the template's messages are
    // shown again for every copy, as each application would show them.
    void ResetAndApply(FreightBillForm& form, Prompter& prompter) const;
    const std::string& BackgroundName() const { return backgroundName_; }

private:
    QImage background_;
    int printWidth_ = kDefaultPrintWidth;
    int biasX_ = 0;
    int biasY_ = 0;
    std::vector<FieldBoxRecord> boxes_;
    std::vector<std::string> messages_;
    std::string backgroundName_;
};

class InvoiceTemplate {
public:
    explicit InvoiceTemplate(const FormSource& source);
    void ResetAndApply(InvoiceForm& form, TradeState& trade, Prompter& prompter) const;

private:
    bool present_ = false;
    InvoiceDocumentRead read_;  // a bare record reads as a document without a grid
    std::vector<std::string> messages_;
};

}  // namespace tallivo
