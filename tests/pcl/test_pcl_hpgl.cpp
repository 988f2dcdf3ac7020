// HP-GL/2 inside PCL: entered and left by its escape commands, never drawn as text, plotted as
// lines and fills in the picture frame; fills, pens, line types, labels and scaling as the
// device receives them; pages compared with reference pictures of a mature interpreter;
// hostile plots stay bounded.

#include "PbmFile.h"
#include "PclTestUtil.h"
#include "TextDevice.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <numbers>

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

namespace {

// What reached the device, call by call.
class TRecordingDevice : public TPCLDevice {
public:
    struct TFill {
        std::vector<TPolygonRing> Rings;
        TFillRule Rule;
        TPaint Paint;
    };
    struct TStroke {
        std::vector<TPolygonRing> Paths;
        bool Closed;
        TStrokeStyle Style;
    };
    std::vector<TFill> Fills;
    std::vector<TStroke> Strokes;
    std::vector<TDeviceFont> TextFonts;
    std::string Text, StickText;
    int RasterRows = 0;
    size_t RasterInk = 0;

    void StartPage(int width, int height) override { w_ = width, h_ = height; }
    void ResizePage(int width, int height) override { w_ = width, h_ = height; }
    int PageWidth() const override { return w_; }
    int PageHeight() const override { return h_; }
    void DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) override {
        TextFonts.push_back(font);
        for (const TPlacedChar& c : chars)
            Text += char(c.Code);
    }
    int MeasureChar(const TDeviceFont& font, uint32_t) override { return font.Height / 2; }
    void SoftFontText(int, std::span<const TPlacedChar> chars) override {
        for (const TPlacedChar& c : chars)
            StickText += char(c.Code);
    }
    void DrawGlyph(int, int, const TBitImage&, const TPaint&) override {}
    void DrawRasterRow(int, int, std::span<const uint8_t> bits, size_t count, TRasterDirection,
                       const TPaint&) override {
        ++RasterRows;
        for (size_t i = 0; i < count; ++i)
            RasterInk += (bits[i / 8] >> (7 - i % 8)) & 1;
    }
    void FillRectangle(int, int, int, int, const TPaint&) override {}
    void FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) override {
        Fills.push_back({{rings.begin(), rings.end()}, rule, paint});
    }
    void DrawLine(int, int, int, int, int, uint32_t) override {}
    void StrokePath(std::span<const TPolygonRing> paths, bool closed, const TStrokeStyle& style) override {
        Strokes.push_back({{paths.begin(), paths.end()}, closed, style});
    }
    void FillEllipse(int, int, int, int, uint32_t) override {}

    // Every stroked piece, whatever call it came in.
    std::vector<TPolygonRing> Pieces() const {
        std::vector<TPolygonRing> all;
        for (const TStroke& s : Strokes)
            all.insert(all.end(), s.Paths.begin(), s.Paths.end());
        return all;
    }

private:
    int w_ = 0, h_ = 0;
};

// The plot run through the recording device: HP-GL/2 from the reset state in the default frame
// (2400 x 3000 pixels from (50, 150); plotter y 0 is page row 3150).
TRecordingDevice Recorded(const std::string& hpgl) {
    TRecordingDevice device;
    TPCLBuffer buffer;
    buffer.AppendData(P("~E~%0BIN;SP1;" + hpgl + "~%0A\f"));
    buffer.Parse(&device);
    return device;
}

double Length(const TPolygonRing& path) {
    double sum = 0;
    for (size_t i = 0; i + 1 < path.size(); ++i)
        sum += std::hypot(path[i + 1].X - path[i].X, path[i + 1].Y - path[i].Y);
    return sum;
}

