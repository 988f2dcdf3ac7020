// The tree logic, the command line, the enabling rules and the package loading, headless.

#include "AboutInfo.h"
#include "CommandLine.h"
#include "LoadPackage.h"
#include "MainStates.h"
#include "PGRegistry.h"
#include "PackagePdf.h"
#include "Paths.h"
#include "Prompt.h"
#include "Quodex.h"
#include "Strings.h"
#include "TreeCommands.h"
#include "TreeFixtures.h"

#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <tuple>

using namespace pg;
using pg::test::ExpectEach;
using pg::test::TTempFolder;
using pg::testing::AddTestForm;
using pg::testing::ExampleSet;

namespace {

std::vector<std::string> Captions(const TTreeNode& node) {
    std::vector<std::string> out;
    for (const auto& child : node.Children)
        out.push_back(child->Caption);
    return out;
}

// A node's kind, picture and page number (-1 for a node over several pages).
std::tuple<TNodeKind, int, int> Look(const TTreeNode& node) {
    return {node.Kind, node.ImageIndex, node.Info->PageNumber};
}

int CaptionLength(const std::string& s) {
    return int(s.size()) * 7;
}

} // namespace

TEST(CommandLine, SwitchesAndValues) {
    SetCommandLine({"pkg.qdx", "/instance=2", "/DEBUG", "email=Jane@Example.com"});
    EXPECT_EQ(PackageArgument(), "pkg.qdx");
    ExpectEach<bool>(HasSwitch, {{"/Instance", true}, {"  /d ", true}, {"/NoTaskBar", false}});
    ExpectEach<int>(SwitchNumber, {{"/Instance", 2}, {"/NAME=", -1}, {"/DEBUG", 0}});
    ExpectEach(ArgumentValue, {{"email", "Jane@Example.com"}, {"password", ""}});
    TWindowPlace place;
    ASSERT_TRUE(InstancePlacement(place));
    EXPECT_EQ((std::pair{place.Top, place.Left}), (std::pair{40, 30}));
    EXPECT_FALSE(WantsSyntaxHelp());

    // "/Instance" followed by a separate number: the switch has no value, the window stays put.
    SetCommandLine({"pkg.qdx", "/Instance", "3"});
    EXPECT_EQ(SwitchNumber("/Instance"), 0);
    EXPECT_FALSE(InstancePlacement(place));

    SetCommandLine({"?"});
    EXPECT_TRUE(WantsSyntaxHelp());
    SetCommandLine({});
    EXPECT_EQ(PackageArgument(), "");
    EXPECT_EQ(SwitchNumber("/Instance"), -1);
}

TEST(CommandLine, HelpText) {
    const std::vector<std::string> lines = Split(SyntaxHelpText(), "\n");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Syntax:");
    EXPECT_EQ(lines[1], "pagellan       Quodex filename | PCL filename | TSN filename ");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[8],
              "/Instance 999  : The instance number is used to position the main form on the screen");
    EXPECT_TRUE(lines[9].starts_with("email="));
    EXPECT_TRUE(lines[9].ends_with(" : your email address (no spaces)"));
    EXPECT_EQ(lines[10], "password=marshmallow : your vantorel password (no spaces)");
    EXPECT_NE(SyntaxHelpText().back(), '\n');
}

TEST(DocTree, BuildsFormsGroupsAndPages) {
    ExpectEach(Capitalise, {{"LOAN  application mary-jo", "Loan  Application Mary-jo"}, {"", ""}});

    auto set = ExampleSet();
    set->Form(0).Pages[0]->AddAnnotation(std::make_unique<TDocSetAnnotation>());
    TDocTree tree;
    tree.Build(*set, CaptionLength);
    const TTreeNode& root = *tree.Root();
    EXPECT_EQ(root.Caption, "WS # 123");
    EXPECT_EQ(root.ImageIndex, kImageRoot);
    EXPECT_EQ(root.StateIndex, kNoStateImage);
    EXPECT_FALSE(root.Info);
    // The attachment between B and C gets no node; C still appears.
    EXPECT_EQ(Captions(root), (std::vector<std::string>{"Deed Of Trust", "Truth In Lending", "Note  Rider"}));

    const TTreeNode& a = *root.Children[0];
    EXPECT_EQ(Look(a), std::tuple(TNodeKind::Form, kImageAnnotated, 1));
    EXPECT_FALSE(a.HasChildren());

    const TTreeNode& group = *root.Children[1];
    EXPECT_EQ(Look(group), std::tuple(TNodeKind::Group, kImageGroup, -1));
    EXPECT_TRUE(group.Info->MultipleBorrowers);
    EXPECT_EQ(group.Form(), &set->Form(1));
    EXPECT_EQ(Captions(group), (std::vector<std::string>{"John Smith", "Mary-jo Smith"}));
    EXPECT_EQ(group.Children[1]->Form(), &set->Form(2));
    EXPECT_EQ(Look(*group.Children[1]), std::tuple(TNodeKind::Borrower, kImagePage, 1));
    EXPECT_TRUE(group.Children[1]->Info->MultipleBorrowers);
    EXPECT_EQ(group.Children[1]->Level(), 2);
    EXPECT_FALSE(group.Children[1]->IsAFormNode());

    const TTreeNode& c = *root.Children[2];
    EXPECT_EQ(Look(c), std::tuple(TNodeKind::Form, kImageMultiPage, -1));
    EXPECT_EQ(Captions(c), (std::vector<std::string>{"Page 1", "Page 2", "Page 3"}));
    EXPECT_EQ(Look(*c.Children[1]), std::tuple(TNodeKind::Page, kImagePage, 2));
    EXPECT_EQ(c.Row(), 2);
    EXPECT_EQ(set->CurrentForm, &set->Form(4));
    // Widest of the form, group and borrower captions ("Truth In Lending", 16 characters).
    EXPECT_EQ(tree.MaxCaptionWidth(), 16 * 7);
    EXPECT_EQ(tree.LastNode(), c.Children[2].get());
    EXPECT_EQ(tree.DisplayOrder().size(), 9u);
    EXPECT_EQ(tree.FormsInDisplayOrder(),
              (std::vector<TDocSetForm*>{&set->Form(0), &set->Form(1), &set->Form(2), &set->Form(4)}));
}

