// pagellan-cli on damaged packages, on a package whose plan code reorders its forms, and
// render's output when the disk is full or the output read-only.

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace pg::test;
namespace fs = std::filesystem;

namespace {

std::string Cli() {
    return PAGELLAN_CLI;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// Standard error and output together.
TCommandRun RunCli(const std::string& arguments) {
    return RunCommand(Cli() + " " + arguments + " 2>&1");
}

// A Quodex package of one-page forms (name, fill) and an embedded stacking order.
std::string Quodex(const std::vector<std::pair<std::string, std::string>>& forms, const std::string& order) {
    std::string dsp = "PLANCODE;P1\r\n", directory, data;
    auto entry = [&](const std::string& name, const std::string& bytes) {
        directory += (directory.empty() ? "" : ";") + std::string("PCL,") + name + "," +
                     std::to_string(data.size() + 1) + "," + std::to_string(bytes.size());
        data += bytes;
    };
    for (size_t i = 0; i < forms.size(); ++i) {
        const std::string seq = std::to_string(i + 1);
        dsp += seq + "\xFD" + forms[i].first +
               "\xFD"
               "desc\xFD"
               "1\xFD"
               "1\xFD"
               "1\xFDLTR\xFD"
               "Bob\xFDY\xFDY\xFDN\xFDN\xFD\r\n";
        entry("F5.0" + seq + "1", forms[i].second);
    }
    entry("5.DSP", dsp);
    if (!order.empty())
        entry("PLANCODE.ORD", order);
    return "WS,5:" + directory + ":" + data;
}

// A fill with its own words and a black bar at its own height.
std::string Fill(const std::string& word, int y) {
    return "\x1b*p300x" + std::to_string(y) + "Y" + word + "\x1b*c600a60b0P\f";
}

TEST(CliRobust, TruncatedPackagesExitOneAndWriteNothing) {
    TTempFolder folder("pg-cli-cut");
    const std::string qdx = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
    const std::string tsn = folder.Path("demo.tsn");
    ASSERT_EQ(RunCli("convert " + qdx + " " + tsn).Status, 0);
    const std::string out = folder.Path("out");
    for (const std::string& source : {qdx, tsn}) {
        const std::string bytes = ReadWholeFile(source);
        // A Tesselon file ends with a reset outside every page: cuts stop before it.
        const size_t end = bytes.size() - (source == tsn ? 2 : 0);
        for (size_t k = 1; k <= 7; ++k) {
            const size_t cut = end * k / 8 + k;
            const std::string name = fs::path(source).filename().string() + " cut at " + std::to_string(cut);
            const std::string file =
                folder.File("cut" + fs::path(source).extension().string(), bytes.substr(0, cut));
            const TCommandRun info = RunCli("info " + Quote(file));
            EXPECT_EQ(info.Status, 1) << name << ": " << info.Out;
            EXPECT_TRUE(info.Out.find("is damaged: ") != std::string::npos ||
                        info.Out.find("Invalid Quodex format") != std::string::npos ||
                        info.Out.find("Missing XML FormList data") != std::string::npos)
                << name << ": " << info.Out;
            for (const std::string& command :
                 std::vector<std::string>{"convert " + Quote(file) + " " + out + ".qdx",
                                          "job " + Quote(file) + " -o " + out + ".pcl",
                                          "pdf " + Quote(file) + " -o " + out + ".pdf"}) {
                EXPECT_EQ(RunCli(command).Status, 1) << name << ": " << command;
            }
            for (const char* ext : {".qdx", ".pcl", ".pdf"})
                EXPECT_FALSE(fs::exists(out + ext)) << name << ": " << ext << " written";
            fs::remove(file);
        }
    }
    // Asked for, what could be read is written, and says what is damaged.
    const std::string bytes = ReadWholeFile(tsn);
    const std::string file = folder.File("cut.tsn", bytes.substr(0, bytes.size() - 3000));
    const TCommandRun accepted = RunCli("job " + Quote(file) + " -o " + out + ".pcl --accept-damaged");
    EXPECT_EQ(accepted.Status, 0) << accepted.Out;
    EXPECT_NE(accepted.Out.find("runs past the end of the page data"), std::string::npos) << accepted.Out;
    EXPECT_GT(fs::file_size(out + ".pcl"), 1000u);
}

TEST(CliRobust, ReorderedFormsAreNumberedAlikeByEveryCommand) {
    TTempFolder folder("pg-cli-order");
    const std::string a = Fill("FORM-A", 300), b = Fill("FORM-B", 900), c = Fill("FORM-C", 1500);
    // The plan puts C first: the window shows C, A, B.
    const std::string package =
        folder.File("p.qdx", Quodex({{"A.DOT", a}, {"B.DOT", b}, {"C.DOT", c}}, "P1\xFD"
                                                                                "C.DOT\xFD"
                                                                                "A.DOT\xFD"
                                                                                "B.DOT\r\n"));
    const std::string onlyC = folder.File("c.qdx", Quodex({{"C.DOT", c}}, ""));
    const std::string onlyA = folder.File("a.qdx", Quodex({{"A.DOT", a}}, ""));

    const TCommandRun info = RunCli("info " + package);
    ASSERT_EQ(info.Status, 0) << info.Out;
    const size_t one = info.Out.find("  1. C.DOT"), two = info.Out.find("  2. A.DOT"),
                 three = info.Out.find("  3. B.DOT");
    EXPECT_TRUE(one != std::string::npos && one < two && two < three) << info.Out;

    auto render = [&](const std::string& file, const std::string& form) {
        const std::string png = folder.Path("r" + form + fs::path(file).stem().string() + ".png");
        EXPECT_EQ(RunCli("render " + file + " --form " + form + " -o " + png).Status, 0) << file;
        return ReadWholeFile(png);
    };
    const std::string first = render(package, "1");
    EXPECT_EQ(first, render(onlyC, "1"));
    EXPECT_NE(first, render(onlyA, "1"));
    EXPECT_EQ(render(package, "3"), render(folder.File("b.qdx", Quodex({{"B.DOT", b}}, "")), "1"));

    for (const auto& [number, word] : {std::pair{"1", "FORM-C"}, {"2", "FORM-A"}, {"3", "FORM-B"}}) {
        const std::string job = folder.Path(std::string("job") + number + ".pcl");
        ASSERT_EQ(RunCli("job " + package + " --selected " + number + " -o " + job).Status, 0);
        const std::string bytes = ReadWholeFile(job);
        for (const char* other : {"FORM-A", "FORM-B", "FORM-C"})
            EXPECT_EQ(bytes.find(other) != std::string::npos, std::string(other) == word) << number << other;
    }
    EXPECT_EQ(RunCli("job " + package + " --selected 4 -o " + folder.Path("x.pcl")).Status, 2);
}

TEST(CliRobust, RenderReplacesItsOutputWholeOrNotAtAll) {
    TTempFolder folder("pg-cli-atomic");
    const std::string package = folder.File("c.qdx", Quodex({{"C.DOT", Fill("FORM-C", 600)}}, ""));
    const std::string png = folder.File("page.png", "old picture");
    // A disk that fills up after 2 KB: the write fails and the old file stays.
    const TCommandRun full = RunCommand("sh -c \"trap '' XFSZ; ulimit -f 4; exec " + Cli() + " render " +
                                        package + " -o " + png + "\" 2>&1");
    EXPECT_EQ(full.Status, 1) << full.Out;
    EXPECT_EQ(ReadWholeFile(png), "old picture");
    ::chmod(png.c_str(), 0444);
    const TCommandRun readOnly = RunCli("render " + package + " -o " + png);
    EXPECT_EQ(readOnly.Status, 1);
    EXPECT_NE(readOnly.Out.find("read-only"), std::string::npos) << readOnly.Out;
    EXPECT_EQ(ReadWholeFile(png), "old picture");
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder.Path()))
        ++files;
    EXPECT_EQ(files, 2u) << "a temporary file was left behind";
    ::chmod(png.c_str(), 0644);
    EXPECT_EQ(RunCli("render " + package + " -o " + png).Status, 0);
    EXPECT_EQ(ReadWholeFile(png).substr(1, 3), "PNG");
}

} // namespace
