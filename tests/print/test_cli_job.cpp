// pagellan-cli job, run as a program on a small package the test writes: the job starts and ends
// with the printer reset, every page carries its page-size command, and the order, selection and
// copy options decide which pages follow which.

#include "DocSet.h"
#include "Quodex.h"

#include "TestFiles.h"
#include "TestText.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pg {
namespace {

namespace fs = std::filesystem;

constexpr char kReset[] = "\x1b"
                          "E";
constexpr char kLetter[] = "\x1b&l2A";
constexpr char kLegal[] = "\x1b&l3A";

void AddForm(TDocSet& set, const std::string& name, const std::string& paper, const std::string& text) {
    auto form =
        std::make_unique<TDocSetForm>(name, name + " form", 1, "JOHN SMITH", paper, false, false, false);
    form->AddPage(std::make_unique<TDocSetPage>(1, "T.LSR", false, "", 0, text));
    set.AddForm(std::move(form));
}

class CliJob : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.empty());
        ::setenv("PAGELLAN_SETTINGS_DIR", (dir_ / "settings").c_str(), 1);
        TDocSet set;
        set.WorksheetNumber = "42";
        AddForm(set, "A.LSR", "LTR", "Letter page text");
        AddForm(set, "B.LSR", "LGL", "Legal page text");
        package_ = (dir_ / "small.qdx").string();
        test::WriteWholeFile(package_, TQuodex::BuildQuodex(set, TSaveMode::All, true, false));
    }

    // The job's bytes, or the exit status as text when it failed.
    std::string Job(const std::string& options, int& status) {
        const fs::path out = dir_ / "job.pcl";
        fs::remove(out);
        const std::string command = std::string("'") + PAGELLAN_CLI + "' job '" + package_ + "' -o '" +
                                    out.string() + "' " + options + " >/dev/null 2>'" +
                                    (dir_ / "err.txt").string() + "'";
        status = test::ExitCode(std::system(command.c_str()));
        return test::ReadWholeFile(out);
    }

    test::TTempFolder folder_{"pg-clijob"};
    const fs::path& dir_ = folder_.Path();
    std::string package_;
};

TEST_F(CliJob, ResetsPageSizesAndOrder) {
    int status = -1;
    const std::string shown = Job("", status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(shown.rfind(kReset, 0), 0u);
    EXPECT_TRUE(shown.ends_with(kReset));
    const size_t letterText = shown.find("Letter page text");
    const size_t legalText = shown.find("Legal page text");
    ASSERT_NE(letterText, std::string::npos);
    ASSERT_NE(legalText, std::string::npos);
    // As displayed: the letter form first; each page is preceded by its own page size.
    EXPECT_LT(letterText, legalText);
    EXPECT_LT(shown.find(kLetter), letterText);
    EXPECT_LT(letterText, shown.find(kLegal));
    EXPECT_LT(shown.find(kLegal), legalText);

    const std::string legalFirst = Job("--order legal-first", status);
    ASSERT_EQ(status, 0);
    EXPECT_LT(legalFirst.find("Legal page text"), legalFirst.find("Letter page text"));
    EXPECT_LT(legalFirst.find(kLegal), legalFirst.find(kLetter));
    EXPECT_EQ(legalFirst.size(), shown.size());

    // Only the second form; one more copy doubles every page.
    const std::string selected = Job("--selected 2", status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(test::CountOf(selected, "Letter page text"), 0u);
    EXPECT_EQ(test::CountOf(selected, "Legal page text"), 1u);
    const std::string copies = Job("--copies 1", status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(test::CountOf(copies, "Letter page text"), 2u);
    EXPECT_EQ(test::CountOf(copies, "Legal page text"), 2u);

    // Wrong use writes nothing.
    for (const char* wrong : {"--selected 3", "--copies 4", "--order sideways"}) {
        EXPECT_EQ(Job(wrong, status), "") << wrong;
        EXPECT_EQ(status, 2) << wrong;
    }
}

} // namespace
} // namespace pg
