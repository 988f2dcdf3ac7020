// pagellan-cli render, run as a program: pages of a PCL file and of the demo package become
// PNG files of the page bitmap's size, in colour or black and white, or PBM files; a range of
// pages in one run.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PackageFile.h"
#include "PageBitmapDevice.h"
#include "PageRender.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <png.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

int RunCli(const std::string& arguments) {
    const std::string command = std::string("'") + PAGELLAN_CLI + "' " + arguments + " >/dev/null 2>&1";
    return pg::test::ExitCode(std::system(command.c_str()));
}

// A decoded PNG: size and format from its header, the pixels as grey levels (white 255).
struct TPng {
    bool Ok = false;
    int Width = 0, Height = 0, BitDepth = 0, ColorType = 0;
    std::vector<uint8_t> Grey;
    uint8_t At(int x, int y) const { return Grey[size_t(y) * size_t(Width) + size_t(x)]; }
};

TPng ReadPng(const fs::path& path) {
    TPng png;
    std::ifstream in(path, std::ios::binary);
    std::array<char, 26> header{};
    if (!in.read(header.data(), header.size()))
        return png;
    png.BitDepth = uint8_t(header[24]);
    png.ColorType = uint8_t(header[25]);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return png;
    image.format = PNG_FORMAT_GRAY;
    png.Width = int(image.width);
    png.Height = int(image.height);
    png.Grey.resize(PNG_IMAGE_SIZE(image));
    png.Ok = png_image_finish_read(&image, nullptr, png.Grey.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return png;
}

// Pixels in the box that are not white; with grey set, only those of that grey level.
int Ink(const TPng& png, int left, int top, int right, int bottom, int grey = -1) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += png.At(x, y) != 255 && (grey < 0 || png.At(x, y) == grey);
    return n;
}

} // namespace

