// The page viewer's logic without a window: zoom limits, smoothing passes and the pass itself,
// coordinates, annotation boxes, page conversion and rendering, tree navigation, go-to-page
// rules, storing annotations and saving the package.

#include "AnnotationStore.h"
#include "ImageAntialias.h"
#include "PackageFile.h"
#include "PageBitmap.h"
#include "PageNavigation.h"
#include "PageRender.h"
#include "PageThumbnail.h"
#include "Prompt.h"
#include "Quodex.h"
#include "Tesselon.h"
#include "ViewerCore.h"

#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace pg;

namespace {

// Removed with everything in it when the program ends.
std::filesystem::path TestDir() {
    static const pg::test::TTempFolder dir("pg-viewer-core");
    return dir.Path();
}

// The pass as written in the description, one byte at a time.
void ReferencePass(TRgbImage& image) {
    for (int y = 1; y < image.Height() - 1; ++y)
        for (int x = 1; x < image.Width() - 1; ++x)
            for (int c = 0; c < 3; ++c) {
                const int up = image.Row(y - 1)[x * 3 + c];
                const int down = image.Row(y + 1)[x * 3 + c];
                const int left = image.Row(y)[(x - 1) * 3 + c];
                const int right = image.Row(y)[(x + 1) * 3 + c];
                image.Row(y)[x * 3 + c] = uint8_t((up + down + left + right) / 4);
            }
}

TDocSetForm& AddForm(TDocSet& set, const std::string& name, int pages, bool deleted = false) {
    auto form = std::make_unique<TDocSetForm>(name, "DESC " + name, 1, "JOHN", "LTR", false, false, deleted);
    for (int p = 1; p <= pages; ++p)
        form->AddPage(std::make_unique<TDocSetPage>(p, "T.LSR", false, "", 0, "fill"));
    return set.AddForm(std::move(form));
}

} // namespace

TEST(ViewerCore, ZoomLimitsAndSizes) {
    EXPECT_EQ((std::array{ZoomInAllowed(79), ZoomInAllowed(80), ZoomOutAllowed(10.5), ZoomOutAllowed(10)}),
              (std::array{true, false, true, false}));
    // 2450 dots at 37 %: 906.5 rounds to the even 906; at 79 %: 1935.5 gives 1936; stretched
    // 257 halves to 128.5, the even 128; 2.5 rounds to 2.
    EXPECT_EQ((std::array{ScaledSide(2450, 37), ScaledSide(2450, 79), StretchSide(1936, kZoomInPercent),
                          StretchSide(257, kZoomOutPercent), RoundScaled(2.5), RoundScaled(37.5)}),
              (std::array{906, 1936, 3872, 128, 2, 38}));
    EXPECT_NEAR(ScaleOf(3872, 2450), 158.04, 0.01);
    EXPECT_DOUBLE_EQ(ScaleOf(1221, 3300), 37.0);
}

TEST(ViewerCore, SmoothingPassCounts) {
    // Colour: 2 for 0..19, 1 for 20..50, else 0; halves round to even. Monochrome: 1 below 40.
    const struct {
        double Scale;
        bool Mono;
        int Passes;
    } rows[] = {{0, false, 2},  {19.4, false, 2}, {19.5, false, 1}, {50.5, false, 1}, {51, false, 0},
                {-1, false, 0}, {39, true, 1},    {39.5, true, 0},  {-5, true, 1}};
    for (const auto& row : rows)
        EXPECT_EQ(CalcNumberOfTimesToAlias(row.Scale, row.Mono), row.Passes) << row.Scale << ' ' << row.Mono;
    // Default settings ("Image-Scale" 7): colour gets 2 below about 278 %, monochrome 1.
    for (double scale : {10.0, 20.0, 37.0, 100.0, 200.0, 278.0})
        EXPECT_EQ(AntiAliasPassesFor(true, 7, scale, false), 2) << scale;
    EXPECT_EQ(AntiAliasPassesFor(true, 7, 279, false), 1);
    for (double scale : {10.0, 37.0, 200.0})
        EXPECT_EQ(AntiAliasPassesFor(true, 7, scale, true), 1) << scale;
    EXPECT_EQ(AntiAliasPassesFor(false, 7, 37, false), -1);
}

