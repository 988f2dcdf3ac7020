// The house's guard: every #include under src/ runs downwards through the layers, and no core
// folder includes Qt's window headers. The layers, lowest first:
//   settings/base, settings, docset, pcl/device, pcl, print, tracking, pdf, web, mail, viewer,
//   app; the programs (cli, pcl/tools) over them all.
// A subsystem's ui/ folder sits over its core; only ui folders and the programs include ui
// headers. Only the settings store (settings/) uses Qt, and only QtCore.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TLayer {
    std::string Name; // "viewer", "viewer/ui", "pcl/device", ...
    int Rank = 0;
    bool Ui = false;
    bool Program = false;
};

const std::vector<std::pair<std::string, int>>& Ranks() {
    static const std::vector<std::pair<std::string, int>> ranks = {
        {"settings/base", 0}, {"settings", 1}, {"docset", 2}, {"pcl/device", 3},
        {"pcl", 4},           {"print", 5},    {"tracking", 6}, {"pdf", 7},
        {"web", 8},           {"mail", 9},     {"viewer", 10},  {"app", 11},
        {"cli", 100},         {"pcl/tools", 100}};
    return ranks;
}

// The layer of a file, from its path relative to src/ ("viewer/ui/PageFrm.cpp").
TLayer LayerOf(const std::string& rel) {
    TLayer best;
    size_t bestLength = 0;
    for (const auto& [name, rank] : Ranks())
        if (rel.rfind(name + "/", 0) == 0 && name.size() > bestLength) {
            best = {name, rank, false, rank >= 100};
            bestLength = name.size();
        }
    if (bestLength == 0)
        return {"?", -1, false, false};
    if (rel.find("/ui/") != std::string::npos) {
        best.Ui = true;
        best.Name += "/ui";
    }
    return best;
}

// The Qt module a Qt header belongs to: the folder of the Qt headers that holds it.
std::string QtModuleOf(const std::string& header) {
    const size_t slash = header.find('/');
    if (slash != std::string::npos)
        return header.substr(0, slash);
    for (const char* module : {"QtCore", "QtGui", "QtWidgets", "QtPrintSupport", "QtSvg", "QtTest"})
        if (fs::exists(fs::path(PAGELLAN_QT_HEADERS) / module / header))
            return module;
    return "Qt";
}

bool IsQtHeader(const std::string& header) {
    return header.size() > 1 && ((header[0] == 'Q' && std::isupper(uint8_t(header[1]))) ||
                                 header.rfind("Qt", 0) == 0);
}

struct TInclude {
    std::string File;
    int Line = 0;
    std::string Header;
    bool Angle = false;
};

std::vector<TInclude> IncludesUnder(const fs::path& src) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<TInclude> out;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        std::ifstream in(entry.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n) {
            std::smatch m;
            if (std::regex_search(line, m, include))
                out.push_back({fs::relative(entry.path(), src).generic_string(), n, m[2], m[1] == "<"});
        }
    }
    return out;
}

// Every header under src/ by its file name (includes name headers without folders).
std::map<std::string, std::vector<std::string>> HeadersUnder(const fs::path& src) {
    std::map<std::string, std::vector<std::string>> headers;
    for (const auto& entry : fs::recursive_directory_iterator(src))
        if (entry.is_regular_file() && entry.path().extension() == ".h")
            headers[entry.path().filename().string()].push_back(fs::relative(entry.path(), src).generic_string());
    return headers;
}

