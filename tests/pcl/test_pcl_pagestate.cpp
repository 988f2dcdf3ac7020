// Page state: command values, positioning, margins, spacing, units, page size, resets.

#include "PCLValues.h"
#include "PclTestUtil.h"

#include <gtest/gtest.h>

using namespace pg;
using namespace pg::test;

namespace {

TPCLPageState StateAfter(const std::string& pcl) {
    return Parsed(P(pcl))->PageState();
}

std::pair<int, int> SizeOf(const TPageBitmap& page) {
    return {page.Width(), page.Height()};
}

} // namespace

TEST(PclValues, ReadIntegersRealsAndSigns) {
    EXPECT_EQ(IntegerValue(P("~*p0Y")), 0);
    EXPECT_EQ(IntegerValue(P("~(s10.00H")), 10);
    EXPECT_EQ(IntegerValue(P("~*p-50X")), -50);
    EXPECT_EQ(IntegerValue(P("~*rF")), 0);
    EXPECT_EQ(IntegerValue(P("~*rF"), 3), 3);
    EXPECT_EQ(IntegerValue(P("~*p99999999999X"), 7), 7);
    EXPECT_DOUBLE_EQ(RealValue(P("~(s10.5V")), 10.5);
    EXPECT_DOUBLE_EQ(RealValue(P("~(s1.2.3V")), 0);
    EXPECT_DOUBLE_EQ(RealValue(P("~&k+3H")), 3);
    EXPECT_TRUE(IsRelative(P("~*p+150X")));
    EXPECT_TRUE(IsRelative(P("~*p-50X")));
    EXPECT_FALSE(IsRelative(P("~*p150X")));
    EXPECT_EQ(RoundHalfEven(37.5), 38);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(0.4167), 0);
    EXPECT_EQ(RoundHalfEven(1e30), INT32_MAX);
    EXPECT_EQ(DecipointsToDots(720), 300);
    EXPECT_EQ(DecipointsToDots(1), 0);
}

TEST(PclPageState, ResetValues) {
    auto b = Parsed("");
    const TPCLPageState& s = b->PageState();
    EXPECT_EQ(
        std::tuple(s.TopMargin, s.LeftOffset, s.RightMargin, s.PageSizeCode, s.BottomLimit, s.PageLength),
        std::tuple(150, 50, 2400, 3, 4050, 4200));
    EXPECT_EQ(std::tuple(s.UnitOfMeasure, s.LinesPerInch, s.VMI, s.DuplexMode), std::tuple(300, 6, 50, -1));
    EXPECT_DOUBLE_EQ(s.HMI, 12.0);
    // The cursor's bitmap pixel is (50 + 50, 150 + 188) = (100, 338).
    EXPECT_EQ(s.LeftOffset + s.CursorX, 100);
    EXPECT_EQ(s.TopMargin + s.CursorY, 338);
    const TPCLFontState& f = b->FontState();
    EXPECT_EQ(std::tuple(f.PrimarySymbolSet, f.PrimaryTypeface, f.PrimaryPitch, f.FillColor),
              std::tuple(277, 4099, 30, 0x00FF0000u));
    EXPECT_EQ(b->RasterState().RasterResolution, 300);
    EXPECT_TRUE(b->RasterState().SourceTransparent);
    // Letter values after a letter page size; a page size other than letter resets to legal
    // values.
    const TPCLPageState l = StateAfter("~&l2A");
    EXPECT_EQ(std::tuple(l.PageSizeCode, l.BottomLimit, l.PageLength), std::tuple(2, 3160, 3300));
    auto a4 = Parsed(P("~&l26A"));
    EXPECT_EQ(a4->PageState().PageSizeCode, 3);
    EXPECT_EQ(a4->GetPaperCode(), "");
}

TEST(PclPageState, PositionsInUnitsDecipointsAndRows) {
    // Decipoints are 720 an inch. Rows: row 0 is the first line, where the reset puts the cursor
    // (188); rows are line feeds (50, 37 at 8 lines an inch). Positions are kept in 32 bits and
    // wrap rather than overflow.
    const std::pair<const char*, int32_t> xs[] = {{"~*p100x+150X", 250}, {"~*p100x150X", 150},
                                                  {"~*p100x-50X", 50},   {"~&a1440H", 600},
                                                  {"~&a-72H", 50 - 30},  {"~*p2147483647x+1X", INT32_MIN}};
    const std::pair<const char*, int32_t> ys[] = {
        {"~*p100y+10Y", 110},      {"~&a720V", 300},     {"~&a1V", 0},          {"~&a+720V", 188 + 300},
        {"~*p900Y~&a0R", 188},     {"~&a3R", 188 + 150}, {"~&a+2R", 188 + 100}, {"~&a-1R", 188 - 50},
        {"~&l8D~&a+2R", 188 + 74}, {"~&l0D~&a+2R", 188}};
    for (const auto& [pcl, x] : xs)
        EXPECT_EQ(StateAfter(pcl).CursorX, x) << pcl;
    for (const auto& [pcl, y] : ys)
        EXPECT_EQ(StateAfter(pcl).CursorY, y) << pcl;
}

