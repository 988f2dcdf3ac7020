// Printer files told apart by their language, and PCL XL drawn: streams written here, checked
// against pictures the reference interpreter drew of the same streams (data/pclxl), PCL XL that
// Ghostscript's printer devices write checked against Ghostscript's own rendering, and streams
// that break the rules read within bounds.

#include "FontEngine.h"
#include "PageBitmapDevice.h"
#include "PbmFile.h"
#include "PclXlDocument.h"
#include "PclXlImage.h"
#include "PclXlSamples.h"
#include "PclXlTrueType.h"
#include "PrinterJobDocument.h"
#include "PrinterLanguage.h"
#include "TextDevice.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>

#include <jpeglib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace pg;
using namespace pg::test;
namespace fs = std::filesystem;

namespace {

// ---- Languages -----------------------------------------------------------------------------

struct TLanguageRow {
    std::string Name;
    std::string Bytes;
    // The languages of the segments, in order, as named.
    std::vector<std::string> Languages;
    std::string Refusal;
    friend void PrintTo(const TLanguageRow& row, std::ostream* out) { *out << row.Name; }
};

const std::string kUel = "\x1b%-12345X";
const std::string kXlHeader = ") HP-PCL XL;2;0;Comment\n";

std::vector<TLanguageRow> LanguageRows() {
    const std::string ps = "This file is PostScript; Pagellan shows PCL 5 and PCL XL";
    return {
        {"PlainPcl5",
         "\x1b"
         "E\x1b&l0OHello\f",
         {"PCL 5"},
         ""},
        {"TextIsPcl5", "Just text\r\n", {"PCL 5"}, ""},
        {"XlHeaderAtStart", kXlHeader + "\x41", {"PCL XL"}, ""},
        {"XlBigEndianHeader", "( HP-PCL XL;2;0\n\x41", {"PCL XL"}, ""},
        {"XlAfterPjl",
         kUel + "@PJL SET RESOLUTION=600\n@PJL ENTER LANGUAGE = PCLXL\n\r\n" + kXlHeader + kUel,
         {"PCL XL"},
         ""},
        {"XlNamedInLowerCase", kUel + "@pjl enter language=pclxl\r\n" + kXlHeader, {"PCL XL"}, ""},
        {"PostScript", "%!PS-Adobe-3.0\n/x 1 def\nshowpage\n", {"PostScript"}, ps},
        {"PostScriptAfterCtrlD", "\x04%!PS\nshowpage\n", {"PostScript"}, ps},
        {"PostScriptNamedByPjl",
         kUel + "@PJL ENTER LANGUAGE=POSTSCRIPT\nshowpage\n" + kUel,
         {"PostScript"},
         ps},
        {"Pdf", "%PDF-1.4\n1 0 obj\n", {"PDF"}, "This file is PDF; Pagellan shows PCL 5 and PCL XL"},
        {"PdfAfterPjl",
         kUel + "@PJL ENTER LANGUAGE=PDF\n%PDF-1.7\n",
         {"PDF"},
         "This file is PDF; Pagellan shows PCL 5 and PCL XL"},
        {"UnknownLanguage",
         kUel + "@PJL ENTER LANGUAGE=ZJS\n\x01\x02",
         {"ZJS"},
         "This file is ZJS; Pagellan shows PCL 5 and PCL XL"},
        {"Pcl5NamedByPjlStaysWhole",
         kUel +
             "@PJL ENTER LANGUAGE=PCL\n\x1b"
             "EText\f" +
             kUel + "@PJL EOJ\n" + kUel,
         {"PCL 5"},
         ""},
        {"JobCutAtEachLanguage",
         kUel +
             "@PJL ENTER LANGUAGE=PCL\n\x1b"
             "EOne\f" +
             kUel + "@PJL ENTER LANGUAGE=PCLXL\n" + kXlHeader + "\x41" + kUel +
             "@PJL ENTER LANGUAGE=PCL\n\x1b"
             "ETwo\f" +
             kUel,
         {"PCL 5", "PCL XL", "PCL 5"},
         ""},
        {"JobWithPostScriptIsRefused",
         kUel + "@PJL ENTER LANGUAGE=PCLXL\n" + kXlHeader + kUel + "@PJL ENTER LANGUAGE=POSTSCRIPT\n%!PS\n",
         {"PCL XL", "PostScript"},
         ps},
    };
}

class PrinterLanguageTest : public testing::TestWithParam<TLanguageRow> {};

TEST_P(PrinterLanguageTest, SegmentsAndRefusal) {
    const TLanguageRow& row = GetParam();
    const std::vector<TLanguageSegment> segments = SplitPrinterLanguages(row.Bytes);
    std::vector<std::string> names;
    for (const TLanguageSegment& s : segments) {
        names.push_back(PrinterLanguageName(s));
        EXPECT_LE(s.Offset + s.Length, row.Bytes.size());
        // No segment holds the universal exit or job control that announced it.
        EXPECT_FALSE(row.Bytes.substr(s.Offset, s.Length).starts_with("@PJL")) << s.Offset;
    }
    EXPECT_EQ(names, row.Languages);
    EXPECT_EQ(UndrawnLanguageMessage(segments), row.Refusal);
    // A file in PCL 5 alone is read whole, exactly as it stands.
    if (row.Languages == std::vector<std::string>{"PCL 5"}) {
        EXPECT_EQ(segments[0].Length, row.Bytes.size());
    }
    // A PDF goes to the PDF reader, other undrawn languages are refused, the rest drawn.
    const TLooseFileRoute route = RouteLooseFile(row.Bytes);
    const auto expected = row.Languages == std::vector<std::string>{"PDF"} ? TLooseFileRoute::TKind::PdfReader
                          : row.Refusal.empty()                            ? TLooseFileRoute::TKind::Draw
                                                                           : TLooseFileRoute::TKind::Refuse;
    EXPECT_EQ(route.Kind, expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, PrinterLanguageTest, testing::ValuesIn(LanguageRows()),
                         [](const auto& info) { return info.param.Name; });

// A job that switches languages is one document of all its pages, in order.
TEST(PrinterJob, MixedJobHasEveryPageInOrder) {
    TXlWriter xl;
    xl.BeginSessionAndPage(1).EndPageAndSession();
    const std::string job = kUel +
                            "@PJL ENTER LANGUAGE=PCL\n\x1b"
                            "EOne\fTwo\f" +
                            kUel + "@PJL ENTER LANGUAGE=PCLXL\n\r\n" + xl.Bytes() + kUel + "@PJL EOJ\n" +
                            kUel;
    const auto document = OpenPrinterJob(job, TPclFileDocument::TUse::View);
    ASSERT_EQ(document->PageCount(), 3);
    EXPECT_FALSE(document->PageFacts(2).Landscape);
    EXPECT_TRUE(document->PageFacts(3).Landscape);
    EXPECT_EQ(document->PageFacts(3).Width, 3300);
    EXPECT_THROW(OpenPrinterJob("%!PS\n", TPclFileDocument::TUse::View), TUndrawnLanguage);
}

// ---- Drawing -------------------------------------------------------------------------------

TPageBitmap Render(TPageDocument& document, int page) {
    TPageBitmap bitmap(0, 0, TPixelFormat::Mono1);
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    TRunOptions options;
    options.FillColour = 0;
    document.RunPage(page, device, options);
    return bitmap;
}

TBlackMap BlackOf(const TPageBitmap& page) {
    TBlackMap map{page.Width(), page.Height(), {}};
    map.Black.resize(size_t(map.Width) * size_t(map.Height));
    for (int y = 0; y < map.Height; ++y)
        for (int x = 0; x < map.Width; ++x)
            map.Black[size_t(y) * size_t(map.Width) + size_t(x)] = page.Pixel(x, y) != kPaletteWhite;
    return map;
}

TBlackMap ReadPngMap(const fs::path& file) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, file.c_str()))
        return {};
    png.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> grey(PNG_IMAGE_SIZE(png));
    const bool ok = png_image_finish_read(&png, nullptr, grey.data(), 0, nullptr) != 0;
    TBlackMap map{int(png.width), int(png.height), {}};
    png_image_free(&png);
    if (!ok)
        return {};
    for (uint8_t g : grey)
        map.Black.push_back(g < 128);
    return map;
}

