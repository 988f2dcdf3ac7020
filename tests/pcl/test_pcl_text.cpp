// Text with system fonts: font selection, width tables, advances, colours and marks.

#include "FontEngine.h"
#include "PCLFontWidths.h"
#include "PCLText.h"
#include "PCLValues.h"
#include "PclTestUtil.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace pg;
using namespace pg::test;

namespace {

// The cursor after rendering the PCL (the reset cursor is x 50, y 188).
std::pair<int32_t, int32_t> CursorAfter(const std::string& pcl) {
    auto b = Parsed(pcl, true);
    return {b->PageState().CursorX, b->PageState().CursorY};
}

// Columns and rows holding ink (any pixel that is not white) inside a box of the page.
struct TInk {
    int Left = INT32_MAX, Right = -1, Top = INT32_MAX, Bottom = -1;
    int Count = 0;
    bool Empty() const { return Count == 0; }
};

TInk InkIn(const TPageBitmap& page, int left, int top, int right, int bottom, int onlyIndex = -1) {
    TInk ink;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const uint8_t p = page.Pixel(x, y);
            if (p == kPaletteWhite || (onlyIndex >= 0 && p != onlyIndex))
                continue;
            ink.Left = std::min(ink.Left, x);
            ink.Right = std::max(ink.Right, x);
            ink.Top = std::min(ink.Top, y);
            ink.Bottom = std::max(ink.Bottom, y);
            ++ink.Count;
        }
    return ink;
}

// Page 1 of the PCL rendered as the viewer (print false) or the printer (print true) does; the
// interpreter lives as long as its page.
struct TShown {
    explicit TShown(const std::string& pcl, bool print = false)
        : Buffer(Parsed(pcl)), Page(Buffer->GetPageBitmap(print, 1, "LTR")) {}
    TInk Ink(int left, int top, int right, int bottom, int onlyIndex = -1) const {
        return InkIn(Page, left, top, right, bottom, onlyIndex);
    }
    std::unique_ptr<TBitmapPcl> Buffer;
    const TPageBitmap& Page;
};

} // namespace

TEST(PclText, TypefaceNamesAndFontSelection) {
    EXPECT_EQ(TypefaceName(4099), "Courier");
    EXPECT_EQ(TypefaceName(3), "Courier");
    EXPECT_EQ(TypefaceName(4148), "Univers");
    EXPECT_EQ(TypefaceName(4101), "CG Times");
    EXPECT_EQ(TypefaceName(16602), "Arial");
    EXPECT_EQ(TypefaceName(45099), "ITC Zapf");
    EXPECT_EQ(TypefaceName(1234), "Unknown");

    TPCLFontState font;
    font.FillColor = 0x00FF0000;
    // Family, bold, italic, height, allowance and colour of the face chosen.
    const auto chosen = [&font](uint16_t pattern, bool print) {
        const TTextFont t = SelectTextFont(font, pattern, print);
        return std::tuple(t.Family, t.Bold, t.Italic, t.Height, t.Allowance, t.Colour);
    };
    // Bold on screen, plain when printed; 12 points are 12 / 72 * 300 = 50 dots.
    EXPECT_EQ(chosen(0, false), std::tuple("Courier New", true, false, 50, 15, 0x00FF0000u));
    EXPECT_FALSE(std::get<1>(chosen(0, true)));
    EXPECT_EQ(SelectTextFont(font, 1, false).Colour, 0x00FFFFFFu);
    EXPECT_EQ(SelectTextFont(font, 2, false).Colour, 0u);

    font.PrimaryTypeface = 4148;
    font.PrimaryStyle = 1;
    font.PrimaryStrokeWeight = 3;
    font.PrimaryHeight = 10;
    EXPECT_EQ(chosen(0, false), std::tuple("ARIAL", true, true, 42, 10, 0u)); // 41.67 dots high
    // Families without a face of their own (24580, 4197, 1234) take a similar installed one,
    // and only when it is installed (4362); 4102 has none.
    const std::pair<uint16_t, std::string> families[] = {
        {4101, "TIMES NEW ROMAN"},
        {16901, "Times New Roman"},
        {16602, "Arial"},
        {24580, "ARIAL"},
        {4197, "TIMES NEW ROMAN"},
        {1234, "ARIAL"},
        {4362, IsInstalledFont("Georgia") ? "GEORGIA" : "Albertus"},
        {4102, "Letter Gothic"}};
    for (const auto& [typeface, family] : families) {
        font.PrimaryTypeface = typeface;
        EXPECT_EQ(SelectTextFont(font, 0, false).Family, family) << typeface;
    }

    EXPECT_TRUE(IsInstalledFont("Arial"));
    EXPECT_TRUE(IsInstalledFont("times new roman"));
    EXPECT_TRUE(IsInstalledFont("Liberation Mono"));
    EXPECT_FALSE(IsInstalledFont("No Such Family At All"));
}

