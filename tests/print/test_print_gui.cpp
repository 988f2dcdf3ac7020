// Printing from the windows on the offscreen platform to a real IPP printer: Print All with the
// dialog skipped through the settings, Print Selected through the dialog, the deleted-forms
// refusal, and the page window's Print of one page. What arrives must be the job the core
// builds for the same selection.

#include "CommandLine.h"
#include "IppTestPrinter.h"
#include "Main.h"
#include "PGRegistry.h"
#include "PackageJob.h"
#include "PageFrm.h"
#include "PrintTree.h"
#include "PrinterDlg.h"
#include "PrinterOutput.h"
#include "Prompt.h"

#include "QtTestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

using namespace pg;

namespace {

namespace fs = std::filesystem;
namespace R = PGRegistry;

fs::path TestDir() {
    static const fs::path dir = test::ProcessFolder("pg-print-gui");
    return dir;
}

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"history"}, [] {
        R::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
        R::SetFillDir((TestDir() / "fill" / "XFER").string());
    }));

// The demo package in the test folder (the window may touch the file it opens).
std::string DemoPackage() {
    const fs::path path = TestDir() / "demo.qdx";
    fs::copy_file(fs::path(PAGELLAN_SOURCE_DIR) / "samples" / "demo.qdx", path,
                  fs::copy_options::overwrite_existing);
    return path.string();
}

// The job the walk builds from the window's tree for the selection, with the dialog's choices.
std::string ExpectedJob(TfrmMain& main, const TSelection& selection, const TPrintRequest& request) {
    const TPrintChoices choices =
        ChoicesFromDialog(main.frmPrinterDlg->Options(), R::LegalTray(), R::LetterTray());
    THLWPrintJobStream job(CopyFootersFromSettings());
    AssembleJob(job, *main.DocSet(), PrintNodes(main.Tree(), selection), request, choices, false);
    job.WriteJobReset();
    return std::string(job.View());
}

// Presses OK on the printer dialog as soon as it shows.
void PressOkWhenShown(TfrmMain& main) {
    QTimer::singleShot(0, main.frmPrinterDlg, [&main] { main.frmPrinterDlg->btnOK->click(); });
}

TEST(PrintFromWindows, MainWindowAndPageWindowReachThePrinter) {
    test::TIppTestPrinter printer("application/vnd.hp-PCL");
    ASSERT_EQ(printer.Error(), "");
    const std::string uri = printer.Uri();
    const TPrinterListQuery previousList = SetPrinterListQuery([uri] {
        return std::vector<TPrinterInfo>{{uri, "Test", "", uri, true}};
    });
    SetCurrentPrinterName(uri);
    R::SetPrintType(kPrintFormatPclDirect);
    R::SetBarCode(true);
    R::SetAdditionalCopies(0);

    // Print All with the dialog never shown ("PrinterDlg" 2).
    R::SetPrinterDlg(2);
    const std::string package = DemoPackage();
    SetCommandLine({package});
    TRecordingPrompter prompter;
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    ASSERT_TRUE(main.actPrintAll->isEnabled());
    ASSERT_GE(main.Tree().Root()->Children.size(), 2u);
    // Print All selects the root alone, whatever was selected.
    main.SelectNodes({main.Tree().Root()->Children[1].get()});
    // The n-th job the printer received (empty when it did not arrive).
    const auto job = [&printer](size_t n) {
        const auto jobs = printer.WaitForJobs(n);
        EXPECT_EQ(jobs.size(), n);
        return jobs.size() == n ? test::ReadWholeFile(jobs[n - 1]) : std::string();
    };
    main.actPrintAll->trigger();
    EXPECT_EQ(main.Selection(), TSelection{main.Tree().Root()});
    const std::string all = job(1);
    EXPECT_EQ(all, ExpectedJob(main, {main.Tree().Root()}, {}));
    // The batch builder of the CLI makes the same job for the same choices.
    TJobOptions options;
    options.Package = package;
    options.Choices = ChoicesFromDialog(main.frmPrinterDlg->Options(), {}, {});
    EXPECT_EQ(BuildJobFromOptions(options).Bytes, all);
    EXPECT_FALSE(main.JobPending());

    // Print Selected through the dialog ("PrinterDlg" 0), the tool-bar button choosing it.
    R::SetPrinterDlg(0);
    main.SkipPrinterDialog = false;
    const TSelection second = {main.Tree().Root()->Children[1].get()};
    main.SelectNodes(second);
    PressOkWhenShown(main);
    main.btnPrint->click();
    const std::string selected = job(2);
    EXPECT_EQ(selected, ExpectedJob(main, second, {.SelectedOnly = true}));
    EXPECT_LT(selected.size(), all.size());
    EXPECT_EQ(R::UsePrinter(), uri);

    // Print Remaining from the second form, and the "Changed" button with one changed form,
    // the dialog skipped again.
    R::SetPrinterDlg(2);
    main.SkipPrinterDialog = true;
    main.SelectNodes(second);
    main.actPrintRemaining->trigger();
    EXPECT_EQ(job(3), ExpectedJob(main, second, {.Start = PrintNodeIndex(main.Tree(), second.front())}));
    main.DocSet()->Form(0).Changed = true;
    main.SetStatusBar();
    ASSERT_TRUE(main.btnPrintChanged->isEnabled());
    main.btnPrintChanged->click();
    const std::string changed = job(4);
    EXPECT_EQ(changed, ExpectedJob(main, main.Selection(), {.ChangedOnly = true}));
    EXPECT_LT(changed.size(), all.size());
    main.DocSet()->Form(0).Changed = false;

    // A deleted form among the selection: the message, and nothing goes to the printer.
    main.SelectNodes(second);
    main.ProcessSelectedNodes(TProcessKind::Delete);
    main.SelectNodes(second);
    main.actPrintSelected->trigger();
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Text.rfind("These form(s) have been deleted.\n\n", 0), 0u);
    EXPECT_NE(prompter.Entries()[0].Text.find("Nothing will be printed."), std::string::npos);
    main.SelectNodes(second);
    main.ProcessSelectedNodes(TProcessKind::Delete);

    // The page window prints the page it shows, one page between two resets.
    TTreeNode* first = main.Tree().Root()->Children[0].get();
    while (first->HasChildren())
        first = first->Children.front().get();
    main.ProcessLeafNode(first);
    const std::vector<TPageForm*> pages = OpenPageWindows();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_TRUE(pages[0]->actPrint->isEnabled());
    PressOkWhenShown(main);
    pages[0]->actPrint->trigger();
    // The page window's preparation: no print order and no duplex.
    EXPECT_FALSE(main.frmPrinterDlg->Options().PrintOrderEnabled);
    EXPECT_FALSE(main.frmPrinterDlg->Options().DuplexEnabled);
    THLWPrintJobStream pageJob(CopyFootersFromSettings());
    AssemblePageJob(pageJob, main.DocSet(), first->Info.get(), {},
                    ChoicesFromDialog(main.frmPrinterDlg->Options(), {}, {}));
    const std::string page = job(5);
    EXPECT_EQ(page, std::string(pageJob.View()));
    EXPECT_EQ(page.rfind("\x1b"
                         "E",
                         0),
              0u);
    EXPECT_TRUE(page.ends_with("\x1b"
                               "E"));
    EXPECT_EQ(pageJob.PagesWritten, 1);
    main.CloseAnyOpenForms();
    SetPrinterListQuery(previousList);
}

