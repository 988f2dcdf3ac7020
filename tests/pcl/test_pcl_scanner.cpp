// The scanner, command splitting, binary blocks, the command table and re-emission.

#include "PCLValues.h"
#include "PclCommandKeys.h"
#include "PclTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sstream>
#include <vector>

using namespace pg;
using namespace pg::test;

namespace {

const auto& kKeys = kPclCommandKeys;

// The commands that only emit themselves, by their number in the table (1-based).
const int kEmitOnly[] = {2,   4,   5,   6,   7,   8,   10,  11,  12,  13,  17,  23,  30,  34,
                         60,  61,  66,  75,  76,  79,  83,  84,  85,  97,  100, 102, 103, 104,
                         109, 116, 121, 122, 123, 124, 125, 126, 127, 128, 129, 139};

// A command text for a key: escape byte, the parameter characters, a number, the letter, with
// the letters' case turned around.
std::string CommandFor(const std::string& key) {
    if (key == "&9")
        return P("~9");
    std::string text = P("~") + key;
    text.insert(text.size() - 1, "12");
    for (char& c : text)
        if (std::isalpha(uint8_t(c)))
            c = char(std::isupper(uint8_t(c)) ? std::tolower(uint8_t(c)) : std::toupper(uint8_t(c)));
    return text;
}

} // namespace

TEST(PclCommandTable, HoldsTheKeysInOrderAndDispatchesIgnoringCase) {
    TBitmapPcl buffer;
    const TPCLStringList& table = buffer.CommandTable();
    ASSERT_EQ(table.Count(), 148u);
    ASSERT_EQ(std::size(kKeys), 148u);
    for (size_t i = 0; i < 148; ++i) {
        EXPECT_EQ(table.Key(i), kKeys[i]) << "entry " << i + 1;
        EXPECT_EQ(table.Find(CommandFor(kKeys[i])), table.Handler(i)) << kKeys[i];
        EXPECT_EQ(table.FindKey(kKeys[i]), table.Handler(i));
    }
    for (int n : kEmitOnly)
        EXPECT_EQ(TPCLBuffer::HandlerName(table.Handler(size_t(n - 1))), "EmitOnly") << kKeys[n - 1];
    auto nameOf = [&](const char* key) { return TPCLBuffer::HandlerName(table.FindKey(key)); };
    EXPECT_EQ(nameOf("E"), "PrinterReset");
    // Transparent data, HP-GL/2 and its picture frame act rather than only emit.
    EXPECT_EQ(nameOf("&pX"), "TransparentData");
    EXPECT_EQ(nameOf("%B"), "EnterHpgl");
    EXPECT_EQ(nameOf("*cT"), "PictureFrameAnchor");
    EXPECT_EQ(nameOf("&lA"), "PageSize");
    // The print model and the print direction.
    for (const auto& [key, name] : {std::pair{"&aP", "PrintDirection"},
                                    {"*rS", "RasterWidth"},
                                    {"*lO", "LogicalOperation"},
                                    {"*cQ", "PatternControl"},
                                    {"*pR", "PatternReferencePoint"},
                                    {"*rU", "SimpleColour"},
                                    {"*vI", "AssignColourIndex"},
                                    {"*vS", "ForegroundColour"},
                                    {"*pP", "PushPalette"},
                                    {"&pC", "PaletteControl"}})
        EXPECT_EQ(nameOf(key), name) << key;
    EXPECT_EQ(nameOf("&lO"), "Orientation");
    EXPECT_EQ(nameOf("&9"), "ClearHorizontalMargins");
    EXPECT_EQ(nameOf("="), "HalfLineFeed");
    // The raster Y offset skips rows, as printers do (delta-row images rely on it).
    EXPECT_EQ(nameOf("*bY"), "RasterYOffset");
    EXPECT_EQ(nameOf("(sH"), nameOf(")sH"));
    EXPECT_EQ(nameOf("(sV"), nameOf(")sV"));
    EXPECT_EQ(nameOf("(X"), nameOf(")X"));
    EXPECT_EQ(nameOf("(U"), "PrimarySymbolSet");
    EXPECT_EQ(nameOf(")U"), "SecondarySymbolSet");
    EXPECT_EQ(nameOf("*bW"), "TransferRasterRow");
    EXPECT_EQ(nameOf("*rB"), nameOf("*rC"));
    EXPECT_EQ(nameOf("&fX"), "MacroControl");
    EXPECT_EQ(nameOf("(sZ"), "SignatureBox");
    // The first character matters: these two are different commands.
    EXPECT_NE(CommandKey(P("~&c0T")), CommandKey(P("~*c0T")));
    TBitmapPcl b;
    b.AddSubstitution("&cT", "[text path]");
    b.AppendData(P("~&c0T~*c0T"));
    b.Parse();
    EXPECT_EQ(OutputOf(b), "[text path]" + P("~*c0T"));
    EXPECT_EQ(table.Find(P("~%-12345X")), nullptr);
    EXPECT_EQ(table.Find(P("~&L2a")), table.FindKey("&lA"));
}

