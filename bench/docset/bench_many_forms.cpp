// Reading a package of 4,000 one-page forms that share 20 templates, in both containers
// (target: at most 300 ms each).

#include "Quodex.h"
#include "Tesselon.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kForms = 4000;
constexpr int kTemplates = 20;

std::string PageText(std::mt19937& rng, size_t size) {
    std::string s;
    while (s.size() < size)
        s += "\x1b*p" + std::to_string(rng() % 2400) + "x" + std::to_string(rng() % 3000) + "YLine " +
             std::to_string(rng() % 100000);
    s.resize(size);
    return s;
}

const pg::TDocSet& ManyForms() {
    static const auto set = [] {
        std::mt19937 rng(7);
        auto s = std::make_unique<pg::TDocSet>();
        s->WorksheetNumber = "4000";
        std::vector<std::string> templates;
        for (int t = 0; t < kTemplates; ++t)
            templates.push_back(PageText(rng, 12 * 1024) + "\f");
        for (int f = 0; f < kForms; ++f) {
            auto form = std::make_unique<pg::TDocSetForm>("F" + std::to_string(f) + ".DOT", "Form", 1, "Bob",
                                                          "LTR", true, false, false);
            auto page = std::make_unique<pg::TDocSetPage>(1, "T" + std::to_string(f % kTemplates) + ".DOT",
                                                          false, "", 0.0, PageText(rng, 2048));
            page->TemplateData.AppendText(templates[size_t(f % kTemplates)]);
            form->AddPage(std::move(page));
            s->AddForm(std::move(form));
        }
        return s;
    }();
    return *set;
}

void BM_ReadManyFormsQuodex(benchmark::State& state) {
    const std::string bytes = pg::TQuodex::BuildQuodex(ManyForms(), pg::TSaveMode::All, true, false);
    for (auto _ : state) {
        pg::TQuodex set;
        set.LoadFromBytes(bytes);
        if (set.FormCount() != size_t(kForms))
            state.SkipWithError("package did not read back");
    }
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_ReadManyFormsQuodex)->Unit(benchmark::kMillisecond);

void BM_ReadManyFormsTesselon(benchmark::State& state) {
    const std::string bytes = pg::TTesselon::BuildTesselon(ManyForms(), pg::TSaveMode::All, true);
    for (auto _ : state) {
        pg::TTesselon set;
        set.LoadFromBytes(bytes);
        set.ReadFormList();
        if (set.FormCount() != size_t(kForms))
            state.SkipWithError("package did not read back");
    }
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_ReadManyFormsTesselon)->Unit(benchmark::kMillisecond);

} // namespace
