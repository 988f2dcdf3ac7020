// pagellan-cli pages, split and reemit, run as a program on PCL the test writes and on PCL
// that Ghostscript's laser-printer driver writes.

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TRun = pg::test::TCommandRun;

TRun RunCli(const std::string& arguments) {
    return pg::test::RunCommand(std::string("'") + PAGELLAN_CLI + "' " + arguments + " 2>/dev/null");
}

fs::path WorkDir(const std::string& name) {
    const fs::path dir = fs::path(testing::TempDir()) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace

TEST(CliPcl, PagesSplitAndReemitAPclFile) {
    const fs::path dir = WorkDir("cli_pcl");
    const fs::path in = dir / "in.pcl";
    pg::test::WriteWholeFile(in, "\x1b&l1o2a0EOne\fTwo\f\fThree");
    TRun pages = RunCli("pages '" + in.string() + "'");
    EXPECT_EQ(pages.Status, 0);
    EXPECT_EQ(pages.Out, "3\n");
    TRun split = RunCli("split '" + in.string() + "' '" + (dir / "pages").string() + "'");
    EXPECT_EQ(split.Status, 0);
    EXPECT_EQ(pg::test::ReadWholeFile(dir / "pages" / "page-001.pcl"), "\x1b&l1O\x1b&l2A\x1b&l0EOne");
    // Later pages carry the landscape orientation and top margin page 1 left in force.
    EXPECT_EQ(pg::test::ReadWholeFile(dir / "pages" / "page-002.pcl"), "\x1b&l1O\x1b&l0ETwo");
    EXPECT_EQ(pg::test::ReadWholeFile(dir / "pages" / "page-003.pcl"), "\x1b&l1O\x1b&l0EThree");
    EXPECT_FALSE(fs::exists(dir / "pages" / "page-004.pcl"));
    TRun reemit = RunCli("reemit '" + in.string() + "' -o '" + (dir / "out.pcl").string() + "'");
    EXPECT_EQ(reemit.Status, 0);
    EXPECT_EQ(pg::test::ReadWholeFile(dir / "out.pcl"), "\x1b&l1O\x1b&l2A\x1b&l0EOne\fTwo\fThree");
    EXPECT_EQ(RunCli("reemit '" + in.string() + "'").Status, 2);
    EXPECT_EQ(RunCli("pages '" + (dir / "missing.pcl").string() + "'").Status, 1);
}

TEST(CliPcl, CountsAndSplitsGhostscriptLaserPrinterOutput) {
    if (std::system("gs --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "Ghostscript is not installed";
    const fs::path dir = WorkDir("cli_pcl_gs");
    pg::test::WriteWholeFile(dir / "in.ps",
                             "%!PS\n/Times-Roman findfont 30 scalefont setfont\n"
                             "100 600 moveto (First page) show showpage\n"
                             "100 600 moveto (Second page) show 100 100 300 20 rectfill showpage\n");
    const std::string gs = "gs -q -dNOPAUSE -dBATCH -sDEVICE=ljet2p -r300 -sOutputFile='" +
                           (dir / "out.pcl").string() + "' '" + (dir / "in.ps").string() +
                           "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(gs.c_str()), 0);
    TRun pages = RunCli("pages '" + (dir / "out.pcl").string() + "'");
    EXPECT_EQ(pages.Status, 0);
    EXPECT_EQ(pages.Out, "2\n");
    TRun split = RunCli("split '" + (dir / "out.pcl").string() + "' '" + (dir / "pages").string() + "'");
    EXPECT_EQ(split.Status, 0);
    EXPECT_TRUE(fs::exists(dir / "pages" / "page-002.pcl"));
    // Each page stream is a page of its own again.
    EXPECT_EQ(RunCli("pages '" + (dir / "pages" / "page-002.pcl").string() + "'").Out, "1\n");
}

// Re-emitted PCL has the pages of the original, whatever wrote it: groff's LaserJet 4 driver
// (pages ended by form feeds alone), Ghostscript's laser-printer devices, the demo package's
// print job.
TEST(CliPcl, ReemittedPclKeepsEveryPage) {
    const fs::path dir = WorkDir("cli_pcl_reemit");
    std::vector<std::pair<std::string, std::string>> producers; // name, shell command writing in.pcl
    if (std::system("groff -v > /dev/null 2>&1") == 0) {
        pg::test::WriteWholeFile(dir / "doc.ms", ".TL\nA letter\n.PP\nPage one.\n.bp\n.PP\nPage two.\n.bp\nPage three.\n");
        producers.emplace_back("groff lj4", "groff -ms -Tlj4 '" + (dir / "doc.ms").string() + "'");
    }
    if (std::system("gs --version > /dev/null 2>&1") == 0) {
        pg::test::WriteWholeFile(dir / "in.ps", "%!PS\n/Times-Roman findfont 30 scalefont setfont\n"
                                                "100 600 moveto (One) show showpage\n"
                                                "100 600 moveto (Two) show showpage\n"
                                                "100 100 300 20 rectfill showpage\n");
        for (const char* device : {"ljet2p", "ljet4", "laserjet"})
            producers.emplace_back(device, std::string("gs -q -dNOPAUSE -dBATCH -r300 -sDEVICE=") + device +
                                               " -sOutputFile=- '" + (dir / "in.ps").string() + "'");
    }
    producers.emplace_back("demo job", std::string("'") + PAGELLAN_CLI + "' job '" + PAGELLAN_SOURCE_DIR +
                                           "/samples/demo.qdx' -o /dev/stdout");
    for (const auto& [name, command] : producers) {
        const fs::path in = dir / "in.pcl";
        const fs::path out = dir / "out.pcl";
        ASSERT_EQ(std::system((command + " > '" + in.string() + "' 2>/dev/null").c_str()), 0) << name;
        const TRun original = RunCli("pages '" + in.string() + "'");
        ASSERT_EQ(RunCli("reemit '" + in.string() + "' -o '" + out.string() + "'").Status, 0) << name;
        EXPECT_GT(std::stoi(original.Out), 1) << name;
        EXPECT_EQ(RunCli("pages '" + out.string() + "'").Out, original.Out) << name;
    }
}

// Outputs are written whole or not at all: with the file size limited (as on a full disk), an
// earlier output stays as it was, split leaves no page files, and a read-only output is refused.
TEST(CliPcl, OutputsAreWrittenWholeOrNotAtAll) {
    const fs::path dir = WorkDir("cli_pcl_atomic");
    const fs::path in = dir / "in.pcl";
    const std::string pcl = std::string(1000, 'a') + "\f" + std::string(1000, 'b') + "\f" + std::string(6000, 'c');
    pg::test::WriteWholeFile(in, pcl);
    const fs::path out = dir / "out.pcl";
    pg::test::WriteWholeFile(out, "earlier");
    const std::string limited = "bash -c \"trap '' XFSZ; ulimit -f 4; '" + std::string(PAGELLAN_CLI) + "' ";
    EXPECT_EQ(pg::test::RunCommand(limited + "reemit '" + in.string() + "' -o '" + out.string() + "'\" 2>/dev/null").Status, 1);
    EXPECT_EQ(pg::test::ReadWholeFile(out), "earlier");
    EXPECT_EQ(pg::test::RunCommand(limited + "split '" + in.string() + "' '" + (dir / "pages").string() + "'\" 2>/dev/null").Status, 1);
    EXPECT_TRUE(fs::is_empty(dir / "pages"));
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(RunCli("reemit '" + in.string() + "' -o '" + out.string() + "'").Status, 1);
    EXPECT_EQ(pg::test::ReadWholeFile(out), "earlier");
}
