#include <QTextDocument>
#include <cstdio>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "forms/jpeg_codec.h"
#include "storage/config_file.h"
#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/template_records.h"
#include "storage/template_store.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

// Output for a person or as JSON from the same calls.
class ShowOutput {
public:
    explicit ShowOutput(bool json) : json_(json) {}
    bool Json() const { return json_; }
    JsonWriter& W() { return w_; }
    void Line(const std::string& utf8) { text_ += utf8 + "\n"; }
    void Finish() {
        const std::string& out = json_ ? w_.Text() : text_;
        std::fwrite(out.data(), 1, out.size(), stdout);
        if (json_) std::fputc('\n', stdout);
    }

private:
    bool json_;
    JsonWriter w_;
    std::string text_;
};

std::string Indent(const std::string& text, const std::string& prefix) {
    std::string out = prefix;
    for (char c : text) {
        out += c;
        if (c == '\n') out += prefix;
    }
    return out;
}

void FreightBillRecordOut(ShowOutput& out, const FreightBillRecordRead& r,
                          const std::string& indent) {
    if (out.Json()) {
        JsonWriter& w = out.W();
        w.BeginObject();
        w.Key("background");
        if (r.backgroundImage)
            w.String(GbkToUtf8(*r.backgroundImage));
        else if (r.printWidth)
            w.String("");  // read past a name of length 0: no picture
        else
            w.Null();
        auto number = [&](const char* key, const std::optional<std::int32_t>& v) {
            w.Key(key);
            if (v)
                w.Int(*v);
            else
                w.Null();
        };
        number("width", r.printWidth);
        number("biasX", r.biasX);
        number("biasY", r.biasY);
        w.Key("boxes");
        w.BeginArray();
        for (const FieldBoxRecord& b : r.boxes)
            WriteBoxJson(w, {b.left, b.top, b.width, b.height}, RtfPlainTextUtf8(b.rtf));
        w.EndArray();
        w.EndObject();
        return;
    }
    auto num = [](const std::optional<std::int32_t>& v) {
        return v ? std::to_string(*v) : std::string("(not read)");
    };
    out.Line(indent + "background: " +
             (r.backgroundImage ? (r.backgroundImage->empty() ? std::string("(none)")
                                                              : GbkToUtf8(*r.backgroundImage))
                                : std::string("(none)")));
    out.Line(indent + "print width: " + num(r.printWidth) + " mm, offsets X " + num(r.biasX) +
             " mm, Y " + num(r.biasY) + " mm");
    out.Line(indent + std::to_string(r.boxes.size()) + " field box(es):");
    for (const FieldBoxRecord& b : r.boxes) {
        out.Line(indent + "  at (" + std::to_string(b.left) + ", " + std::to_string(b.top) + "), " +
                 std::to_string(b.width) + " x " + std::to_string(b.height) + ":");
        out.Line(Indent(RtfPlainTextUtf8(b.rtf), indent + "    "));
    }
}

void InvoiceRecordOut(ShowOutput& out, const InvoiceRecordRead& r, const InvoiceDocumentRead* doc,
                      const std::string& indent) {
    const std::string text = r.bodyRtf ? RtfPlainTextUtf8(*r.bodyRtf) : std::string();
    if (out.Json()) {
        JsonWriter& w = out.W();
        w.BeginObject();
        w.Key("width");
        if (r.printWidth)
            w.Int(*r.printWidth);
        else
            w.Null();
        w.Key("text");
        w.String(text);
        if (doc) {
            w.Key("grid");
            w.BeginArray();
            for (size_t i = 0; i < doc->cells.size(); i += kInvoiceGridColumns) {
                w.BeginArray();
                for (size_t c = i; c < i + kInvoiceGridColumns && c < doc->cells.size(); ++c)
                    w.String(GbkToUtf8(doc->cells[c]));
                w.EndArray();
            }
            w.EndArray();
        }
        w.EndObject();
        return;
    }
    out.Line(indent + "print width: " +
             (r.printWidth ? std::to_string(*r.printWidth) + " mm" : std::string("(not read)")));
    out.Line(indent + "text:");
    out.Line(Indent(text, indent + "  "));
    if (doc) {
        if (!doc->rowCount) {
            out.Line(indent + "no goods grid");
        } else {
            out.Line(indent + "goods grid, " + std::to_string(*doc->rowCount) + " rows:");
            for (size_t i = 0; i < doc->cells.size(); i += kInvoiceGridColumns) {
                std::string row = indent + " ";
                for (size_t c = i; c < i + kInvoiceGridColumns && c < doc->cells.size(); ++c)
                    row += " | " + GbkToUtf8(doc->cells[c]);
                out.Line(row);
            }
        }
    }
}

