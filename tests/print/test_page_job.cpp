// The page window's job and the tool-bar Print's choice, without windows.

#include "DocTree.h"
#include "PrintTree.h"
#include "PrintWalk.h"
#include "TreeFixtures.h"

#include "TestText.h"

#include <gtest/gtest.h>

namespace pg {
namespace {

constexpr char kReset[] = "\x1b"
                          "E";

TEST(PageJob, PlainFilePageAndPackagePage) {
    // A plain file's page goes out unchanged between the two resets, whatever the choices.
    TPrintChoices choices;
    choices.BarCodes = true;
    choices.FormNames = true;
    choices.AdditionalCopies = 3;
    const std::string plain = "\x1b&l3A\x1b*p100x100YPlain page\f";
    THLWPrintJobStream file(TCopyFooters{"FIRST", "SECOND", "", ""});
    AssemblePageJob(file, nullptr, nullptr, plain, choices);
    EXPECT_EQ(file.View(), std::string(kReset) + plain + kReset);

    // A package page: its fill once, the first set's footer, one page, no copies.
    auto set = testing::ExampleSet();
    set->Form(0).Pages[0]->FillData = THLWMemorystream(std::string("\x1b*p300x300YFill of A"));
    TInfo info;
    info.Form = &set->Form(0);
    info.PageNumber = 1;
    THLWPrintJobStream page(TCopyFooters{"FIRST", "SECOND", "", ""});
    AssemblePageJob(page, set.get(), &info, {}, choices);
    const std::string_view bytes = page.View();
    EXPECT_TRUE(bytes.starts_with(kReset));
    EXPECT_TRUE(bytes.ends_with(kReset));
    EXPECT_EQ(test::CountOf(bytes, "Fill of A"), 1u);
    EXPECT_EQ(test::CountOf(bytes, "FIRST"), 1u);
    EXPECT_EQ(test::CountOf(bytes, "SECOND"), 0u);
    EXPECT_EQ(page.PagesWritten, 1);
    // The letter form's page-size command comes before its text.
    EXPECT_LT(bytes.find("\x1b&l2A"), bytes.find("Fill of A"));

    // All on legal turns the page's paper to legal.
    choices.AllOnLegal = true;
    THLWPrintJobStream legal(TCopyFooters{"FIRST", "", "", ""});
    AssemblePageJob(legal, set.get(), &info, {}, choices);
    EXPECT_NE(legal.View().find("\x1b&l3A"), std::string_view::npos);
    EXPECT_EQ(legal.View().find("\x1b&l2A"), std::string_view::npos);
}

TEST(PageJob, PrintButtonChoosesAllOrSelected) {
    auto set = testing::ExampleSet();
    TDocTree tree;
    tree.Build(*set, [](const std::string&) { return 0; });
    TTreeNode* root = tree.Root();
    TTreeNode* form = root->Children.front().get();
    EXPECT_TRUE(PrintButtonPrintsAll(tree, {}));
    EXPECT_TRUE(PrintButtonPrintsAll(tree, {root}));
    EXPECT_FALSE(PrintButtonPrintsAll(tree, {form}));
    EXPECT_FALSE(PrintButtonPrintsAll(tree, {root, form}));
}

} // namespace
} // namespace pg
