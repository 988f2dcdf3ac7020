// Page documents: the PCL kinds tell each page's size, paper, orientation and duplex as drawing
// it finds them, a page copied out draws as the original does, a job's fill colour decides its
// ink, and loose files open through the registered kinds, a picture keeping its colours on the
// picture device and turning black and white on every other.

#include "PackageFile.h"
#include "PageBitmapDevice.h"
#include "PageDocument.h"
#include "PclPageDocuments.h"
#include "PclTestUtil.h"
#include "PictureDevice.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace pg;
using namespace pg::test;

namespace {

using TUse = TPclFileDocument::TUse;

auto FactsTuple(const TPageFacts& f) {
    return std::tuple(f.Width, f.Height, f.PaperCode, f.Letter, f.Landscape, f.DuplexMode);
}

// Page `page` drawn on a page bitmap with the options; the bitmap and the facts.
std::pair<TPageBitmap, TPageFacts> Draw(TPageDocument& document, int page, const TRunOptions& options) {
    TPageBitmap bitmap(0, 0, options.PageBitmapFormat());
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    const TPageFacts facts = document.RunPage(page, device, options);
    return {std::move(bitmap), facts};
}

bool SamePixels(const TPageBitmap& a, const TPageBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

// A picture of three pixels a row and two rows: dark blue, white, light grey / black, red, white.
class TTestPicture : public TPageDocument {
public:
    int PageCount() const override { return 1; }
    TPageFacts RunPage(int, TPCLDevice& device, const TRunOptions&) override {
        device.StartPage(3, 2);
        device.DrawPicture(0, 0, {Pixels, 3, 2, 9, false});
        return {3, 2, "", true, true, -1};
    }
    TPageDocumentTraits Traits() const override { return {.Navigable = false, .Pictures = true}; }
    // Blue, green, red.
    static constexpr uint8_t Pixels[18] = {0x80, 0, 0, 255, 255, 255, 200, 200, 200,
                                           0,    0, 0, 0,   0,   255, 255, 255, 255};
};

} // namespace

TEST(PageDocument, PclPagesTellWhatDrawingThemFinds) {
    // Page 1 names letter paper and duplex; page 2 turns landscape; page 3 names neither.
    const std::string file = P("~E~&l2A~&l1SONE\f~&l1OTWO\f~&l0O~*p300x400YTHREE\f");
    struct TRow {
        const char* Name;
        TUse Use;
        int Page;
        bool Print;
        const char* Hint;
        std::tuple<int, int, std::string, bool, bool, int> Facts;
    };
    const TRow rows[] = {
        // Viewed, the letter command is gone: legal unless the hint says letter.
        {"viewed letter page", TUse::View, 1, false, "", {2450, 4200, "", false, false, 1}},
        {"viewed with letter hint", TUse::View, 1, false, "LTR", {2450, 3300, "", true, false, 1}},
        {"viewed in the print look", TUse::View, 1, true, "LGL", {2450, 4200, "", false, false, 1}},
        // A page on its own starts from the orientation the page before left.
        {"viewed landscape page", TUse::View, 2, false, "", {4200, 2550, "", false, true, -1}},
        {"viewed missing page", TUse::View, 9, false, "LTR", {2450, 3300, "", true, false, -1}},
        // In the run of the job a page keeps its letter command, and the paper stays in force;
        // duplex is told by the page that sets it.
        {"job letter page", TUse::Job, 1, true, "LGL", {2450, 3300, "LTR", true, false, 1}},
        {"job landscape page", TUse::Job, 2, true, "LGL", {3300, 2550, "LTR", true, true, -1}},
        {"job page on the letter paper in force",
         TUse::Job,
         3,
         false,
         "LGL",
         {2450, 3300, "LTR", true, false, -1}},
        {"job missing page", TUse::Job, -1, true, "LGL", {2450, 4200, "", false, false, -1}},
    };
    TPclFileDocument viewed(file, TUse::View), job(file, TUse::Job);
    EXPECT_EQ(viewed.PageCount(), 3);
    EXPECT_EQ(job.PageCount(), 3);
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TPclFileDocument& document = row.Use == TUse::View ? viewed : job;
        TRunOptions options;
        options.PrintMode = row.Print;
        options.PaperHint = row.Hint;
        const auto [bitmap, facts] = Draw(document, row.Page, options);
        EXPECT_EQ(FactsTuple(facts), row.Facts);
        EXPECT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(facts.Width, facts.Height));
        EXPECT_EQ(FactsTuple(document.PageFacts(row.Page, options)), row.Facts);
    }
    EXPECT_EQ(viewed.Input(), file);
    EXPECT_NE(viewed.PagePcl(3).find("THREE"), std::string::npos);
    EXPECT_EQ(viewed.PagePcl(4), "");
}

