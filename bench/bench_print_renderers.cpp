// Whole pages on an image: a freight bill of ten boxes and an invoice with a twenty-row goods
// table, then both forms holding one 10 MB line, as a pasted page without line breaks fills them.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <string>

#include "forms/background_image.h"
#include "print/page_drawing.h"
#include "text/gbk_codec.h"

namespace {

using namespace tallivo;

QImage Canvas(PageSize size, int dpi) {
    QImage img(size.width, size.height, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    return img;
}

void GiveBackground(FreightBillForm& form) {
    form.background = QImage(kPictureArea.width(), kPictureArea.height(), QImage::Format_RGB32);
    form.background.fill(Qt::white);
}

template <typename Draw>
void DrawRepeatedly(benchmark::State& state, PageSize size, int dpi, Draw draw) {
    QImage img = Canvas(size, dpi);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        draw(p);
    }
}

void BM_DrawFreightBillPage(benchmark::State& state) {
    const int dpi = static_cast<int>(state.range(0));
    const PageOptions options = PageOptions::AtDpi(dpi, dpi);
    FreightBillForm form;
    GiveBackground(form);
    for (int i = 0; i < 10; ++i)
        AddFieldBox(form, Gbk(u8"浙江省杭州市西湖区文三路478号"), 40 + (i % 2) * 360,
                    60 + (i / 2) * 60, 40, 300);
    DrawRepeatedly(state, *FreightBillPageSize(form, options), dpi,
                   [&](QPainter& p) { DrawFreightBillPage(p, form, options); });
}
BENCHMARK(BM_DrawFreightBillPage)->Arg(96)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_DrawInvoicePage(benchmark::State& state) {
    const int dpi = static_cast<int>(state.range(0));
    PageOptions options = PageOptions::AtDpi(dpi, dpi);
    options.paper = A4PageSize(options);
    InvoiceForm form;
    form.Body().SetTextOrRtf(
        Gbk(u8"发 货 单\r\n收货人：张小明　　手机：13812345678\r\n"
            u8"收货地址：浙江省杭州市西湖区文三路478号"));
    for (int r = 0; r < 20; ++r) {
        const int row = form.grid.FindFreeGoodsRow();
        form.grid.SetCell(GoodsGrid::kGoodsName, row,
                          Gbk(u8"羊毛针织围巾 灰色 ") + std::to_string(r));
        form.grid.SetCell(GoodsGrid::kQuantity, row, "2");
        form.grid.SetCell(GoodsGrid::kAmount, row, "70.00");
    }
    DrawRepeatedly(state, InvoicePageSize(form, options), dpi,
                   [&](QPainter& p) { DrawInvoicePage(p, form, options); });
}
BENCHMARK(BM_DrawInvoicePage)->Arg(96)->Arg(300)->Unit(benchmark::kMillisecond);

// 10 MB of GBK on one line: 0, an address repeated; 1, one ASCII word, which Qt's line
// breaking finds hardest.
std::string TenMegabyteLine(int kind) {
    const std::string piece = kind == 0 ? Gbk(u8"浙江省杭州市西湖区文三路478号") : "abcdefghij";
    std::string line;
    line.reserve(10'000'000 + piece.size());
    while (line.size() < 10'000'000) line += piece;
    return line;
}

void BM_DrawBothPagesOfATenMegabyteLine(benchmark::State& state) {
    const int dpi = 300;
    const std::string line = TenMegabyteLine(static_cast<int>(state.range(0)));
    PageOptions options = PageOptions::AtDpi(dpi, dpi);
    FreightBillForm freight;
    GiveBackground(freight);
    AddFieldBox(freight, line, 40, 60, 80, 640);
    AddFieldBox(freight, Gbk(u8"张小明"), 40, 20, 30, 200);
    InvoiceForm invoice;
    invoice.Body().SetTextOrRtf(line);
    options.paper = A4PageSize(options);
    QImage freightImg = Canvas(*FreightBillPageSize(freight, options), dpi);
    QImage invoiceImg = Canvas(InvoicePageSize(invoice, options), dpi);
    for (auto _ : state) {
        freightImg.fill(Qt::white);
        invoiceImg.fill(Qt::white);
        QPainter f(&freightImg);
        DrawFreightBillPage(f, freight, options);
        QPainter i(&invoiceImg);
        DrawInvoicePage(i, invoice, options);
    }
}
BENCHMARK(BM_DrawBothPagesOfATenMegabyteLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