TEST(ViewerCore, AntiAliasPass) {
    // One dark pixel in a 5 x 3 picture: the left neighbour already smoothed feeds the next.
    TRgbImage small(5, 3);
    small.SetPixel(2, 1, 0);
    AntiAliasPass(small);
    EXPECT_EQ(small.Pixel(1, 1), 0x00BFBFBFu); // (255 * 3 + 0) / 4 = 191
    EXPECT_EQ(small.Pixel(2, 1), 0x00EFEFEFu); // (255 * 3 + 191) / 4 = 239
    EXPECT_EQ(small.Pixel(3, 1), 0x00FBFBFBu); // (255 * 3 + 239) / 4 = 251
    EXPECT_EQ(small.Pixel(0, 1), 0x00FFFFFFu);

    // The fast paths over white areas and blank rows (3 to 7) give the same bytes as the plain
    // pass.
    TRgbImage image(61, 29);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (y >= 3 && y <= 7)
                continue;
            else if ((x * 7 + y * 13) % 23 == 0 || (x > 40 && y > 20))
                image.SetPixel(x, y, uint32_t((x * 2654435761u) ^ (y * 40503u)) & 0x00FFFFFF);
            else if (x < 30 && y > 10)
                image.SetPixel(x, y, 0x00FEFEFE); // the grey a mark leaves behind it
    TRgbImage reference = image;
    for (int pass = 0; pass < 2; ++pass) {
        AntiAliasPass(image);
        ReferencePass(reference);
    }
    EXPECT_TRUE(image == reference);

    // Tiny pictures have no inner pixels.
    TRgbImage tiny(2, 2);
    tiny.SetPixel(0, 0, 0);
    AntiAliasPass(tiny);
    EXPECT_EQ(tiny.Pixel(0, 0), 0u);
}

TEST(ViewerCore, AntialiasPictureKeepsItsBase) {
    TRgbImage base(5, 3);
    base.SetPixel(2, 1, 0);
    TAntialiasPicture picture;
    picture.SetBase(base);
    EXPECT_EQ(picture.PassCount(), 0);
    picture.AntiAliasImage(true, 2);
    EXPECT_EQ(picture.PassCount(), 2);
    EXPECT_TRUE(picture.Base() == base);
    const uint64_t generation = picture.Generation();
    // The same number of passes again is skipped.
    picture.AntiAliasImage(false, 2);
    EXPECT_EQ(picture.Generation(), generation);
    // A different number starts again from the base.
    picture.AntiAliasImage(false, 1);
    EXPECT_EQ(picture.PassCount(), 1);
    EXPECT_EQ(picture.Picture().Pixel(1, 1), 0x00BFBFBFu);
    // Smoothing switched off: only the reset.
    picture.AntiAliasImage(true, -1);
    EXPECT_EQ(picture.PassCount(), 0);
    EXPECT_TRUE(picture.Picture() == base);
    // A new base replaces the picture, also when the old one was shown unsmoothed; a page-sized
    // one too (its pixels live in a block of their own).
    TRgbImage page(2450, 4200);
    page.SetPixel(2449, 4199, 0x000000FF);
    picture.SetBase(page);
    EXPECT_TRUE(picture.Picture() == page);
    picture.AntiAliasImage(true, 1);
    EXPECT_EQ(picture.Picture().Pixel(2449, 4199), 0x000000FFu); // the outermost row stays
    EXPECT_EQ(picture.Picture().Pixel(0, 0), 0x00FFFFFFu);
}

TEST(ViewerCore, CoordinatesAndAnnotationBoxes) {
    EXPECT_EQ(ScreenToPCL({185, 555}, 37), (TPoint{450, 1350}));
    EXPECT_EQ(PCLtoScreen({450, 1350}, 37), (TPoint{185, 555}));
    EXPECT_EQ(ScreenToPCL({0, 0}, 100), (TPoint{-50, -150}));
    // 18.5 pixels high at 37 % round to the even 18.
    EXPECT_EQ((std::array{AnnotationHeightFor(37), AnnotationFontHeight(18), AnnotationHeightFor(100),
                          AnnotationFontHeight(50), WheelLineSteps(3, -120), WheelLineSteps(3, 120)}),
              (std::array{18, 16, 50, 45, 4, -4}));
    const TRect box = AnnotationBox({450, 1350}, 37, 40);
    EXPECT_EQ((std::array{box.Left, box.Top, box.Top + box.Height}), (std::array{185, 537, 555}));
    EXPECT_EQ(AnnotationPclPoint(box.Left, box.Top, box.Height, 37), (TPoint{450, 1350}));
    // A box moved by (37, 74) pixels at 37 % lands 100 and 200 dots further.
    EXPECT_EQ(AnnotationPclPoint(222, 611, 18, 37), (TPoint{550, 1550}));
}

