// Bar-code verification: the expected pages of a package, scans with unknown, repeated and
// out-of-order codes, the missing pages, and custom groups.
#include "Verification.h"

#include "MissingJob.h"
#include "StackingOrder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pg {
namespace {

// Forms A (2 pages), B (borrower 2, 1 page), C (no bar codes), D (deleted), E (1 page).
struct TVerifyFixture {
    TDocSet set;
    TDocTree tree;
    TVerifyFixture() {
        set.WorksheetNumber = "55";
        Add("A", 1, 2);
        Add("B", 2, 1);
        Add("C", 1, 1).Barcodes = false;
        Add("D", 1, 1).Deleted = true;
        Add("E", 1, 1);
        tree.Build(set, [](const std::string&) { return 0; });
    }
    TDocSetForm& Add(const std::string& name, int borrower, int pages) {
        auto form =
            std::make_unique<TDocSetForm>(name, "Desc " + name, borrower, "", "LTR", false, false, false);
        for (int n = 1; n <= pages; ++n)
            form->AddPage(
                std::make_unique<TDocSetPage>(n, "", false, "", 0, "<" + name + std::to_string(n) + ">"));
        return set.AddForm(std::move(form));
    }
    std::vector<std::string> Codes(const std::vector<const TExpectedPage*>& pages) const {
        std::vector<std::string> out;
        for (const TExpectedPage* page : pages)
            out.push_back(page->Code);
        return out;
    }
};

TEST(Verification, ExpectedPagesAreTheJobsCodesInPrintOrder) {
    TVerifyFixture f;
    const std::vector<TExpectedPage> pages = ExpectedPages(f.set, f.tree);
    ASSERT_EQ(pages.size(), 4u);
    const std::vector<std::string> codes = {"0000055A1.1", "0000055A1.2", "0000055B2.1", "0000055E1.1"};
    for (size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(pages[i].Code, codes[i]) << i;
    EXPECT_EQ(pages[1].PageNumber, 2);
    EXPECT_EQ(pages[3].FormNumber, 5) << "forms are numbered in display order, deleted ones included";
    EXPECT_EQ(ExpectedPageText(pages[2]), "Form 2 B (Desc B), page 1, borrower 2");
}

TEST(Verification, ScansCountUnknownRepeatedAndMissing) {
    TVerifyFixture f;
    TBarcodeVerifier verifier(ExpectedPages(f.set, f.tree), false);
    // The scanner's line end and anything after it are no part of the code; case does not matter.
    TScanResult r = verifier.Read("0000055a1.2\rjunk");
    EXPECT_EQ(r.Kind, TScanKind::Known);
    EXPECT_EQ(r.Page->Form->Name, "A");
    EXPECT_EQ(r.Page->PageNumber, 2);
    EXPECT_EQ(verifier.Read("0000055A1.2").Kind, TScanKind::Repeated);
    r = verifier.Read("  9999999X1.1 ");
    EXPECT_EQ(r.Kind, TScanKind::Unknown);
    EXPECT_EQ(r.Message, "Unknown BarCode: 9999999X1.1");
    EXPECT_EQ(verifier.Read("").Kind, TScanKind::Empty);
    EXPECT_EQ(verifier.Read("0000055E1.1").Kind, TScanKind::Known) << "order does not matter";
    EXPECT_EQ(verifier.ReadCount(), 2u);
    EXPECT_EQ(verifier.UnknownCodes(), std::vector<std::string>{"9999999X1.1"});
    EXPECT_EQ(f.Codes(verifier.Missing()), (std::vector<std::string>{"0000055A1.1", "0000055B2.1"}));
    verifier.Read("0000055A1.1");
    verifier.Read("0000055B2.1");
    EXPECT_TRUE(verifier.Missing().empty());
}

TEST(Verification, OrderMattersReportsTheExpectedCode) {
    TVerifyFixture f;
    TBarcodeVerifier verifier(ExpectedPages(f.set, f.tree), true);
    EXPECT_EQ(verifier.Read("0000055A1.1").Kind, TScanKind::Known);
    // A12 skipped: B21 is out of place, and the message names the page that should have come.
    const TScanResult skipped = verifier.Read("0000055B2.1");
    EXPECT_EQ(skipped.Kind, TScanKind::OutOfOrder);
    EXPECT_EQ(skipped.Message, "Out of order: 0000055B2.1 (expected 0000055A1.2)");
    // After it the stack goes on in order.
    EXPECT_EQ(verifier.Read("0000055E1.1").Kind, TScanKind::Known);
    const TScanResult late = verifier.Read("0000055A1.2");
    EXPECT_EQ(late.Kind, TScanKind::OutOfOrder) << "found at the end";
    EXPECT_EQ(late.Message, "Out of order: 0000055A1.2 (expected the end of the stack)");
    EXPECT_TRUE(verifier.Missing().empty()) << "out-of-order pages are there all the same";
}

// Borrower 1 page 12 and borrower 11 page 2 of one form carry codes of their own, and pages
// that do share a code are each a page of the stack: leaving out either copy's last page is
// found, and a code read more often than pages carry it is reported.
TEST(Verification, EveryExpectedPageStaysAPageOfItsOwn) {
    TVerifyFixture f;
    f.set.Forms.clear();
    f.Add("F", 1, 12);
    f.Add("F", 11, 2);
    f.tree.Build(f.set, [](const std::string&) { return 0; });
    const std::vector<TExpectedPage> pages = ExpectedPages(f.set, f.tree);
    ASSERT_EQ(pages.size(), 14u);
    EXPECT_EQ(pages[11].Code, "0000055F1.12");
    EXPECT_EQ(pages[13].Code, "0000055F11.2");
    for (const size_t left : {size_t(11), size_t(13)}) {
        SCOPED_TRACE(left);
        TBarcodeVerifier verifier(pages, false);
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i != left) {
                EXPECT_EQ(verifier.Read(pages[i].Code).Kind, TScanKind::Known) << i;
            }
        }
        ASSERT_EQ(verifier.Missing().size(), 1u);
        EXPECT_EQ(verifier.Missing()[0], &verifier.Expected()[left]);
        EXPECT_FALSE(ConfirmationOffered(true, verifier));
    }

