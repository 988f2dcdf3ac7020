// Speed of the print model: a letter page fully covered by shaded rectangles (every shading
// band, cross-hatches and a user pattern, with text over them), drawn as the page window draws
// it (palette page) and as the printer's look draws it (1-bit page), and written as a PDF page.
// It should cost no more than the typical form page of bench_render_text
// (BM_RenderLetterFormPage).

#include "PclTestUtil.h"
#include "PdfDevice.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kEsc = "\x1b";

// 24 bands of 100 dots across the whole logical page, each 2400 dots wide, cut into a shaded
// half and a patterned half, a line of text over each.
std::string ShadedPage() {
    std::string pcl = kEsc + "E" + kEsc + "&l2A" + kEsc + "&l0E" + kEsc + "(s1p12v0s3b4148T";
    pcl += kEsc + "*c1G" + kEsc + "*c10W" + std::string{0, 0, 1, 0, 0, 2, 0, 2, char(0x80), 0x40};
    const int levels[] = {2, 10, 15, 30, 45, 70, 90, 5};
    for (int band = 0; band < 24; ++band) {
        const int y = band * 125;
        pcl += kEsc + "*p0x" + std::to_string(y) + "Y" + kEsc + "*c1200a125b" +
               std::to_string(levels[band % 8]) + "g2P";
        pcl += kEsc + "*p1200x" + std::to_string(y) + "Y" + kEsc + "*c1200a125b" +
               (band % 7 == 6 ? "1g4P" : std::to_string(band % 6 + 1) + "g3P");
        pcl += kEsc + "*p40x" + std::to_string(y + 80) + "YShaded band " + std::to_string(band) +
               " with its heading printed over the shading, as drivers print banners";
    }
    return pcl + "\f";
}

void RenderShadedPage(benchmark::State& state, uint32_t fillColour) {
    static const std::string pcl = ShadedPage();
    for (auto _ : state) {
        pg::test::TBitmapPcl buffer;
        buffer.SetFillColor(fillColour);
        buffer.AppendData(pcl);
        buffer.Parse(true);
        benchmark::DoNotOptimize(buffer.GetPageBitmap(false, 1, "LTR").Pixel(100, 100));
    }
}

void BM_ShadedPagePalette(benchmark::State& state) {
    RenderShadedPage(state, 0x00FF0000);
}
BENCHMARK(BM_ShadedPagePalette)->Unit(benchmark::kMillisecond);

void BM_ShadedPageMonochrome(benchmark::State& state) {
    RenderShadedPage(state, 0);
}
BENCHMARK(BM_ShadedPageMonochrome)->Unit(benchmark::kMillisecond);

// The same page as a PDF page: greys and pattern fills, the text as text.
void BM_ShadedPagePdf(benchmark::State& state) {
    static const std::string pcl = ShadedPage();
    for (auto _ : state) {
        pg::TPdfDevice device(false, &pg::TFontEngine::Shared());
        pg::test::TBitmapPcl buffer;
        buffer.AppendData(pcl);
        buffer.Parse();
        buffer.RenderPage(device, 1, true, "LTR");
        device.FinishPage(2550, 3300);
        benchmark::DoNotOptimize(device.Finish().size());
    }
}
BENCHMARK(BM_ShadedPagePdf)->Unit(benchmark::kMillisecond);

} // namespace