// Plotter units to page pixels in the default frame.
constexpr double kPx = 300.0 / 1016.0;

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

    // Hatching at spacings of 0 (the default), a thousandth of a unit and below zero (refused),
    // coordinates at the integer limits, a polygon of a million points, a label that never
    // ends, line patterns of no length, and a PCL pattern fill naming itself: each page ends,
    // and what it drew stayed within the page's plotting budget.
    std::string million = "PM0;PD";
    for (int i = 0; i < 1000000; ++i)
        million += std::to_string(i % 2 ? 2147483647 : -2147483647) + "," + std::to_string(i % 977) + ",";
    million += "0,0;PM2;FT4,0.001,1;FP;FT1;FP1;EP;";
    const std::vector<std::pair<const char*, std::string>> hostile = {
        {"fine hatching", "FT4,0.001,7;RA2147483647,2147483647;FT3,0;RA-2147483648,100;FT3,-1;"},
        {"a million points", million},
        {"endless label", "SI1000,1000;LB" + std::string(300000, 'W')},
        {"empty line patterns", "UL1,0,0,0;LT1,0.000001;PD10000,10000;LT-1,1e-300,1;PD0,0;LT2,1e300;PD5,5;"},
        {"patterns of patterns", "FT22,1;RA10000,10000;FT22,32767;WG1e9,0,360,0.0001;"},
    };
    for (const auto& [name, hpgl] : hostile) {
        SCOPED_TRACE(name);
        TRecordingDevice device;
        TPCLBuffer buffer;
        buffer.AppendData(P("~E~%0BIN;SP1;PA0,0;" + hpgl + "~%0A\f"));
        buffer.Parse(&device);
        size_t points = 0;
        for (const auto& fill : device.Fills)
            for (const TPolygonRing& ring : fill.Rings)
                points += ring.size();
        for (const TPolygonRing& piece : device.Pieces())
            points += piece.size();
        EXPECT_LT(points, size_t(8) << 20);
        for (const TPolygonRing& piece : device.Pieces())
            for (const TPagePoint& p : piece)
                EXPECT_TRUE(std::abs(p.X) < 1e5 && std::abs(p.Y) < 1e5);
    }
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

