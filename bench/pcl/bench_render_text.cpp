// Speed of rendering a typical letter form page into the page bitmap: about 2,500 characters
// in Courier, Univers and CG Times, 40 rules and boxes and a 600 x 150 raster logo, and of
// the same text alone, with and without the glyph cache.

#include "FontEngine.h"
#include "PclTestUtil.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kEsc = "\x1b";

std::string At(int x, int y) {
    return kEsc + "*p" + std::to_string(x) + "x" + std::to_string(y) + "Y";
}

// Text lines of a letter form, about 2,500 characters: 8 Univers labels, 13 CG Times body
// lines, 14 Courier fields.
std::string FormText() {
    std::string pcl;
    int y = 300;
    pcl += kEsc + "(8U" + kEsc + "(s1p8v0s0b4148T";
    for (int i = 0; i < 8; ++i, y += 60)
        pcl += At(60, y) + "Property Address and Borrower Name " + std::to_string(i) + " (see page 2)";
    pcl += kEsc + "(s1p11v0s0b4101T";
    for (int i = 0; i < 13; ++i, y += 46)
        pcl += At(60, y) + "In return for a loan that I have received, I promise to pay the amount " +
               "shown in Box " + char('A' + i) + " to the order of the Lender.";
    pcl += kEsc + "(s0p12h12v0s3b4099T";
    for (int i = 0; i < 14; ++i, y += 60)
        pcl += At(80, y) + "1847 TIDEWATER LANE, PORT CARROW, OR 97999";
    return pcl;
}

std::string RulesAndLogo() {
    std::string pcl;
    for (int r = 0; r < 40; ++r)
        pcl += At(40 + (r % 4) * 20, 250 + r * 70) + kEsc + "*c2300a" + (r % 2 ? "3" : "60") + "b" +
               (r % 2 ? "0" : "2") + "P";
    pcl += At(1700, 60) + kEsc + "*t300R" + kEsc + "*r1A" + kEsc + "*b0M";
    for (int row = 0; row < 150; ++row) {
        std::string bits(75, '\0');
        for (size_t b = 0; b < bits.size(); ++b)
            bits[b] = char((row * 7 + int(b) * 13) % 5 == 0 ? 0xFF : 0x3C);
        pcl += kEsc + "*b75W" + bits;
    }
    return pcl + kEsc + "*rB";
}

std::string LetterPage() {
    return kEsc + "E" + kEsc + "&l2a0o6D" + RulesAndLogo() + FormText() + "\f";
}

// A fresh interpreter per page, as the page window renders.
void Render(benchmark::State& state, const std::string& pcl, bool caching) {
    pg::TFontEngine::Shared().SetCaching(caching);
    const std::string text = FormText();
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x1b') // a command runs up to its upper-case letter
            while (i < text.size() && !(text[i] >= 'A' && text[i] <= 'Z'))
                ++i;
        else
            ++characters;
    }
    for (auto _ : state) {
        pg::test::TBitmapPcl buffer;
        buffer.AppendData(pcl);
        buffer.Parse(true);
        benchmark::DoNotOptimize(buffer.GetPageBitmap(false, 1, "LTR").Pixel(100, 100));
    }
    pg::TFontEngine::Shared().SetCaching(true);
    state.counters["characters"] = double(characters);
}

void BM_RenderLetterFormPage(benchmark::State& state) {
    Render(state, LetterPage(), true);
}
BENCHMARK(BM_RenderLetterFormPage)->Unit(benchmark::kMillisecond);

void BM_RenderLetterFormPageNoGlyphCache(benchmark::State& state) {
    Render(state, LetterPage(), false);
}
BENCHMARK(BM_RenderLetterFormPageNoGlyphCache)->Unit(benchmark::kMillisecond);

void BM_RenderFormTextOnly(benchmark::State& state) {
    Render(state, kEsc + "E" + kEsc + "&l2a0o6D" + FormText() + "\f", true);
}
BENCHMARK(BM_RenderFormTextOnly)->Unit(benchmark::kMillisecond);

void BM_RenderFormTextOnlyNoGlyphCache(benchmark::State& state) {
    Render(state, kEsc + "E" + kEsc + "&l2a0o6D" + FormText() + "\f", false);
}
BENCHMARK(BM_RenderFormTextOnlyNoGlyphCache)->Unit(benchmark::kMillisecond);

// The same interpreter rendering its page again: no new drawing surface.
void BM_RerenderLetterFormPage(benchmark::State& state) {
    pg::test::TBitmapPcl buffer;
    buffer.AppendData(LetterPage());
    buffer.Parse();
    for (auto _ : state)
        benchmark::DoNotOptimize(buffer.GetPageBitmap(false, 1, "LTR").Pixel(100, 100));
}
BENCHMARK(BM_RerenderLetterFormPage)->Unit(benchmark::kMillisecond);

} // namespace
