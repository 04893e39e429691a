// A batch of 1 000 filled pages into one PDF: Tallivo's own path (fill, then the print session's
// page drawing) against the bare limit, the same texts drawn with plain QPainter::drawText into
// a QPdfWriter. The fill alone is timed too, so that drawing can be told apart from filling.
// Args: 0 freight bills (the starter template's boxes), 1 invoices (body and goods grid).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <memory>
#include <string>
#include <vector>

#include "forms/form_values.h"
#include "forms/workspace.h"
#include "print/page_drawing.h"
#include "richtext/template_fonts.h"
#include "session/print_session.h"
#include "support/example_files.h"
#include "support/recording_prompter.h"
#include "text/gbk_codec.h"

namespace {

using namespace tallivo;

constexpr int kPages = 1000;
constexpr int kDpi = 600;

FormValues OrderValues(int i) {
    const std::string n = std::to_string(i);
    FormValues v;
    v.consignee = Gbk(u8"张小明") + n;
    v.mobile = "138" + std::to_string(10000000 + i);
    v.telephone = "0571-8888" + std::to_string(1000 + i % 9000);
    v.address = Gbk(u8"浙江省杭州市西湖区文三路") + n + Gbk(u8"号 华星科技大厦") +
                std::to_string(i % 30 + 1) + Gbk(u8"楼");
    v.postCode = std::to_string(310000 + i % 1000);
    v.buyer = "buyer" + n;
    v.seller = Gbk(u8"小熊的店");
    v.delivery = Gbk(u8"快递");
    v.sequenceNumber = 1000 + i;
    for (int r = 0; r < 3; ++r) {
        GoodsLine g;
        g.tradeNumber = std::to_string(3008030700000000LL + i * 3 + r);
        g.goodsName = Gbk(u8"羊毛针织围巾 灰色 ") + std::to_string(r + i % 7);
        g.quantity = std::to_string(1 + r);
        g.unitPrice = "35.00";
        g.amount = std::to_string(35 * (1 + r)) + ".00";
        v.goods.push_back(std::move(g));
    }
    return v;
}

// The starter folder with its templates, filled order by order.
struct Batch {
    QTemporaryDir dir;
    testing::RecordingPrompter prompter;
    std::unique_ptr<FormsWorkspace> ws;
    std::vector<FormValues> orders;
    FormKind form;