TEST(ViewerCore, PlainFilePagingAndGotoRules) {
    // Pages wrap around: next of 1, 2, 3 of 3 and of 1 of 1; previous of 1 of 3 and 1 of 1.
    EXPECT_EQ((std::array{NextFilePage(1, 1), NextFilePage(2, 3), NextFilePage(3, 3), PrevFilePage(1, 3),
                          PrevFilePage(1, 1)}),
              (std::array{1, 3, 1, 3, 1}));
    test::ExpectEach([](const std::string& typed) { return CheckPageEdit(typed, 1, 3); },
                     {{"2", "2"}, {"7", "1"}, {"0", "1"}, {"x2", ""}});
    test::ExpectEach<int>(ReadPageEdit, {{"", 1}, {"abc", 1}, {"3", 3}});
    EXPECT_EQ(PageRangeText(1, 4), "1 to 4");
    EXPECT_EQ(PageOfText(2, 3), "2 of 3");
    EXPECT_EQ(
        (std::array{PlainFileGotoPage(TGotoChoice::First, 3, 5), PlainFileGotoPage(TGotoChoice::Last, 3, 5),
                    PlainFileGotoPage(TGotoChoice::Page, 3, 5), PlainFileGotoPage(TGotoChoice::Page, 6, 5)}),
        (std::array{1, 5, 3, 1}));

    // Left, top, width, height; 950 wide would pass the screen's right edge.
    const auto sides = [](const TWindowRect& r) { return std::array{r.Left, r.Top, r.Width, r.Height}; };
    int cascade = 0;
    EXPECT_EQ(sides(SizeTheForm(1280, 1024, 0, 0, cascade)), (std::array{340, 20, 940, 924}));
    const TWindowRect r = SizeTheForm(1280, 1024, 800, 600, cascade);
    EXPECT_EQ((std::array{r.Top, r.Width, r.Height}), (std::array{40, 800, 600}));
    cascade = 500;
    EXPECT_EQ(SizeTheForm(1280, 1024, 800, 600, cascade).Top, 0);
}

TEST(ViewerCore, PageBitmapConversionAndDump) {
    TPageBitmap bitmap(4, 3);
    const uint8_t blue = NearestPaletteIndex(0x00FF0000);
    bitmap.SetPixel(1, 1, blue);
    bitmap.SetPixel(2, 2, kPaletteBlack);
    const TRgbImage colour = ConvertPageBitmap(bitmap, true);
    EXPECT_FALSE(colour.Monochrome);
    EXPECT_EQ(colour.Pixel(1, 1), PagePalette()[blue]);
    EXPECT_EQ(colour.Pixel(1, 1) & 0x00FF0000u, 0x00FF0000u); // fill text stays blue
    EXPECT_EQ(colour.Pixel(0, 0), 0x00FFFFFFu);
    const TRgbImage mono = ConvertPageBitmap(bitmap, false);
    EXPECT_TRUE(mono.Monochrome);
    EXPECT_EQ(mono.Pixel(1, 1), 0u); // every pixel that is not white turns black
    EXPECT_EQ(mono.Pixel(2, 2), 0u);
    EXPECT_EQ(mono.Pixel(3, 0), 0x00FFFFFFu);

    const auto file = TestDir() / "FORM.bmp";
    ASSERT_TRUE(SavePageBitmap8(bitmap, file.string()));
    const std::string bmp = pg::test::ReadWholeFile(file);
    const size_t offset = 14 + 40 + 1024;
    ASSERT_EQ(bmp.size(), offset + 4 * 3); // rows of 4 bytes, already aligned
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(uint8_t(bmp[28]), 8); // bits per pixel
    // Rows bottom up: row 2 first, its pixel 2 black; row 1 (second) has the blue pixel.
    EXPECT_EQ(uint8_t(bmp[offset + 2]), kPaletteBlack);
    EXPECT_EQ(uint8_t(bmp[offset + 4 + 1]), blue);
    EXPECT_EQ(uint8_t(bmp[offset + 8]), kPaletteWhite);
}

