// Soft fonts: downloads, glyph drawing, selection, lifetime and the header rewrite.

#include "PclTestUtil.h"

#include <gtest/gtest.h>

using namespace pg;
using namespace pg::test;

namespace {

// Font 5: "A" an 8 x 2 frame 1 dot right of the cursor and 10 above the baseline advancing 10
// dots; "B" a 3-dot bar on the baseline advancing 5; "a" a single dot advancing 3; " " a
// width-1 glyph advancing 7.
std::string FontFive() {
    return Download(5, Header()) + Char('A', Glyph(1, 10, 8, 2, 40, "\xFF\x81")) +
           Char('B', Glyph(0, 0, 3, 1, 20, "\xE0")) + Char('a', Glyph(0, 0, 1 + 1, 1, 12, "\x80")) +
           Char(' ', Glyph(0, 0, 1, 1, 28, "\x80"));
}

std::unique_ptr<TBitmapPcl> Rendered(const std::string& pcl) {
    auto b = Parsed(pcl, true);
    b->GetPageBitmap(false, 1, "LTR");
    return b;
}

// The cursor's x after rendering the PCL.
int XAfter(const std::string& pcl) {
    return Rendered(pcl)->PageState().CursorX;
}

int InkCount(const TPageBitmap& page, int left = 0, int top = 0, int right = 2450, int bottom = 3300) {
    return CountPixels(page, kAnyInk, left, top, right, bottom);
}

// The ink on the page after rendering the PCL.
int InkAfter(const std::string& pcl) {
    return InkCount(Rendered(pcl)->GetPageBitmap(false, 1, "LTR"));
}

} // namespace

TEST(PclSoftFonts, GlyphsAreDrawnAtTheCursorAndAdvance) {
    auto b = Rendered(FontFive() + P("~(5XAB"));
    const TPageBitmap& page = b->GetPageBitmap(false, 1, "LTR");
    // "A": the cursor (50, 188) moves 1 right; rows at 150 + 188 - 10 = 328 from column 101.
    for (int x = 101; x <= 108; ++x)
        EXPECT_EQ(page.Pixel(x, 328), kPaletteBlack) << x;
    EXPECT_EQ(page.Pixel(101, 329), kPaletteBlack);
    EXPECT_EQ(page.Pixel(108, 329), kPaletteBlack);
    EXPECT_EQ(InkCount(page, 102, 329, 108, 330), 0);
    // "B" at cursor 50 + 10 = 60 on the baseline row 338.
    EXPECT_EQ(page.Pixel(110, 338), kPaletteBlack);
    EXPECT_EQ(page.Pixel(112, 338), kPaletteBlack);
    EXPECT_EQ(InkCount(page), 10 + 3);
    EXPECT_EQ(b->PageState().CursorX, 50 + 10 + 5);
    // Glyph pixels are painted with the current pattern: white through a transparent pattern
    // leaves the page as it is.
    auto white = Rendered(FontFive() + P("~*v1T~(5XA"));
    EXPECT_EQ(InkCount(white->GetPageBitmap(false, 1, "LTR")), 0);
}

TEST(PclSoftFonts, SelectionSpacesMissingGlyphsAndCase) {
    // Width-1 glyphs only advance; codes without a glyph (and line ends) are skipped.
    auto spaced = Rendered(FontFive() + P("~(5X A\nZ\rB"));
    EXPECT_EQ(spaced->PageState().CursorX, 5); // the carriage return set x to 0
    EXPECT_EQ(spaced->PageState().CursorY, 188);
    EXPECT_EQ(spaced->GetPageBitmap(false, 1, "LTR").Pixel(50 + 50 + 7 + 1, 328), kPaletteBlack);
    // Lower case is a glyph of its own.
    auto lower = Rendered(FontFive() + P("~(5Xa"));
    EXPECT_EQ(lower->PageState().CursorX, 53);
    EXPECT_EQ(InkCount(lower->GetPageBitmap(false, 1, "LTR")), 1);
    // *cD only names the font that downloads go to (Courier draws "A": 30 dots); the
    // secondary selection by identifier selects too.
    EXPECT_EQ(XAfter(FontFive() + P("~*c5DA")), 80);
    EXPECT_EQ(XAfter(FontFive() + P("~)5XA")), 60);
    // A symbol-set command returns to the system fonts (Courier: 30 dots).
    auto back = Rendered(FontFive() + P("~(5XA~(8UA"));
    EXPECT_EQ(back->FontState().SelectedFont, -1);
    EXPECT_EQ(back->PageState().CursorX, 60 + 30);
    // *c2F deletes the font: Courier draws, and selecting it again draws nothing.
    EXPECT_EQ(XAfter(FontFive() + P("~(5XA~*c2FA~(5XA")), 60 + 30);
    // An identifier without a font draws nothing and does not move.
    auto none = Rendered(FontFive() + P("~(6XAB"));
    EXPECT_EQ(none->PageState().CursorX, 50);
    EXPECT_EQ(InkCount(none->GetPageBitmap(false, 1, "LTR")), 0);
    // Glyphs for an identifier without a font are not stored.
    auto orphan = Rendered(FontFive() + P("~*c7D") + Char('C', Glyph(0, 0, 8, 1, 40, "\xFF")) + P("~(5XC"));
    EXPECT_EQ(orphan->PageState().CursorX, 50);
}