TEST(PclCommandKey, DropsEscapeBlanksSignsPointsAndDigits) {
    const std::pair<const char*, const char*> keys[] = {
        {"~&l2A", "&lA"},     {"~(8U", "(U"},      {"~*p0Y", "*pY"}, {"~(s100.200.300.400Z", "(sZ"},
        {"~*p+ 1.5X", "*pX"}, {"~%-12345X", "%X"}, {"~9", "&9"},     {"~=", "="}};
    for (const auto& [command, key] : keys)
        EXPECT_EQ(CommandKey(P(command)), key) << command;
}

TEST(PclScanner, SplitsCombinedSequencesIntoCommands) {
    auto b = Parsed(P("~&l1o2a0EX"));
    EXPECT_EQ(OutputOf(*b), P("~&l1O~&l2A~&l0EX"));
    EXPECT_EQ(b->PageState().Orientation, 1);
    EXPECT_EQ(b->GetPaperCode(), "LTR");
    // Five font attributes in one sequence give five commands with the same prefix.
    auto f = Parsed(P("~(s1p12v0s3b4148T"));
    EXPECT_EQ(OutputOf(*f), P("~(s1P~(s12V~(s0S~(s3B~(s4148T"));
    EXPECT_EQ(f->FontState().PrimarySpacing, 1);
    EXPECT_DOUBLE_EQ(f->FontState().PrimaryHeight, 12.0);
    EXPECT_EQ(f->FontState().PrimaryStrokeWeight, 3);
    EXPECT_EQ(f->FontState().PrimaryTypeface, 4148);
    // ESC E is a command of its own; upper-case letters inside a sequence do not end commands.
    EXPECT_EQ(OutputOf(*Parsed(P("~E"))), P("~E"));
    EXPECT_EQ(OutputOf(*Parsed(P("~&l1O2A0E"))), P("~&l1O2A0E"));
    // An unterminated sequence is ended by the next escape byte; at the end it is dropped.
    EXPECT_EQ(OutputOf(*Parsed(P("~&l2a~&l1O"))), P("~&l2A~&l1O"));
    EXPECT_EQ(OutputOf(*Parsed(P("AB~&l2"))), "AB");
    // An unknown command is emitted unchanged.
    EXPECT_EQ(OutputOf(*Parsed(P("~%-12345X@PJL\r\n"))), P("~%-12345X@PJL\r\n"));
}

TEST(PclScanner, ReadsBinaryBlocksWhole) {
    // The block holds an escape byte; it is data, not a sequence.
    auto b = Parsed(P("~*b3W~EAZ"));
    EXPECT_EQ(OutputOf(*b), P("~*b3W~EAZ"));
    EXPECT_EQ(b->RasterState().RasterRowCount, 1);
    // Blocks longer than the download buffer are read and re-emitted whole.
    const std::string big(5000, '\x1b');
    auto l = Parsed(P("~*b5000W") + big + "tail");
    EXPECT_EQ(OutputOf(*l), P("~*b5000W") + big + "tail");
    // A block announcing more than remains takes the rest; a negative or zero count reads
    // nothing.
    for (const char* pcl : {"~*b100Wabc", "~*b-5WAB", "~*b0WAB", "~*b99999999999WAB"})
        EXPECT_EQ(OutputOf(*Parsed(P(pcl))), P(pcl)) << pcl;
    // Several W commands in one sequence read their blocks in turn.
    EXPECT_EQ(OutputOf(*Parsed(P("~*b2w3W12345X"))), P("~*b2W12~*b3W345X"));
    // The data of transparent print data is scanned as text.
    auto t = Parsed(P("~&p3XABC"));
    EXPECT_EQ(t->GetPageCount(), 1);
}

TEST(PclScanner, ReadsTheDataOfASequenceEndedByTheNextEscape) {
    // ESC*b2w has no terminator: its two data bytes lie before the next escape byte, and the
    // command after them is read as usual.
    auto b = Parsed(P("~*b2w") + "\x01\xFF" + P("~&l1O"));
    EXPECT_EQ(b->PageState().Orientation, 1);
    EXPECT_EQ(OutputOf(*b), P("~*b2W") + "\x01\xFF" + P("~&l1O"));
    // A longer block runs on past the escape byte; the scan goes on after it.
    auto l = Parsed(P("~*b4w") + "\x01\xFF" + P("~&l1O"));
    EXPECT_EQ(l->PageState().Orientation, 0);
    EXPECT_EQ(OutputOf(*l), P("~*b4W") + "\x01\xFF" + P("~&l1O"));
    // Two blocks one after the other, then the next command.
    auto two = Parsed(P("~*b1w2w") + "\x01\x02\x03" + P("~&l1O"));
    EXPECT_EQ(OutputOf(*two), P("~*b1W") + "\x01" + P("~*b2W") + "\x02\x03" + P("~&l1O"));
    EXPECT_EQ(two->PageState().Orientation, 1);
}

