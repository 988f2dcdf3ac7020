// Speed of raster rendering (a full-page 300 dpi image in TIFF and delta-row compression) and
// of whitening the drawing surface for a page that shows little.

#include "PclTestUtil.h"
#include "PageBitmap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

const std::string kEsc = "\x1b";
constexpr int kImageWidth = 2400; // pixels: 8 inches
constexpr int kImageRows = 3200;  // rows: 10.7 inches

// A scanned-looking row: words of ink on white, shifting from row to row.
std::string ImageRow(int y) {
    std::string row(kImageWidth / 8, '\0');
    if (y % 40 >= 28)
        return row;
    for (size_t x = 0; x < row.size(); ++x)
        if ((x / 9 + size_t(y) / 40) % 5 != 0)
            row[x] = char(uint8_t(0x5A ^ (x * 7 + size_t(y) * 13)));
    return row;
}

// TIFF PackBits: literal runs and repeats of at most 128 bytes.
std::string PackBits(const std::string& row) {
    std::string out;
    size_t i = 0;
    while (i < row.size()) {
        size_t run = 1;
        while (i + run < row.size() && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            out += char(int8_t(1 - int(run)));
            out += row[i];
            i += run;
            continue;
        }
        size_t literal = 0;
        while (i + literal < row.size() && literal < 128) {
            const size_t at = i + literal;
            if (at + 2 < row.size() && row[at] == row[at + 1] && row[at] == row[at + 2])
                break;
            ++literal;
        }
        out += char(literal - 1);
        out.append(row, i, literal);
        i += literal;
    }
    return out;
}

// Delta row: the bytes that differ from the seed row, in replacements of up to 8 bytes.
std::string DeltaRow(const std::string& seed, const std::string& row) {
    std::string out;
    size_t i = 0, last = 0;
    while (i < row.size()) {
        if (row[i] == seed[i]) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < row.size() && end - i < 8 && row[end] != seed[end])
            ++end;
        size_t offset = i - last;
        out += char(((end - i - 1) << 5) | std::min<size_t>(offset, 31));
        if (offset >= 31) {
            offset -= 31;
            for (; offset >= 255; offset -= 255)
                out += char(255);
            out += char(offset);
        }
        out.append(row, i, end - i);
        last = i = end;
    }
    return out;
}

// The image starts one row down: its first TIFF row lands on the page (row 0), not above it.
std::string FullPageImage(int mode) {
    std::string pcl = kEsc + "E" + kEsc + "&l2a0o0E" + kEsc + "*p0x1Y" + kEsc + "*t300R" + kEsc + "*r1A";
    pcl += kEsc + "*b" + std::to_string(mode) + "M";
    std::string seed(kImageWidth / 8, '\0');
    for (int y = 0; y < kImageRows; ++y) {
        const std::string row = ImageRow(y);
        const std::string data = mode == 2 ? PackBits(row) : DeltaRow(seed, row);
        pcl += kEsc + "*b" + std::to_string(data.size()) + "W" + data;
        seed = row;
    }
    return pcl + kEsc + "*rBx\f";
}

// Reads every row, as showing the page does.
size_t BlackPixels(const pg::TPageBitmap& page) {
    size_t black = 0;
    for (int y = 0; y < page.Height(); ++y) {
        const auto row = page.Row(y);
        black += size_t(std::count(row.begin(), row.end(), uint8_t(0)));
    }
    return black;
}

// What the page viewer does: a fresh interpreter renders the page and every row is shown.
void RenderAndShow(benchmark::State& state, const std::string& pcl) {
    for (auto _ : state) {
        pg::test::TBitmapPcl buffer;
        buffer.AppendData(pcl);
        buffer.Parse(true);
        const pg::TPageBitmap& page = buffer.GetPageBitmap(false, 1, "LTR");
        benchmark::DoNotOptimize(BlackPixels(page));
    }
    state.counters["input_MB"] = double(pcl.size()) / 1e6;
}

void BM_FullPageRasterTiff(benchmark::State& state) {
    static const std::string pcl = FullPageImage(2);
    RenderAndShow(state, pcl);
}
BENCHMARK(BM_FullPageRasterTiff)->Unit(benchmark::kMillisecond);

void BM_FullPageRasterDeltaRow(benchmark::State& state) {
    static const std::string pcl = FullPageImage(3);
    RenderAndShow(state, pcl);
}
BENCHMARK(BM_FullPageRasterDeltaRow)->Unit(benchmark::kMillisecond);

// The rendering alone, without reading the page afterwards.
void BM_FullPageRasterTiffRenderOnly(benchmark::State& state) {
    static const std::string pcl = FullPageImage(2);
    for (auto _ : state) {
        pg::test::TBitmapPcl buffer;
        buffer.AppendData(pcl);
        buffer.Parse(true);
        benchmark::DoNotOptimize(buffer.GetPageBitmap(false, 1, "LTR").Height());
    }
}
BENCHMARK(BM_FullPageRasterTiffRenderOnly)->Unit(benchmark::kMillisecond);

// A letter page with one line on it: the cost is the surface, not the drawing.
const std::string& NearlyBlankPage() {
    static const std::string pcl = kEsc + "&l2A" + kEsc + "*p300x300Y" + kEsc + "*c600a4b0P" + "x\f";
    return pcl;
}

void BM_NearlyBlankPageFreshInterpreter(benchmark::State& state) {
    RenderAndShow(state, NearlyBlankPage());
}
BENCHMARK(BM_NearlyBlankPageFreshInterpreter)->Unit(benchmark::kMillisecond);

// The same interpreter renders the page again and again: the surface's memory is reused.
void BM_NearlyBlankPageReused(benchmark::State& state) {
    pg::test::TBitmapPcl buffer;
    buffer.AppendData(NearlyBlankPage());
    buffer.Parse();
    for (auto _ : state) {
        const pg::TPageBitmap& page = buffer.GetPageBitmap(false, 1, "LTR");
        benchmark::DoNotOptimize(BlackPixels(page));
    }
}
BENCHMARK(BM_NearlyBlankPageReused)->Unit(benchmark::kMillisecond);

// Rendering alone, without showing: whitening is all the work there is.
void BM_NearlyBlankPageRenderOnly(benchmark::State& state) {
    pg::test::TBitmapPcl buffer;
    buffer.AppendData(NearlyBlankPage());
    buffer.Parse();
    for (auto _ : state)
        benchmark::DoNotOptimize(buffer.GetPageBitmap(false, 1, "LTR").Height());
}
BENCHMARK(BM_NearlyBlankPageRenderOnly)->Unit(benchmark::kMillisecond);

} // namespace

// A hostile page: 440 KB of full-page rectangle fills. The fill budget bounds it (target 2 s).
void BM_HostileRectangleFills(benchmark::State& state) {
    std::string pcl = kEsc + "E";
    while (pcl.size() < 440000)
        pcl += kEsc + "*p0x0Y" + kEsc + "*c4200a4200b0P";
    RenderAndShow(state, pcl);
}
BENCHMARK(BM_HostileRectangleFills)->Unit(benchmark::kMillisecond)->Iterations(2);
