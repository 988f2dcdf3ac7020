// The text device and pagellan-cli text: words grouped by where they stand on the page, in
// reading order, whatever order the stream drew them in.

#include "PclTestUtil.h"
#include "TestFiles.h"
#include "TextDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace pg;
using namespace pg::test;

namespace {

std::string SoftFontWithAB() {
    const auto bar = [](int advanceQuarterDots) { return Glyph(0, 8, 8, 1, advanceQuarterDots, "\xFF"); };
    return Download(5, Header()) + Char('A', bar(40)) + Char('B', bar(40)) + Char(' ', bar(28)) +
           Char(1, bar(40));
}

TEST(TextDevice, GroupsWordsAndLinesByPositionInReadingOrder) {
    // Lines drawn bottom first; the top line in two pieces, right piece first; a Courier word
    // in two pieces that meet exactly; bold Courier (each character drawn twice); soft-font
    // text with a control code that has a glyph; small and large type on one baseline.
    const std::string pcl =
        P("~E~(8U~(s1p10v0s0b4148T~*p300x600YSecond line~*p1200x300Yright half~*p300x300YLeft half,") +
        P("~(s0p12h12v0s0b4099T~*p390x900Ylo~*p300x900YHel") + P("~(s0p12h12v0s3b4099T~*p300x1200YBold") +
        SoftFontWithAB() + P("~(5X~*p300x1500YAB A\x01") +
        P("~(8U~(s1p8v0s0b4148T~*p300x1800YAmount:~(s0p12h12v0s0b4099T~*p700x1800Y$5.00");
    TPCLBuffer buffer;
    buffer.AppendData(pcl);
    TTextDevice device(&TFontEngine::Shared());
    buffer.Parse(&device);
    buffer.FinishFirstPage(device, "");
    EXPECT_EQ(device.Text(), "Left half, right half\nSecond line\nHello\nBold\nAB A\nAmount: $5.00\n");
    const std::vector<TTextLine> lines = device.Lines();
    ASSERT_EQ(lines.size(), 6u);
    // Page pixels: the PCL position plus the reset offsets (50, 150); Courier is 30 wide at the default HMI.
    const TTextWord& hello = lines[2].Words.at(0);
    EXPECT_EQ(std::tie(hello.Left, hello.Right), std::tuple(350, 500));
    EXPECT_TRUE(lines[0].Bottom < lines[1].Top && hello.Top < 1050 && hello.Bottom > 1030);
    EXPECT_EQ(lines[4].Words.at(1).Left, 350 + 10 + 10 + 7);
    // The soft-font run keeps its printable codes only, in a cell ending on the baseline.
    const auto soft = std::find_if(device.Runs().begin(), device.Runs().end(),
                                   [](const TTextRun& r) { return r.Font.Family.empty(); });
    ASSERT_NE(soft, device.Runs().end());
    std::string codes;
    for (const TPlacedChar& c : soft->Chars)
        codes += char(c.Code);
    EXPECT_EQ(codes, "AB A");
    EXPECT_EQ(soft->Chars[0].Y + soft->Font.Height, 1650);
}

TEST(TextDevice, SymbolSetsGiveTheirCharacters) {
    // Each row: text after a symbol-set selection, and what the page reads (UTF-8). Control
    // codes of a set print nothing and do not move; codes a set leaves empty move on.
    std::string math8Header = Header();
    math8Header[14] = 1; // 8M: 8 * 32 + 'M' - 64 = 269
    math8Header[15] = 13;
    const std::string bar = Glyph(0, 8, 8, 1, 40, "\xFF");
    struct TRow {
        const char* Name;
        std::string Pcl;
        const char* Text;
    };
    const TRow rows[] = {
        {"Roman-8", P("~(8U\xBD\xE9\xAF"), "§Õ£"},
        {"Roman-8 control codes",
         P("~(8UA\x85"
           "B"),
         "AB"},
        {"Roman-8 177 is the forms' bullet",
         P("~(8UA\xB1"
           "B"),
         "A B"},
        {"PC-8", P("~(10U\xE4\xC9\x9E"), "Σ╔₧"},
        {"PC-850", P("~(12U\x9D\xD5"), "Øı"},
        {"ISO 8859-1", P("~(0N\xE9\xAE"), "é®"},
        {"ISO 6 upper half is empty",
         P("~(0UA\xE9"
           "B"),
         "A B"},
        {"Windows 3.1 Latin 1", P("~(19U\x99\xAE\x80"), "™®€"},
        {"Windows Latin 2", P("~(9E\xA3\x8A"), "ŁŠ"},
        {"Legal", P("~(1U") + "~\\{", "™®§"},
        {"Math-8", P("~(8M]R\xB1"), "≠Σ∀"},
        {"PS Math", P("~(5M\xE5\xD4\xB9"), "∑™≠"},
        {"Pi font", P("~(15U*=,"), "™§®"},
        {"A set not known reads as Windows", P("~(579L\x99"), "™"},
        {"Shift out to the secondary set",
         P("~)8Ma\x0E]\x0F"
           "b"),
         "a≠b"},
        {"Soft font bound to Math-8", Download(5, math8Header) + Char(']', bar) + P("~(5X]"), "≠"},
    };
    for (const TRow& row : rows) {
        TPCLBuffer buffer;
        buffer.AppendData(P("~E") + row.Pcl);
        TTextDevice device(&TFontEngine::Shared());
        buffer.Parse(&device);
        buffer.FinishFirstPage(device, "");
        EXPECT_EQ(device.Text(), std::string(row.Text) + "\n") << row.Name;
    }
}

TEST(TextDevice, CliPrintsPackageAndFilePagesUnderHeadings) {
    const std::string cli = std::string("'") + PAGELLAN_CLI + "' text ";
    const std::string demo = "'" + std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx'";
    const TCommandRun all = RunCommand(cli + demo + " 2>/dev/null");
    ASSERT_EQ(all.Status, 0);
    // Boxed labels and their values read left to right, forms and pages in order.
    const std::vector<std::string> inOrder = {
        "Form 1 \u2014 page 1\nHARBOR POINT SAVINGS Loan Number\n",
        "\nA. Principal Amount B. Yearly Interest Rate C. Term\n$312,000.00 6.375% 360 MONTHS\n",
        "\nD. First Payment Date E. Maturity Date F. Monthly Payment\nMAY 1, 2026 APRIL 1, 2056 $1,946.47\n",
        "\nForm 1 \u2014 page 2\n",
        "\nBorrower Borrower\nMARGARET A. ELLSWORTH THOMAS J. ELLSWORTH\n",
        "\nForm 2 \u2014 page 1\n",
        "\nDEED OF TRUST\n",
        "\nForm 2 \u2014 page 3\n",
        "\nForm 7 \u2014 page 1\n"};
    size_t at = 0;
    for (const std::string& piece : inOrder) {
        const size_t found = all.Out.find(piece, at);
        ASSERT_NE(found, std::string::npos) << piece;
        at = found + piece.size();
    }
    EXPECT_EQ(all.Out.find("Form 8"), std::string::npos);

    const TCommandRun one = RunCommand(cli + demo + " --form 2 --page 2 2>/dev/null");
    EXPECT_EQ(one.Status, 0);
    EXPECT_EQ(one.Out.rfind("Form 2 \u2014 page 2\nTRANSFER OF RIGHTS IN THE PROPERTY\n", 0), 0u);
    EXPECT_EQ(one.Out.find("Form 2 \u2014 page 1"), std::string::npos);
    EXPECT_NE(one.Out.find("\nR-117-0342-00 1847 TIDEWATER LANE, PORT CARROW, OR 97999\n"),
              std::string::npos);

    TTempFolder folder("pg-text");
    const std::string pcl =
        folder.File("two.pcl", P("~E~(s0p12h12v0s0b4099T~*p450x300Yside~*p300x300Yleft\fnext page\f"));
    const TCommandRun file = RunCommand(cli + "'" + pcl + "'");
    EXPECT_EQ(file.Status, 0);
    EXPECT_EQ(file.Out, "Page 1\nleft side\n\nPage 2\nnext page\n\n");
    // Refusals: a page that is not there, a form of a plain file, a page without its form.
    EXPECT_EQ(RunCommand(cli + demo + " --form 2 --page 4 2>&1").Out, "No page 4 in form 2 (3 pages)\n");
    EXPECT_EQ(RunCommand(cli + demo + " --form 9 >/dev/null 2>&1").Status, 1);
    EXPECT_EQ(RunCommand(cli + "'" + pcl + "' --form 1 >/dev/null 2>&1").Status, 2);
    EXPECT_EQ(RunCommand(cli + demo + " --page 1 >/dev/null 2>&1").Status, 2);
}

} // namespace
