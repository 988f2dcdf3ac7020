#include "Trace.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

namespace pg {
namespace {

// The sink decides once per process whether and where it writes, so every case runs in a
// child process of its own.
std::string TraceFile(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid())))
        .string();
}

TEST(TraceDeathTest, WritesStampedLinesToTheNamedFile) {
    const std::string file = TraceFile("pg-trace");
    std::filesystem::remove(file);
    EXPECT_EXIT(
        {
            ::setenv("PAGELLAN_TRACE", file.c_str(), 1);
            DebugMsg("Main : On create; start");
            DebugMsg("OptionsFrm : ReadDocViewINI");
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    const std::string text = test::ReadWholeFile(file);
    std::filesystem::remove(file);
    const std::regex expected("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d Main : On create; start\n"
                              "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d OptionsFrm : ReadDocViewINI\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST(TraceDeathTest, SilentWithoutATraceFile) {
    const std::string file = TraceFile("pg-trace-silent");
    std::filesystem::remove(file);
    // Without PAGELLAN_TRACE at the first line the sink stays silent for the run, even when
    // the variable appears later.
    EXPECT_EXIT(
        {
            ::unsetenv("PAGELLAN_TRACE");
            DebugMsg("Main : On create; start");
            ::setenv("PAGELLAN_TRACE", file.c_str(), 1);
            DebugMsg("Main : later");
            std::exit(std::filesystem::exists(file) ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_FALSE(std::filesystem::exists(file));
    // An empty variable means no trace as well.
    EXPECT_EXIT(
        {
            ::setenv("PAGELLAN_TRACE", "", 1);
            DebugMsg("Main : On create; start");
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace pg