// Bookmarks as "Title @page" (pages from 0), two blanks deeper per level; labels as
// "page: prefix|start".
std::vector<std::string> OutlineLines(const TPdfOutline& outline) {
    std::vector<std::string> lines;
    for (const TPdfOutlineItem& item : outline.Items) {
        lines.push_back(item.Title + " @" + std::to_string(item.Page));
        for (const TPdfOutlineItem& child : item.Children)
            lines.push_back("  " + child.Title + " @" + std::to_string(child.Page));
    }
    for (const TPdfPageLabel& label : outline.Labels)
        lines.push_back(std::to_string(label.FirstPage) + ": " + label.Prefix + "|" +
                        std::to_string(label.Start));
    return lines;
}

TEST(PackagePdf, JobOutlineFollowsTheTreeAndTheJobsPages) {
    auto set = ExampleSet();
    TDocTree tree;
    tree.Build(*set, CaptionLength);
    // The leaves: Deed, the two borrower copies, the rider's three pages.
    std::vector<const TInfo*> leaf;
    for (const TTreeNode* node : tree.DisplayOrder())
        if (node->Info && !node->HasChildren())
            leaf.push_back(node->Info.get());
    ASSERT_EQ(leaf.size(), 6u);
    const TInfo foreign{&set->Form(0), 1, false};
    const struct {
        const char* Name;
        std::vector<TJobPage> Pages;
        std::vector<std::string> Lines;
        int PdfPages = 0; // 0: one per job page
    } rows[] = {
        {"every page",
         {{leaf[0], 0}, {leaf[1], 0}, {leaf[2], 0}, {leaf[3], 0}, {leaf[4], 0}, {leaf[5], 0}},
         {"Deed Of Trust @0", "Truth In Lending @1", "  John Smith @1", "  Mary-jo Smith @2",
          "Note  Rider @3", "0: Deed Of Trust |1", "1: Truth In Lending |1", "2: Truth In Lending |1",
          "3: Note  Rider |1"}},
        {"one borrower copy",
         {{leaf[2], 0}},
         {"Truth In Lending @0", "  Mary-jo Smith @0", "0: Truth In Lending |1"}},
        {"a later page alone, then a gap",
         {{leaf[4], 0}, {leaf[0], 0}, {leaf[3], 0}, {leaf[5], 0}},
         {"Note  Rider @0", "Deed Of Trust @1", "Note  Rider @2", "0: Note  Rider |2", "1: Deed Of Trust |1",
          "2: Note  Rider |1", "3: Note  Rider |3"}},
        {"a second copy of the set",
         {{leaf[0], 0}, {leaf[0], 1}},
         {"Deed Of Trust @0", "Deed Of Trust @1", "0: Deed Of Trust |1", "1: Deed Of Trust |1"}},
        {"a page the tree does not hold",
         {{&foreign, 0}, {leaf[0], 0}},
         {"Deed Of Trust @1", "1: Deed Of Trust |1"}},
        // A Vivaform page the browser engine laid out on three PDF pages moves what follows.
        {"a page that becomes three PDF pages",
         {{leaf[0], 0, 3}, {leaf[1], 0}},
         {"Deed Of Trust @0", "Truth In Lending @3", "  John Smith @3", "0: Deed Of Trust |1",
          "3: Truth In Lending |1"},
         4},
    };
    for (const auto& row : rows) {
        const TPdfOutline outline = JobOutline(tree, row.Pages);
        EXPECT_EQ(OutlineLines(outline), row.Lines) << row.Name;
        EXPECT_EQ(outline.Pages, row.PdfPages != 0 ? row.PdfPages : int(row.Pages.size())) << row.Name;
    }
}

TEST(PackagePdf, PropertiesOfAPackageAndOfAFile) {
    auto set = ExampleSet();
    set->LenderName = "Caf\xE9 Bank";
    set->PlanCode = "P7";
    const TPdfDocumentInfo info = PackageDocumentInfo(*set);
    EXPECT_EQ(info.Title, "WS # 123 - Caf\xC3\xA9 Bank");
    EXPECT_EQ(info.Author, "Caf\xC3\xA9 Bank");
    EXPECT_EQ(info.Subject, "Loan documents");
    EXPECT_EQ(info.Keywords, "Worksheet 123, Plan P7");
    EXPECT_EQ(info.Creator, "Pagellan " + ProgramVersion());
    EXPECT_GT(info.Created, 0);
    // Blank parts are left out; without worksheet and lender the file names the package.
    set->LenderName.clear();
    set->PlanCode.clear();
    EXPECT_EQ(PackageDocumentInfo(*set).Title, "WS # 123");
    EXPECT_EQ(PackageDocumentInfo(*set).Keywords, "Worksheet 123");
    set->WorksheetNumber.clear();
    set->FileName = "/loans/July closing.qdx";
    EXPECT_EQ(PackageDocumentInfo(*set).Title, "July closing.qdx");
    EXPECT_EQ(PackageDocumentInfo(*set).Keywords, "");
    EXPECT_EQ(FileDocumentInfo("/jobs/run 7.pcl").Title, "run 7.pcl");
    EXPECT_TRUE(FilePdfFinish("/jobs/run 7.pcl").Outline.EveryPage);
    EXPECT_TRUE(FilePdfFinish("/jobs/run 7.pcl", false).Outline.Empty());
}

