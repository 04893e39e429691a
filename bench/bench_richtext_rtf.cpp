// Reading and writing large RTF bodies and mapping byte positions on large documents.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "richtext/rich_text_document.h"
#include "richtext/rtf.h"

namespace {

// About `chars` characters of mixed Chinese and ASCII with formatting changes and paragraphs.
void Fill(QTextDocument& doc, int chars) {
    QTextCursor c(&doc);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(255, 0, 0));
    bold.setFontFamilies({QString::fromUtf8(u8"宋体")});
    const QString piece = QString::fromUtf8(u8"收货人：张三 Tel 13800138000 地址{收货地址}");
    int n = 0;
    for (int i = 0; n < chars; ++i) {
        c.insertText(piece, i % 3 == 0 ? bold : plain);
        n += static_cast<int>(piece.size());
        if (i % 4 == 3) c.insertBlock();
    }
}

void BM_WriteRtf(benchmark::State& state) {
    QTextDocument doc;
    Fill(doc, static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string rtf = tallivo::WriteRtf(doc);
        bytes = rtf.size();
        benchmark::DoNotOptimize(rtf.data());
    }
    state.counters["rtf_bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteRtf)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_ReadRtf(benchmark::State& state) {
    QTextDocument source;
    Fill(source, static_cast<int>(state.range(0)));
    const std::string rtf = tallivo::WriteRtf(source);
    for (auto _ : state) {
        QTextDocument doc;
        tallivo::ReadRtf(doc, rtf);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.counters["rtf_bytes"] = static_cast<double>(rtf.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadRtf)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->Complexity();

// A selection call on a document that has not changed since the last one.
void BM_SelectUnchanged(benchmark::State& state) {
    tallivo::RichTextDocument doc;
    Fill(*doc.Document(), static_cast<int>(state.range(0)));
    const int total = doc.ByteLength();
    int i = 0;
    for (auto _ : state) {
        doc.SetSelection((i * 7919) % total, 10);
        benchmark::DoNotOptimize(doc.SelStart() + doc.SelLength());
        ++i;
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SelectUnchanged)->Arg(100000)->Arg(400000)->Complexity();

// Replace a keyword, then select again: the map is rebuilt once per edit.
void BM_ReplaceThenSelect(benchmark::State& state) {
    tallivo::RichTextDocument doc;
    Fill(*doc.Document(), static_cast<int>(state.range(0)));
    int i = 0;
    for (auto _ : state) {
        const int total = doc.ByteLength();
        doc.SetSelection((i * 7919) % (total - 4), 4);
        doc.ReplaceSelection("ABCD");
        benchmark::DoNotOptimize(doc.SelStart());
        ++i;
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplaceThenSelect)
    ->Arg(100000)
    ->Arg(400000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
