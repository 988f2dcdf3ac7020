// Speed of drawing one page of a long driver file whose fonts are downloaded once, on page 1
// (what TeX's and similar drivers write): page 50 of 100 must cost about what page 1 costs,
// since a page starts from the state kept where it begins rather than from a replay of the
// pages before it.

#include "PclTestUtil.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kEsc = "\x1b";

// A 300 dpi bitmap glyph of w x h dots: an outlined box, advancing w + 4 dots.
std::string Glyph(int code, int w, int h) {
    std::string g(16, '\0');
    g[0] = 4;
    g[2] = 14;
    g[3] = 1;
    g[7] = 1;
    g[9] = char(h);
    g[11] = char(w);
    g[13] = char(h);
    g[14] = char(((w + 4) * 4) >> 8);
    g[15] = char(((w + 4) * 4) & 0xFF);
    const int bytes = (w + 7) / 8;
    for (int y = 0; y < h; ++y)
        for (int b = 0; b < bytes; ++b)
            g += char(y == 0 || y == h - 1 ? 0xFF : (b == 0 ? 0x80 : 0x01));
    return kEsc + "*c" + std::to_string(code) + "E" + kEsc + "(s" + std::to_string(g.size()) + "W" + g;
}

std::string Font(int id, int w, int h) {
    std::string pcl = kEsc + "*c" + std::to_string(id) + "D" + kEsc + ")s64W" + std::string(64, '\0');
    for (int code = 33; code < 127; ++code)
        pcl += Glyph(code, w, h);
    return pcl;
}

// 100 pages of about 2,400 characters each in two fonts, positioned word by word; the fonts
// (188 glyphs) are downloaded on page 1 only.
const std::string& DriverFile() {
    static const std::string file = [] {
        std::string pcl = kEsc + "E" + kEsc + "&l0E" + kEsc + "&aL" + Font(0, 40, 50) + Font(1, 20, 28);
        for (int page = 0; page < 100; ++page) {
            pcl += kEsc + "(X" + kEsc + "*p700x300YPage" + kEsc + "*p1000X" + std::to_string(page + 1);
            pcl += kEsc + "(1X";
            for (int line = 0; line < 60; ++line) {
                pcl += kEsc + "*p300x" + std::to_string(400 + line * 45) + "Y";
                for (int word = 0; word < 8; ++word)
                    pcl += kEsc + "*p" + std::to_string(300 + word * 220) + "XLoanTerms";
            }
            pcl += "\f";
        }
        return pcl;
    }();
    return file;
}

void BM_DriverFilePage(benchmark::State& state) {
    pg::test::TBitmapPcl file;
    file.AppendData(DriverFile());
    file.Parse();
    const int page = int(state.range(0));
    if (file.GetPageCount() != 100)
        state.SkipWithError("the driver file does not have 100 pages");
    for (auto _ : state)
        benchmark::DoNotOptimize(file.GetPageBitmap(false, page, "LTR").Width());
}
BENCHMARK(BM_DriverFilePage)->Arg(1)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// Splitting the whole file (every page's state and resources kept) without drawing.
void BM_DriverFileParse(benchmark::State& state) {
    for (auto _ : state) {
        pg::TPCLBuffer file;
        file.AppendData(DriverFile());
        file.Parse();
        benchmark::DoNotOptimize(file.GetPageCount());
    }
}
BENCHMARK(BM_DriverFileParse)->Unit(benchmark::kMillisecond);

} // namespace
