// The main window's file commands on the offscreen platform: Save As and Save Selected to PDF
// through our converter (read back with poppler), their failures, two conversions at once, and
// PDF files handed to the desktop's reader through the real xdg-utils in a private desktop (its
// own HOME, XDG folders and a test reader that records what it was asked to open). Dialogs and
// prompts are answered by the test. The temporary folder is a shared one (mode 1777) holding
// what another user planted under the converter's work-file names.

#include "CommandLine.h"
#include "FileKinds.h"
#include "HLWRegistry.h"
#include "Main.h"
#include "MessageWindow.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "PdfMarks.h"
#include "PdfReader.h"
#include "Prompt.h"
#include "StatusPanels.h"
#include "TestFiles.h"
#include "TestTables.h"

#include "QtTestEnvironment.h"
#include "SharedFolder.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

using namespace pg;
namespace fs = std::filesystem;

namespace {

fs::path TestDir() {
    static const fs::path dir = test::ProcessFolder("pg-main-pdf");
    return dir;
}

fs::path SharedDir() {
    return TestDir() / "temp";
}

// The shared folder is the temporary folder, and no runtime or cache folder of the user's own
// can be had: each conversion's work folder is made right among what others planted.
const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"out"}, [] {
        test::UsePrivateDesktop(TestDir());
        const test::TSharedFolder shared(SharedDir());
        for (const char* name : {"Tmp.pcl", "Tmp.PDF", "PCL2PDF"})
            shared.PlantLink(name);
        ::setenv("TEMP", SharedDir().c_str(), 1);
        ::unsetenv("XDG_RUNTIME_DIR");
        test::WriteWholeFile(TestDir() / "plain", "");
        ::setenv("XDG_CACHE_HOME", (TestDir() / "plain" / "cache").c_str(), 1);
        PGRegistry::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
    }));

const std::string kDemo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";

using test::WhenModal;