TEST(CliRender, PagesOfAPclFileAndOfThePackageBecomePngs) {
    const fs::path dir = fs::temp_directory_path() / ("pagellan-render-" + std::to_string(getpid()));
    fs::create_directories(dir);
    {
        std::ofstream pcl(dir / "two.pcl", std::ios::binary);
        // Page 1: Courier fill at (300, 600); page 2: a letter page with Univers text.
        pcl << "\x1b*p300x600YFILL\f\x1b&l2A\x1b(s4148T\x1b*p300x600YLabel\f";
    }
    // Colour: the page palette, Courier in the fill colour (blue, not black).
    ASSERT_EQ(RunCli("render '" + (dir / "two.pcl").string() + "' -o '" + (dir / "a.png").string() + "'"), 0);
    TPng a = ReadPng(dir / "a.png");
    ASSERT_TRUE(a.Ok);
    EXPECT_EQ(a.Width, 2450);
    EXPECT_EQ(a.Height, 4200); // no page size left and no paper hint: legal, as the window shows it
    EXPECT_EQ(a.BitDepth, 8);
    EXPECT_EQ(a.ColorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_GT(Ink(a, 350, 700, 470, 770), 100);
    EXPECT_EQ(Ink(a, 0, 0, 2450, 690), 0);
    EXPECT_EQ(Ink(a, 350, 700, 470, 770, 0), 0); // blue, not black
    // Black and white: 1 bit per pixel, the same marks in black.
    ASSERT_EQ(RunCli("render '" + (dir / "two.pcl").string() + "' --page 2 --fill-color black -o '" +
                     (dir / "b.png").string() + "'"),
              0);
    TPng b = ReadPng(dir / "b.png");
    ASSERT_TRUE(b.Ok);
    EXPECT_EQ(b.BitDepth, 1);
    EXPECT_EQ(b.ColorType, PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(b.Height, 4200); // the letter command is removed, as the window removes it
    EXPECT_GT(Ink(b, 350, 700, 500, 770, 0), 100);
    // A package page: fill and template joined; the print look draws plain Courier.
    const std::string demo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
    ASSERT_EQ(RunCli("render '" + demo + "' --form 1 --page 2 -o '" + (dir / "c.png").string() + "'"), 0);
    ASSERT_EQ(
        RunCli("render '" + demo + "' --form 1 --page 2 --print-mode -o '" + (dir / "d.png").string() + "'"),
        0);
    TPng c = ReadPng(dir / "c.png"), d = ReadPng(dir / "d.png");
    ASSERT_TRUE(c.Ok && d.Ok);
    EXPECT_EQ(c.Width, 2450);
    const int screenInk = Ink(c, 0, 0, 2450, 3300), printInk = Ink(d, 0, 0, 2450, 3300);
    EXPECT_GT(printInk, 10000);
    EXPECT_GT(screenInk, printInk); // bold fill on screen
    // Bad requests fail with a status and write nothing.
    EXPECT_NE(RunCli("render '" + demo + "' --form 99 -o '" + (dir / "e.png").string() + "'"), 0);
    EXPECT_NE(RunCli("render '" + demo + "' --page 9 -o '" + (dir / "e.png").string() + "'"), 0);
    EXPECT_NE(
        RunCli("render '" + (dir / "two.pcl").string() + "' --page 3 -o '" + (dir / "e.png").string() + "'"),
        0);
    EXPECT_NE(RunCli("render '" + (dir / "two.pcl").string() + "' --fill-color red -o '" +
                     (dir / "e.png").string() + "'"),
              0);
    EXPECT_NE(RunCli("render '" + (dir / "missing.pcl").string() + "' -o '" + (dir / "e.png").string() + "'"),
              0);
    EXPECT_FALSE(fs::exists(dir / "e.png"));
    fs::remove_all(dir);
}

namespace {

// A PNG decoded to RGB (palette colours as they are), or a PBM (P4) to the same form.
std::vector<uint8_t> ReadRgb(const fs::path& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    width = int(image.width);
    height = int(image.height);
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok ? rgb : std::vector<uint8_t>{};
}

std::vector<uint8_t> ReadPbmAsRgb(const fs::path& path, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic >> width >> height;
    in.get();
    if (magic != "P4" || width <= 0 || height <= 0)
        return {};
    const size_t stride = (size_t(width) + 7) / 8;
    std::vector<char> bits(stride * size_t(height));
    if (!in.read(bits.data(), std::streamsize(bits.size())))
        return {};
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool black = uint8_t(bits[size_t(y) * stride + size_t(x) / 8]) & (0x80 >> (x % 8));
            std::fill_n(rgb.begin() + (ptrdiff_t(y) * width + x) * 3, 3, black ? 0 : 255);
        }
    return rgb;
}

// The page as the page window draws it (fill before template, drawn while parsing, or the
// print look drawn anew), in RGB: palette colours, or black for every pixel that is not
// white. This is what render's files must hold, pixel for pixel.
std::vector<uint8_t> WindowPixels(pg::THLWMemorystream pcl, bool print, bool colour, int& width,
                                  int& height) {
    pg::RemovePageSizeCommands(pcl);
    pg::TPCLBuffer buffer;
    pcl.Seek(0);
    buffer.LoadFromStream(pcl);
    pg::TPageBitmap bitmap(0, 0, buffer.PageBitmapFormat());
    pg::TPageBitmapDevice device(bitmap, &pg::TFontEngine::Shared());
    if (print) {
        buffer.Parse();
        buffer.RenderPage(device, 1, true, "");
    } else {
        buffer.Parse(&device);
        buffer.FinishFirstPage(device, "");
    }
    width = bitmap.Width();
    height = bitmap.Height();
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    uint8_t* p = rgb.data();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 3) {
            const uint8_t index = bitmap.Pixel(x, y);
            const uint32_t c =
                colour ? pg::PagePalette()[index] : (index == pg::kPaletteWhite ? 0xFFFFFF : 0);
            p[0] = uint8_t(c & 0xFF);
            p[1] = uint8_t(c >> 8 & 0xFF);
            p[2] = uint8_t(c >> 16 & 0xFF);
        }
    return rgb;
}

// Number of pixels that differ; -1 when the sizes differ or a file cannot be read.
long Differences(const std::vector<uint8_t>& a, int aw, int ah, const std::vector<uint8_t>& b, int bw,
                 int bh) {
    if (a.empty() || a.size() != b.size() || aw != bw || ah != bh)
        return -1;
    long n = 0;
    for (size_t i = 0; i < a.size(); i += 3)
        n += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return n;
}

} // namespace

