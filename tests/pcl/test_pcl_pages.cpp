// Page splitting, the whole output, macros, and PCL written by Ghostscript.

#include "PclPageDocuments.h"
#include "PclTestUtil.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace pg;
using namespace pg::test;

TEST(PclPages, FormFeedsEndPagesAndEmptyPagesAreDropped) {
    auto b = Parsed("A\fB");
    ASSERT_EQ(b->GetPageCount(), 2);
    EXPECT_EQ(PageOf(*b, 1), "A");
    EXPECT_EQ(PageOf(*b, 2), "B");
    EXPECT_EQ(Parsed("A\f\fB")->GetPageCount(), 2);
    EXPECT_EQ(Parsed("A\f")->GetPageCount(), 1);
    EXPECT_EQ(Parsed("\f\f")->GetPageCount(), 0);
    // Commands before a form feed on an empty page go with that (dropped) page.
    auto c = Parsed(P("~&l1SA\f~*p5X\fB"));
    ASSERT_EQ(c->GetPageCount(), 2);
    EXPECT_EQ(PageOf(*c, 2), "B");
    EXPECT_EQ(OutputOf(*c), P("~&l1SA~*p5XB"));
    // The page-eject value of the paper source does not end a page.
    EXPECT_EQ(Parsed(P("A~&l0HB"))->GetPageCount(), 1);
}

TEST(PclPages, MarksWithoutTextMakeAPageButCommandsAloneDoNot) {
    EXPECT_EQ(Parsed(P("~*r1A~*b2W") + "\xff\xff" + P("~*rB\f"))->GetPageCount(), 1);
    EXPECT_EQ(Parsed(P("~*c100a100b0P"))->GetPageCount(), 1);
    EXPECT_EQ(Parsed(P("~*c100a100b0P\fText"))->GetPageCount(), 2);
    EXPECT_EQ(Parsed(P("~*c0P"))->GetPageCount(), 0);
    EXPECT_EQ(Parsed(P("~*b0W"))->GetPageCount(), 0);
    EXPECT_EQ(Parsed(P("~&l1S~*p100X~(s3B"))->GetPageCount(), 0);
    // Rendering or not makes no difference.
    EXPECT_EQ(Parsed(P("~*b1W") + "\x80", true)->GetPageCount(), 1);
}

// Drivers repeat orientation and page size: the second page-size command ends a page that has
// nothing on it yet, and the commands before it stay with the page that follows. Each page
// knows the orientation it begins in.
TEST(PclPages, RepeatedPageSizeKeepsOrientationWithThePage) {
    auto b = Parsed(P("~E~&l1O~&l2A~&l1O~&l2AOne\f~&l1O~&l2A~&l1O~&l2ATwo\f~&l0OThree"));
    ASSERT_EQ(b->GetPageCount(), 3);
    EXPECT_EQ(PageOf(*b, 1), P("~E~&l1O~&l2A~&l1O~&l2AOne"));
    EXPECT_EQ(PageOf(*b, 2), P("~&l1O~&l2A~&l1O~&l2ATwo"));
    EXPECT_EQ(b->GetPageOrientation(1), 0);
    EXPECT_EQ(b->GetPageOrientation(2), 1);
    EXPECT_EQ(b->GetPageOrientation(3), 1);
    EXPECT_EQ(b->GetPageOrientation(4), 0);
    // A page-size command after a page with content still starts the next page with itself.
    auto c = Parsed(P("~&l2AOne~&l1O~&l3ATwo"));
    EXPECT_EQ(PageOf(*c, 1), P("~&l2AOne~&l1O"));
    EXPECT_EQ(PageOf(*c, 2), P("~&l3ATwo"));
    EXPECT_EQ(c->GetPageOrientation(2), 1);
}