void WritePbm(const TBlackMap& map, const fs::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << "P4\n" << map.Width << " " << map.Height << "\n";
    const size_t stride = (size_t(map.Width) + 7) / 8;
    for (int y = 0; y < map.Height; ++y) {
        std::string row(stride, '\0');
        for (int x = 0; x < map.Width; ++x)
            if (map.At(x, y))
                row[size_t(x) / 8] |= char(0x80 >> (x % 8));
        out << row;
    }
}

// The share of inked 8 x 8 cells whose ink coverage differs by more than a quarter: tolerant
// of the shapes of letters, strict on missing or added marks.
double CellDisagreement(const TBlackMap& ours, const TBlackMap& reference) {
    constexpr int kCell = 8;
    long inked = 0, differ = 0;
    for (int cy = 0; cy + kCell <= reference.Height; cy += kCell)
        for (int cx = 0; cx + kCell <= reference.Width; cx += kCell) {
            int a = 0, b = 0;
            for (int y = cy; y < cy + kCell; ++y)
                for (int x = cx; x < cx + kCell; ++x) {
                    a += ours.At(x, y);
                    b += reference.At(x, y);
                }
            const double ca = a / 64.0, cb = b / 64.0;
            if (ca > 0.05 || cb > 0.05) {
                ++inked;
                differ += std::abs(ca - cb) > 0.25;
            }
        }
    return inked ? double(differ) / double(inked) : 0.0;
}

