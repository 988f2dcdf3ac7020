// The PDF device and the PCL to PDF conversion, read back with qpdf and poppler: valid files,
// page count and sheet sizes, searchable text, the pixels of our own page bitmap, raster rows
// gathered into bands, colours.

#include "FontEngine.h"
#include "HLWStream.h"
#include "PCLParse.h"
#include "PackageJob.h"
#include "PageBitmapDevice.h"
#include "PclToPdf.h"
#include "PdfDevice.h"
#include "Prompt.h"

#include "PdfTools.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace pg {
namespace {

std::string P(std::string text) {
    for (char& c : text)
        if (c == '~')
            c = 27;
    return text;
}

std::string WritePdf(const test::TTempFolder& folder, const std::string& pcl,
                     const TPclToPdfOptions& options = {}) {
    const TPclToPdfResult result = ConvertPclToPdf(pcl, options);
    EXPECT_TRUE(result.Ok) << result.Error;
    return folder.File("out.pdf", result.Pdf);
}

struct TSheetCase {
    const char* Name;
    std::string Pcl;
    std::string Hint;
    std::vector<std::string> Sizes;
    std::vector<std::string> Words;
};

void PrintTo(const TSheetCase& c, std::ostream* os) {
    *os << c.Name;
}

class PdfSheets : public testing::TestWithParam<TSheetCase> {};

TEST_P(PdfSheets, ValidPagesOfTheirSizeWithTheirWords) {
    const TSheetCase& c = GetParam();
    test::TTempFolder folder("pdf-sheets");
    TPclToPdfOptions options;
    options.PaperHint = c.Hint;
    const std::string pdf = WritePdf(folder, c.Pcl, options);
    EXPECT_TRUE(test::QpdfAccepts(pdf));
    EXPECT_EQ(test::PdfPageSizes(pdf), c.Sizes);
    const std::string text = test::PdfText(pdf);
    for (const std::string& word : c.Words)
        EXPECT_NE(text.find(word), std::string::npos) << word << " not in: " << text;
}

const std::string kLetter = "612 x 792", kLegal = "612 x 1008", kLandscape = "792 x 612";

INSTANTIATE_TEST_SUITE_P(
    Pcl, PdfSheets,
    testing::Values(TSheetCase{"Letter", P("~E~&l2AHELLO LETTER"), "LTR", {kLetter}, {"HELLO LETTER"}},
                    TSheetCase{"Legal", P("~E~&l3ALEGAL WORDS"), "LTR", {kLegal}, {"LEGAL WORDS"}},
                    TSheetCase{"Landscape", P("~E~&l2A~&l1OWIDE WORDS"), "LTR", {kLandscape}, {"WIDE WORDS"}},
                    TSheetCase{"TwoSizes",
                               P("~E~&l2AFIRST PAGE~&l3ASECOND PAGE"),
                               "LTR",
                               {kLetter, kLegal},
                               {"FIRST PAGE", "SECOND PAGE"}},
                    TSheetCase{"NoSizeTakesTheHint", "JUST TEXT", "LGL", {kLegal}, {"JUST TEXT"}},
                    TSheetCase{"EmptyJobOneBlankPage", "", "LTR", {kLetter}, {}},
                    TSheetCase{"NothingDrawnStaysBlank", P("~E~&l3A~E"), "LGL", {kLegal}, {}},
                    // Symbol sets: the characters, also those the text's font lacks (Arial has
                    // no circled plus), so that they can be found and copied.
                    TSheetCase{"SymbolSets",
                               P("~E~&l2A~(s1p12v0s0b4148T~(19UBrand\x99 Mark\xAE ~(8M]R\xC0"),
                               "LTR",
                               {kLetter},
                               {"Brand™", "Mark®", "≠", "Σ", "⊕"}}),
    [](const testing::TestParamInfo<TSheetCase>& info) { return std::string(info.param.Name); });

// Pages that come as PDF inside the job (Vivaform pages) go into the document where they
// stood, between the PCL pages; a job of such pages alone has no blank page of its own.
TEST(PdfEmbedded, PagesGoWhereTheyStood) {
    test::TTempFolder folder("pdf-embedded");
    const std::string legal = EmbeddedPdfText(ConvertPclToPdf(P("~E~&l3AEMBEDDED LEGAL")).Pdf);
    const std::string two = EmbeddedPdfText(ConvertPclToPdf(P("~E~&l2AONE OF TWO\fTWO OF TWO")).Pdf);
    const struct {
        const char* Name;
        std::string Job;
        std::vector<std::string> Sizes;
        std::vector<std::string> Pages; // the first word of each page
    } rows[] = {
        {"between",
         P("~E~&l2AFIRST\f") + legal + "SECOND",
         {kLetter, kLegal, kLetter},
         {"FIRST", "EMBEDDED", "SECOND"}},
        {"first and last",
         legal + P("~E~&l2AMIDDLE\f") + two,
         {kLegal, kLetter, kLetter, kLetter},
         {"EMBEDDED", "MIDDLE", "ONE", "TWO"}},
        {"alone", P("~E") + two + legal + P("~E"), {kLetter, kLetter, kLegal}, {"ONE", "TWO", "EMBEDDED"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TPclToPdfResult result = ConvertPclToPdf(row.Job);
        ASSERT_TRUE(result.Ok) << result.Error;
        EXPECT_EQ(result.Pages, int(row.Sizes.size()));
        const std::string pdf = folder.File("out.pdf", result.Pdf);
        EXPECT_TRUE(test::QpdfAccepts(pdf));
        EXPECT_EQ(test::PdfPageSizes(pdf), row.Sizes);
        std::vector<std::string> firstWords;
        std::istringstream pages(test::PdfText(pdf));
        for (std::string page; std::getline(pages, page, '\f');) {
            std::istringstream words(page);
            std::string word;
            if (words >> word)
                firstWords.push_back(word);
        }
        EXPECT_EQ(firstWords, row.Pages);
    }
    // What is not an embedded page stays in the PCL as it stands.
    std::vector<TEmbeddedPdf> taken;
    const std::string cut = legal.substr(0, legal.size() - 3);
    EXPECT_EQ(TakeEmbeddedPdfs("A" + cut, taken), "A" + cut);
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(TakeEmbeddedPdfs("A" + legal + "B" + two, taken), "AB");
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].At, 1u);
    EXPECT_EQ(taken[1].At, 2u);
    EXPECT_EQ(taken[0].Pdf.rfind("%PDF-", 0), 0u);
}

// The demo package's job as the PDF conversion builds it.
std::string DemoJob() {
    TJobOptions options;
    options.Package = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
    options.Capture = true;
    return BuildJobFromOptions(options).Bytes;
}

// A page of raster graphics: a disc and a ladder of bars, 600 rows at 300 dpi, some rows
// in run-length compression.
std::string RasterPage() {
    std::string pcl = P("~E~&l2A~*p300x600Y~*t300R~*r1A");
    for (int y = 0; y < 600; ++y) {
        std::string row(100, '\0');
        for (int x = 0; x < 800; ++x) {
            const int dx = x - 300, dy = y - 300;
            const bool disc = dx * dx + dy * dy < 250 * 250;
            const bool bar = x >= 600 && (y / 20) % 2 == 0;
            if (disc || bar)
                row[size_t(x / 8)] = char(uint8_t(row[size_t(x / 8)]) | (0x80 >> (x % 8)));
        }
        pcl += P("~*b") + std::to_string(row.size()) + "W" + row;
    }
    return pcl + P("~*rB");
}

// Every pixel of the page bitmap that is not white counts as ink.
test::TInkImage InkOf(const TPageBitmap& bitmap) {
    test::TInkImage image{bitmap.Width(), bitmap.Height(), {}};
    image.Ink.resize(size_t(image.Width) * image.Height);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            image.Ink[size_t(y) * image.Width + x] = bitmap.Pixel(x, y) != kPaletteWhite;
    return image;
}

// Our page bitmap of the job's page, drawn as the converter draws it (print look, black).
test::TInkImage OurPage(const std::string& pcl, int page) {
    TPCLBuffer buffer;
    buffer.SetFillColor(0);
    buffer.AppendData(pcl);
    buffer.Parse();
    TPageBitmap bitmap(0, 0, TPixelFormat::Indexed8);
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    buffer.RenderPage(device, page, true, "LGL");
    return InkOf(bitmap);
}

// A landscape letter page: lines of text in the three families at several sizes, a box of
// rules and a grey bar across the long side.
std::string LandscapePage() {
    std::string pcl = P("~E~&l2A~&l1O");
    const char* fonts[] = {"~(s1p12v0s0b16901T", "~(s1p10v0s3b16602T", "~(s0p10h12v0s0b4099T"};
    for (int line = 0; line < 12; ++line)
        pcl += P("~*p150x") + std::to_string(150 + line * 120) + "Y" + P(fonts[line % 3]) +
               "LANDSCAPE line " + std::to_string(line) +
               ": the quick brown fox jumps over the lazy dog 0123456789";
    return pcl + P("~*p100x1700Y~*c3000a6b0P~*p100x1800Y~*c3000a40b30g2P~*p3094x100Y~*c6a1700b0P");
}

TEST(PdfPixels, PopplerDrawsWhatOurBitmapShows) {
    test::TTempFolder folder("pdf-pixels");
    const std::string demo = DemoJob();
    const std::string demoPdf = WritePdf(folder, demo, {"LGL", false});
    const std::string rasterPdf = folder.File("raster.pdf", ConvertPclToPdf(RasterPage()).Pdf);
    const std::string landscapePdf = folder.File("landscape.pdf", ConvertPclToPdf(LandscapePage()).Pdf);
    struct TCase {
        const char* Name;
        std::string Pcl, Pdf;
        int Page;
        size_t Width, Height;
    } cases[] = {{"text form", demo, demoPdf, 1, 2550, 3300},
                 {"legal form", demo, demoPdf, 3, 2550, 4200},
                 {"raster page", RasterPage(), rasterPdf, 1, 2550, 3300},
                 {"landscape page", LandscapePage(), landscapePdf, 1, 3300, 2550}};
    for (const TCase& c : cases) {
        const test::TInkImage ours = OurPage(c.Pcl, c.Page);
        const test::TInkImage poppler = test::PopplerPage(c.Pdf, c.Page);
        EXPECT_EQ(size_t(poppler.Width), c.Width) << c.Name;
        EXPECT_EQ(size_t(poppler.Height), c.Height) << c.Name;
        EXPECT_EQ(ours.Width > ours.Height, poppler.Width > poppler.Height) << c.Name;
        EXPECT_GT(std::count(poppler.Ink.begin(), poppler.Ink.end(), true), 20000) << c.Name;
        EXPECT_GE(test::InkCovered(ours, poppler, 2), 0.97) << c.Name;
        // A shading is a real grey in the PDF, which poppler dithers in a pattern of its own;
        // the dots of our page's halftone lie up to four pixels apart.
        EXPECT_GE(test::InkCovered(poppler, ours, 4), 0.97) << c.Name;
    }
}

TEST(PdfDevice, RasterRowsAndGlyphsBecomeFewImages) {
    test::TTempFolder folder("pdf-bands");
    const std::string pdf = folder.File("raster.pdf", ConvertPclToPdf(RasterPage()).Pdf);
    const test::TCommandRun images = test::RunCommand("pdfimages -list \"" + pdf + "\" | tail -n +3 | wc -l");
    EXPECT_EQ(std::stoi(images.Out), 1);
    EXPECT_LT(std::filesystem::file_size(pdf), 12000u);
}

// The tables of every font program embedded in a PDF written out by qpdf --qdf (streams
// uncompressed): four-letter tags, one list per font.
std::vector<std::vector<std::string>> EmbeddedFontTables(const std::string& qdf) {
    std::vector<std::vector<std::string>> fonts;
    for (size_t at = qdf.find("/Length1 "); at != std::string::npos; at = qdf.find("/Length1 ", at + 1)) {
        const size_t data = qdf.find("stream\n", at) + 7;
        const auto u16 = [&](size_t p) {
            return size_t(uint8_t(qdf[data + p])) << 8 | uint8_t(qdf[data + p + 1]);
        };
        std::vector<std::string>& tags = fonts.emplace_back();
        for (size_t i = 0; i < u16(4); ++i)
            tags.push_back(qdf.substr(data + 12 + 16 * i, 4));
    }
    return fonts;
}

TEST(PdfDevice, DemoIsCompactTextWithoutGlyphCorrectionsFontsWithoutHinting) {
    test::TTempFolder folder("pdf-compact");
    const std::string pdf = WritePdf(folder, DemoJob(), {"LGL", false});
    EXPECT_LE(std::filesystem::file_size(pdf), 100u * 1024);
    EXPECT_NE(test::ReadWholeFile(pdf).find("/ObjStm"), std::string::npos);
    EXPECT_NE(test::PdfText(pdf).find("HARBOR POINT SAVINGS"), std::string::npos);

    const std::string qdf = folder.Path("qdf.pdf");
    ASSERT_EQ(test::RunCommand("qpdf --qdf --object-streams=disable \"" + pdf + "\" \"" + qdf + "\"").Status,
              0);
    const std::string plain = test::ReadWholeFile(qdf);
    // Characters shown and position corrections between them, over all pages' text.
    size_t shown = 0, corrections = 0;
    const std::regex string(R"(\(((?:[^()\\]|\\.)*)\))"), correction(R"(\)\s*-?[0-9.]+\s*\()");
    for (size_t at = plain.find("%% Contents for page"); at != std::string::npos;
         at = plain.find("%% Contents for page", at + 1)) {
        const size_t from = plain.find("stream\n", at), to = plain.find("endstream", from);
        const std::string content = plain.substr(from, to - from);
        for (auto it = std::sregex_iterator(content.begin(), content.end(), string);
             it != std::sregex_iterator(); ++it)
            shown += size_t((*it)[1].length());
        corrections += size_t(std::distance(std::sregex_iterator(content.begin(), content.end(), correction),
                                            std::sregex_iterator()));
    }
    EXPECT_GT(shown, 5000u);
    EXPECT_LT(corrections * 10, shown) << corrections << " corrections for " << shown << " characters";

    const auto fonts = EmbeddedFontTables(plain);
    EXPECT_GE(fonts.size(), 6u);
    for (const auto& tables : fonts) {
        EXPECT_NE(std::find(tables.begin(), tables.end(), "glyf"), tables.end());
        for (const char* hinting : {"fpgm", "prep", "cvt "})
            EXPECT_EQ(std::find(tables.begin(), tables.end(), hinting), tables.end()) << hinting;
    }
}

TEST(PdfDevice, ManySizesShareFontsPastTheBoundAndStayText) {
    test::TTempFolder folder("pdf-sizes");
    std::string pcl = P("~E~&l2A");
    for (int size = 0; size < 150; ++size)
        pcl += P("~*p100x") + std::to_string(100 + size * 20) + "Y" + P("~(s1p") +
               std::to_string(4 + size % 75) + "." + std::to_string(size / 75 * 5) + "v0s0b16901TSIZE" +
               std::to_string(size);
    const std::string pdf = WritePdf(folder, pcl);
    EXPECT_TRUE(test::QpdfAccepts(pdf));
    const std::string fonts = test::RunCommand("pdffonts \"" + pdf + "\" | tail -n +3 | wc -l").Out;
    EXPECT_GE(std::stoi(fonts), 60);
    EXPECT_LE(std::stoi(fonts), 66);
    const std::string text = test::PdfText(pdf);
    for (const char* word : {"SIZE0", "SIZE74", "SIZE149"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
}

// The first page drawn at 72 dpi: 0x00BBGGRR colours, one per point.
std::vector<uint32_t> PagePixels(const std::string& pdf) {
    const std::string ppm = test::RunCommand("pdftoppm -r 72 -f 1 -l 1 -singlefile \"" + pdf + "\"").Out;
    size_t at = 0; // after "P6\n612 792\n255\n"
    for (int lines = 0; lines < 3; ++lines)
        at = ppm.find('\n', at) + 1;
    std::vector<uint32_t> pixels;
    for (size_t p = at; p + 2 < ppm.size(); p += 3)
        pixels.push_back(uint32_t(uint8_t(ppm[p])) | uint32_t(uint8_t(ppm[p + 1])) << 8 |
                         uint32_t(uint8_t(ppm[p + 2])) << 16);
    return pixels;
}

size_t CountIn(const std::vector<uint32_t>& pixels, int left, int top, int right, int bottom,
               bool (*match)(uint32_t)) {
    size_t n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += match(pixels[size_t(y) * 612 + size_t(x)]);
    return n;
}

bool Blue(uint32_t c) {
    return (c >> 16 & 0xFF) > 200 && (c & 0xFF) < 80;
}
bool Black(uint32_t c) {
    return c == 0;
}
// A light grey as a shading prints: neither black nor white.
bool Grey(uint32_t c) {
    return (c & 0xFF) > 120 && (c & 0xFF) < 250;
}

TEST(PdfDevice, FillTextBlueWhenAskedGreyFillsGreyOverBlackRule) {
    test::TTempFolder folder("pdf-colour");
    // Courier fill text, a 72-point "W" at (156, 108) points; a grey square at (300, 108)
    // points drawn after a black rule along its top, which stays black under it.
    const std::string pcl = P("~E~&l2A~(s0p2h72v0s0b3T~*p600x300YW~*p1200x300Y~*c300a30b0P~*c300a300b20g2P");
    const std::vector<uint32_t> colour = PagePixels(WritePdf(folder, pcl, {"LTR", true}));
    const std::vector<uint32_t> mono = PagePixels(WritePdf(folder, pcl, {"LTR", false}));
    EXPECT_GT(CountIn(colour, 140, 40, 240, 120, Blue), 50u);
    EXPECT_EQ(CountIn(mono, 140, 40, 240, 120, Blue), 0u);
    EXPECT_GT(CountIn(mono, 140, 40, 240, 120, Black), 50u);
    EXPECT_EQ(CountIn(mono, 310, 130, 360, 170, Grey), 50u * 40u);
    EXPECT_EQ(CountIn(mono, 310, 109, 360, 114, Black), 50u * 5u);
}

// The print model in the PDF: a shading is a real grey (even, not dots), a cross-hatch a
// pattern fill, painted text stays text (white on black where its pattern is opaque; nothing is
// drawn where it is transparent), and no picture of the page is drawn.
TEST(PdfDevice, ShadingsAreGreysPatternsArePatternFillsTextStaysText) {
    test::TTempFolder folder("pdf-print-model");
    const std::string pcl = P("~E~&l2A~*p0x0Y~*c600a150b30g2P~*p0x300Y~*c600a150b3g3P~*p0x700Y~*c2400a100b0P"
                              "~(s1p24v0s3b4148T~*v1o1T~*p20x780YNOTICE~*v0o0T~*v1T~*p1200x780YHIDDEN~*v0T");
    const std::string pdf = WritePdf(folder, pcl, {"LTR", false});
    const std::vector<uint32_t> pixels = PagePixels(pdf);
    // Points: a page pixel (300 dpi) x is x * 72 / 300; the shading covers (12..156, 36..72).
    const auto light = [](uint32_t c) { return c == 0x00BFBFBF; };
    EXPECT_EQ(CountIn(pixels, 20, 40, 140, 68, light), 120u * 28u);
    size_t dark = 0, blank = 0;
    for (int y = 112; y < 140; ++y)
        for (int x = 20; x < 140; ++x) {
            dark += (pixels[size_t(y) * 612 + size_t(x)] & 0xFF) < 128;
            blank += (pixels[size_t(y) * 612 + size_t(x)] & 0xFF) > 200;
        }
    EXPECT_GT(dark, 200u);
    EXPECT_GT(blank, 200u);
    const auto white = [](uint32_t c) { return c == 0x00FFFFFF; };
    EXPECT_GT(CountIn(pixels, 14, 208, 120, 226, white), 100u);
    EXPECT_EQ(CountIn(pixels, 300, 208, 400, 226, white), 0u);
    EXPECT_NE(test::PdfText(pdf).find("NOTICE"), std::string::npos);
    EXPECT_EQ(test::RunCommand("pdfimages -list \"" + pdf + "\" | tail -n +3 | wc -l").Out, "0\n");
}

// HP-GL/2 fills are paths with their fill rule: a square with a square inside it, both drawn
// the same way round, keeps its hole under the even-odd rule (FP) and fills it under the
// non-zero rule (FP1), as the page bitmap shows them.
TEST(PdfDevice, HpglFillsArePathsWithTheirFillRule) {
    test::TTempFolder folder("pdf-polygons");
    // Plotter units from the frame's lower left corner, x moved on by dx.
    auto squares = [](int dx) {
        auto at = [&](int x, int y) { return std::to_string(x + dx) + "," + std::to_string(y); };
        return "PU" + at(1016, 8128) + ";PM0;PD" + at(2032, 8128) + "," + at(2032, 9144) + "," +
               at(1016, 9144) + "," + at(1016, 8128) + ";PM1;PU" + at(1270, 8382) + ";PD" + at(1778, 8382) +
               "," + at(1778, 8890) + "," + at(1270, 8890) + "," + at(1270, 8382) + ";PM2;";
    };
    const std::string pcl = P("~E~&l2A~*p0x0Y~*c7200x7200Y~*c0T~%0BIN;SP1;PA;" + squares(0) + "FP;" +
                              squares(2032) + "FP1;~%0AText");
    const std::string pdf = WritePdf(folder, pcl, {"LTR", false});
    const std::vector<uint32_t> pixels = PagePixels(pdf);
    // Page pixels / 300 * 72: the first outer square spans points 84 .. 156 across and 108 ..
    // 180 down, its hole 102 .. 138 and 126 .. 162; the second lies 144 points to the right.
    EXPECT_EQ(CountIn(pixels, 86, 110, 100, 178, Black), 14u * 68u);
    EXPECT_EQ(CountIn(pixels, 104, 128, 136, 160, Black), 0u);
    EXPECT_EQ(CountIn(pixels, 248, 128, 280, 160, Black), 32u * 32u);
    const std::string content =
        test::RunCommand("qpdf --qdf --object-streams=disable \"" + pdf + "\" - 2>/dev/null").Out;
    EXPECT_NE(content.find("f*"), std::string::npos);
    const test::TInkImage ours = OurPage(pcl, 1);
    const test::TInkImage poppler = test::PopplerPage(pdf, 1);
    EXPECT_GE(test::InkCovered(ours, poppler, 2), 0.97);
    EXPECT_GE(test::InkCovered(poppler, ours, 2), 0.97);
}

// A page that draws more than its budget keeps what fits and leaves the rest out; the user is
// told once for the whole document, and every page starts with the whole budget again.
TEST(PdfDevice, DrawingPastThePageBudgetIsLeftOutWithOneMessage) {
    TRecordingPrompter prompter;
    auto pdfOf = [](int pages, int linesPerPage) {
        TPdfDevice device;
        device.SetPageBudget(size_t(64) << 10);
        for (int page = 0; page < pages; ++page) {
            device.StartPage(2550, 3300);
            for (int i = 0; i < linesPerPage; ++i)
                device.DrawLine(100, 100 + i % 3000, 2400, 100 + i % 3000, 1, 0);
            device.FinishPage(2550, 3300);
        }
        return device.Finish();
    };
    const std::string within = pdfOf(1, 200);
    EXPECT_TRUE(prompter.Entries().empty());
    const std::string over = pdfOf(2, 200000);
    ASSERT_EQ(prompter.Texts(), std::vector<std::string>{
                                    "Too much drawing on one page; the rest of it is left out of the PDF"});
    test::TTempFolder folder("pdf-budget");
    const std::string path = folder.File("over.pdf", over);
    EXPECT_TRUE(test::QpdfAccepts(path));
    EXPECT_EQ(test::PdfPageSizes(path).size(), 2u);
    // Each page holds about as much as the budget allows: far less than its 200,000 lines,
    // and the second page as much as the first.
    const std::string text = test::RunCommand("qpdf --qdf --object-streams=disable \"" + path + "\" -").Out;
    // Level lines one pixel wide are written as thin filled rectangles.
    const auto strokes = [&](size_t from, size_t to) {
        size_t count = 0;
        for (size_t at = text.find(" re f\n", from); at < to; at = text.find(" re f\n", at + 1))
            ++count;
        return count;
    };
    const size_t secondPage = text.find("%% Contents for page 2");
    ASSERT_NE(secondPage, std::string::npos);
    const size_t first = strokes(text.find("%% Contents for page 1"), secondPage),
                 second = strokes(secondPage, std::string::npos);
    EXPECT_GT(first, 100u);
    EXPECT_LT(first, 5000u);
    EXPECT_EQ(first, second);
    EXPECT_LT(over.size(), within.size() * 50);
}

// HP-GL/2 pens and labels in the PDF: hatching, dashed and thick lines with their ends and
// joins are stroked paths (no image), a label in a PCL font is text a reader finds, and the
// stick font's strokes are paths; poppler draws what our bitmap shows.
TEST(PdfDevice, HpglPensHatchingAndLabelsAreVectorsAndText) {
    test::TTempFolder folder("pdf-hpgl");
    const std::string pcl = P("~E~%0BIN;SP1;PW0.35;FT4,100,30;PA1016,6096;RA4064,9144;EA4064,9144;"
                              "PW1.5;LA1,4,2,4;LT2,10,1;PA1016,4064;PD4064,5080,6096,4064;PU;LT;"
                              "PA1016,2032;SD1,277,2,1,4,14,7,4148;LBHatched Label\x03SS;SD;"
                              "PA1016,1016;LBStick Label\x03~%0A\f");
    const std::string pdf = WritePdf(folder, pcl, {"LGL", false});
    const std::string content =
        test::RunCommand("qpdf --qdf --object-streams=disable \"" + pdf + "\" - 2>/dev/null").Out;
    EXPECT_EQ(content.find("/Subtype /Image"), std::string::npos);
    // Stroke operators: S between blanks.
    const std::regex stroke(R"((^|\s)S(?=\s))");
    const auto strokes = size_t(
        std::distance(std::sregex_iterator(content.begin(), content.end(), stroke), std::sregex_iterator()));
    EXPECT_GE(strokes, 4u);
    // Round ends and joins for the dashed line (1 J, 1 j).
    EXPECT_NE(content.find("1 J"), std::string::npos);
    EXPECT_NE(content.find("1 j"), std::string::npos);
    const std::string text = test::PdfText(pdf);
    EXPECT_NE(text.find("Hatched Label"), std::string::npos) << text;
    const test::TInkImage ours = OurPage(pcl, 1);
    const test::TInkImage poppler = test::PopplerPage(pdf, 1);
    EXPECT_GE(test::InkCovered(ours, poppler, 2), 0.95);
    EXPECT_GE(test::InkCovered(poppler, ours, 2), 0.95);
}

} // namespace
} // namespace pg