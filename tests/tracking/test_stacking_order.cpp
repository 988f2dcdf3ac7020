// The stacking-order file: one line per plan code, saved, replaced, deleted and applied; and the
// confirmation text of a complete stack.
#include "StackingOrder.h"

#include "Prompt.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>

#include <memory>
#include <string>
#include <vector>

namespace pg {
namespace {

const std::string FD = "\xFD";

std::unique_ptr<TDocSet> Package(const std::vector<std::string>& names) {
    auto set = std::make_unique<TDocSet>();
    set->CanAnnotate = true;
    for (const std::string& name : names)
        set->AddForm(std::make_unique<TDocSetForm>(name, "", 1, "", "LTR", false, false, false));
    return set;
}

std::vector<TDocSetForm*> Forms(const TDocSet& set, const std::vector<size_t>& order) {
    std::vector<TDocSetForm*> forms;
    for (const size_t i : order)
        forms.push_back(&set.Form(i));
    return forms;
}

TEST(StackingOrder, SavingTwiceKeepsOneLineAndOtherPlansStay) {
    test::TTempFolder dir("pg-order");
    const std::string file =
        dir.File("PLANCODE.ORD", "OTHER" + FD + "X\r\nP7" + FD + "OLD\r\nP7" + FD + "DUP\r\n");
    auto set = Package({"A", "B", "C"});
    set->PlanCode = "P7";
    EXPECT_EQ(SaveStackingOrder(set.get(), Forms(*set, {2, 0, 1}), file, nullptr), TSaveOrderResult::Saved);
    EXPECT_EQ(SaveStackingOrder(set.get(), Forms(*set, {1, 2, 0}), file, nullptr), TSaveOrderResult::Saved);
    EXPECT_EQ(test::ReadWholeFile(file), "OTHER" + FD + "X\r\nP7" + FD + "B" + FD + "C" + FD + "A\r\n");

    // The saved order is the one the next package of the plan is loaded in.
    auto next = Package({"A", "B", "C", "NEW"});
    next->PlanCode = "P7";
    next->StackingOrder = ReadOrderLines(file);
    next->ReorderForms();
    EXPECT_EQ(next->Form(0).Name, "B");
    EXPECT_EQ(next->Form(1).Name, "C");
    EXPECT_EQ(next->Form(2).Name, "A");
    EXPECT_EQ(next->Form(3).Name, "NEW");
}

TEST(StackingOrder, LockedMissingPlanCodeAndNewFile) {
    test::TTempFolder dir("pg-order");
    const std::string file = dir.Path("PLANCODE.ORD");
    TRecordingPrompter prompter;
    auto set = Package({"A"});
    set->CanAnnotate = false;
    EXPECT_EQ(SaveStackingOrder(set.get(), Forms(*set, {0}), file, nullptr), TSaveOrderResult::Locked);
    EXPECT_EQ(SaveStackingOrder(nullptr, {}, file, nullptr), TSaveOrderResult::Locked);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>(2, kOrderLockedMessage));
    set->CanAnnotate = true;
    EXPECT_EQ(SaveStackingOrder(set.get(), Forms(*set, {0}), file, [] { return std::string(" "); }),
              TSaveOrderResult::NoPlanCode);
    EXPECT_FALSE(test::ReadWholeFile(file).size());
    set->PlanCode.clear();
    EXPECT_EQ(SaveStackingOrder(set.get(), Forms(*set, {0}), file, [] { return std::string("NEWPLAN"); }),
              TSaveOrderResult::Saved);
    EXPECT_EQ(set->PlanCode, "NEWPLAN");
    EXPECT_EQ(test::ReadWholeFile(file), "NEWPLAN" + FD + "A\r\n");
}

TEST(StackingOrder, DeletingAPlanCodeRemovesEveryLine) {
    test::TTempFolder dir("pg-order");
    const std::string file = dir.File("PLANCODE.ORD", "P" + FD + "A\r\nQ" + FD + "B\r\nP" + FD + "C\r\n");
    EXPECT_TRUE(DeleteStackingOrder(file, " P "));
    EXPECT_EQ(test::ReadWholeFile(file), "Q" + FD + "B\r\n");
    EXPECT_EQ(ReadOrderLines(dir.Path("none.ord")), std::vector<std::string>{});
}

// A file that is there but cannot be read holds the other plans' orders: saving and deleting
// leave it alone and say which file it is.
TEST(StackingOrder, AnUnreadableFileIsNeverWrittenOver) {
    test::TTempFolder dir("pg-order");
    const std::string file = dir.Path("PLANCODE.ORD");
    const struct {
        const char* Name;
        std::function<void()> Make;
        bool AsRoot;
    } rows[] = {
        {"a folder", [&] { std::filesystem::create_directory(file); }, true},
        {"a link to itself", [&] { std::filesystem::create_symlink("PLANCODE.ORD", file); }, true},
        {"no read permission",
         [&] {
             test::WriteWholeFile(file, "OTHER" + FD + "X\r\n");
             std::filesystem::permissions(file, std::filesystem::perms::none);
         },
         false},
    };
    auto set = Package({"A"});
    set->PlanCode = "P7";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        if (!row.AsRoot && ::geteuid() == 0)
            continue; // root reads whatever the permissions say
        std::filesystem::remove_all(file);
        row.Make();
        const auto before = std::filesystem::symlink_status(file).type();
        TRecordingPrompter prompter;
        EXPECT_EQ(SaveStackingOrder(set.get(), Forms(*set, {0}), file, nullptr),
                  TSaveOrderResult::ReadFailed);
        EXPECT_FALSE(DeleteStackingOrder(file, "OTHER"));
        ASSERT_EQ(prompter.Texts().size(), 2u);
        for (const std::string& text : prompter.Texts())
            EXPECT_EQ(text.rfind("The stacking order file " + file + " cannot be read (", 0), 0u) << text;
        EXPECT_EQ(std::filesystem::symlink_status(file).type(), before);
        std::error_code ec;
        std::filesystem::permissions(file, std::filesystem::perms::owner_all, ec);
    }
}

TEST(StackingOrder, ConfirmationText) {
    const TDateTime when = DateTimeFromTime(0) + 0; // any moment; the texts come from the helpers
    const std::string stars(68, '*');
    EXPECT_EQ(ConfirmationText("2026114", when),
              "\x1b"
              "E" +
                  stars + "\n\rAll forms exist for worksheet : 2026114\n\rDate: " + DateText(when) +
                  " Time: " + TimeText(when) + "\n\r" + stars + "\f\x1b" + "E");
}

} // namespace
} // namespace pg
