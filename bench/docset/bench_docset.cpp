// Reading and writing a 20 MB Quodex package of 300 forms of 2 pages (targets: read at most
// 100 ms, write at most 150 ms).

#include "Quodex.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

namespace {

constexpr int kForms = 300;
constexpr int kPages = 2;
constexpr size_t kFillBytes = 16 * 1024;
constexpr size_t kTemplateBytes = 17 * 1024;

// PCL-like page data: printable runs, escape sequences and binary raster bytes.
std::string PageData(std::mt19937& rng, size_t size, bool withReset) {
    std::string s = withReset ? "\x1b"
                                "E\x1b&l0O\x1b&l2A"
                              : "\x1b*p300x400Y";
    while (s.size() < size) {
        s += "\x1b*b64W";
        for (int i = 0; i < 64; ++i)
            s += char(rng());
        s += "Text of the form line " + std::to_string(rng() % 100000) + "\x1b*p+50Y";
    }
    s.resize(size);
    return s;
}

const std::string& PackageBytes() {
    static const std::string bytes = [] {
        std::mt19937 rng(42);
        pg::TDocSet set;
        set.Version = "3";
        set.CreatedBy = "bench";
        set.WorksheetNumber = "4711";
        set.LenderName = "First Bank";
        set.PlanCode = "CONV";
        set.CanAnnotate = true;
        for (int f = 0; f < kForms; ++f) {
            const std::string name = "FORM" + std::to_string(f) + ".DOT";
            auto form = std::make_unique<pg::TDocSetForm>(name, "Form " + std::to_string(f), 1 + f % 2,
                                                          "Borrower", "LTR", true, false, false, "");
            for (int n = 1; n <= kPages; ++n) {
                auto page = std::make_unique<pg::TDocSetPage>(
                    n, "FORM" + std::to_string(f) + std::to_string(n) + ".DOT", false, "", 0,
                    PageData(rng, kFillBytes, false));
                page->TemplateData.AppendText(PageData(rng, kTemplateBytes, true));
                form->AddPage(std::move(page));
            }
            set.AddForm(std::move(form));
        }
        return pg::TQuodex::BuildQuodex(set, pg::TSaveMode::All, true, false);
    }();
    return bytes;
}

void BM_QuodexRead(benchmark::State& state) {
    const std::string& bytes = PackageBytes();
    for (auto _ : state) {
        pg::TQuodex set;
        set.LoadFromBytes(bytes);
        benchmark::DoNotOptimize(set.Forms.data());
        if (set.FormCount() != size_t(kForms))
            state.SkipWithError("package did not read back");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.counters["package_MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_QuodexRead)->Unit(benchmark::kMillisecond);

void BM_QuodexBuild(benchmark::State& state) {
    pg::TQuodex set;
    set.LoadFromBytes(PackageBytes());
    for (auto _ : state) {
        std::string out = pg::TQuodex::BuildQuodex(set, pg::TSaveMode::All, true, false);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(PackageBytes().size()));
}
BENCHMARK(BM_QuodexBuild)->Unit(benchmark::kMillisecond);

// The whole save: bytes, temporary file, flush to disk and rename.
void BM_QuodexSave(benchmark::State& state) {
    pg::TQuodex set;
    set.LoadFromBytes(PackageBytes());
    const auto path = std::filesystem::temp_directory_path() / "bench_docset.qdx";
    for (auto _ : state)
        if (!pg::TQuodex::SaveQuodex(set, path.string(), pg::TSaveMode::All, true, false))
            state.SkipWithError("save failed");
    std::filesystem::remove(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(PackageBytes().size()));
}
BENCHMARK(BM_QuodexSave)->Unit(benchmark::kMillisecond);

} // namespace
