#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "capture/capture_driver.h"
#include "cli/cli_forms.h"
#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/pdf_output.h"
#include "forms/document_checks.h"
#include "forms/forms_capture_host.h"
#include "print/renderers.h"
#include "richtext/rtf.h"
#include "storage/config_file.h"
#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/storage_result.h"
#include "storage/template_store.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace fs = std::filesystem;

std::string PlainTextUtf8(const QTextDocument& document) {
    QString text = document.toPlainText();
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text.toStdString();
}

std::string RtfPlainTextUtf8(const std::string& rtf) {
    QTextDocument doc;
    ReadRtf(doc, rtf);
    return PlainTextUtf8(doc);
}

void WriteBoxJson(JsonWriter& json, const FieldBoxGeometry& g, const std::string& textUtf8) {
    json.BeginObject();
    json.Key("left");
    json.Int(g.left);
    json.Key("top");
    json.Int(g.top);
    json.Key("height");
    json.Int(g.height);
    json.Key("width");
    json.Int(g.width);
    json.Key("text");
    json.String(textUtf8);
    json.EndObject();
}

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Extension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return Lower(path.substr(dot));
}

void Report(const std::string& where, const std::string& gbk) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), GbkToUtf8(gbk).c_str());
}

void ReportUtf8(const std::string& where, const std::string& utf8) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), utf8.c_str());
}

// Outcome of choosing the template: a source, or an exit status when it could not be had.
struct TemplateChoice {
    FormSource source;
    int failure = kExitOk;
    bool reported = false;  // a damaged store or file was reported, though a template was had
};

TemplateChoice ChooseTemplate(const FillOptions& o, const std::string& folder,
                              const Config& config) {
    TemplateChoice choice;
    const bool freight = o.form == CliForm::kFreightBill;
    const TemplateKind kind = freight ? TemplateKind::kFreightBill : TemplateKind::kInvoice;
    const std::string ext = Extension(o.templateArg);
    const bool fileLike = ext == ".pff" || ext == ".pif" || ext == ".pfb" || ext == ".pin";
    std::error_code ec;
    if (!o.templateArg.empty() && fileLike && fs::is_regular_file(o.templateArg, ec)) {
        const bool matches =
            freight ? (ext == ".pff" || ext == ".pfb") : (ext == ".pif" || ext == ".pin");
        if (!matches) {
            ReportUtf8(o.templateArg, "not a template of the form being filled");
            choice.failure = kExitUsage;
            return choice;
        }
        if (ext == ".pff" || ext == ".pif") {
            ExchangeFileRead read = ReadExchangeFile(kind, FullPath(o.templateArg));
            if (!read.version_ok || !read.name || !read.record) {
                Report(o.templateArg, read.message);
                choice.failure = kExitFailure;
                return choice;
            }
            if (!read.ok && !read.message.empty()) {
                Report(o.templateArg, read.message);
                choice.reported = true;
            }
            choice.source.present = true;
            choice.source.record = std::move(*read.record);
            choice.source.embeddedJpeg = std::move(read.image);
            return choice;
        }
        DocumentBytes doc = ReadDocumentFile(o.templateArg);
        if (!doc.ok) {
            Report(o.templateArg, doc.message);
            choice.failure = kExitFailure;
            return choice;
        }
        choice.source.present = true;
        choice.source.isInvoiceDocument = !freight;
        choice.source.record = std::move(doc.bytes);
        return choice;
    }

    TemplateStoreLoad store =
        freight ? LoadFreightBillTemplates(folder) : LoadInvoiceTemplates(folder);
    if (!store.message.empty()) {
        Report(TemplateStoreFileName(kind), store.message);
        choice.reported = true;
    }
    if (!o.templateArg.empty()) {
        const std::string name = Utf8ToGbk(o.templateArg);
        for (TemplateEntry& t : store.templates) {
            if (t.name == name) {
                choice.source.present = true;
                choice.source.record = std::move(t.record);
                return choice;
            }
        }
        ReportUtf8(o.templateArg,
                   "no such template in " + JoinPath(folder, TemplateStoreFileName(kind)));
        choice.failure = kExitFailure;
        return choice;
    }
    const int index = freight ? config.default_freight_bill : config.default_invoice;
    if (index >= 0 && index < static_cast<int>(store.templates.size())) {
        TemplateEntry& t = store.templates[static_cast<size_t>(index)];
        choice.source.present = true;
        choice.source.record = std::move(t.record);
    }
    return choice;
}