TEST(DocTree, RootCaptionWithPlan) {
    TDocSet set;
    set.WorksheetNumber = "123";
    set.PlanCode = "P7";
    EXPECT_EQ(RootCaption(set), "WS # 123   Plan: P7");
    set.Reordered = true;
    EXPECT_EQ(RootCaption(set), "WS # 123   Plan: P7 (reordered)");
}

TEST(DocTree, SelectedPageCounts) {
    auto set = std::make_unique<TDocSet>();
    AddTestForm(*set, "A.LSR", "A", 1, "", 3);
    AddTestForm(*set, "B.LSR", "B", 1, "X", 2);
    AddTestForm(*set, "B.LSR", "B", 2, "Y", 4);
    AddTestForm(*set, "C.LSR", "C", 1, "", 3);
    TDocTree tree;
    tree.Build(*set, nullptr);
    TTreeNode* root = tree.Root();
    TTreeNode* a = root->Children[0].get();
    TTreeNode* group = root->Children[1].get();
    ASSERT_EQ(set->TotalPageCount(), 12);

    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), false, {root}), 0);
    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), true, {}), 0);
    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), true, {root}), 12);
    EXPECT_EQ(PagesSelectedText(true, 12, 12), "12 of 12 pgs");
    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), true, {a}), 3);
    EXPECT_TRUE(set->Form(0).Selected);
    EXPECT_FALSE(set->Form(3).Selected);
    EXPECT_EQ(PagesSelectedText(true, 3, 12), "3 of 12 pgs");
    EXPECT_EQ(PagesSelectedText(false, 3, 12), "");

    // A group counts every page of its borrowers and marks all their forms.
    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), true, {group}), 6);
    EXPECT_FALSE(set->Form(0).Selected);
    EXPECT_TRUE(set->Form(1).Selected);
    EXPECT_TRUE(set->Form(2).Selected);

    // A page selected together with its form is counted once.
    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), true, {a, a->Children[1].get()}), 3);
    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), true,
                                       {a->Children[1].get(), root->Children[2]->Children[0].get()}),
              2);

    // Deleted forms leave the total.
    set->Form(3).Deleted = true;
    EXPECT_EQ(GetNumberOfPagesSelected(set.get(), true, {root}), 9);
}

TEST(DocTree, DeleteAndUndeleteGroup) {
    auto set = ExampleSet();
    TDocTree tree;
    tree.Build(*set, nullptr);
    TTreeNode* group = tree.Root()->Children[1].get();
    EXPECT_EQ(DeleteItemCaption({group}), "&Delete ");
    ASSERT_TRUE(ToggleDeleted(*set, tree, {group}));
    EXPECT_TRUE(set->Modified);
    EXPECT_TRUE(set->Form(1).Deleted);
    EXPECT_TRUE(set->Form(2).Deleted);
    EXPECT_FALSE(set->Form(0).Deleted);
    EXPECT_EQ(DeleteItemCaption({group}), "&Undelete ");
    EXPECT_TRUE(AllSelectedItemsAreONLYForms({group}, false));
    EXPECT_FALSE(AllSelectedItemsAreONLYForms({group}, true));
    EXPECT_FALSE(AllSelectedItemsAreANYTHING({group->Children[0].get()}));
    EXPECT_EQ(set->TotalPageCount(), 1 + 1 + 3);

    ASSERT_TRUE(ToggleDeleted(*set, tree, {group}));
    EXPECT_FALSE(set->Form(1).Deleted);
    EXPECT_FALSE(set->Form(2).Deleted);

    // A locked set refuses; the root alone works on the first form; the root with others does nothing.
    set->Locked = true;
    set->Modified = false;
    EXPECT_FALSE(ToggleDeleted(*set, tree, {group}));
    EXPECT_FALSE(set->Form(1).Deleted);
    EXPECT_FALSE(set->Modified);
    set->Locked = false;
    EXPECT_TRUE(ToggleDeleted(*set, tree, {tree.Root()}));
    EXPECT_TRUE(set->Form(0).Deleted);
    EXPECT_FALSE(ToggleDeleted(*set, tree, {tree.Root(), group}));
    EXPECT_FALSE(set->Form(1).Deleted);
}

