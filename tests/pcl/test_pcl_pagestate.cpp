// Page state: command values, positioning, margins, spacing, units, page size, resets.

#include "PCLValues.h"
#include "PclTestUtil.h"

#include <gtest/gtest.h>

using namespace pg;
using namespace pg::test;

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
    EXPECT_EQ(s.TopMargin, 150);
    EXPECT_EQ(s.LeftOffset, 50);
    EXPECT_EQ(s.RightMargin, 2400);
    EXPECT_EQ(s.PageSizeCode, 3);
    EXPECT_EQ(s.BottomLimit, 4050);
    EXPECT_EQ(s.PageLength, 4200);
    EXPECT_EQ(s.UnitOfMeasure, 300);
    EXPECT_DOUBLE_EQ(s.HMI, 12.0);
    EXPECT_EQ(s.LinesPerInch, 6);
    EXPECT_EQ(s.VMI, 50);
    // The cursor's bitmap pixel is (50 + 50, 150 + 188) = (100, 338).
    EXPECT_EQ(s.LeftOffset + s.CursorX, 100);
    EXPECT_EQ(s.TopMargin + s.CursorY, 338);
    EXPECT_EQ(s.DuplexMode, -1);
    const TPCLFontState& f = b->FontState();
    EXPECT_EQ(f.PrimarySymbolSet, 277);
    EXPECT_EQ(f.PrimaryTypeface, 4099);
    EXPECT_EQ(f.PrimaryPitch, 30);
    EXPECT_EQ(f.FillColor, 0x00FF0000u);
    EXPECT_EQ(b->RasterState().RasterResolution, 300);
    EXPECT_TRUE(b->RasterState().SourceTransparent);
    // Letter values after a letter page size.
    auto l = Parsed(P("~&l2A"));
    EXPECT_EQ(l->PageState().PageSizeCode, 2);
    EXPECT_EQ(l->PageState().BottomLimit, 3160);
    EXPECT_EQ(l->PageState().PageLength, 3300);
    // A page size other than letter resets to legal values.
    auto a4 = Parsed(P("~&l26A"));
    EXPECT_EQ(a4->PageState().PageSizeCode, 3);
    EXPECT_EQ(a4->GetPaperCode(), "");
}

TEST(PclPageState, PositionsInUnitsDecipointsAndRows) {
    auto state = [](const std::string& pcl) { return Parsed(P(pcl))->PageState(); };
    EXPECT_EQ(state("~*p100x+150X").CursorX, 250);
    EXPECT_EQ(state("~*p100x150X").CursorX, 150);
    EXPECT_EQ(state("~*p100x-50X").CursorX, 50);
    EXPECT_EQ(state("~*p100y+10Y").CursorY, 110);
    EXPECT_EQ(state("~&a720V").CursorY, 300);
    EXPECT_EQ(state("~&a1V").CursorY, 0);
    EXPECT_EQ(state("~&a+720V").CursorY, 188 + 300);
    EXPECT_EQ(state("~&a1440H").CursorX, 600);
    EXPECT_EQ(state("~&a-72H").CursorX, 50 - 30);
    // Rows: row 0 is the first line, where the reset puts the cursor; rows are line feeds.
    EXPECT_EQ(state("~*p900Y~&a0R").CursorY, 188);
    EXPECT_EQ(state("~&a3R").CursorY, 188 + 150);
    EXPECT_EQ(state("~&a+2R").CursorY, 188 + 100);
    EXPECT_EQ(state("~&a-1R").CursorY, 188 - 50);
    EXPECT_EQ(state("~&l8D~&a+2R").CursorY, 188 + 74);
    EXPECT_EQ(state("~&l0D~&a+2R").CursorY, 188);
    // Positions are kept in 32 bits and wrap rather than overflow.
    EXPECT_EQ(state("~*p2147483647x+1X").CursorX, INT32_MIN);
}

TEST(PclPageState, UnitOfMeasureScalesPclUnits) {
    auto b = Parsed(P("~&u600D~*p600x+300Y~*c1200a60B"));
    EXPECT_EQ(b->PageState().UnitOfMeasure, 600);
    EXPECT_EQ(b->PageState().CursorX, 300);
    EXPECT_EQ(b->PageState().CursorY, 188 + 150);
    EXPECT_EQ(b->RasterState().RectWidth, 600);
    EXPECT_EQ(b->RasterState().RectHeight, 30);
    // Decipoints do not depend on the unit.
    EXPECT_EQ(Parsed(P("~&u1200D~&a720H"))->PageState().CursorX, 300);
    // A unit of 0 leaves values as dots.
    EXPECT_EQ(Parsed(P("~&u0D~*p77X"))->PageState().CursorX, 77);
}

TEST(PclPageState, MarginsSpacingAndThePositionStack) {
    auto state = [](const std::string& pcl) { return Parsed(P(pcl))->PageState(); };
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
    EXPECT_EQ(pushed.CursorX, 10);
    EXPECT_EQ(pushed.CursorY, 20);
    EXPECT_TRUE(pushed.PositionStack.empty());
    EXPECT_EQ(state("~*p5X~&f1S").CursorX, 5);
    std::string pushes = "~&f";
    for (int i = 0; i < 30; ++i)
        pushes += "0s";
    auto deep = state(pushes + "0S");
    EXPECT_EQ(deep.PositionStack.size(), TPCLBuffer::kMaxPositionStack);
}