TEST(PclText, WidthTablesByFamilyFaceAndSymbolSet) {
    constexpr auto Times = TWidthFamily::Times, Arial = TWidthFamily::Arial;
    struct TFace {
        TWidthFamily Family;
        bool Bold, Italic, Pc8;
        std::string Codes;
        std::vector<uint16_t> Widths; // of the codes in turn
    };
    const TFace faces[] = {
        {Times, false, false, false, "A`", {300, 138}},
        {Times, false, false, true, "`~A", {207, 207, 300}},
        {Times, true, false, true, "`", {207}},
        {Times, false, true, true, " !~", {138, 300, 207}},
        {Arial, false, false, false, "A\xFF", {307, 231}},
        {Arial, false, false, true, "^", {261}},
        {Arial, true, false, false, "\"{A", {215, 207, 307}},
        {Arial, true, false, true, "~", {261}},
        {Arial, false, true, false, "\xC9", {238}},
        {Arial, true, true, false, "\"\xCB", {223, 238}},
        // The telling rows of the Times faces.
        {Times, true, false, false, "ABCDEabcde", {300, 277, 300, 300, 277, 207, 231, 184, 231, 184}},
        {Times, false, true, false, "ABCDEabcde", {254, 254, 277, 300, 254, 207, 207, 184, 207, 184}},
        {Times, true, true, false, "ABCDEabcde", {277, 277, 277, 300, 277, 207, 207, 184, 207, 184}}};
    for (const TFace& face : faces) {
        const TWidthTable& table = PCLFontWidthTable(face.Family, face.Bold, face.Italic, face.Pc8);
        ASSERT_EQ(face.Codes.size(), face.Widths.size());
        for (size_t i = 0; i < face.Codes.size(); ++i)
            EXPECT_EQ(table[uint8_t(face.Codes[i])], face.Widths[i])
                << int(face.Family) << face.Bold << face.Italic << face.Pc8 << " "
                << int(uint8_t(face.Codes[i]));
    }
    // Faces of their own: a bold W is wider than a regular one, an italic one narrower.
    const auto& timesBold = PCLFontWidthTable(Times, true, false, false);
    EXPECT_GT(timesBold['W'], PCLFontWidthTable(Times, false, false, false)['W'] - 20);
    EXPECT_NE(PCLFontWidthTable(Times, false, true, false)['W'], timesBold['W']);
}