TEST(PclPages, PageStreamsNumberingAndResults) {
    auto b = Parsed(P("~&l1o2a0EOne\fTwo"));
    EXPECT_EQ(PageOf(*b, 1), P("~&l1O~&l2A~&l0EOne"));
    EXPECT_EQ(PageOf(*b, 0), "<none>");
    EXPECT_EQ(PageOf(*b, 3), "<none>");
    EXPECT_EQ(PageOf(*b, -2), "<none>");
    EXPECT_EQ(PageOf(*b, -1), P("~&l1o2a0EOne\fTwo"));
    EXPECT_EQ(b->GetDuplexMode(), -1);
    EXPECT_EQ(Parsed(P("~&l1SA"))->GetDuplexMode(), 1);
    // The whole output gathers every parse run: a rendered page is appended again, after
    // the output was handed out at position 0.
    auto w = Parsed("A\fB");
    EXPECT_EQ(w->GetOutput().Position(), 0u);
    EXPECT_EQ(OutputOf(*w), "AB");
    w->GetPageBitmap(false, 1, "");
    EXPECT_EQ(OutputOf(*w), "ABA");
    EXPECT_EQ(w->GetPageCount(), 2);
    // Rendering a page stream does not add pages.
    w->GetPageBitmap(false, 2, "");
    EXPECT_EQ(w->GetPageCount(), 2);
    EXPECT_EQ(OutputOf(*w), "ABAB");
}

// A printer reset or a universal exit ends a page with marks on it (text, rules, raster,
// HP-GL/2) as a printer ejects it, and begins the next page; on an unmarked page it ends
// nothing. Page streams, the whole output, pages stood on their own and the first page drawn
// while parsing all agree. A package page is one page whatever resets its parts hold.
TEST(PclPages, ResetsAndUniversalExitsEndMarkedPages) {
    const std::string uel = P("~%-12345X");
    const struct {
        const char* Name;
        std::string Pcl;
        std::vector<std::string> Pages;
    } cases[] = {
        {"text", P("~EHello~E"), {P("~EHello")}},
        {"two pages", P("~EHello~E~EWorld~E"), {P("~EHello"), P("~E~EWorld")}},
        {"rule", P("~*c10a10b0P~EText"), {P("~*c10A~*c10B~*c0P"), P("~EText")}},
        {"raster", P("~*r1A~*b1W\xff~*rB~E~E"), {P("~*r1A~*b1W\xff~*rB")}},
        {"plot", P("~%0BIN;PD100,100;~%0A~E"), {P("~%0BIN;PD100,100;~%0A")}},
        {"universal exit", P("~EText") + uel + "@PJL EOJ\r\n" + uel, {P("~EText")}},
        {"form feed first", P("One\f~ETwo~E\f"), {"One", P("~ETwo")}},
        {"reset inside a macro", P("~&f1Y~&f0XA~EB~&f1X~&f2XC"), {P("~&f1Y~&f0XA~EB~&f1X~&f2XC")}},
        {"nothing marked", P("~E~*c0P~E~&l1O~E"), {}},
    };
    for (const auto& c : cases) {
        auto b = Parsed(c.Pcl);
        ASSERT_EQ(b->GetPageCount(), int(c.Pages.size())) << c.Name;
        for (size_t i = 0; i < c.Pages.size(); ++i) {
            EXPECT_EQ(PageOf(*b, int(i + 1)), c.Pages[i]) << c.Name << " page " << i + 1;
            // Split: each page ends with itself, so standing alone it is one page again.
            EXPECT_EQ(Parsed(b->StandalonePage(int(i + 1)))->GetPageCount(), 1) << c.Name;
        }
        // Re-emission keeps the resets, which end the pages on a printer: no form feed added.
        TBitmapPcl reemit;
        reemit.SetKeepPageEjects(true);
        reemit.AppendData(c.Pcl);
        reemit.Parse(false);
        EXPECT_EQ(OutputOf(reemit).find('\f'), c.Pcl.find("\f") == std::string::npos ? std::string::npos : 3u)
            << c.Name;
    }
    // Drawing while parsing stops where the reset ends the first page.
    auto drawn = Parsed(P("~E~*p0x0Y~*c10a10b0P~E~*p0x500Y~*c10a10b0P"), true);
    const TPageBitmap& first = drawn->GetPageBitmap(false, 1, "LTR");
    EXPECT_EQ(CountPixels(first, kAnyInk, 50, 150, 60, 160), 100);
    EXPECT_EQ(CountPixels(first, kAnyInk), 100);
    EXPECT_EQ(CountPixels(drawn->GetPageBitmap(false, 2, "LTR"), kAnyInk, 50, 650, 60, 660), 100);
    // A package page: fill and template each begin with a reset, and both are drawn on one page.
    TDocSetForm form("F.FRM", "Form", 1, "Borrower", "LTR", false, false, false);
    auto page = std::make_unique<TDocSetPage>(1, "", false, "", 0, P("~E~*p0x0Y~*c10a10b0P"));
    page->TemplateData.AppendText(P("~E~*p0x500Y~*c10a10b0P~E"));
    form.AddPage(std::move(page));
    TPackageFormDocument package(form);
    TPageBitmap bitmap(0, 0);
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    for (const bool print : {false, true}) {
        TRunOptions options;
        options.PrintMode = print;
        package.RunPage(1, device, options);
        EXPECT_EQ(CountPixels(bitmap, kAnyInk), 200) << print;
        package.DetachPage(1)->RunPage(1, device, options);
        EXPECT_EQ(CountPixels(bitmap, kAnyInk), 200) << print;
    }
}

