// The converter programs as scripts and the window's conversion run them: pcl2pdf's command
// line and exit status, and pagellan-cli pdf with its work files and its messages.

#include "PdfTools.h"
#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pg {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

const std::string kTwoPages = "\x1b"
                              "E"
                              "\x1b&l2AFIRST PAGE\x1b&l3ASECOND PAGE\fTHIRD PAGE";

TEST(Pcl2Pdf, ConvertsAMultiPageFileWithTheConverterCommandLine) {
    test::TTempFolder folder("pcl2pdf");
    const std::string input = folder.File("job.pcl", kTwoPages);
    const std::string output = folder.Path("out put é.pdf");
    ASSERT_EQ(
        test::RunCommand(Quoted(PCL2PDF) + " " + Quoted(input) + " " + Quoted(output) + " -Legal -MM").Status,
        0);
    EXPECT_TRUE(test::QpdfAccepts(output));
    EXPECT_EQ(test::PdfPageSizes(output),
              (std::vector<std::string>{"612 x 792", "612 x 1008", "612 x 1008"}));
    EXPECT_NE(test::PdfText(output).find("THIRD PAGE"), std::string::npos);
}

TEST(Pcl2Pdf, FailuresAnswerNonZeroAndLeaveTheTargetAlone) {
    test::TTempFolder folder("pcl2pdf-fail");
    const std::string target = folder.File("keep.pdf", "earlier");
    const std::string input = folder.File("job.pcl", kTwoPages);
    struct {
        const char* Name;
        std::string Arguments;
        int Status;
    } cases[] = {
        {"no output named", Quoted(input), 2},
        {"unknown option", Quoted(input) + " " + Quoted(target) + " -Fast", 2},
        {"missing input", Quoted(folder.Path("none.pcl")) + " " + Quoted(target) + " -Legal -MM", 1},
        {"unwritable folder", Quoted(input) + " " + Quoted(folder.Path("no/such/out.pdf")), 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(test::RunCommand(Quoted(PCL2PDF) + " " + c.Arguments + " 2>/dev/null").Status, c.Status)
            << c.Name;
        EXPECT_EQ(test::ReadWholeFile(target), "earlier") << c.Name;
    }
}

// pagellan-cli pdf with a temporary folder of the test's own, to see the work files go.
test::TCommandRun CliPdf(const std::string& cli, const test::TTempFolder& temp,
                         const std::string& arguments) {
    return test::RunCommand("TEMP=" + Quoted(temp.Path().string()) + " " + Quoted(cli) + " pdf " + arguments +
                            " 2>&1");
}

bool Empty(const fs::path& folder) {
    return fs::is_empty(folder);
}

TEST(CliPdf, PackageAndPclFileThroughTheConverterNoWorkFilesLeft) {
    test::TTempFolder folder("cli-pdf"), temp("cli-pdf-temp");
    const std::string demo = folder.Path("demo package.pdf");
    ASSERT_EQ(CliPdf(PAGELLAN_CLI, temp,
                     Quoted(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx") + " -o " + Quoted(demo))
                  .Status,
              0);
    EXPECT_TRUE(test::QpdfAccepts(demo));
    EXPECT_EQ(test::PdfPageSizes(demo).size(), 10u);
    EXPECT_NE(test::PdfText(demo).find("HARBOR POINT SAVINGS"), std::string::npos);
    EXPECT_TRUE(Empty(temp.Path()));

    const std::string selected = folder.Path("selected.pdf");
    ASSERT_EQ(CliPdf(PAGELLAN_CLI, temp,
                     Quoted(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx") + " --selected 1 -o " +
                         Quoted(selected))
                  .Status,
              0);
    EXPECT_LT(test::PdfPageSizes(selected).size(), 10u);

    const std::string pcl = folder.File("job.pcl", kTwoPages);
    ASSERT_EQ(CliPdf(PAGELLAN_CLI, temp, Quoted(pcl) + " -o " + Quoted(folder.Path("job.pdf"))).Status, 0);
    EXPECT_EQ(test::PdfPageSizes(folder.Path("job.pdf")).size(), 3u);
    EXPECT_TRUE(Empty(temp.Path()));
}

TEST(CliPdf, MissingConverterIsReportedAndTheTargetKept) {
    test::TTempFolder folder("cli-pdf-alone"), temp("cli-pdf-alone-temp");
    // A copy of the program, with the program that runs its pdf command, in a folder without
    // the converter.
    const std::string cli = folder.Path("pagellan-cli");
    fs::copy_file(PAGELLAN_CLI, cli);
    fs::copy_file(fs::path(PAGELLAN_CLI).parent_path() / "pagellan-cli-settings",
                  folder.Path("pagellan-cli-settings"));
    const std::string target = folder.File("keep.pdf", "earlier");
    const test::TCommandRun run =
        CliPdf(cli, temp, Quoted(folder.File("job.pcl", kTwoPages)) + " -o " + Quoted(target));
    EXPECT_EQ(run.Status, 1);
    test::ExpectContains(run.Out, {"Error 2 executing ", " Executable not found"});
    EXPECT_EQ(test::ReadWholeFile(target), "earlier");
    EXPECT_TRUE(Empty(temp.Path()));
}

} // namespace
} // namespace pg