TEST(DocTree, SelectionQueries) {
    auto set = ExampleSet();
    TDocTree tree;
    tree.Build(*set, nullptr);
    TTreeNode* root = tree.Root();
    TTreeNode* c = root->Children[2].get();
    EXPECT_FALSE(AllSelectedItemsAreONLYForms({}, true));
    EXPECT_FALSE(AllSelectedItemsAreANYTHING({}));
    EXPECT_FALSE(AllSelectedItemsAreONLYForms({root}, true));
    EXPECT_FALSE(AllSelectedItemsAreONLYForms({c->Children[0].get()}, true));
    EXPECT_TRUE(AllSelectedItemsAreANYTHING({c->Children[0].get(), c}));
    EXPECT_TRUE(ThisNodeIsOnBranch(*c, *c->Children[2]));
    EXPECT_FALSE(ThisNodeIsOnBranch(*c->Children[2], *c));
    EXPECT_EQ(NodesToProcess(tree, {root}), (TSelection{root->Children[0].get()}));
    EXPECT_TRUE(NodesToProcess(tree, {root, c}).empty());
    EXPECT_EQ(FirstLeaf(*c), c->Children[0].get());
    EXPECT_TRUE(CanViewLeaf(true, *c->Children[0]));
    EXPECT_FALSE(CanViewLeaf(true, *c));
    EXPECT_FALSE(CanViewLeaf(false, *c->Children[0]));
    EXPECT_FALSE(CanViewLeaf(true, *root));

    EXPECT_FALSE(GetSomeNodesChanged(tree));
    set->Form(4).Changed = true;
    EXPECT_TRUE(GetSomeNodesChanged(tree));
    set->Form(4).Deleted = true;
    EXPECT_FALSE(GetSomeNodesChanged(tree));
    // The attachment has no node, so its change does not count.
    set->Form(3).Changed = true;
    EXPECT_FALSE(GetSomeNodesChanged(tree));
}

TEST(DocTree, DragAndDrop) {
    auto set = ExampleSet();
    set->CanAnnotate = true;
    TDocTree tree;
    tree.Build(*set, nullptr);
    TTreeNode* root = tree.Root();
    TTreeNode* a = root->Children[0].get();
    TTreeNode* group = root->Children[1].get();
    TTreeNode* c = root->Children[2].get();

    EXPECT_TRUE(DragAllowed(false, {}));
    EXPECT_TRUE(DragAllowed(true, {c}));
    EXPECT_FALSE(DragAllowed(true, {c, a}));
    EXPECT_FALSE(DragAllowed(true, {c->Children[0].get()}));
    EXPECT_FALSE(DragAllowed(true, {root}));

    // Onto a page node, onto itself, below itself, onto nothing: cancelled.
    EXPECT_FALSE(DropSelected(tree, set.get(), {c}, group->Children[0].get()));
    EXPECT_EQ(DecideDrop(set.get(), {a}, c->Children[1].get()), TDropAction::Cancel);
    EXPECT_EQ(DecideDrop(set.get(), {c}, c), TDropAction::Cancel);
    EXPECT_EQ(DecideDrop(set.get(), {c}, nullptr), TDropAction::Cancel);
    EXPECT_EQ(DecideDrop(set.get(), {c, a}, root), TDropAction::Cancel);
    EXPECT_EQ(DecideDrop(set.get(), {c->Children[0].get()}, root), TDropAction::Cancel);
    EXPECT_EQ(Captions(*root),
              (std::vector<std::string>{"Deed Of Trust", "Truth In Lending", "Note  Rider"}));

    // Onto the root: first form.
    ASSERT_TRUE(DropSelected(tree, set.get(), {c}, root));
    EXPECT_EQ(Captions(*root),
              (std::vector<std::string>{"Note  Rider", "Deed Of Trust", "Truth In Lending"}));
    EXPECT_EQ(c->Row(), 0);
    EXPECT_EQ(group->Row(), 2);
    // Onto a form node: before it, both downwards and upwards.
    ASSERT_TRUE(DropSelected(tree, set.get(), {c}, group));
    EXPECT_EQ(Captions(*root),
              (std::vector<std::string>{"Deed Of Trust", "Note  Rider", "Truth In Lending"}));
    ASSERT_TRUE(DropSelected(tree, set.get(), {group}, a));
    EXPECT_EQ(Captions(*root),
              (std::vector<std::string>{"Truth In Lending", "Deed Of Trust", "Note  Rider"}));
    EXPECT_EQ(tree.FormsInDisplayOrder(),
              (std::vector<TDocSetForm*>{&set->Form(1), &set->Form(2), &set->Form(0), &set->Form(4)}));
    // The set's own order stays.
    EXPECT_EQ(set->Forms[0].Form.get(), &set->Form(0));
    EXPECT_EQ(set->Form(0).Name, "A.LSR");

    // A package that may not be reordered refuses every drop.
    set->CanAnnotate = false;
    EXPECT_EQ(DecideDrop(set.get(), {c}, root), TDropAction::Cancel);
    EXPECT_EQ(DecideDrop(nullptr, {c}, root), TDropAction::Cancel);
}

