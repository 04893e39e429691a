// Costs of applying a template: the background picture (decode and fit) and the field boxes
// (record parsing plus RTF reading), and of saving one (JPEG encoding).
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "forms/background_image.h"
#include "forms/freight_bill.h"
#include "forms/jpeg_codec.h"

namespace {

QImage Scan(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb((x * 7) & 255, (y * 3) & 255, 200));
    return image;
}

void BM_EncodeFittedBackground(benchmark::State& state) {
    const QImage background = Scan(734, 417);
    for (auto _ : state) {
        std::string jpeg;
        tallivo::EncodeJpeg(background, &jpeg);
        benchmark::DoNotOptimize(jpeg);
    }
}
BENCHMARK(BM_EncodeFittedBackground)->Unit(benchmark::kMillisecond);

void BM_DecodeAndFitScan(benchmark::State& state) {
    std::string jpeg;
    tallivo::EncodeJpeg(Scan(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))),
                        &jpeg);
    for (auto _ : state) {
        QImage picture;
        tallivo::DecodeJpeg(jpeg, &picture);
        QImage fitted = tallivo::FitPicture(picture, tallivo::kPictureArea);
        benchmark::DoNotOptimize(fitted);
    }
}
BENCHMARK(BM_DecodeAndFitScan)->Args({734, 417})->Args({2480, 1748})->Unit(benchmark::kMillisecond);

void BM_ApplyTwentyBoxRecord(benchmark::State& state) {
    tallivo::FreightBillForm form;
    for (int i = 0; i < 20; ++i) {
        tallivo::AddFieldBox(form, "{\\rtf1\\ansi box " + std::to_string(i) + "}", i * 10, i * 5,
                             30, 100);
    }
    std::string record;
    tallivo::WriteFreightBillRecord(record, form, std::string());
    for (auto _ : state) {
        tallivo::FreightBillForm target;
        tallivo::ApplyFreightBillRecord(target, record, "/nonexistent", nullptr);
        benchmark::DoNotOptimize(target.boxes.size());
    }
}
BENCHMARK(BM_ApplyTwentyBoxRecord)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