// Every page of the demo package in colour and in black and white, and the first form's pages
// in the print look and as PBM, hold exactly the pixels of the page window's bitmap: the faster
// writer changes no pixel.
TEST(CliRender, FilesHoldThePageWindowPixels) {
    const pg::test::TTempFolder dir("pagellan-render-pixels");
    const std::string demo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
    std::unique_ptr<pg::TDocSet> set = pg::LoadPackageFile(demo);
    struct TCase {
        const char* Options;
        const char* Name;
        bool Print, Colour, Pbm, EveryForm;
    };
    const TCase cases[] = {{"", "c-%d.png", false, true, false, true},
                           {"--fill-color black", "m-%d.png", false, false, false, true},
                           {"--print-mode", "p-%d.png", true, true, false, false},
                           {"--format pbm", "b-%d.pbm", false, false, true, false}};
    int compared = 0;
    for (size_t form = 1; form <= set->FormCount(); ++form) {
        const pg::TDocSetForm& f = set->Form(form - 1);
        for (const TCase& c : cases) {
            if (form > 1 && !c.EveryForm)
                continue;
            const std::string pattern = dir.Path(std::to_string(form) + c.Name);
            ASSERT_EQ(RunCli("render '" + demo + "' --form " + std::to_string(form) + " --page all " +
                             c.Options + " -o '" + pattern + "'"),
                      0);
            for (int page = 1; page <= f.PageCount(); ++page) {
                SCOPED_TRACE(std::to_string(form) + "/" + std::to_string(page) + " " + c.Options);
                pg::THLWMemorystream pcl;
                pcl.AppendStream(f.Pages[size_t(page - 1)]->FillData);
                pcl.AppendStream(f.Pages[size_t(page - 1)]->TemplateData);
                int ew = 0, eh = 0, w = 0, h = 0;
                const std::vector<uint8_t> expected = WindowPixels(pcl, c.Print, c.Colour, ew, eh);
                char name[512];
                std::snprintf(name, sizeof name, pattern.c_str(), page);
                const std::vector<uint8_t> got = c.Pbm ? ReadPbmAsRgb(name, w, h) : ReadRgb(name, w, h);
                EXPECT_EQ(Differences(expected, ew, eh, got, w, h), 0);
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 2 * 10 + 2);
}

// A range renders in one run to the files its pattern names, each the same as the page
// rendered alone; a range without a pattern, or past the last page, writes nothing.
TEST(CliRender, PageRangesWriteOneFilePerPage) {
    const pg::test::TTempFolder dir("pagellan-render-range");
    const std::string pcl = dir.File("three.pcl", "\x1b*p300x600YONE\f\x1b*p300x900YTWO\f\x1b*c600a40b0P\f");
    ASSERT_EQ(
        RunCli("render '" + pcl + "' --page 2-3 --fill-color black -o '" + dir.Path("r-%03d.png") + "'"), 0);
    for (int page = 2; page <= 3; ++page) {
        const std::string alone = dir.Path("alone.png");
        ASSERT_EQ(RunCli("render '" + pcl + "' --page " + std::to_string(page) + " --fill-color black -o '" +
                         alone + "'"),
                  0);
        int aw = 0, ah = 0, rw = 0, rh = 0;
        const std::vector<uint8_t> a = ReadRgb(alone, aw, ah);
        const std::vector<uint8_t> r = ReadRgb(dir.Path("r-00" + std::to_string(page) + ".png"), rw, rh);
        EXPECT_EQ(Differences(a, aw, ah, r, rw, rh), 0) << page;
    }
    EXPECT_FALSE(fs::exists(dir.Path("r-001.png")));
    EXPECT_EQ(RunCli("render '" + pcl + "' --page all -o '" + dir.Path("x.png") + "'"), 2);
    EXPECT_EQ(RunCli("render '" + pcl + "' --page 2-9 -o '" + dir.Path("y-%d.png") + "'"), 1);
    EXPECT_EQ(RunCli("render '" + pcl + "' --page 3-2 -o '" + dir.Path("y-%d.png") + "'"), 2);
    EXPECT_EQ(RunCli("render '" + pcl + "' --format pbm --fill-color blue -o '" + dir.Path("y.pbm") + "'"),
              2);
    EXPECT_EQ(RunCli("render '" + pcl + "' --format gif -o '" + dir.Path("y.gif") + "'"), 2);
    EXPECT_FALSE(fs::exists(dir.Path("x.png")));
    EXPECT_FALSE(fs::exists(dir.Path("y-2.png")));
}