void MessagesOut(ShowOutput& out, const std::vector<std::string>& messages) {
    for (const std::string& m : messages) PrintMessage(m);
    if (out.Json()) {
        out.W().Key("messages");
        out.W().BeginArray();
        for (const std::string& m : messages) out.W().String(GbkToUtf8(m));
        out.W().EndArray();
    } else {
        for (const std::string& m : messages) out.Line("message: " + GbkToUtf8(m));
    }
}

// One named template of a store or an exchange file; a missing record shows as none.
void NamedTemplateOut(ShowOutput& out, const std::string& gbkName, const std::string* record,
                      FormKind form, std::vector<std::string>& messages) {
    if (out.Json()) {
        out.W().BeginObject();
        out.W().Key("name");
        out.W().String(GbkToUtf8(gbkName));
        out.W().Key("record");
    } else {
        out.Line("template \"" + GbkToUtf8(gbkName) + "\":");
    }
    if (!record) {
        if (out.Json())
            out.W().Null();
        else
            out.Line("  (no record)");
    } else if (form == FormKind::kFreightBill) {
        FreightBillRecordRead r = ReadFreightBillRecord(*record);
        FreightBillRecordOut(out, r, "  ");
        if (!r.ok && !r.message.empty()) messages.push_back(r.message);
    } else {
        InvoiceRecordRead r = ReadInvoiceRecord(std::string_view(*record));
        InvoiceRecordOut(out, r, nullptr, "  ");
        if (!r.ok && !r.message.empty()) messages.push_back(r.message);
    }
    if (out.Json()) out.W().EndObject();
}

}  // namespace

