#include "cli/cli_forms.h"

#include <algorithm>
#include <ctime>

#include "forms/background_image.h"
#include "forms/jpeg_codec.h"
#include "storage/document_files.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

const std::string& CannotOpenPictureMessage() {
    static const std::string text = Gbk(u8"无法打开背景图片文件！");
    return text;
}

}  // namespace

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
    ApplyFreightBillRecord(proto, source.record, programFolder, &prompter);
    const FreightBillRecordRead read = ReadFreightBillRecord(source.record);
    if (read.background_image) backgroundName_ = *read.background_image;
    if (source.embeddedJpeg && read.background_image && !read.background_image->empty()) {
        // An exchange file carries its own picture; the folder's copy may not exist yet.
        auto& m = prompter.messages;
        m.erase(std::remove(m.begin(), m.end(), CannotOpenPictureMessage()), m.end());
        QImage decoded;
        if (!source.embeddedJpeg->empty() && DecodeJpeg(*source.embeddedJpeg, &decoded).ok &&
            !decoded.isNull()) {
            proto.background = FitPicture(decoded, proto.pictureArea);
        } else {
            m.insert(m.begin(), CannotOpenPictureMessage());
        }
    }
    background_ = proto.background;
    printWidth_ = proto.printWidth;
    biasX_ = proto.biasX;
    biasY_ = proto.biasY;
    boxes_ = read.boxes;
    messages_ = std::move(prompter.messages);
}

void FreightBillTemplate::ResetAndApply(FreightBillForm& form, Prompter& prompter) const {
    ClearFreightBill(form);
    form.background = background_;
    form.printWidth = printWidth_;
    form.biasX = biasX_;
    form.biasY = biasY_;
    for (const FieldBoxRecord& b : boxes_) {
        FieldBox& box = AddFieldBox(form, b.rtf, b.left, b.top, b.height, b.width);
        box.content->SetCanFocus(true);
    }
    for (const std::string& m : messages_) prompter.ShowMessage(m);
}

InvoiceTemplate::InvoiceTemplate(const FormSource& source) : present_(source.present) {
    if (!present_) return;
    if (source.isInvoiceDocument) {
        InvoiceDocumentRead read = ParseInvoiceDocument(source.record);
        record_ = read.record;
        rowCount_ = read.row_count;
        cells_ = std::move(read.cells);
        if (!read.ok && !read.message.empty()) messages_.push_back(read.message);
        return;
    }
    record_ = ReadInvoiceRecord(std::string_view(source.record));
    if (!record_.ok && !record_.message.empty()) messages_.push_back(record_.message);
}

void InvoiceTemplate::ResetAndApply(InvoiceForm& form, TradeState& trade,
                                    Prompter& prompter) const {
    ClearInvoice(form, trade);
    trade.paipaiGoodsCaptured = false;
    if (!present_) return;
    ApplyInvoiceRecord(form, record_);
    if (rowCount_) {
        form.grid.SetRowCount(*rowCount_);
        for (size_t i = 0; i < cells_.size(); ++i) {
            const int row = 1 + static_cast<int>(i / GoodsGrid::kColumnCount);
            const int column = static_cast<int>(i % GoodsGrid::kColumnCount);
            if (row < form.grid.RowCount()) form.grid.SetCell(column, row, cells_[i]);
        }
    }
    for (const std::string& m : messages_) prompter.ShowMessage(m);
}

std::string FreightBillDocumentBytes(const FreightBillForm& form, const std::string& imageName) {
    std::string out;
    return WriteFreightBillRecord(out, form, imageName);
}

std::string InvoiceDocumentBytes(const InvoiceForm& form) {
    InvoiceRecord record;
    record.print_width = form.printWidth;
    record.body_rtf = form.Body().ToRtf();
    InvoiceGridCells grid;
    grid.row_count = form.grid.RowCount();
    grid.cells.reserve(static_cast<size_t>(grid.row_count) * GoodsGrid::kColumnCount);
    for (int r = 1; r < form.grid.RowCount(); ++r)
        for (int c = 0; c < GoodsGrid::kColumnCount; ++c)
            grid.cells.push_back(form.grid.Cell(c, r));
    return FormatInvoiceDocument(record, grid);
}

CliHost::CliHost(const std::string& input, int site, int tab, FreightBillForm* freight,
                 InvoiceForm* invoice, TradeState& trade, Prompter& prompter, CaptureTime now,
                 int invoiceSn)
    : input_(input),
      site_(site),
      tab_(tab),
      freight_(freight),
      invoice_(invoice),
      trade_(trade),
      prompter_(prompter),
      now_(now),
      invoiceSn_(invoiceSn) {}

int CliHost::FieldBoxCount() const {
    return freight_ ? static_cast<int>(freight_->boxes.size()) : 0;
}

TextDocument& CliHost::FieldBox(int index) {
    if (!freight_ || index < 0 || index >= FieldBoxCount()) return spareDocument_;
    return *freight_->boxes[static_cast<size_t>(index)]->content;
}

TextDocument& CliHost::InvoiceDocument() {
    return invoice_ ? invoice_->Body() : spareDocument_;
}

GoodsGrid& CliHost::Goods() {
    return invoice_ ? invoice_->grid : spareGrid_;
}

CaptureTime ClockNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace tallivo
