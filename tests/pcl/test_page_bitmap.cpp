// The page bitmap and the page-bitmap output device.

#include "PageBitmap.h"
#include "PageBitmapDevice.h"
#include "PclTestUtil.h"
#include "ThumbnailDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace pg;

using test::CountPixels;

TEST(PagePalette, HoldsTheFillColoursAndFindsNearest) {
    const auto& p = PagePalette();
    EXPECT_EQ(p[kPaletteBlack], 0x000000u);
    EXPECT_EQ(p[kPaletteWhite], 0xFFFFFFu);
    EXPECT_EQ(p[kPaletteGrey], 0xA4A0A0u); // red 160, green 160, blue 164
    EXPECT_EQ(p[kPaletteFillBlack], 0x000000u);
    EXPECT_EQ(NearestPaletteIndex(0), kPaletteBlack);
    EXPECT_EQ(NearestPaletteIndex(0xFFFFFF), kPaletteWhite);
    EXPECT_EQ(p[NearestPaletteIndex(0x00FF0000)], 0x00FF0000u); // blue
    EXPECT_EQ(p[NearestPaletteIndex(0x000000FF)], 0x000000FFu); // red
}

TEST(PageBitmap, StartsWhiteAndResizesKeepingTheTopLeft) {
    TPageBitmap b(10, 6);
    EXPECT_EQ(b.Stride(), 10u);
    EXPECT_EQ(CountPixels(b, kPaletteWhite), 60);
    b.SetPixel(2, 3, 0);
    b.SetPixel(9, 5, 0);
    b.Resize(6, 20);
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.Height(), 20);
    EXPECT_EQ(b.Pixel(2, 3), 0);
    EXPECT_EQ(CountPixels(b, 0), 1);
    b.SwapSides();
    EXPECT_EQ(b.Width(), 20);
    EXPECT_EQ(b.Height(), 6);
    EXPECT_EQ(b.Pixel(2, 3), 0);
    b.Clear();
    EXPECT_EQ(CountPixels(b, kPaletteWhite), 120);
    // Outside reads white and writes nothing.
    b.SetPixel(-1, 0, 0);
    b.SetPixel(20, 0, 0);
    b.SetPixel(0, 6, 0);
    EXPECT_EQ(b.Pixel(-5, -5), kPaletteWhite);
    EXPECT_EQ(CountPixels(b, kPaletteWhite), 120);
    // Wider rows move up the block; what grows is white.
    TPageBitmap w(5, 5);
    w.SetPixel(0, 0, 0);
    w.SetPixel(4, 0, 0);
    w.SetPixel(4, 4, 0);
    w.Resize(9, 7);
    EXPECT_EQ(w.Pixel(0, 0), 0);
    EXPECT_EQ(w.Pixel(4, 0), 0);
    EXPECT_EQ(w.Pixel(4, 4), 0);
    EXPECT_EQ(CountPixels(w, 0), 3);
    w.Resize(3, 2);
    w.Resize(5, 5);
    EXPECT_EQ(CountPixels(w, 0), 1);
    EXPECT_EQ(w.Pixel(0, 0), 0);
    w.Reset(4, 4);
    EXPECT_EQ(w.Width(), 4);
    EXPECT_EQ(CountPixels(w, kPaletteWhite), 16);
    TPageBitmap empty(-3, 5);
    EXPECT_EQ(empty.Width(), 0);
    empty.FillRect(0, 0, 10, 10, 0);
}

TEST(PageBitmap, MonochromeStoresBitsAndWhitensWhatGrows) {
    TPageBitmap m(13, 4, TPixelFormat::Mono1);
    EXPECT_EQ(m.Stride(), 2u);
    m.FillRect(0, 0, 13, 4, kPaletteFillBlack);
    EXPECT_EQ(CountPixels(m, kPaletteBlack), 52);
    // Grey is light on a monochrome page.
    m.SetPixel(0, 0, kPaletteGrey);
    EXPECT_EQ(m.Pixel(0, 0), kPaletteWhite);
    m.Resize(10, 4);
    m.Resize(16, 5);
    EXPECT_EQ(m.Pixel(9, 1), kPaletteBlack);
    EXPECT_EQ(m.Pixel(10, 1), kPaletteWhite);
    EXPECT_EQ(m.Pixel(15, 1), kPaletteWhite);
    EXPECT_EQ(m.Pixel(3, 4), kPaletteWhite);
    EXPECT_EQ(CountPixels(m, kPaletteBlack), 39);
    m.AndRect(0, 0, 16, 5, kPaletteWhite);
    EXPECT_EQ(CountPixels(m, kPaletteBlack), 39);
    m.AndRect(0, 0, 16, 5, kPaletteFillBlack);
    EXPECT_EQ(CountPixels(m, kPaletteBlack), 80);
}