TEST(PclHpgl, FillTypesReachTheDeviceAsPaintsOrHatching) {
    // A 1-inch square at (1016, 1016) plotter units, filled after the fill type.
    struct TRow {
        const char* Name;
        std::string Setup;
        TPaint::TKind Kind;
        int Value; // level or pattern
        size_t Fills, HatchLines;
    };
    const std::vector<TRow> rows = {
        {"solid", "FT1;", TPaint::TKind::Colour, 0, 1, 0},
        {"shading", "FT10,30;", TPaint::TKind::Grey, 30, 1, 0},
        {"shading kept", "FT10,30;FT1;FT10;", TPaint::TKind::Grey, 30, 1, 0},
        {"PCL cross-hatch", "FT21,3;", TPaint::TKind::Pattern, 3, 1, 0},
        {"PCL pattern", "FT22,7;", TPaint::TKind::Pattern, 7, 1, 0},
        // Lines at multiples of 100 from the anchor: 1100 .. 2000 cross the inch, one way or two.
        {"parallel", "FT3,100,0;", TPaint::TKind::Colour, 0, 0, 10},
        {"cross", "FT4,100,0;", TPaint::TKind::Colour, 0, 0, 20},
        // The default spacing: 1% of the P1-P2 diagonal (8 x 10 in: 130 plotter units).
        {"default spacing", "FT3;", TPaint::TKind::Colour, 0, 0, 8},
        // Spacing in user units when scaled, as scaled when given: 0.5 units of 200 plotter units.
        {"user-unit spacing", "SC0,40.64,0,50.8;FT3,0.5,0;SC;", TPaint::TKind::Colour, 0, 0, 10},
        {"negative spacing ignored", "FT3,100,0;FT3,-5,0;", TPaint::TKind::Colour, 0, 0, 10},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRecordingDevice d = Recorded(row.Setup + "PA1016,1016;RA2032,2032;");
        ASSERT_EQ(d.Fills.size(), row.Fills);
        if (row.Fills) {
            const TPaint& paint = d.Fills[0].Paint;
            EXPECT_EQ(paint.Kind, row.Kind);
            if (row.Kind == TPaint::TKind::Grey) {
                EXPECT_EQ(paint.Level, row.Value);
            }
            if (row.Kind == TPaint::TKind::Pattern) {
                EXPECT_EQ(paint.Pattern, row.Value);
            }
            // The square on the page: 300 pixels from (350, 2550).
            EXPECT_NEAR(d.Fills[0].Rings[0][0].X, 50 + 1016 * kPx, 0.01);
            EXPECT_NEAR(d.Fills[0].Rings[0][0].Y, 3150 - 1016 * kPx, 0.01);
        }
        EXPECT_EQ(d.Pieces().size(), row.HatchLines);
        for (const TPolygonRing& line : d.Pieces())
            EXPECT_NEAR(Length(line), 300, 0.5);
    }
    // Hatching at 30 degrees (anticlockwise, y up): on the page the lines fall to the right.
    const TRecordingDevice angled = Recorded("FT3,50,30;PA1016,1016;RA3048,3048;");
    ASSERT_FALSE(angled.Pieces().empty());
    for (const TPolygonRing& line : angled.Pieces()) {
        const double angle =
            std::atan2(-(line[1].Y - line[0].Y), line[1].X - line[0].X) * 180 / std::numbers::pi;
        EXPECT_NEAR(std::fmod(angle + 360, 180), 30, 0.01);
    }
    // TR0 makes the fill's white opaque; FP1 fills by the non-zero rule, FP by even-odd.
    const TRecordingDevice opaque = Recorded("TR0;FT10,20;PM0;PD0,1000,1000,1000;PM2;FP1;TR;FP;");
    ASSERT_EQ(opaque.Fills.size(), 2u);
    EXPECT_FALSE(opaque.Fills[0].Paint.SourceTransparent);
    EXPECT_EQ(opaque.Fills[0].Rule, TFillRule::NonZero);
    EXPECT_TRUE(opaque.Fills[1].Paint.SourceTransparent);
    EXPECT_EQ(opaque.Fills[1].Rule, TFillRule::EvenOdd);
    // FT11: the raster fill's 2 x 2 checker, tiled pixel for pixel: half the square is ink.
    const TRecordingDevice raster = Recorded("RF1,2,2,1,0,0,1;FT11,1;PA1016,1016;RA2032,2032;");
    EXPECT_EQ(raster.Fills.size(), 0u);
    EXPECT_EQ(raster.RasterRows, 300);
    EXPECT_NEAR(double(raster.RasterInk), 300.0 * 300 / 2, 300);
    // Wedges, circles and edged rectangles go the same ways: WG filled, EW and CI edged.
    const TRecordingDevice shapes = Recorded("FT10,40;PA3000,3000;WG500,0,90;EW500,90,90;CI300;EA4000,4000;");
    ASSERT_EQ(shapes.Fills.size(), 1u);
    EXPECT_EQ(shapes.Fills[0].Paint.Level, 40);
    EXPECT_EQ(shapes.Strokes.size(), 3u);
}