TEST(PclText, AdvancesOfCharacters) {
    // Univers 12 point: "A" advances 12 / 100 * 307 = 36.84, 37 dots.
    EXPECT_EQ(CursorAfter(P("~(s4148TA")).first, 50 + 37);
    // CG Times: a proportional space 12 / 100 * 123 = 14.76, 15 dots; fixed spacing 30.
    EXPECT_EQ(CursorAfter(P("~(s1p4101T ")).first, 50 + 15);
    EXPECT_EQ(CursorAfter(P("~(s0p4101T ")).first, 50 + 30);
    // Univers proportional space: 138.
    EXPECT_EQ(CursorAfter(P("~(s1p4148T ")).first, 50 + 17);
    // Courier advances by the motion index: 30 dots, 25 at 10/120 inch.
    EXPECT_EQ(CursorAfter("ABCD").first, 50 + 120);
    EXPECT_EQ(CursorAfter(P("~&k10HABCD")).first, 50 + 100);
    EXPECT_EQ(HMIWidth(12.0), 30);
    // The symbol set picks the table: ` is 138 in Roman-8, 207 in PC-8 (Times, 12 point).
    EXPECT_EQ(CursorAfter(P("~(8U~(s4101T`")).first, 50 + 17);
    EXPECT_EQ(CursorAfter(P("~(10U~(s4101T`")).first, 50 + 25);
    // Height scales the table: Univers 10 point "W" 415 * 0.1 = 41.5, 42 (halves to even).
    EXPECT_EQ(CursorAfter(P("~(s10v4148TW")).first, 50 + 42);
    // Bold face of the Arial table: 12 / 100 * 215 = 25.8, 26 dots.
    EXPECT_EQ(CursorAfter(P("~(s3b4148T\"")).first, 50 + 26);
    // An unknown typeface advances by the Arial tables.
    EXPECT_EQ(CursorAfter(P("~(s999TA")).first, 50 + 37);
    // Typeface 16602 "Arial" is measured by the font itself, at the font height (50 pixels).
    TCharCoverage a;
    ASSERT_TRUE(TFontEngine::Shared().Render({"Arial", 50, false, false, 0}, 'A', a));
    EXPECT_EQ(CursorAfter(P("~(s16602TA")).first, 50 + a.Advance);
    EXPECT_GT(a.Advance, 25);
    // A family that is not installed advances by the motion index.
    EXPECT_EQ(CursorAfter(P("~(s4102TAB")).first, 50 + 60);
    // The bullet advances by its width entry (Arial 261).
    EXPECT_EQ(CursorAfter(P("~(s4148T\xB1")).first, 50 + 31);
    // Control bytes neither draw nor advance; a line feed moves down one line.
    EXPECT_EQ(CursorAfter("A\x01\x0B"
                          "B"),
              std::make_pair(50 + 60, 188));
    EXPECT_EQ(CursorAfter("A\nB"), std::make_pair(50 + 60, 188 + 50));
    EXPECT_EQ(CursorAfter(P("~&l4DA\nB")), std::make_pair(50 + 60, 188 + 75));
    // Without rendering text does not move the cursor.
    EXPECT_EQ(Parsed("ABC")->PageState().CursorX, 50);
}

TEST(PclText, CourierLinesLandOnTheirColumnsInTheFillColour) {
    const TShown shown(P("~*p300x600YMMMM"));
    const TPageBitmap& page = shown.Page;
    const uint8_t blue = NearestPaletteIndex(0x00FF0000);
    // Characters start at x = 50 + 300 + 30 k; the PCL baseline lies at 150 + 600.
    for (int k = 0; k < 4; ++k) {
        const TInk ink = InkIn(page, 350 + 30 * k, 700, 350 + 30 * k + 30, 770);
        ASSERT_FALSE(ink.Empty()) << k;
        EXPECT_GE(ink.Left, 350 + 30 * k) << k;
        EXPECT_LE(ink.Right, 350 + 30 * k + 30) << k;
        EXPECT_GT(ink.Top, 715);
        EXPECT_LE(ink.Bottom, 756); // on the baseline, 5 dots below the PCL line at most
        EXPECT_GE(ink.Bottom, 745);
        EXPECT_EQ(InkIn(page, 350 + 30 * k, 700, 380 + 30 * k, 770, blue).Count, ink.Count);
    }
    EXPECT_TRUE(InkIn(page, 470, 680, 600, 800).Empty());
    // Black fill colour draws black; monochrome pages get black ink as well.
    TBitmapPcl mono;
    mono.SetFillColor(0);
    mono.AppendData(P("~*p300x600YMMMM"));
    mono.Parse();
    const TPageBitmap& monoPage = mono.GetPageBitmap(false, 1, "LTR");
    EXPECT_EQ(monoPage.Format(), TPixelFormat::Mono1);
    EXPECT_FALSE(InkIn(monoPage, 350, 700, 470, 770, kPaletteBlack).Empty());
}

TEST(PclText, BoldCourierIsDrawnTwiceAndScreenCourierIsBold) {
    // Printed Courier is plain; with stroke weight 3 each character is drawn again 6 dots right.
    const TInk plain = TShown(P("~*p300x600YI"), true).Ink(300, 650, 450, 800);
    const TInk twice = TShown(P("~(s3B~*p300x600YI"), true).Ink(300, 650, 450, 800);
    ASSERT_FALSE(plain.Empty());
    EXPECT_EQ(twice.Left, plain.Left);
    EXPECT_EQ(twice.Right, plain.Right + 6);
    EXPECT_EQ(twice.Top, plain.Top);
    // On screen the face itself is bold: more ink than printed.
    EXPECT_GT(TShown(P("~*p300x600YI")).Ink(300, 650, 450, 800).Count, plain.Count);
}

