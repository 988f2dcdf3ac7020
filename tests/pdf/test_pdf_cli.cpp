// The converter programs as scripts and the window's conversion run them: pcl2pdf's command
// line and exit status, and pagellan-cli pdf with its work files, its messages, and the
// bookmarks, labels and properties of what it writes.

#include "PackageFile.h"
#include "PdfMarks.h"
#include "PdfTools.h"
#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <regex>
#include <set>
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

// The value of a field of pdfinfo's report ("Title", "Optimized"); empty when it has none.
std::string PdfInfoField(const std::string& pdf, const std::string& field) {
    const std::string out = "\n" + test::RunCommand("pdfinfo \"" + pdf + "\" 2>/dev/null").Out;
    const size_t at = out.find("\n" + field + ":");
    if (at == std::string::npos)
        return {};
    const size_t from = out.find_first_not_of(' ', at + field.size() + 2);
    return out.substr(from, out.find('\n', from) - from);
}

TEST(CliPdf, BookmarksLabelsAndPropertiesFollowTheTree) {
    test::TTempFolder folder("cli-pdf-marks"), temp("cli-pdf-marks-temp");
    const std::string package = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
    // The tree as the program builds it; --selected counts its forms in display order.
    const std::unique_ptr<TDocSet> set = LoadPackageFile(package);
    if (!set->PlanCode.empty() && !set->Reordered)
        set->ReorderForms();
    TDocTree tree;
    tree.Build(*set, [](const std::string&) { return 0; });
    const std::vector<TDocSetForm*> forms = tree.FormsInDisplayOrder();
    ASSERT_EQ(forms.size(), 7u);
    ASSERT_EQ(forms[5]->BorrowerNumber, 2); // the second copy of a form two borrowers share
    const test::TPdfMarks whole = test::TreeMarks(tree, [](const TDocSetForm&) { return true; });
    const std::string title = "WS # " + set->WorksheetNumber + " - " + set->LenderName;
    const std::string pcl = folder.File("two pages.pcl", kTwoPages);
    const struct {
        const char* Name;
        std::string Input, Options;
        test::TPdfMarks Marks;
        std::string Title, Author, Optimized;
    } rows[] = {
        {"whole package", package, "", whole, title, set->LenderName, "no"},
        {"forms 2 and 6", package, "--selected 2,6",
         test::TreeMarks(tree, [&](const TDocSetForm& f) { return &f == forms[1] || &f == forms[5]; }), title,
         set->LenderName, "no"},
        {"no outline", package, "--no-outline", {}, title, set->LenderName, "no"},
        {"fast web view", package, "--fast-web-view", whole, title, set->LenderName, "yes"},
        {"plain PCL file", pcl, "", {{"Page 1 @1", "Page 2 @2", "Page 3 @3"}, {}}, "two pages.pcl", "", "no"},
    };
    for (const auto& row : rows) {
        const std::string pdf = folder.Path(std::string(row.Name) + ".pdf");
        ASSERT_EQ(
            CliPdf(PAGELLAN_CLI, temp, Quoted(row.Input) + " " + row.Options + " -o " + Quoted(pdf)).Status,
            0)
            << row.Name;
        EXPECT_TRUE(test::QpdfAccepts(pdf)) << row.Name;
        EXPECT_EQ(test::ReadPdfMarks(pdf), row.Marks) << row.Name;
        EXPECT_EQ(PdfInfoField(pdf, "Title"), row.Title) << row.Name;
        EXPECT_EQ(PdfInfoField(pdf, "Author"), row.Author) << row.Name;
        EXPECT_EQ(PdfInfoField(pdf, "Creator"), "Pagellan " PAGELLAN_PROGRAM_VERSION) << row.Name;
        EXPECT_EQ(PdfInfoField(pdf, "Optimized"), row.Optimized) << row.Name;
    }
    EXPECT_EQ(PdfInfoField(folder.Path("whole package.pdf"), "Subject"), "Loan documents");
    EXPECT_EQ(PdfInfoField(folder.Path("whole package.pdf"), "Keywords"),
              "Worksheet " + set->WorksheetNumber + ", Plan " + set->PlanCode);
    EXPECT_EQ(PdfInfoField(folder.Path("whole package.pdf"), "Pages"), "10");
    EXPECT_TRUE(Empty(temp.Path()));
}

// The demo's text layer holds every word pagellan-cli text reads from its pages, and every face
// is embedded once.
TEST(CliPdf, DemoKeepsWholeWordsAndOneFontProgramPerFace) {
    test::TTempFolder folder("cli-pdf-words"), temp("cli-pdf-words-temp");
    const std::string package = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
    const std::string pdf = folder.Path("demo.pdf");
    ASSERT_EQ(CliPdf(PAGELLAN_CLI, temp, Quoted(package) + " -o " + Quoted(pdf)).Status, 0);
    // The text command's own lines ("Form 1 — page 1") name the pages; the rest is their text.
    std::string text =
        test::RunCommand(Quoted(PAGELLAN_CLI) + " text " + Quoted(package) + " 2>/dev/null").Out;
    text = std::regex_replace(text, std::regex("(^|\n)Form [0-9]+ \xE2\x80\x94 page [0-9]+(?=\n)"), "$1");
    const std::set<std::string> read = test::WordsOf(text), extracted = test::WordsOf(test::PdfText(pdf));
    ASSERT_GT(read.size(), 300u);
    std::vector<std::string> missing;
    std::set_difference(read.begin(), read.end(), extracted.begin(), extracted.end(),
                        std::back_inserter(missing));
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
    const auto faces = test::FontProgramsByFace(pdf);
    EXPECT_GE(faces.size(), 4u);
    for (const auto& [face, programs] : faces)
        EXPECT_EQ(programs.size(), 1u) << face;
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
