// HP-GL/2 inside PCL: entered and left by its escape commands, never drawn as text, plotted as
// lines and fills in the picture frame; hostile plots stay bounded.

#include "PclTestUtil.h"

#include <gtest/gtest.h>

using namespace pg;
using namespace pg::test;

namespace {

int Ink(const TPageBitmap& page, int left, int top, int right, int bottom) {
    return CountPixels(page, kAnyInk, left, top, right, bottom);
}

// The first page drawn as the page window draws it.
const TPageBitmap& Drawn(TBitmapPcl& b) {
    return b.GetPageBitmap(false, 1, "LTR");
}

} // namespace

TEST(PclHpgl, PlotsLinesBoxesAndFillsAtThePenNeverText) {
    // grolj4's way: a picture frame anchored at the top left, user units of 1/1200 inch with y
    // downwards, the pen taken to the PCL cursor, relative moves.
    const std::string setup =
        "~&u1200D~&l0E~*p0x0Y~*c8640x12240y0T~%1BSP1SC0,0.8467,0,-0.8467,2IR0,100,0,100PRTR0;~%1A";
    auto b = Parsed(P(setup + "~*p1200x1200Y~%1BPW0.35PD2400,0,0,1200;~%0AText"), true);
    const TPageBitmap& page = Drawn(*b);
    // From the cursor (50 + 300, 300) 600 dots right, then 300 down; the pen 4 dots wide.
    EXPECT_GT(Ink(page, 360, 298, 940, 302), 570 * 4 - 40);
    EXPECT_GT(Ink(page, 948, 310, 952, 590), 270 * 4 - 40);
    EXPECT_EQ(Ink(page, 360, 310, 940, 590), 0);
    // Back in PCL at the old cursor: the text goes on from there, and no instruction is text.
    EXPECT_EQ(b->PageState().CursorX, 300 + 4 * 30);
    EXPECT_FALSE(b->InHpglMode());

    // Absolute plotter units from the frame's lower left: a 1-inch edged rectangle (EA), a
    // filled one (RA), a filled polygon (PM, FP), a circle; SP0 draws nothing.
    const std::string frame = "~*p0x0Y~*c7200x7200Y~*c0T~%0B";
    auto shapes = Parsed(P(frame + "IN;SP1;PA1016,9144;EA2032,8128;PA3048,9144;RA4064,8128;"
                                   "PA5080,9144;PM0;PD6096,9144,5080,8128;PM2;FP;"
                                   "PU7112,6096;CI508;SP0;PA0,0;PD10160,0;~%0A"),
                         true);
    const TPageBitmap& s = Drawn(*shapes);
    // The frame is 10 inches square from (50, 150): plotter y 9144 (9 in) is page row 450.
    EXPECT_GT(Ink(s, 345, 445, 655, 455), 300);        // EA top edge
    EXPECT_LT(Ink(s, 360, 460, 640, 740), 10);         // EA is only edged
    EXPECT_GT(Ink(s, 950, 450, 1250, 750), 280 * 280); // RA filled
    // The triangle (1550,450)-(1850,450)-(1550,750): its upper left half is black.
    EXPECT_GT(Ink(s, 1555, 600, 1595, 700), 40 * 100 - 100);
    EXPECT_EQ(Ink(s, 1750, 600, 1840, 700), 0);
    EXPECT_GT(Ink(s, 2290, 1340, 2310, 1360), 0); // the circle's right edge: (2150, 1350), r 150
    EXPECT_EQ(Ink(s, 2100, 1300, 2200, 1400), 0); // its inside is empty
    EXPECT_EQ(Ink(s, 0, 3100, 2450, 3200), 0);    // the SP0 line along y 0
}

TEST(PclHpgl, EncodedPolylinesAndModeChanges) {
    // PE in base 64 from the pen: a pen-up move to (+1016, 0), then a line to (+0, -1016).
    // Values are sign-folded (2v, odd for negative), least significant digit first:
    // 2032 = 48 + 31 * 64 is the digit 63 + 48 and the terminal digit 191 + 31.
    const std::string pe =
        std::string("PE<") + char(111) + char(222) + char(191) + char(191) + char(112) + char(222) + ";";
    auto b = Parsed(P("~*p0x0Y~*c7200x7200Y~*c0T~%0BIN;PA0,10160;" + pe + "~%0A"), true);
    const TPageBitmap& page = Drawn(*b);
    // The line runs from (350, 150) down 300 dots.
    EXPECT_GT(Ink(page, 347, 160, 353, 440), 270);
    EXPECT_EQ(Ink(page, 0, 0, 340, 3300), 0); // the pen-up move drew nothing

    // ESC E leaves HP-GL/2 too; the bytes after it are PCL text again, on a page of their own
    // (the reset ends the page the line marked).
    auto reset = Parsed(P("~%0BIN;PD100,100~EAB"));
    EXPECT_FALSE(reset->InHpglMode());
    EXPECT_EQ(PageOf(*reset, 1), P("~%0BIN;PD100,100"));
    EXPECT_EQ(PageOf(*reset, 2), P("~EAB"));
    EXPECT_EQ(reset->GetPageCount(), 2);
}

TEST(PclHpgl, HostilePlotsAreBounded) {
    // Absurd coordinates, a polygon that never closes, an endless PE, a tiny circle chord and
    // huge fills: the page is drawn in bounded work and stays the page.
    std::string plot = "~%0BIN;SP1;PA1e300,-1e300;PD-99999999999,99999999999;PM0;";
    for (int i = 0; i < 20000; ++i)
        plot += "PD" + std::to_string(i % 2 ? 0 : 10000) + "," + std::to_string(i) + ";";
    plot +=
        "FP;EP;CI1e9,0.0001;RA1e12,1e12;PE" + std::string(200000, char(200)) + "LB" + std::string(1000, 'x');
    auto b = Parsed(P(plot), true);
    const TPageBitmap& page = Drawn(*b);
    EXPECT_EQ(page.Width(), 2450);
    EXPECT_TRUE(b->InHpglMode());
}

TEST(PclHpgl, PolygonsWithoutAnEdgeAcrossARowDrawNothing) {
    // A polygon of one point, and one whose edges all run along one row: a fill that covers no
    // pixel, though the page still counts as plotted on.
    for (const char* plot : {"PM0;PA100,100;PM2;FP;", "PM0;PD100,0,200,0,300,0;PM2;FP1;RA400,0;"}) {
        auto b = Parsed(P(std::string("~E~%0BIN;") + plot + "~%0A\f"), true);
        EXPECT_EQ(b->GetPageCount(), 1) << plot;
        EXPECT_EQ(Ink(Drawn(*b), 0, 0, 4200, 4200), 0) << plot;
    }
}