TEST(MainStates, EnablingRules) {
    auto set = ExampleSet();
    TDocTree tree;
    tree.Build(*set, nullptr);
    TTreeNode* root = tree.Root();
    TTreeNode* a = root->Children[0].get();
    TTreeNode* page = root->Children[2]->Children[0].get();
    std::vector<std::string> denied;
    TWindowFacts facts;
    facts.Loaded = true;
    facts.Set = set.get();
    facts.Tree = &tree;
    facts.HasPermission = [&denied](const std::string& name) {
        return std::find(denied.begin(), denied.end(), name) == denied.end();
    };

    facts.Selection = {a};
    TSelectionStates s = CheckOptionsAvailable(facts);
    EXPECT_TRUE(s.FormProperties);
    EXPECT_TRUE(s.ViewSelected);
    EXPECT_TRUE(s.SaveAs);
    EXPECT_TRUE(s.EmailSelected);
    EXPECT_TRUE(s.Delete);
    EXPECT_TRUE(s.ShowErrorReport);
    EXPECT_FALSE(s.UploadAnnotations);
    EXPECT_FALSE(s.Save);

    facts.Selection = {root};
    s = CheckOptionsAvailable(facts);
    EXPECT_FALSE(s.FormProperties);
    EXPECT_TRUE(s.ViewSelected);
    EXPECT_TRUE(s.SaveAs);
    EXPECT_FALSE(s.EmailSelected);
    EXPECT_FALSE(s.Delete);

    facts.Selection = {page};
    facts.ReorderPending = true;
    facts.UploadAnnotationsOption = true;
    denied = {"EmailSelected"};
    s = CheckOptionsAvailable(facts);
    EXPECT_TRUE(s.FormProperties);
    EXPECT_FALSE(s.SaveAs);
    EXPECT_FALSE(s.Delete);
    EXPECT_FALSE(s.EmailSelected);
    EXPECT_TRUE(s.Save);
    EXPECT_TRUE(s.UploadAnnotations);

    // A deleted form: no properties or viewing, but it can be undeleted unless the set is locked.
    set->Form(0).Deleted = true;
    facts.Selection = {a};
    s = CheckOptionsAvailable(facts);
    EXPECT_FALSE(s.FormProperties);
    EXPECT_FALSE(s.ViewSelected);
    EXPECT_TRUE(s.Delete);
    set->Locked = true;
    EXPECT_FALSE(CheckOptionsAvailable(facts).Delete);
    // Deleted and live forms mixed: neither delete nor undelete.
    set->Locked = false;
    facts.Selection = {a, root->Children[2].get()};
    EXPECT_FALSE(CheckOptionsAvailable(facts).Delete);
    set->Form(0).Deleted = false;

    // Every command that is off says why: the first reason that holds, in the order package,
    // permission, running conversion, selection, state.
    struct TRow {
        const char* Name;
        std::function<void(TWindowFacts&)> Change;
        TCommandState TSelectionStates::*Command;
        std::string Why; // empty: on
    };
    const std::vector<TRow> rows = {
        {"nothing loaded", [](TWindowFacts& f) { f.Loaded = false; }, &TSelectionStates::SaveAs,
         kWhyNotLoaded},
        {"page: no Save As", [&](TWindowFacts& f) { f.Selection = {page}; }, &TSelectionStates::SaveAs,
         kWhySaveAsSelection},
        {"root: Save As", [&](TWindowFacts& f) { f.Selection = {root}; }, &TSelectionStates::SaveAs, ""},
        {"nothing selected", [](TWindowFacts& f) { f.Selection = {}; }, &TSelectionStates::SaveAs,
         kWhySaveAsSelection},
        {"no Save As right", [&](TWindowFacts&) { denied = {"SaveAs"}; }, &TSelectionStates::SaveAs,
         kWhyNotPermitted},
        {"converting", [](TWindowFacts& f) { f.Converting = true; }, &TSelectionStates::SaveAs,
         kWhyConverting},
        {"converting: no Print Selected", [](TWindowFacts& f) { f.Converting = true; },
         &TSelectionStates::PrintSelected, kWhyConverting},
        {"page: Email Selected", [&](TWindowFacts& f) { f.Selection = {page}; },
         &TSelectionStates::EmailSelected, kWhyFormsSelection},
        {"root: no properties", [&](TWindowFacts& f) { f.Selection = {root}; },
         &TSelectionStates::FormProperties, kWhyOneNodeSelection},
        {"locked", [&](TWindowFacts&) { set->Locked = true; }, &TSelectionStates::Delete, kWhyLocked},
        {"page: no delete", [&](TWindowFacts& f) { f.Selection = {page}; }, &TSelectionStates::Delete,
         kWhyDeleteSelection},
        {"unchanged: no Save", [](TWindowFacts&) {}, &TSelectionStates::Save, kWhyNothingToSave},
        {"modified: Save", [&](TWindowFacts&) { set->Modified = true; }, &TSelectionStates::Save, ""},
        {"reordered: Save", [](TWindowFacts& f) { f.ReorderPending = true; }, &TSelectionStates::Save, ""},
        {"upload option off", [](TWindowFacts&) {}, &TSelectionStates::UploadAnnotations, kWhyUploadOption},
        {"order as stored", [](TWindowFacts&) {}, &TSelectionStates::SaveStackingOrder, kWhyOrderUnchanged},
        {"order changed", [](TWindowFacts& f) { f.ReorderPending = true; },
         &TSelectionStates::SaveStackingOrder, ""},
        {"order of a locked plan",
         [&](TWindowFacts& f) { f.ReorderPending = true, set->CanAnnotate = false; },
         &TSelectionStates::SaveStackingOrder, kWhyNoReorderRight},
    };
    for (const TRow& row : rows) {
        TWindowFacts f = facts;
        f.Selection = {a};
        f.ReorderPending = false;
        f.UploadAnnotationsOption = false;
        denied.clear();
        set->Locked = set->Modified = false;
        set->CanAnnotate = true;
        row.Change(f);
        const TCommandState state = CheckOptionsAvailable(f).*row.Command;
        EXPECT_EQ(state.Enabled, row.Why.empty()) << row.Name;
        EXPECT_EQ(state.Why, row.Why) << row.Name;
    }
}

