// Raster rows, rectangle fills, macros drawing, the signature box and job-control lines, as
// pixels on the rendered page.

#include "PclTestUtil.h"
#include "Prompt.h"

#include <gtest/gtest.h>

using namespace pg;
using namespace pg::test;
using namespace std::string_literals;

namespace {

// Renders the first page of the PCL on a colour (palette) page; the interpreter is kept so
// that its state can be inspected.
struct TRender {
    explicit TRender(const std::string& pcl, uint32_t fillColor = 0x00FF0000) {
        buffer.SetFillColor(fillColor);
        buffer.AppendData(pcl);
        buffer.Parse(true);
        page = &buffer.GetPageBitmap(false, 1, "LGL");
    }
    int Count(uint8_t index, int left = 0, int top = 0, int right = INT_MAX, int bottom = INT_MAX) const {
        return CountPixels(*page, index, left, top, right, bottom);
    }
    int NotWhite() const { return CountPixels(*page, kAnyInk); }
    TBitmapPcl buffer;
    const TPageBitmap* page = nullptr;
};

// Raster rows from the PCL origin (bitmap column 50, row 150), in the given mode.
std::string Raster(int mode, const std::string& rows) {
    return P("~*p0x0Y~*r1A~*b") + std::to_string(mode) + "M" + rows;
}

std::string Row(const std::string& data) {
    return P("~*b") + std::to_string(data.size()) + "W" + data;
}

} // namespace

TEST(PclRaster, UnencodedAndRunLengthRows) {
    // 0x80 at cursor X 0 blackens the pixel at column LeftOffset; the next row is one lower.
    TRender plain(Raster(0, Row("\x80") + Row("\x80")));
    EXPECT_EQ(plain.page->Pixel(50, 150), kPaletteBlack);
    EXPECT_EQ(plain.page->Pixel(50, 151), kPaletteBlack);
    EXPECT_EQ(plain.NotWhite(), 2);
    EXPECT_EQ(plain.buffer.PageState().CursorY, 2);
    // The pair (2, 0xFF) gives 24 pixels; an unpaired last byte is ignored.
    TRender runs(Raster(1, Row(std::string("\x02\xFF", 2)) + Row(std::string("\x00\x81\x05", 3))));
    EXPECT_EQ(runs.Count(kPaletteBlack, 0, 150, 4200, 151), 24);
    EXPECT_EQ(runs.page->Pixel(73, 150), kPaletteBlack);
    EXPECT_EQ(runs.page->Pixel(74, 150), kPaletteWhite);
    EXPECT_EQ(runs.Count(kPaletteBlack, 0, 151, 4200, 152), 2);
    EXPECT_EQ(runs.page->Pixel(57, 151), kPaletteBlack);
    // The raster presentation does not affect these modes.
    TRender presented(P("~*r1F") + Raster(0, Row("\xFF")));
    EXPECT_EQ(presented.NotWhite(), 8);
    // Rows reaching past the page edges and at negative positions are clipped.
    TRender clipped(P("~&a0L~*p0x0Y~*p-8x-2Y~*r1A~*b0M") + Row("\xFF\xC0") + Row("\xFF\xC0") +
                    Row("\xFF\xC0") + P("~*p2440x10Y") + Row(std::string(100, '\xFF')));
    EXPECT_EQ(clipped.page->Pixel(0, 148), kPaletteBlack);
    EXPECT_EQ(clipped.page->Pixel(1, 148), kPaletteBlack);
    EXPECT_EQ(clipped.Count(kPaletteBlack, 0, 0, 4200, 160), 6);
    EXPECT_EQ(clipped.Count(kPaletteBlack, 0, 160, 4200, 161), 10);
}

