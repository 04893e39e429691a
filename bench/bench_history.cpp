// Print history figures: the reprint lookup in 100 000 records, and what one print adds (the
// lookup before it and the record after it); a 1 000-order batch check against a PostgreSQL
// history of 100 000 records, one statement per trade against one for the batch; how long a
// print waits before a silent server turns it to the queue.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "history/print_history.h"
#include "support/private_postgres.h"

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

struct ServerFixture {
    tallivo::testing::PrivatePostgres server;
    QTemporaryDir dir;
    std::unique_ptr<tallivo::PrintHistory> history;
    std::vector<std::string> batch;  // 1 000 orders, every other one printed before

    ServerFixture() {
        if (!server.Ready() || !server.CreateDatabase(QStringLiteral("bench"))) return;
        const auto location =
            *tallivo::ParseHistoryUrl(server.Url(QStringLiteral("bench")).toStdString()).location;
        history = std::make_unique<tallivo::PrintHistory>(
            location, dir.filePath(QLatin1String(tallivo::kHistoryQueueFileName)));
        if (!history->Open().ok) return;
        server.Execute(
            QStringLiteral("bench"),
            QStringLiteral("INSERT INTO prints (form, consignee, address, printer, printed_at,"
                           " host, uid) SELECT 1, 'c' || i, repeat('a', 60), 'Office',"
                           " '2026-01-01 08:00:00', 'PACK-1', md5(i::text)"
                           " FROM generate_series(1, %1) i;"
                           "INSERT INTO print_trades SELECT id, 0, form, (100000000 + id)::text"
                           " FROM prints; ANALYZE")
                .arg(kRecords));
        for (int i = 0; i < 1000; ++i)
            batch.push_back(std::to_string(100000000 + (i % 2 ? 1 + i * 97 : 900000 + i)));
    }
};

ServerFixture& SharedServer() {
    static ServerFixture fixture;
    return fixture;
}

// Before: the batch checked one trade number at a time.
void BM_ServerBatchCheckPerTrade(benchmark::State& state) {
    ServerFixture& f = SharedServer();
    if (!f.history) return state.SkipWithError("no PostgreSQL");
    for (auto _ : state)
        for (const std::string& trade : f.batch)
            benchmark::DoNotOptimize(
                f.history->FindEarlierPrint(tallivo::FormKind::kFreightBill, {trade}));
    state.counters["orders"] = static_cast<double>(f.batch.size());
}
BENCHMARK(BM_ServerBatchCheckPerTrade)->Unit(benchmark::kMillisecond);

// After: the whole batch in one lookup.
void BM_ServerBatchCheckOneQuery(benchmark::State& state) {
    ServerFixture& f = SharedServer();
    if (!f.history) return state.SkipWithError("no PostgreSQL");
    for (auto _ : state) {
        const auto printed = f.history->FindPrinted(tallivo::FormKind::kFreightBill, f.batch);
        if (!printed || printed->size() != 500) state.SkipWithError("wrong lookup");
    }
    state.counters["orders"] = static_cast<double>(f.batch.size());
}
BENCHMARK(BM_ServerBatchCheckOneQuery)->Unit(benchmark::kMillisecond);

// A listener that takes connections and never answers: the first print waits once, the next
// goes to the queue at once.
void BM_SilentServerFallback(benchmark::State& state) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return state.SkipWithError("no listener");
    QTemporaryDir dir;
    for (auto _ : state) {
        tallivo::PrintHistory history(
            *tallivo::ParseHistoryUrl(
                 "postgresql://u@127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/silent")
                 .location,
            dir.filePath(QLatin1String(tallivo::kHistoryQueueFileName)));
        QElapsedTimer timer;
        timer.start();
        tallivo::HistoryRecord first;
        first.tradeNumbers = {"S1"};
        history.Record(first);
        state.counters["first_ms"] = static_cast<double>(timer.restart());
        tallivo::HistoryRecord second;
        second.tradeNumbers = {"S2"};
        history.Record(second);
        state.counters["next_ms"] = static_cast<double>(timer.elapsed());
    }
    ::close(listener);
}
BENCHMARK(BM_SilentServerFallback)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