TEST(PageBitmap, SpansRectanglesAndTheAndCombine) {
    TPageBitmap b(20, 10);
    b.HorizontalSpan(-5, 3, 0, 0);
    b.HorizontalSpan(18, 40, 0, 0);
    b.HorizontalSpan(5, 5, 1, 0);
    EXPECT_EQ(CountPixels(b, 0), 5);
    b.FillRect(15, 8, 30, 30, 0);
    EXPECT_EQ(CountPixels(b, 0), 5 + 10);
    b.Clear();
    b.SetPixel(4, 4, 0);
    b.AndRect(2, 2, 8, 8, kPaletteFillBlack);
    EXPECT_EQ(b.Pixel(4, 4), 0);
    EXPECT_EQ(b.Pixel(2, 2), kPaletteFillBlack);
    EXPECT_EQ(b.Pixel(8, 8), kPaletteWhite);
    EXPECT_EQ(CountPixels(b, kPaletteFillBlack), 35);
    b.AndRect(-100, -100, 100, 100, kPaletteWhite);
    EXPECT_EQ(CountPixels(b, kPaletteFillBlack), 35);
}

TEST(PageBitmap, LinesEllipsesAndBlits) {
    TPageBitmap b(40, 40);
    // A 2-pixel pen: the row of the line and the one above it; the end point is left out.
    b.Line(5, 10, 15, 10, 2, 0);
    EXPECT_EQ(CountPixels(b, 0), 20);
    EXPECT_EQ(b.Pixel(5, 9), 0);
    EXPECT_EQ(b.Pixel(14, 10), 0);
    EXPECT_EQ(b.Pixel(15, 10), kPaletteWhite);
    b.Clear();
    b.Line(0, 0, 10, 10, 1, 0);
    EXPECT_EQ(CountPixels(b, 0), 10);
    EXPECT_EQ(b.Pixel(9, 9), 0);
    b.Clear();
    // Far-off end points are clipped, not walked.
    b.Line(-2000000000, -2000000000, 2000000000, 2000000000, 3, 0);
    EXPECT_EQ(b.Pixel(20, 20), 0);
    EXPECT_EQ(b.Pixel(20, 5), kPaletteWhite);
    // The same for the thumbnail device, in cells of 4 x 4 pixels.
    TThumbnailDevice thumbnail;
    thumbnail.StartPage(40, 40);
    thumbnail.DrawLine(-2000000000, -2000000000, 2000000000, 2000000000, 3, 0);
    EXPECT_GT(thumbnail.CellRow(5)[5], 0);
    EXPECT_EQ(thumbnail.CellRow(5)[1], 0);
    b.Clear();
    b.FillEllipse(10, 10, 26, 26, 0);
    EXPECT_EQ(b.Pixel(17, 17), 0);
    EXPECT_EQ(b.Pixel(10, 17), 0);
    EXPECT_EQ(b.Pixel(10, 10), kPaletteWhite);
    EXPECT_EQ(b.Pixel(26, 17), kPaletteWhite);
    for (int y = 10; y < 26; ++y)
        for (int x = 10; x < 26; ++x)
            EXPECT_EQ(b.Pixel(x, y), b.Pixel(35 - x, y)) << x << "," << y;
    b.Clear();
    b.FillEllipse(-100000, -100000, 100000, 100000, 0);
    EXPECT_EQ(CountPixels(b, 0), 1600);
    b.Clear();
    const uint8_t bits[] = {0xA0, 0x00, 0xFF, 0x80};
    b.BlitBits(38, 0, bits, 9, 2, 2, 0);
    EXPECT_EQ(b.Pixel(38, 0), 0);
    EXPECT_EQ(b.Pixel(39, 0), kPaletteWhite);
    EXPECT_EQ(b.Pixel(39, 1), 0);
    EXPECT_EQ(CountPixels(b, 0), 3);
    // Rows beyond the data are not read.
    b.Clear();
    b.BlitBits(0, 0, std::span<const uint8_t>(bits, 3), 9, 5, 2, 0);
    EXPECT_EQ(CountPixels(b, 0), 2 + 8);
    b.Clear();
    const uint8_t coverage[] = {0, 127, 128, 255, 255, 10};
    b.BlitCoverage(1, 1, coverage, 3, 2, 3, kPaletteGrey);
    EXPECT_EQ(CountPixels(b, kPaletteGrey), 3);
    EXPECT_EQ(b.Pixel(3, 1), kPaletteGrey);
    EXPECT_EQ(b.Pixel(2, 1), kPaletteWhite);
}