TEST(PclRaster, TiffRowsOneDotHigherWithPresentationAndLandscape) {
    // (0xFE, 0xFF): 24 pixels, one row above where mode 0 puts its row.
    TRender tiff(Raster(2, Row("\xFE\xFF")));
    EXPECT_EQ(tiff.Count(kPaletteBlack, 0, 149, 4200, 150), 24);
    EXPECT_EQ(tiff.NotWhite(), 24);
    // Literal runs, the no-op -128 and bytes of 0 (nothing to draw, the position moves on).
    TRender literal(Raster(2, Row(std::string("\x80\x02\x00\x80\x01", 5))));
    EXPECT_EQ(literal.page->Pixel(58, 149), kPaletteBlack);
    EXPECT_EQ(literal.page->Pixel(73, 149), kPaletteBlack);
    EXPECT_EQ(literal.NotWhite(), 2);
    // A literal run cut short by the end of the block draws what there is.
    TRender shortRun(Raster(2, Row("\x05\xFF")));
    EXPECT_EQ(shortRun.NotWhite(), 8);
    // Presentation 1 hides TIFF rows; 3 (the command without a number) shows them.
    TRender hidden(P("~*r1F") + Raster(2, Row("\x00\xFF"s)));
    EXPECT_EQ(hidden.NotWhite(), 0);
    EXPECT_EQ(hidden.buffer.PageState().CursorY, 1);
    TRender shown(P("~*rF") + Raster(2, Row("\x00\xFF"s)));
    EXPECT_EQ(shown.NotWhite(), 8);
    // Landscape, rows laid along the sheet's width (presentation 3): each row runs down from
    // the cursor's row in the column left of the cursor, and the cursor steps one dot left.
    // Modes 0 and 1 are drawn the same way.
    for (int mode : {0, 1, 2}) {
        const std::string row = mode == 0 ? std::string("\xC0") : std::string("\x00\xC0", 2);
        TRender landscape(P("~&l1O~*r3F~*p100x200Y~*r1A~*b") + std::to_string(mode) + "M" + Row(row) +
                          Row(row));
        EXPECT_EQ(landscape.page->Pixel(149, 350), kPaletteBlack) << mode;
        EXPECT_EQ(landscape.page->Pixel(149, 351), kPaletteBlack) << mode;
        EXPECT_EQ(landscape.page->Pixel(148, 350), kPaletteBlack) << mode;
        EXPECT_EQ(landscape.NotWhite(), 4) << mode;
        EXPECT_EQ(landscape.buffer.PageState().CursorX, 98) << mode;
    }
    // Landscape rows in the logical page's orientation (presentation 0, as drivers send them)
    // run across the landscape page as in portrait, and the cursor steps one dot down; so
    // does a raster Y offset.
    for (int mode : {0, 1, 2}) {
        const std::string row = mode == 1 ? std::string("\x01\xC0", 2) : std::string("\x00\xC0", 2);
        const int y = mode == 2 ? 349 : 350;
        TRender landscape(P("~&l1O~&l2A~*r0F~*p100x200Y~*r1A~*b") + std::to_string(mode) + "M" + Row(row) +
                          P("~*b2Y") + Row(row));
        EXPECT_EQ(landscape.page->Width(), 3300) << mode;
        EXPECT_EQ(landscape.Count(kPaletteBlack, 0, y, 4200, y + 1), mode == 1 ? 4 : 2) << mode;
        EXPECT_EQ(landscape.Count(kPaletteBlack, 0, y + 3, 4200, y + 4), mode == 1 ? 4 : 2) << mode;
        EXPECT_EQ(landscape.page->Pixel(mode == 0 ? 158 : 150, y), kPaletteBlack) << mode;
        EXPECT_EQ(landscape.NotWhite(), mode == 1 ? 8 : 4) << mode;
        EXPECT_EQ(landscape.buffer.PageState().CursorY, 204) << mode;
    }
    // Reverse orientations draw no TIFF rows; the cursor still moves left.
    TRender reverse(P("~&l2O") + Raster(2, Row("\x00\xFF"s)));
    EXPECT_EQ(reverse.NotWhite(), 0);
    EXPECT_EQ(reverse.buffer.PageState().CursorX, -1);
}

