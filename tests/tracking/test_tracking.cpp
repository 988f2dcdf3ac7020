// The checksum history and the change marks of a loaded package.
#include "DocSetTrack.h"
#include "FormCRC.h"
#include "Prompt.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace pg {
namespace {

namespace fs = std::filesystem;

class Tracking : public ::testing::Test {
protected:
    // Forms given as name and one page of fill each; template "T".
    static std::unique_ptr<TDocSet> Package(const std::vector<std::pair<std::string, std::string>>& forms) {
        auto set = std::make_unique<TDocSet>();
        set->WorksheetNumber = "4711";
        for (const auto& [name, fill] : forms) {
            auto form = std::make_unique<TDocSetForm>(name, "Form " + name, 1, "", "LTR", true, false, false);
            auto page = std::make_unique<TDocSetPage>(1, "", false, "", 0, fill);
            page->TemplateData.AppendText("T");
            form->AddPage(std::move(page));
            set->AddForm(std::move(form));
        }
        return set;
    }

    static std::vector<std::string> ChangedNames(const TDocSet& set) {
        std::vector<std::string> names;
        for (const auto& entry : set.Forms)
            if (entry.Form->Changed)
                names.push_back(entry.Form->Name);
        return names;
    }

    fs::path History() const { return dir_ / "PG_4711_QuodexCRCs.xml"; }

