// Rendering checked against something real: PostScript pages turned into laser-printer PCL by
// Ghostscript, rendered by our interpreter, compared with Ghostscript's own rendering of the
// same pages.

#include "PbmFile.h"
#include "PclTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using namespace pg;
using test::ReadPbm;
using test::TBlackMap;

namespace {

namespace fs = std::filesystem;

TBlackMap BlackOf(const TPageBitmap& page) {
    TBlackMap map{page.Width(), page.Height(), {}};
    map.Black.resize(size_t(map.Width) * size_t(map.Height));
    for (int y = 0; y < map.Height; ++y)
        for (int x = 0; x < map.Width; ++x)
            map.Black[size_t(y) * size_t(map.Width) + size_t(x)] = page.Pixel(x, y) != kPaletteWhite;
    return map;
}

// For looking at a failed comparison: the picture as a plain PGM.
void WritePgm(const TBlackMap& map, const fs::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << "P5\n" << map.Width << " " << map.Height << "\n255\n";
    for (bool black : map.Black)
        out.put(black ? char(0) : char(255));
}

struct TPoint {
    int X = 0;
    int Y = 0;
};

std::vector<TPoint> BlackPixels(const TBlackMap& map) {
    std::vector<TPoint> pixels;
    for (int y = 0; y < map.Height; ++y)
        for (int x = 0; x < map.Width; ++x)
            if (map.At(x, y))
                pixels.push_back({x, y});
    return pixels;
}

// The top left corner of the box around the black pixels.
TPoint FirstBlack(const std::vector<TPoint>& pixels, const TBlackMap& map) {
    TPoint corner{map.Width, map.Height};
    for (const TPoint& p : pixels)
        corner = {std::min(corner.X, p.X), std::min(corner.Y, p.Y)};
    return corner;
}

// Whether the picture is black within slack pixels of (x, y).
bool BlackNear(const TBlackMap& map, int x, int y, int slack) {
    for (int dy = -slack; dy <= slack; ++dy)
        for (int dx = -slack; dx <= slack; ++dx)
            if (map.At(x + dx, y + dy))
                return true;
    return false;
}

// How much of the reference our page holds, and how much of ours is not in it.
struct TAgreement {
    long Reference = 0, Found = 0; // reference black pixels; those with ours black near them
    long Ours = 0, Matched = 0;    // our black pixels; those with reference black near them
    double FoundShare() const { return Reference ? double(Found) / double(Reference) : 0; }
    double ExtraShare() const { return Ours ? double(Ours - Matched) / double(Ours) : 1; }
};

// The pictures compared at the offset, within search pixels of their first black corners, where
// most black pixels coincide (the laser-printer devices place the image relative to the
// printable area); there a pixel agrees when the other picture is black within slack pixels.
TAgreement Compare(const TBlackMap& reference, const TBlackMap& ours, int search, int slack) {
    const std::vector<TPoint> ref = BlackPixels(reference), our = BlackPixels(ours);
    const TPoint r = FirstBlack(ref, reference), o = FirstBlack(our, ours);
    int bestDx = 0, bestDy = 0;
    long best = -1;
    for (int dy = r.Y - o.Y - search; dy <= r.Y - o.Y + search; ++dy)
        for (int dx = r.X - o.X - search; dx <= r.X - o.X + search; ++dx) {
            long both = 0;
            for (const TPoint& p : our)
                both += reference.At(p.X + dx, p.Y + dy);
            if (both > best) {
                best = both;
                bestDx = dx;
                bestDy = dy;
            }
        }
    TAgreement a{long(ref.size()), 0, long(our.size()), 0};
    for (const TPoint& p : ref)
        a.Found += BlackNear(ours, p.X - bestDx, p.Y - bestDy, slack);
    for (const TPoint& p : our)
        a.Matched += BlackNear(reference, p.X + bestDx, p.Y + bestDy, slack);
    return a;
}

// Our page holds at least 1 - tolerance of the reference's black pixels (of which there are
// more than minReference) and adds at most tolerance of its own; when not, our page is written
// next to the files for a look.
bool ExpectAgreement(const TBlackMap& reference, const TBlackMap& ours, int search, int slack,
                     long minReference, double tolerance, const std::string& what, const fs::path& pgm) {
    const TAgreement a = Compare(reference, ours, search, slack);
    std::cout << what << ": " << a.Found << " of " << a.Reference << " reference black pixels ("
              << 100 * a.FoundShare() << "%) found; " << a.Ours - a.Matched << " of " << a.Ours
              << " of ours (" << 100 * a.ExtraShare() << "%) extra\n";
    EXPECT_GT(a.Reference, minReference);
    EXPECT_GE(a.FoundShare(), 1 - tolerance);
    EXPECT_LE(a.ExtraShare(), tolerance);
    const bool agrees = a.FoundShare() >= 1 - tolerance && a.ExtraShare() <= tolerance;
    if (!agrees)
        WritePgm(ours, pgm);
    return agrees;
}

bool RunQuietly(const std::string& command) {
    return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

bool HaveTools(std::initializer_list<const char*> tools) {
    for (const char* tool : tools)
        if (!RunQuietly(std::string("command -v ") + tool))
            return false;
    return true;
}

// A fresh folder of the test's own under the test temporary folder.
fs::path Folder(const std::string& name) {
    const fs::path dir = fs::path(testing::TempDir()) / name;
    fs::create_directories(dir);
    return dir;
}

const std::string kGs = "gs -q -dNOPAUSE -dBATCH -dSAFER -r300 ";

// Ghostscript's own rendering of the PostScript file, as a PBM next to it.
TBlackMap GsReference(const fs::path& ps, const std::string& options = "") {
    const fs::path pbm = fs::path(ps).replace_extension(".pbm");
    EXPECT_TRUE(
        RunQuietly(kGs + options + "-sDEVICE=pbmraw -sOutputFile=" + pbm.string() + " " + ps.string()));
    return ReadPbm(pbm);
}

// The PCL a Ghostscript device makes of the PostScript file, loaded into an interpreter.
std::unique_ptr<test::TBitmapPcl> GsPcl(const fs::path& ps, const std::string& device, const fs::path& pcl,
                                        const std::string& options = "") {
    EXPECT_TRUE(RunQuietly(kGs + options + "-sDEVICE=" + device + " -sOutputFile=" + pcl.string() + " " +
                           ps.string()));
    auto buffer = std::make_unique<test::TBitmapPcl>();
    buffer->LoadFromFile(pcl.string());
    return buffer;
}

// Text in two faces, rules, a box outline and a scaled 1-bit image, inside the printable area.
const char* const kPage = R"(%!PS
/Helvetica findfont 28 scalefont setfont
72 700 moveto (Loan Agreement 2024) show
/Times-Roman findfont 12 scalefont setfont
72 670 moveto (The borrower promises to pay the lender the amount shown below.) show
72 650 moveto (Amount: $123,456.78    Rate: 6.125%    Term: 360 months) show
72 630 moveto 540 630 lineto 2 setlinewidth stroke
72 400 468 180 rectstroke
90 420 200 20 rectfill
gsave 300 430 translate 144 144 scale
16 16 1 [16 0 0 -16 0 16] {<f0f0f0f00f0f0f0ff0f0f0f00f0f0f0ff0f0f0f00f0f0f0ff0f0f0f00f0f0f0f
  ff00ff00ff00ff0000ff00ff00ff00ffff00ff00ff00ff0000ff00ff00ff00ff>} image
grestore
showpage
)";

// A landscape loan page W points wide and 612 high: a title, a table whose columns reach the
// right margin, rules, a box, a fill, an image and the page number in the bottom right corner.
std::string LandscapePage(int width) {
    return "%!PS\n/W " + std::to_string(width) + R"( def
<< /PageSize [W 612] >> setpagedevice
/Helvetica findfont 26 scalefont setfont
54 540 moveto (Amortization Schedule) show
/Times-Roman findfont 11 scalefont setfont
/step W 108 sub 6 div def
/cols [(Payment) (Date) (Principal) (Interest) (Escrow) (Total Due)] def
0 1 5 { /i exch def 60 i step mul add 500 moveto cols i get show } for
0 1 19 { /r exch def 0 1 5 { /i exch def
  60 i step mul add 480 r 18 mul sub moveto (1,234.56) show } for } for
54 494 moveto W 54 sub 494 lineto 1.5 setlinewidth stroke
54 100 W 108 sub 420 rectstroke
W 200 sub 50 120 30 rectfill
gsave W 400 sub 40 translate 48 48 scale
16 16 1 [16 0 0 -16 0 16] {<f0f0f0f00f0f0f0ff0f0f0f00f0f0f0ff0f0f0f00f0f0f0ff0f0f0f00f0f0f0f
  ff00ff00ff00ff0000ff00ff00ff00ffff00ff00ff00ff0000ff00ff00ff00ff>} image
grestore
W 60 sub 60 moveto (Page 1) show
showpage
)";
}