namespace {

// A font engine that gives every character a 2 x 3 block and an advance of 7.
class TBlockRasterizer : public TCharRasterizer {
public:
    bool Render(const TDeviceFont&, uint32_t code, TCharCoverage& out) override {
        if (code == ' ')
            return false;
        out.OffsetX = 1;
        out.OffsetY = 2;
        out.Width = 2;
        out.Height = 3;
        out.Pitch = 2;
        out.Coverage.assign(6, 255);
        out.Advance = 7;
        return true;
    }
};

} // namespace

TEST(PageBitmapDevice, DrawsWhatTheInterpreterHandsIt) {
    TPageBitmap b(30, 30);
    TPageBitmapDevice d(b);
    // Without a font engine, text leaves no mark.
    TDeviceFont font{"Courier New", 50, true, false, 0x00FF0000};
    const TPlacedChar chars[] = {{'A', 0, 0}, {' ', 10, 0}, {'B', 20, 20}};
    d.DrawTextRun(font, chars);
    EXPECT_EQ(CountPixels(b, kPaletteWhite), 900);
    EXPECT_EQ(d.MeasureChar(font, 'A'), 0);
    TBlockRasterizer engine;
    d.SetRasterizer(&engine);
    d.DrawTextRun(font, chars);
    const uint8_t blue = NearestPaletteIndex(0x00FF0000);
    EXPECT_EQ(CountPixels(b, blue), 12);
    EXPECT_EQ(b.Pixel(1, 2), blue);
    EXPECT_EQ(b.Pixel(22, 24), blue);
    EXPECT_EQ(d.MeasureChar(font, 'A'), 7);
    b.Clear();
    const uint8_t row[] = {0x80, 0x01};
    d.DrawRasterRow(3, 4, row, 16, TRasterDirection::Across);
    EXPECT_EQ(b.Pixel(3, 4), 0);
    EXPECT_EQ(b.Pixel(18, 4), 0);
    d.DrawRasterRow(25, 20, row, 16, TRasterDirection::Down);
    EXPECT_EQ(b.Pixel(25, 20), 0);
    EXPECT_EQ(b.Pixel(25, 35), kPaletteWhite);
    EXPECT_EQ(CountPixels(b, 0), 3);
    d.DrawRasterRow(2147483600, 0, row, 16, TRasterDirection::Across);
    b.Clear();
    b.SetPixel(5, 5, 0);
    d.FillRectangle(4, 4, 3, 3, TPaint::Solid(0));
    EXPECT_EQ(b.Pixel(5, 5), 0);
    EXPECT_EQ(CountPixels(b, kPaletteFillBlack), 8);
    d.FillRectangle(0, 0, 0, 5, TPaint::Solid(0));
    d.FillRectangle(2147483600, 2147483600, 1000, 1000, TPaint::Solid(0));
    EXPECT_EQ(CountPixels(b, kPaletteFillBlack), 8);
    b.Clear();
    const uint8_t glyph[] = {0xC0, 0x40};
    d.DrawGlyph(28, 0, TBitImage{glyph, 2, 2, 1});
    EXPECT_EQ(CountPixels(b, 0), 3);
    b.Clear();
    d.DrawLine(0, 29, 30, 29, 1, 0x000000FF);
    EXPECT_EQ(CountPixels(b, NearestPaletteIndex(0x000000FF)), 30);
    d.FillEllipse(0, 0, 4, 4, 0);
    EXPECT_EQ(b.Pixel(2, 2), 0);
}

