// pagellan-cli pages, split and reemit, run as a program on PCL the test writes and on PCL
// that Ghostscript's laser-printer driver writes.

#include "PclXlSamples.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace pg::test;

namespace {

TCommandRun RunCli(const std::string& arguments) {
    return RunCommand(std::string("'") + PAGELLAN_CLI + "' " + arguments + " 2>/dev/null");
}

// The path in single quotes, for a shell command.
std::string Q(const fs::path& path) {
    return "'" + path.string() + "'";
}

bool HaveGhostscript() {
    return std::system("gs --version > /dev/null 2>&1") == 0;
}

} // namespace

TEST(CliPcl, PagesSplitAndReemitAPclFile) {
    const TTempFolder dir("cli_pcl");
    const std::string in = dir.File("in.pcl", "\x1b&l1o2a0EOne\fTwo\f\fThree");
    const TCommandRun pages = RunCli("pages " + Q(in));
    EXPECT_EQ(std::tie(pages.Status, pages.Out), std::tuple(0, "3\n"));
    EXPECT_EQ(RunCli("split " + Q(in) + " " + Q(dir.Path("pages"))).Status, 0);
    // Later pages carry the landscape orientation and top margin page 1 left in force.
    for (const auto& [name, bytes] : {std::pair{"page-001.pcl", "\x1b&l1O\x1b&l2A\x1b&l0EOne"},
                                      {"page-002.pcl", "\x1b&l1O\x1b&l0ETwo"},
                                      {"page-003.pcl", "\x1b&l1O\x1b&l0EThree"}})
        EXPECT_EQ(ReadWholeFile(dir.Path() / "pages" / name), bytes) << name;
    EXPECT_FALSE(fs::exists(dir.Path() / "pages" / "page-004.pcl"));
    EXPECT_EQ(RunCli("reemit " + Q(in) + " -o " + Q(dir.Path("out.pcl"))).Status, 0);
    EXPECT_EQ(ReadWholeFile(dir.Path("out.pcl")), "\x1b&l1O\x1b&l2A\x1b&l0EOne\fTwo\fThree");
    EXPECT_EQ(RunCli("reemit " + Q(in)).Status, 2);
    EXPECT_EQ(RunCli("pages " + Q(dir.Path("missing.pcl"))).Status, 1);
}

// info on a plain file: its pages with size and orientation, not the package fields it lacks.
TEST(CliPcl, InfoOfAPlainFileListsItsPages) {
    const TTempFolder dir("cli_pcl_info");
    const std::string in = dir.File("two.pcl", "\x1b"
                                               "E\x1b&l2AOne\f\x1b&l3A\x1b&l1OTwo\f");
    const TCommandRun info = RunCli("info " + Q(in));
    EXPECT_EQ(info.Status, 0) << info.Out;
    EXPECT_NE(info.Out.find("Pages: 2"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find(", portrait\n  Page 2: 4200 x 2550 dots, legal, landscape\n"), std::string::npos)
        << info.Out;
    const TCommandRun json = RunCli("info --json " + Q(in));
    EXPECT_EQ(json.Status, 0);
    EXPECT_NE(json.Out.find("\"Package\":false,\"PageCount\":2"), std::string::npos) << json.Out;
    const TCommandRun reorder =
        RunCommand(std::string("'") + PAGELLAN_CLI + "' info --reorder " + Q(in) + " 2>&1");
    EXPECT_EQ(reorder.Status, 1);
    EXPECT_NE(reorder.Out.find("is not a package"), std::string::npos) << reorder.Out;
}

TEST(CliPcl, CountsAndSplitsGhostscriptLaserPrinterOutput) {
    if (!HaveGhostscript())
        GTEST_SKIP() << "Ghostscript is not installed";
    const TTempFolder dir("cli_pcl_gs");
    const std::string ps = dir.File("in.ps", "%!PS\n/Times-Roman findfont 30 scalefont setfont\n"
                                             "100 600 moveto (First page) show showpage\n"
                                             "100 600 moveto (Second page) show 100 100 300 20 rectfill "
                                             "showpage\n");
    const std::string out = dir.Path("out.pcl");
    const std::string gs = "gs -q -dNOPAUSE -dBATCH -sDEVICE=ljet2p -r300 -sOutputFile=" + Q(out) + " " +
                           Q(ps) + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(gs.c_str()), 0);
    const TCommandRun pages = RunCli("pages " + Q(out));
    EXPECT_EQ(std::tie(pages.Status, pages.Out), std::tuple(0, "2\n"));
    EXPECT_EQ(RunCli("split " + Q(out) + " " + Q(dir.Path("pages"))).Status, 0);
    EXPECT_TRUE(fs::exists(dir.Path() / "pages" / "page-002.pcl"));
    // Each page stream is a page of its own again.
    EXPECT_EQ(RunCli("pages " + Q(dir.Path() / "pages" / "page-002.pcl")).Out, "1\n");
}

