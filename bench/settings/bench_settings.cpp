// Settings are not cached: every getter reads the store again. The target is at most 50
// microseconds per getter call, with a store that holds every setting.

#include "HLWRegistry.h"
#include "PGRegistry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;
namespace R = pg::PGRegistry;

// A temporary store filled with a value for every setting, in place for the whole run.
class TFilledStore {
public:
    TFilledStore() {
        std::string pattern = (fs::temp_directory_path() / "pg-bench-settings-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        root_ = pattern;
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        registry_ =
            std::make_unique<pg::THLWRegistry>((root_ / "config").string(), (root_ / "none.CFG").string());
        pg::SetRegistry(registry_.get());
        pg::SetConnectionTypeQuery([] { return std::string("LAN"); });
        for (const auto& s : R::Settings())
            if (s.Set)
                s.Set(s.Get());
        for (int i = 0; i < 10; ++i)
            registry_->WriteSubKeyString("\\EMAIL-TO", std::to_string(i),
                                         "someone" + std::to_string(i) + "@x.com");
    }
    ~TFilledStore() {
        pg::SetRegistry(nullptr);
        registry_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

private:
    fs::path root_;
    std::unique_ptr<pg::THLWRegistry> registry_;
};

TFilledStore& Store() {
    static TFilledStore store;
    return store;
}

void BM_GetString(benchmark::State& state) {
    Store();
    for (auto _ : state)
        benchmark::DoNotOptimize(R::Port());
}
BENCHMARK(BM_GetString);

void BM_GetInteger(benchmark::State& state) {
    Store();
    for (auto _ : state)
        benchmark::DoNotOptimize(R::ScanBright());
}
BENCHMARK(BM_GetInteger);

void BM_GetFloat(benchmark::State& state) {
    Store();
    for (auto _ : state)
        benchmark::DoNotOptimize(R::PageScale());
}
BENCHMARK(BM_GetFloat);

void BM_GetYesNo(benchmark::State& state) {
    Store();
    for (auto _ : state)
        benchmark::DoNotOptimize(R::BarCode());
}
BENCHMARK(BM_GetYesNo);

// Also deletes the misspelled old value on every call.
void BM_GetUpdateInterval(benchmark::State& state) {
    Store();
    for (auto _ : state)
        benchmark::DoNotOptimize(R::DaysBetweenUpdateChecks());
}
BENCHMARK(BM_GetUpdateInterval);

// Looks at the folder on disk and the program data folder.
void BM_GetHistoryFolder(benchmark::State& state) {
    Store();
    for (auto _ : state)
        benchmark::DoNotOptimize(R::QuodexHistoryDir());
}
BENCHMARK(BM_GetHistoryFolder);

// Every getter of the table once.
void BM_GetEverySetting(benchmark::State& state) {
    Store();
    for (auto _ : state)
        for (const auto& s : R::Settings())
            benchmark::DoNotOptimize(s.Get());
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(R::Settings().size()));
}
BENCHMARK(BM_GetEverySetting);

// A write reaches the file before it returns; a getter after it re-reads the changed file.
void BM_SetThenGet(benchmark::State& state) {
    Store();
    int32_t v = 0;
    for (auto _ : state) {
        R::SetPageSizeWidth(++v % 600);
        benchmark::DoNotOptimize(R::PageSizeWidth());
    }
}
BENCHMARK(BM_SetThenGet);

// Saving the options: every setting written inside one batch.
void BM_SaveEverySettingInBatch(benchmark::State& state) {
    Store();
    for (auto _ : state) {
        pg::TSettingsBatch batch;
        for (const auto& s : R::Settings())
            if (s.Set)
                s.Set(s.Get());
    }
}
BENCHMARK(BM_SaveEverySettingInBatch);

} // namespace
