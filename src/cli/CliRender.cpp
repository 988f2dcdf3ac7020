// render: pages of a package or a loose file drawn through their page document, as the page
// window draws them, written as PNG (8-bit with the page palette, or 1-bit black and white) or
// as a raw black-and-white PBM; a picture page (a TIFF through the scanning plug-in) as a
// 24-bit PNG in its own colours. A range of pages renders in one run: the file is read and
// split once, and each page is written to a file named by the output pattern.

#include "CliPages.h"
#include "Command.h"
#include "FontEngine.h"
#include "PageBitmapDevice.h"
#include "PageImage.h"
#include "PageRender.h"
#include "ScanImage.h"
#include "Strings.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

namespace pg::cli {

namespace {

constexpr char kUsage[] =
    "render INPUT [--form N] [--page N|N-M|all] [--print-mode] [--fill-color black|blue] "
    "[--format png|pbm] -o OUT.png (several pages: -o OUT-%d.png; a TIFF's first page through the "
    "scanning plug-in)";

// "all", "N" or "N-M" against the page count; nullopt for text that is none of these (a
// number that names no page is caught when the pages are checked).
std::optional<std::pair<int, int>> PageRange(const std::string& text, int count) {
    if (LowerCase(text) == "all")
        return std::pair{1, count};
    const size_t dash = text.find('-', 1);
    if (dash == std::string::npos) {
        const int page = StrToIntDef(text, 0);
        return std::pair{page, page};
    }
    const int first = StrToIntDef(text.substr(0, dash), 0), last = StrToIntDef(text.substr(dash + 1), 0);
    if (first < 1 || last < first)
        return std::nullopt;
    return std::pair{first, last};
}

// The output name of page `page`: the pattern's one "%d" (or "%0Nd") replaced by the page
// number; the pattern itself when it holds no such conversion (a plain file name may hold a
// "%" of its own).
std::string OutputName(const std::string& pattern, int page) {
    const size_t percent = pattern.find('%');
    if (percent == std::string::npos)
        return pattern;
    size_t end = percent + 1;
    while (end < pattern.size() && end - percent <= 3 && std::isdigit(uint8_t(pattern[end])))
        ++end;
    if (end >= pattern.size() || pattern[end] != 'd' || pattern.find('%', end) != std::string::npos)
        return pattern;
    char number[32];
    std::snprintf(number, sizeof number, pattern.substr(percent, end + 1 - percent).c_str(), page);
    return pattern.substr(0, percent) + number + pattern.substr(end + 1);
}

bool HasPagePattern(const std::string& pattern) {
    return OutputName(pattern, 1) != OutputName(pattern, 2);
}

// Draws the page into bitmap, in the page window's look or the printer's (plain Courier, no
// signature boxes).
void DrawPage(TPageDocument& document, int page, bool print, TPageBitmap& bitmap) {
    TRunOptions options;
    options.PrintMode = print;
    // The pages of a run share one block of pixels: a page in memory that is already mapped
    // costs what is drawn on it.
    if (bitmap.Format() != options.PageBitmapFormat())
        bitmap = TPageBitmap(0, 0, options.PageBitmapFormat());
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    document.RunPage(page, device, options);
}

// Writes the page to name; false (with the reason on stderr) when it cannot be written. A
// picture page keeps its colours whatever format was asked for. size: the page's "W x H".
bool WritePage(TPageDocument& document, int page, bool print, TPageImageFormat format, TPageBitmap& bitmap,
               const std::string& name, std::string& size) {
    std::string error;
    bool written = false;
    if (document.Traits().Pictures) {
        const TRgbImage picture = RenderPage(document, page, {});
        written = WriteRgbPng(picture, name, error);
        size = std::to_string(picture.Width()) + " x " + std::to_string(picture.Height());
    } else {
        DrawPage(document, page, print, bitmap);
        written = WritePageImage(bitmap, format, name, error);
        size = std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height());
    }
    if (!written)
        std::cerr << "Cannot write " << name << ": " << error << '\n';
    return written;
}

// The folder this program runs from; the scanning plug-in is copied beside it.
std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

int RunRender(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {"form", "page", "fill-color", "format"});
    std::string target;
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o")
            target = args[i + 1];
    const std::string fill = LowerCase(OptionValue(args, "fill-color", "blue"));
    const std::string format = LowerCase(OptionValue(args, "format", "png"));
    const int form = StrToIntDef(OptionValue(args, "form", "1"), 0);
    // PBM holds black and white only; asking for the blue fill with it is a mistake.
    const bool pbm = format == "pbm";
    const bool fitsFormat = format == "png" || (pbm && !(HasOption(args, "fill-color") && fill == "blue"));
    if (files.size() != 1 || target.empty() || (fill != "blue" && fill != "black") || !fitsFormat) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    const TPageImageFormat imageFormat =
        pbm ? TPageImageFormat::Pbm
            : (fill == "blue" ? TPageImageFormat::PngColour : TPageImageFormat::PngMono);
    const bool print = HasOption(args, "print-mode");
    // A TIFF's first page as the page window shows it: the scanning plug-in beside us (or on
    // the library path) makes the picture.
    RegisterTiffPageDocuments(ProgramFolder());
    try {
        TCliPages source;
        source.Open(files[0], "render");
        if (source.IsPackage() && !source.SelectForm(form))
            return 1;
        const auto range = PageRange(OptionValue(args, "page", "1"), source.PageCount());
        if (!range) {
            std::cerr << "usage: pagellan-cli " << kUsage << '\n';
            return 2;
        }
        const auto [first, last] = *range;
        if (last < first) {
            std::cerr << "No pages in " << files[0] << '\n';
            return 1;
        }
        if (first != last && !HasPagePattern(target)) {
            std::cerr << "pagellan-cli render: several pages need an output pattern with %d (" << target
                      << ")\n";
            return 2;
        }
        // Every page is checked before any is written, so a bad range writes nothing.
        for (int page = first; page <= last; page = page == -1 ? 0 : page + 1)
            if (!source.Check(page))
                return 1;
        TPageBitmap bitmap(0, 0);
        for (int page = first; page <= last; page = page == -1 ? 0 : page + 1) {
            const std::string name = OutputName(target, page);
            std::string size;
            if (!WritePage(*source.Document(), page, print, imageFormat, bitmap, name, size))
                return 1;
            if (first != last)
                std::cout << name << ": ";
            std::cout << size << '\n';
        }
        return source.Status();
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}

const TCliCommand render("render", kUsage, RunRender);

} // namespace

} // namespace pg::cli
