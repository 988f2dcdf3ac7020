// Stream operations must stay linear in the stream size: a 10 MB stream with 10,000 markers.

#include "HLWStream.h"

#include <benchmark/benchmark.h>

using namespace pg;

namespace {
constexpr int kMarkers = 10'000;
constexpr size_t kSize = 10'000'000;

// About 1,000 bytes of PCL-like text between markers.
std::string Filler() {
    std::string f;
    while (f.size() < kSize / kMarkers - 40)
        f += "\x1b*p300x600YLOAN AMOUNT $125,000.00 ";
    return f;
}

std::string WithAnnotations() {
    const std::string fill = Filler();
    std::string s;
    s.reserve(kSize + kMarkers * 64);
    for (int i = 0; i < kMarkers; ++i)
        s += fill + MacroOpen(kMacroAnnotation) + "NOTE" + MacroClose(kMacroAnnotation);
    return s;
}

std::string WithPageCommands() {
    const std::string fill = Filler();
    std::string s;
    s.reserve(kSize + kMarkers * 16);
    for (int i = 0; i < kMarkers; ++i)
        s += fill + "\x1b&l1l1h";
    return s;
}
} // namespace

static void BM_ReplaceAll(benchmark::State& state) {
    const std::string source = WithPageCommands();
    for (auto _ : state) {
        state.PauseTiming();
        THLWMemorystream s(source);
        state.ResumeTiming();
        size_t n = s.ReplaceAll("\x1b&l1l1h", "\x1b&l1l");
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}
BENCHMARK(BM_ReplaceAll)->Unit(benchmark::kMillisecond);

static void BM_FindFromEveryMarker(benchmark::State& state) {
    THLWMemorystream s(WithPageCommands());
    for (auto _ : state) {
        size_t p = 1, found = 0;
        for (;;) {
            size_t at = s.FindFrom("\x1b&l1l1h", p);
            if (at == 0)
                break;
            ++found;
            p += at;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s.Size()));
}
BENCHMARK(BM_FindFromEveryMarker)->Unit(benchmark::kMillisecond);

static void BM_ExtractMarked(benchmark::State& state) {
    const std::string source = WithAnnotations();
    for (auto _ : state) {
        state.PauseTiming();
        THLWMemorystream s(source);
        std::string out;
        state.ResumeTiming();
        s.ExtractMarked(kMacroAnnotation, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}
BENCHMARK(BM_ExtractMarked)->Unit(benchmark::kMillisecond);