TEST(PclMacros, DefineExecuteDeleteAndReset) {
    // Without rendering the recording holds the commands only; the expansion follows the
    // execute command in the whole output but not in the page stream.
    auto b = Parsed(P("~&f1Y~&f0XHello~&f1X~&f2X"));
    EXPECT_TRUE(b->HasMacro(1));
    EXPECT_EQ(OutputOf(*b), P("~&f1Y~&f0XHello~&f1X~&f2X~&f1X"));
    EXPECT_EQ(PageOf(*b, 1), P("~&f1Y~&f0XHello~&f1X~&f2X"));
    // While rendering, text is recorded too, and counts as content by the execution.
    auto r = Parsed(P("~&f1Y~&f0XHello~&f1X~&f2X"), true);
    EXPECT_EQ(OutputOf(*r), P("~&f1Y~&f0XHello~&f1X~&f2XHello~&f1X"));
    EXPECT_EQ(r->GetPageCount(), 1);
    // A definition alone is not content.
    EXPECT_EQ(Parsed(P("~&f1Y~&f0XHello~&f1X"))->GetPageCount(), 0);
    // An unknown macro does nothing.
    EXPECT_EQ(Parsed(P("~&f3Y~&f2X"))->GetPageCount(), 0);
    // A second definition replaces the first.
    auto twice = Parsed(P("~&f1Y~&f0X~*p1X~&f1X~&f0X~*p2X~&f1X~&f2X"));
    EXPECT_EQ(twice->PageState().CursorX, 2);
    // Deleting macro 3 leaves macro 2.
    auto del = Parsed(P("~&f2Y~&f0X~&f1X~&f3Y~&f8X"));
    EXPECT_TRUE(del->HasMacro(2));
    EXPECT_FALSE(Parsed(P("~&f2Y~&f0X~&f1X~&f8X"))->HasMacro(2));
    // The printer reset frees them all.
    EXPECT_FALSE(Parsed(P("~&f2Y~&f0X~&f1X~E"))->HasMacro(2));
    // The markers the containers use define and delete a macro.
    auto marked = Parsed(MacroBegin(10000) + "<xml/>" + MacroEnd(10000));
    EXPECT_FALSE(marked->HasMacro(10000));
    EXPECT_FALSE(marked->IsDefiningMacro());
}