    test::TTempFolder temp_{"pg_tracking"};
    const fs::path& dir_ = temp_.Path();
    const std::string folder_ = dir_.string() + "/";
};

TEST(FormChecksum, CrcOfAbcAndPageSeparators) {
    EXPECT_EQ(StreamChecksum("abc", 0), -899311408);
    EXPECT_EQ(uint32_t(StreamChecksum("abc", 0)), 0xCA6598D0u);

    TDocSetForm one("A", "", 1, "", "LTR", false, false, false);
    one.AddPage(std::make_unique<TDocSetPage>(1, "", false, "", 0, "abc"));
    EXPECT_EQ(one.FormChecksum(), -899311408) << "one page, empty template: the fill alone";

    TDocSetForm two("B", "", 1, "", "LTR", false, false, false);
    two.AddPage(std::make_unique<TDocSetPage>(1, "", false, "", 0, "ab"));
    two.AddPage(std::make_unique<TDocSetPage>(2, "", false, "", 0, "c"));
    two.Pages[0]->TemplateData.AppendText("X");
    two.Pages[1]->TemplateData.AppendText("Y");
    EXPECT_EQ(two.FormChecksum(), StreamChecksum(std::string("ab\xFE.PcXY"), 0));
}

TEST_F(Tracking, FirstLoadUnchangedReloadAndRevisedPackage) {
    TRecordingPrompter prompter;
    // First load: both versions hold the present checksums, nothing is changed.
    auto first = Package({{"A", "one"}, {"B", "two"}, {"C", "three"}});
    UpdateChangeMarks(*first, folder_);
    ASSERT_TRUE(fs::exists(History()));
    EXPECT_TRUE(ChangedNames(*first).empty());
    EXPECT_EQ(first->Form(0).Checksum, StreamChecksum("oneT", 0));
    const std::string written = test::ReadWholeFile(History());
    EXPECT_EQ(written.rfind("<?xml version=\"1.0\"?>\r\n<Quodexs>\r\n", 0), 0u) << written;
    EXPECT_EQ(written.find("\n", written.find("<Quodexs>")), written.find("<Quodexs>") + 10);
    EXPECT_EQ(written.find('\n'), written.find("\r\n") + 1);

    TDocSetTrack track;
    track.OpenHistory("4711", History().string());
    EXPECT_TRUE(track.FileExisted());
    EXPECT_EQ(track.GetFormCRC("Current", "B", "1"), StreamChecksum("twoT", 0));
    EXPECT_EQ(track.GetFormCRC("Previous", "B", "1"), StreamChecksum("twoT", 0));
    EXPECT_EQ(track.GetFormCRC("Current", "B", "2"), -1);
    EXPECT_EQ(track.GetFormCRC("Current", "Z", "1"), -1);
    const pugi::xml_node version =
        track.Document().select_node("/Quodexs/Package/Version[@State='Current']").node();
    EXPECT_STREQ(version.attribute("CRCXMLVersion").value(), "2.0");
    EXPECT_EQ(std::string(version.attribute("Date").value()).size(), 10u);
    EXPECT_EQ(std::string(version.attribute("Time").value()).size(), 8u);
    EXPECT_STREQ(version.child("Form").attribute("Descr").value(), "Form A");
    EXPECT_EQ(track.Document().select_nodes("/Quodexs/Package").size(), 2u);

    // Unchanged reload: nothing is written.
    fs::last_write_time(History(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    const auto stamp = fs::last_write_time(History());
    auto again = Package({{"A", "one"}, {"B", "two"}, {"C", "three"}});
    UpdateChangeMarks(*again, folder_);
    EXPECT_EQ(fs::last_write_time(History()), stamp);
    EXPECT_EQ(test::ReadWholeFile(History()), written);
    EXPECT_TRUE(ChangedNames(*again).empty());

    // Revised: B differs, C removed, D new.
    auto revised = Package({{"A", "one"}, {"B", "two!"}, {"D", "four"}});
    UpdateChangeMarks(*revised, folder_);
    EXPECT_EQ(ChangedNames(*revised), (std::vector<std::string>{"B", "D"}));
    track.OpenHistory("4711", History().string());
    EXPECT_EQ(track.GetFormCRC("Current", "C", "1"), -1) << "a removed form leaves the current version";
    EXPECT_EQ(track.GetFormCRC("Previous", "C", "1"), StreamChecksum("threeT", 0));
    EXPECT_EQ(track.GetFormCRC("Current", "D", "1"), StreamChecksum("fourT", 0));
    EXPECT_EQ(track.Document().select_nodes("/Quodexs/Package").size(), 2u);

    // Loading the same revised package again keeps the marks.
    auto revisedAgain = Package({{"A", "one"}, {"B", "two!"}, {"D", "four"}});
    UpdateChangeMarks(*revisedAgain, folder_);
    EXPECT_EQ(ChangedNames(*revisedAgain), (std::vector<std::string>{"B", "D"}));
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST_F(Tracking, MarksOfAnEarlierCallAreClearedWhereTheyNoLongerHold) {
    auto set = Package({{"A", "one"}, {"B", "two"}});
    UpdateChangeMarks(*set, folder_);
    set->Form(1).Pages[0]->FillData.AppendText("!");
    UpdateChangeMarks(*set, folder_);
    EXPECT_EQ(ChangedNames(*set), (std::vector<std::string>{"B"}));
    // A changes next: B now equals its previous checksum and loses its mark.
    set->Form(0).Pages[0]->FillData.AppendText("!");
    UpdateChangeMarks(*set, folder_);
    EXPECT_EQ(ChangedNames(*set), (std::vector<std::string>{"A"}));
}

TEST_F(Tracking, UntrackedPackagesOtherPackagesAndOddNames) {
    TRecordingPrompter prompter;
    auto untracked = Package({{"A", "one"}});
    untracked->WorksheetNumber.clear();
    UpdateChangeMarks(*untracked, folder_);
    EXPECT_TRUE(fs::is_empty(dir_));
    EXPECT_TRUE(ChangedNames(*untracked).empty());

    // A worksheet number cannot name a file outside the folder.
    EXPECT_EQ(HistoryFileName("/h/", "../x"), "/h/PG_.._x_QuodexCRCs.xml");
    EXPECT_EQ(HistoryFileName("C:\\h\\", "12"), "C:/h/PG_12_QuodexCRCs.xml");

    // Two packages in one file keep their own versions.
    TDocSetTrack track;
    track.OpenHistory("P1", (dir_ / "shared.xml").string());
    EXPECT_FALSE(track.FileExisted());
    track.RecordVersion({{"F", "d", 1, 5}});
    track.SaveHistory();
    track.OpenHistory("P2", (dir_ / "shared.xml").string());
    track.RecordVersion({{"F", "d", 1, 7}});
    track.RecordVersion({{"F", "d", 1, 8}});
    track.SaveHistory();
    EXPECT_EQ(track.GetFormCRC("Current", "F", "1"), 8);
    EXPECT_EQ(track.GetFormCRC("Previous", "F", "1"), 7);
    track.OpenHistory("P1", (dir_ / "shared.xml").string());
    EXPECT_EQ(track.GetFormCRC("Current", "F", "1"), 5);
    EXPECT_EQ(track.Document().select_nodes("/Quodexs/Package").size(), 4u);

    // A CRC that is not a number reads as -1; no root element reads as 0.
    std::ofstream(dir_ / "odd.xml") << "<Quodexs><Package ID=\"X\"><Version State=\"Current\">"
                                       "<Form Format=\"F\" BorrowerNumber=\"1\" CRC=\"12a\"/>"
                                       "<Form Format=\"G\" BorrowerNumber=\"1\" CRC=\"-2147483648\"/>"
                                       "</Version></Package></Quodexs>";
    track.OpenHistory("X", (dir_ / "odd.xml").string());
    EXPECT_EQ(track.GetFormCRC("Current", "F", "1"), -1);
    EXPECT_EQ(track.GetFormCRC("Current", "G", "1"), INT32_MIN);
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST_F(Tracking, UnreadableHistoryIsKeptAsideAndANewOneStarted) {
    TRecordingPrompter prompter;
    std::ofstream(History()) << "<Quodexs><Package ID=";
    std::ofstream(History().string() + ".bad") << "older damage";
    auto set = Package({{"A", "one"}});
    UpdateChangeMarks(*set, folder_);
    EXPECT_EQ(test::ReadWholeFile(History().string() + ".bad2"), "<Quodexs><Package ID=");
    EXPECT_EQ(test::ReadWholeFile(History().string() + ".bad"), "older damage");
    TDocSetTrack track;
    track.OpenHistory("4711", History().string());
    EXPECT_EQ(track.GetFormCRC("Current", "A", "1"), StreamChecksum("oneT", 0));
    EXPECT_TRUE(ChangedNames(*set).empty());
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::Warning);
    EXPECT_NE(prompter.Entries()[0].Text.find(".bad2"), std::string::npos);

    // A folder that cannot be written: a warning, and the marks still come from memory.
    TRecordingPrompter second;
    auto elsewhere = Package({{"A", "one"}});
    UpdateChangeMarks(*elsewhere, (dir_ / "missing" / "deeper").string() + "/");
    ASSERT_EQ(second.Entries().size(), 1u);
    EXPECT_NE(second.Entries()[0].Text.find("Could not save the history file"), std::string::npos);
    EXPECT_EQ(elsewhere->Form(0).Checksum, StreamChecksum("oneT", 0));
    EXPECT_TRUE(ChangedNames(*elsewhere).empty());
}

TEST_F(Tracking, HistoryThatCannotBeReadIsReportedAndLeftAlone) {
    // A folder in the file's place: it exists, yet reading it fails (also for root).
    fs::create_directories(History() / "inside");
    TRecordingPrompter prompter;
    auto set = Package({{"A", "one"}});
    UpdateChangeMarks(*set, folder_);
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::Warning);
    EXPECT_NE(prompter.Entries()[0].Text.find("could not be read: " + History().string()), std::string::npos);
    EXPECT_TRUE(fs::is_directory(History() / "inside"));
    EXPECT_FALSE(fs::exists(History().string() + ".bad"));
    EXPECT_TRUE(ChangedNames(*set).empty());
    TDocSetTrack track;
    track.OpenHistory("4711", History().string());
    EXPECT_TRUE(track.FileExisted());
    EXPECT_FALSE(track.ReadError().empty());
    EXPECT_TRUE(track.SetAsideFile().empty());
}

} // namespace
} // namespace pg
