#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "orders/orders.h"
#include "support/order_exports.h"
#include "text/gbk_codec.h"

namespace {

// A Taobao order list of N rows in GBK, read, recognised and grouped into orders.
void BM_ReadOrderExport(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("orders.csv")).toStdString();
    tallivo::testing::WriteBytes(
        path,
        tallivo::Utf8ToGbk(tallivo::testing::LargeTaobaoCsv(static_cast<int>(state.range(0)))));
    const auto profiles = tallivo::LoadProfiles({TALLIVO_DATA_DIR}).profiles;
    for (auto _ : state) {
        const tallivo::OrdersRead read = tallivo::ReadOrders({path}, profiles);
        if (read.orders.size() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("orders lost");
        benchmark::DoNotOptimize(read.orders.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadOrderExport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