// Answers the next file dialog with the file and the filter (-1: leave the filter). The name is
// typed into the dialog's name field, as a user does: the dialog's file list fills in the
// background and is not waited for.
void AnswerFileDialog(const std::string& file, int filter = -1, QStringList* seen = nullptr) {
    WhenModal([file, filter, seen](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (seen != nullptr)
            *seen << dialog->windowTitle() << dialog->nameFilters();
        if (filter >= 0)
            dialog->selectNameFilter(dialog->nameFilters().at(filter));
        const fs::path path(file);
        dialog->setDirectory(QString::fromStdString(path.parent_path().string()));
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(path.filename().string()));
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

int PdfPages(const std::string& pdf) {
    const test::TCommandRun run = test::RunCommand("pdfinfo \"" + pdf + "\" 2>/dev/null");
    const size_t at = run.Out.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(run.Out.substr(at + 6));
}

// The shared folder holds what was planted, unchanged, and nothing of ours; the file the planted
// links point at is as it was.
void ExpectSharedFolderUntouched() {
    std::map<std::string, std::string> planted;
    for (const char* name : {"Tmp.pcl", "Tmp.PDF", "PCL2PDF"})
        planted[name] = "link to " + SharedDir().string() + ".own-file";
    EXPECT_EQ(test::TSharedFolder::Snapshot(SharedDir()), planted);
    EXPECT_EQ(test::ReadWholeFile(SharedDir().string() + ".own-file"), test::TSharedFolder::kVictimBytes);
}

std::unique_ptr<TfrmMain> DemoWindow() {
    SetCommandLine({kDemo});
    auto main = std::make_unique<TfrmMain>();
    main->PdfConverter = PCL2PDF;
    return main;
}

} // namespace

TEST(MainWindowPdf, SaveAsPdfWritesEveryPage) {
    TRecordingPrompter prompter;
    auto main = DemoWindow();
    ASSERT_TRUE(main->Loaded);
    ASSERT_TRUE(main->actFileSaveAs->property("pagellanWired").toBool());
    // A name with blanks and a non-ASCII byte; the PDF filter gives the extension.
    const std::string chosen = (TestDir() / "out" / "loan package é").string();
    QStringList seen;
    AnswerFileDialog(chosen, 2, &seen);
    main->SaveAsClick();
    EXPECT_EQ(seen, (QStringList{"Save As", "Tesselon (*.TSN *.tsn)", "Quodex (*.QDX *.qdx)",
                                 "Adobe PDF (*.PDF *.pdf)"}));
    const std::string pdf = chosen + ".PDF";
    EXPECT_EQ(PdfPages(pdf), int(main->DocSet()->TotalPageCount()));
    EXPECT_EQ(PdfPages(pdf), 10);
    EXPECT_NE(test::RunCommand("pdftotext \"" + pdf + "\" -").Out.find("HARBOR POINT SAVINGS"),
              std::string::npos);
    // Bookmarks and labels as the tree shows the package; its properties.
    EXPECT_EQ(test::ReadPdfMarks(pdf),
              test::TreeMarks(main->Tree(), [](const TDocSetForm&) { return true; }));
    test::ExpectContains(test::RunCommand("pdfinfo \"" + pdf + "\"").Out,
                         {"Title:           WS # " + main->DocSet()->WorksheetNumber + " - ",
                          "Subject:         Loan documents\n"});
    ExpectSharedFolderUntouched();
    EXPECT_TRUE(prompter.Entries().empty()) << prompter.Texts().front();
    // The message window was used and closed again; the capture flags are back.
    EXPECT_EQ(main->frmMessage->windowTitle(), "Running PCL to PDF converter");
    EXPECT_EQ(main->frmMessage->Text(), "...Please wait...");
    EXPECT_FALSE(main->frmMessage->isVisible());
    EXPECT_FALSE(PRINT_TO_ONE_FILE);
    EXPECT_FALSE(main->PDFMode);
    EXPECT_FALSE(main->Converting);
    // The status bar says where the PDF went; without a reader it offers no "Open PDF".
    EXPECT_EQ(main->Status->Message(), QString::fromLocal8Bit(("PDF saved to " + pdf).c_str()));
    EXPECT_FALSE(main->Status->MessageButton()->isVisibleTo(main->Status));
}

TEST(MainWindowPdf, SaveSelectedPdfWritesTheSelectedForms) {
    TRecordingPrompter prompter;
    auto main = DemoWindow();
    const TTreeNode* root = main->Tree().Root();
    ASSERT_GE(root->Children.size(), 3u);
    // Two forms, kept apart by one that is not selected.
    const TTreeNode* first = root->Children[0].get();
    const TTreeNode* third = root->Children[2].get();
    main->SelectNodes({const_cast<TTreeNode*>(first), const_cast<TTreeNode*>(third)});
    const int pages = main->GetNumberOfPagesSelected();
    ASSERT_GT(pages, 1);
    ASSERT_LT(pages, 10);

    // An earlier file of that name: the user agrees to overwrite it.
    const std::string target = (TestDir() / "out" / "selected.pdf").string();
    test::WriteWholeFile(target, "earlier");
    prompter.QueueAnswer(PromptAnswer::Yes);
    QStringList seen;
    AnswerFileDialog(target, 0, &seen);
    main->SaveSelectedClick();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.front(), "Save selected as");
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{OverwriteQuestion(target)}));
    EXPECT_EQ(PdfPages(target), pages);
    EXPECT_EQ(test::ReadPdfMarks(target), test::TreeMarks(main->Tree(), [&](const TDocSetForm& form) {
                  return &form == first->Form() || &form == third->Form();
              }));
    ExpectSharedFolderUntouched();
    EXPECT_FALSE(main->DocSet()->Modified);

    // Nothing selected.
    prompter.Clear();
    main->SelectNodes({});
    main->SaveSelectedClick();
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kNoFormsSelected}));
}

