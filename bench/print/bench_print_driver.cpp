// The driver path on the demo package: each page of its print job rendered with the print flag
// and made into the monochrome image the printer is given, and the whole path into a PDF
// printer file (the document an IPP printer receives). Times are per page.
#include "FontEngine.h"
#include "PCLParse.h"
#include "PackageJob.h"
#include "PageBitmapDevice.h"
#include "PageDocument.h"
#include "PrinterDriver.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace pg {
namespace {

const std::string& DemoJob() {
    static const std::string job = [] {
        TJobOptions options;
        options.Package = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
        options.Choices.BarCodes = true;
        return BuildJobFromOptions(options).Bytes;
    }();
    return job;
}

// QPrinter needs a GUI application; without a screen it runs on the offscreen platform.
void EnsureApplication() {
    static std::unique_ptr<QGuiApplication> app;
    if (app)
        return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "bench_print_driver";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
}

// One iteration is one page: render with the print flag, then the printer's monochrome image.
void BM_DriverPageRenderAndConvert(benchmark::State& state) {
    TPCLBuffer pcl;
    pcl.SetFillColor(0x00FF0000);
    pcl.AppendData(DemoJob());
    pcl.SetShowControlCodes(false);
    pcl.Parse();
    const int count = pcl.GetPageCount();
    if (count == 0) {
        state.SkipWithError("the demo job has no pages");
        return;
    }
    TPageBitmap bitmap(0, 0, TRunOptions{}.PageBitmapFormat());
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    int page = 0;
    for (auto _ : state) {
        pcl.RenderPage(device, page + 1, true, "LGL");
        const QImage image = MonochromeImage(bitmap);
        benchmark::DoNotOptimize(image.constBits());
        page = (page + 1) % count;
    }
    state.counters["pages"] = count;
}
BENCHMARK(BM_DriverPageRenderAndConvert)->Unit(benchmark::kMillisecond);

// The whole driver path of the job into a PDF printer file; per_page is the time of one page.
void BM_DriverJobToPdf(benchmark::State& state) {
    EnsureApplication();
    const std::string pdf = "/tmp/bench_print_driver_" + std::to_string(::getpid()) + ".pdf";
    int pages = 0;
    for (auto _ : state)
        pages = DriverPrintToPdf(DemoJob(), pdf, "Pagellan-bench");
    ::unlink(pdf.c_str());
    if (pages == 0) {
        state.SkipWithError("no page was drawn");
        return;
    }
    state.counters["pages"] = pages;
    // Seconds per page (shown with a milli prefix).
    state.counters["per_page"] = benchmark::Counter(
        double(pages), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DriverJobToPdf)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace pg