    explicit Batch(bool freight) : form(freight ? FormKind::kFreightBill : FormKind::kInvoice) {
        testing::CopyFolder(QStringLiteral(TALLIVO_STARTER_DIR), dir.path() + "/program");
        ws = std::make_unique<FormsWorkspace>((dir.path() + "/program").toStdString(), &prompter,
                                              nullptr);
        ws->Start();
        ws->SetCurrentTab(TabOf(form));
        for (int i = 0; i < kPages; ++i) orders.push_back(OrderValues(i));
    }
    std::string Pdf() const { return (dir.path() + "/out.pdf").toStdString(); }
    // As an order is put on the form: the template's form again, then the values.
    void Fill(const FormValues& v) {
        ws->ResetCurrentForm();
        FillFromValues(*ws, v);
    }
};

// What one filled page shows, for the reference to draw.
struct TextAt {
    QRect rect;
    QFont font;
    QString text;
};
struct PlainPage {
    PageSize size;
    std::vector<TextAt> texts;
    std::vector<QLine> rules;
};

QFont FirstFont(const QTextDocument& doc) {
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(std::min(1, doc.characterCount() - 1));
    return c.charFormat().font();
}

QRect ToQRect(const DeviceRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

PlainPage FreightBillTexts(const FreightBillForm& form, const PageOptions& options) {
    PlainPage page;
    page.size = *FreightBillPageSize(form, options);
    const auto scale =
        ComputeFreightBillScale(form.printWidth, form.background.width(), form.background.height(),
                                options.ppmmX, options.ppmmY);
    const int ox = FreightBillOriginX(form.biasX, options.ppmmX);
    const int oy = FreightBillOriginY(form.biasY, options.ppmmY);
    for (const auto& box : form.boxes) {
        const QTextDocument& doc = *box->content->Document();
        page.texts.push_back(
            {ToQRect(FreightBillBoxRect({box->left, box->top, box->width, box->height}, ox, oy,
                                        scale->sx, scale->sy)),
             FirstFont(doc), doc.toPlainText()});
    }
    return page;
}

PlainPage InvoiceTexts(const InvoiceForm& form, const PageOptions& options) {
    PlainPage page;
    page.size = InvoicePageSize(form, options);
    const DeviceRect text =
        InvoiceTextRect(page.size.width, page.size.height, options.ppmmX, options.ppmmY);
    const QTextDocument& body = *form.Body().Document();
    page.texts.push_back({ToQRect(text), FirstFont(body), body.toPlainText()});
    // The grid as a ruled table of the same rows and columns below a third of the page.
    const int rowPitch = InvoiceRowPitch(options.ppmmY, 0);
    const float colScale =
        InvoiceColumnScale(page.size.width, options.ppmmX, form.gridColumnWidths);
    int y = page.size.height / 3;
    for (int row = 0; row < form.grid.RowCount(); ++row, y += rowPitch) {
        int x = text.left;
        for (int col = 0; col < GoodsGrid::kColumnCount; ++col) {
            const int right = InvoiceColumnRight(x, form.gridColumnWidths[col], colScale);
            page.texts.push_back({QRect(x, y, right - x, rowPitch), GridFont(),
                                  QString::fromStdString(GbkToUtf8(form.grid.Cell(col, row)))});
            page.rules.emplace_back(x, y, x, y + rowPitch);
            x = right;
        }
        page.rules.emplace_back(text.left, y, x, y);
    }
    return page;
}

// The pages the reference draws: the batch filled once, outside the timing.
const std::vector<PlainPage>& PlainPages(bool freight) {
    static std::vector<PlainPage> pages[2];
    std::vector<PlainPage>& out = pages[freight ? 0 : 1];
    if (!out.empty()) return out;
    Batch batch(freight);
    const PageOptions options = [&] {
        PageOptions o = PageOptions::AtDpi(kDpi, kDpi);
        if (!freight) o.paper = A4PageSize(o);
        return o;
    }();
    for (const FormValues& v : batch.orders) {
        batch.Fill(v);
        out.push_back(freight ? FreightBillTexts(batch.ws->FreightBill(), options)
                              : InvoiceTexts(batch.ws->Invoice(), options));
    }
    return out;
}

void BM_PlainDrawTextPdf(benchmark::State& state) {
    const std::vector<PlainPage>& pages = PlainPages(state.range(0) == 0);
    QTemporaryDir dir;
    const QString path = dir.path() + "/plain.pdf";
    for (auto _ : state) {
        QPdfWriter writer(path);
        writer.setResolution(kDpi);
        QPainter painter;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const PlainPage& page = pages[i];
            writer.setPageSize(
                QPageSize(QSizeF(page.size.width * 25.4 / kDpi, page.size.height * 25.4 / kDpi),
                          QPageSize::Millimeter));
            writer.setPageMargins(QMarginsF());
            if (i == 0)
                painter.begin(&writer);
            else
                writer.newPage();
            for (const TextAt& t : page.texts) {
                painter.setFont(t.font);
                painter.drawText(t.rect, Qt::TextWordWrap, t.text);
            }
            for (const QLine& l : page.rules) painter.drawLine(l);
        }
        painter.end();
    }
    state.counters["bytes/page"] = static_cast<double>(QFileInfo(path).size()) / kPages;
}
BENCHMARK(BM_PlainDrawTextPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TallivoFillOnly(benchmark::State& state) {
    Batch batch(state.range(0) == 0);
    for (auto _ : state)
        for (const FormValues& v : batch.orders) batch.Fill(v);
}
BENCHMARK(BM_TallivoFillOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TallivoFillAndDrawPdf(benchmark::State& state) {
    Batch batch(state.range(0) == 0);
    for (auto _ : state) {
        PrintServices services(batch.ws->ProgramFolder());
        PrintSession session(*batch.ws, batch.form, services);
        session.SetPdf(batch.Pdf(), kDpi, false);
        for (const FormValues& v : batch.orders) {
            batch.Fill(v);
            session.AddPage(batch.prompter, false);
        }
        if (!session.Finish().pdfWritten) state.SkipWithError("no PDF");
    }
    state.counters["bytes/page"] =
        static_cast<double>(QFileInfo(QString::fromStdString(batch.Pdf())).size()) / kPages;
}
BENCHMARK(BM_TallivoFillAndDrawPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The fit check on every page as well, as a spooled batch makes it before printing.
void BM_TallivoFillCheckAndDrawPdf(benchmark::State& state) {
    Batch batch(state.range(0) == 0);
    for (auto _ : state) {
        PrintServices services(batch.ws->ProgramFolder());
        PrintSession session(*batch.ws, batch.form, services);
        session.SetPdf(batch.Pdf(), kDpi, false);
        for (const FormValues& v : batch.orders) {
            batch.Fill(v);
            benchmark::DoNotOptimize(session.CheckFit());
            session.AddPage(batch.prompter, false);
        }
        if (!session.Finish().pdfWritten) state.SkipWithError("no PDF");
    }
}
BENCHMARK(BM_TallivoFillCheckAndDrawPdf)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    InstallTemplateFontStandIns();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