// A two-page TeX letter: a large bold title (glyphs of more than 1000 bytes), body text with
// ligatures (codes below 32, sent as transparent data), italics and a rule; page 2 uses the
// fonts downloaded on page 1.
const char* const kLetter = R"(\nopagenumbers
\font\title=cmbx12 scaled\magstep4
\centerline{\title Loan Agreement}
\bigskip\hrule\medskip
Dear Borrower,\par\medskip
This letter confirms the terms of your loan. The borrower promises to pay the lender the
amount shown below, with interest at the rate stated, in monthly payments of the first fifty.
\medskip
Amount: \$123,456.78 \quad Rate: 6.125\% \quad Term: 360 months
\vfill\eject
\centerline{\title Loan Agreement}
\bigskip
Signed by the borrower on the date shown. {\it Italic text} and {\bf bold text} and more
ordinary text to fill the line with characters, the office and the affluent.
\bye
)";

} // namespace

TEST(PclGhostscriptCompare, LaserPrinterOutputRendersLikeGhostscript) {
    if (!RunQuietly("gs --version"))
        GTEST_SKIP() << "Ghostscript is not installed";
    const fs::path dir = Folder("pcl_gs_compare");
    const fs::path ps = dir / "page.ps";
    std::ofstream(ps) << kPage;
    const std::string letter = "-sPAPERSIZE=letter -dFIXEDMEDIA ";
    const TBlackMap reference = GsReference(ps, letter);
    ASSERT_EQ(reference.Width, 2550);
    ASSERT_EQ(reference.Height, 3300);
    // ljet2p writes TIFF rows; ljet4 delta rows with Y offsets and single TIFF rows between;
    // ljet4pjl the same inside job-control lines, which must not add a page. Every pixel
    // agrees, after a shift of at most 2 pixels.
    for (const std::string device : {"ljet2p", "ljet4", "ljet4pjl"}) {
        SCOPED_TRACE(device);
        auto buffer = GsPcl(ps, device, dir / (device + ".pcl"), letter);
        buffer->Parse();
        ASSERT_EQ(buffer->GetPageCount(), 1);
        const TBlackMap ours = BlackOf(buffer->GetPageBitmap(false, 1, "LTR"));
        if (!ExpectAgreement(reference, ours, 2, 0, 50000, 0.01, device, dir / (device + ".pgm")))
            WritePgm(reference, dir / "reference.pgm");
    }
}