// A folder under the test temporary folder that outlives the test, for a look at failures.
fs::path KeptFolder(const std::string& name) {
    const fs::path dir = fs::path(testing::TempDir()) / name;
    fs::create_directories(dir);
    return dir;
}

struct TDrawRow {
    std::string Name;
    std::function<std::string(bool)> Stream;
    int Page = 1;
    int Width = 2550, Height = 3300;
    friend void PrintTo(const TDrawRow& row, std::ostream* out) { *out << row.Name << " page " << row.Page; }
};

class PclXlDrawTest : public testing::TestWithParam<TDrawRow> {};

// Each page agrees with the reference picture within 2% of its inked cells, and reads the same
// written low byte first or high byte first.
TEST_P(PclXlDrawTest, AgreesWithTheReference) {
    const TDrawRow& row = GetParam();
    const fs::path dir = KeptFolder("pclxl_draw");
    const std::string stream = row.Stream(false);
    if (stream.empty())
        GTEST_SKIP() << "the font for " << row.Name << " is not installed";
    std::ofstream(dir / (row.Name + ".pxl"), std::ios::binary) << stream;
    TPclXlDocument little(stream);
    TPclXlDocument big(row.Stream(true));
    ASSERT_GE(little.PageCount(), row.Page);
    const TBlackMap ours = BlackOf(Render(little, row.Page));
    EXPECT_EQ(ours.Width, row.Width);
    EXPECT_EQ(ours.Height, row.Height);
    EXPECT_EQ(BlackOf(Render(big, row.Page)).Black, ours.Black) << "high byte first";
    const std::string name = row.Name + "-" + std::to_string(row.Page);
    const TBlackMap reference =
        ReadPngMap(fs::path(PAGELLAN_SOURCE_DIR) / "tests/pcl/data/pclxl" / (name + ".png"));
    ASSERT_GT(reference.Width, 0) << "no reference picture " << name;
    const double disagree = CellDisagreement(ours, reference);
    std::cout << name << ": " << 100 * disagree << "% of inked cells disagree\n";
    EXPECT_LE(disagree, 0.02);
    if (disagree > 0.02)
        WritePbm(ours, dir / (name + "-ours.pbm"));
}

INSTANTIATE_TEST_SUITE_P(Pages, PclXlDrawTest,
                         testing::Values(TDrawRow{"shapes", XlShapesPage}, TDrawRow{"text", XlTextPage},
                                         TDrawRow{"images", XlImagesPage},
                                         TDrawRow{"orientation", XlOrientationPages, 1, 3300, 2550},
                                         TDrawRow{"orientation", XlOrientationPages, 2},
                                         TDrawRow{"bitmapfont", XlBitmapFontPage},
                                         TDrawRow{"truetype", XlTrueTypePage}),
                         [](const auto& info) { return info.param.Name + std::to_string(info.param.Page); });