TEST(PclHpgl, PensLineAttributesLineTypesAndEncodedPolylines) {
    struct TRow {
        const char* Name;
        std::string Setup;
        double Width;
        TLineCap Cap;
        TLineJoin Join;
        double Miter;
    };
    // The P1-P2 diagonal of the default frame: 8 x 10 inches, 12.81 inches.
    const double diagonal = std::hypot(8.0, 10.0) * 300;
    const std::vector<TRow> rows = {
        {"default", "", 0.35 * 300 / 25.4, TLineCap::Butt, TLineJoin::Miter, 5},
        {"millimetres", "PW0.5;", 0.5 * 300 / 25.4, TLineCap::Butt, TLineJoin::Miter, 5},
        {"relative", "WU1;PW1;", diagonal / 100, TLineCap::Butt, TLineJoin::Miter, 5},
        {"relative default", "WU1;", diagonal / 1000, TLineCap::Butt, TLineJoin::Miter, 5},
        {"per pen", "PW1;PW0.3,2;SP2;", 0.3 * 300 / 25.4, TLineCap::Butt, TLineJoin::Miter, 5},
        {"all pens", "PW0.3,2;PW1;SP2;", 1.0 * 300 / 25.4, TLineCap::Butt, TLineJoin::Miter, 5},
        {"round", "LA1,4,2,4,3,7;", 0.35 * 300 / 25.4, TLineCap::Round, TLineJoin::Round, 7},
        {"square bevel", "LA1,2,2,5;", 0.35 * 300 / 25.4, TLineCap::Square, TLineJoin::Bevel, 5},
        {"defaults again", "LA1,3,2,3;LA;", 0.35 * 300 / 25.4, TLineCap::Butt, TLineJoin::Miter, 5},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRecordingDevice d = Recorded(row.Setup + "PA0,0;PD1016,0,1016,1016;");
        ASSERT_EQ(d.Strokes.size(), 1u);
        const TStrokeStyle& s = d.Strokes[0].Style;
        EXPECT_NEAR(s.Width, row.Width, 0.01);
        EXPECT_EQ(s.Cap, row.Cap);
        EXPECT_EQ(s.Join, row.Join);
        EXPECT_NEAR(s.MiterLimit, row.Miter, 1e-9);
        // One path through the corner, so that the join is drawn.
        EXPECT_EQ(d.Strokes[0].Paths[0].size(), 3u);
    }
    // Line types over two segments of 1 and 2 inches, pattern 1 inch (LT2: 50% down).
    const std::string path = "PA0,0;PD1016,0,1016,2032;";
    struct TPattern {
        const char* Name;
        std::string Setup;
        double Ink; // share of the 900 pixels drawn
        size_t Pieces;
    };
    const std::vector<TPattern> patterns = {
        {"solid", "LT;", 1, 1},
        // Fixed: the pattern goes on round the corner, whose dash is one piece.
        {"fixed", "LT2,25.4,1;", 0.5, 3},
        // Adaptive: whole patterns in each segment, from the middle of a dash to the middle of
        // the last: a half dash, the corner's two halves as one piece, a dash, a half dash.
        {"adaptive", "LT-2,25.4,1;", 0.5, 4},
        {"relative length", "LT2,1.9837;", 0.5, 0},
        {"user type", "UL3,25,75;LT3,25.4,1;", 0.25, 3},
        {"user type of zero length draws solid", "UL3,0,0;LT3,25.4,1;", 1, 1},
        {"back to the previous", "LT2,25.4,1;LT;LT99;", 0.5, 3},
    };
    for (const TPattern& row : patterns) {
        SCOPED_TRACE(row.Name);
        const TRecordingDevice d = Recorded(row.Setup + path);
        double ink = 0;
        for (const TPolygonRing& piece : d.Pieces())
            ink += Length(piece);
        EXPECT_NEAR(ink / 900, row.Ink, 0.02);
        if (row.Pieces) {
            EXPECT_EQ(d.Pieces().size(), row.Pieces);
        }
    }
    // Dots of LT1 are at most a pixel long, one per pattern.
    const TRecordingDevice dots = Recorded("LT1,25.4,1;PA0,0;PD4064,0;");
    EXPECT_EQ(dots.Pieces().size(), 4u);
    for (const TPolygonRing& dot : dots.Pieces()) {
        EXPECT_GT(Length(dot), 0.4);
        EXPECT_LE(Length(dot), 1.01);
    }

    // PE: a pen-up move to (+1016, 0), a line to (+0, -1016) in base 64; then in 7-bit form
    // with 2 fraction bits a line of (+254.25 * 4 / 4 ...): =, absolute (2032, 2032).
    // Values are sign-folded (2v, odd for negative), least significant digit first:
    // 2032 = 48 + 31 * 64 is the digit 63 + 48 and the terminal digit 191 + 31.
    const std::string pe8 =
        std::string("PE<") + char(111) + char(222) + char(191) + char(191) + char(112) + char(222) + ";";
    // 7-bit: digits 63..94 (base 32), terminals 95..126. 2032 = 16 + 31 * 32 + 1 * 1024; with
    // one fraction bit the point (1016, 1016) is sent as 2032 in halves: 4064 = 0 + 31*32 + 3*1024.
    auto seven = [](unsigned v) {
        std::string out;
        while (v >= 32) {
            out += char(63 + (v & 31));
            v >>= 5;
        }
        return out + char(95 + v);
    };
    const std::string pe7 = "PE7>" + seven(2) + "=" + seven(2 * 2 * 1016) + seven(2 * 2 * 1016) + ";";
    const TRecordingDevice pe = Recorded("PA0,2032;" + pe8 + "PU;PA0,0;PD;" + pe7);
    ASSERT_EQ(pe.Strokes.size(), 2u);
    const TPolygonRing& first = pe.Strokes[0].Paths[0];
    EXPECT_NEAR(first.front().X, 50 + 1016 * kPx, 0.01);
    EXPECT_NEAR(first.front().Y, 3150 - 2032 * kPx, 0.01);
    EXPECT_NEAR(first.back().Y, 3150 - 1016 * kPx, 0.01);
    const TPolygonRing& second = pe.Strokes[1].Paths[0];
    EXPECT_NEAR(second.front().X, 50, 0.01);
    EXPECT_NEAR(second.back().X, 50 + 1016 * kPx, 0.01);
    EXPECT_NEAR(second.back().Y, 3150 - 1016 * kPx, 0.01);
}