TEST(PclPageState, UnitOfMeasureScalesPclUnits) {
    auto b = Parsed(P("~&u600D~*p600x+300Y~*c1200a60B"));
    const TPCLPageState& s = b->PageState();
    EXPECT_EQ(std::tuple(s.UnitOfMeasure, s.CursorX, s.CursorY), std::tuple(600, 300, 188 + 150));
    EXPECT_EQ(std::tuple(b->RasterState().RectWidth, b->RasterState().RectHeight), std::tuple(600, 30));
    // Decipoints do not depend on the unit.
    EXPECT_EQ(Parsed(P("~&u1200D~&a720H"))->PageState().CursorX, 300);
    // A unit of 0 leaves values as dots.
    EXPECT_EQ(Parsed(P("~&u0D~*p77X"))->PageState().CursorX, 77);
}

TEST(PclPageState, MarginsSpacingAndThePositionStack) {
    const auto state = StateAfter;
    EXPECT_EQ(state("~&l0E").TopMargin, 0);
    EXPECT_EQ(state("~&l3E").TopMargin, 150);
    EXPECT_EQ(state("~&l0d3E").TopMargin, 3);
    EXPECT_EQ(state("~&a0L").LeftOffset, 0);
    EXPECT_EQ(state("~&a70000L").LeftOffset, int16_t(70000 - 65536));
    EXPECT_EQ(state("~&a2000M").RightMargin, 2000);
    EXPECT_EQ(state("~&l66F").PageLength, 66);
    EXPECT_EQ(state("~&l8C").LinesPerInch, 6);
    EXPECT_EQ(state("~&l7C").LinesPerInch, 6);
    EXPECT_EQ(state("~&l8C").VMI, 8);
    EXPECT_EQ(state("~&l3d0C").LinesPerInch, 3);
    EXPECT_EQ(state("~&l70000C").VMI, int16_t(70000 - 65536));
    EXPECT_EQ(state("~&l4D").LinesPerInch, 4);
    EXPECT_DOUBLE_EQ(state("~&k10.5H").HMI, 10.5);
    EXPECT_EQ(Parsed(P("~(s1P~&k10H"))->FontState().PrimarySpacing, 0);
    EXPECT_EQ(state("~&l2S").DuplexMode, 2);
    auto pushed = state("~*p10x20Y~&f0S~*p99x99Y~&f1S");
    EXPECT_EQ(std::tuple(pushed.CursorX, pushed.CursorY), std::tuple(10, 20));
    EXPECT_TRUE(pushed.PositionStack.empty());
    EXPECT_EQ(state("~*p5X~&f1S").CursorX, 5);
    std::string pushes = "~&f";
    for (int i = 0; i < 30; ++i)
        pushes += "0s";
    auto deep = state(pushes + "0S");
    EXPECT_EQ(deep.PositionStack.size(), TPCLBuffer::kMaxPositionStack);
}

TEST(PclPageState, FontRasterAndPatternFields) {
    // Symbol sets are kept as number * 32 + letter - 64: 10U is 341, 8U 277.
    auto f = Parsed(P("~(10U~)8U~(s-3B~(s0V~)s14.5V~)s8H~(s1S~(s16602T"))->FontState();
    EXPECT_EQ(std::tuple(f.PrimarySymbolSet, f.SecondarySymbolSet, f.PrimaryStrokeWeight, f.PrimaryPitch,
                         f.PrimaryStyle, f.PrimaryTypeface),
              std::tuple(341, 277, 253, 8, 1, 16602));
    EXPECT_DOUBLE_EQ(f.PrimaryHeight, 14.5);
    // Selecting by identifier and assigning one for downloads are separate, as on a printer.
    EXPECT_EQ(Parsed(P("~(5X~(8U"))->FontState().SelectedFont, -1);
    EXPECT_EQ(Parsed(P("~(5X"))->FontState().SelectedFont, 5);
    EXPECT_EQ(Parsed(P("~(X"))->FontState().SelectedFont, 0);
    EXPECT_EQ(Parsed(P("~(5X"))->FontState().FontID, 0);
    EXPECT_EQ(Parsed(P("~*c7D"))->FontState().FontID, 7);
    EXPECT_EQ(Parsed(P("~*c7d2F"))->FontState().FontID, 7);
    EXPECT_EQ(Parsed(P("~*c321E"))->FontState().CharacterCode, 321 - 256);
    EXPECT_TRUE(Parsed(P("~&dD"))->FontState().Underline);
    EXPECT_FALSE(Parsed(P("~&dD~&d@"))->FontState().Underline);
    auto r = Parsed(P("~*t0r2m1vT~*rF~*c10g720h1440V~*v1N"))->RasterState();
    EXPECT_EQ(std::tuple(r.RasterResolution, r.CompressionMode, r.RasterPresentation, r.PatternID,
                         r.RectWidth, r.RectHeight, r.SourceTransparent),
              std::tuple(0, 0, 3, 10, 300, 600, false));
    EXPECT_EQ(Parsed(P("~*b2M~*v1T"))->RasterState().CompressionMode, 2);
    EXPECT_EQ(Parsed(P("~*v1T"))->RasterState().CurrentPattern, 1);
}

