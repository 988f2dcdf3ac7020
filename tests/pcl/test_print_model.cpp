// The print model as a printer applies it: patterns, shading, transparency, logical operations
// and print directions, pages that stand alone with the patterns in force, hostile pattern
// data; and whole pages set against the reference pictures accepted for them.

#include "PCLPatterns.h"
#include "PclTestUtil.h"
#include "ReferencePage.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <climits>

using namespace pg;
using namespace pg::test;

namespace {

const std::filesystem::path kData = std::filesystem::path(PAGELLAN_SOURCE_DIR) / "tests/pcl/data/printmodel";

// The first page drawn on a 1-bit page, as the printer's look shows black and white.
struct TMonoPage {
    explicit TMonoPage(const std::string& pcl) {
        buffer.SetFillColor(0);
        buffer.AppendData(pcl);
        buffer.Parse(true);
        page = &buffer.GetPageBitmap(false, 1, "LTR");
    }
    int Ink(int left, int top, int right, int bottom) const {
        return CountPixels(*page, kAnyInk, left, top, right, bottom);
    }
    TBitmapPcl buffer;
    const TPageBitmap* page = nullptr;
};

// A 1-bit user pattern (format 0) of rows of '#' and '.' under identifier id.
std::string UserPattern(int id, const std::vector<std::string>& rows) {
    const size_t w = rows[0].size(), stride = (w + 7) / 8;
    std::string block = {
        0, 0, 1, 0, char(rows.size() >> 8), char(rows.size() & 0xFF), char(w >> 8), char(w & 0xFF)};
    for (const std::string& row : rows) {
        std::string bytes(stride, '\0');
        for (size_t x = 0; x < w; ++x)
            if (row[x] == '#')
                bytes[x / 8] = char(uint8_t(bytes[x / 8]) | (0x80 >> (x % 8)));
        block += bytes;
    }
    return P("~*c" + std::to_string(id) + "G~*c" + std::to_string(block.size()) + "W") + block;
}

} // namespace

// What a paint does to a page pixel per source and pattern pixel (ink or white), as the
// logical operations and transparency modes combine on a printer.
TEST(PclPrintModel, LogicalOperationsAndTransparencyModes) {
    using E = TPixelEffect;
    const struct {
        const char* Name;
        uint8_t Rop;
        bool SourceTransparent, PatternTransparent;
        // source ink: pattern ink, pattern white; source white: pattern ink, pattern white
        std::array<E, 4> Effects;
    } cases[] = {
        {"default", 252, true, true, {E::Ink, E::Keep, E::Keep, E::Keep}},
        {"opaque source", 252, false, true, {E::Ink, E::Keep, E::White, E::White}},
        {"both opaque", 252, false, false, {E::Ink, E::White, E::White, E::White}},
        {"white", 255, true, false, {E::White, E::White, E::Keep, E::Keep}},
        {"pattern xor page", 90, false, false, {E::Keep, E::Invert, E::Keep, E::Invert}},
        {"source xor page", 102, false, true, {E::Keep, E::Keep, E::Invert, E::Invert}},
        {"source copy", 204, false, false, {E::Ink, E::Ink, E::White, E::White}},
        {"source and page", 238, false, false, {E::Keep, E::Keep, E::White, E::White}},
        {"inverted source", 51, true, true, {E::White, E::Keep, E::Keep, E::Keep}},
    };
    for (const auto& c : cases) {
        const TPaintEffects e = TPaintEffects::Of(c.Rop, c.SourceTransparent, c.PatternTransparent);
        EXPECT_EQ(
            (std::array<E, 4>{e.At(false, false), e.At(false, true), e.At(true, false), e.At(true, true)}),
            c.Effects)
            << c.Name;
    }
}