TEST(PclHpgl, ScalingAndWindowsPutPointsWhereTheyBelong) {
    struct TRow {
        const char* Name;
        std::string Setup;
        double X, Y; // where user (10, 10) lands, page pixels
    };
    // P1-P2 is the frame: 8128 x 10160 plotter units (2400 x 3000 pixels).
    const std::vector<TRow> rows = {
        {"unscaled", "", 50 + 10 * kPx, 3150 - 10 * kPx},
        {"anisotropic", "SC0,100,0,100;", 50 + 240, 3150 - 300},
        // Isotropic: 24 pixels a unit both ways; 600 pixels of height spare, half below.
        {"isotropic", "SC0,100,0,100,1;", 50 + 240, 3150 - 300 - 240},
        {"isotropic at the bottom", "SC0,100,0,100,1,50,0;", 50 + 240, 3150 - 240},
        {"isotropic at the top", "SC0,100,0,100,1,50,100;", 50 + 240, 3150 - 600 - 240},
        {"point factor", "SC0,2,0,3,2;", 50 + 20 * kPx, 3150 - 30 * kPx},
        {"scaling points", "IP1016,1016,2032,2032;SC0,100,0,100;", 50 + 1016 * kPx + 30,
         3150 - 1016 * kPx - 30},
        {"scaling points relative", "IR50,50;SC0,100,0,100;", 50 + 1200 + 240, 3150 - 1500 - 300},
        {"rotated", "RO90;", 50 + 2400 - 10 * kPx, 3150 - 10 * kPx},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRecordingDevice d = Recorded(row.Setup + "PA10,10;PD;PA10,10;");
        ASSERT_EQ(d.Pieces().size(), 1u);
        EXPECT_NEAR(d.Pieces()[0][0].X, row.X, 0.01);
        EXPECT_NEAR(d.Pieces()[0][0].Y, row.Y, 0.01);
    }
    // IW: a line across the page keeps only its part in the window; a fill is cut to it.
    const TRecordingDevice window =
        Recorded("IW1016,0,2032,10160;PA0,5080;PD8128,5080;PU0,0;RA4000,4000;IW;");
    ASSERT_EQ(window.Pieces().size(), 1u);
    EXPECT_NEAR(window.Pieces()[0].front().X, 50 + 1016 * kPx, 0.01);
    EXPECT_NEAR(window.Pieces()[0].back().X, 50 + 2032 * kPx, 0.01);
    ASSERT_EQ(window.Fills.size(), 1u);
    for (const TPagePoint& p : window.Fills[0].Rings[0])
        EXPECT_LE(p.X, 50 + 2032 * kPx + 0.01);
    // The picture frame and its plot size: *c#K/L scale 4 x 5 inches of plot onto the frame.
    TRecordingDevice framed;
    TPCLBuffer buffer;
    buffer.AppendData(P("~E~*p0x0Y~*c2880x3600Y~*c0T~*c4K~*c5L~%0BIN;SP1;PA0,0;PD4064,5080;~%0A\f"));
    buffer.Parse(&framed);
    ASSERT_EQ(framed.Pieces().size(), 1u);
    EXPECT_NEAR(framed.Pieces()[0].back().X, 50 + 1200, 0.01);
    EXPECT_NEAR(framed.Pieces()[0].back().Y, 150, 0.01);
}