// Landscape pages from the four LaserJet devices, letter and legal: every way a page is drawn
// (while the file is parsed, by the print path, and as the page window draws a page of a plain
// file, without its page-size commands) holds the whole page on a landscape page.
TEST(PclGhostscriptCompare, LandscapePagesRenderWhole) {
    if (!RunQuietly("gs --version"))
        GTEST_SKIP() << "Ghostscript is not installed";
    const fs::path dir = Folder("pcl_gs_landscape");
    struct TPaper {
        std::string Name, Hint;
        int Points, Width;
    };
    for (const TPaper& paper : {TPaper{"letter", "LTR", 792, 3300}, TPaper{"legal", "LGL", 1008, 4200}}) {
        const fs::path ps = dir / (paper.Name + ".ps");
        std::ofstream(ps) << LandscapePage(paper.Points);
        const TBlackMap reference = GsReference(ps);
        ASSERT_EQ(reference.Width, paper.Width);
        ASSERT_EQ(reference.Height, 2550);
        // ljet2p: TIFF rows; ljet3 and ljet4: delta rows and registration; laserjet: unencoded
        // rows and no page size.
        for (const std::string device : {"ljet2p", "ljet3", "ljet4", "laserjet"}) {
            auto file = GsPcl(ps, device, dir / (device + "-" + paper.Name + ".pcl"));
            file->Parse(true);
            ASSERT_EQ(file->GetPageCount(), 1) << device;
            THLWMemorystream windowPage(std::string(file->GetPageStream(1)->View()));
            windowPage.ReplaceAll("\x1b&l2A", "");
            windowPage.ReplaceAll("\x1b&l3A", "");
            test::TBitmapPcl window;
            window.LoadFromStream(windowPage);
            window.Parse(true);
            const std::vector<std::pair<std::string, TBlackMap>> drawn = {
                {"parsed", BlackOf(file->GetPageBitmap(false, 1, paper.Hint))},
                {"printed", BlackOf(file->GetPageBitmap(true, 1, paper.Hint))},
                {"window", BlackOf(window.GetPageBitmap(false, 1, ""))},
            };
            for (const auto& [how, ours] : drawn) {
                const std::string what = device + "-" + paper.Name + "-" + how;
                SCOPED_TRACE(what);
                EXPECT_EQ(ours.Width, how == "window" ? 4200 : paper.Width);
                EXPECT_EQ(ours.Height, 2550);
                ExpectAgreement(reference, ours, 3, 1, 50000, 0.01, what, dir / (what + ".pgm"));
            }
        }
    }
}

