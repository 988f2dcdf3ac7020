// LoadTree of the main window on a 1,000-form package: reading the package, building the tree
// with caption measuring in the tree font, and showing it in the view (target: at most 300 ms).

#include "CommandLine.h"
#include "Main.h"
#include "Prompt.h"
#include "Quodex.h"
#include "TreeFixtures.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string ThousandFormPackage() {
    pg::TDocSet set;
    set.WorksheetNumber = "1000";
    set.CanAnnotate = true;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "F" + std::to_string(i - (i % 10 == 1 ? 1 : 0)) + ".LSR";
        pg::testing::AddTestForm(set, name, "LOAN DOCUMENT NUMBER " + std::to_string(i), 1 + i % 2,
                                 "BORROWER " + std::to_string(i), i % 4 == 0 ? 3 : 1);
    }
    return pg::TQuodex::BuildQuodex(set, pg::TSaveMode::All, true, false);
}

void BM_LoadTree(benchmark::State& state) {
    const std::string settings = (std::filesystem::temp_directory_path() / "pg-bench-window").string();
    ::setenv("PAGELLAN_SETTINGS_DIR", settings.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "bench_app_window";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    pg::TRecordingPrompter quiet;
    pg::SetCommandLine({});
    pg::TfrmMain main;
    const pg::THLWMemorystream package(ThousandFormPackage());
    for (auto _ : state) {
        main.CurrentFile = "bench.qdx";
        main.LoadTree(&package);
        benchmark::DoNotOptimize(main.MaxCaptionWidth());
    }
    state.counters["nodes"] = double(main.Tree().DisplayOrder().size());
    std::filesystem::remove_all(settings);
}
BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond);

} // namespace
