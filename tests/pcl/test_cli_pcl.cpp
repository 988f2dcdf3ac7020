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
    EXPECT_EQ(pg::test::ReadWholeFile(dir / "pages" / "page-002.pcl"), "Two");
    EXPECT_EQ(pg::test::ReadWholeFile(dir / "pages" / "page-003.pcl"), "Three");
    EXPECT_FALSE(fs::exists(dir / "pages" / "page-004.pcl"));
    TRun reemit = RunCli("reemit '" + in.string() + "' -o '" + (dir / "out.pcl").string() + "'");
    EXPECT_EQ(reemit.Status, 0);
    EXPECT_EQ(pg::test::ReadWholeFile(dir / "out.pcl"), "\x1b&l1O\x1b&l2A\x1b&l0EOneTwoThree");
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