// Shading, cross-hatches, user patterns, the current pattern and the reference point on a 1-bit
// page; each row counts the black pixels of one 16 x 16 fill at a tile's corner (bitmap
// (50, 160), the logical page's corner being (50, 0)).
TEST(PclPrintModel, PatternsFillAsAPrinterFillsThem) {
    const std::string checker = UserPattern(7, {"##..", "##..", "..##", "..##"});
    const std::string fill = P("~*p0x10Y~*c16a16b");
    const struct {
        const char* Name;
        std::string Pcl;
        int Black;
    } cases[] = {
        {"shading 30 prints the 25% band", fill + P("30g2P"), 64},
        {"shading 3 and 10 print the same band", fill + P("3g2P"), 8},
        {"shading above 100 is black", fill + P("150g2P"), 256},
        {"shading 0 erases", P("~*p0x10Y~*c16a16b0P") + fill + P("0g2P"), 0},
        {"horizontal lines", fill + P("1g3P"), 32},
        {"no cross-hatch 7", fill + P("7g3P"), 0},
        {"a user pattern", checker + fill + P("4P"), 128},
        {"an undefined user pattern", fill + P("8g4P"), 0},
        {"a deleted user pattern", checker + P("~*c2Q") + fill + P("4P"), 0},
        {"the current pattern chosen before *c#G changed", P("~*c30G~*v2T~*c100G") + fill + P("5P"), 64},
        {"a white fill erases", P("~*p0x10Y~*c16a16b0P") + fill + P("1P"), 0},
        {"an opaque pattern erases under its white", P("~*p0x10Y~*c16a16b0P~*v1O") + fill + P("1g3P"), 32},
        {"absurd operations are ignored", P("~*l999O~*l-3O") + fill + P("0P"), 256},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TMonoPage(c.Pcl).Ink(50, 160, 66, 176), c.Black) << c.Name;
    // The reference point moves the pattern: the checker's black corner lands at the cursor.
    const TMonoPage moved(checker + P("~*p2x12Y~*p0R") + fill + P("4P"));
    EXPECT_EQ(moved.page->Pixel(52, 162), kPaletteBlack);
    EXPECT_EQ(moved.page->Pixel(54, 162), kPaletteWhite);
    // Text takes the current pattern: an undefined user pattern prints it black, a white one
    // through a transparent pattern leaves the black under it, an opaque one shows it.
    const std::string text = P("~(s1p48v0s3b4148T~*p0x100Y");
    EXPECT_GT(TMonoPage(P("~*c9G~*v4T") + text + "H").Ink(50, 150, 150, 260), 500);
    const std::string black = P("~*p0x40Y~*c200a80b0P");
    EXPECT_EQ(TMonoPage(black + P("~*v1T") + text + "H").Ink(50, 190, 250, 270), 200 * 80);
    EXPECT_LT(TMonoPage(black + P("~*v1o1T") + text + "H").Ink(50, 190, 250, 270), 200 * 80 - 500);
}

// Rectangles run along the print direction's axes from the cursor, which keeps its place on
// the page when the direction changes; the pattern turns with the direction unless fixed.
TEST(PclPrintModel, PrintDirectionsTurnRectanglesAndPatterns) {
    const struct {
        const char* Name;
        std::string Pcl;
        int Left, Top, Right, Bottom;
    } cases[] = {
        {"90 degrees: X up from the bottom, Y right", P("~&l2A~&a90P~*p0x0Y~*c100a20b0P"), 50, 3200, 70,
         3300},
        {"180 degrees", P("~&l2A~&a180P~*p0x0Y~*c100a20b0P"), 2350, 3130, 2450, 3150},
        {"270 degrees", P("~&l2A~&a270P~*p0x0Y~*c100a20b0P"), 2430, 0, 2450, 100},
        {"the cursor stays where it was", P("~&l2A~*p300x400Y~&a90P~*c30a10b0P"), 350, 520, 360, 550},
        {"other angles change nothing", P("~&l2A~&a45P~*p0x0Y~*c100a20b0P"), 50, 150, 150, 170},
    };
    for (const auto& c : cases) {
        const TMonoPage page(c.Pcl);
        const int area = (c.Right - c.Left) * (c.Bottom - c.Top);
        EXPECT_EQ(page.Ink(c.Left, c.Top, c.Right, c.Bottom), area) << c.Name;
        EXPECT_EQ(page.Ink(0, 0, INT_MAX, INT_MAX), area) << c.Name;
    }
    // Horizontal lines turn vertical at 90 degrees; fixed (*p1R) they stay horizontal.
    const auto column = [](const TMonoPage& p, int x) { return p.Ink(x, 3000, x + 1, 3100); };
    const TMonoPage turned(P("~&l2A~&a90P~*p200x0Y~*c100a100b1g3P"));
    EXPECT_TRUE(column(turned, 57) == 100 || column(turned, 58) == 100);
    const TMonoPage fixed(P("~&l2A~*p0x0Y~*p-150Y~*p1R~&a90P~*p200x0Y~*c100a100b1g3P"));
    EXPECT_EQ(fixed.Ink(50, 3000, 150, 3100), 13 * 100);
    EXPECT_LT(column(fixed, 57), 100);
}