TEST(PclPageState, PageSizeBoundariesAndResets) {
    // A second letter/legal page size ends the first page; the command opens the second.
    auto b = Parsed(P("~&l2AOne~&l3ATwo"));
    ASSERT_EQ(b->GetPageCount(), 2);
    EXPECT_EQ(PageOf(*b, 1), P("~&l2AOne"));
    EXPECT_EQ(PageOf(*b, 2), P("~&l3ATwo"));
    EXPECT_EQ(b->GetPaperCode(), "LGL");
    // A4 leaves the paper code empty, so the following page size does not end the page.
    auto a4 = Parsed(P("~&l26AOne~&l2ATwo"));
    EXPECT_EQ(a4->GetPageCount(), 1);
    // The page size resets the state.
    const TPCLPageState r = StateAfter("~*p500x700Y~&a0L~&l2A");
    EXPECT_EQ(std::tuple(r.CursorX, r.CursorY, r.LeftOffset), std::tuple(50, 188, 50));
    // With a macro id selected the reset does nothing.
    const TPCLPageState m = StateAfter("~&f5Y~*p500X~&l2A");
    EXPECT_EQ(std::tuple(m.CursorX, m.MacroID), std::tuple(500, 5));
    // The printer reset puts the modal state back (the orientation stays with the page).
    const TPCLPageState reset = StateAfter("~&u600D~*p500X~&l8D~&l1O~E");
    EXPECT_EQ(std::tuple(reset.CursorX, reset.UnitOfMeasure, reset.LinesPerInch, reset.Orientation),
              std::tuple(50, 300, 6, 1));
    // A page-size command keeps the unit, the spacing and the font.
    auto sized = Parsed(P("~&u1200D~&l8D~(s3T~&l2A"));
    EXPECT_EQ(std::tuple(sized->PageState().UnitOfMeasure, sized->PageState().LinesPerInch),
              std::tuple(1200, 8));
    EXPECT_EQ(sized->FontState().PrimaryTypeface, 3);
    // Orientation is kept through resets.
    EXPECT_EQ(Parsed(P("~&l1O~&l2A"))->PageState().Orientation, 1);
    EXPECT_EQ(Parsed(P("~&l260O"))->PageState().Orientation, 4);
}

TEST(PclPageState, PageBitmapSizes) {
    // Viewer path after a rendering parse.
    auto letter = Parsed(P("~&l2AText"), true);
    TPageBitmap& bl = letter->GetPageBitmap(false, 1, "");
    EXPECT_EQ(SizeOf(bl), std::pair(2450, 3300));
    EXPECT_EQ(bl.Format(), TPixelFormat::Indexed8);
    auto landscape = Parsed(P("~&l1o2AText"), true);
    EXPECT_EQ(SizeOf(landscape->GetPageBitmap(false, 1, "")), std::pair(3300, 2550));
    auto legalLandscape = Parsed(P("~&l1O~&l3AText"), true);
    EXPECT_EQ(legalLandscape->GetPageBitmap(false, 1, "").Width(), 4200);
    // The paper hint counts when the page has no letter size of its own.
    auto hinted = Parsed("Text", true);
    EXPECT_EQ(hinted->GetPageBitmap(false, 1, "letter").Height(), 3300);
    // Print path (parsed without rendering): the same rule, a landscape page is landscape,
    // and page 2 starts in the orientation page 1 left.
    auto print = Parsed(P("~&l1o2AOne\fTwo"));
    EXPECT_EQ(SizeOf(print->GetPageBitmap(true, 1, "LGL")), std::pair(3300, 2550));
    EXPECT_TRUE(print->PageState().PrintMode);
    // The paper codes outlive resets: page 2 keeps the letter code of page 1.
    EXPECT_EQ(print->GetPageBitmap(true, 2, "LGL").Width(), 3300);
    auto portrait = Parsed(P("~&l2AOne\f~&l1OTwo"));
    EXPECT_EQ(portrait->GetPageBitmap(true, 1, "").Width(), 2450);
    EXPECT_EQ(portrait->GetPageBitmap(true, 2, "").Height(), 2550);
    EXPECT_EQ(portrait->GetPageBitmap(true, 1, "").Width(), 2450);
    // Without a page size of its own the hint decides.
    auto plain = Parsed("One\fTwo");
    EXPECT_EQ(plain->GetPageBitmap(true, 2, "LGL").Height(), 4200);
    EXPECT_EQ(plain->GetPaperCode(), "");
    // A missing page gives a blank bitmap of the final size.
    auto none = Parsed("One");
    TPageBitmap& missing = none->GetPageBitmap(true, 9, "LTR");
    EXPECT_EQ(SizeOf(missing), std::pair(2450, 3300));
    EXPECT_EQ(missing.Pixel(100, 100), kPaletteWhite);
    // Fill colour 0 makes monochrome bitmaps.
    TBitmapPcl mono;
    mono.SetFillColor(0);
    mono.AppendData("Text");
    mono.Parse(true);
    EXPECT_EQ(mono.GetPageBitmap(false, 1, "LTR").Format(), TPixelFormat::Mono1);
}
