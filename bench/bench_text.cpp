// Text helpers over a 10 MB GBK page, beside a plain memmem over the same bytes; the codec over
// a megabyte.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace {

using namespace tallivo;

const std::string& Page() {
    static const std::string page = [] {
        const std::string line =
            Gbk(u8"订单编号：\u3000123456789  买家：张三 \t收货地址：浙江省杭州市西湖区文三路 1 "
                u8"号\r\n");
        std::string text;
        while (text.size() < 10u << 20) text += line;
        text += Gbk(u8"物流公司：顺风");  // the pattern stands once, at the very end
        return text;
    }();
    return page;
}

const std::string& Pattern() {
    static const std::string pattern = Gbk(u8"物流公司：");
    return pattern;
}

void BM_FindTextFrom(benchmark::State& state) {
    const std::string& page = Page();
    for (auto _ : state) benchmark::DoNotOptimize(FindTextFrom(page, Pattern(), 1));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindTextFrom)->Unit(benchmark::kMillisecond);

void BM_Memmem(benchmark::State& state) {
    const std::string& page = Page();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            memmem(page.data(), page.size(), Pattern().data(), Pattern().size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_Memmem)->Unit(benchmark::kMillisecond);

// Blanks of every kind over the whole 10 MB, forward and backward.
const std::string& BlankPage() {
    static const std::string page = [] {
        std::string text;
        while (text.size() < 10u << 20) text += " \t\xa1\xa1\r\n";
        return "x" + text + "x";
    }();
    return page;
}

void BM_SkipBlanksForward(benchmark::State& state) {
    const std::string& page = BlankPage();
    for (auto _ : state) benchmark::DoNotOptimize(SkipBlanksForward(page, 2));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_SkipBlanksForward)->Unit(benchmark::kMillisecond);

void BM_SkipBlanksBackward(benchmark::State& state) {
    const std::string& page = BlankPage();
    const int last = static_cast<int>(page.size()) - 1;
    for (auto _ : state) benchmark::DoNotOptimize(SkipBlanksBackward(page, last));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_SkipBlanksBackward)->Unit(benchmark::kMillisecond);

// A word as long as the page: WordLengthAt and FindBlankBackward scan it all.
const std::string& WordPage() {
    static const std::string page = " " + std::string(10u << 20, 'w') + " ";
    return page;
}

void BM_WordLengthAt(benchmark::State& state) {
    const std::string& page = WordPage();
    for (auto _ : state) benchmark::DoNotOptimize(WordLengthAt(page, 2));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_WordLengthAt)->Unit(benchmark::kMillisecond);

void BM_FindBlankBackward(benchmark::State& state) {
    const std::string& page = WordPage();
    const int last = static_cast<int>(page.size()) - 1;
    for (auto _ : state) benchmark::DoNotOptimize(FindBlankBackward(page, last));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindBlankBackward)->Unit(benchmark::kMillisecond);

// A megabyte of UTF-8 of characters GBK lacks (emoji, Extension A, U+00A0), and of GBK's own.
std::string Utf8Megabyte(const char* unit) {
    std::string text;
    while (text.size() < 1u << 20) text += unit;
    return text;
}

void BM_Utf8ToGbkLacking(benchmark::State& state) {
    static const std::string text = Utf8Megabyte(u8"\U0001F600\u4dae\u00a0");
    for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Utf8ToGbkLacking)->Unit(benchmark::kMillisecond);

void BM_Utf8ToGbkChinese(benchmark::State& state) {
    static const std::string text = Utf8Megabyte(u8"浙江省杭州市西湖区文三路 1 号，张三 ");
    for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Utf8ToGbkChinese)->Unit(benchmark::kMillisecond);

void BM_GbkToUtf8Lacking(benchmark::State& state) {
    static const std::string gbk = Utf8ToGbk(Utf8Megabyte(u8"\U0001F600\u4dae\u00a0"));
    for (auto _ : state) benchmark::DoNotOptimize(GbkToUtf8(gbk));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gbk.size()));
}
BENCHMARK(BM_GbkToUtf8Lacking)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