TEST(ViewerCore, RenderingDropsPageSizeCommands) {
    THLWMemorystream stream(std::string("A\x1b&l2AB\x1b&l3AC\x1b&l26A"));
    RemovePageSizeCommands(stream);
    EXPECT_EQ(stream.View(), "ABC\x1b&l26A");

    // A letter command would make a letter bitmap; removed, the renderer's own paper rule
    // decides: without a hint that is the legal height, with "LTR" the letter height.
    THLWMemorystream letter(std::string("\x1b&l2A\x1b*p300x400YTEXT"));
    const TRgbImage page = RenderPage(letter, {});
    EXPECT_EQ(page.Width(), 2450);
    EXPECT_EQ(page.Height(), 4200);
    THLWMemorystream hinted(std::string("\x1b&l3ATEXT"));
    TRenderOptions options;
    options.PaperHint = "LTR";
    options.DumpFile = (TestDir() / "dump.bmp").string();
    EXPECT_EQ(RenderPage(hinted, options).Height(), 3300);
    EXPECT_TRUE(std::filesystem::exists(options.DumpFile));
    // A landscape page is wider than high.
    THLWMemorystream landscape(std::string("\x1b&l1OTEXT"));
    const TRgbImage wide = RenderPage(landscape, {});
    EXPECT_EQ(wide.Height(), 2550);
    EXPECT_GT(wide.Width(), wide.Height());
}

// A thumbnail is the page in small: where the page has ink the thumbnail is grey, where it has
// none it is white; a thin rule stays visible; the shape follows the paper.
TEST(ViewerCore, ThumbnailResemblesThePage) {
    std::string pcl;
    for (int line = 0; line < 12; ++line)
        pcl += "\x1b*p300x" + std::to_string(400 + 60 * line) + "YTHE BORROWER PROMISES TO PAY THE LENDER";
    pcl += "\x1b*p300x1500Y\x1b*c1800a3b0P";   // a rule three dots thick
    pcl += "\x1b*p1500x2500Y\x1b*c600a400b0P"; // a black box
    // A raster picture: 40 rows of 64 dots, every other dot black.
    pcl += "\x1b*t300R\x1b*p300x2200Y\x1b*r1A";
    for (int row = 0; row < 40; ++row)
        pcl += "\x1b*b8W" + std::string(8, '\x55');
    pcl += "\x1b*rB";
    THLWMemorystream full(pcl);
    const TPageBitmap page = RenderPageBitmap(full, "LTR");
    // Drawn small (the strip's way) and drawn at full size then shrunk.
    for (const auto render : {RenderThumbnail, RenderThumbnailFullSize}) {
        THLWMemorystream small(pcl);
        const TGreyImage thumb = render(small, kThumbnailWidth, "LTR");
        ASSERT_EQ(thumb.Width(), kThumbnailWidth);
        ASSERT_EQ(thumb.Height(), RoundScaled(3300.0 * kThumbnailWidth / 2450));

        // Each thumbnail pixel against the share of inked dots in its part of the page.
        int agree = 0, inked = 0, grey = 0;
        for (int ty = 0; ty < thumb.Height(); ++ty)
            for (int tx = 0; tx < thumb.Width(); ++tx) {
                const int x0 = tx * page.Width() / thumb.Width(),
                          x1 = (tx + 1) * page.Width() / thumb.Width();
                const int y0 = ty * page.Height() / thumb.Height(),
                          y1 = (ty + 1) * page.Height() / thumb.Height();
                int ink = 0;
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        ink += page.Pixel(x, y) != kPaletteWhite;
                const double share = double(ink) / ((x1 - x0) * (y1 - y0));
                const uint8_t p = thumb.Pixel(tx, ty);
                inked += share > 0.05;
                grey += p < 250;
                agree +=
                    (share == 0 && p >= 230) || (share > 0.05 && p < 200) || (share > 0 && share <= 0.05);
            }
        const int pixels = thumb.Width() * thumb.Height();
        EXPECT_GE(agree, pixels * 98 / 100);
        EXPECT_GT(grey, pixels / 20); // not blank
        EXPECT_NEAR(grey, inked, pixels / 50);
        // The rule (y 1500 + 150 on the bitmap) is a line across its whole width, in the thumbnail
        // row at its place or, where it straddles two rows, in one of them.
        const int ruleRow = (1500 + 150 + 1) * thumb.Height() / page.Height();
        int ruleDark = 0;
        for (int x = (300 + 50) * thumb.Width() / page.Width() + 1;
             x < (2100 + 50) * thumb.Width() / page.Width(); ++x)
            ruleDark += std::min({thumb.Pixel(x, ruleRow - 1), thumb.Pixel(x, ruleRow),
                                  thumb.Pixel(x, ruleRow + 1)}) < 215;
        EXPECT_GE(ruleDark, 1800 * thumb.Width() / page.Width() - 2);
        EXPECT_EQ(thumb.Pixel((1800 + 50) * thumb.Width() / page.Width(),
                              (2700 + 150) * thumb.Height() / page.Height()),
                  0);
        // The raster picture is half black.
        const uint8_t raster = thumb.Pixel((330 + 50) * thumb.Width() / page.Width(),
                                           (2220 + 150) * thumb.Height() / page.Height());
        EXPECT_GT(raster, 20);
        EXPECT_LT(raster, 120);
    }

    // Paper: legal without a hint, landscape wider than high; a page with nothing on it is white.
    THLWMemorystream legal(std::string("TEXT")), wide(std::string("\x1b&l1OTEXT")), blank(std::string(""));
    EXPECT_EQ(RenderThumbnail(legal, kThumbnailWidth, "").Height(),
              RoundScaled(4200.0 * kThumbnailWidth / 2450));
    EXPECT_LT(RenderThumbnail(wide, kThumbnailWidth, "").Height(), kThumbnailWidth);
    const TGreyImage white = RenderThumbnail(blank, kThumbnailWidth, "LTR");
    int dark = 0;
    for (int y = 0; y < white.Height(); ++y)
        for (int x = 0; x < white.Width(); ++x)
            dark += white.Pixel(x, y) != 255;
    EXPECT_EQ(dark, 0);

    // The cache keeps one picture per source and page.
    TThumbnailCache cache;
    int formA = 0, formB = 0;
    cache.Store(&formA, 2, white);
    cache.Store(&formB, 2, TGreyImage(3, 4));
    ASSERT_NE(cache.Find(&formA, 2), nullptr);
    EXPECT_EQ(cache.Find(&formA, 2)->Height(), white.Height());
    EXPECT_EQ(cache.Find(&formB, 2)->Width(), 3);
    EXPECT_EQ(cache.Find(&formA, 1), nullptr);
    EXPECT_EQ(cache.Size(), 2u);
}