TEST(PclPageState, FontRasterAndPatternFields) {
    auto f = Parsed(P("~(10U~)8U~(s-3B~(s0V~)s14.5V~)s8H~(s1S~(s16602T"))->FontState();
    EXPECT_EQ(f.PrimarySymbolSet, 10);
    EXPECT_EQ(f.SecondarySymbolSet, 8);
    EXPECT_EQ(f.PrimaryStrokeWeight, 253);
    EXPECT_DOUBLE_EQ(f.PrimaryHeight, 14.5);
    EXPECT_EQ(f.PrimaryPitch, 8);
    EXPECT_EQ(f.PrimaryStyle, 1);
    EXPECT_EQ(f.PrimaryTypeface, 16602);
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
    EXPECT_EQ(r.RasterResolution, 0);
    EXPECT_EQ(r.CompressionMode, 0);
    EXPECT_EQ(r.RasterPresentation, 3);
    EXPECT_EQ(r.PatternID, 10);
    EXPECT_EQ(r.RectWidth, 300);
    EXPECT_EQ(r.RectHeight, 600);
    EXPECT_FALSE(r.SourceTransparent);
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
    auto r = Parsed(P("~*p500x700Y~&a0L~&l2A"));
    EXPECT_EQ(r->PageState().CursorX, 50);
    EXPECT_EQ(r->PageState().CursorY, 188);
    EXPECT_EQ(r->PageState().LeftOffset, 50);
    // With a macro id selected the reset does nothing.
    auto m = Parsed(P("~&f5Y~*p500X~&l2A"));
    EXPECT_EQ(m->PageState().CursorX, 500);
    EXPECT_EQ(m->PageState().MacroID, 5);
    // The printer reset puts the modal state back (the orientation stays with the page).
    auto reset = Parsed(P("~&u600D~*p500X~&l8D~&l1O~E"));
    EXPECT_EQ(reset->PageState().CursorX, 50);
    EXPECT_EQ(reset->PageState().UnitOfMeasure, 300);
    EXPECT_EQ(reset->PageState().LinesPerInch, 6);
    EXPECT_EQ(reset->PageState().Orientation, 1);
    // A page-size command keeps the unit, the spacing and the font.
    auto sized = Parsed(P("~&u1200D~&l8D~(s3T~&l2A"));
    EXPECT_EQ(sized->PageState().UnitOfMeasure, 1200);
    EXPECT_EQ(sized->PageState().LinesPerInch, 8);
    EXPECT_EQ(sized->FontState().PrimaryTypeface, 3);
    // Orientation is kept through resets.
    EXPECT_EQ(Parsed(P("~&l1O~&l2A"))->PageState().Orientation, 1);
    EXPECT_EQ(Parsed(P("~&l260O"))->PageState().Orientation, 4);
}

TEST(PclPageState, PageBitmapSizes) {
    // Viewer path after a rendering parse.
    auto letter = Parsed(P("~&l2AText"), true);
    TPageBitmap& bl = letter->GetPageBitmap(false, 1, "");
    EXPECT_EQ(bl.Width(), 2450);
    EXPECT_EQ(bl.Height(), 3300);
    EXPECT_EQ(bl.Format(), TPixelFormat::Indexed8);
    auto landscape = Parsed(P("~&l1o2AText"), true);
    TPageBitmap& bw = landscape->GetPageBitmap(false, 1, "");
    EXPECT_EQ(bw.Width(), 3300);
    EXPECT_EQ(bw.Height(), 2550);
    auto legalLandscape = Parsed(P("~&l1O~&l3AText"), true);
    EXPECT_EQ(legalLandscape->GetPageBitmap(false, 1, "").Width(), 4200);
    // The paper hint counts when the page has no letter size of its own.
    auto hinted = Parsed("Text", true);
    EXPECT_EQ(hinted->GetPageBitmap(false, 1, "letter").Height(), 3300);
    // Print path (parsed without rendering): the same rule, a landscape page is landscape,
    // and page 2 starts in the orientation page 1 left.
    auto print = Parsed(P("~&l1o2AOne\fTwo"));
    TPageBitmap& p1 = print->GetPageBitmap(true, 1, "LGL");
    EXPECT_EQ(p1.Width(), 3300);
    EXPECT_EQ(p1.Height(), 2550);
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
    EXPECT_EQ(missing.Width(), 2450);
    EXPECT_EQ(missing.Height(), 3300);
    EXPECT_EQ(missing.Pixel(100, 100), kPaletteWhite);
    // Fill colour 0 makes monochrome bitmaps.
    TBitmapPcl mono;
    mono.SetFillColor(0);
    mono.AppendData("Text");
    mono.Parse(true);
    EXPECT_EQ(mono.GetPageBitmap(false, 1, "LTR").Format(), TPixelFormat::Mono1);
}