TEST(MainStates, StatusBar) {
    auto set = ExampleSet();
    set->FileName = "/data/packages/WS123.qdx";
    set->CanAnnotate = true;
    TDocTree tree;
    tree.Build(*set, nullptr);
    TWindowFacts facts;
    facts.Loaded = true;
    facts.Set = set.get();
    facts.Tree = &tree;
    facts.AdditionalCopies = 2;
    facts.ScanPluginLoaded = true;
    facts.Selection = {tree.Root()->Children[0].get()};
    TStatusStates s = SetStatusBar(facts);
    EXPECT_TRUE(s.PrintCommands);
    EXPECT_TRUE(CheckOptionsAvailable(facts).ViewSelected);
    EXPECT_FALSE(s.ShowDocSetErrors);
    EXPECT_FALSE(s.Changed);
    EXPECT_TRUE(s.Verify);
    EXPECT_TRUE(s.EmailMenu);
    EXPECT_TRUE(CheckOptionsAvailable(facts).SaveAs);
    EXPECT_TRUE(s.WebDocs);
    EXPECT_TRUE(s.EmailAll);
    EXPECT_FALSE(s.DeleteStackingOrder);
    EXPECT_TRUE(s.Scan);
    EXPECT_EQ(s.Panel1, "Worksheet Loaded");
    EXPECT_EQ(s.Panel3, "WS123.qdx");
    EXPECT_EQ(s.Panel4, "Additional Copies to print: 2");
    EXPECT_EQ(s.Hint, "/data/packages/WS123.qdx");
    EXPECT_FALSE(s.ClearSelection);

    set->Errors.push_back({"problem", nullptr});
    set->Form(0).Changed = true;
    facts.StackingOrderFileExists = true;
    facts.HasPermission = [](const std::string& name) { return name != "StackingOrder" && name != "SaveAs"; };
    s = SetStatusBar(facts);
    EXPECT_TRUE(s.ShowDocSetErrors);
    EXPECT_TRUE(s.Changed);
    EXPECT_FALSE(s.DeleteStackingOrder);
    EXPECT_EQ(CheckOptionsAvailable(facts).SaveAs.Why, kWhyNotPermitted);
    // A damaged package: the status bar says so and what is damaged.
    set->RecordDamage("the entry A (9 bytes at 1) runs past the end of the data (4 bytes)");
    set->RecordDamage("the package holds no forms");
    s = SetStatusBar(facts);
    EXPECT_EQ(s.Panel1, "Worksheet DAMAGED");
    EXPECT_EQ(s.Hint,
              "/data/packages/WS123.qdx is damaged: the entry A (9 bytes at 1) runs past the end of the "
              "data (4 bytes); the package holds no forms");

    facts.Loaded = false;
    s = SetStatusBar(facts);
    EXPECT_EQ(s.Panel1, "Worksheet NOT Loaded");
    EXPECT_EQ(s.Panel3, "");
    EXPECT_TRUE(s.ClearSelection);
    EXPECT_FALSE(s.PrintCommands);
    EXPECT_FALSE(s.Changed);

    EXPECT_EQ(TreeClickHint({tree.Root()}), "Select Print all to print your documents");
    EXPECT_EQ(TreeClickHint({tree.Root()->Children[0].get()}),
              "Press [CTRL] and Click to select multiple forms");
}

TEST(MainStates, StatusPanelZero) {
    TDocSet set;
    set.FileName = "/p/a.qdx";
    TPanel0Look look = StatusPanel0Look(false, nullptr, false);
    EXPECT_EQ(look.Width, 40);
    EXPECT_EQ(look.Pictures, (std::vector<std::pair<int, int>>{{19, 2}, {23, 22}}));
    EXPECT_EQ(StatusPanel0Look(true, &set, false).Pictures.front(), (std::pair<int, int>{18, 2}));
    look = StatusPanel0Look(true, &set, true);
    EXPECT_EQ(look.Width, 60);
    EXPECT_TRUE(look.ButtonFace);
    EXPECT_EQ(look.Pictures.front(), (std::pair<int, int>{16, 0}));

    EXPECT_EQ(StatusBarHint(10, false, nullptr, false), "");
    // Pointer position and multi-user mode against the hint.
    const struct {
        int X;
        bool MultiUser;
        std::string Hint;
    } hints[] = {{30, false, "/p/a.qdx"},
                 {30, true, "In multiuser mode"},
                 {50, true, "/p/a.qdx"},
                 {10, false, "No errors detected."}};
    for (const auto& [x, multiUser, hint] : hints)
        EXPECT_EQ(StatusBarHint(x, true, &set, multiUser), hint) << x << ' ' << multiUser;

    // One missing-form warning: the problem picture, but the hint still says no errors.
    set.MissingForms = {"Missing fill for A.LSR Deed"};
    EXPECT_EQ(StatusPanel0Look(true, &set, false).Pictures.front(), (std::pair<int, int>{17, 2}));
    EXPECT_EQ(StatusBarHint(21, true, &set, false), "No errors detected.");
    EXPECT_FALSE(StatusDoubleClick(10, true, &set).ErrorReport);

    set.MissingForms.push_back("Missing fill for B.LSR Note");
    EXPECT_EQ(StatusBarHint(5, true, &set, false), "Forms are missing in this package.");
    set.Errors.push_back({"one", nullptr});
    set.Errors.push_back({"two", nullptr});
    EXPECT_EQ(StatusBarHint(5, true, &set, false),
              "Forms are missing in this package and there are errors in this package.");
    set.MissingForms.clear();
    EXPECT_EQ(StatusBarHint(5, true, &set, false), "There are errors in this package.");

    TStatusReports r = StatusDoubleClick(21, true, &set);
    EXPECT_FALSE(r.ErrorReport);
    EXPECT_TRUE(r.DocSetErrors);
    set.MissingForms = {"a", "b"};
    EXPECT_TRUE(StatusDoubleClick(0, true, &set).ErrorReport);
    r = StatusDoubleClick(22, true, &set);
    EXPECT_FALSE(r.ErrorReport || r.DocSetErrors);
    r = StatusDoubleClick(5, false, &set);
    EXPECT_FALSE(r.ErrorReport || r.DocSetErrors);
}

