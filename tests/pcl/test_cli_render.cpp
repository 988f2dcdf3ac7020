// pagellan-cli render, run as a program: pages of a PCL file and of the demo package become
// PNG files of the page bitmap's size, in colour or black and white, or PBM files; a range of
// pages in one run.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PackageFile.h"
#include "PageBitmapDevice.h"
#include "PageDocument.h"
#include "PageRender.h"
#include "PageThumbnail.h"
#include "PbmFile.h"
#include "Tesselon.h"
#include "TestFiles.h"
#include "ViewerCore.h"

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

// pagellan-cli render of the file (a path, quoted here) with the options into the output file.
int Render(const std::string& input, const std::string& options, const std::string& output) {
    return RunCli("render '" + input + "' " + options + " -o '" + output + "'");
}

const std::string kDemo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";

// A picture of one or three bytes a pixel.
struct TImage {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;
};

// The PNG decoded by libpng to the format (grey levels, white 255, or RGB); empty when it
// cannot be read.
TImage ReadPng(const fs::path& path, png_uint_32 format) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return {};
    png.format = format;
    TImage image{int(png.width), int(png.height), std::vector<uint8_t>(PNG_IMAGE_SIZE(png))};
    const bool ok = png_image_finish_read(&png, nullptr, image.Pixels.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return ok ? image : TImage{};
}

// A decoded PNG in grey levels, with its bit depth and colour type from its header.
struct TPng : TImage {
    int BitDepth = 0, ColorType = 0;
    uint8_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

TPng ReadGreyPng(const fs::path& path) {
    std::array<char, 26> header{};
    std::ifstream(path, std::ios::binary).read(header.data(), header.size());
    return {ReadPng(path, PNG_FORMAT_GRAY), uint8_t(header[24]), uint8_t(header[25])};
}

// Pixels in the box that are not white; with grey set, only those of that grey level.
int Ink(const TPng& png, int left, int top, int right, int bottom, int grey = -1) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += png.At(x, y) != 255 && (grey < 0 || png.At(x, y) == grey);
    return n;
}

// A PBM (P4) in RGB, as ReadPng gives a PNG.
TImage ReadPbmAsRgb(const fs::path& path) {
    const pg::test::TBlackMap map = pg::test::ReadPbm(path);
    TImage image{map.Width, map.Height, {}};
    for (const bool black : map.Black)
        image.Pixels.insert(image.Pixels.end(), 3, black ? 0 : 255);
    return image;
}

// The page as the page window draws it (fill before template, drawn while parsing, or the
// print look drawn anew), in RGB: palette colours, or black for every pixel that is not
// white. This is what render's files must hold, pixel for pixel.
TImage WindowPixels(pg::THLWMemorystream pcl, bool print, bool colour, const std::string& paper = "") {
    pg::RemovePageSizeCommands(pcl);
    pg::TPCLBuffer buffer;
    pcl.Seek(0);
    buffer.LoadFromStream(pcl);
    pg::TPageBitmap bitmap(0, 0, pg::TRunOptions{}.PageBitmapFormat());
    pg::TPageBitmapDevice device(bitmap, &pg::TFontEngine::Shared());
    if (print) {
        buffer.Parse();
        buffer.RenderPage(device, 1, true, paper);
    } else {
        buffer.Parse(&device);
        buffer.FinishFirstPage(device, paper);
    }
    TImage image{bitmap.Width(), bitmap.Height(), {}};
    image.Pixels.resize(size_t(image.Width) * size_t(image.Height) * 3);
    uint8_t* p = image.Pixels.data();
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x, p += 3) {
            const uint8_t index = bitmap.Pixel(x, y);
            const uint32_t c =
                colour ? pg::PagePalette()[index] : (index == pg::kPaletteWhite ? 0xFFFFFF : 0);
            p[0] = uint8_t(c & 0xFF);
            p[1] = uint8_t(c >> 8 & 0xFF);
            p[2] = uint8_t(c >> 16 & 0xFF);
        }
    return image;
}

// Number of RGB pixels that differ; -1 when the sizes differ or a file cannot be read.
long Differences(const TImage& a, const TImage& b) {
    if (a.Pixels.empty() || a.Pixels.size() != b.Pixels.size() || a.Width != b.Width || a.Height != b.Height)
        return -1;
    long n = 0;
    for (size_t i = 0; i < a.Pixels.size(); i += 3)
        n += a.Pixels[i] != b.Pixels[i] || a.Pixels[i + 1] != b.Pixels[i + 1] ||
             a.Pixels[i + 2] != b.Pixels[i + 2];
    return n;
}

