#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "capture/text_document.h"
#include "invoice/goods_grid.h"
#include "support/recording_prompter.h"

namespace tallivo::testing {

// A capture host for tests: public state, questions answered from `prompter.answers` (then
// No), messages recorded.
class ScriptedHost : public CaptureHost {
public:
    // A document that takes the focus away from its siblings, as widgets do.
    class Box : public PlainTextDocument {
    public:
        Box(ScriptedHost* host, std::string text)
            : PlainTextDocument(std::move(text)), host_(host) {}
        void SetFocus() override {
            if (!CanFocus()) return;
            host_->ClearFocus();
            SetFocused(true);
        }

    private:
        ScriptedHost* host_;
    };

    ScriptedHost() : invoice(this, "") { trade.askMultipleBuyers = true; }

    // Input page and tab in one go.
    ScriptedHost(std::string page, int siteIndex, int tabIndex) : ScriptedHost() {
        input = std::move(page);
        site = siteIndex;
        tab = tabIndex;
    }

    Box& AddBox(std::string text) {
        boxes.push_back(std::make_unique<Box>(this, std::move(text)));
        return *boxes.back();
    }
    void ClearFocus() {
        for (auto& box : boxes) box->SetFocused(false);
        invoice.SetFocused(false);
    }

    const std::string& InputText() const override { return input; }
    Site SiteIndex() const override { return SiteOfIndex(site); }
    Tab CurrentTab() const override { return static_cast<Tab>(tab); }
    int FieldBoxCount() const override { return static_cast<int>(boxes.size()); }
    TextDocument& FieldBox(int index) override { return *boxes[static_cast<std::size_t>(index)]; }
    TextDocument& InvoiceDocument() override { return invoice; }
    GoodsGrid& Goods() override { return grid; }
    std::string ReplaceText() const override { return replaceText; }
    void SetReplaceText(const std::string& text) override {
        replaceText = text;
        replaceAllSelected = true;
        ++offers;
    }
    Prompter& Prompts() override { return prompter; }
    CaptureTime Now() const override { return now; }
    int InvoiceSequenceNumber() const override { return invoiceSN; }
    TradeState& Trade() override { return trade; }
    void SetFreightBillUnsaved() override { freightBillUnsaved = true; }
    void SetInvoiceUnsaved() override { invoiceUnsaved = true; }

    RecordingPrompter prompter;
    std::string input;
    int site = kSiteTaobao;
    int tab = kTabInvoice;
    std::vector<std::unique_ptr<Box>> boxes;
    Box invoice;
    GoodsGrid grid;
    std::string replaceText;
    bool replaceAllSelected = false;
    int offers = 0;  // how many times a value was put into the replacement box
    CaptureTime now{2008, 3, 7, 9, 5, 30};
    int invoiceSN = 1382401;
    TradeState trade;
    bool freightBillUnsaved = false;
    bool invoiceUnsaved = false;
};

}  // namespace tallivo::testing