TEST(PclText, ColoursBulletsAndUnderlines) {
    // Univers text is black, also on a colour page.
    const TShown univers(P("~(s4148T~*p300x600YHH"));
    const TInk ink = univers.Ink(340, 680, 440, 780);
    ASSERT_FALSE(ink.Empty());
    EXPECT_EQ(univers.Ink(340, 680, 440, 780, kPaletteBlack).Count, ink.Count);
    // With pattern 1 text is white: nothing shows on the white page.
    EXPECT_TRUE(TShown(P("~*v1T~(s4148T~*p300x600YHH")).Ink(300, 600, 500, 800).Empty());
    // The bullet: a black disc in the box (x, y + 15) .. (x + 15, y + 30), y = 10 + 750 - 50.
    const TInk disc = TShown(P("~(s4148T~*p300x600Y\xB1")).Ink(300, 650, 450, 800);
    EXPECT_EQ(std::tuple(disc.Left, disc.Right, disc.Top, disc.Bottom), std::tuple(350, 364, 725, 739));
    // Underlined text: a 2-pixel line on rows 754 and 755 (the PCL line 750 + 5, the pen
    // centred), as long as the advances; the glyphs end above row 755.
    const TShown under(P("~&dD~*p300x600YAB~&d@CD"));
    const TInk line = under.Ink(300, 755, 600, 800);
    EXPECT_EQ(std::tuple(line.Left, line.Right, line.Bottom), std::tuple(350, 409, 755));
    EXPECT_EQ(under.Ink(350, 754, 410, 755).Count, 60);
    EXPECT_EQ(TShown(P("~*p300x600YAB")).Ink(300, 755, 600, 800).Count, 0);
    // Floating underline: a horizontal move while underlining is underlined too.
    const TInk moved = TShown(P("~*p300x600Y~&dD~*p+100X~&d@x")).Ink(300, 755, 600, 800);
    EXPECT_EQ(std::tuple(moved.Left, moved.Right), std::tuple(350, 449));
}

TEST(PclText, EachCharacterIsDrawnBeforeItsUnderlineAndBullets) {
    // Blue Courier descenders cross the underline rows 754 and 755; the line lies over them.
    const TShown under(P("~&dD~*p300x600Ygjpqy"));
    ASSERT_GT(under.Ink(350, 756, 500, 800).Count, 0) << "the descenders reach below the line";
    EXPECT_EQ(CountPixels(under.Page, kPaletteBlack, 350, 754, 500, 756), 150 * 2); // all black
    // Bold Courier draws "M" a second time 6 dots to the right, into the bullet that follows
    // (box 380..394, 730..744, y = 15 + 750 - 50); the bullet lies over it. Its middle rows
    // 735 to 739 are black from edge to edge.
    const TShown bullet(P("~(s3B~*p300x600YM\xB1"));
    ASSERT_GT(bullet.Ink(350, 700, 380, 760).Count - bullet.Ink(350, 700, 380, 760, kPaletteBlack).Count, 0)
        << "the letter is drawn in the fill colour";
    EXPECT_EQ(CountPixels(bullet.Page, kPaletteBlack, 380, 735, 395, 740), 15 * 5); // all black
}

TEST(PclText, HostileSizesAndPositionsStayOnThePage) {
    // Huge and negative heights, far positions: nothing is drawn off the page, nothing crashes.
    for (const char* pcl :
         {"~(s999V~(s4148TABC", "~(s22222222222222222222222212V~(s4148TABC", "~(s-12V~(s4148TABC",
          "~(s0.01V~(s4101TABC", "~*p-5000x-5000YABC", "~*p99999999x99999999YABC",
          "~&dDAB~*p2147483647X~&a-2147483647H", "~(s4148T~*p2440x3290YWWW", "~(s4148T~&k-99999HW W"})
        EXPECT_EQ(TShown(P(pcl)).Page.Width(), 2450) << pcl;
    // A 999-point "W" is taller than the page: not drawn, yet it advances. 300 points draw.
    EXPECT_EQ(CursorAfter(P("~(s999V~(s4148TW")).first, 50 + 4146); // 999 / 100 * 415 = 4145.85
    EXPECT_TRUE(TShown(P("~(s999V~(s4148T~*p0x3000YW")).Ink(0, 0, 2450, 3300).Empty());
    // Characters placed near the ends of the number range land on no page.
    for (const char* pcl : {"~*p2147483000x2147483000YFar", "~&a-2147483000HLeft", "~&k2147483000H W"})
        EXPECT_TRUE(TShown(P(pcl)).Ink(0, 0, 2450, 3300).Empty()) << pcl;
    EXPECT_GT(TShown(P("~(s300V~(s4148T~*p0x1500YW")).Ink(0, 0, 2450, 3300).Count, 100000);
}

