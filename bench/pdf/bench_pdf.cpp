// PCL to PDF: the demo package's job through the pcl2pdf program (the whole process, as the
// conversion runs it), and in process for the demo, a 600-page job of text forms and pages of
// raster graphics. Counters: PDF bytes in all and per page; time per page is the iteration
// time over "pages".
// Targets: demo through pcl2pdf at most 0.12 s and 100 KB for its 10 pages; 600 pages at most
// 3 s and 2 MB (in process and through pcl2pdf).
// The finishing the conversion gives the converter's PDF afterwards (bookmarks, labels,
// properties, and linearised): the demo and the 600-page job; target at most 0.1 s for the
// 600 pages.

#include "PackageJob.h"
#include "PclToPdf.h"
#include "PdfFinish.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace pg {
namespace {

const TJobBuild& DemoBuild() {
    static const TJobBuild build = [] {
        TJobOptions options;
        options.Package = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
        options.Capture = true;
        return BuildJobFromOptions(options);
    }();
    return build;
}

const std::string& DemoJob() {
    return DemoBuild().Bytes;
}

std::string RasterJob(int pages) {
    std::string job;
    for (int page = 0; page < pages; ++page) {
        job += "\x1b"
               "E\x1b&l2A\x1b*p100x100Y\x1b*t300R\x1b*r1A";
        for (int y = 0; y < 2000; ++y) {
            std::string row(280, '\0');
            for (size_t x = 0; x < row.size(); ++x)
                row[x] = char(((x * 7 + size_t(y) / 3 + size_t(page)) % 11) < 4 ? 0xF0 : 0x00);
            job += "\x1b*b" + std::to_string(row.size()) + "W" + row;
        }
        job += "\x1b*rB\f";
    }
    return job;
}

void Report(benchmark::State& state, const TPclToPdfResult& result) {
    state.counters["pages"] = result.Pages;
    state.counters["bytes"] = double(result.Pdf.size());
    state.counters["bytes/page"] = double(result.Pdf.size()) / std::max(result.Pages, 1);
    state.counters["time/page"] = benchmark::Counter(
        result.Pages, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Convert(benchmark::State& state, const std::string& job) {
    TPclToPdfResult result;
    for (auto _ : state)
        benchmark::DoNotOptimize(result = ConvertPclToPdf(job));
    Report(state, result);
}

void BM_DemoInProcess(benchmark::State& state) {
    Convert(state, DemoJob());
}
BENCHMARK(BM_DemoInProcess)->Unit(benchmark::kMillisecond);

// The demo's ten pages sixty times over.
std::string TextForms600Pages() {
    std::string job;
    for (int i = 0; i < 60; ++i)
        job += DemoJob();
    return job;
}

void BM_TextForms600Pages(benchmark::State& state) {
    Convert(state, TextForms600Pages());
}
BENCHMARK(BM_TextForms600Pages)->Unit(benchmark::kMillisecond);

// The demo's outline and properties, its pages and bookmarks repeated copies times.
TPdfFinish DemoFinish(int copies) {
    const TPdfFinish& demo = DemoBuild().Pdf;
    TPdfFinish finish;
    finish.Info = demo.Info;
    finish.Outline.Pages = demo.Outline.Pages * copies;
    for (int copy = 0; copy < copies; ++copy) {
        const int offset = copy * demo.Outline.Pages;
        for (TPdfOutlineItem item : demo.Outline.Items) {
            item.Page += offset;
            for (TPdfOutlineItem& child : item.Children)
                child.Page += offset;
            finish.Outline.Items.push_back(item);
        }
        for (TPdfPageLabel label : demo.Outline.Labels) {
            label.FirstPage += offset;
            finish.Outline.Labels.push_back(label);
        }
    }
    return finish;
}

void Finish(benchmark::State& state, const std::string& job, int copies, bool linearize) {
    const std::string converted = ConvertPclToPdf(job).Pdf;
    TPdfFinish finish = DemoFinish(copies);
    finish.Linearize = linearize;
    std::string pdf, error;
    for (auto _ : state) {
        pdf = converted;
        if (!FinishPdf(pdf, finish, error))
            state.SkipWithError(error.c_str());
    }
    state.counters["bytes before"] = double(converted.size());
    state.counters["bytes"] = double(pdf.size());
}

void BM_DemoFinish(benchmark::State& state) {
    Finish(state, DemoJob(), 1, false);
}
BENCHMARK(BM_DemoFinish)->Unit(benchmark::kMillisecond);

void BM_TextForms600PagesFinish(benchmark::State& state) {
    Finish(state, TextForms600Pages(), 60, false);
}
BENCHMARK(BM_TextForms600PagesFinish)->Unit(benchmark::kMillisecond);

void BM_TextForms600PagesFinishLinearised(benchmark::State& state) {
    Finish(state, TextForms600Pages(), 60, true);
}
BENCHMARK(BM_TextForms600PagesFinishLinearised)->Unit(benchmark::kMillisecond);

void BM_RasterPages(benchmark::State& state) {
    Convert(state, RasterJob(10));
}
BENCHMARK(BM_RasterPages)->Unit(benchmark::kMillisecond);

// The whole converter process, as the conversion starts it, on the demo job and on the
// 600-page job: the two sizes the targets name.
void ThroughPcl2pdf(benchmark::State& state, const std::string& job, int pages) {
    const std::string input = "bench_pdf_job.pcl", output = "bench_pdf_job.pdf";
    std::ofstream(input, std::ios::binary) << job;
    const std::string command = std::string("\"") + PCL2PDF + "\" " + input + " " + output + " -Legal -MM";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("pcl2pdf failed");
    std::ifstream in(output, std::ios::binary);
    const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Report(state, {true, pdf, pages, {}});
    std::remove(input.c_str());
    std::remove(output.c_str());
}

void BM_DemoThroughPcl2pdf(benchmark::State& state) {
    ThroughPcl2pdf(state, DemoJob(), 10);
}
BENCHMARK(BM_DemoThroughPcl2pdf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextForms600PagesThroughPcl2pdf(benchmark::State& state) {
    ThroughPcl2pdf(state, TextForms600Pages(), 600);
}
BENCHMARK(BM_TextForms600PagesThroughPcl2pdf)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pg