// What a page holds as text: resident fonts by their characters (advancing by their own widths
// where the stream gives no spacing), a downloaded bitmap font by the codes of its symbol set;
// pages printed twice count twice.
TEST(PclXlText, TextDeviceReadsTheCharacters) {
    const auto text = [](const std::string& stream, int page) {
        TPclXlDocument document(stream);
        TTextDevice device(&TFontEngine::Shared());
        document.RunPage(page, device, {});
        return device.Text();
    };
    using namespace xlsample;
    TXlWriter w;
    w.BeginSessionAndPage();
    const auto line = [&](const std::string& font, int symbolSet, int y, std::string_view bytes) {
        Font(w, font, 50, symbolSet);
        Cursor(w, 150, y);
        w.UByteArray(bytes).Attr(xl::aTextData).Op(xl::kText);
    };
    line("Courier", 629, 300, "Words spaced by the font");
    line("Arial         Bd", 629, 400, "Arial bold: $123,456.78");
    line("TimesNewRmn", 277, 500, "Caf\xC5 in Roman-8");
    Font(w, "Arial", 50, 590);
    Cursor(w, 150, 600);
    w.UInt16Array({'U', 0xDC, 'n', 'i', 'c', 'o', 'd', 'e', ' ', 0x20AC, '1', '0', ' ', 0x3A9})
        .Attr(xl::aTextData)
        .Op(xl::kText);
    w.EndPageAndSession();
    EXPECT_EQ(text(w.Bytes(), 1), "Words spaced by the font\nArial bold: $123,456.78\nCaf\u00E9 in Roman-8\n"
                                  "U\u00DCnicode \u20AC10 \u03A9\n");
    EXPECT_NE(text(XlTextPage(), 1).find("Courier at twelve points"), std::string::npos);
    EXPECT_NE(text(XlBitmapFontPage(), 1).find("HIH IH"), std::string::npos);
    if (const std::string trueType = XlTrueTypePage(); !trueType.empty()) {
        EXPECT_EQ(text(trueType, 1), "TrueType Loan 2024\nLoan\n");
    }
    EXPECT_EQ(TPclXlDocument(XlOrientationPages()).PageCount(), 3);
}

// A grey picture coded as JPEG: width x height pixels, black where black(x, y) says.
std::string Jpeg(int width, int height, const std::function<bool(int, int)>& black) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = black(x, y) ? 0 : 255;
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

// A JPEG image sent as one picture, and one sent as a picture per block of rows, draw the same
// black square where the image stands.
TEST(PclXlImages, JpegPicturesDrawWhereTheImageStands) {
    using namespace xlsample;
    const auto square = [](int x, int y) { return x >= 16 && x < 48 && y >= 16 && y < 48; };
    for (const bool strips : {false, true}) {
        SCOPED_TRACE(strips ? "strips" : "one picture");
        TXlWriter w;
        w.BeginSessionAndPage();
        w.UByte(1).Attr(xl::aColorSpace).Op(xl::kSetColorSpace);
        Cursor(w, 300, 300);
        w.UByte(0).Attr(xl::aColorMapping).UByte(2).Attr(xl::aColorDepth).UInt16(64).Attr(xl::aSourceWidth);
        w.UInt16(64)
            .Attr(xl::aSourceHeight)
            .UInt16Xy(640, 640)
            .Attr(xl::aDestinationSize)
            .Op(xl::kBeginImage);
        for (int start = 0; start < 64; start += strips ? 32 : 64) {
            const int rows = strips ? 32 : 64;
            const std::string data = Jpeg(64, rows, [&](int x, int y) { return square(x, y + start); });
            w.UInt16(uint16_t(start)).Attr(xl::aStartLine).UInt16(uint16_t(rows)).Attr(xl::aBlockHeight);
            w.UByte(2).Attr(xl::aCompressMode).UInt32(uint32_t(data.size())).Attr(xl::aBlockByteLength);
            w.Op(xl::kReadImage).Data(data);
        }
        w.Op(xl::kEndImage).EndPageAndSession();
        TPclXlDocument document(w.Bytes());
        const TPageBitmap page = Render(document, 1);
        // Pixels well inside and well outside the square (300 + 10 .. 300 + 10 * 64).
        for (const auto& [x, y, black] : {std::tuple{480, 480, true},
                                          {750, 750, true},
                                          {620, 460, true},
                                          {350, 350, false},
                                          {880, 880, false},
                                          {480, 900, false}})
            EXPECT_EQ(page.Pixel(x, y) == kPaletteBlack, black) << x << "," << y;
    }
}

