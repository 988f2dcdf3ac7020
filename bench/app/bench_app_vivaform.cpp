// A Vivaform page from request to shown: ViewVivaform opens the page window, the browser engine
// loads the page and the window has it on "View" with the data tree filled (targets: at most
// 1.5 s on first use, when the engine starts, and 300 ms after). The first-use figure is the
// first benchmark of the process; run the binary whole (no filter) for it to mean first use.

#include "CommandLine.h"
#include "Main.h"
#include "PageFrm.h"
#include "Prompt.h"
#include "VivaformView.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

// A closing form of some size: a heading, a 60-row table and the data part it came from.
std::string Document() {
    std::string rows;
    std::string data;
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(i);
        rows += "<tr><td>Item " + n + "</td><td>$" + n + "0.00</td><td>Paid&#160;by&#160;borrower</td></tr>";
        data += "<FEE n=\"" + n + "\"><NAME>Item " + n + "</NAME><AMOUNT>" + n + "0.00</AMOUNT></FEE>";
    }
    return "<VIVAFORM_DOCUMENT><VIEW><html><head><meta charset=\"UTF-8\"/><title>Closing Disclosure</title>"
           "<style>td{border:1px solid #999;padding:2px}</style></head><body><h1>Closing Disclosure</h1>"
           "<table>" +
           rows + "</table><script>document.title += '';</script></body></html></VIEW><DATA>" + data +
           "</DATA></VIVAFORM_DOCUMENT>";
}

struct TEngine {
    TEngine() {
        const std::string settings = (std::filesystem::temp_directory_path() / "pg-bench-vivaform").string();
        ::setenv("PAGELLAN_SETTINGS_DIR", settings.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // The engine's sandbox cannot run as root, which is how benchmarks run in CI.
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu", 0);
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        app = std::make_unique<QApplication>(argc, argv);
        pg::SetCommandLine({});
        main = std::make_unique<pg::TfrmMain>();
    }
    int argc = 1;
    char name[17] = "bench_app_viva";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    pg::TRecordingPrompter quiet;
    std::unique_ptr<pg::TfrmMain> main;
};

TEngine& Engine() {
    static TEngine engine;
    return engine;
}

// One page from request to shown; answers whether the page loaded.
bool ShowOnce(const std::string& document) {
    TEngine& e = Engine();
    if (!e.main->ViewVivaform(nullptr, document) || pg::OpenPageWindows().size() != 1)
        return false;
    pg::TVivaform* browser = pg::OpenPageWindows()[0]->Browser;
    QEventLoop loop;
    bool ok = false;
    QObject::connect(browser, &QWebEngineView::loadFinished, &loop, [&](bool success) {
        ok = success;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return ok;
}

void Close() {
    pg::CloseAllPageWindows(true);
    QApplication::processEvents();
}

void Measure(benchmark::State& state) {
    const std::string document = Document();
    Engine();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!ShowOnce(document)) {
            state.SkipWithError("the page did not load");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        Close();
    }
}

// The engine starts with the first page of the process.
void BM_VivaformFirstUse(benchmark::State& state) {
    Measure(state);
}
BENCHMARK(BM_VivaformFirstUse)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_VivaformAfter(benchmark::State& state) {
    Measure(state);
}
BENCHMARK(BM_VivaformAfter)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
