// render: one page of a package or PCL file drawn by the PCL interpreter, as the page window
// draws it, written as a PNG (8-bit with the page palette, or 1-bit black and white).

#include "Command.h"
#include "FontEngine.h"
#include "PCLParse.h"
#include "PackageFile.h"
#include "PageBitmapDevice.h"
#include "PageRender.h"
#include "Strings.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

namespace pg::cli {

namespace {

bool IsPackageFile(const std::string& path) {
    const std::string ext = UpperCase(std::filesystem::path(path).extension().string());
    return ext == ".QDX" || ext == ".QDZ" || ext == ".DSP" || ext == ".TSN";
}

struct TFileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// A palette PNG of the page (colour), or a 1-bit one where every pixel that is not white is
// black, as the page window's monochrome view shows it.
bool WritePagePng(const TPageBitmap& page, bool colour, const std::string& path) {
    std::unique_ptr<FILE, TFileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    const auto width = png_uint_32(page.Width()), height = png_uint_32(page.Height());
    const bool mono = !colour || page.Format() == TPixelFormat::Mono1;
    png_set_IHDR(png, info, width, height, mono ? 1 : 8, mono ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER); // 300 dpi
    std::vector<png_color> palette;
    if (!mono) {
        for (uint32_t c : PagePalette())
            palette.push_back({png_byte(c & 0xFF), png_byte(c >> 8 & 0xFF), png_byte(c >> 16 & 0xFF)});
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    }
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    std::vector<png_byte> row(mono ? (width + 7) / 8 : width);
    for (int y = 0; y < page.Height(); ++y) {
        const std::span<const uint8_t> src = page.Row(y);
        if (page.Format() == TPixelFormat::Mono1) {
            std::copy_n(src.begin(), row.size(), row.begin()); // a set bit is white in both
        } else if (mono) {
            std::fill(row.begin(), row.end(), png_byte(0));
            for (png_uint_32 x = 0; x < width; ++x)
                if (src[x] == kPaletteWhite)
                    row[x / 8] |= png_byte(0x80 >> (x % 8));
        } else {
            std::copy_n(src.begin(), row.size(), row.begin());
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

// The PCL of the page as the page window renders it: a package page's fill followed by its
// template; page `page` of a plain PCL file.
bool PagePcl(const std::string& input, int form, int page, THLWMemorystream& out) {
    if (IsPackageFile(input)) {
        std::unique_ptr<TDocSet> set = LoadPackageFile(input);
        if (form < 1 || size_t(form) > set->FormCount()) {
            std::cerr << "No form " << form << " in " << input << " (" << set->FormCount() << " forms)\n";
            return false;
        }
        const TDocSetForm& f = set->Form(size_t(form - 1));
        if (page < 1 || page > f.PageCount()) {
            std::cerr << "No page " << page << " in form " << form << " (" << f.PageCount() << " pages)\n";
            return false;
        }
        const TDocSetPage& p = *f.Pages[size_t(page - 1)];
        out.AppendStream(p.FillData);
        out.AppendStream(p.TemplateData);
        return true;
    }
    TPCLBuffer file;
    file.LoadFromFile(input);
    file.Parse();
    const THLWMemorystream* stream = file.GetPageStream(page);
    if (!stream) {
        std::cerr << "No page " << page << " in " << input << " (" << file.GetPageCount() << " pages)\n";
        return false;
    }
    if (page == -1)
        out.AppendStream(*stream);
    else
        out.AppendStream(FilePageCopy(file, page));
    return true;
}

int RunRender(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {"form", "page", "fill-color"});
    std::string target;
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o")
            target = args[i + 1];
    const std::string fill = LowerCase(OptionValue(args, "fill-color", "blue"));
    const int form = StrToIntDef(OptionValue(args, "form", "1"), 0);
    const int page = StrToIntDef(OptionValue(args, "page", "1"), 0);
    if (files.size() != 1 || target.empty() || (fill != "blue" && fill != "black")) {
        std::cerr << "usage: pagellan-cli render INPUT [--form N] [--page N] [--print-mode] "
                     "[--fill-color black|blue] -o OUT.png\n";
        return 2;
    }
    THLWMemorystream pcl;
    try {
        if (!PagePcl(files[0], form, page, pcl))
            return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    RemovePageSizeCommands(pcl);
    TPCLBuffer buffer;
    pcl.Seek(0);
    buffer.LoadFromStream(pcl);
    // The window draws the first page while parsing; the print path renders the page anew
    // with the printer look (plain Courier, no signature boxes).
    const bool print = HasOption(args, "print-mode");
    TPageBitmap bitmap(0, 0, buffer.PageBitmapFormat());
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    if (print) {
        buffer.Parse();
        buffer.RenderPage(device, 1, true, "");
    } else {
        buffer.Parse(&device);
        buffer.FinishFirstPage(device, "");
    }
    if (!WritePagePng(bitmap, fill == "blue", target)) {
        std::cerr << "Cannot write " << target << '\n';
        return 1;
    }
    std::cout << bitmap.Width() << " x " << bitmap.Height() << '\n';
    return 0;
}

const TCliCommand
    render("render", "render INPUT [--form N] [--page N] [--print-mode] [--fill-color black|blue] -o OUT.png",
           RunRender);

} // namespace

} // namespace pg::cli