TEST(PclRaster, UnencodedAndRunLengthRowsInTheReverseOrientations) {
    // Across from the cursor at the cursor's row, as in portrait; the cursor steps left.
    for (int orientation : {2, 3})
        for (int mode : {0, 1}) {
            const std::string row = mode == 0 ? std::string("\xC0") : std::string("\x00\xC0", 2);
            TRender reverse(P("~&l") + std::to_string(orientation) + P("O~*p100x200Y~*r1A~*b") +
                            std::to_string(mode) + "M" + Row(row));
            const std::string where = std::to_string(orientation) + "/" + std::to_string(mode);
            EXPECT_EQ(reverse.page->Pixel(150, 350), kPaletteBlack) << where;
            EXPECT_EQ(reverse.page->Pixel(151, 350), kPaletteBlack) << where;
            EXPECT_EQ(reverse.NotWhite(), 2) << where;
            EXPECT_EQ(reverse.buffer.PageState().CursorX, 99) << where;
        }
}

// Orientation, page size and registration in any order give the same landscape page, with
// room for its bottom right corner while it is drawn and when it is printed.
TEST(PclRaster, LandscapeSetupInAnyOrderDrawsTheWholePage) {
    std::vector<std::string> setup = {P("~&l-180u36Z"), P("~&l1O"), P("~&l2A")};
    std::sort(setup.begin(), setup.end());
    do {
        const std::string pcl =
            setup[0] + setup[1] + setup[2] + Raster(0, "") + P("~*p3100x2350Y") + Row("\xFF");
        SCOPED_TRACE(pcl);
        TRender shown(pcl);
        auto printed = Parsed(pcl);
        const TPageBitmap* printedPage = &printed->GetPageBitmap(true, 1, "LGL");
        for (const TPageBitmap* page : {shown.page, printedPage}) {
            EXPECT_EQ(page->Width(), 3300);
            EXPECT_EQ(page->Height(), 2550);
            EXPECT_EQ(page->Pixel(3150, 2500), kPaletteBlack);
            EXPECT_EQ(page->Pixel(3157, 2500), kPaletteBlack);
        }
    } while (std::next_permutation(setup.begin(), setup.end()));
}

TEST(PclRaster, DeltaRowsPatchTheSeedRowAndYOffsetSkipsRows) {
    // Row 1: two bytes at offset 1. Row 2 (empty): the seed row again. Row 3: byte 0 patched.
    const std::string first = Row(std::string("\x21\xFF\x80", 3));
    TRender delta(Raster(3, first + Row("") + Row(std::string("\x00\x01", 2))));
    // Delta rows lie one row higher, like the TIFF rows they are mixed with.
    for (int y : {149, 150, 151}) {
        EXPECT_EQ(delta.Count(kPaletteBlack, 58, y, 67, y + 1), 9) << y;
        EXPECT_EQ(delta.page->Pixel(67, y), kPaletteWhite) << y;
    }
    EXPECT_EQ(delta.page->Pixel(57, 151), kPaletteBlack);
    EXPECT_EQ(delta.NotWhite(), 28);
    // Offsets of 31 and more continue in the following bytes: 31 + 255 + 2 = 288.
    TRender far(Raster(3, Row(std::string("\x1F\xFF\x02\x80", 4))));
    EXPECT_EQ(far.page->Pixel(50 + 288 * 8, 149), kPaletteBlack);
    EXPECT_EQ(far.NotWhite(), 1);
    // End of raster graphics clears the seed row: the next empty row draws nothing.
    TRender ended(Raster(3, first) + P("~*rC~*r1A") + Row(""));
    EXPECT_EQ(ended.NotWhite(), 9);
    // The Y offset moves the raster position down by its rows and clears the seed row.
    TRender skipped(Raster(3, first) + P("~*b5Y") + Row("") + Row(std::string("\x00\x80", 2)));
    EXPECT_EQ(skipped.NotWhite(), 10);
    EXPECT_EQ(skipped.page->Pixel(50, 156), kPaletteBlack);
    EXPECT_EQ(skipped.buffer.PageState().CursorY, 8);
    // A mode 2 row becomes the seed of the delta rows after it.
    TRender mixed(Raster(2, Row("\x00\xF0"s)) + P("~*b3M") + Row(""));
    EXPECT_EQ(mixed.Count(kPaletteBlack, 50, 149, 54, 150), 4);
    EXPECT_EQ(mixed.Count(kPaletteBlack, 50, 150, 54, 151), 4);
    // Offsets far beyond any page, and long runs, are held to a bounded row.
    std::string hostile = std::string("\x1F", 1) + std::string(5000, '\xFF') + "\x00\xFF";
    TRender bounded(Raster(3, Row(hostile)) + P("~*b1M") + Row(std::string(4000, '\xFF')));
    EXPECT_EQ(bounded.Count(kPaletteBlack, 0, 149, 4200, 150), 0);
    EXPECT_EQ(bounded.Count(kPaletteBlack, 0, 151, 4200, 152), 2450 - 50);
}