TEST(PclSoftFonts, LaterDefinitionsReplaceAndFontsLiveAcrossPages) {
    // A later "A" replaces the first one; a later header for 5 replaces the whole font.
    auto b = Rendered(FontFive() + P("~*c5D") + Char('A', Glyph(0, 0, 8, 1, 200, "\xFF")) + P("~(5XA"));
    EXPECT_EQ(b->PageState().CursorX, 50 + 50);
    auto replaced = Rendered(FontFive() + Download(5, Header()) + P("~(5XAB"));
    EXPECT_EQ(replaced->PageState().CursorX, 50);
    // A page-size command keeps the fonts, as does a macro call.
    EXPECT_EQ(XAfter(FontFive() + P("~&l2A~(5XAB")), 65);
    auto macro = Rendered(FontFive() + P("~&f3y0XB~&f1X~(5X~&f2XA"));
    EXPECT_EQ(macro->PageState().CursorX, 50 + 5 + 10);
    // A printer reset deletes temporary fonts and keeps permanent ones (*c5F).
    EXPECT_EQ(XAfter(FontFive() + P("~E~(5XA")), 50);
    EXPECT_EQ(XAfter(FontFive() + P("~*c5F~E~(5XA")), 60);
    // Page 2 rendered alone has the font, the selection and the unit page 1 left; its
    // standalone stream carries them, so a fresh interpreter draws it the same.
    auto pages = Parsed(FontFive() + P("~&u600D~(5XA\f~*p200XB"));
    ASSERT_EQ(pages->GetPageCount(), 2);
    const TPageBitmap& second = pages->GetPageBitmap(false, 2, "LTR");
    EXPECT_EQ(pages->PageState().CursorX, 100 + 5);
    EXPECT_EQ(InkCount(second, 150, 338, 153, 339), 3);
    auto alone = Parsed(pages->StandalonePage(2), true);
    EXPECT_EQ(InkCount(alone->GetPageBitmap(false, 1, "LTR"), 150, 338, 153, 339), 3);
    EXPECT_EQ(alone->PageState().CursorX, 105);
}

TEST(PclSoftFonts, CompressedContinuedAndFineGlyphs) {
    // Class 2: a row "2 white, 4 black, 2 white" standing 3 times, then a full row.
    std::string compressed = Glyph(0, 4, 8, 4, 40, std::string("\x02\x02\x04\x02\x00\x00\x08", 7));
    compressed[3] = 2;
    auto c = Rendered(FontFive() + Char('C', compressed) + P("~(5XC"));
    const TPageBitmap& page = c->GetPageBitmap(false, 1, "LTR");
    EXPECT_EQ(InkCount(page, 100, 334, 108, 337), 3 * 4);
    EXPECT_EQ(page.Pixel(101, 334), kPaletteWhite);
    EXPECT_EQ(InkCount(page, 100, 337, 108, 338), 8);
    // Rows longer than the glyph and repeats past its height are clipped.
    std::string hostile = Glyph(0, 4, 8, 2, 40, std::string("\xFF\x00\xFF\xFF\xFF", 5));
    hostile[3] = 2;
    EXPECT_EQ(InkAfter(FontFive() + Char('H', hostile) + P("~(5XH")), 16);
    // A glyph in two blocks: the continuation brings its second row; one without a start
    // is dropped.
    const std::string start = Glyph(0, 2, 8, 2, 40, "\xFF");
    EXPECT_EQ(InkAfter(FontFive() + Char('J', start) + P("~(s3W") + std::string("\x04\x01\x81", 3) +
                       P("~*c75E~(s3W") + std::string("\x04\x01\xFF", 3) + P("~(5XJK")),
              8 + 2);
    // A 600 dpi font (format 20): its glyphs come out at half size.
    std::string fine = Header(20);
    fine.resize(68);
    fine[64] = char(600 >> 8);
    fine[65] = char(600 & 0xFF);
    auto f =
        Rendered(Download(8, fine) + Char('F', Glyph(0, 4, 16, 4, 160, std::string(8, '\xFF'))) + P("~(8XF"));
    EXPECT_EQ(InkCount(f->GetPageBitmap(false, 1, "LTR")), 8 * 2);
    EXPECT_EQ(f->PageState().CursorX, 50 + 20);
}

