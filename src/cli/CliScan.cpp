// scan: pages from the scanner into a multi-page TIFF in a folder, through the scanning plug-in
// as "Scan Images" does. The scanner settings default to the program's own defaults.

#include "Command.h"
#include "ScanPlugin.h"
#include "Strings.h"

#include <filesystem>
#include <iostream>
#include <set>

namespace pg::cli {

namespace {

constexpr char kUsage[] = "scan --folder DIR [--dpi N] [--pages N] [--paper letter|legal] "
                          "[--source feeder|flatbed] [--bright N] [--contrast N]";

std::set<std::filesystem::path> FilesIn(const std::string& folder) {
    std::set<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        files.insert(entry.path());
    return files;
}

int RunScan(const std::vector<std::string>& args) {
    const std::string folder = OptionValue(args, "folder");
    const std::string paper = LowerCase(OptionValue(args, "paper", "letter"));
    const std::string source = LowerCase(OptionValue(args, "source", "feeder"));
    if (folder.empty() || (paper != "letter" && paper != "legal") ||
        (source != "feeder" && source != "flatbed")) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    TScanSettings settings;
    settings.UserInterface = 1;
    settings.PaperSize = paper == "legal" ? 1 : 0;
    settings.Dpi = StrToIntDef(OptionValue(args, "dpi", "300"), 300);
    settings.Pages = StrToIntDef(OptionValue(args, "pages", "1000"), 1000);
    settings.Bright = StrToIntDef(OptionValue(args, "bright", "-400"), -400);
    settings.Contrast = StrToIntDef(OptionValue(args, "contrast", "25"), 25);
    settings.ScannerType = source == "flatbed" ? 1 : 0;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    LoadScanPlugin(ec ? std::string() : exe.parent_path().string());
    if (!ScanPluginLoaded()) {
        std::cerr << "The scanning plug-in (libPagellanScan.so) is not installed.\n";
        return 1;
    }
    const std::set<std::filesystem::path> before = FilesIn(folder);
    ScanBegin(settings, folder);
    const std::string error = ScanPluginError();
    UnloadScanPlugin();
    // A feeder that jams after some pages still leaves a file with those pages.
    if (!error.empty())
        std::cerr << error << '\n';
    bool written = false;
    for (const auto& file : FilesIn(folder))
        if (!before.contains(file)) {
            std::cout << file.string() << '\n';
            written = true;
        }
    return written ? 0 : 1;
}

const TCliCommand scan("scan", kUsage, RunScan);

} // namespace

} // namespace pg::cli