// How one character cell of our page agrees with the reference's: the shares of the
// reference's ink with ours within slack pixels (found) and of ours with no reference ink that
// near (extra), at the shift of up to kShift pixels that lays most of our ink on the reference's.
struct TCellAgreement {
    double Found = 0, Extra = 1;
};

TCellAgreement CompareCell(const pg::test::TBlackMap& reference, const pg::test::TBlackMap& ours, int left,
                           int width) {
    constexpr int kShift = 25, kSlack = 3;
    using TPoints = std::vector<std::pair<int, int>>;
    const auto ink = [&](const pg::test::TBlackMap& map) {
        TPoints points;
        for (int y = 0; y < map.Height; ++y)
            for (int x = left; x < left + width; ++x)
                if (map.At(x, y))
                    points.emplace_back(x, y);
        return points;
    };
    const auto near = [](const pg::test::TBlackMap& map, int x, int y) {
        for (int dy = -kSlack; dy <= kSlack; ++dy)
            for (int dx = -kSlack; dx <= kSlack; ++dx)
                if (map.At(x + dx, y + dy))
                    return true;
        return false;
    };
    const TPoints ref = ink(reference), our = ink(ours);
    if (ref.empty() || our.empty())
        return {};
    int bestDx = 0, bestDy = 0;
    long best = -1;
    for (int dy = -kShift; dy <= kShift; ++dy)
        for (int dx = -kShift; dx <= kShift; ++dx) {
            long both = 0;
            for (const auto& [x, y] : our)
                both += reference.At(x + dx, y + dy);
            if (both > best) {
                best = both;
                bestDx = dx;
                bestDy = dy;
            }
        }
    long found = 0, extra = 0;
    for (const auto& [x, y] : ref)
        found += near(ours, x - bestDx, y - bestDy);
    for (const auto& [x, y] : our)
        extra += !near(reference, x + bestDx, y + bestDy);
    return {double(found) / double(ref.size()), double(extra) / double(our.size())};
}

} // namespace

// Characters of six symbol sets, each in a cell of its own, against the reference
// interpreter's picture of the same line (tests/pcl/data/symbol-line.png, 1 bit): Σ ∞ ≤ in
// Math-8, § ¶ in Legal, Σ in PC-8, § in Roman-8, Ø in PC-850, and ⊕ ∇ ∅ in Math-8, which Arial
// lacks and a fallback font draws. The fonts differ in shape, so a cell agrees when most of the
// reference's ink has ours close by and little of ours lies elsewhere; the byte's character in
// the Windows code page (R, $, backslash, {, ...) does not.
TEST(CliRender, SymbolSetCharactersMatchTheReferencePicture) {
    const pg::test::TTempFolder dir("pagellan-render-symbols");
    const char* const sets[] = {"8M", "8M", "8M", "1U", "1U", "10U", "8U", "12U", "8M", "8M", "8M"};
    const char bytes[] = "R$\\{|\xE4\xBD\x9D\xC0Y\xD8";
    std::string pcl = "\x1b"
                      "E\x1b&l2A\x1b(s1p30v0s0b4148T";
    for (int i = 0; i < 11; ++i)
        pcl += "\x1b*p" + std::to_string(100 + i * 130) + "x300Y\x1b(" + sets[i] + bytes[i];
    ASSERT_EQ(Render(dir.File("line.pcl", pcl + "\f"), "--format pbm", dir.Path("line.pbm")), 0);
    const pg::test::TBlackMap page = pg::test::ReadPbm(dir.Path("line.pbm"));
    // The reference is the line's box, 1430 x 250 pixels from our page pixel (125, 300).
    const TImage png =
        ReadPng(std::string(PAGELLAN_SOURCE_DIR) + "/tests/pcl/data/symbol-line.png", PNG_FORMAT_GRAY);
    ASSERT_EQ(std::pair(png.Width, png.Height), std::pair(1430, 250));
    pg::test::TBlackMap reference{png.Width, png.Height, {}}, ours{png.Width, png.Height, {}};
    for (int y = 0; y < png.Height; ++y)
        for (int x = 0; x < png.Width; ++x) {
            reference.Black.push_back(png.Pixels[size_t(y) * size_t(png.Width) + size_t(x)] < 128);
            ours.Black.push_back(page.At(125 + x, 300 + y));
        }
    for (int i = 0; i < 11; ++i) {
        // Each character stands 25 pixels into its 130-pixel step and is at most 120 wide. The
        // right characters score 0.53 (∇, drawn lighter than the reference's) to 0.99; the
        // Windows code page's at most 0.3.
        const TCellAgreement cell = CompareCell(reference, ours, i * 130 + 5, 145);
        EXPECT_GE(cell.Found - cell.Extra, 0.45)
            << "character " << i << ": found " << cell.Found << ", extra " << cell.Extra;
    }
}