// Polygon fills: the page bitmap and the thumbnail cover the same pixels under either rule,
// paint black as index 0 and rectangles' black as the fill black; shapes without an edge
// that crosses a row draw nothing.
TEST(PolygonFill, RulesAndPaintsAlikeOnThePixelDevices) {
    const TPolygonRing outer{{4, 4}, {36, 4}, {36, 36}, {4, 36}};
    const TPolygonRing inner{{12, 12}, {28, 12}, {28, 28}, {12, 28}};
    const TPolygonRing reversed{{12, 12}, {12, 28}, {28, 28}, {28, 12}};
    struct TCase {
        const char* Name;
        std::vector<TPolygonRing> Rings;
        TFillRule Rule;
        int Black; // pixels
        bool HoleFilled;
    } cases[] = {
        {"even-odd hole", {outer, inner}, TFillRule::EvenOdd, 32 * 32 - 16 * 16, false},
        {"non-zero same way round", {outer, inner}, TFillRule::NonZero, 32 * 32, true},
        {"non-zero other way round", {outer, reversed}, TFillRule::NonZero, 32 * 32 - 16 * 16, false},
        {"half pixels round to the nearest edge",
         {{{3.6, 4.4}, {8.4, 4.4}, {8.4, 6.6}, {3.6, 6.6}}},
         TFillRule::EvenOdd,
         4 * 3,
         false},
        {"clipped to the page",
         {{{-1e9, -1e9}, {1e9, -1e9}, {1e9, 1e9}, {-1e9, 1e9}}},
         TFillRule::EvenOdd,
         40 * 40,
         true},
        {"only horizontal edges", {{{0, 5}, {20, 5}, {30, 5}}}, TFillRule::NonZero, 0, false},
        {"a single point", {{{5, 5}}}, TFillRule::EvenOdd, 0, false},
        {"a ring of two points", {{{0, 0}, {30, 30}}}, TFillRule::EvenOdd, 0, false},
        {"not finite", {{{0, 0}, {NAN, 30}, {30, INFINITY}}}, TFillRule::EvenOdd, 0, false},
    };
    for (const TCase& c : cases) {
        TPageBitmap b(40, 40);
        TPageBitmapDevice d(b);
        d.FillPolygon(c.Rings, c.Rule, TPaint::Solid(0));
        EXPECT_EQ(CountPixels(b, kPaletteBlack), c.Black) << c.Name;
        EXPECT_EQ(CountPixels(b, test::kAnyInk), c.Black) << c.Name;
        EXPECT_EQ(b.Pixel(20, 20) == kPaletteBlack, c.HoleFilled) << c.Name;
        TThumbnailDevice thumbnail;
        thumbnail.StartPage(40, 40);
        thumbnail.FillPolygon(c.Rings, c.Rule, TPaint::Solid(0));
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < 10; ++column)
                EXPECT_EQ(thumbnail.CellRow(row)[size_t(column)],
                          255 *
                              CountPixels(b, kPaletteBlack, column * 4, row * 4, column * 4 + 4, row * 4 + 4))
                    << c.Name << " cell " << column << "," << row;
    }
    // Paints: what a rectangle and a polygon leave on a white page, and on a black pixel. A
    // grey is the printer's halftone and a pattern its tile, both anchored at (0, 0): the 20
    // percent band has dots in columns 4 and 5 of rows 4 and 5; cross-hatch 3 crosses the 4 x 4
    // boxes only at their corner (7, 7).
    TPaint hatch = TPaint::PatternFill(TPaint::TPatternType::CrossHatch, 3, 0, 0);
    hatch.Tile = std::make_shared<const TPatternTile>(*CrossHatchTile(3));
    struct TPaintCase {
        const char* Name;
        TPaint Paint;
        int RectangleIndex;
        int PolygonIndex;
        int Ink;
    } paints[] = {
        {"black", TPaint::Solid(0), kPaletteFillBlack, kPaletteBlack, 32},
        {"white", TPaint::Solid(0x00FFFFFF), kPaletteWhite, kPaletteWhite, 1},
        {"full grey level", TPaint::GreyLevel(100), kPaletteFillBlack, kPaletteBlack, 32},
        {"grey level", TPaint::GreyLevel(20), kPaletteFillBlack, kPaletteBlack, 4 + 1 + 4},
        {"cross-hatch", hatch, kPaletteWhite, kPaletteWhite, 1 + 1 + 1},
        {"red", TPaint::Solid(0x000000FF), NearestPaletteIndex(0x000000FF), NearestPaletteIndex(0x000000FF),
         32},
    };
    for (const TPaintCase& c : paints) {
        TPageBitmap b(40, 40);
        TPageBitmapDevice d(b);
        b.SetPixel(6, 6, kPaletteBlack);
        d.FillRectangle(4, 4, 4, 4, c.Paint);
        d.FillPolygon(std::vector<TPolygonRing>{{{20, 4}, {24, 4}, {24, 8}, {20, 8}}}, TFillRule::NonZero,
                      c.Paint);
        EXPECT_EQ(b.Pixel(5, 5), c.RectangleIndex) << c.Name;
        EXPECT_EQ(b.Pixel(6, 6), kPaletteBlack) << c.Name;
        EXPECT_EQ(b.Pixel(21, 5), c.PolygonIndex) << c.Name;
        EXPECT_EQ(CountPixels(b, test::kAnyInk), c.Ink) << c.Name;
    }
}
