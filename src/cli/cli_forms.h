// The forms as the command line fills them: each page starts from a fresh copy of one template,
// applied once and copied cheaply, and the capture host over them.
#pragma once

#include <QImage>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/capture_host.h"
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

private:
    QImage background_;
    int printWidth_ = kDefaultPrintWidth;
    int biasX_ = 0;
    int biasY_ = 0;
    std::vector<FieldBoxRecord> boxes_;
    std::vector<std::string> messages_;
    std::string backgroundName_;

public:
    const std::string& BackgroundName() const { return backgroundName_; }
};

class InvoiceTemplate {
public:
    explicit InvoiceTemplate(const FormSource& source);
    void ResetAndApply(InvoiceForm& form, TradeState& trade, Prompter& prompter) const;

private:
    bool present_ = false;
    InvoiceRecordRead record_;
    std::optional<int> rowCount_;
    std::vector<std::string> cells_;
    std::vector<std::string> messages_;
};

// Document bytes of the filled forms.
std::string FreightBillDocumentBytes(const FreightBillForm& form, const std::string& imageName);
std::string InvoiceDocumentBytes(const InvoiceForm& form);

class CliHost : public CaptureHost {
public:
    CliHost(const std::string& input, int site, int tab, FreightBillForm* freight,
            InvoiceForm* invoice, TradeState& trade, Prompter& prompter, CaptureTime now,
            int invoiceSn);

    const std::string& InputText() const override { return input_; }
    int SiteIndex() const override { return site_; }
    int CurrentTab() const override { return tab_; }
    int FieldBoxCount() const override;
    TextDocument& FieldBox(int index) override;
    TextDocument& InvoiceDocument() override;
    GoodsGrid& Goods() override;
    std::string ReplaceText() const override { return replace_; }
    void SetReplaceText(const std::string& text) override { replace_ = text; }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        return prompter_.AskYesNo(caption, text);
    }
    void ShowMessage(const std::string& text) override { prompter_.ShowMessage(text); }
    CaptureTime Now() const override { return now_; }
    int InvoiceSequenceNumber() const override { return invoiceSn_; }
    TradeState& Trade() override { return trade_; }
    void SetFreightBillUnsaved() override {}
    void SetInvoiceUnsaved() override {}

private:
    const std::string& input_;
    int site_;
    int tab_;
    FreightBillForm* freight_;
    InvoiceForm* invoice_;
    TradeState& trade_;
    Prompter& prompter_;
    CaptureTime now_;
    int invoiceSn_;
    std::string replace_;
    RichTextDocument spareDocument_;
    GoodsGrid spareGrid_;
};

// The local clock.
CaptureTime ClockNow();

}  // namespace tallivo
