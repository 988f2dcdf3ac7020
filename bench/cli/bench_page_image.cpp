// Writing the first page of the demo package as render writes it: the palette PNG, the 1-bit
// PNG and the PBM, into a file in the temporary folder. Part of the 100 ms whole-process
// budget of rendering one page (see cli_speed.sh).

#include "PackageFile.h"
#include "PageImage.h"
#include "PageRender.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

const pg::TPageBitmap& DemoPage() {
    static const pg::TPageBitmap page = [] {
        std::unique_ptr<pg::TDocSet> set =
            pg::LoadPackageFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx");
        pg::TPackageFormDocument form(set->Form(0));
        pg::TPageBitmap bitmap = pg::RenderPageBitmap(form, 1, {});
        return bitmap;
    }();
    return page;
}

void BM_WritePageImage(benchmark::State& state) {
    const auto format = pg::cli::TPageImageFormat(state.range(0));
    const pg::TPageBitmap& page = DemoPage();
    const std::string path = (std::filesystem::temp_directory_path() / "pg-bench-page-image").string();
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(pg::cli::WritePageImage(page, format, path, error));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WritePageImage)
    ->Arg(int(pg::cli::TPageImageFormat::PngColour))
    ->Arg(int(pg::cli::TPageImageFormat::PngMono))
    ->Arg(int(pg::cli::TPageImageFormat::Pbm))
    ->Unit(benchmark::kMillisecond);

} // namespace
