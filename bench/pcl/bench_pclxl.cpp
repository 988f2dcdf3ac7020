// PCL XL pages: split and drawn in the process, and rendered by a whole pagellan-cli run
// beside a whole run of the reference interpreter on the same file (goal: at most half its
// time; each whole run also reports the processor time it took). The reference interpreter
// stops on lj5mono's page image with an error of its own, after drawing it. The pages come from Ghostscript's
// pxlmono device (text as bitmap fonts and images, rules and boxes as paths) and lj5mono (the page as one
// run-length coded image), made from a PostScript loan page when the benchmark starts, and from the tests'
// page of resident-font text.
//
// The reference interpreter is taken from $GPCL6, else from the shared development tools,
// else from the PATH; without one its benchmark is skipped.

#include "FontEngine.h"
#include "PageBitmapDevice.h"
#include "PclXlDocument.h"
#include "PclXlSamples.h"
#include "PrinterJobDocument.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kLoanPage = R"(%!PS
/Helvetica-Bold findfont 20 scalefont setfont
72 720 moveto (Promissory Note) show
/Times-Roman findfont 10 scalefont setfont
0 1 45 { /r exch def 72 690 r 13 mul sub moveto
  (The borrower promises to pay the lender the principal amount with interest as stated.) show } for
72 80 moveto 540 80 lineto 1 setlinewidth stroke
72 60 200 12 rectstroke
showpage
)";

// A private folder holding the benchmark's files, removed at exit.
struct TFiles {
    fs::path Dir;
    std::map<std::string, fs::path> Pages; // by name
    TFiles() {
        std::string pattern = (fs::temp_directory_path() / "pg-bench-pclxl-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        Dir = pattern;
        std::ofstream(Dir / "loan.ps") << kLoanPage;
        for (const char* device : {"pxlmono", "lj5mono"}) {
            const fs::path out = Dir / (std::string(device) + ".pxl");
            const std::string command =
                "gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=letter -sDEVICE=" + std::string(device) +
                " -sOutputFile=" + out.string() + " " + (Dir / "loan.ps").string() + " > /dev/null 2>&1";
            if (std::system(command.c_str()) == 0)
                Pages[device] = out;
        }
        std::ofstream(Dir / "text.pxl", std::ios::binary) << pg::test::XlTextPage();
        Pages["text"] = Dir / "text.pxl";
    }
    ~TFiles() {
        std::error_code ec;
        if (!Dir.empty())
            fs::remove_all(Dir, ec);
    }
};

TFiles& Files() {
    static TFiles files;
    return files;
}

std::string ReadAll(const fs::path& file) {
    std::ostringstream out;
    out << std::ifstream(file, std::ios::binary).rdbuf();
    return out.str();
}

// Runs the program with the arguments and waits for it, adding the processor time it took
// (user and system, in seconds) to cpu; false when it fails.
bool Run(const std::vector<std::string>& argv, double* cpu = nullptr) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid)
        return false;
    if (cpu)
        *cpu += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReferenceInterpreter() {
    if (const char* env = std::getenv("GPCL6"); env && *env)
        return env;
    for (const char* up : {"..", "../.."}) {
        const fs::path shared = fs::path(PAGELLAN_SOURCE_DIR) / up / "shared/tools/bin/gpcl6";
        if (fs::exists(shared))
            return shared.string();
    }
    return Run({"sh", "-c", "command -v gpcl6"}) ? "gpcl6" : "";
}

const fs::path* Page(benchmark::State& state, const std::string& name) {
    const auto it = Files().Pages.find(name);
    if (it == Files().Pages.end()) {
        state.SkipWithError("Ghostscript is not installed");
        return nullptr;
    }
    return &it->second;
}

void BM_PclXlSplit(benchmark::State& state, const std::string& name) {
    const fs::path* file = Page(state, name);
    if (!file)
        return;
    const std::string bytes = ReadAll(*file);
    for (auto _ : state)
        benchmark::DoNotOptimize(pg::OpenPrinterJob(bytes, pg::TPclFileDocument::TUse::View)->PageCount());
}

void BM_PclXlDrawPage(benchmark::State& state, const std::string& name) {
    const fs::path* file = Page(state, name);
    if (!file)
        return;
    const auto document = pg::OpenPrinterJob(ReadAll(*file), pg::TPclFileDocument::TUse::View);
    pg::TPageBitmap bitmap(0, 0, pg::TPixelFormat::Mono1);
    pg::TPageBitmapDevice device(bitmap, &pg::TFontEngine::Shared());
    pg::TRunOptions options;
    options.FillColour = 0;
    for (auto _ : state)
        document->RunPage(1, device, options);
}

// One page to a PBM, start to exit, as a user runs it.
void BM_PclXlWholeProcess(benchmark::State& state, const std::string& name, bool reference) {
    const fs::path* file = Page(state, name);
    if (!file)
        return;
    const std::string out = (Files().Dir / "out.pbm").string();
    std::vector<std::string> argv;
    if (reference) {
        const std::string gpcl6 = ReferenceInterpreter();
        if (gpcl6.empty()) {
            state.SkipWithError("no reference interpreter");
            return;
        }
        argv = {gpcl6,         "-q",
                "-dNOPAUSE",   "-dBATCH",
                "-dSAFER",     "-sDEVICE=pbmraw",
                "-r300",       "-sOutputFile=" + out,
                file->string()};
    } else {
        argv = {PAGELLAN_CLI, "render", file->string(), "--page", "1", "--format", "pbm", "-o", out};
    }
    double cpu = 0;
    for (auto _ : state)
        if (!Run(argv, &cpu) && !reference) {
            state.SkipWithError("the run failed");
            return;
        }
    // On a shared machine the processor time a run takes compares fairer than the time it
    // waits.
    state.counters["process_cpu_ms"] = benchmark::Counter(cpu * 1000 / double(state.iterations()));
}

BENCHMARK_CAPTURE(BM_PclXlSplit, pxlmono, std::string("pxlmono"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PclXlDrawPage, pxlmono, std::string("pxlmono"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PclXlDrawPage, lj5mono, std::string("lj5mono"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PclXlDrawPage, text, std::string("text"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PclXlWholeProcess, pxlmono_ours, std::string("pxlmono"), false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PclXlWholeProcess, pxlmono_reference, std::string("pxlmono"), true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PclXlWholeProcess, lj5mono_ours, std::string("lj5mono"), false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PclXlWholeProcess, lj5mono_reference, std::string("lj5mono"), true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PclXlWholeProcess, text_ours, std::string("text"), false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PclXlWholeProcess, text_reference, std::string("text"), true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
