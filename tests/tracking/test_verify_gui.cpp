// Verification and the stacking order from the main window on the offscreen platform: codes
// typed as a scanner types them, the missing pages after a partial scan, an unknown code, a
// partial custom group, "Print all missing" reaching a real IPP printer, and the stacking-order
// commands writing the plan's order file.

#include "CommandLine.h"
#include "HelpHook.h"
#include "IppTestPrinter.h"
#include "Main.h"
#include "PGRegistry.h"
#include "PlanCodeOrder.h"
#include "PrinterDlg.h"
#include "PrinterOutput.h"
#include "Prompt.h"
#include "TestText.h"
#include "VerifyDocs.h"

#include "QtTestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

using namespace pg;

namespace {

namespace fs = std::filesystem;
namespace R = PGRegistry;

fs::path TestDir() {
    static const fs::path dir = test::ProcessFolder("pg-verify-gui");
    return dir;
}

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"history"}, [] {
        R::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
        // No LENDER folder: the order file lies in the history folder.
        R::SetFillDir((TestDir() / "fill" / "XFER").string());
        R::SetPrinterDlg(2);
    }));

std::string DemoPackage() {
    const fs::path path = TestDir() / "demo.qdx";
    fs::copy_file(fs::path(PAGELLAN_SOURCE_DIR) / "samples" / "demo.qdx", path,
                  fs::copy_options::overwrite_existing);
    return path.string();
}

// What the scanner sends: the code, Enter, and the suffix some scanners are set up to add.
void Scan(QLineEdit* field, const QString& code) {
    QTest::keyClicks(field, code);
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClicks(field, QStringLiteral("~X9"));
    // The operator aims at the next page.
    QTest::qWait(200);
}

// Runs the steps inside the modal verification dialog opened from the Tracking menu.
void InVerifyDialog(TfrmMain& main, const std::function<void(TfrmVerifyDocs&)>& steps) {
    bool ran = false;
    QTimer::singleShot(0, &main, [&main, &ran, steps] {
        TfrmVerifyDocs& dialog = *main.frmVerifyDocs;
        EXPECT_TRUE(dialog.isVisible());
        steps(dialog);
        ran = true;
        dialog.btnClose->click();
    });
    ASSERT_TRUE(main.mnuVerify->isEnabled());
    main.mnuVerify->trigger();
    EXPECT_TRUE(ran) << "the dialog opened modally from the menu";
}

