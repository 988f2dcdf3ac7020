// Speed of one page thumbnail of the demo package (the Note's first page, letter; the Deed of
// Trust's, legal): the joined page streams through a fresh interpreter down to the grey
// picture the page window's strip shows, drawn at a quarter of the resolution (the strip's
// way) against drawn at full size and shrunk; and the shrinking of a full-size page alone.

#include "DocSet.h"
#include "PackageFile.h"
#include "PageRender.h"
#include "PageThumbnail.h"

#include <benchmark/benchmark.h>

namespace {

const pg::TDocSet& Demo() {
    static const auto set = pg::LoadPackageFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx");
    return *set;
}

pg::THLWMemorystream PageStream(int form) {
    const pg::TDocSetPage& page = *Demo().Form(size_t(form)).Pages.at(0);
    pg::THLWMemorystream pcl;
    pcl.AppendStream(page.FillData);
    pcl.AppendStream(page.TemplateData);
    return pcl;
}

void BM_Thumbnail(benchmark::State& state) {
    state.SetLabel(Demo().Form(size_t(state.range(0))).Name);
    for (auto _ : state) {
        pg::THLWMemorystream pcl = PageStream(int(state.range(0)));
        benchmark::DoNotOptimize(pg::RenderThumbnail(pcl, pg::kThumbnailWidth, ""));
    }
}
BENCHMARK(BM_Thumbnail)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ThumbnailFromFullSize(benchmark::State& state) {
    state.SetLabel(Demo().Form(size_t(state.range(0))).Name);
    for (auto _ : state) {
        pg::THLWMemorystream pcl = PageStream(int(state.range(0)));
        benchmark::DoNotOptimize(pg::RenderThumbnailFullSize(pcl, pg::kThumbnailWidth, ""));
    }
}
BENCHMARK(BM_ThumbnailFromFullSize)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ThumbnailShrinkOnly(benchmark::State& state) {
    pg::THLWMemorystream pcl = PageStream(int(state.range(0)));
    const pg::TPageBitmap bitmap = pg::RenderPageBitmap(pcl, "");
    for (auto _ : state)
        benchmark::DoNotOptimize(pg::ShrinkPageBitmap(bitmap, pg::kThumbnailWidth));
}
BENCHMARK(BM_ThumbnailShrinkOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