TEST(ViewerCore, NavigationOverTheTree) {
    TDocSet set;
    AddForm(set, "A.LSR", 1);
    AddForm(set, "B.LSR", 2);
    AddForm(set, "C.LSR", 1, true);
    AddForm(set, "D.LSR", 1);
    TDocTree tree;
    tree.Build(set, [](const std::string&) { return 0; });
    TTreeNode* root = tree.Root();
    ASSERT_EQ(root->Children.size(), 4u);
    TTreeNode* a = root->Children[0].get();
    TTreeNode* b = root->Children[1].get();
    TTreeNode* d = root->Children[3].get();
    ASSERT_EQ(b->Children.size(), 2u);
    EXPECT_EQ(NextNodeInOrder(a), b);
    EXPECT_EQ(NextNodeInOrder(b), b->Children[0].get());
    EXPECT_EQ(NextNodeInOrder(b->Children[1].get()), root->Children[2].get());
    EXPECT_EQ(PrevNodeInOrder(root->Children[2].get()), b->Children[1].get());
    EXPECT_EQ(PrevNodeInOrder(a), root);
    EXPECT_EQ(NextNodeInOrder(d), nullptr);
    EXPECT_EQ(tree.LastNode(), d);

    TRecordingPrompter prompter;
    // Next skips the multi-page form's own node and the deleted form.
    EXPECT_EQ(StepToPage(a, true, root, d), b->Children[0].get());
    EXPECT_EQ(StepToPage(b->Children[1].get(), true, root, d), d);
    EXPECT_EQ(StepToPage(d, false, root, d), b->Children[1].get());
    EXPECT_TRUE(prompter.Entries().empty());
    // Past the end: No and Cancel keep the page, Yes starts at the beginning.
    prompter.QueueAnswer(PromptAnswer::No);
    prompter.QueueAnswer(PromptAnswer::Cancel);
    prompter.QueueAnswer(PromptAnswer::Yes);
    EXPECT_EQ(StepToPage(d, true, root, d), nullptr);
    EXPECT_EQ(StepToPage(d, true, root, d), nullptr);
    EXPECT_EQ(StepToPage(d, true, root, d), a);
    prompter.QueueAnswer(PromptAnswer::Yes);
    EXPECT_EQ(StepToPage(a, false, root, d), d);
    ASSERT_EQ(prompter.Entries().size(), 4u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::YesNoCancel);
    EXPECT_EQ(prompter.Entries()[0].Text,
              "End of document list reached.  Do you wish to start at the beginning?");
    EXPECT_EQ(prompter.Entries()[3].Text,
              "Beginning of document list reached.  Do you wish to start at the end?");

    MarkViewed(*d);
    EXPECT_EQ(d->StateIndex, kImageViewed);
    d->StateIndex = 7;
    MarkViewed(*d);
    EXPECT_EQ(d->StateIndex, 7);

    // Go to page inside form B.
    TTreeNode* b1 = b->Children[0].get();
    TTreeNode* b2 = b->Children[1].get();
    EXPECT_EQ(GotoFormPage(b1, TGotoChoice::Last, 0).Node, b2);
    EXPECT_FALSE(GotoFormPage(b2, TGotoChoice::Last, 0).Load);
    EXPECT_EQ(GotoFormPage(b2, TGotoChoice::First, 0).Node, b1);
    EXPECT_EQ(GotoFormPage(b2, TGotoChoice::Page, 1).Node, b1);
    EXPECT_FALSE(GotoFormPage(b2, TGotoChoice::Page, 2).Load);
    EXPECT_FALSE(GotoFormPage(b2, TGotoChoice::Page, 0).Load);
    const TGotoResult beyond = GotoFormPage(b1, TGotoChoice::Page, 9);
    EXPECT_TRUE(beyond.Load);
    EXPECT_EQ(beyond.Node, b1); // the page shown is loaded again
}