// ---- Ghostscript's devices -----------------------------------------------------------------

bool RunQuietly(const std::string& command) {
    return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

// Text in two faces, rules, a box, fills in black and in greys, a curve and a scaled 1-bit
// image.
const char* const kPostScriptPage = R"(%!PS
/Helvetica findfont 28 scalefont setfont
72 700 moveto (Loan Agreement 2024) show
/Times-Roman findfont 12 scalefont setfont
72 670 moveto (The borrower promises to pay the lender the amount shown below.) show
72 650 moveto (Amount: $123,456.78    Rate: 6.125%    Term: 360 months) show
72 630 moveto 540 630 lineto 2 setlinewidth stroke
72 400 468 180 rectstroke
90 420 200 20 rectfill
newpath 400 300 50 0 360 arc stroke
100 300 moveto 200 350 lineto 300 250 lineto closepath fill
0.5 setgray 100 100 moveto 200 150 lineto 300 50 lineto closepath fill
0.75 setgray 350 60 150 80 rectfill 0 setgray
gsave 300 430 translate 144 144 scale
16 16 1 [16 0 0 -16 0 16] {<f0f0f0f00f0f0f0ff0f0f0f00f0f0f0ff0f0f0f00f0f0f0ff0f0f0f00f0f0f0f
  ff00ff00ff00ff0000ff00ff00ff00ffff00ff00ff00ff0000ff00ff00ff00ff>} image
grestore
showpage
)";

// Ghostscript's PCL XL devices (bitmap fonts and images for text, paths for drawings; a page
// image run-length coded for lj5mono) draw the page as Ghostscript draws the PostScript: on a
// page of black and white, greys are dots as dense as Ghostscript's.
TEST(PclXlGhostscript, PrinterDevicesRenderLikeGhostscript) {
    if (!RunQuietly("gs --version"))
        GTEST_SKIP() << "Ghostscript is not installed";
    const fs::path dir = KeptFolder("pclxl_gs");
    std::ofstream(dir / "page.ps") << kPostScriptPage;
    const std::string gs = "gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=letter -dFIXEDMEDIA ";
    ASSERT_TRUE(RunQuietly(gs + "-r300 -sDEVICE=pbmraw -sOutputFile=" + (dir / "page.pbm").string() + " " +
                           (dir / "page.ps").string()));
    const TBlackMap reference = ReadPbm(dir / "page.pbm");
    for (const std::string device : {"pxlmono", "pxlcolor", "lj5mono"}) {
        SCOPED_TRACE(device);
        const fs::path pxl = dir / (device + ".pxl");
        ASSERT_TRUE(RunQuietly(gs + "-sDEVICE=" + device + " -sOutputFile=" + pxl.string() + " " +
                               (dir / "page.ps").string()));
        const auto document = OpenPrinterFile(pxl.string());
        ASSERT_EQ(document->PageCount(), 1);
        const TBlackMap ours = BlackOf(Render(*document, 1));
        const double disagree = CellDisagreement(ours, reference);
        std::cout << device << ": " << 100 * disagree << "% of inked cells disagree\n";
        EXPECT_LE(disagree, 0.02);
        if (disagree > 0.02)
            WritePbm(ours, dir / (device + "-ours.pbm"));
    }
}

// ---- Bad input -----------------------------------------------------------------------------

