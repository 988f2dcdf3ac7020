// The page window's speed on the bundled demo package: from opening a page to a shown page
// (render, convert, smooth, stretch) and one zoom step (stretch and smoothing check only).

#include "ImageView.h"
#include "PackageFile.h"
#include "PageFrm.h"
#include "PageRender.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace pg;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_viewer";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::setenv("PAGELLAN_SETTINGS_DIR", "/tmp/pg-bench-viewer-settings", 0);
        return new QApplication(argc, argv);
    }();
    return *app;
}

struct TDemo {
    std::unique_ptr<TDocSet> Set;
    TDocTree Tree;
    TDemo() : Set(LoadPackageFile(PAGELLAN_SOURCE_DIR "/samples/demo.qdx")) {
        Tree.Build(*Set, [](const std::string&) { return 0; });
    }
    // The first page of the first form: a typical filled form page.
    TTreeNode* FirstPage() const { return FirstLeaf(*Tree.Root()->Children.front()); }
};

TDemo& Demo() {
    static TDemo demo;
    return demo;
}

std::unique_ptr<TPageForm> OpenWindow() {
    auto page = std::make_unique<TPageForm>();
    page->DocumentSet = Demo().Set.get();
    page->FirstNode = Demo().Tree.Root();
    page->LastNode = Demo().Tree.LastNode();
    return page;
}

void BM_RenderPageOnly(benchmark::State& state) {
    const TInfo& info = *Demo().FirstPage()->Info;
    for (auto _ : state) {
        auto stream = JoinPageStreams(info);
        benchmark::DoNotOptimize(RenderPage(*stream, {}));
    }
}
BENCHMARK(BM_RenderPageOnly)->Unit(benchmark::kMillisecond);

void BM_OpenPageToShownPage(benchmark::State& state) {
    App();
    SetSharedPageScale(kDefaultPageScale);
    auto page = OpenWindow();
    for (auto _ : state) {
        page->View(Demo().FirstPage());
        benchmark::DoNotOptimize(page->Image->Stretched());
    }
    state.counters["passes"] = page->Image->PassCount();
}
BENCHMARK(BM_OpenPageToShownPage)->Unit(benchmark::kMillisecond);

void BM_ZoomStep(benchmark::State& state) {
    App();
    SetSharedPageScale(kDefaultPageScale);
    auto page = OpenWindow();
    page->View(Demo().FirstPage());
    bool in = true;
    for (auto _ : state) {
        if (in)
            page->ZoomIn();
        else
            page->ZoomOut();
        in = !in;
        benchmark::DoNotOptimize(page->Image->Stretched());
    }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond);

// Zooming across the monochrome smoothing threshold: the passes are redone from the base.
void BM_SmoothingTwoPasses(benchmark::State& state) {
    auto stream = JoinPageStreams(*Demo().FirstPage()->Info);
    TAntialiasPicture picture;
    picture.SetBase(RenderPage(*stream, {}));
    for (auto _ : state)
        picture.AntiAliasImage(true, 2);
}
BENCHMARK(BM_SmoothingTwoPasses)->Unit(benchmark::kMillisecond);

} // namespace
