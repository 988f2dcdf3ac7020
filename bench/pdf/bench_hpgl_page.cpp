// A plotting program's landscape drawing: about 500 KB of HP-GL/2 polygons, each filled (solid
// or shaded) and edged with one of three pen widths. Drawn on the page bitmap (as the page
// window and `render` draw it), converted to PDF in process, and through the pcl2pdf program
// (the whole process, as a conversion runs it). Counters: input and PDF bytes, and the peak
// memory of the process (in process) or of the converter (pcl2pdf).
// Targets: the page bitmap and the PDF each in at most the reference interpreter's whole
// process time for the same bytes (0.2 to 0.45 s on the development machine), a PDF of at most
// 1.5 times the reference's (308 KB) and at most 100 MB of memory.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PageBitmapDevice.h"
#include "PclToPdf.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

namespace pg {
namespace {

// A 64-bit linear congruential generator: the same drawing on every machine (and in the script
// that writes it for the reference interpreter).
class TRandom {
public:
    double Uniform(double low, double high) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return low + (high - low) * double(state_ >> 11) / double(1ull << 53);
    }
    int Below(int n) { return int(Uniform(0, n)); }

private:
    uint64_t state_ = 7;
};

// 48 x 36 tiles on a landscape legal page, each a polygon of 20 to 34 corners: one in five
// solid, the rest shaded 10 to 80 percent.
const std::string& PolygonPage() {
    static const std::string page = [] {
        TRandom random;
        std::string out = "\x1b"
                          "E\x1b&l3A\x1b&l1O\x1b%0BIN;SP1;";
        const int cols = 48, rows = 36;
        const double cw = 10000.0 / cols, ch = 7500.0 / rows;
        const int levels[] = {10, 25, 40, 60, 80};
        const char* widths[] = {"0.13", "0.25", "0.35"};
        char number[48];
        int n = 0;
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i, ++n) {
                const double cx = 80 + (i + 0.5) * cw, cy = 60 + (j + 0.5) * ch;
                const int k = 20 + random.Below(15);
                std::string points;
                for (int t = 0; t < k; ++t) {
                    const double a = 2 * std::numbers::pi * t / k;
                    const double r = random.Uniform(0.30, 0.48);
                    const int x = int(cx + r * cw * std::cos(a)), y = int(cy + r * ch * std::sin(a));
                    std::snprintf(number, sizeof number,
                                  t == 0   ? "PU%d,%d;PM0;PD"
                                  : t == 1 ? "%d,%d"
                                           : ",%d,%d",
                                  x, y);
                    points += number;
                }
                const int level = levels[random.Below(5)];
                const char* width = widths[random.Below(3)];
                if (n % 5)
                    std::snprintf(number, sizeof number, "FT10,%d;PW%s;", level, width);
                else
                    std::snprintf(number, sizeof number, "FT1;PW%s;", width);
                out += number + points + ";PM2;FP;EP;\n";
            }
        return out + "\x1b%0A\f\x1b"
                     "E";
    }();
    return page;
}

double PeakMegabytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_maxrss) / 1024;
}

void BM_HpglPolygonPageBitmap(benchmark::State& state) {
    const std::string& pcl = PolygonPage();
    for (auto _ : state) {
        TPCLBuffer buffer;
        buffer.AppendData(pcl);
        TPageBitmap bitmap(0, 0, TPixelFormat::Indexed8);
        TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
        buffer.Parse(&device);
        buffer.FinishFirstPage(device, "LGL");
        benchmark::DoNotOptimize(bitmap.Pixel(1000, 1000));
    }
    state.counters["input_KB"] = double(pcl.size()) / 1024;
    state.counters["peak_MB"] = PeakMegabytes(RUSAGE_SELF);
}
BENCHMARK(BM_HpglPolygonPageBitmap)->Unit(benchmark::kMillisecond);

void BM_HpglPolygonPagePdf(benchmark::State& state) {
    const std::string& pcl = PolygonPage();
    TPclToPdfResult result;
    for (auto _ : state)
        benchmark::DoNotOptimize(result = ConvertPclToPdf(pcl));
    if (!result.Ok)
        state.SkipWithError("conversion failed");
    state.counters["pdf_KB"] = double(result.Pdf.size()) / 1024;
    state.counters["peak_MB"] = PeakMegabytes(RUSAGE_SELF);
}
BENCHMARK(BM_HpglPolygonPagePdf)->Unit(benchmark::kMillisecond);

// The converter as a conversion runs it, in a private work folder; its peak memory is the
// largest of the children's.
void BM_HpglPolygonPageThroughPcl2pdf(benchmark::State& state) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "bench-hpgl-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        state.SkipWithError("no work folder");
        return;
    }
    const fs::path folder = pattern, input = folder / "page.pcl", output = folder / "page.pdf";
    std::ofstream(input, std::ios::binary) << PolygonPage();
    const std::string command =
        std::string("\"") + PCL2PDF + "\" \"" + input.string() + "\" \"" + output.string() + "\" -Legal";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("pcl2pdf failed");
    state.counters["pdf_KB"] = double(fs::exists(output) ? fs::file_size(output) : 0) / 1024;
    state.counters["peak_MB"] = PeakMegabytes(RUSAGE_CHILDREN);
    fs::remove_all(folder);
}
BENCHMARK(BM_HpglPolygonPageThroughPcl2pdf)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pg