TEST(PclHpgl, LabelsAreStrokesOrTextTheTextDeviceReads) {
    // The stick font: strokes with the pen, its text told to the devices that read text; the
    // terminator changed by DT; CR LF starts a new line below.
    const TRecordingDevice stick = Recorded("PA1000,5000;LBStick\x03"
                                            "DT*;LBTwo\r\nlines*;");
    EXPECT_EQ(stick.StickText, "StickTwolines");
    EXPECT_GT(stick.Strokes.size(), 5u);
    EXPECT_TRUE(stick.Text.empty());
    // A PCL font chosen by SD, the alternate by AD and SA: text runs, turned by DI.
    const TRecordingDevice pcl = Recorded("SD1,277,2,1,4,12,5,0,6,0,7,4148;AD1,277,2,1,4,14,6,3,7,4101;"
                                          "PA1000,5000;LBUnivers\x03SA;DI0,1;LBTimes\x03");
    EXPECT_EQ(pcl.Text, "UniversTimes");
    ASSERT_EQ(pcl.TextFonts.size(), 2u);
    EXPECT_EQ(pcl.TextFonts[0].Family, "ARIAL");
    EXPECT_EQ(pcl.TextFonts[0].Angle, 0);
    EXPECT_EQ(pcl.TextFonts[1].Family, "TIMES NEW ROMAN");
    EXPECT_TRUE(pcl.TextFonts[1].Bold);
    EXPECT_EQ(pcl.TextFonts[1].Angle, 90);
    // The text device finds both kinds of label, as `pagellan-cli text` does.
    TTextDevice text(&TFontEngine::Shared());
    TPCLBuffer buffer;
    buffer.AppendData(
        P("~E~%0BIN;SP1;PA1000,8000;LBStick label\x03PA1000,6000;SD1,277,2,1,4,12,7,4148;"
          "LBArial label\x03PA1000,3000;DI1,1;LBTurned label\x03SS;SD;PA5000,3000;LBTurned stick\x03~%0A\f"));
    buffer.Parse(&text);
    EXPECT_NE(text.Text().find("Stick label"), std::string::npos) << text.Text();
    EXPECT_NE(text.Text().find("Arial label"), std::string::npos) << text.Text();
    EXPECT_NE(text.Text().find("Turned label"), std::string::npos) << text.Text();
    EXPECT_NE(text.Text().find("Turned stick"), std::string::npos) << text.Text();
    // Label origins: the box is whole cells of the default stick font (9 to the inch) wide, a
    // character's strokes take the left two thirds of its cell: LO5 centres the box on the pen,
    // LO7 ends it there, LO17 a third of a cell further left; CP moves by cells. Points along
    // the strokes' middles.
    auto xs = [](const TRecordingDevice& d) {
        std::pair<double, double> range{1e9, -1e9};
        for (const TPolygonRing& p : d.Pieces())
            for (const TPagePoint& q : p)
                range = {std::min(range.first, q.X), std::max(range.second, q.X)};
        return range;
    };
    const double pen = 50 + 4064 * kPx, cell = 300 / 9.0;
    struct TOrigin {
        std::string Plot;
        double Left, Right;
    };
    const std::vector<TOrigin> origins = {
        {"LO1;LBHHHH\x03", 0, 3 * cell + cell * 2 / 3},
        {"LO5;LBHHHH\x03", -2 * cell, cell + cell * 2 / 3},
        {"LO7;LBHHHH\x03", -4 * cell, -cell / 3},
        {"LO17;LBHHHH\x03", -4 * cell - 0.29 * cell, -cell / 3 - 0.29 * cell},
        {"CP2,0;LBH\x03", 2 * cell, 2 * cell + cell * 2 / 3},
    };
    for (const TOrigin& o : origins) {
        SCOPED_TRACE(o.Plot);
        const auto [left, right] = xs(Recorded("PA4064,5000;" + o.Plot));
        EXPECT_NEAR(left - pen, o.Left, 1);
        EXPECT_NEAR(right - pen, o.Right, 1);
    }
}