TEST(PclRaster, ReservedAndAdaptiveModesDrawNothingAndSaySoOncePerRender) {
    TRecordingPrompter prompts;
    std::string rows;
    for (int i = 0; i < 500; ++i)
        rows += Row("\xFF\xFF");
    TRender adaptive(Raster(5, rows) + P("~*b4M") + rows + P("~*b6M") + rows);
    EXPECT_EQ(adaptive.NotWhite(), 0);
    EXPECT_EQ(adaptive.buffer.PageState().CursorY, 1500);
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"Adaptive compression image not displayed", "Reserved"}));
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Information);
    // Each render says it again, once.
    TRender again(Raster(5, rows));
    EXPECT_EQ(prompts.Texts().size(), 3u);
    // A TIFF pixel above the page is skipped and reported once.
    prompts.Clear();
    TRender above(P("~&l0E") + Raster(2, Row("\x00\xFF"s) + Row("\x00\xFF"s)) + P("~*p0x0Y") +
                  Row("\x00\xFF"s));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Y: 0  YY : -1 vs 4200"}));
    EXPECT_EQ(above.NotWhite(), 8);
}

TEST(PclRectangles, FillIndicesAndTheAndCombine) {
    // A black fill over a raster pixel: the pixel stays black, the rest takes index 14.
    TRender black(Raster(0, Row("\x80")) + P("~*p0x0Y~*c10a4b0P"));
    EXPECT_EQ(black.page->Pixel(50, 150), kPaletteBlack);
    EXPECT_EQ(black.Count(kPaletteFillBlack), 39);
    EXPECT_EQ(black.Count(kPaletteFillBlack, 50, 150, 60, 154), 39);
    // A white fill erases, as on a printer.
    TRender white(Raster(0, Row("\x80")) + P("~*p0x0Y~*c10a4b0P~*c1P"));
    EXPECT_EQ(white.NotWhite(), 0);
    // Shading 100 is black, 10 the printer's halftone (3 of 96 dots); a cross-hatch number out
    // of 1..6 fills nothing; the current pattern (black) fills black. Sizes in decipoints: 72
    // decipoints are 30 dots.
    TRender shaded(P("~*p0x0Y~*c72h72V~*c100g2P~*p100x0Y~*c10g2P~*p200x0Y~*c3P~*p300x0Y~*c5P"));
    EXPECT_EQ(shaded.Count(kPaletteFillBlack, 50, 150, 80, 180), 900);
    EXPECT_EQ(shaded.Count(kPaletteFillBlack, 150, 150, 180, 180), 28);
    EXPECT_EQ(CountPixels(*shaded.page, kAnyInk, 250, 150, 280, 180), 0);
    EXPECT_EQ(shaded.Count(kPaletteFillBlack, 350, 150, 380, 180), 900);
    // A width or height of 0 draws nothing.
    TRender empty(P("~*c0a10b0P~*c10a0b0P"));
    EXPECT_EQ(empty.NotWhite(), 0);
    // Negative positions and sizes beyond the page are clipped to what lies on the page.
    TRender clipped(P("~*p0x0Y~*p-100x-200Y~*c100a100b0P"));
    EXPECT_EQ(clipped.Count(kPaletteFillBlack), 50 * 50);
    TRender huge(P("~*p0x0Y~*p-50x-150Y~*c65535a65535b0P"));
    EXPECT_EQ(huge.Count(kPaletteFillBlack), 2450 * 4200);
}