TEST(VerifyFromWindow, ScannerPartialScanUnknownCodeAndPrintAllMissing) {
    test::TIppTestPrinter printer("application/vnd.hp-PCL");
    ASSERT_EQ(printer.Error(), "");
    SetCurrentPrinterName(printer.Uri());
    R::SetPrintType(kPrintFormatPclDirect);
    R::SetBarCode(true);
    SetCommandLine({DemoPackage()});
    TRecordingPrompter prompter;
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);

    std::string expectedJob;
    InVerifyDialog(main, [&](TfrmVerifyDocs& dialog) {
        dialog.btnStart->click();
        Scan(dialog.edBarCode, QStringLiteral("2026114note.dot1.1"));
        EXPECT_EQ(dialog.lblDocumentName->text(), QStringLiteral("NOTE.DOT"));
        EXPECT_EQ(dialog.lblDocumentPage->text(), QStringLiteral("1"));
        EXPECT_EQ(dialog.lblDocumentBorrower->text(), QStringLiteral("1"));
        EXPECT_EQ(dialog.lblBarcodeID->text(), QStringLiteral("2026114NOTE.DOT1.1"));
        Scan(dialog.edBarCode, QStringLiteral("2026114CERT.DOT2.1"));
        EXPECT_EQ(dialog.lblDocumentBorrower->text(), QStringLiteral("2"));
        Scan(dialog.edBarCode, QStringLiteral("2026114NOTE.DOT1.1"));
        Scan(dialog.edBarCode, QStringLiteral("2026114BOGUS1.1"));
        EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Repeated BarCode: 2026114NOTE.DOT1.1",
                                                              "Unknown BarCode: 2026114BOGUS1.1"}));
        // Escape in the middle of a run asks before the codes go; No keeps scanning.
        prompter.Clear();
        prompter.QueueAnswer(PromptAnswer::No);
        QTest::keyClick(dialog.edBarCode, Qt::Key_Escape);
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"The documents are still being verified.  "
                                                             "Stop and discard the codes read so far?"});
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.Scanning());
        EXPECT_TRUE(dialog.edBarCode->text().isEmpty()) << "the scanner's suffix is dropped";
        dialog.btnStop->click();

        EXPECT_EQ(dialog.lblMissing->text(), QStringLiteral("8 page(s) missing"));
        EXPECT_FALSE(dialog.btnMissing->isHidden());
        QListWidget* list = dialog.MissingDocs()->ListofMissingDocs;
        ASSERT_EQ(list->count(), 8);
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("Form 1 NOTE.DOT (Note), page 2, borrower 1"));
        EXPECT_EQ(
            list->item(7)->text(),
            QStringLiteral("Form 7 W9.DOT (Request for Taxpayer Identification Number), page 1, borrower 1"));
        // Long lines are shown whole: wrapped, never cut off with "...".
        EXPECT_TRUE(list->wordWrap());
        EXPECT_EQ(list->textElideMode(), Qt::ElideNone);

        // The job of exactly the missing pages, in the order shown, simplex.
        THLWPrintJobStream job(CopyFootersFromSettings());
        TPrintChoices choices =
            ChoicesFromDialog(main.frmPrinterDlg->Options(), R::LegalTray(), R::LetterTray());
        AssembleMissingJob(job, *main.DocSet(), dialog.MissingDocs()->Missing(), choices);
        expectedJob = std::string(job.View());
        dialog.MissingDocs()->btnPrintAll->click();
    });
    const auto jobs = printer.WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    const std::string sent = test::ReadWholeFile(jobs[0]);
    EXPECT_EQ(sent, expectedJob);
    // Eight pages, each with its own code: the missing page 2 of the note is there, page 1 is not.
    EXPECT_EQ(test::CountOf(sent, "\x1b*rB"), 8u);
    EXPECT_NE(sent.find("\x1b&l0S"), std::string::npos);
    EXPECT_EQ(sent.find("\x1b&l1S"), std::string::npos);
}

TEST(VerifyFromWindow, PartialCustomGroup) {
    SetCommandLine({DemoPackage()});
    TRecordingPrompter prompter;
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    // The note and the deed selected in the tree: the new group lists those two.
    TTreeNode* root = main.Tree().Root();
    main.SelectNodes({root->Children[0].get(), root->Children[1].get()});
    InVerifyDialog(main, [&](TfrmVerifyDocs& dialog) {
        QTimer::singleShot(0, dialog.frmGroupName, [&dialog] {
            QTest::keyClicks(dialog.frmGroupName->edGroupName, QStringLiteral("Closing"));
            dialog.frmGroupName->accept();
        });
        dialog.btnCustomAdd->click();
        ASSERT_EQ(dialog.lbGroupName->count(), 1);
        dialog.lbGroupName->setCurrentRow(0);
        ASSERT_EQ(dialog.clDocumentList->count(), 2);
        EXPECT_EQ(dialog.clDocumentList->item(1)->text(),
                  QStringLiteral("DEED.DOT: Deed of Trust, Borrower 1"));
        EXPECT_EQ(dialog.clDocumentList->item(1)->checkState(), Qt::Checked);
        // Only the note is verified.
        dialog.clDocumentList->item(1)->setCheckState(Qt::Unchecked);
        dialog.btnCustomStart->click();
        Scan(dialog.edBarCode, QStringLiteral("2026114NOTE.DOT1.2"));
        Scan(dialog.edBarCode, QStringLiteral("2026114DEED.DOT1.1"));
        dialog.btnCustomStop->click();
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Unknown BarCode: 2026114DEED.DOT1.1"});
        EXPECT_EQ(dialog.lblMissing->text(), QStringLiteral("1 page(s) missing"));
        ASSERT_EQ(dialog.MissingDocs()->ListofMissingDocs->count(), 1);
        EXPECT_EQ(dialog.MissingDocs()->ListofMissingDocs->item(0)->text(),
                  QStringLiteral("Form 1 NOTE.DOT (Note), page 1, borrower 1"));
        // The group's page read in full: nothing missing, and still no confirmation that every
        // form of the worksheet exists.
        dialog.btnCustomStart->click();
        Scan(dialog.edBarCode, QStringLiteral("2026114NOTE.DOT1.1"));
        Scan(dialog.edBarCode, QStringLiteral("2026114NOTE.DOT1.2"));
        dialog.btnCustomStop->click();
        EXPECT_EQ(dialog.lblMissing->text(), QStringLiteral("No pages are missing"));
        bool confirmationOffered = true;
        QTimer::singleShot(0, dialog.MissingDocs(), [&] {
            confirmationOffered = dialog.MissingDocs()->btnPrintAll->isVisible();
            dialog.MissingDocs()->reject();
        });
        dialog.btnMissing->click();
        EXPECT_FALSE(confirmationOffered);
        // A blank group name is refused with the reason.
        prompter.Clear();
        QTimer::singleShot(0, dialog.frmGroupName, [&dialog] { dialog.frmGroupName->accept(); });
        dialog.btnCustomAdd->click();
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"A group needs a name.  Please enter one."});
        EXPECT_EQ(dialog.lbGroupName->count(), 1);
        prompter.Clear();

        // Without a selected document, the removal is refused with the message.
        dialog.clDocumentList->setCurrentRow(-1);
        dialog.btnCustomRemove->click();
        EXPECT_EQ(prompter.Texts().back(),
                  "Please select the form you wish\r\nto remove from this grouping.");
        dialog.clDocumentList->setCurrentRow(0);
        dialog.btnCustomRemove->click();
        EXPECT_EQ(dialog.Groupings().Documents(0).size(), 1u);

        // Keys reach the help with the dialog's context.
        std::vector<std::pair<int, int>> keys;
        const THelpHook previous =
            SetHelpHook([&keys](int key, int context) { keys.emplace_back(key, context); });
        QTest::keyClick(&dialog, Qt::Key_F1);
        SetHelpHook(previous);
        EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{Qt::Key_F1, 3}}));
    });
    // The groups live as long as the dialog.
    EXPECT_EQ(main.frmVerifyDocs->Groupings().Count(), 1u);
}