// A page drawn alone (split, viewed) starts with the patterns and print model the pages before
// it left, and looks as it does drawn in the run of the file.
TEST(PclPrintModel, PagesStandingAloneKeepThePatternsInForce) {
    const std::string pcl = UserPattern(3, {"#.", ".#"}) + P("~*c3G~*v4T~*v1o1N~*l240O~*p5x5Y~*p0R~&a90P") +
                            "x\f" + P("~*p0x0Y~*c64a64b5P~(s1p24v0s3b4148THello");
    TBitmapPcl file;
    file.AppendData(pcl);
    file.Parse(false);
    ASSERT_EQ(file.GetPageCount(), 2);
    const TPageBitmap inRun = file.GetPageBitmap(true, 2, "LGL");
    auto alone = Parsed(file.StandalonePage(2));
    const TPageBitmap& drawn = alone->GetPageBitmap(true, 1, "LGL");
    ASSERT_GT(CountPixels(inRun, kAnyInk), 1000);
    EXPECT_EQ(CountPixels(drawn, kAnyInk), CountPixels(inRun, kAnyInk));
    for (int y = 0; y < inRun.Height(); y += 3)
        for (int x = 0; x < inRun.Width(); x += 3)
            ASSERT_EQ(drawn.Pixel(x, y), inRun.Pixel(x, y)) << x << "," << y;
}

// Patterns too large, of size 0, undefined or in great numbers, absurd shading and raster widths:
// bounded work and memory, and the page still draws.
TEST(PclPrintModel, HostilePatternsAreBounded) {
    const auto header = [](int format, int height, int width) {
        return std::string{
            char(format),      0, 1, 0, char(height >> 8), char(height & 0xFF), char(width >> 8),
            char(width & 0xFF)};
    };
    std::string pcl = P("~*c1G~*c8W") + header(0, 65535, 65535) + P("~*c2G~*c8W") + header(0, 0, 8) +
                      P("~*c3G~*c12W") + header(20, 4000, 4000) + std::string{0, 75, 0, 75} +
                      P("~*c4G~*c9W") + header(9, 1, 1) + "x";
    // Thousands of large patterns, each brought by a few bytes, used in every direction.
    for (int id = 10; id < 3000; ++id)
        pcl += P("~*c" + std::to_string(id) + "G~*c10W") + header(1, 4000, 4000) + "\xFF\xFF" +
               P("~&a" + std::to_string(id % 4 * 90) + "P~*p0x0Y~*c100a100b4P");
    // Patterns at 75 dpi, each scaled four times each way, brought by their headers alone.
    for (int id = 3000; id < 4000; ++id)
        pcl += P("~*c" + std::to_string(id) + "G~*c12W") + header(20, 1000, 1000) +
               std::string{0, 75, 0, 75} + P("~*c100a100b4P");
    for (int id = 1; id < 5; ++id)
        pcl += P("~*c" + std::to_string(id) + "g4P~*c" + std::to_string(id) + "G~*v4THi");
    pcl += P("~&a0P~*v1N~*r60000S~*r1A~*b2W\x80\x01~*rB~*c-40g2P~*c32767g2P~*l300O~*v9T");
    TMonoPage page(pcl);
    EXPECT_EQ(page.buffer.GetPageCount(), 1);
    EXPECT_EQ(page.buffer.RasterState().LogicalOperation, 252);
    EXPECT_EQ(page.buffer.RasterState().CurrentPattern, 4);
    EXPECT_LT(page.buffer.GraphicsState().Patterns.size(), 4000u);
}

// Whole pages set against the pictures accepted from a reference interpreter: shading bands,
// cross-hatches, user patterns and rectangles in four print directions (portrait and
// landscape), a word processor's shaded banners and patterned text, inverted and opaque text
// under logical operations, pages ended by resets, and groff's output for a LaserJet 4. The
// bounds sit a little above what we reach today; pages of text pay for our fonts' shapes.
TEST(PclPrintModel, PagesAgreeWithTheAcceptedReferencePictures) {
    const struct {
        const char* File;
        std::vector<double> MostDisagreeing; // per page
    } files[] = {
        {"patterns", {0.02, 0.025}},
        {"banner", {0.20}},
        {"rops", {0.10}},
        {"resets", {0.12, 0.22, 0.01, 0.01, 0.01, 0.13}},
        {"groff-memo", {0.18}},
    };
    for (const auto& f : files) {
        const std::string pcl = ReadWholeFile(kData / (std::string(f.File) + ".pcl"));
        ASSERT_FALSE(pcl.empty()) << f.File;
        TPclFileDocument document(pcl, TPclFileDocument::TUse::View);
        ASSERT_EQ(document.PageCount(), int(f.MostDisagreeing.size())) << f.File;
        for (size_t i = 0; i < f.MostDisagreeing.size(); ++i) {
            const int page = int(i + 1);
            const TBlackMap reference =
                ReadBlackPng(kData / (std::string(f.File) + "-" + std::to_string(page) + ".png"));
            ASSERT_GT(reference.Width, 0) << f.File << " page " << page;
            EXPECT_LE(CellDisagreement(RenderedPage(pcl, page), reference), f.MostDisagreeing[i])
                << f.File << " page " << page;
        }
    }
}