TEST(MainStates, WindowSizeAndTexts) {
    EXPECT_EQ((std::array{CalcTreeHeight(10, -16), GetIdealFormWidth(369), GetIdealFormWidth(370),
                          GetIdealFormWidth(400), MaxFormHeight(1024, 1000, 10, 180),
                          MaxFormHeight(1024, 1000, 900, 180), AutoFormHeight(190, 20, 17, 56)}),
              (std::array{190, 520, 520, 550, 990, 180, 383}));

    auto set = ExampleSet();
    set->CanAnnotate = true;
    TDocTree tree;
    tree.Build(*set, nullptr);
    EXPECT_EQ(FormPropertiesLines(tree.Root(), *set).size(), 1u);
    EXPECT_EQ(FormPropertiesLines(nullptr, *set).front(),
              "No document has been selected. Please left click on document and then right click to view "
              "properties.");
    const auto lines = FormPropertiesLines(tree.Root()->Children[2]->Children[1].get(), *set);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Format C.LSR", "Desc: NOTE  rider", "Borrower#:1", "Borrower: JOHN SMITH",
                         "PageSize: LTR", "Duplex: No", "Barcodes: Yes", "Changed: No", "Deleted: No",
                         "Page 2 of 3", "Can Annotate/Reorder: Yes", "Form has multiple borrowers : No"}));
    EXPECT_EQ(FormPropertiesLines(tree.Root()->Children[1].get(), *set)[9], "Form Node: True");
    EXPECT_EQ(FormPropertiesLines(tree.Root()->Children[1].get(), *set)[11],
              "Form has multiple borrowers : Yes");

    auto error = std::make_unique<TDocSetError>();
    error->Severity = kSeverityWarning;
    error->Message = "late";
    error->Data = "d";
    error->Source = "s";
    set->Errors.push_back({"", std::move(error)});
    set->Errors.push_back({"plain line", nullptr});
    EXPECT_EQ(DocSetErrorsText(*set), "Warning:late \nd\ns\n\nplain line\n\n");
    ExpectEach(ReportText, {{"", "There are no errors"},
                            {"  \n", "  \n\nThere are no errors"},
                            {"Missing fill for X", "Missing fill for X"}});
}

TEST(LoadPackageTest, ContainerChoiceAndOrder) {
    const TTempFolder dir("pg-app-load");
    TRecordingPrompter prompter;
    std::string current = "pkg.qdx";
    EXPECT_FALSE(ReadDocSet(THLWMemorystream(std::string("x")), current).Set);

    auto source = ExampleSet();
    source->PlanCode = "P7";
    const std::string bytes = TQuodex::BuildQuodex(*source, TSaveMode::All, true, false);
    TLoadOutcome outcome = ReadDocSet(THLWMemorystream(bytes), current);
    ASSERT_TRUE(outcome.Set);
    EXPECT_FALSE(outcome.ShowAsPlainFile);
    EXPECT_EQ(outcome.Set->FormCount(), 5u);
    EXPECT_EQ(current, "pkg.qdx");

    // A Quodex format error reaches the caller.
    EXPECT_THROW(ReadDocSet(THLWMemorystream(std::string("no separators")), current), TQuodexFormatError);

    // Any other extension goes to the Tesselon reader; one it refuses is shown as plain PCL.
    current = "/x/letter.pcl";
    outcome = ReadDocSet(THLWMemorystream(std::string("\x1b"
                                                      "E plain pcl")),
                         current);
    EXPECT_FALSE(outcome.Set);
    EXPECT_TRUE(outcome.ShowAsPlainFile);
    EXPECT_EQ(current, "/x/letter.TSN");

    // The local order file fills an empty stacking order and the plan sorts the forms.
    const std::string order = dir.File("PLANCODE.ORD", "P1\xFD"
                                                       "A.LSR\r\nP7\xFD"
                                                       "C.LSR\xFD"
                                                       "A.LSR\r\n");
    TLoadOutcome again = ReadDocSet(THLWMemorystream(bytes), current = "p.qdx");
    PrepareDocSet(*again.Set, "me@example.com", order, "p.qdx");
    EXPECT_EQ(again.Set->UserEmail, "me@example.com");
    EXPECT_EQ(again.Set->FileName, "p.qdx");
    EXPECT_TRUE(again.Set->Reordered);
    EXPECT_EQ(again.Set->Form(0).Name, "C.LSR");
    EXPECT_EQ(again.Set->Form(1).Name, "A.LSR");
    TDocTree tree;
    tree.Build(*again.Set, nullptr);
    EXPECT_EQ(tree.Root()->Caption, "WS # 123   Plan: P7 (reordered)");

    // A set with its own order keeps it.
    TLoadOutcome own = ReadDocSet(THLWMemorystream(bytes), current = "p.qdx");
    own.Set->StackingOrder = {"P7\xFD"
                              "B.LSR"};
    PrepareDocSet(*own.Set, "", order, "p.qdx");
    EXPECT_EQ(own.Set->Form(0).Name, "B.LSR");
}