namespace {

// A reference picture: a 1-bit PNG of the mature interpreter's page, black ink true.
TBlackMap ReadReference(const std::string& name) {
    const std::string path = std::string(PAGELLAN_HPGL_DATA) + "/" + name + ".png";
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    TBlackMap map;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return map;
    png.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> grey(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, grey.data(), 0, nullptr)) {
        map.Width = int(png.width);
        map.Height = int(png.height);
        map.Black.resize(grey.size());
        for (size_t i = 0; i < grey.size(); ++i)
            map.Black[i] = grey[i] < 128;
    }
    png_image_free(&png);
    return map;
}

// Our page, turned upright like the reference when it is landscape and the reference not.
TBlackMap Ours(const TPageBitmap& page, bool turn) {
    TBlackMap map{turn ? page.Height() : page.Width(), turn ? page.Width() : page.Height(), {}};
    map.Black.resize(size_t(map.Width) * size_t(map.Height));
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x) {
            // Turned anticlockwise: the right edge becomes the top.
            const int tx = turn ? y : x, ty = turn ? page.Width() - 1 - x : y;
            map.Black[size_t(ty) * size_t(map.Width) + size_t(tx)] = page.Pixel(x, y) != kPaletteWhite;
        }
    return map;
}

// The shift of b's profile that best matches a's, within reach.
int Align(const std::vector<double>& a, const std::vector<double>& b, int reach) {
    int best = 0;
    double bestSum = -1;
    for (int d = -reach; d <= reach; ++d) {
        double sum = 0;
        for (size_t i = 0; i < b.size(); ++i) {
            const int64_t j = int64_t(i) + d;
            if (j >= 0 && j < int64_t(a.size()))
                sum += a[size_t(j)] * b[i];
        }
        if (sum > bestSum)
            bestSum = sum, best = d;
    }
    return best;
}

// The share of inked cells (cell x cell pixels) whose ink coverage differs by more than a
// quarter, ours aligned on the reference by their ink profiles.
double Disagreement(const TBlackMap& ref, const TBlackMap& ours, int cell) {
    std::vector<double> rc(size_t(ref.Width)), rr(size_t(ref.Height)), oc(size_t(ours.Width)),
        orr(size_t(ours.Height));
    for (int y = 0; y < ref.Height; ++y)
        for (int x = 0; x < ref.Width; ++x)
            if (ref.At(x, y))
                ++rc[size_t(x)], ++rr[size_t(y)];
    for (int y = 0; y < ours.Height; ++y)
        for (int x = 0; x < ours.Width; ++x)
            if (ours.At(x, y))
                ++oc[size_t(x)], ++orr[size_t(y)];
    const int dx = Align(rc, oc, 100), dy = Align(rr, orr, 100);
    long inked = 0, differ = 0;
    for (int cy = 0; cy + cell <= ref.Height; cy += cell)
        for (int cx = 0; cx + cell <= ref.Width; cx += cell) {
            int a = 0, b = 0;
            for (int y = cy; y < cy + cell; ++y)
                for (int x = cx; x < cx + cell; ++x) {
                    a += ours.At(x - dx, y - dy);
                    b += ref.At(x, y);
                }
            const double area = double(cell * cell);
            if (a / area <= 0.05 && b / area <= 0.05)
                continue;
            ++inked;
            differ += std::abs(a - b) / area > 0.25;
        }
    return inked ? double(differ) / double(inked) : 1;
}

