// pagellan-cli print and printers, run as a program against a real IPP printer: the raw job
// that arrives is the one "job" writes for the same options; the driver path delivers one page
// per page of the job.

#include "IppTestPrinter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

namespace pg {
namespace {

namespace fs = std::filesystem;

test::TCommandRun RunCli(const std::string& arguments, const fs::path& dir) {
    return test::RunCommand(std::string("'") + PAGELLAN_CLI + "' " + arguments + " 2>'" +
                            (dir / "err.txt").string() + "'");
}

size_t CountPages(const std::string& pdf) {
    const std::regex page(R"(/Type\s*/Page[^s])");
    return size_t(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

TEST(PrinterCli, PrintRawAndThroughDriver) {
    const test::TTempFolder folder("pg-prcli");
    const fs::path& dir = folder.Path();
    ASSERT_FALSE(dir.empty());
    const std::string package = std::string("'") + PAGELLAN_SOURCE_DIR + "/samples/demo.qdx'";
    test::TIppTestPrinter printer("application/vnd.hp-PCL,application/pdf");
    ASSERT_EQ(printer.Error(), "");

    const test::TCommandRun job =
        RunCli("job " + package + " -o '" + (dir / "job.pcl").string() + "' --barcodes --copies 1", dir);
    ASSERT_EQ(job.Status, 0);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(job.Out, m, std::regex(R"((\d+) page\(s\))")));
    const size_t pages = std::stoul(m[1].str());
    EXPECT_GT(pages, 1u);

    const test::TCommandRun raw =
        RunCli("print " + package + " --printer " + printer.Uri() + " --barcodes --copies 1", dir);
    EXPECT_EQ(raw.Status, 0);
    auto jobs = printer.WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(test::ReadWholeFile(jobs[0]), test::ReadWholeFile(dir / "job.pcl"));

    const test::TCommandRun driver =
        RunCli("print " + package + " --printer " + printer.Uri() + " --barcodes --copies 1 --driver", dir);
    EXPECT_EQ(driver.Status, 0);
    jobs = printer.WaitForJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(CountPages(test::ReadWholeFile(jobs[1])), pages);

    // Wrong use: no printer named; an unreachable printer fails.
    EXPECT_EQ(RunCli("print " + package, dir).Status, 2);
    const std::string nobody = "ipp://localhost:" + std::to_string(test::FreeLocalPort()) + "/ipp/print";
    EXPECT_EQ(RunCli("print " + package + " --printer " + nobody, dir).Status, 1);
    EXPECT_NE(test::ReadWholeFile(dir / "err.txt").find("Could not open printer : " + nobody),
              std::string::npos);
    EXPECT_EQ(RunCli("printers", dir).Status, 0);
}

} // namespace
} // namespace pg
