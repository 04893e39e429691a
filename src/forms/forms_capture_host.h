// The capture engine's view of the two form models, for the window and the command line alike.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "capture/capture_host.h"
#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "text/message_sink.h"

namespace tallivo {

// The local clock.
CaptureTime ClockNow();

// What a capture command reads besides the forms.
struct FormsCaptureSettings {
    Site site = kSiteNone;
    Tab tab = kTabInput;
    std::optional<CaptureTime> now;  // none: the local clock at each reading
    int invoiceSn = 0;
    std::function<void()> freightBillChanged;  // the engine marks a form unsaved
    std::function<void()> invoiceChanged;
    std::function<void()> replaceTextChanged;
};

// Says nothing and answers No, for a workspace that has nobody to ask.
class SilentPrompter : public Prompter {
public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
};

// A missing form reads as an empty one, so that a command on the other tab still finds boxes
// and a grid to look at.
class FormsCaptureHost : public CaptureHost {
public:
    FormsCaptureHost(const std::string& input, FreightBillForm* freightBill, InvoiceForm* invoice,
                     TradeState& trade, Prompter& prompter, FormsCaptureSettings settings = {});

    FormsCaptureSettings& Settings() { return settings_; }

    const std::string& InputText() const override { return input_; }
    Site SiteIndex() const override { return settings_.site; }
    Tab CurrentTab() const override { return settings_.tab; }
    int FieldBoxCount() const override;
    TextDocument& FieldBox(int index) override;
    TextDocument& InvoiceDocument() override;
    GoodsGrid& Goods() override;
    std::string ReplaceText() const override { return replace_; }
    void SetReplaceText(const std::string& text) override;
    Prompter& Prompts() override { return prompter_; }
    CaptureTime Now() const override { return settings_.now ? *settings_.now : ClockNow(); }
    int InvoiceSequenceNumber() const override { return settings_.invoiceSn; }
    TradeState& Trade() override { return trade_; }
    void SetFreightBillUnsaved() override;
    void SetInvoiceUnsaved() override;

private:
    const std::string& input_;
    FreightBillForm* freightBill_;
    InvoiceForm* invoice_;
    TradeState& trade_;
    Prompter& prompter_;
    FormsCaptureSettings settings_;
    std::string replace_;
    RichTextDocument spareDocument_;
    GoodsGrid spareGrid_;
};

}  // namespace tallivo
