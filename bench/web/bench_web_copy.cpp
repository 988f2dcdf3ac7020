// Downloads of 100 MB from the local web server through THLWWebCopy, with a progress event
// (and the event pump) between every chunk of at most 4096 bytes.

#include "HLWWebCopy.h"
#include "WebServers.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

constexpr int64_t kBytes = 100 * 1024 * 1024;

void Download(benchmark::State& state, bool toFile) {
    static pg::test::TWebServer server;
    const std::string dir = pg::test::FreshFolder("bench-web");
    int64_t events = 0;
    for (auto _ : state) {
        pg::THLWWebCopy copy;
        copy.OnCopyProgress = [&](int, int64_t, int64_t, std::string&) { ++events; };
        copy.EventPump = [] {};
        pg::THLWWebCopyItem& item = copy.Items.Add();
        item.URL = server.URL("/bytes/" + std::to_string(kBytes));
        if (toFile) {
            item.TargetDir = dir;
            item.TargetFilename = "big.bin";
        }
        copy.Execute();
        if (!item.Succeeded() || copy.TransferredBytes() != kBytes)
            state.SkipWithError("download failed");
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
    state.counters["events"] = benchmark::Counter(double(events) / double(state.iterations()));
    std::filesystem::remove_all(dir);
}

void BM_Download100MBToFile(benchmark::State& state) {
    Download(state, true);
}
void BM_Download100MBToMemory(benchmark::State& state) {
    Download(state, false);
}

BENCHMARK(BM_Download100MBToFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Download100MBToMemory)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