// No printer set up on the system: the printer dialog stays the way to a printer. An address
// typed into it (http:// here) takes a driver-printed job; the next run starts with that
// stored address, and a raw job goes there unchanged.
TEST(PrintFromWindows, PrinterDialogPrintsToATypedAddressWithoutAnyQueue) {
    test::TIppTestPrinter printer("application/vnd.hp-PCL,application/pdf");
    ASSERT_EQ(printer.Error(), "");
    std::string address = printer.Uri();
    address.replace(0, std::string("ipp://localhost").size(), "http://127.0.0.1");
    const TPrinterListQuery previousList = SetPrinterListQuery([] { return std::vector<TPrinterInfo>{}; });
    SetCurrentPrinterName("");
    R::SetUsePrinter("");
    R::SetPrinterDlg(0);
    R::SetPrintType(kPrintFormatPclDirect);
    SetCommandLine({DemoPackage()});
    TRecordingPrompter prompter;
    {
        TfrmMain main;
        ASSERT_TRUE(main.Loaded);
        QString placeholder;
        QTimer::singleShot(0, main.frmPrinterDlg, [&] {
            TfrmPrinterDlg& dlg = *main.frmPrinterDlg;
            placeholder = dlg.cbxPrinters->lineEdit()->placeholderText();
            dlg.cbxPrinters->setEditText(QString::fromStdString(address));
            dlg.cbxPrintMode->setCurrentIndex(kPrintFormatGdiDriver);
            dlg.btnOK->click();
        });
        main.actPrintAll->trigger();
        EXPECT_EQ(placeholder.toStdString(), kNoPrintersMessage);
        const auto jobs = printer.WaitForJobs(1);
        ASSERT_EQ(jobs.size(), 1u) << testing::PrintToString(prompter.Texts());
        EXPECT_EQ(test::ReadWholeFile(jobs[0]).substr(0, 5), "%PDF-");
        EXPECT_EQ(R::UsePrinter(), address);
    }
    // A new run: the stored address is the printer, also in the dialog.
    SetCurrentPrinterName("");
    R::SetPrintType(kPrintFormatPclDirect);
    TfrmMain main;
    QString shown;
    QTimer::singleShot(0, main.frmPrinterDlg, [&] {
        shown = main.frmPrinterDlg->cbxPrinters->currentText();
        main.frmPrinterDlg->btnOK->click();
    });
    main.actPrintAll->trigger();
    EXPECT_EQ(shown.toStdString(), address);
    const auto jobs = printer.WaitForJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(test::ReadWholeFile(jobs[1]), ExpectedJob(main, {main.Tree().Root()}, {}));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});
    SetPrinterListQuery(previousList);
}

} // namespace