int RunShow(const ShowOptions& o) {
    ShowOutput out(o.json);
    std::vector<std::string> messages;
    bool failed = false;
    const std::string& kind = o.kind;
    if (out.Json()) {
        out.W().BeginObject();
        out.W().Key("file");
        out.W().String(o.file);
        out.W().Key("kind");
        out.W().String(kind);
    } else {
        out.Line(o.file + " (" + kind + ")");
    }

    if (kind == "freight-bill-store" || kind == "invoice-store") {
        const FormKind form =
            kind == "freight-bill-store" ? FormKind::kFreightBill : FormKind::kInvoice;
        const TemplateStoreLoad load = LoadTemplateStoreFile(form, o.file);
        if (!load.ok) failed = true;
        if (!load.message.empty()) messages.push_back(load.message);
        if (out.Json()) {
            out.W().Key("templates");
            out.W().BeginArray();
        } else {
            out.Line(std::to_string(load.templates.size()) + " template(s)");
        }
        for (const TemplateEntry& t : load.templates)
            NamedTemplateOut(out, t.name, &t.record, form, messages);
        if (out.Json()) out.W().EndArray();
    } else if (kind == "freight-bill-document" || kind == "invoice-document") {
        DocumentBytes doc = ReadDocumentFile(o.file);
        if (!doc.ok) {
            failed = true;
            messages.push_back(doc.message);
        } else if (kind == "freight-bill-document") {
            FreightBillRecordRead r = ParseFreightBillDocument(doc.bytes);
            if (out.Json()) out.W().Key("record");
            FreightBillRecordOut(out, r, "");
            if (!r.ok) failed = true;
            if (!r.ok && !r.message.empty()) messages.push_back(r.message);
        } else {
            InvoiceDocumentRead r = ParseInvoiceDocument(doc.bytes);
            if (out.Json()) out.W().Key("record");
            InvoiceRecordOut(out, r.record, &r, "");
            if (!r.ok) failed = true;
            if (!r.ok && !r.message.empty()) messages.push_back(r.message);
        }
        if (!doc.ok && out.Json()) {
            out.W().Key("record");
            out.W().Null();
        }
    } else if (kind == "freight-bill-exchange" || kind == "invoice-exchange") {
        const FormKind form =
            kind == "freight-bill-exchange" ? FormKind::kFreightBill : FormKind::kInvoice;
        ExchangeFileRead x = ReadExchangeFile(form, FullPath(o.file));
        if (!x.ok) failed = true;
        if (!x.message.empty()) messages.push_back(x.message);
        if (out.Json()) {
            out.W().Key("templates");
            out.W().BeginArray();
        }
        if (x.name) NamedTemplateOut(out, *x.name, x.record ? &*x.record : nullptr, form, messages);
        if (out.Json()) out.W().EndArray();
        if (form == FormKind::kFreightBill) {
            QImage image;
            bool decoded = false;
            if (x.image && !x.image->empty()) {
                // An import runs the picture through the decoder and stops with its error.
                const JpegResult jpeg = DecodeJpeg(*x.image, &image);
                decoded = jpeg.ok;
                if (!jpeg.ok) messages.push_back(jpeg.message);
            }
            if (out.Json()) {
                out.W().Key("image");
                if (decoded) {
                    out.W().BeginObject();
                    out.W().Key("bytes");
                    out.W().Int(static_cast<long long>(x.image->size()));
                    out.W().Key("width");
                    out.W().Int(image.width());
                    out.W().Key("height");
                    out.W().Int(image.height());
                    out.W().EndObject();
                } else {
                    out.W().Null();
                }
            } else if (decoded) {
                out.Line("image: " + std::to_string(x.image->size()) + " bytes, " +
                         std::to_string(image.width()) + " x " + std::to_string(image.height()));
            } else {
                out.Line("image: (none or unreadable)");
            }
        }
    } else {
        const ConfigLoad c = LoadConfigFile(o.file);
        if (!c.ok) failed = true;
        if (!c.message.empty()) messages.push_back(c.message);
        if (out.Json()) {
            out.W().Key("config");
            if (c.ok) {
                JsonWriter& w = out.W();
                w.BeginObject();
                w.Key("freightBillSN");
                w.Int(c.config.freightBillSn);
                w.Key("invoiceSN");
                w.Int(c.config.invoiceSn);
                w.Key("site");
                w.Int(c.config.sourceSite);
                w.Key("freightBillTemplate");
                w.Int(c.config.defaultFreightBill);
                w.Key("invoiceTemplate");
                w.Int(c.config.defaultInvoice);
                w.EndObject();
            } else {
                out.W().Null();
            }
        } else if (c.ok) {
            out.Line("freight-bill sequence number: " + std::to_string(c.config.freightBillSn));
            out.Line("invoice sequence number: " + std::to_string(c.config.invoiceSn));
            out.Line("site: " + std::to_string(c.config.sourceSite));
            out.Line("default freight-bill template: " +
                     std::to_string(c.config.defaultFreightBill));
            out.Line("default invoice template: " + std::to_string(c.config.defaultInvoice));
        }
    }

    // Every message reports a failure, a damaged record inside an intact store included.
    if (!messages.empty()) failed = true;
    MessagesOut(out, messages);
    if (out.Json()) out.W().EndObject();
    out.Finish();
    return failed ? kExitFailure : kExitOk;
}

}  // namespace tallivo
