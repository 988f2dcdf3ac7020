// pagellan-cli print and printers, run as a program against a real IPP printer: the raw job
// that arrives is the one "job" writes for the same options; the driver path delivers one page
// per page of the job.

#include "IppTestPrinter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

namespace pg {
namespace {

namespace fs = std::filesystem;

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun RunCli(const std::string& arguments, const fs::path& dir) {
    const fs::path out = dir / "out.txt";
    const std::string command = std::string("'") + PAGELLAN_CLI + "' " + arguments + " >'" + out.string() +
                                "' 2>'" + (dir / "err.txt").string() + "'";
    TRun run;
    run.Status = test::ExitCode(std::system(command.c_str()));
    run.Out = test::ReadWholeFile(out);
    return run;
}

size_t CountPages(const std::string& pdf) {
    const std::regex page(R"(/Type\s*/Page[^s])");
    return size_t(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

TEST(PrinterCli, PrintRawAndThroughDriver) {
    std::string pattern = (fs::temp_directory_path() / "pg-prcli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::string package = std::string("'") + PAGELLAN_SOURCE_DIR + "/samples/demo.qdx'";
    test::TIppTestPrinter printer("application/vnd.hp-PCL,application/pdf");
    ASSERT_EQ(printer.Error(), "");

    const TRun job =
        RunCli("job " + package + " -o '" + (dir / "job.pcl").string() + "' --barcodes --copies 1", dir);
    ASSERT_EQ(job.Status, 0);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(job.Out, m, std::regex(R"((\d+) page\(s\))")));
    const size_t pages = std::stoul(m[1].str());
    EXPECT_GT(pages, 1u);

    const TRun raw =
        RunCli("print " + package + " --printer " + printer.Uri() + " --barcodes --copies 1", dir);
    EXPECT_EQ(raw.Status, 0);
    auto jobs = printer.WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(test::ReadWholeFile(jobs[0]), test::ReadWholeFile(dir / "job.pcl"));

    const TRun driver =
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
    fs::remove_all(dir);
}

} // namespace
} // namespace pg
