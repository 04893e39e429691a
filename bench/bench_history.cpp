// Print history figures: the reprint lookup in 100 000 records, and what one print adds (the
// lookup before it and the record after it).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "history/print_history.h"

namespace {

constexpr int kRecords = 100000;

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<tallivo::PrintHistory> history;

    Fixture() {
        history = std::make_unique<tallivo::PrintHistory>(
            tallivo::PrintHistoryPath(dir.path().toStdString()));
        QDateTime time(QDate(2026, 1, 1), QTime(8, 0));
        for (int i = 0; i < kRecords; ++i) {
            tallivo::HistoryRecord r;
            r.form = i % 2 ? tallivo::FormKind::kInvoice : tallivo::FormKind::kFreightBill;
            r.tradeNumbers = {std::to_string(100000000 + i), std::to_string(500000000 + i)};
            r.consignee = "consignee " + std::to_string(i);
            r.address = std::string(60, 'a');
            r.printer = "Office";
            r.time = time.addSecs(i * 60);
            history->Record(r);
        }
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_FindEarlierPrintHit(benchmark::State& state) {
    tallivo::PrintHistory& h = *Shared().history;
    int i = 0;
    for (auto _ : state) {
        const std::vector<std::string> trades{std::to_string(100000000 + (i * 7919) % kRecords)};
        benchmark::DoNotOptimize(h.FindEarlierPrint((i * 7919) % kRecords % 2
                                                        ? tallivo::FormKind::kInvoice
                                                        : tallivo::FormKind::kFreightBill,
                                                    trades));
        ++i;
    }
}
BENCHMARK(BM_FindEarlierPrintHit)->Unit(benchmark::kMicrosecond);

void BM_FindEarlierPrintMiss(benchmark::State& state) {
    tallivo::PrintHistory& h = *Shared().history;
    const std::vector<std::string> trades{"999999999", "888888888", "777777777"};
    for (auto _ : state)
        benchmark::DoNotOptimize(h.FindEarlierPrint(tallivo::FormKind::kFreightBill, trades));
}
BENCHMARK(BM_FindEarlierPrintMiss)->Unit(benchmark::kMicrosecond);

// What one print adds: the lookup before it and the record after it.
void BM_LookupAndRecordOnePrint(benchmark::State& state) {
    tallivo::PrintHistory& h = *Shared().history;
    int i = 0;
    for (auto _ : state) {
        tallivo::HistoryRecord r;
        r.tradeNumbers = {std::to_string(900000000 + i++)};
        r.consignee = "someone";
        r.printer = "Office";
        benchmark::DoNotOptimize(h.FindEarlierPrint(r.form, r.tradeNumbers));
        benchmark::DoNotOptimize(h.Record(r));
    }
}
BENCHMARK(BM_LookupAndRecordOnePrint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