// Re-emitted PCL has the pages of the original, whatever wrote it: groff's LaserJet 4 driver
// (pages ended by form feeds alone), Ghostscript's laser-printer devices, the demo package's
// print job.
TEST(CliPcl, ReemittedPclKeepsEveryPage) {
    const TTempFolder dir("cli_pcl_reemit");
    std::vector<std::pair<std::string, std::string>> producers; // name, shell command writing in.pcl
    if (std::system("groff -v > /dev/null 2>&1") == 0) {
        const std::string ms =
            dir.File("doc.ms", ".TL\nA letter\n.PP\nPage one.\n.bp\n.PP\nPage two.\n.bp\nPage three.\n");
        producers.emplace_back("groff lj4", "groff -ms -Tlj4 " + Q(ms));
    }
    if (HaveGhostscript()) {
        const std::string ps = dir.File("in.ps", "%!PS\n/Times-Roman findfont 30 scalefont setfont\n"
                                                 "100 600 moveto (One) show showpage\n"
                                                 "100 600 moveto (Two) show showpage\n"
                                                 "100 100 300 20 rectfill showpage\n");
        for (const std::string device : {"ljet2p", "ljet4", "laserjet"})
            producers.emplace_back(device, "gs -q -dNOPAUSE -dBATCH -r300 -sDEVICE=" + device +
                                               " -sOutputFile=- " + Q(ps));
    }
    producers.emplace_back("demo job", Q(PAGELLAN_CLI) + " job " +
                                           Q(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx") +
                                           " -o /dev/stdout");
    const std::string in = dir.Path("in.pcl"), out = dir.Path("out.pcl");
    for (const auto& [name, command] : producers) {
        ASSERT_EQ(std::system((command + " > " + Q(in) + " 2>/dev/null").c_str()), 0) << name;
        const TCommandRun original = RunCli("pages " + Q(in));
        ASSERT_EQ(RunCli("reemit " + Q(in) + " -o " + Q(out)).Status, 0) << name;
        EXPECT_GT(std::stoi(original.Out), 1) << name;
        EXPECT_EQ(RunCli("pages " + Q(out)).Out, original.Out) << name;
    }
}

// Outputs are written whole or not at all: with the file size limited (as on a full disk), an
// earlier output stays as it was, split leaves no page files, and a read-only output is refused.
TEST(CliPcl, OutputsAreWrittenWholeOrNotAtAll) {
    const TTempFolder dir("cli_pcl_atomic");
    const std::string in = dir.File("in.pcl", std::string(1000, 'a') + "\f" + std::string(1000, 'b') + "\f" +
                                                  std::string(6000, 'c'));
    const std::string out = dir.File("out.pcl", "earlier");
    // The command with the file size limited to 4 blocks.
    const auto limited = [](const std::string& arguments) {
        return RunCommand("bash -c \"trap '' XFSZ; ulimit -f 4; '" + std::string(PAGELLAN_CLI) + "' " +
                          arguments + "\" 2>/dev/null")
            .Status;
    };
    EXPECT_EQ(limited("reemit " + Q(in) + " -o " + Q(out)), 1);
    EXPECT_EQ(ReadWholeFile(out), "earlier");
    EXPECT_EQ(limited("split " + Q(in) + " " + Q(dir.Path("pages"))), 1);
    EXPECT_TRUE(fs::is_empty(dir.Path() / "pages"));
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(RunCli("reemit " + Q(in) + " -o " + Q(out)).Status, 1);
    EXPECT_EQ(ReadWholeFile(out), "earlier");
}

// A printer file in a language we do not draw is refused by every command that reads pages,
// with the language's name, and nothing is written.
TEST(CliPcl, RefusesPrinterLanguagesItDoesNotDraw) {
    const TTempFolder dir("cli_pcl_refused");
    const std::string uel = "\x1b%-12345X";
    const std::pair<std::string, std::string> files[] = {
        {dir.File("letter.ps", "%!PS-Adobe-3.0\n/Times-Roman findfont 12 scalefont setfont\nshowpage\n"),
         "This file is PostScript; Pagellan shows PCL 5 and PCL XL\n"},
        {dir.File("job.prn", uel + "@PJL ENTER LANGUAGE=PDF\n%PDF-1.7\n" + uel),
         "This file is PDF; Pagellan shows PCL 5 and PCL XL\n"},
    };
    for (const auto& [file, message] : files)
        for (const std::string& command :
             {"render " + Q(file) + " -o " + Q(dir.Path("out.png")), "info " + Q(file), "pages " + Q(file),
              "text " + Q(file), "pdf " + Q(file) + " -o " + Q(dir.Path("out.pdf"))}) {
            const TCommandRun run =
                RunCommand("'" + std::string(PAGELLAN_CLI) + "' " + command + " 2>&1 >/dev/null");
            EXPECT_EQ(std::tie(run.Status, run.Out), std::tuple(1, message)) << command;
        }
    EXPECT_FALSE(fs::exists(dir.Path("out.png")));
    EXPECT_FALSE(fs::exists(dir.Path("out.pdf")));
}

// A PCL XL file: info names its language and paper, pages counts it, text reads it and pdf
// converts it with its text; split refuses it.
TEST(CliPcl, ReadsPclXlFiles) {
    const TTempFolder dir("cli_pcl_xl");
    const std::string in = dir.File("page.pxl", XlTextPage() + "\x1b%-12345X@PJL EOJ\n");
    const TCommandRun info = RunCli("info " + Q(in));
    EXPECT_EQ(info.Status, 0);
    EXPECT_NE(info.Out.find("Language: PCL XL\nPages: 1\n  Page 1: 2550 x 3300 dots, letter, portrait\n"),
              std::string::npos)
        << info.Out;
    EXPECT_EQ(RunCli("pages " + Q(in)).Out, "1\n");
    EXPECT_NE(RunCli("text " + Q(in)).Out.find("Courier at twelve points"), std::string::npos);
    ASSERT_EQ(RunCli("pdf " + Q(in) + " -o " + Q(dir.Path("page.pdf"))).Status, 0);
    const TCommandRun pdf = RunCommand("pdftotext " + Q(dir.Path("page.pdf")) + " - 2>/dev/null");
    EXPECT_NE(pdf.Out.find("Courier at twelve points"), std::string::npos) << pdf.Out;
    EXPECT_EQ(RunCli("split " + Q(in) + " " + Q(dir.Path("pages"))).Status, 1);
}
