#include <benchmark/benchmark.h>

#include <QFile>
#include <QStringList>

#include "orders/shipping_recogniser.h"

namespace tallivo {
namespace {

const QString kTablePath = QStringLiteral(TALLIVO_DATA_DIR "/regions/regions.txt");

// Reading the table from the file, as the first recognition of a process does.
void BM_LoadRegionTable(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(RegionTable::Load(kTablePath));
}
BENCHMARK(BM_LoadRegionTable)->Unit(benchmark::kMillisecond);

// One text of the test set per iteration, round the whole set.
void BM_RecogniseShippingInfo(benchmark::State& state) {
    const auto table = RegionTable::Load(kTablePath);
    QFile file(QStringLiteral(TALLIVO_ORDERS_DATA "/shipping/cases.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no test set");
        return;
    }
    QStringList texts;
    for (const QString& block : QString::fromUtf8(file.readAll()).split(QStringLiteral("\n===\n")))
        texts << block.left(block.lastIndexOf(QStringLiteral("\n---\n")));
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RecogniseShippingInfo(texts[i], *table));
        i = (i + 1) % texts.size();
    }
}
BENCHMARK(BM_RecogniseShippingInfo)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tallivo

BENCHMARK_MAIN();