int NextSequence(int sn, int step) {
    return static_cast<int>(static_cast<unsigned int>(sn) + static_cast<unsigned int>(step));
}

}  // namespace

int RunFill(const FillOptions& o, const std::string& folder) {
    int status = kExitOk;
    const bool freight = o.form == CliForm::kFreightBill;

    ConfigLoad loaded = LoadConfig(folder);
    if (!loaded.message.empty()) Report("Config.pcf", loaded.message);
    const Config config = loaded.ok ? loaded.config : Config{};

    TemplateChoice choice = ChooseTemplate(o, folder, config);
    if (choice.failure != kExitOk) return choice.failure;
    // A damaged Config.pcf only matters when one of its values stands in for an option.
    const bool configUsed =
        !o.site || !o.invoiceSn || o.templateArg.empty() || (freight && !o.savePath.empty());
    if (choice.reported || (configUsed && !loaded.message.empty())) status = kExitFailure;

    int site = o.site ? *o.site : config.source_site;
    if (site != kSiteTaobao && site != kSitePaipai) site = -1;
    const int invoiceSn = o.invoiceSn ? *o.invoiceSn : config.invoice_sn;
    const int freightSn = config.freight_bill_sn;
    const float ppmm = PpmmFromDpi(o.dpi);

    const bool several = o.pages.size() > 1;
    std::string saveFolder;
    if (!o.savePath.empty()) {
        std::error_code ec;
        if (several || o.savePath.back() == '/' || fs::is_directory(o.savePath, ec)) {
            saveFolder = o.savePath;
            fs::create_directories(saveFolder, ec);
            if (!fs::is_directory(saveFolder, ec)) {
                ReportUtf8(saveFolder, "cannot create the folder");
                return kExitFailure;
            }
        }
    }

    std::unique_ptr<PdfOutput> pdf;
    if (!o.pdfPath.empty()) pdf = std::make_unique<PdfOutput>(o.pdfPath, o.dpi);

    std::optional<FreightBillTemplate> freightTemplate;
    std::optional<InvoiceTemplate> invoiceTemplate;
    if (freight)
        freightTemplate.emplace(choice.source, folder);
    else
        invoiceTemplate.emplace(choice.source);
    FreightBillForm freightForm;
    InvoiceForm invoiceForm;
    TradeState trade;
    JsonWriter json;
    Progress progress(static_cast<int>(o.pages.size()));

    for (size_t i = 0; i < o.pages.size(); ++i) {
        const std::string& page = o.pages[i];
        const int step = static_cast<int>(i);
        const int pageInvoiceSn = NextSequence(invoiceSn, step);
        const int pageFreightSn = NextSequence(freightSn, step);
        CliPrompter prompter(o.answerYes);
        bool pageFailed = false;

        // A page too large for memory fails alone, keeping what was filled before, as the
        // program skips an operation whose allocation fails.
        try {
            std::optional<std::string> bytes = ReadWholeFile(page);
            std::string input;
            if (!bytes) {
                prompter.ShowMessage("cannot read the page");
                pageFailed = true;
            } else {
                input = PageTextToGbk(std::move(*bytes));
                bytes.reset();
            }

            if (freight)
                freightTemplate->ResetAndApply(freightForm, prompter);
            else
                invoiceTemplate->ResetAndApply(invoiceForm, trade, prompter);
            if (!pageFailed) {
                FormsCaptureSettings settings;
                settings.site = site;
                settings.tab = freight ? kTabFreightBill : kTabInvoice;
                settings.now =
                    o.now;  // without --now the clock is read at each search, as on screen
                settings.invoiceSn = pageInvoiceSn;
                FormsCaptureHost host(input, &freightForm, &invoiceForm, trade, prompter, settings);
                MenuItemReplaceAllClick(host);
            }

            if (!pageFailed && !o.savePath.empty()) {
                const char* ext = freight ? ".pfb" : ".pin";
                std::string target =
                    saveFolder.empty()
                        ? o.savePath
                        : JoinPath(saveFolder,
                                   std::to_string(freight ? pageFreightSn : pageInvoiceSn) + ext);
                if (freight || (CheckUnreplacedKeyword(invoiceForm.Body(), &prompter) &&
                                CheckRepeatedTrade(invoiceForm.grid, &prompter))) {
                    // The document keeps the template's picture so that it reopens over it.
                    std::string doc;
                    if (freight) {
                        WriteFreightBillRecord(doc, freightForm, freightTemplate->BackgroundName());
                    } else {
                        doc = InvoiceDocumentBytes(invoiceForm);
                    }
                    StorageResult written = WriteDocumentFile(target, doc);
                    if (!written.ok) prompter.ShowMessage(written.message);
                } else {
                    // Answered No: the document asked for does not exist, so the run did not do its
                    // work.
                    progress.Clear();
                    ReportUtf8(page, "not saved: " + target);
                    status = kExitFailure;
                }
            }

            if (!pageFailed && pdf) {
                if (freight) {
                    auto scale = ComputeFreightBillScale(
                        freightForm.printWidth, freightForm.background.width(),
                        freightForm.background.height(), ppmm, ppmm);
                    if (!scale) {
                        prompter.ShowMessage(NoBackgroundMessage());
                    } else if (QPainter* p =
                                   pdf->NewPage(scale->extentWidth, scale->extentHeight)) {
                        std::vector<FreightBillBoxView> boxes;
                        boxes.reserve(freightForm.boxes.size());
                        for (const auto& b : freightForm.boxes)
                            boxes.push_back(
                                {{b->left, b->top, b->width, b->height}, b->content->Document()});
                        double bx = freightForm.biasX, by = freightForm.biasY;
                        if (o.withBackground) {
                            DrawFreightBillBackground(*p, freightForm.background,
                                                      scale->extentWidth, scale->extentHeight, ppmm,
                                                      ppmm);
                            bx = by = 0;
                        }
                        RenderFreightBill(*p, boxes, bx, by, ppmm, ppmm, scale->extentWidth,
                                          scale->extentHeight, scale->sx, scale->sy);
                    }
                } else if (QPainter* p = pdf->NewPage(A4WidthDots(ppmm), A4HeightDots(ppmm))) {
                    InvoiceView view;
                    view.body = invoiceForm.Body().Document();
                    view.grid = &invoiceForm.grid;
                    RenderInvoice(*p, view, A4WidthDots(ppmm), A4HeightDots(ppmm), ppmm, ppmm);
                }
            }

        } catch (const std::bad_alloc&) {
            prompter.ShowMessage(OutOfMemoryMessage());
            pageFailed = true;
        }

        if (!prompter.messages.empty()) progress.Clear();
        for (const std::string& m : prompter.messages) Report(page, m);
        if (pageFailed || !prompter.messages.empty()) status = kExitFailure;

        if (o.json) {
            json.Clear();
            json.BeginObject();
            json.Key("page");
            json.String(page);
            json.Key("form");
            json.String(freight ? "freight-bill" : "invoice");
            json.Key("site");
            json.Int(site);
            if (freight) {
                json.Key("boxes");
                json.BeginArray();
                for (const auto& b : freightForm.boxes)
                    WriteBoxJson(json, {b->left, b->top, b->width, b->height},
                                 PlainTextUtf8(*b->content->Document()));
                json.EndArray();
            } else {
                json.Key("text");
                json.String(PlainTextUtf8(*invoiceForm.Body().Document()));
                json.Key("grid");
                json.BeginArray();
                for (int r = 0; r < invoiceForm.grid.RowCount(); ++r) {
                    json.BeginArray();
                    for (int c = 0; c < GoodsGrid::kColumnCount; ++c)
                        json.String(GbkToUtf8(invoiceForm.grid.Cell(c, r)));
                    json.EndArray();
                }
                json.EndArray();
            }
            json.Key("messages");
            json.BeginArray();
            for (const std::string& m : prompter.messages) json.String(GbkToUtf8(m));
            json.EndArray();
            json.Key("questions");
            json.BeginArray();
            for (const CliPrompter::Question& q : prompter.questions) {
                json.BeginObject();
                json.Key("caption");
                json.String(GbkToUtf8(q.caption));
                json.Key("text");
                json.String(GbkToUtf8(q.text));
                json.Key("answer");
                json.String(q.answer ? "yes" : "no");
                json.EndObject();
            }
            json.EndArray();
            json.EndObject();
            std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
            std::fputc('\n', stdout);
        }
        progress.Step(step + 1);
    }
    progress.Finish();
    std::fflush(stdout);

    if (pdf && !pdf->Finish()) {
        ReportUtf8(o.pdfPath, "cannot write the PDF");
        status = kExitFailure;
    }
    return status;
}

}  // namespace tallivo