    // Two pages with one code (a package that repeats a form): the first read marks the first,
    // the second the other, a third is a repeat.
    std::vector<TExpectedPage> twice = {pages[0], pages[1], pages[0]};
    TBarcodeVerifier verifier(twice, true);
    EXPECT_EQ(verifier.Expected().size(), 3u);
    EXPECT_EQ(verifier.Read(pages[0].Code).Page, &verifier.Expected()[0]);
    EXPECT_EQ(verifier.Read(pages[1].Code).Kind, TScanKind::Known);
    const TScanResult again = verifier.Read(pages[0].Code);
    EXPECT_EQ(again.Kind, TScanKind::Known) << "the next page in order carries it";
    EXPECT_EQ(again.Page, &verifier.Expected()[2]);
    const TScanResult third = verifier.Read(pages[0].Code);
    EXPECT_EQ(third.Kind, TScanKind::Repeated);
    EXPECT_EQ(third.Message, "Repeated BarCode: 0000055F1.1");
    EXPECT_EQ(verifier.RepeatedCodes(), std::vector<std::string>{"0000055F1.1"});
    EXPECT_TRUE(verifier.Missing().empty());
}

// "Print Confirmation" says every form of the worksheet exists: only a whole-package run with
// pages to find, all of them found, may offer it.
TEST(Verification, ConfirmationOnlyAfterACompleteWholePackageRun) {
    TVerifyFixture f;
    const std::vector<TExpectedPage> all = ExpectedPages(f.set, f.tree);
    const auto complete = [](std::vector<TExpectedPage> pages) {
        auto verifier = std::make_unique<TBarcodeVerifier>(pages, false);
        for (const TExpectedPage& page : pages)
            verifier->Read(page.Code);
        return verifier;
    };
    const struct {
        const char* Name;
        bool WholePackage;
        std::vector<TExpectedPage> Pages;
        bool Offered;
    } rows[] = {
        {"whole package, all read", true, all, true},
        {"custom group, all read", false, {all[0]}, false},
        {"group with nothing ticked", false, {}, false},
        {"package without bar codes", true, {}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ConfirmationOffered(row.WholePackage, *complete(row.Pages)), row.Offered) << row.Name;
}

TEST(Verification, CustomGroupsFromTheSelectionAndTheirPages) {
    TVerifyFixture f;
    const std::vector<std::string> all = GroupDocuments(f.tree, {});
    EXPECT_EQ(all, (std::vector<std::string>{"A: Desc A, Borrower 1", "B: Desc B, Borrower 2",
                                             "C: Desc C, Borrower 1", "E: Desc E, Borrower 1"}));
    // A selected page node stands for its form; the selection keeps display order.
    TTreeNode* root = f.tree.Root();
    const TSelection selection = {root->Children[4].get(), root->Children[0]->Children[1].get()};
    const std::vector<std::string> chosen = GroupDocuments(f.tree, selection);
    EXPECT_EQ(chosen, (std::vector<std::string>{"A: Desc A, Borrower 1", "E: Desc E, Borrower 1"}));

    // Only the checked documents are verified.
    const std::vector<TExpectedPage> pages = GroupExpectedPages(ExpectedPages(f.set, f.tree), {chosen[1]});
    TBarcodeVerifier verifier(pages, false);
    EXPECT_EQ(verifier.Read("0000055A1.1").Kind, TScanKind::Unknown);
    EXPECT_EQ(f.Codes(verifier.Missing()), std::vector<std::string>{"0000055E1.1"});
    verifier.Read("0000055E1.1");
    EXPECT_TRUE(verifier.Missing().empty());
}

TEST(Verification, GroupingsStaySortedAndDocumentsCanBeRemoved) {
    TCustomGroupings groups;
    EXPECT_TRUE(groups.AddGroup("zeta", {"Z1"}));
    EXPECT_TRUE(groups.AddGroup("Alpha", {"A1", "A2", "A3"}));
    EXPECT_TRUE(groups.AddGroup("beta", {}));
    EXPECT_FALSE(groups.AddGroup("  ", {"X"}));
    EXPECT_EQ(groups.Names(), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
    EXPECT_EQ(groups.Entries()[0], "Alpha\xFD"
                                   "A1\xFD"
                                   "A2\xFD"
                                   "A3");
    EXPECT_TRUE(groups.RemoveDocument(0, 1));
    EXPECT_EQ(groups.Documents(0), (std::vector<std::string>{"A1", "A3"}));
    EXPECT_FALSE(groups.RemoveDocument(0, 2));
    EXPECT_FALSE(groups.RemoveDocument(1, 0)) << "beta has no documents";
    groups.DeleteGroup(1);
    EXPECT_EQ(groups.Names(), (std::vector<std::string>{"Alpha", "zeta"}));
}

class TScriptedDialog : public TPrinterDialog {
public:
    TPrinterDlgOptions& Options() override { return options; }
    bool Execute() override {
        seenDuplex = options.Duplex;
        seenEnabled = options.DuplexEnabled || options.PrintOrderEnabled;
        return answer;
    }
    TPrinterDlgOptions options;
    bool answer = true;
    int seenDuplex = -1;
    bool seenEnabled = true;
};

class TSendingHost : public TPrintHost {
public:
    void SetBusyCursor(bool) override {}
    int32_t PrinterDlg() const override { return 0; }
    TCopyFooters CopyFooters() const override { return {}; }
    std::pair<std::string, std::string> TrayCodes() const override { return {}; }
    void RefreshStatusBar() override {}
    void SendJob(const THLWPrintJobStream& job, const std::string&, int32_t format) override {
        sent.emplace_back(job.View());
        formats.push_back(format);
    }
    void PrintVivaform(const TInfo&) override {}
    std::vector<std::string> sent;
    std::vector<int32_t> formats;
};

TEST(Verification, PrintAllMissingAndTheConfirmation) {
    TVerifyFixture f;
    TBarcodeVerifier verifier(ExpectedPages(f.set, f.tree), false);
    verifier.Read("0000055A1.1");
    verifier.Read("0000055B2.1");
    std::vector<TExpectedPage> missing;
    for (const TExpectedPage* page : verifier.Missing())
        missing.push_back(*page);
    TScriptedDialog dialog;
    dialog.options.Duplex = kDuplexYes;
    dialog.options.PrintOrder = poLegalFirst;
    dialog.options.PrintMode = 1;
    TSendingHost host;
    TPrintState state;
    EXPECT_EQ(PrintMissingDocuments(f.set, missing, state, dialog, host, 0),
              TMissingPrintResult::PrintedMissing);
    ASSERT_EQ(host.sent.size(), 1u);
    const std::string& job = host.sent[0];
    EXPECT_EQ(dialog.seenDuplex, kDuplexNo);
    EXPECT_FALSE(dialog.seenEnabled);
    // Exactly the missing pages, in the order shown, simplex, and the dialog's choices back.
    EXPECT_LT(job.find("<A2>"), job.find("<E1>"));
    EXPECT_EQ(job.find("<A1>"), std::string::npos);
    EXPECT_EQ(job.find("<B1>"), std::string::npos);
    EXPECT_NE(job.find("\x1b&l0S"), std::string::npos);
    EXPECT_EQ(job.find("\x1b&l1S"), std::string::npos);
    EXPECT_EQ(host.formats[0], 1);
    EXPECT_EQ(dialog.options.Duplex, kDuplexYes);
    EXPECT_EQ(dialog.options.PrintOrder, poLegalFirst);
    EXPECT_TRUE(dialog.options.DuplexEnabled && dialog.options.PrintOrderEnabled);
    EXPECT_FALSE(state.JobPending);

    // Nothing missing: the confirmation page, raw.
    EXPECT_EQ(PrintMissingDocuments(f.set, {}, state, dialog, host, 0),
              TMissingPrintResult::PrintedConfirmation);
    EXPECT_EQ(host.sent.back(), ConfirmationText("55", 0));
    EXPECT_EQ(host.formats.back(), 0);

    // Cancelled: nothing sent, the choices back.
    dialog.answer = false;
    EXPECT_EQ(PrintMissingDocuments(f.set, missing, state, dialog, host, 0), TMissingPrintResult::Cancelled);
    EXPECT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(dialog.options.Duplex, kDuplexYes);
}

} // namespace
} // namespace pg