TEST(PclText, GlyphImagesAreCachedPerFaceSizeAndCharacter) {
    TFontEngine engine;
    TCharCoverage first, again, uncached;
    ASSERT_TRUE(engine.Render({"ARIAL", 54, false, false, 0}, 'A', first));
    ASSERT_TRUE(engine.Render({"ARIAL", 54, false, false, 0x00FF0000}, 'A', again)); // colour is not a key
    EXPECT_EQ(engine.CachedCharCount(), 1u);
    EXPECT_EQ(again.Coverage, first.Coverage);
    EXPECT_EQ(again.OffsetY, first.OffsetY);
    ASSERT_TRUE(engine.Render({"ARIAL", 58, false, false, 0}, 'A', again));
    ASSERT_TRUE(engine.Render({"ARIAL", 54, true, false, 0}, 'A', again));
    ASSERT_TRUE(engine.Render({"ARIAL", 54, false, false, 0}, 'B', again));
    ASSERT_TRUE(engine.Render({"Courier New", 54, false, false, 0}, 'A', again));
    EXPECT_EQ(engine.CachedCharCount(), 5u);
    // A space has an advance and no pixels; it is cached as well.
    ASSERT_TRUE(engine.Render({"ARIAL", 54, false, false, 0}, ' ', again));
    EXPECT_GT(again.Advance, 0);
    EXPECT_TRUE(again.Coverage.empty());
    EXPECT_EQ(engine.CachedCharCount(), 6u);
    engine.SetCaching(false);
    ASSERT_TRUE(engine.Render({"ARIAL", 54, false, false, 0}, 'A', uncached));
    EXPECT_EQ(engine.CachedCharCount(), 0u);
    EXPECT_EQ(uncached.Coverage, first.Coverage);
    EXPECT_EQ(uncached.Advance, first.Advance);
    // Cells taller than 2000 pixels and empty ones are not drawn.
    EXPECT_FALSE(engine.Render({"ARIAL", 2001, false, false, 0}, 'A', uncached));
    EXPECT_FALSE(engine.Render({"ARIAL", 0, false, false, 0}, 'A', uncached));
}

TEST(PclText, AdvancesAndLentImagesAreTheRenderedImages) {
    // Measured and lent with and without the cache, before and after the image was rendered.
    for (const bool caching : {true, false}) {
        TFontEngine engine;
        engine.SetCaching(caching);
        for (const TDeviceFont& font : {TDeviceFont{"ARIAL", 54}, TDeviceFont{"Courier New", 80, true},
                                        TDeviceFont{"Times New Roman", 33, false, true}}) {
            for (const uint8_t code : {uint8_t('W'), uint8_t(' '), uint8_t('i')}) {
                const int measured = engine.Advance(font, code);
                TCharCoverage image;
                ASSERT_TRUE(engine.Render(font, code, image)) << font.Family << code;
                EXPECT_GT(measured, 0) << font.Family << code;
                EXPECT_EQ(measured, image.Advance) << font.Family << code;
                EXPECT_EQ(engine.Advance(font, code), image.Advance) << font.Family << code;
                int lent = 0;
                EXPECT_TRUE(engine.Use(font, code, [&](const TCharCoverage& shown) {
                    ++lent;
                    EXPECT_EQ(shown.Coverage, image.Coverage);
                    EXPECT_EQ(
                        std::tie(shown.OffsetX, shown.OffsetY, shown.Width, shown.Height, shown.Advance),
                        std::tie(image.OffsetX, image.OffsetY, image.Width, image.Height, image.Advance));
                }));
                EXPECT_EQ(lent, 1) << font.Family << code;
            }
        }
        // Cells that are not drawn measure nothing.
        EXPECT_EQ(engine.Advance({"ARIAL", 2001}, 'A'), 0);
        EXPECT_EQ(engine.Advance({"ARIAL", 0}, 'A'), 0);
        EXPECT_FALSE(engine.Use({"ARIAL", 2001}, 'A', [](const TCharCoverage&) { ADD_FAILURE(); }));
    }
}