TEST(PclScanner, CutsTextRunsAtCarriageReturnsAndFormFeeds) {
    auto b = Parsed("AB\rCD");
    EXPECT_EQ(OutputOf(*b), "AB\rCD");
    EXPECT_EQ(b->GetPageCount(), 1);
    auto f = Parsed("A\fB\f");
    EXPECT_EQ(f->GetPageCount(), 2);
    EXPECT_EQ(OutputOf(*f), "AB");
    EXPECT_EQ(PageOf(*f, 1), "A");
    EXPECT_EQ(PageOf(*f, 2), "B");
    // NUL bytes are dropped, other control bytes stay in the run.
    EXPECT_EQ(OutputOf(*Parsed(std::string("A\0\tB\x0e\n", 6))), "A\tB\x0e\n");
    // A run of control bytes alone is not content.
    auto lf = Parsed("\n\n");
    EXPECT_EQ(lf->GetPageCount(), 0);
    EXPECT_EQ(OutputOf(*lf), "\n\n");
}

TEST(PclScanner, TakesEscNineAndEscEqualsAsTwoCharacterCommands) {
    auto b = Parsed(P("~&a300L~9Hello"));
    EXPECT_EQ(OutputOf(*b), P("~&a300L~9Hello"));
    EXPECT_EQ(b->PageState().LeftOffset, 50);
    EXPECT_EQ(b->PageState().RightMargin, 2400);
    EXPECT_EQ(b->GetPageCount(), 1);
    EXPECT_EQ(OutputOf(*Parsed(P("~=X"))), P("~=X"));
    // Other digits after the escape byte still start a sequence that runs to a terminator.
    EXPECT_EQ(OutputOf(*Parsed(P("~8Hello"))), "ello");
}

TEST(PclScanner, SubstitutesCommandsByKeyButNeverText) {
    TBitmapPcl b;
    b.AddSubstitution("&lH", P("~&l7H"));
    b.AddSubstitution("&LX", "");
    b.AppendData(P("~&l1h2X&lH~&l4H"));
    b.Parse();
    EXPECT_EQ(OutputOf(b), P("~&l7H&lH~&l7H"));
    EXPECT_EQ(PageOf(b, 1), P("~&l7H&lH~&l7H"));
}

TEST(PclScanner, ShowsControlCodesAsMarks) {
    TBitmapPcl b;
    b.SetShowControlCodes(true);
    b.AppendData(std::string("A\bB\rC\nD\fE", 10));
    b.Parse();
    EXPECT_EQ(OutputOf(b), "A<<TAB >>B<<CR >>C<<10 >> D<<FF >>E");
    EXPECT_EQ(b.GetPageCount(), 2);
}

TEST(PclScanner, SurvivesHostileInput) {
    // A million parameters in one sequence.
    std::string many = P("~&l");
    for (int i = 0; i < 1000000; ++i)
        many += "1s";
    many += "0S";
    auto m = Parsed(many);
    EXPECT_EQ(m->GetDuplexMode(), 0);
    EXPECT_EQ(m->GetOutput().Size(), 1000001u * 5u);
    // Truncated sequences and stray bytes.
    const std::string junk = P("~") + P("~&") + P("~*b") + P("~(s") + "\xff\x80" + P("~*b9");
    auto j = Parsed(junk + P("~*b9") + "x");
    EXPECT_EQ(j->GetPageCount(), 0);
    EXPECT_EQ(OutputOf(*j), "");
    // Huge numbers.
    auto h = Parsed(P("~*p99999999999999999999X~&l99999999999D~&l0DText"));
    EXPECT_EQ(h->PageState().CursorX, 0);
    EXPECT_EQ(h->PageState().LinesPerInch, 0);
}

TEST(PclScanner, RendersHostileInputWithoutHarm) {
    const std::vector<std::string> inputs = {
        P("~&l1O~&l2A~&l1O~&l3A~&l1OText\f~&l-1O~&l65537AText"),
        P("~*p-2147483648x2147483647Y~&dD~*p+2147483647X~*c65535a65535b0P~*c-1a-1b1P"),
        P("~*b99999W") + std::string(10, '\xff'),
        P("~*c5D~)s0w0w0W~*c65e0e0E~(s0w2000W") + std::string(1500, '\x7f') + P("~(5XABC"),
        P("~&f0y0x1x2x8X~&f65535y0XA~&f1x2x2X~E~&f2X"),
        P("~(s1.2.3.4.5.6Z~(sZ~(s..Z~&u0D~&u-600D~*p100X~*t0R~&l0D~&a5R"),
    };
    for (const std::string& pcl : inputs) {
        auto b = Parsed(pcl, true);
        TPageBitmap& first = b->GetPageBitmap(false, 1, "LTR");
        EXPECT_GT(first.Width(), 0);
        TPageBitmap& printed = b->GetPageBitmap(true, 2, "LGL");
        EXPECT_EQ(printed.Width(), 2450);
        // Every command is re-emitted: the output holds at least the input's escape bytes.
        EXPECT_GE(b->GetOutput().Size(), size_t(std::count(pcl.begin(), pcl.end(), '\x1b')));
    }
}