TEST(StackingOrderFromWindow, SaveTwiceThenDelete) {
    SetCommandLine({DemoPackage()});
    TRecordingPrompter prompter;
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    ASSERT_EQ(main.DocSet()->PlanCode, "CONV30");
    const fs::path file = TestDir() / "history" / "PLANCODE.ORD";
    fs::remove(file);
    main.SaveStackingOrderClick();
    main.SaveStackingOrderClick();
    const std::string FD = "\xFD";
    EXPECT_EQ(test::ReadWholeFile(file), "CONV30" + FD + "NOTE.DOT" + FD + "DEED.DOT" + FD + "TIL.DOT" + FD +
                                             "GFE.DOT" + FD + "CERT.DOT" + FD + "CERT.DOT" + FD +
                                             "W9.DOT\r\n");
    EXPECT_FALSE(main.mnuSaveplancodeorder->isEnabled());
    EXPECT_TRUE(main.mnuPlancodestoreorder->isEnabled());

    bool shown = false;
    QTimer::singleShot(0, &main, [&main, &shown] {
        TfrmPlanCodeOrder& dialog = *main.frmPlanCodeOrder;
        shown = dialog.isVisible();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Delete a reordered plan"));
        ASSERT_EQ(dialog.sgPlanCodes->item(0, 0)->text(), QStringLiteral("CONV30"));
        dialog.btnDelete->click();
        EXPECT_EQ(dialog.sgPlanCodes->item(0, 0), nullptr);
        dialog.btnOK->click();
    });
    main.mnuPlancodestoreorder->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(test::ReadWholeFile(file), "");
    EXPECT_TRUE(prompter.Texts().empty());

    // A changed order is offered for the plan before the package is saved; No keeps the file.
    main.ReorderPending = true;
    prompter.QueueAnswer(PromptAnswer::No);
    main.SavePackage();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{
                                    "You have changed the document order.  Save the order for this plan?"});
    EXPECT_EQ(test::ReadWholeFile(file), "");
    prompter.QueueAnswer(PromptAnswer::Yes);
    main.SavePackage();
    EXPECT_EQ(test::ReadWholeFile(file).rfind("CONV30" + FD + "NOTE.DOT", 0), 0u);
    EXPECT_FALSE(main.ReorderPending);
}

} // namespace
