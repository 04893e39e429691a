// The two renderers on an image: a freight bill of ten boxes at 300 dpi and an invoice page
// with a twenty-row goods table.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <memory>
#include <vector>

#include "print/renderers.h"
#include "richtext/rtf.h"
#include "text/gbk_codec.h"

namespace {

using namespace tallivo;

QImage Canvas(int w, int h, int dpi) {
    QImage img(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    return img;
}

void BM_RenderFreightBill(benchmark::State& state) {
    const int dpi = static_cast<int>(state.range(0));
    const float ppmm = PpmmFromDpi(dpi);
    auto s = ComputeFreightBillScale(190, 734, 417, ppmm, ppmm);
    std::vector<std::unique_ptr<QTextDocument>> docs;
    std::vector<FreightBillBoxView> boxes;
    for (int i = 0; i < 10; ++i) {
        docs.push_back(std::make_unique<QTextDocument>());
        SetGbkPlainText(*docs.back(), Gbk(u8"浙江省杭州市西湖区文三路478号"));
        boxes.push_back({{40 + (i % 2) * 360, 60 + (i / 2) * 60, 300, 40}, docs.back().get()});
    }
    QImage img = Canvas(s->extentWidth, s->extentHeight, dpi);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        RenderFreightBill(p, boxes, 0, 0, ppmm, ppmm, s->extentWidth, s->extentHeight, s->sx,
                          s->sy);
    }
}
BENCHMARK(BM_RenderFreightBill)->Arg(96)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_RenderInvoice(benchmark::State& state) {
    const int dpi = static_cast<int>(state.range(0));
    const float ppmm = PpmmFromDpi(dpi);
    QTextDocument body;
    SetGbkPlainText(body, Gbk(u8"发 货 单\r\n收货人：张小明　　手机：13812345678\r\n"
                              u8"收货地址：浙江省杭州市西湖区文三路478号"));
    GoodsGrid grid;
    for (int r = 0; r < 20; ++r) {
        const int row = grid.FindFreeGoodsRow();
        grid.SetCell(GoodsGrid::kGoodsName, row, Gbk(u8"羊毛针织围巾 灰色 ") + std::to_string(r));
        grid.SetCell(GoodsGrid::kQuantity, row, "2");
        grid.SetCell(GoodsGrid::kAmount, row, "70.00");
    }
    InvoiceView view;
    view.body = &body;
    view.grid = &grid;
    const int w = A4WidthDots(ppmm), h = A4HeightDots(ppmm);
    QImage img = Canvas(w, h, dpi);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        RenderInvoice(p, view, w, h, ppmm, ppmm);
    }
}
BENCHMARK(BM_RenderInvoice)->Arg(96)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