TEST(PclMacros, ExecutionDrawsTheRecordedCommands) {
    // The macro moves down 100 dots and fills a rectangle there; each execution draws one more.
    const std::string define = P("~&f7Y~&f0X~*p+100Y~*c10a10b0P~&f1X");
    TRender once(P("~*p0x0Y") + define + P("~*p0x500Y~&f2X"));
    EXPECT_EQ(once.Count(kPaletteFillBlack, 50, 750, 60, 760), 100);
    EXPECT_EQ(once.buffer.GetPageCount(), 1);
    TRender twice(P("~*p0x0Y") + define + P("~*p0x500Y~&f2X~&f2X"));
    EXPECT_EQ(twice.Count(kPaletteFillBlack, 50, 850, 60, 860), 100);
    // A raster image recorded in a macro is drawn where the macro runs.
    TRender logo(P("~&f2Y~&f0X~*r1A~*b0M~*b1W\xFF~*rB~&f1X~*p300x600Y~&f2X"));
    EXPECT_EQ(logo.Count(kPaletteBlack, 350, 750, 358, 751), 8);
    // A second definition replaces the first; an unknown identifier does nothing.
    TRender replaced(P("~&f3Y~&f0X~*c10a10b0P~&f1X~&f0X~*c20a20b0P~&f1X~*p1000x1000Y~&f2X~&f9Y~&f2X"));
    EXPECT_EQ(replaced.Count(kPaletteFillBlack, 1050, 1150, 1070, 1170), 400);
}

TEST(PclSignatureBox, OutlineFivePixelsWideWithTheContentInsideVisible) {
    const std::string content = P("~*p150x250Y~*c20a20b0P");
    TRender box(content + P("~(s100.200.300.400Z"));
    const uint8_t red = NearestPaletteIndex(0x000000FF);
    // Left edge at column 150, pen centred: columns 148 .. 152.
    EXPECT_EQ(box.page->Pixel(147, 450), kPaletteWhite);
    for (int x = 148; x <= 152; ++x)
        EXPECT_EQ(box.page->Pixel(x, 450), red) << x;
    EXPECT_EQ(box.page->Pixel(153, 450), kPaletteWhite);
    // Corners are closed; the interior keeps what was drawn there and stays white elsewhere.
    EXPECT_EQ(box.page->Pixel(148, 348), red);
    EXPECT_EQ(box.page->Pixel(352, 552), red);
    EXPECT_EQ(box.Count(kPaletteFillBlack), 400);
    EXPECT_EQ(box.page->Pixel(300, 500), kPaletteWhite);
    EXPECT_EQ(box.Count(red), 2 * 5 * 205 + 2 * 5 * 195);
    // Black on a monochrome page.
    TRender mono(P("~(s100.200.300.400Z"), 0);
    EXPECT_EQ(mono.page->Format(), TPixelFormat::Mono1);
    EXPECT_EQ(mono.page->Pixel(150, 450), kPaletteBlack);
    // Not drawn for printing.
    auto print = Parsed(content + P("~(s100.200.300.400Z"));
    const TPageBitmap& printed = print->GetPageBitmap(true, 1, "LTR");
    EXPECT_EQ(printed.Pixel(150, 450), kPaletteWhite);
    EXPECT_EQ(printed.Pixel(210, 410), kPaletteFillBlack);
}

TEST(PclJobControl, PjlLinesAreEmittedButAreNoPageContent) {
    const std::string uel = P("~%-12345X");
    const std::string job = uel + "@PJL JOB NAME=\"x\"\r\n@PJL ENTER LANGUAGE=PCL\r\n" + P("~E") + "Hello\f" +
                            uel + "@PJL EOJ\r\n" + uel;
    auto parsed = Parsed(job);
    EXPECT_EQ(parsed->GetPageCount(), 1);
    EXPECT_EQ(OutputOf(*parsed), uel + "@PJL JOB NAME=\"x\"\r\n@PJL ENTER LANGUAGE=PCL\r\n" + P("~E") +
                                     "Hello" + uel + "@PJL EOJ\r\n" + uel);
    // A job of nothing but job control has no page; nothing is drawn for it.
    TRender pjl(uel + "@PJL SET RESOLUTION=300\r\n@PJL EOJ\r\n" + uel);
    EXPECT_EQ(pjl.buffer.GetPageCount(), 0);
    EXPECT_EQ(pjl.NotWhite(), 0);
    // Without a universal exit before it, or after other text, "@PJL" is page text.
    EXPECT_EQ(Parsed("@PJL EOJ\r\n")->GetPageCount(), 1);
    EXPECT_EQ(Parsed(uel + "Text\r\n@PJL EOJ\r\n")->GetPageCount(), 1);
}