TEST(ViewerCore, StoringAnnotations) {
    TDocSetPage page(1, "T.LSR", false, "", 0, "fill");
    page.AddAnnotation(std::make_unique<TDocSetAnnotation>());
    StoreAnnotations(page,
                     {{185, 537, "NOTE ", "jane", "01/02/2024", "10:11:12"},
                      {10, 10, "   ", "jane", "", ""},
                      {222, 611, "MOVED", "joe", "03/04/2024", "01:02:03"}},
                     18, 37);
    ASSERT_EQ(page.Annotations.size(), 2u); // the blank one is left out
    const TDocSetAnnotation &first = *page.Annotations[0], &moved = *page.Annotations[1];
    EXPECT_EQ((std::array{first.XPosition, first.YPosition, moved.XPosition, moved.YPosition}),
              (std::array{450, 1350, 550, 1550}));
    // The content untrimmed.
    EXPECT_EQ((std::array{first.Content, first.UserId, first.Date, first.Time, first.Source}),
              (std::array<std::string, 5>{"NOTE ", "jane", "01/02/2024", "10:11:12", "Client"}));

    EXPECT_EQ(AnnotationHint("jane", "01/02/2024", "10:11:12"), "Modified by: jane\n01/02/2024 at 10:11:12");
    EXPECT_EQ(AnnotationHint("jane", "", ""), "Right mouse click for options");
    TDocSet set;
    set.UserEmail = "jane@example.com";
    EXPECT_EQ(AnnotationUserName(&set), "jane@example.com");
    const TStamp stamp = StampNow();
    EXPECT_EQ((std::pair{stamp.Date.size(), stamp.Date[2]}), (std::pair{size_t(10), '/'}));
    EXPECT_EQ((std::pair{stamp.Time.size(), stamp.Time[2]}), (std::pair{size_t(8), ':'}));
}

TEST(ViewerCore, AnnotationRights) {
    TDocSet set;
    set.CanAnnotate = true;
    TAnnotationRights r = AnnotationRights(&set, false, false, true, false);
    EXPECT_TRUE(r.AddText);
    EXPECT_FALSE(r.DelText);
    EXPECT_TRUE(r.Save);
    r = AnnotationRights(&set, false, true, true, true); // Vivaform page
    EXPECT_FALSE(r.AddText || r.DelText || r.Save);
    set.CanAnnotate = false;
    r = AnnotationRights(&set, false, false, true, true);
    EXPECT_FALSE(r.AddText || r.DelText || r.Save);
    r = AnnotationRights(nullptr, true, false, false, false); // plain file
    EXPECT_TRUE(r.AddText && r.DelText && r.Save);
    EXPECT_FALSE(AnnotationRights(nullptr, false, false, true, true).AddText);
}

