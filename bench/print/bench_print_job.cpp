// Assembling the print job of a 600-page package, without rendering.
#include "PrintWalk.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace pg {
namespace {

// A typical fill page: positioned text runs with font changes, and a template of the same size.
std::string FillPage(int page) {
    std::string fill = "\x1b&l2A\x1b(s0p12h10v0s0b3T";
    for (int line = 0; line < 40; ++line)
        fill += "\x1b*p300x" + std::to_string(200 + 60 * line) + "YBorrower field " + std::to_string(page) +
                " line " + std::to_string(line) + " Margaret A. Ellsworth 1234 Harbor Point Road";
    return fill + "\f";
}

struct TPackage {
    TDocSet set;
    std::vector<std::unique_ptr<TInfo>> infos;
    std::vector<TPrintNode> nodes;

    TPackage() {
        set.WorksheetNumber = "2026114";
        nodes.emplace_back();
        nodes.back().HasChildren = true;
        for (int f = 0; f < 200; ++f) {
            auto form = std::make_unique<TDocSetForm>("FORM" + std::to_string(f) + ".DOT", "Form", 1, "",
                                                      f % 3 == 0 ? "LGL" : "LTR", true, false, false);
            for (int p = 1; p <= 3; ++p) {
                auto page = std::make_unique<TDocSetPage>(p, "", false, "", 0, FillPage(p));
                page->TemplateData.AppendText(std::string(3000, 'T') + "\f");
                form->AddPage(std::move(page));
            }
            TDocSetForm& added = set.AddForm(std::move(form));
            set.CurrentForm = &added;
            for (int p = 1; p <= 3; ++p) {
                infos.push_back(std::make_unique<TInfo>());
                infos.back()->Form = &added;
                infos.back()->PageNumber = p;
                nodes.push_back({infos.back().get(), false, false});
            }
        }
    }
};

void BM_AssembleJob600Pages(benchmark::State& state) {
    static const TPackage package;
    TPrintChoices choices;
    choices.BarCodes = true;
    choices.FormNames = true;
    choices.Duplex = true;
    for (auto _ : state) {
        THLWPrintJobStream job(TCopyFooters{"Original", "Copy 1", "", ""});
        AssembleJob(job, package.set, package.nodes, {}, choices, false);
        job.WriteJobReset();
        if (job.PagesWritten != 600)
            state.SkipWithError("not 600 pages");
        benchmark::DoNotOptimize(job.View().data());
    }
}
BENCHMARK(BM_AssembleJob600Pages)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace pg