TEST(MainWindowPdf, MissingConverterLeavesTheEarlierTargetAlone) {
    TRecordingPrompter prompter;
    auto main = DemoWindow();
    main->PdfConverter = (TestDir() / "nowhere" / "pcl2pdf").string();
    const std::string target = (TestDir() / "out" / "kept.PDF").string();
    test::WriteWholeFile(target, "earlier");
    prompter.QueueAnswer(PromptAnswer::Yes);
    AnswerFileDialog(target, 2);
    main->SaveAsClick();
    ASSERT_EQ(prompter.Entries().size(), 2u);
    EXPECT_EQ(prompter.Texts()[0], OverwriteQuestion(target));
    // The work files are named as ever, in the conversion's own folder among the planted names.
    EXPECT_EQ(prompter.Entries()[1].Kind, PromptKind::Error);
    const std::regex message(
        "Error 2 executing \"(" + SharedDir().string() +
        "/pagellan-pdf-\\w{6}/)PCL2PDF\" \"\\1Tmp\\.pcl\" \"\\1Tmp\\.PDF\" -Legal -MM in "
        "directory \\./: Executable not found");
    EXPECT_TRUE(std::regex_match(prompter.Texts()[1], message)) << prompter.Texts()[1];
    EXPECT_EQ(test::ReadWholeFile(target), "earlier");
    ExpectSharedFolderUntouched();
    EXPECT_FALSE(main->Converting);
}

// A second conversion starts while the first one's converter runs (another window's Save
// Selected, from the events the first one's wait serves): each gets its own work files, and
// each PDF holds its own pages.
TEST(MainWindowPdf, TwoConversionsAtOnceGiveTwoCorrectPdfs) {
    TRecordingPrompter prompter;
    auto all = DemoWindow();
    auto part = DemoWindow();
    const TTreeNode* form = part->Tree().Root()->Children[1].get();
    part->SelectNodes({const_cast<TTreeNode*>(form)});
    const int pages = part->GetNumberOfPagesSelected();
    ASSERT_GE(pages, 1);
    ASSERT_LT(pages, 10);
    const std::string allPdf = (TestDir() / "out" / "all.PDF").string();
    const std::string partPdf = (TestDir() / "out" / "part.pdf").string();
    fs::remove(allPdf);
    fs::remove(partPdf);

    bool overlapped = false;
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
        if (!all->Converting)
            return;
        poll->stop();
        poll->deleteLater();
        AnswerFileDialog(partPdf, 2);
        part->SaveSelectedClick();
        overlapped = all->Converting;
    });
    poll->start(5);
    AnswerFileDialog(allPdf, 2);
    all->SaveAsClick();
    EXPECT_TRUE(overlapped) << "the second conversion ran while the first one waited";
    EXPECT_EQ(PdfPages(allPdf), 10);
    EXPECT_EQ(PdfPages(partPdf), pages);
    EXPECT_NE(test::RunCommand("pdftotext \"" + allPdf + "\" -").Out.find("HARBOR POINT SAVINGS"),
              std::string::npos);
    EXPECT_TRUE(prompter.Entries().empty()) << prompter.Texts().front();
    ExpectSharedFolderUntouched();
}

TEST(MainWindowPdf, SaveAsContainerAndDeletedSelection) {
    TRecordingPrompter prompter;
    auto main = DemoWindow();
    // The Quodex filter with a ".tsn" name writes a Quodex file under the name with "QDX";
    // the reload question answered No keeps the tree.
    const std::string chosen = (TestDir() / "out" / "copy.tsn").string();
    prompter.QueueAnswer(PromptAnswer::No);
    AnswerFileDialog(chosen, 1);
    main->SaveAsClick();
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Reload the tree with the just saved quodex?"}));
    const std::string written = ForceExtension(chosen, "QDX");
    ASSERT_TRUE(fs::exists(written));
    EXPECT_EQ(test::ReadWholeFile(written).substr(0, 1), test::ReadWholeFile(kDemo).substr(0, 1));

    // A deleted form among the selection: nothing is saved.
    prompter.Clear();
    TTreeNode* form = main->Tree().Root()->Children[1].get();
    main->SelectNodes({form});
    main->ProcessSelectedNodes(TProcessKind::Delete);
    main->SelectNodes({form});
    main->SaveSelectedClick();
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_TRUE(prompter.Texts()[0].starts_with("These form(s) have been deleted."));
    EXPECT_TRUE(prompter.Texts()[0].ends_with("\n\nNothing will be saved."));
}