// The plotted drawing: tiles of many-sided polygons, solid and cross-hatched, each edged, on a
// landscape legal page (the reference was made from the same bytes).
std::string PlottedDrawing() {
    std::string out = P("~E~&l3A~&l1O~%0BIN;SP1;");
    const int cols = 16, rows = 12;
    const double cw = 13000.0 / cols, ch = 7400.0 / rows;
    char buffer[64];
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            const double cx = 200 + (i + 0.5) * cw, cy = 100 + (j + 0.5) * ch;
            const int k = 12 + (i * 7 + j * 3) % 10;
            std::string points;
            int firstX = 0, firstY = 0;
            for (int t = 0; t < k; ++t) {
                const double a = 2 * std::numbers::pi * t / k;
                const double rr = 0.30 + 0.18 * ((t * 37 + i * 11 + j * 5) % 17) / 16;
                const int x = int(std::floor(cx + rr * cw * std::cos(a)));
                const int y = int(std::floor(cy + rr * ch * std::sin(a)));
                if (t == 0) {
                    firstX = x, firstY = y;
                    continue;
                }
                std::snprintf(buffer, sizeof buffer, "%s%d,%d", points.empty() ? "" : ",", x, y);
                points += buffer;
            }
            const int kind = (i + j) % 4;
            out += kind == 0 ? "FT4,40,0;" : kind == 1 ? "FT4,60,45;" : "FT1;";
            out += std::string("PW") + (const char*[]){"0.13", "0.25", "0.35"}[(i + 2 * j) % 3] + ";";
            std::snprintf(buffer, sizeof buffer, "PU%d,%d;PM0;PD", firstX, firstY);
            out += buffer + points + ";PM2;FP;EP;";
        }
    return out + P("~%0A\f");
}

} // namespace

// Pages plotted by HP-GL/2 against a mature interpreter's rendering of the same bytes: the
// hatched grid at three pen widths, line types and line attributes, labels at every label
// origin (the stick font is a design of its own: its placement agrees to a pixel, some letters'
// shapes do not), labels in PCL fonts, a landscape drawing of filled polygons, and picture
// frames with plot sizes, isotropic scaling, input windows and rotation.
TEST(PclHpgl, PlotsAgreeWithReferencePictures) {
    struct TRow {
        const char* Name;
        int Cell;
        double Limit;
        const char* Paper;
    };
    const std::vector<TRow> rows = {
        {"hatch-grid", 8, 0.01, "LTR"}, {"linetypes", 8, 0.06, "LTR"}, {"labelfonts", 8, 0.12, "LTR"},
        {"labels", 8, 0.16, "LTR"},     {"plot", 8, 0.02, "LGL"},      {"frames", 8, 0.01, "LTR"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TBlackMap ref = ReadReference(row.Name);
        ASSERT_GT(ref.Width, 0);
        const std::string pcl =
            std::string(row.Name) == "plot"
                ? PlottedDrawing()
                : ReadWholeFile(std::string(PAGELLAN_HPGL_DATA) + "/" + row.Name + ".pcl");
        auto b = Parsed(pcl, true);
        const TPageBitmap& page = b->GetPageBitmap(false, 1, row.Paper);
        const TBlackMap ours = Ours(page, page.Width() > page.Height() && ref.Width < ref.Height);
        const double disagree = Disagreement(ref, ours, row.Cell);
        std::printf("%s: %.4f of inked cells disagree\n", row.Name, disagree);
        EXPECT_LE(disagree, row.Limit);
    }
}
