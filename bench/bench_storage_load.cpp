// Start-up loads both template stores: 1000 freight-bill templates of 20 boxes and 1000
// invoice templates. Also what one document save costs.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "storage/file_io.h"
#include "storage/template_records.h"
#include "storage/template_store.h"

using namespace tallivo;

namespace {

std::string Rtf(int i, std::size_t size) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce;}}\\f0 ";
    while (rtf.size() + 1 < size) rtf += "\\'ca\\'d5" + std::to_string(i % 10);
    return rtf + "}";
}

struct Stores {
    std::string folder;
    std::size_t bytes = 0;
    Stores() {
        char pattern[] = "/tmp/tallivo-bench-XXXXXX";
        folder = mkdtemp(pattern);
        std::vector<TemplateEntry> bills, invoices;
        for (int t = 0; t < 1000; ++t) {
            FreightBillRecord record;
            record.backgroundImage = "template" + std::to_string(t) + ".jpg";
            for (int b = 0; b < 20; ++b) record.boxes.push_back({b, b, 30, 200, Rtf(b, 400)});
            TemplateEntry bill{"template" + std::to_string(t), ""};
            AppendFreightBillRecord(bill.record, record);
            bills.push_back(std::move(bill));
            TemplateEntry invoice{"invoice" + std::to_string(t), ""};
            AppendInvoiceRecord(invoice.record, {190, Rtf(t, 4000)});
            invoices.push_back(std::move(invoice));
        }
        SaveFreightBillTemplates(folder, bills);
        SaveInvoiceTemplates(folder, invoices);
        bytes = FormatTemplateStore(bills).size() + FormatTemplateStore(invoices).size();
    }
    ~Stores() { std::filesystem::remove_all(folder); }
};

void BM_LoadBothStores(benchmark::State& state) {
    static Stores stores;
    for (auto _ : state) {
        TemplateStoreLoad bills = LoadFreightBillTemplates(stores.folder);
        TemplateStoreLoad invoices = LoadInvoiceTemplates(stores.folder);
        if (bills.templates.size() != 1000 || invoices.templates.size() != 1000) {
            state.SkipWithError("store did not load");
        }
        benchmark::DoNotOptimize(bills);
        benchmark::DoNotOptimize(invoices);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stores.bytes));
}
BENCHMARK(BM_LoadBothStores)->Unit(benchmark::kMillisecond);

// Applying one template: what choosing it in the template box costs.
void BM_ReadFreightBillRecord(benchmark::State& state) {
    FreightBillRecord record;
    for (int b = 0; b < 20; ++b) record.boxes.push_back({b, b, 30, 200, Rtf(b, 400)});
    std::string bytes;
    AppendFreightBillRecord(bytes, record);
    for (auto _ : state) benchmark::DoNotOptimize(ReadFreightBillRecord(bytes));
}
BENCHMARK(BM_ReadFreightBillRecord)->Unit(benchmark::kMicrosecond);

// One document saved into a folder that already holds many: a save looks at its own target's
// temporary file only, so the folder's size must not show.
void BM_SaveDocumentBesideMany(benchmark::State& state) {
    char pattern[] = "/tmp/tallivo-bench-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        std::FILE* f = std::fopen(JoinPath(folder, std::to_string(i) + ".pfb").c_str(), "w");
        if (f) std::fclose(f);
    }
    FreightBillRecord record;
    for (int b = 0; b < 20; ++b) record.boxes.push_back({b, b, 30, 200, Rtf(b, 400)});
    std::string bytes;
    AppendFreightBillRecord(bytes, record);
    const std::string target = JoinPath(folder, "1382401.pfb");
    for (auto _ : state) {
        if (!WriteFileReplacing(target, bytes)) state.SkipWithError("save failed");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveDocumentBesideMany)->Arg(0)->Arg(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