TEST(LoadPackageTest, OrderFileLocation) {
    const TTempFolder folder("pg-app-load");
    const auto Dir = [&folder](const std::string& sub) { return folder.Path(sub); };
    TRecordingPrompter prompter;
    const std::string program = Dir("X/App");
    std::filesystem::create_directories(program);
    const std::string history = Dir("history/");
    // No LENDER folder beside the program's folder: the history folder, created on the way.
    EXPECT_EQ(PlanCodeOrderFile("..\\LENDER\\XFER", program, history), history + "PLANCODE.ORD");
    EXPECT_TRUE(FolderExists(history));
    std::filesystem::create_directories(Dir("X/LENDER"));
    EXPECT_EQ(PlanCodeOrderFile("..\\LENDER\\XFER", program + "/", history),
              Dir("X/") + "LENDER/PLANCODE.ORD");
    // Further leading "..\" do not climb again.
    EXPECT_EQ(PlanCodeOrderFile("..\\..\\LENDER\\XFER", program, history), Dir("X/") + "LENDER/PLANCODE.ORD");
    // An absolute fill folder.
    std::filesystem::create_directories(Dir("abs/LENDER"));
    EXPECT_EQ(PlanCodeOrderFile(Dir("abs/LENDER/XFER"), program, history),
              Dir("abs/LENDER/") + "PLANCODE.ORD");
    EXPECT_EQ(PlanCodeOrderFile(Dir("abs/other/XFER"), program, history), history + "PLANCODE.ORD");
}

TEST(AboutInfo, DefaultBrowserFromTheDesktopsListsAndItsPackage) {
    // Exec with "env" and a quoted program; a localised name does not replace the plain one.
    const TDesktopEntry entry = ParseDesktopEntry("[Desktop Action new]\nName=New Window\nExec=other\n"
                                                  "[Desktop Entry]\nName[de]=Netz\nName=Web Browser\n"
                                                  "Exec=env MOZ_X=1 \"/opt/web browser/bin\" %u\n");
    EXPECT_EQ(entry.Name, "Web Browser");
    EXPECT_EQ(entry.Program, "/opt/web browser/bin");
    EXPECT_EQ(ParseDesktopEntry("[Desktop Entry]\nExec=chromium --incognito %U\n").Program, "chromium");

    // The browser the desktop's mimeapps.list names, its version from the package database; the
    // browser itself is never started (only dpkg-query is run).
    test::TTempFolder desktop("pg-about-browser");
    // The desktop's folders are this test's own while it runs.
    std::vector<std::pair<std::string, std::string>> saved;
    const auto set = [&](const char* name, const std::string& value) {
        const char* before = std::getenv(name);
        saved.emplace_back(name, before == nullptr ? "" : before);
        ::setenv(name, value.c_str(), 1);
    };
    set("XDG_CONFIG_HOME", desktop.Path("config"));
    set("XDG_CONFIG_DIRS", desktop.Path("etc"));
    set("XDG_DATA_HOME", desktop.Path("data"));
    set("XDG_DATA_DIRS", desktop.Path("share"));
    set("XDG_CURRENT_DESKTOP", "PG");
    for (const char* folder : {"config", "etc", "data/applications", "share/applications"})
        std::filesystem::create_directories(desktop.Path(folder));
    const std::string program = desktop.File("web-browser", "#!/bin/sh\n");
    desktop.File("share/applications/web.desktop",
                 "[Desktop Entry]\nName=Web Browser\nExec=env MOZ_X=1 " + program + " %u\n");
    desktop.File("share/applications/other.desktop", "[Desktop Entry]\nName=Other\nExec=other %u\n");
    std::vector<std::string> commands;
    const TCommandRunner dpkg = [&](const std::string& command, std::string& out) {
        commands.push_back(command);
        out = command.starts_with("dpkg-query -S")             ? "web-pkg, web-pkg-extra: " + program + "\n"
              : command.find("'web-pkg'") != std::string::npos ? "115.6.0esr-1"
                                                               : "";
        return !out.empty();
    };
    const struct {
        const char* Name;
        std::string ConfigList, SystemList, DesktopList;
        std::string Text;
    } rows[] = {
        {"none named", "", "", "", ""},
        {"the user's choice", "[Default Applications]\nx-scheme-handler/http=web.desktop\n",
         "[Default Applications]\nx-scheme-handler/http=other.desktop\n", "",
         "Web Browser 115.6.0esr-1 (web.desktop)"},
        {"missing entries and paths passed over",
         "[Default Applications]\nx-scheme-handler/http=gone.desktop;../x.desktop\n",
         "[Added Associations]\nx-scheme-handler/http=web.desktop\n[Default "
         "Applications]\nx-scheme-handler/http=other.desktop\n",
         "", "Other (other.desktop)"},
        {"the desktop's own list first", "", "[Default Applications]\nx-scheme-handler/http=other.desktop\n",
         "[Default Applications]\nx-scheme-handler/http=web.desktop\n",
         "Web Browser 115.6.0esr-1 (web.desktop)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        test::WriteWholeFile(desktop.Path("config/mimeapps.list"), row.ConfigList);
        test::WriteWholeFile(desktop.Path("etc/mimeapps.list"), row.SystemList);
        test::WriteWholeFile(desktop.Path("etc/pg-mimeapps.list"), row.DesktopList);
        commands.clear();
        EXPECT_EQ(DesktopBrowserText(dpkg), row.Text);
        for (const std::string& command : commands)
            EXPECT_EQ(command.rfind("dpkg-query ", 0), 0u) << command;
    }
    for (const auto& [name, value] : saved)
        value.empty() ? ::unsetenv(name.c_str()) : ::setenv(name.c_str(), value.c_str(), 1);

    EXPECT_EQ(SuggestionQuery("", "", ""), "product=pg");
    EXPECT_EQ(SuggestionQuery("Harbor Point & Co.", "J. Doe", "A+B@X.COM"),
              "product=pg&customer_num=harbor+point+%26+co%2E&name=j%2E+doe&email=a%2Bb%40x%2Ecom");
}