// What is wrong with one include; empty when it is fine.
std::string Check(const TInclude& inc, const std::map<std::string, std::vector<std::string>>& headers) {
    const TLayer from = LayerOf(inc.File);
    const std::string where = "src/" + inc.File + ":" + std::to_string(inc.Line) + " includes " +
                              (inc.Angle ? "<" + inc.Header + ">" : "\"" + inc.Header + "\"");
    if (from.Rank < 0)
        return where + ": the file lies in no layer (put it in a subsystem folder)";
    if (inc.Angle) {
        if (!IsQtHeader(inc.Header) || from.Ui || from.Program)
            return {};
        const std::string module = QtModuleOf(inc.Header);
        if (from.Name == "settings" && module == "QtCore")
            return {};
        return where + " (" + module + "): core folder " + from.Name +
               " may not use Qt" + (from.Name == "settings" ? " beyond QtCore" : "") +
               "; windows go in " + from.Name + "/ui";
    }
    const auto found = headers.find(fs::path(inc.Header).filename().string());
    if (found == headers.end())
        return {}; // a generated or third-party header
    if (found->second.size() > 1)
        return where + ": more than one header of that name under src/";
    const TLayer to = LayerOf(found->second.front());
    if (to.Ui && !from.Ui && !from.Program)
        return where + " (" + to.Name + "): core folder " + from.Name + " may not include a window header";
    if (to.Rank > from.Rank)
        return where + " (" + to.Name + "): " + from.Name + " lies below " + to.Name +
               " and may include only its own layer and those below it";
    return {};
}

TEST(Layering, IncludesRunDownwardsAndCoreStaysFreeOfWindows) {
    const fs::path src = fs::path(PAGELLAN_SOURCE_DIR) / "src";
    const auto headers = HeadersUnder(src);
    const auto includes = IncludesUnder(src);
    ASSERT_GT(includes.size(), 100u) << "no sources found under " << src;
    std::ostringstream faults;
    for (const TInclude& inc : includes)
        if (const std::string fault = Check(inc, headers); !fault.empty())
            faults << fault << '\n';
    EXPECT_TRUE(faults.str().empty()) << faults.str();
}

// The rules themselves, on made-up includes: a guard that lets everything through guards nothing.
TEST(Layering, RulesCatchBackwardsIncludes) {
    const std::map<std::string, std::vector<std::string>> headers = {
        {"Main.h", {"app/ui/Main.h"}},       {"DocSet.h", {"docset/DocSet.h"}},
        {"PCLParse.h", {"pcl/PCLParse.h"}},  {"PageBitmap.h", {"pcl/device/PageBitmap.h"}},
        {"PageFrm.h", {"viewer/ui/PageFrm.h"}}, {"Twice.h", {"pcl/Twice.h", "print/Twice.h"}}};
    struct TRow {
        const char* File;
        const char* Header;
        bool Angle;
        bool Fault;
    };
    const TRow rows[] = {
        {"docset/Quodex.cpp", "PCLParse.h", false, true},     // upwards
        {"pcl/PCLParse.cpp", "DocSet.h", false, false},       // downwards
        {"pcl/device/PageBitmap.cpp", "PCLParse.h", false, true}, // a device over the interpreter
        {"viewer/PageRender.cpp", "PageFrm.h", false, true},  // core into its own ui
        {"app/ui/Main.cpp", "PageFrm.h", false, false},       // ui over a lower ui
        {"viewer/ui/PageFrm.cpp", "Main.h", false, true},     // ui into a higher ui
        {"cli/CliRender.cpp", "PageFrm.h", false, false},     // programs over everything
        {"print/PrintJob.cpp", "QPainter", true, true},       // Qt Gui in core
        {"settings/HLWRegistry.cpp", "QSettings", true, false},
        {"settings/HLWRegistry.cpp", "QWidget", true, true},
        {"docset/DocSet.cpp", "QString", true, true},         // only the settings store uses Qt
        {"print/ui/PrinterDlg.cpp", "QDialog", true, false},
        {"pcl/PCLText.cpp", "Twice.h", false, true},          // ambiguous name
        {"nowhere/File.cpp", "DocSet.h", false, true},
    };
    for (const TRow& row : rows) {
        const std::string fault = Check({row.File, 1, row.Header, row.Angle}, headers);
        EXPECT_EQ(!fault.empty(), row.Fault) << row.File << " -> " << row.Header << ": " << fault;
    }
}

} // namespace
