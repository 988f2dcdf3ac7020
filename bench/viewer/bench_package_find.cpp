// Speed of finding a word in a 600-page package (the demo's ten pages sixty times over): cold,
// when every page's text is read first, and once the text is kept.

#include "DocSet.h"
#include "PackageFile.h"
#include "PackageFind.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct TBigPackage {
    std::vector<std::unique_ptr<pg::TDocSet>> Sets;
    std::vector<pg::TDocSetForm*> Forms;
    TBigPackage() {
        for (int copy = 0; copy < 60; ++copy) {
            Sets.push_back(pg::LoadPackageFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx"));
            for (size_t f = 0; f < Sets.back()->FormCount(); ++f)
                Forms.push_back(&Sets.back()->Form(f));
        }
    }
    size_t Pages() const {
        size_t n = 0;
        for (const pg::TDocSetForm* form : Forms)
            n += form->Pages.size();
        return n;
    }
};

const TBigPackage& Package() {
    static const TBigPackage package;
    return package;
}

void BM_FindCold(benchmark::State& state) {
    const TBigPackage& package = Package();
    size_t hits = 0;
    for (auto _ : state) {
        pg::TPackageTextIndex index;
        auto run = index.Prepare(package.Forms, "tidewater", {});
        run->Run();
        hits = run->Hits().size();
    }
    state.counters["pages"] = double(package.Pages());
    state.counters["hits"] = double(hits);
}
BENCHMARK(BM_FindCold)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_FindCached(benchmark::State& state) {
    const TBigPackage& package = Package();
    pg::TPackageTextIndex index;
    auto first = index.Prepare(package.Forms, "tidewater", {});
    first->Run();
    index.Keep(*first);
    size_t hits = 0;
    for (auto _ : state) {
        auto run = index.Prepare(package.Forms, "larkin county", {});
        run->Run();
        hits = run->Hits().size();
    }
    state.counters["pages"] = double(package.Pages());
    state.counters["hits"] = double(hits);
}
BENCHMARK(BM_FindCached)->Unit(benchmark::kMillisecond);

} // namespace