namespace {

const fs::path kOpened = TestDir() / "opened.txt";

// A reader registered for application/pdf whose program records its argument and ends with
// the exit status.
void RegisterTestReader(int exitStatus) {
    const fs::path script = TestDir() / "reader.sh";
    test::WriteWholeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + kOpened.string() + "'\nexit " +
                                     std::to_string(exitStatus) + "\n");
    ::chmod(script.c_str(), 0755);
    test::WriteWholeFile(TestDir() / "data" / "applications" / "pgtest-reader.desktop",
                         "[Desktop Entry]\nType=Application\nName=Test reader\nExec=" + script.string() +
                             " %f\nMimeType=application/pdf;\n");
    ASSERT_EQ(test::RunCommand("xdg-mime default pgtest-reader.desktop application/pdf").Status, 0);
}

void UnregisterTestReader() {
    fs::remove(TestDir() / "data" / "applications" / "pgtest-reader.desktop");
    fs::remove(TestDir() / "config" / "mimeapps.list");
}

} // namespace

TEST(PdfReader, DetectorFollowsTheDesktopsRegistration) {
    UnregisterTestReader();
    EXPECT_FALSE(TPDFDetector().Installed());
    EXPECT_EQ(TPDFDetector().Kind(), TPDFDetector::kNone);
    RegisterTestReader(0);
    const TPDFDetector detector;
    EXPECT_TRUE(detector.Installed());
    EXPECT_EQ(detector.Application(), "pgtest-reader.desktop");
    UnregisterTestReader();
}

TEST(MainWindowPdf, OpeningAPdfHandsItToTheDesktopsReader) {
    TRecordingPrompter prompter;
    SetCommandLine({});
    TfrmMain main;
    const std::string pdf = (TestDir() / "out" / "a loan é.pdf").string();
    test::WriteWholeFile(pdf, "%PDF-1.4\n%%EOF\n");
    fs::remove(kOpened);

    // Without a reader: the information, nothing opened.
    UnregisterTestReader();
    main.DropFiles({pdf});
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{PdfReaderMissingText(pdf)}));
    EXPECT_FALSE(main.Loaded);

    // Through the open dialog: the reader gets the path; the tree stays empty.
    prompter.Clear();
    RegisterTestReader(0);
    QStringList seen;
    AnswerFileDialog(pdf, -1, &seen);
    main.FileOpenClick();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.front(), "Open file");
    EXPECT_TRUE(QTest::qWaitFor([] { return fs::exists(kOpened); }, 15000));
    EXPECT_EQ(test::ReadWholeFile(kOpened), pdf + "\n");
    EXPECT_FALSE(main.Loaded);

    // Dropped, with a reader that fails: the reason is shown as an error.
    RegisterTestReader(4);
    fs::remove(kOpened);
    main.DropFiles({pdf});
    EXPECT_TRUE(QTest::qWaitFor([&prompter] { return !prompter.Entries().empty(); }, 15000));
    EXPECT_TRUE(fs::exists(kOpened));
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::Error);
    EXPECT_EQ(prompter.Entries()[0].Text, DesktopOpenErrorText(4, {}));
    UnregisterTestReader();
}

// With a PDF reader registered, the message of a saved PDF offers "Open PDF", which hands the
// file to the reader.
TEST(MainWindowPdf, SavedPdfOffersTheReader) {
    TRecordingPrompter prompter;
    RegisterTestReader(0);
    fs::remove(kOpened);
    auto main = DemoWindow();
    const std::string chosen = (TestDir() / "out" / "offered").string();
    AnswerFileDialog(chosen, 2);
    main->SaveAsClick();
    const std::string pdf = chosen + ".PDF";
    EXPECT_EQ(PdfPages(pdf), 10);
    EXPECT_EQ(main->Status->Message().toStdString(), "PDF saved to " + pdf);
    QToolButton* open = main->Status->MessageButton();
    ASSERT_TRUE(open->isVisibleTo(main->Status));
    EXPECT_EQ(open->text(), "Open PDF");
    open->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return fs::exists(kOpened); }, 15000));
    EXPECT_EQ(test::ReadWholeFile(kOpened), pdf + "\n");
    EXPECT_TRUE(prompter.Entries().empty());
    UnregisterTestReader();
}
