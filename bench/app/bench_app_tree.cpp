// Building the document tree of a 1,000-form package (target: at most 300 ms with caption
// measuring), here with a measuring function that walks every caption byte.

#include "DocTree.h"
#include "TreeFixtures.h"

#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<pg::TDocSet> ThousandForms() {
    auto set = std::make_unique<pg::TDocSet>();
    set->WorksheetNumber = "1000";
    for (int i = 0; i < 1000; ++i) {
        // Every tenth form exists for two borrowers; every fourth has three pages.
        const std::string name = "F" + std::to_string(i - (i % 10 == 1 ? 1 : 0)) + ".LSR";
        pg::testing::AddTestForm(*set, name, "LOAN DOCUMENT NUMBER " + std::to_string(i), 1 + i % 2,
                                 "BORROWER " + std::to_string(i), i % 4 == 0 ? 3 : 1);
    }
    return set;
}

void BM_BuildTree(benchmark::State& state) {
    auto set = ThousandForms();
    for (auto _ : state) {
        pg::TDocTree tree;
        tree.Build(*set, [](const std::string& caption) {
            int width = 0;
            for (char c : caption)
                width += 6 + (c & 1);
            return width;
        });
        benchmark::DoNotOptimize(tree.MaxCaptionWidth());
    }
}
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);

} // namespace