TEST(PclMacros, NestingIsBoundedAndExpansionCannotExplode) {
    // Macro 1 calls itself: the calls stop at the nesting limit.
    auto self = Parsed(P("~&f1Y~&f0X~&f2X~&f1X~&f2X"));
    EXPECT_EQ(OutputOf(*self), P("~&f1Y~&f0X~&f2X~&f1X~&f2X") + P("~&f2X") + P("~&f2X~&f1X") + P("~&f1X"));
    // Two macros calling each other.
    auto pair = Parsed(P("~&f1Y~&f0X~&f2Y~&f2X~&f1X~&f2Y~&f0X~&f1Y~&f2X~&f1X~&f2X"));
    EXPECT_LT(pair->GetOutput().Size(), 1000u);
    // A large macro executed very often: the output stays a small multiple of the input.
    std::string pcl = P("~&f1Y~&f0X~*c10000W") + std::string(10000, 'x') + P("~&f1X");
    for (int i = 0; i < 100000; ++i)
        pcl += P("~&f2X");
    auto big = Parsed(pcl);
    EXPECT_LT(big->GetOutput().Size(), 20 * pcl.size());
    EXPECT_GT(big->GetOutput().Size(), 2 * pcl.size());
}

TEST(PclFonts, HeadersAreRewrittenAndFontsKeptWhileRendering) {
    std::string header(64, '\0');
    header[18] = 0;
    header[19] = char(200);
    const std::string glyph(20, '\x01');
    const std::string pcl = P("~*c5D~)s64W") + header + P("~*c65E~(s20W") + glyph + "A";
    auto b = Parsed(pcl, true);
    std::string expected = header;
    expected[14] = 1;
    expected[15] = 21;
    expected[19] = char(100);
    expected[25] = 52;
    expected[26] = 16;
    EXPECT_EQ(OutputOf(*b), P("~*c5D~)s64W") + expected + P("~*c65E~(s20W") + glyph + "A");
    // The font stays after the parse: later pages of a stream use it as on a printer.
    EXPECT_EQ(b->SoftFontCount(), 1u);
    // A short header keeps its length; fields beyond it are left out.
    EXPECT_EQ(RewriteFontHeader(std::string(16, '\0')), std::string(14, '\0') + "\x01\x15");
    TSoftFont font("h");
    // A later download of a code replaces the earlier one; the blocks are kept as they came.
    const std::string first("\x04\x00first", 7), second("\x04\x00second", 8), lower("\x04\x00lower", 7);
    font.StoreGlyph('A', first);
    font.StoreGlyph('A', second);
    font.StoreGlyph('a', lower);
    EXPECT_EQ(font.FindGlyph('A')->Blocks, std::vector<std::string>{second});
    EXPECT_EQ(font.FindGlyph('a')->Blocks, std::vector<std::string>{lower});
    EXPECT_EQ(font.FindGlyph('B'), nullptr);
}

TEST(PclGhostscript, CountsThePagesOfLaserPrinterOutput) {
    if (std::system("gs --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "Ghostscript is not installed";
    const TTempFolder dir("pcl_gs");
    const std::string ps =
        dir.File("in.ps", "%!PS\n/Helvetica findfont 24 scalefont setfont\n"
                          "72 700 moveto (Page one) show\n72 72 200 100 rectfill showpage\n"
                          "72 700 moveto (Page two) show\n"
                          "300 300 moveto 400 400 lineto stroke showpage\n");
    const std::string gs =
        "gs -q -dNOPAUSE -dBATCH -sDEVICE=ljet2p -r300 -sOutputFile=" + dir.Path("out.pcl") + " " + ps +
        " > /dev/null 2>&1";
    ASSERT_EQ(std::system(gs.c_str()), 0);
    TBitmapPcl b;
    b.LoadFromFile(dir.Path("out.pcl"));
    b.Parse();
    EXPECT_EQ(b.GetPageCount(), 2);
    // The pages are raster images only: no printable text byte reaches the scanner.
    EXPECT_EQ(b.GetPageStream(1)->View().substr(0, 2), P("~E"));
    // Re-emission drops the form feeds that end pages and splits combined sequences.
    EXPECT_GE(b.GetOutput().Size() + 3, b.GetPageStream(-1)->Size());
}