// A stream cut anywhere, and streams that lie, are read within bounds: no crash, and what
// can be drawn is drawn.
TEST(PclXlBadInput, TruncatedAndLyingStreamsStayWithinBounds) {
    for (const std::string& stream : {XlShapesPage(), XlTextPage(), XlImagesPage(), XlBitmapFontPage()})
        for (size_t cut = 0; cut < stream.size(); cut += 37) {
            TPclXlDocument document(stream.substr(0, cut));
            ASSERT_LE(document.PageCount(), 1);
            if (document.PageCount() == 1) {
                EXPECT_EQ(Render(document, 1).Width(), 2550);
            }
        }
    using namespace xlsample;
    const auto page = [](const std::function<void(TXlWriter&)>& body) {
        TXlWriter w;
        w.BeginSessionAndPage();
        body(w);
        w.EndPageAndSession();
        return TPclXlDocument(w.Bytes());
    };
    // An array that claims more elements than the stream holds ends the reading; the page
    // begun before it still counts.
    TPclXlDocument huge = page([](TXlWriter& w) { w.Raw(std::string("\xC8\xC2\xFF\xFF\xFF\x7F", 6)); });
    EXPECT_EQ(huge.PageCount(), 1);
    // Attributes of the wrong shape and type read as what they hold; unknown operators and
    // attributes are passed over; a black box follows them.
    TPclXlDocument odd = page([](TXlWriter& w) {
        w.UByte(7).Attr(aBoundingBox).Op(kRectangle);
        w.Real32(1e30f).Attr(200).Op(0x8A).Op(0x45);
        w.UByte(0).Attr(aGrayLevel).Op(kSetBrushSource);
        Box(w, 100, 100, 200, 200);
        w.Op(kRectangle);
    });
    ASSERT_EQ(odd.PageCount(), 1);
    const TPageBitmap oddPage = Render(odd, 1);
    EXPECT_EQ(oddPage.Pixel(150, 150), kPaletteBlack);
    EXPECT_EQ(oddPage.Pixel(50, 50), kPaletteWhite);
    // Deep pushes of the graphics state, an image far larger than the page with too little
    // data, and characters that claim more data than they bring.
    TPclXlDocument deep = page([](TXlWriter& w) {
        for (int i = 0; i < 100000; ++i)
            w.Op(kPushGS);
        Cursor(w, -30000, -30000);
        w.UByte(0).Attr(aColorMapping).UByte(2).Attr(aColorDepth).UInt16(65535).Attr(aSourceWidth);
        w.UInt16(65535).Attr(aSourceHeight).UInt16Xy(65535, 65535).Attr(aDestinationSize).Op(kBeginImage);
        w.UInt16(0).Attr(aStartLine).UInt16(65535).Attr(aBlockHeight).UByte(1).Attr(aCompressMode);
        w.Op(kReadImage).Data(std::string(200, char(0x81)));
        w.Op(kEndImage);
        w.UByteArray("F").Attr(aFontName).UByte(0).Attr(aFontFormat).Op(kBeginFontHeader);
        w.UInt16(60000).Attr(aFontHeaderLength).Op(kReadFontHeader).Data("\x00\x00\x00\x00\xFE\x00\x00\x01");
        w.Op(kEndFontHeader).UByteArray("F").Attr(aFontName).Op(kBeginChar);
        w.UInt16('A')
            .Attr(aCharCode)
            .UInt16(60000)
            .Attr(aCharDataSize)
            .Op(kReadChar)
            .Data(std::string("\x00\x00\x00\x00\x00\x10\x7F\xFF\x7F\xFF", 10));
        w.Op(kEndChar);
        Font(w, "F", 100, 629);
        w.UByteArray("AAA").Attr(aTextData).Op(kText);
    });
    ASSERT_EQ(deep.PageCount(), 1);
    EXPECT_GT(Render(deep, 1).Width(), 0);
}

// The decoders keep to their rows, whatever the data says.
TEST(PclXlBadInput, DecodersStayInTheirRows) {
    std::vector<uint8_t> out;
    EXPECT_EQ(xl::DecodeRunLength(std::string("\x02"
                                              "abc\xFDz\x80\x7F",
                                              8),
                                  out, 100),
              8u);
    EXPECT_EQ(std::string(out.begin(), out.end()), "abczzzz");
    out.clear();
    xl::DecodeRunLength(std::string("\x81x", 2), out, 5);
    EXPECT_EQ(out.size(), 5u);
    xl::TDeltaRowDecoder delta(4);
    size_t pos = 0;
    // Replace 2 bytes at offset 1, then an offset far past the row.
    const std::string rows("\x03\x00\x21xy\x04\x00\x1F\xFF\x10z", 11);
    ASSERT_TRUE(delta.NextRow(rows, pos));
    EXPECT_EQ(std::string(delta.Row().begin(), delta.Row().end()), std::string("\0xy\0", 4));
    ASSERT_TRUE(delta.NextRow(rows, pos));
    EXPECT_EQ(std::string(delta.Row().begin(), delta.Row().end()), std::string("\0xy\0", 4));
    EXPECT_FALSE(delta.NextRow(rows, pos));
}

} // namespace
