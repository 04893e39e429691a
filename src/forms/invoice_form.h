#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "invoice/goods_grid.h"
#include "richtext/rich_text_document.h"
#include "storage/byte_codec.h"
#include "storage/document_files.h"
#include "storage/template_records.h"
#include "text/message_sink.h"

namespace tallivo {

// Design widths in pixels of the goods grid's seven columns.
inline constexpr std::array<int, 7> kGoodsGridColumnWidths{134, 430, 35, 52, 43, 49, 63};

// The invoice tab: rich-text body, print width in millimetres, goods grid, and the grid's
// column widths as the seller set them on screen (the printed table keeps their proportions).
class InvoiceForm {
public:
    InvoiceForm() : body_(std::make_unique<RichTextDocument>()) {}
    // A GUI hands in the document its editor shows.
    explicit InvoiceForm(std::unique_ptr<RichTextDocument> body) : body_(std::move(body)) {}

    RichTextDocument& Body() { return *body_; }
    const RichTextDocument& Body() const { return *body_; }

    int printWidth = kDefaultPrintWidth;
    GoodsGrid grid;
    // Not part of a template or document: clearing the form leaves them.
    std::vector<int> gridColumnWidths{kGoodsGridColumnWidths.begin(), kGoodsGridColumnWidths.end()};

private:
    std::unique_ptr<RichTextDocument> body_;
};

// Empty body, fresh three-row grid, width 190; the buyer is forgotten and the multiple-buyer
// question armed again.
void ClearInvoice(InvoiceForm& form, TradeState& trade);

// Appends the invoice record (width, body RTF) to `out`.
void WriteInvoiceRecord(std::string& out, const InvoiceForm& form);

// Applies what was read of an invoice record; a body is replaced only when one was read.
void ApplyInvoiceRecord(InvoiceForm& form, const InvoiceRecordRead& read);

// Reads a record at the reader's position and applies it; the reader is left after it. On
// damage the invoice reading message is shown and what was read stays applied.
bool ApplyInvoiceRecord(InvoiceForm& form, ByteReader& reader, Prompter* prompter);

// Applies what was read of an invoice document: the record, then the grid when its rows were
// read. Messages are the caller's.
void ApplyInvoiceDocument(InvoiceForm& form, const InvoiceDocumentRead& read);

// The bytes of an invoice document holding the form as it is.
std::string InvoiceDocumentBytes(const InvoiceForm& form);

}  // namespace tallivo
