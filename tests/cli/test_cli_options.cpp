// pagellan-cli's command line: options a command does not know, and values of the wrong kind,
// are refused with its usage line and exit code 2 before anything is read or written; --help
// goes to standard output.

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace pg::test;

namespace {

std::string Cli() {
    return PAGELLAN_CLI;
}

std::string Demo() {
    return std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
}

struct TRow {
    const char* Name;
    std::string Arguments;
    int Status;
    const char* Says; // in what the command writes to standard output and error
};

TEST(CliOptions, UnknownOptionsAndBadValuesAreRefused) {
    TTempFolder folder("pg-cli-options");
    const std::string out = (folder.Path() / "out.qdx").string();
    const TRow rows[] = {
        {"typo of --no-deleted", "convert " + Demo() + " " + out + " --no-delete", 2, "unknown option --no-delete"},
        {"number expected", "render " + Demo() + " --form abc -o x.png", 2, "option --form: \"abc\" is not N"},
        {"list of numbers", "job " + Demo() + " -o x.pcl --selected 1,x", 2, "option --selected"},
        {"choice", "render " + Demo() + " --fill-color red -o x.png", 2, "black|blue"},
        {"missing value", "info " + Demo() + " --json --reorder --mode", 2, "unknown option --mode"},
        {"switch with a value", "info " + Demo() + " --json=yes", 2, "takes no value"},
        {"known options pass", "info " + Demo() + " --json --reorder", 0, "\"MissingForms\""},
        {"command help", "render --help", 0, "usage: pagellan-cli render INPUT"},
        {"program help", "--help", 0, "usage: pagellan-cli COMMAND"},
    };
    for (const TRow& row : rows) {
        const TCommandRun run = RunCommand(Cli() + " " + row.Arguments + " 2>&1");
        EXPECT_EQ(run.Status, row.Status) << row.Name << ": " << run.Out;
        EXPECT_NE(run.Out.find(row.Says), std::string::npos) << row.Name << ": " << run.Out;
        if (row.Status == 2) {
            EXPECT_NE(run.Out.find("usage: pagellan-cli"), std::string::npos) << row.Name;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(out)) << "a refused convert wrote its output";
    // Help is for standard output, where a pager or grep expects it.
    EXPECT_NE(RunCommand(Cli() + " --help 2>/dev/null").Out.find("usage:"), std::string::npos);
}

} // namespace