TEST(PclSoftFonts, HeadersAreRewrittenInEveryParse) {
    const std::string pcl = Download(5, Header(0, 400)) + Download(6, Header(0, 201)) + "T";
    for (bool render : {false, true}) {
        auto b = Parsed(pcl, render);
        const std::string out = OutputOf(*b);
        ASSERT_EQ(out.size(), pcl.size());
        const size_t first = out.find(P("~)s64W")) + 6;
        // Bytes 14 and 15, the height (18, 19: 400 quarter dots become 200) and bytes 25 and 26.
        EXPECT_EQ(out.substr(first + 14, 2) + out.substr(first + 18, 2) + out.substr(first + 25, 2),
                  std::string("\x01\x15\x00\xC8\x34\x10", 6));
        const size_t second = out.find(P("~)s64W"), first) + 6;
        EXPECT_EQ(uint8_t(out[second + 18]) << 8 | uint8_t(out[second + 19]), 100);
        EXPECT_EQ(PageOf(*b, 1), out); // the page stream carries the rewritten headers too
    }
    EXPECT_EQ(RewriteFontHeader(Header(0, 200)).substr(18, 2), std::string("\0\x64", 2));
    EXPECT_EQ(RewriteFontHeader("abc"), "abc");
    EXPECT_EQ(RewriteFontHeader(std::string(20, '\0')).substr(14), std::string("\x01\x15\0\0\0\0", 6));
}

TEST(PclSoftFonts, ShortAndOversizedGlyphsAreClipped) {
    // Rows past the end of the block are blank: 4 rows declared, 1 stored.
    EXPECT_EQ(InkAfter(FontFive() + Char('C', Glyph(0, 0, 8, 4, 40, "\xFF")) + P("~(5XC")), 8);
    // A glyph block shorter than its descriptor, glyphs past the page edges, negative offsets.
    std::string hostile = FontFive() + Char('D', std::string("\x04\x00", 2)) +
                          Char('E', Glyph(-300, 255, 255, 255, 255, std::string(900, '\xFF')));
    hostile += P("~(5XDE~*p2440x3290YEEE~*p-900x-900YE");
    auto b = Rendered(hostile);
    const TPageBitmap& page = b->GetPageBitmap(false, 1, "LTR");
    EXPECT_EQ(page.Height(), 3300);
    EXPECT_GT(InkCount(page, 2400, 3000, 2450, 3300), 0);
}

TEST(PclSoftFonts, ScalableFontTextIsDrawnWithTheSystemFonts) {
    // A TrueType download (header format 15): its glyph blocks are outlines, never bitmaps.
    const std::string pcl = Download(9, Header(15)) + Char('A', std::string(40, '\x0F')) + P("~(9XAA");
    auto b = Rendered(pcl);
    EXPECT_EQ(b->PageState().CursorX, 50 + 60);
    EXPECT_TRUE(TSoftFont(Header(15)).Scalable());
    EXPECT_TRUE(TSoftFont(Header(10)).Scalable());
    EXPECT_FALSE(TSoftFont(Header(0)).Scalable());
    EXPECT_FALSE(TSoftFont(Header(20)).Scalable());
    EXPECT_FALSE(TSoftFont("").Scalable());
}
