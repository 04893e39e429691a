#include "cli/cli_forms.h"

#include "storage/document_files.h"

namespace tallivo {

void CliPrompter::ShowMessage(const std::string& text) {
    messages.push_back(text);
}

bool CliPrompter::AskYesNo(const std::string& caption, const std::string& text) {
    questions.push_back({caption, text, answerYes_});
    return answerYes_;
}

FreightBillTemplate::FreightBillTemplate(const FormSource& source,
                                         const std::string& programFolder) {
    if (!source.present) return;
    CliPrompter prompter(false);
    FreightBillForm proto;
    FreightBillRecordRead read = ReadFreightBillRecord(source.record);
    ApplyFreightBillRecord(proto, read, programFolder, &prompter,
                           source.embeddedJpeg ? &*source.embeddedJpeg : nullptr);
    if (read.background_image) backgroundName_ = *read.background_image;
    background_ = proto.background;
    printWidth_ = proto.printWidth;
    biasX_ = proto.biasX;
    biasY_ = proto.biasY;
    boxes_ = std::move(read.boxes);
    messages_ = std::move(prompter.messages);
}

void FreightBillTemplate::ResetAndApply(FreightBillForm& form, Prompter& prompter) const {
    ClearFreightBill(form);
    form.background = background_;
    form.printWidth = printWidth_;
    form.biasX = biasX_;
    form.biasY = biasY_;
    for (const FieldBoxRecord& b : boxes_)
        AddFieldBox(form, b.rtf, b.left, b.top, b.height, b.width);
    for (const std::string& m : messages_) prompter.ShowMessage(m);
}

InvoiceTemplate::InvoiceTemplate(const FormSource& source) : present_(source.present) {
    if (!present_) return;
    if (source.isInvoiceDocument) {
        read_ = ParseInvoiceDocument(source.record);
        if (!read_.ok && !read_.message.empty()) messages_.push_back(read_.message);
        return;
    }
    read_.record = ReadInvoiceRecord(std::string_view(source.record));
    if (!read_.record.ok && !read_.record.message.empty())
        messages_.push_back(read_.record.message);
}

void InvoiceTemplate::ResetAndApply(InvoiceForm& form, TradeState& trade,
                                    Prompter& prompter) const {
    ClearInvoice(form, trade);
    trade.paipaiGoodsCaptured = false;
    if (!present_) return;
    ApplyInvoiceDocument(form, read_);
    for (const std::string& m : messages_) prompter.ShowMessage(m);
}

}  // namespace tallivo