TEST(CliRender, PagesOfAPclFileAndOfThePackageBecomePngs) {
    const pg::test::TTempFolder dir("pagellan-render");
    // Page 1: Courier fill at (300, 600); page 2: a letter page with Univers text.
    const std::string two =
        dir.File("two.pcl", "\x1b*p300x600YFILL\f\x1b&l2A\x1b(s4148T\x1b*p300x600YLabel\f");
    // Colour: the page palette, Courier in the fill colour (blue, not black).
    ASSERT_EQ(Render(two, "", dir.Path("a.png")), 0);
    const TPng a = ReadGreyPng(dir.Path("a.png"));
    ASSERT_FALSE(a.Pixels.empty());
    EXPECT_EQ(a.Width, 2450);
    EXPECT_EQ(a.Height, 4200); // no page size left and no paper hint: legal, as the window shows it
    EXPECT_EQ(a.BitDepth, 8);
    EXPECT_EQ(a.ColorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_GT(Ink(a, 350, 700, 470, 770), 100);
    EXPECT_EQ(Ink(a, 0, 0, 2450, 690), 0);
    EXPECT_EQ(Ink(a, 350, 700, 470, 770, 0), 0); // blue, not black
    // Black and white: 1 bit per pixel, the same marks in black.
    ASSERT_EQ(Render(two, "--page 2 --fill-color black", dir.Path("b.png")), 0);
    const TPng b = ReadGreyPng(dir.Path("b.png"));
    ASSERT_FALSE(b.Pixels.empty());
    EXPECT_EQ(b.BitDepth, 1);
    EXPECT_EQ(b.ColorType, PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(b.Height, 4200); // the letter command is removed, as the window removes it
    EXPECT_GT(Ink(b, 350, 700, 500, 770, 0), 100);
    // A package page: fill and template joined; the print look draws plain Courier.
    ASSERT_EQ(Render(kDemo, "--form 1 --page 2", dir.Path("c.png")), 0);
    ASSERT_EQ(Render(kDemo, "--form 1 --page 2 --print-mode", dir.Path("d.png")), 0);
    const TPng c = ReadGreyPng(dir.Path("c.png")), d = ReadGreyPng(dir.Path("d.png"));
    ASSERT_FALSE(c.Pixels.empty() || d.Pixels.empty());
    EXPECT_EQ(c.Width, 2450);
    const int screenInk = Ink(c, 0, 0, 2450, 3300), printInk = Ink(d, 0, 0, 2450, 3300);
    EXPECT_GT(printInk, 10000);
    EXPECT_GT(screenInk, printInk); // bold fill on screen
    // Bad requests fail with a status and write nothing.
    for (const auto& [input, options] : {std::pair{kDemo, "--form 99"},
                                         {kDemo, "--page 9"},
                                         {two, "--page 3"},
                                         {two, "--fill-color red"},
                                         {dir.Path("missing.pcl"), ""}})
        EXPECT_NE(Render(input, options, dir.Path("e.png")), 0) << input << " " << options;
    EXPECT_FALSE(fs::exists(dir.Path("e.png")));
}

// Every page of the demo package in colour and in black and white, and the first form's pages
// in the print look and as PBM, hold exactly the pixels of the page window's bitmap: the faster
// writer changes no pixel.
TEST(CliRender, FilesHoldThePageWindowPixels) {
    const pg::test::TTempFolder dir("pagellan-render-pixels");
    std::unique_ptr<pg::TDocSet> set = pg::LoadPackageFile(kDemo);
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
            ASSERT_EQ(Render(kDemo, "--form " + std::to_string(form) + " --page all " + c.Options, pattern),
                      0);
            for (int page = 1; page <= f.PageCount(); ++page) {
                SCOPED_TRACE(std::to_string(form) + "/" + std::to_string(page) + " " + c.Options);
                pg::THLWMemorystream pcl;
                pcl.AppendStream(f.Pages[size_t(page - 1)]->FillData);
                pcl.AppendStream(f.Pages[size_t(page - 1)]->TemplateData);
                char name[512];
                std::snprintf(name, sizeof name, pattern.c_str(), page);
                const TImage got = c.Pbm ? ReadPbmAsRgb(name) : ReadPng(name, PNG_FORMAT_RGB);
                // A form's page is on the form's paper unless it names its own.
                const std::string paper = pg::FormPagePaper(pcl.View(), f.PageSize);
                EXPECT_EQ(Differences(WindowPixels(pcl, c.Print, c.Colour, paper), got), 0);
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
    ASSERT_EQ(Render(pcl, "--page 2-3 --fill-color black", dir.Path("r-%03d.png")), 0);
    for (int page = 2; page <= 3; ++page) {
        const std::string alone = dir.Path("alone.png");
        ASSERT_EQ(Render(pcl, "--page " + std::to_string(page) + " --fill-color black", alone), 0);
        EXPECT_EQ(Differences(ReadPng(alone, PNG_FORMAT_RGB),
                              ReadPng(dir.Path("r-00" + std::to_string(page) + ".png"), PNG_FORMAT_RGB)),
                  0)
            << page;
    }
    EXPECT_FALSE(fs::exists(dir.Path("r-001.png")));
    for (const auto& [options, output, status] : {std::tuple{"--page all", "x.png", 2},
                                                  {"--page 2-9", "y-%d.png", 1},
                                                  {"--page 3-2", "y-%d.png", 2},
                                                  {"--format pbm --fill-color blue", "y.pbm", 2},
                                                  {"--format gif", "y.gif", 2}})
        EXPECT_EQ(Render(pcl, options, dir.Path(output)), status) << options;
    EXPECT_FALSE(fs::exists(dir.Path("x.png")));
    EXPECT_FALSE(fs::exists(dir.Path("y-2.png")));
}

// A form's page is as long as its paper: the form's "PageSize" names it unless the page's own
// letter or legal command says otherwise; a page that names none on a form that names none
// keeps the legal length, so nothing is cut. The same length shows in `render` (screen and
// print look) and in the shape of a thumbnail, which is drawn from a copy of the page.
TEST(CliRender, FormPagesAreAsLongAsTheirPaper) {
    struct TRow {
        const char* Name;
        const char* PageSize;
        const char* Own; // the page's own page-size command, before its text
        int Height;
    };
    const TRow rows[] = {{"letter form", "LTR", "", 3300},
                         {"letter form by long name", "Letter", "", 3300},
                         {"legal form", "LGL", "", 4200},
                         {"form naming no paper", "", "", 4200},
                         {"letter form with a legal page", "LTR", "\x1b&l3A", 4200},
                         {"legal form with a letter page", "LGL", "\x1b&l2A", 3300}};
    const pg::test::TTempFolder dir("pagellan-render-paper");
    pg::TTesselon set;
    for (const TRow& row : rows) {
        auto form = std::make_unique<pg::TDocSetForm>("F.LSR", row.Name, 1, "JOHN SMITH", row.PageSize, false,
                                                      false, false);
        form->AddPage(std::make_unique<pg::TDocSetPage>(1, "T.LSR", false, "", 0,
                                                        std::string(row.Own) + "\x1b*p300x400YLOAN 12345"));
        set.AddForm(std::move(form));
    }
    const std::string package =
        dir.File("paper.tsn", pg::TTesselon::BuildTesselon(set, pg::TSaveMode::All, true));
    std::unique_ptr<pg::TDocSet> loaded = pg::LoadPackageFile(package);
    ASSERT_EQ(loaded->FormCount(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const TRow& row = rows[i];
        SCOPED_TRACE(row.Name);
        // The form as drawn from the package in memory, and a copy of its page as the
        // thumbnail strip draws it (100 wide: 135 high for letter, 171 for legal).
        pg::TPackageFormDocument document(set.Form(i));
        EXPECT_EQ(document.PageFacts(1).Height, row.Height);
        const std::unique_ptr<pg::TPageDocument> copy = document.DetachPage(1);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(pg::ThumbnailOfPage(*copy, 1, 100, "").Height(),
                  pg::RoundScaled(100.0 * row.Height / 2450));
        // A saved package keeps no page-size command in a page (the container holds the
        // paper), so `render` is asked only about the pages without one of their own.
        if (*row.Own != '\0')
            continue;
        for (const char* options : {"", " --print-mode", " --fill-color black"}) {
            ASSERT_EQ(Render(package, "--form " + std::to_string(i + 1) + options, dir.Path("p.png")), 0);
            const TPng png = ReadGreyPng(dir.Path("p.png"));
            EXPECT_EQ(png.Width, 2450) << options;
            EXPECT_EQ(png.Height, row.Height) << options;
        }
    }
}
