// Speed of reading the text of a typical demo page (the Note's first page: about 400
// words of template and fill text, boxes and rules): the whole way the
// text command goes, from the joined page streams through a fresh interpreter into the text
// device and its grouping into words and lines.

#include "DocSet.h"
#include "PackageFile.h"
#include "PageText.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DemoPageText(benchmark::State& state) {
    const auto set = pg::LoadPackageFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx");
    const pg::TDocSetForm& form = set->Form(size_t(state.range(0)));
    const pg::TDocSetPage& page = *form.Pages.at(0);
    state.SetLabel(form.Name);
    size_t words = 0;
    for (auto _ : state) {
        pg::THLWMemorystream pcl;
        pcl.AppendStream(page.FillData);
        pcl.AppendStream(page.TemplateData);
        const std::vector<pg::TTextLine> lines = pg::PageTextLines(std::move(pcl));
        words = 0;
        for (const pg::TTextLine& line : lines)
            words += line.Words.size();
        benchmark::DoNotOptimize(words);
    }
    state.counters["words"] = double(words);
}
// First pages of the package's first forms as stored (the Note, letter; the Deed of Trust, legal).
BENCHMARK(BM_DemoPageText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