// TeX's laser-printer drivers: dvilj (300 dpi bitmap glyphs, fonts downloaded once on page
// 1) and dvilj4 (600 dpi compressed glyphs). Each page, drawn alone, agrees with Ghostscript's
// rendering of dvips' PostScript made from the same bitmap fonts.
TEST(PclGhostscriptCompare, TexDriverPagesRenderLikeDvips) {
    if (!HaveTools({"gs", "tex", "dvilj", "dvilj4", "dvips"}))
        GTEST_SKIP() << "TeX or Ghostscript is not installed";
    const fs::path dir = Folder("pcl_gs_tex");
    std::ofstream(dir / "letter.tex") << kLetter;
    const std::string in = "cd " + dir.string() + " && ";
    ASSERT_TRUE(RunQuietly(in + "tex -interaction=batchmode letter.tex"));
    for (const auto& [driver, dpi] : {std::pair{"dvilj", 300}, std::pair{"dvilj4", 600}}) {
        SCOPED_TRACE(driver);
        const std::string name = driver;
        ASSERT_TRUE(RunQuietly(in + name + " -e" + name + ".pcl letter.dvi"));
        // The same bitmap fonts for PostScript: no outline font map.
        ASSERT_TRUE(RunQuietly(in + "dvips -D " + std::to_string(dpi) + " -u /dev/null -o " + name +
                               ".ps letter.dvi"));
        ASSERT_TRUE(RunQuietly(in + kGs + "-sPAPERSIZE=letter -sDEVICE=pbmraw -sOutputFile=" + name +
                               "-%d.pbm " + name + ".ps"));
        test::TBitmapPcl file;
        file.LoadFromFile((dir / (name + ".pcl")).string());
        file.Parse();
        ASSERT_EQ(file.GetPageCount(), 2);
        for (int page = 2; page >= 1; --page) {
            const std::string what = name + "-" + std::to_string(page);
            SCOPED_TRACE(what);
            ExpectAgreement(ReadPbm(dir / (what + ".pbm")), BlackOf(file.GetPageBitmap(false, page, "LTR")),
                            3, 1, 20000, 0.01, what, dir / (what + ".pgm"));
        }
    }
}

// groff's LaserJet 4 driver draws boxes and rules with HP-GL/2: the page shows them where
// grops + Ghostscript do, and none of the HP-GL/2 instructions appears as text.
TEST(PclGhostscriptCompare, GroffBoxesAreDrawnNotPrinted) {
    if (!HaveTools({"gs", "groff"}))
        GTEST_SKIP() << "groff or Ghostscript is not installed";
    const fs::path dir = Folder("pcl_gs_groff");
    // Only drawings: the resident fonts of grolj4 are not ours to compare.
    std::ofstream(dir / "boxes.tr") << ".po 1i\n.sp 1i\n\\D'l 4i 0'\n.sp 1i\n\\D'p 2i 0 0 1i -2i 0 0 -1i'\n"
                                       ".sp 2i\n\\D'c 1i'\n.sp 1i\n\\D'P 1i 0 0 0.5i -1i 0'\n";
    const std::string in = "cd " + dir.string() + " && ";
    ASSERT_TRUE(RunQuietly(in + "(groff -Tlj4 -P-pletter boxes.tr > boxes.pcl)"));
    ASSERT_TRUE(RunQuietly(in + "(groff -Tps -P-pletter boxes.tr > boxes.ps)"));
    const TBlackMap reference = GsReference(dir / "boxes.ps", "-sPAPERSIZE=letter ");
    test::TBitmapPcl file;
    file.LoadFromFile((dir / "boxes.pcl").string());
    file.Parse(true);
    ASSERT_EQ(file.GetPageCount(), 1);
    ExpectAgreement(reference, BlackOf(file.GetPageBitmap(false, 1, "LTR")), 3, 1, 5000, 0.03, "grolj4",
                    dir / "boxes.pgm");
}
