// Speed of the PCL interpreter without rendering (page splitting and re-emission) and of
// page bitmap creation.

#include "PCLParse.h"
#include "PageBitmap.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kEsc = "\x1b";

// A soft font as form software downloads it: a header and one bitmap glyph per character.
std::string SoftFont(int id) {
    std::string pcl = kEsc + "*c" + std::to_string(id) + "D" + kEsc + ")s64W" + std::string(64, '\x01');
    for (int code = 33; code < 127; ++code) {
        pcl += kEsc + "*c" + std::to_string(code) + "E" + kEsc + "(s96W";
        pcl += std::string(16, '\x04') + std::string(80, char(code));
    }
    return pcl;
}

// One page of a typical form: the template (a soft font, a raster logo, rules and boxes,
// labels) and the fill data laid over it (one positioned field per line), then a form feed.
std::string TypicalPage(int page) {
    std::string pcl = kEsc + "E" + kEsc + "&l2a0o0e1S" + kEsc + "&l6D" + SoftFont(10);
    pcl += kEsc + "*p150x150Y" + kEsc + "*t300R" + kEsc + "*r1A" + kEsc + "*b0M";
    for (int row = 0; row < 120; ++row)
        pcl += kEsc + "*b75W" + std::string(75, char(0x5A + row));
    pcl += kEsc + "*rB";
    for (int r = 0; r < 40; ++r) {
        pcl += kEsc + "*p100x" + std::to_string(400 + r * 70) + "Y" + kEsc + "*c2300a3b0P";
        pcl += kEsc + "*p120x" + std::to_string(430 + r * 70) + "Y" + kEsc + "(10X";
        pcl += "Label text for line " + std::to_string(r) + " of the form template";
    }
    pcl += kEsc + "(8U" + kEsc + "(s0p12h10v0s0b4099T";
    for (int r = 0; r < 40; ++r) {
        pcl += kEsc + "*p1300x" + std::to_string(430 + r * 70) + "Y";
        pcl += "JOHN Q. SAMPLE  $123,456.78  01/02/2024  page " + std::to_string(page);
    }
    return pcl + "\f";
}

std::string TypicalForm(int pages) {
    std::string pcl;
    for (int page = 0; page < pages; ++page)
        pcl += TypicalPage(page);
    return pcl;
}

// Fill data alone: short fields, each with its own position and font commands.
std::string CommandDenseForm(int pages) {
    std::string pcl;
    for (int page = 0; page < pages; ++page) {
        pcl += kEsc + "E" + kEsc + "&l2a0o0e1S" + kEsc + "&l6D" + kEsc + "(8U" + kEsc + "(s0p10h12v0s0b4099T";
        for (int r = 0; r < 30; ++r) {
            pcl += kEsc + "*p" + std::to_string(100 + r) + "x" + std::to_string(200 + r * 90) + "Y";
            pcl += kEsc + "*c2300a3b0P";
            pcl += kEsc + "*p120x" + std::to_string(230 + r * 90) + "Y" + kEsc + "(s1p10v0s3b4148T";
            pcl += "Borrower name and address line " + std::to_string(r);
            pcl += kEsc + "*p1300x" + std::to_string(230 + r * 90) + "Y" + kEsc + "(s0p12h10v0s0b4099T";
            pcl += "JOHN Q. SAMPLE  $123,456.78  01/02/2024\r\n";
        }
        pcl += kEsc + "*rB\f";
    }
    return pcl;
}

void ParseBench(benchmark::State& state, const std::string& pcl) {
    for (auto _ : state) {
        pg::TPCLBuffer buffer;
        buffer.AppendData(pcl);
        buffer.Parse();
        benchmark::DoNotOptimize(buffer.GetPageCount());
        benchmark::DoNotOptimize(buffer.GetOutput().Size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pcl.size()));
    state.counters["input_MB"] = double(pcl.size()) / 1e6;
}

void BM_ParseWithoutRendering(benchmark::State& state) {
    static const std::string pcl = TypicalForm(100);
    ParseBench(state, pcl);
}
BENCHMARK(BM_ParseWithoutRendering)->Unit(benchmark::kMillisecond);

void BM_ParseCommandDense(benchmark::State& state) {
    static const std::string pcl = CommandDenseForm(200);
    ParseBench(state, pcl);
}
BENCHMARK(BM_ParseCommandDense)->Unit(benchmark::kMillisecond);

void BM_LetterBitmapCreateAndClear(benchmark::State& state) {
    for (auto _ : state) {
        pg::TPageBitmap bitmap(2450, 3300);
        bitmap.Clear();
        benchmark::DoNotOptimize(bitmap.Row(0).data());
    }
}
BENCHMARK(BM_LetterBitmapCreateAndClear)->Unit(benchmark::kMicrosecond);

void BM_LetterBitmapClear(benchmark::State& state) {
    pg::TPageBitmap bitmap(2450, 3300);
    for (auto _ : state) {
        bitmap.Clear();
        benchmark::DoNotOptimize(bitmap.Row(0).data());
    }
}
BENCHMARK(BM_LetterBitmapClear)->Unit(benchmark::kMicrosecond);

// The drawing surface a rendering parse starts with.
void BM_DrawingSurfaceCreate(benchmark::State& state) {
    for (auto _ : state) {
        pg::TPageBitmap bitmap(4200, 4200);
        benchmark::DoNotOptimize(bitmap.Row(0).data());
    }
}
BENCHMARK(BM_DrawingSurfaceCreate)->Unit(benchmark::kMicrosecond);

} // namespace