TEST(PclRaster, MonochromePagesTakeRowsAndFills) {
    // Raster rows and black fills are black on a 1-bit page; a 10 percent shading is the
    // printer's halftone, anchored at the logical page's corner (50, 0): dots at (50, 352) and
    // (58, 352) and at (54, 356).
    TRender mono(Raster(0, Row("\xF0")) + P("~*p0x100Y~*c10a10b0P~*p0x200Y~*c10g10a10b2P"), 0);
    EXPECT_EQ(mono.page->Format(), TPixelFormat::Mono1);
    EXPECT_EQ(mono.Count(kPaletteBlack, 50, 150, 60, 151), 4);
    EXPECT_EQ(mono.Count(kPaletteBlack, 50, 250, 60, 260), 100);
    EXPECT_EQ(mono.Count(kPaletteBlack, 50, 350, 60, 360), 3);
    EXPECT_EQ(mono.page->Pixel(54, 356), kPaletteBlack);
}

TEST(PclRaster, HostileInputIsClippedAndNeverAsksTwice) {
    TRecordingPrompter prompts;
    // Pseudo-random raster and rectangle commands with random data at random positions, in
    // every orientation and mode, and glyph blocks shorter than their headers declare.
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    std::string pcl = P("~*c5D~)s64W") + std::string(64, '\x7F') + P("~*c65E~(s8W") +
                      "\x04\x00\x0E\x01\x00\x00\x00" + P("~(5X") + "AAAA" + P("~(3@");
    for (int i = 0; i < 3000; ++i) {
        const int x = int(next(12000)) - 6000, y = int(next(12000)) - 6000;
        pcl += P("~*p") + std::to_string(x) + "x" + std::to_string(y) + "Y";
        pcl += P("~&l") + std::to_string(next(4)) + "O";
        pcl += P("~*b") + std::to_string(next(7)) + "M";
        std::string data(next(600), '\0');
        for (char& c : data)
            c = char(next(256));
        pcl += Row(data);
        if (next(8) == 0)
            pcl += P("~*b") + std::to_string(int(next(20000)) - 10000) + "Y";
        if (next(8) == 0)
            pcl += P("~*c") + std::to_string(next(70000)) + "a" + std::to_string(next(70000)) + "b" +
                   std::to_string(next(6)) + "P";
        if (next(16) == 0)
            pcl += P("~(s") + std::to_string(x) + "." + std::to_string(y) + ".99999999999.-7Z";
    }
    TRender hostile(pcl);
    EXPECT_GT(hostile.page->Width(), 0);
    EXPECT_GT(hostile.NotWhite(), 0);
    // One message of each kind at most: reserved, adaptive and the off-page TIFF pixel.
    EXPECT_LE(prompts.Entries().size(), 3u);
    for (const auto& entry : prompts.Entries())
        EXPECT_EQ(entry.Kind, PromptKind::Information);
}

// A page whose rectangle fills cover the page hundreds of times over stops filling: later
// fills are skipped and reported once, and the rest of the page (raster rows) is still drawn.
TEST(PclRaster, RectangleFillsStopAfterTheirBudget) {
    TRecordingPrompter prompts;
    std::string pcl;
    for (int i = 0; i < 120; ++i)
        pcl += P("~*p0x0Y~*c4200a4200b1P"); // white over nearly the whole surface
    pcl += P("~*p100x100Y~*c20a20b0P~*p300x300Y~*c20a20b0P");
    TRender page(pcl + Raster(0, Row("\xFF")));
    EXPECT_EQ(page.Count(kPaletteFillBlack), 0);
    EXPECT_EQ(page.Count(kPaletteBlack, 0, 150, 4200, 151), 8);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"Too many rectangle fills on this page; the rest are not drawn"});
    // Within the budget a fill is drawn as usual.
    TRender fine(P("~*p100x100Y~*c20a20b0P"));
    EXPECT_EQ(fine.Count(kPaletteFillBlack), 400);
}