TEST(ViewerCore, SavingTheWholePackage) {
    TRecordingPrompter prompter;
    // A Tesselon set.
    auto tsn = std::make_unique<TTesselon>();
    tsn->CanAnnotate = true;
    AddForm(*tsn, "A.LSR", 2);
    StoreAnnotations(*tsn->Form(0).Pages[1], {{185, 537, "HELLO", "jane", "01/02/2024", "10:11:12"}}, 18, 37);
    tsn->FileName = (TestDir() / "save.tsn").string();
    tsn->Modified = true;
    ASSERT_TRUE(SaveWholePackage(*tsn));
    std::unique_ptr<TDocSet> back = LoadPackageFile(tsn->FileName);
    ASSERT_EQ(back->FormCount(), 1u);
    ASSERT_EQ(back->Form(0).Pages[1]->Annotations.size(), 1u);
    EXPECT_EQ(back->Form(0).Pages[1]->Annotations[0]->Content, "HELLO");
    EXPECT_EQ(back->Form(0).Pages[1]->Annotations[0]->XPosition, 450);
    EXPECT_EQ(back->Form(0).Pages[1]->Annotations[0]->YPosition, 1350);
    // A Quodex set is written as Quodex.
    auto qdx = std::make_unique<TQuodex>();
    qdx->WorksheetNumber = "77";
    AddForm(*qdx, "B.LSR", 1);
    StoreAnnotations(*qdx->Form(0).Pages[0], {{37, 74, "Q", "jane", "", ""}}, 18, 37);
    qdx->FileName = (TestDir() / "save.qdx").string();
    ASSERT_TRUE(SaveWholePackage(*qdx));
    back = LoadPackageFile(qdx->FileName);
    ASSERT_EQ(back->FormCount(), 1u);
    ASSERT_EQ(back->Form(0).Pages[0]->Annotations.size(), 1u);
    EXPECT_EQ(back->Form(0).Pages[0]->Annotations[0]->Content, "Q");
    EXPECT_TRUE(prompter.Entries().empty());

    // A target that cannot be replaced stays as it was and the user is told.
    const auto blocked = TestDir() / "blocked.tsn";
    std::filesystem::create_directories(blocked / "inside");
    tsn->FileName = blocked.string();
    tsn->Modified = true;
    EXPECT_FALSE(SaveWholePackage(*tsn));
    EXPECT_TRUE(std::filesystem::is_directory(blocked / "inside"));
    ASSERT_FALSE(prompter.Entries().empty());
    EXPECT_NE(prompter.Entries().back().Text.find("Error saving to"), std::string::npos);
    EXPECT_TRUE(tsn->Modified);
}

// What the zoom box makes of typed text: a percentage within the free limits, 0 for text that
// is no number; the fit of a whole page.
TEST(ViewerCore, ZoomBoxTextAndFitPage) {
    for (const auto& [text, scale] : {std::pair{"65", 65.0},
                                      {"65%", 65.0},
                                      {" 65.5 % ", 65.5},
                                      {"1e9", kMaxFreeScale},
                                      {"3", kMinFreeScale},
                                      {"", 0.0},
                                      {"0", 0.0},
                                      {"-50", 0.0},
                                      {"65,5", 0.0},
                                      {"nan", 0.0},
                                      {"fifty", 0.0}})
        EXPECT_DOUBLE_EQ(ParseZoomText(text), scale) << text;
    // A letter page in a view 600 x 500 with 2 pixels all round: the height decides.
    EXPECT_NEAR(FitPageScale(2450, 3300, 600, 500, 2), 496.0 / 3300 * 100, 1e-9);
    // A landscape page in a tall view: the width decides.
    EXPECT_NEAR(FitPageScale(4200, 2550, 600, 900, 2), 596.0 / 4200 * 100, 1e-9);
    EXPECT_DOUBLE_EQ(WheelZoomScale(100, 120), 125.0);
    EXPECT_DOUBLE_EQ(WheelZoomScale(100, -120), 80.0);
    EXPECT_DOUBLE_EQ(WheelZoomScale(390, 240), kMaxFreeScale);
}