TEST(PageDocument, CopiedPagesDrawAsTheirDocumentDoes) {
    const std::unique_ptr<TDocSet> set =
        LoadPackageFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx");
    const TDocSetForm& form = set->Form(0);
    TPackageFormDocument forms(form);
    EXPECT_EQ(forms.Source(), &form);
    EXPECT_EQ(forms.PageCount(), form.PageCount());
    EXPECT_TRUE(forms.Traits().PackagePages);
    // A plain file whose second page starts with what the first left: a landscape page in a
    // bold Univers face.
    TPclFileDocument file(P("~E~&l1O~(s3b4148TONE\fTWO\f"), TUse::View);
    EXPECT_FALSE(file.Traits().PackagePages || file.Traits().Pictures);
    const std::pair<TPageDocument*, int> pages[] = {{&forms, 1}, {&forms, form.PageCount()}, {&file, 2}};
    for (const auto& [document, page] : pages) {
        SCOPED_TRACE(page);
        const std::unique_ptr<TPageDocument> copy = document->DetachPage(page);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->PageCount(), 1);
        for (const bool print : {false, true}) {
            TRunOptions options;
            options.PrintMode = print;
            const auto [original, facts] = Draw(*document, page, options);
            const auto [copied, copyFacts] = Draw(*copy, 1, options);
            EXPECT_GT(CountPixels(original, kAnyInk), 100);
            EXPECT_TRUE(SamePixels(original, copied)) << print;
            EXPECT_EQ(FactsTuple(facts), FactsTuple(copyFacts));
        }
    }
    EXPECT_EQ(forms.DetachPage(0), nullptr);
    EXPECT_EQ(TPclFileDocument(P("ONE\f"), TUse::Job).DetachPage(1), nullptr);
}

TEST(PageDocument, AJobsFillColourDecidesItsInk) {
    // Courier fill text at (300, 400): blue on the screen's palette bitmap, black on a
    // monochrome one; the job is split again when the colour changes, either way.
    TPclFileDocument job(P("~E~*p300x400YFILL TEXT\f"), TUse::Job);
    const uint8_t blue = NearestPaletteIndex(kDefaultFillColour);
    for (const uint32_t colour : {kDefaultFillColour, 0u, kDefaultFillColour}) {
        TRunOptions options;
        options.PrintMode = true;
        options.FillColour = colour;
        const auto [page, facts] = Draw(job, 1, options);
        SCOPED_TRACE(colour);
        EXPECT_EQ(page.Format(), colour != 0 ? TPixelFormat::Indexed8 : TPixelFormat::Mono1);
        const int ink = CountPixels(page, kAnyInk, 340, 500, 700, 600);
        EXPECT_GT(ink, 100);
        if (colour != 0) {
            EXPECT_EQ(CountPixels(page, blue, 340, 500, 700, 600), ink);
        }
    }
}

TEST(PageDocument, LooseFilesOpenThroughTheirKind) {
    const TTempFolder dir("pagellan-page-document");
    const std::string picture = dir.File("scan.pic", "picture"),
                      plain = dir.File("form.pcl", P("~EONE\fTWO\f"));
    int opened = 0;
    TPageDocumentKind kind;
    kind.Name = "test picture";
    kind.Recognises = [](const std::string& path) { return path.ends_with(".pic"); };
    kind.Open = [&opened](const std::string&, std::string&) {
        ++opened;
        return std::unique_ptr<TPageDocument>(std::make_unique<TTestPicture>());
    };
    RegisterPageDocumentKind(kind);
    std::string error;
    std::unique_ptr<TPageDocument> document = OpenPageDocument(picture, error);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(PageDocumentKindOf(picture)->Name, "test picture");
    // The picture device keeps the colours; a page bitmap gets the dark pixels in black.
    TPictureDevice colours;
    document->RunPage(1, colours, {});
    EXPECT_EQ(std::vector<uint8_t>(colours.Pixels().begin(), colours.Pixels().end()),
              std::vector<uint8_t>(std::begin(TTestPicture::Pixels), std::end(TTestPicture::Pixels)));
    EXPECT_FALSE(colours.Bilevel());
    TPageBitmap mono(0, 0, TPixelFormat::Mono1);
    TPageBitmapDevice device(mono);
    document->RunPage(1, device, {});
    std::string shades;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            shades += mono.Pixel(x, y) == kPaletteWhite ? 'w' : 'b';
    EXPECT_EQ(shades, "bwwbbw");

    // The same name registered again replaces the kind; a name no kind takes is a plain file.
    kind.Recognises = [](const std::string& path) { return path.ends_with(".pict"); };
    RegisterPageDocumentKind(kind);
    EXPECT_EQ(PageDocumentKindOf(picture), nullptr);
    document = OpenPageDocument(plain, error);
    const auto* file = dynamic_cast<TPclFileDocument*>(document.get());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Use(), TUse::View);
    EXPECT_EQ(file->PageCount(), 2);
    EXPECT_EQ(OpenPageDocument(dir.Path("missing.pcl"), error), nullptr);
    EXPECT_EQ(error, "Cannot open " + dir.Path("missing.pcl"));
}
