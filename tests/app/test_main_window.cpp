// The main window on the offscreen platform: the tree of a package, page counts, deletion, hints,
// drag and drop, the reports and the command-line switches. Prompts are answered through the seam.

#include "AboutBox.h"
#include "Annotation.h"
#include "AppSettings.h"
#include "CommandLine.h"
#include "DialogFolder.h"
#include "Dialogs.h"
#include "DocTreeModel.h"
#include "DocTreeView.h"
#include "HLWRegistry.h"
#include "ImageView.h"
#include "Main.h"
#include "Options.h"
#include "PGRegistry.h"
#include "PackageFile.h"
#include "PageFrm.h"
#include "PclPageDocuments.h"
#include "PrinterDlg.h"
#include "Prompt.h"
#include "Quodex.h"
#include "RecentPackages.h"
#include "Startup.h"
#include "StatusPanels.h"
#include "Tesselon.h"
#include "TestFiles.h"
#include "TreeFixtures.h"

#include "QtTestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace pg;
using pg::testing::AddTestForm;

QT_BEGIN_NAMESPACE
// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join("|").toStdString() << ']';
}
QT_END_NAMESPACE

namespace {

std::filesystem::path TestDir() {
    static const std::filesystem::path dir = test::ProcessFolder("pg-main-window");
    return dir;
}

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"history"}, [] {
        PGRegistry::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
        PGRegistry::SetFillDir((TestDir() / "fill" / "XFER").string());
    }));

// A, B for two borrowers, an attachment, C with three pages, D with four: 13 pages, 12 of them shown.
std::string WriteExamplePackage(const std::string& name, bool canAnnotate = true,
                                const std::string& plan = "") {
    TDocSet set;
    set.WorksheetNumber = "123";
    set.PlanCode = plan;
    set.CanAnnotate = canAnnotate;
    AddTestForm(set, "A.LSR", "DEED OF TRUST", 1, "JOHN SMITH", 1)
        .Pages[0]
        ->AddAnnotation(std::make_unique<TDocSetAnnotation>());
    AddTestForm(set, "B.LSR", "truth in lending", 1, "john smith", 2);
    AddTestForm(set, "B.LSR", "truth in lending", 2, "MARY SMITH", 2);
    AddTestForm(set, "X.LSR", "attached letter", 1, "JOHN SMITH", 1, kFormatAttachment);
    AddTestForm(set, "C.LSR", "NOTE RIDER", 1, "JOHN SMITH", 3);
    AddTestForm(set, "D.LSR", "good faith estimate", 1, "JOHN SMITH", 4);
    const std::string path = (TestDir() / name).string();
    // The Tesselon container keeps each form's format, so the attachment stays one.
    const bool quodex = path.ends_with(".qdx");
    test::WriteWholeFile(path, quodex ? TQuodex::BuildQuodex(set, TSaveMode::All, true, false)
                                      : TTesselon::BuildTesselon(set, TSaveMode::All, true));
    return path;
}

// What the tree's model gives for the node in the role.
template <class T> T Data(const TfrmMain& main, const TTreeNode* node, Qt::ItemDataRole role) {
    return main.Model().data(main.Model().IndexOf(node), role).value<T>();
}

QString Caption(const TfrmMain& main, const TTreeNode* node) {
    return Data<QString>(main, node, Qt::DisplayRole);
}

bool StruckOut(const TfrmMain& main, const TTreeNode* node) {
    return Data<QFont>(main, node, Qt::FontRole).strikeOut();
}

QStringList ChildCaptions(const TfrmMain& main, const TTreeNode* node) {
    QStringList out;
    for (const auto& child : node->Children)
        out << Caption(main, child.get());
    return out;
}

// The middle of the node's picture and caption.
QPoint CentreOf(TfrmMain& main, const TTreeNode* node) {
    return main.DocTree->ItemRect(main.Model().IndexOf(node)).center();
}

// The tree's drop handler with the pointer at pos (the platform drag itself needs a real pointer).
void Drop(TfrmMain& main, const QPoint& pos) {
    main.TreeViewDragDrop(pos);
}

// Runs f once the next modal window is up, then closes it.
void WhenModal(std::function<void(QWidget*)> f) {
    test::WhenModal(std::move(f), test::TAfterModal::Close);
}

} // namespace

TEST(MainWindow, TreeOfThePackage) {
    TRecordingPrompter prompter;
    const std::string order = (TestDir() / "history" / "PLANCODE.ORD").string();
    test::WriteWholeFile(order, "P7\xFD"
                                "C.LSR\r\n");
    SetCommandLine({WriteExamplePackage("tree.tsn", true, "P7"), "email=jane@example.com"});
    TfrmMain main;
    std::filesystem::remove(order);
    ASSERT_TRUE(main.Loaded);
    EXPECT_EQ(main.DocSet()->UserEmail, "jane@example.com");
    const TTreeNode* root = main.Tree().Root();
    EXPECT_EQ(Caption(main, root), "WS # 123   Plan: P7 (reordered)");
    // The plan's form first; the attachment has no node; B is a group of two borrowers.
    EXPECT_EQ(ChildCaptions(main, root),
              (QStringList{"Note Rider", "Deed Of Trust", "Truth In Lending", "Good Faith Estimate"}));
    const TTreeNode* note = root->Children[0].get();
    EXPECT_EQ(ChildCaptions(main, note), (QStringList{"Page 1", "Page 2", "Page 3"}));
    EXPECT_EQ(note->ImageIndex, kImageMultiPage);
    EXPECT_EQ(root->Children[1]->ImageIndex, kImageAnnotated);
    const TTreeNode* group = root->Children[2].get();
    EXPECT_EQ(ChildCaptions(main, group), (QStringList{"John Smith", "Mary Smith"}));
    EXPECT_EQ(ChildCaptions(main, group->Children[1].get()), (QStringList{"Page 1", "Page 2"}));
    EXPECT_FALSE(Data<QIcon>(main, group, Qt::DecorationRole).isNull());
    EXPECT_TRUE(main.DocTree->isExpanded(main.Model().IndexOf(root)));
    EXPECT_EQ(main.windowTitle(), "Pagellan - JOHN SMITH");
    EXPECT_EQ(main.Status->PanelText(1), "Worksheet Loaded");
    EXPECT_EQ(main.Status->PanelText(3), "tree.tsn");
    EXPECT_EQ(main.Status->PanelText(4), "Additional Copies to print: 0");
    // The root is selected after loading: every page.
    EXPECT_EQ(main.Status->PanelText(2), "13 of 13 pgs");
    // The ideal width of short captions (520) is below the minimum width.
    EXPECT_EQ(main.width(), 590);
    // Printing is on with a package, and viewing the selected root (its first page); commands
    // of subsystems that are not there yet stay disabled; the reports are on.
    EXPECT_TRUE(main.actPrintAll->isEnabled());
    EXPECT_TRUE(main.actViewSelected->isEnabled());
    EXPECT_FALSE(main.actAttachDocs->isEnabled());
    EXPECT_TRUE(main.mnuShowmissing->isEnabled());
    EXPECT_FALSE(main.mnuOpenPCLFile->isVisible());
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(MainWindow, PageCountsAndSelection) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("counts.tsn")});
    TfrmMain main;
    const TTreeNode* root = main.Tree().Root();
    EXPECT_EQ(main.Status->PanelText(2), "13 of 13 pgs");
    TTreeNode* note = root->Children[2].get();
    main.SelectNodes({note});
    EXPECT_EQ(main.Status->PanelText(2), "3 of 13 pgs");
    main.SelectNodes({root->Children[1].get()});
    EXPECT_EQ(main.Status->PanelText(2), "4 of 13 pgs");
    main.SelectNodes({root->Children[1]->Children[0].get(), note->Children[2].get()});
    EXPECT_EQ(main.Status->PanelText(2), "3 of 13 pgs");
    main.SelectNodes({const_cast<TTreeNode*>(root)});
    EXPECT_EQ(main.Status->PanelText(2), "13 of 13 pgs");

    // Ctrl+A selects every node.
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    main.actSelectAllForms->trigger();
    EXPECT_EQ(main.Selection().size(), main.Tree().DisplayOrder().size());
}

TEST(MainWindow, DeleteAndUndeleteGroup) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("delete.tsn")});
    TfrmMain main;
    TTreeNode* group = main.Tree().Root()->Children[1].get();
    main.SelectNodes({group});
    main.PrepareNodeMenu();
    EXPECT_EQ(main.mnuDeleteform->text(), "&Delete ");
    ASSERT_TRUE(main.mnuDeleteform->isEnabled());
    main.mnuDeleteform->trigger();
    EXPECT_TRUE(group->Children[0]->Form()->Deleted);
    EXPECT_TRUE(group->Children[1]->Form()->Deleted);
    EXPECT_TRUE(main.DocSet()->Modified);
    for (const TTreeNode* node : {group, group->Children[0].get(), group->Children[1]->Children[1].get()})
        EXPECT_TRUE(StruckOut(main, node));
    EXPECT_FALSE(StruckOut(main, main.Tree().Root()->Children[0].get()));
    EXPECT_EQ(main.Status->PanelText(2), "4 of 9 pgs");
    main.PrepareNodeMenu();
    EXPECT_EQ(main.mnuDeleteform->text(), "&Undelete ");
    EXPECT_FALSE(main.actViewFormProperties->isEnabled());
    main.mnuDeleteform->trigger();
    EXPECT_FALSE(group->Children[0]->Form()->Deleted);
    EXPECT_FALSE(group->Children[1]->Form()->Deleted);
    EXPECT_FALSE(StruckOut(main, group));
    EXPECT_EQ(main.Status->PanelText(2), "4 of 13 pgs");

    // Pages cannot be deleted; a changed form is drawn red.
    main.SelectNodes({group->Children[0]->Children[0].get()});
    main.PrepareNodeMenu();
    EXPECT_FALSE(main.mnuDeleteform->isEnabled());
    group->Children[0]->Form()->Changed = true;
    EXPECT_EQ(Data<QColor>(main, group->Children[0].get(), Qt::ForegroundRole), QColor(Qt::red));
}

TEST(MainWindow, StatusHints) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("hints.tsn")});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    const TTreeNode* root = main.Tree().Root();
    QTest::mouseClick(main.DocTree->viewport(), Qt::LeftButton, {}, CentreOf(main, root->Children[0].get()));
    EXPECT_EQ(main.HelpStatus->text(), " Press [CTRL] and Click to select multiple forms");
    EXPECT_EQ(main.Status->PanelText(2), "1 of 13 pgs");
    QTest::mouseClick(main.DocTree->viewport(), Qt::LeftButton, {}, CentreOf(main, root));
    EXPECT_EQ(main.HelpStatus->text(), " Select Print all to print your documents");

    // Panel 0: the pictures and the hint over them; beyond it the file name.
    EXPECT_EQ(main.Status->Panel0Pictures().front().first, 18);
    QTest::mouseMove(main.Status, QPoint(10, 8));
    EXPECT_EQ(main.HelpStatus->text(), " No errors detected.");
    QTest::mouseMove(main.Status, QPoint(200, 8));
    EXPECT_EQ(main.HelpStatus->text().toStdString(), " " + main.DocSet()->FileName);

    main.DocSet()->MissingForms = {"Missing fill for A.LSR one"};
    main.SetStatusBar();
    EXPECT_EQ(main.Status->Panel0Pictures().front().first, 17);
    EXPECT_EQ(main.StatusHintAt(5), "No errors detected.");
    main.DocSet()->MissingForms.push_back("Missing fill for C.LSR two");
    main.DocSet()->Errors.push_back({"first", nullptr});
    main.DocSet()->Errors.push_back({"second", nullptr});
    EXPECT_EQ(main.StatusHintAt(5),
              "Forms are missing in this package and there are errors in this package.");

    // A double click over the pictures opens both reports in turn.
    QStringList shown;
    WhenModal([&shown](QWidget* w) {
        shown << w->windowTitle() + ": " + static_cast<TfrmErrors*>(w)->MemoText();
        WhenModal([&shown](QWidget* w2) { shown << w2->windowTitle(); });
    });
    QTest::mouseDClick(main.Status, Qt::LeftButton, {}, QPoint(10, 8));
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], "Missing forms: Missing fill for A.LSR one\nMissing fill for C.LSR two\n");
    EXPECT_EQ(shown[1], "DocSet errors and/or warnings");
    EXPECT_EQ(main.frmErrors->MemoText(), "first\n\nsecond\n\n");
}

// The commands follow the selection as it changes, by whatever means: a page selected through the
// tree's selection model greys out Save As (action and menu item alike) and says why, also in the
// hint strip while the pointer is on the greyed menu item; the root selected makes it run.
TEST(MainWindow, CommandStatesFollowTheSelectionAndSayWhyTheyAreOff) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("states.tsn")});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    const TTreeNode* root = main.Tree().Root();
    const TTreeNode* page = root->Children[2]->Children[1].get();
    QItemSelectionModel* selection = main.DocTree->selectionModel();
    selection->select(main.Model().IndexOf(page), QItemSelectionModel::ClearAndSelect);
    for (const QAction* a : {main.actFileSaveAs, main.mnuFileSaveAs}) {
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
        EXPECT_EQ(a->statusTip().toStdString(), kWhySaveAsSelection);
        EXPECT_EQ(a->toolTip().toStdString(), kWhySaveAsSelection);
    }
    EXPECT_EQ(main.actSaveSelected->statusTip().toStdString(), kWhyFormsSelection);
    EXPECT_TRUE(main.actViewFormProperties->isEnabled());
    EXPECT_EQ(main.mnuFileSave->statusTip().toStdString(), kWhyNothingToSave);

    auto* file = main.findChild<QMenu*>("mnuFile");
    ASSERT_NE(file, nullptr);
    file->popup(main.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    QTest::mouseMove(file, file->actionGeometry(main.mnuFileSaveAs).center());
    EXPECT_EQ(main.HelpStatus->text().toStdString(), std::string(" ") + kWhySaveAsSelection);
    file->hide();

    // The root: Save As runs, and its tips are its own again.
    selection->select(main.Model().IndexOf(root), QItemSelectionModel::ClearAndSelect);
    EXPECT_TRUE(main.mnuFileSaveAs->isEnabled());
    EXPECT_EQ(main.actFileSaveAs->statusTip(), "");
    EXPECT_FALSE(main.actViewFormProperties->isEnabled());
    bool dialogShown = false;
    WhenModal([&dialogShown](QWidget* w) { dialogShown = w->objectName() == "SaveDialog"; });
    main.mnuFileSaveAs->trigger();
    EXPECT_TRUE(dialogShown);

    // A deletion makes the package modified: Save turns on.
    main.SelectNodes({root->Children[0].get()});
    main.mnuDeleteform->trigger();
    EXPECT_TRUE(main.mnuFileSave->isEnabled());
    EXPECT_EQ(main.mnuFileSave->statusTip(), "");
    EXPECT_TRUE(prompter.Entries().empty());
}

// Saving says so in the status bar: annotations saved from a page window, and File > Save, which
// is on while the package has unsaved changes and off, saying why, once they are saved.
TEST(MainWindow, SavingSaysSoInTheStatusBar) {
    TRecordingPrompter prompter;
    const std::string path = WriteExamplePackage("saving.tsn");
    SetCommandLine({path});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TTreeNode* deed = main.Tree().Root()->Children[0].get();
    TPageForm* page = main.ProcessLeafNode(deed);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
    ASSERT_TRUE(page->actAddText->isEnabled());
    page->actAddText->trigger();
    QTest::mouseClick(page->Image, Qt::LeftButton, {}, QPoint(120, 160));
    ASSERT_EQ(page->Annotations().size(), 2u);
    page->Annotations().back()->setText("CHECKED");
    page->actAddText->trigger();
    ASSERT_TRUE(page->actSaveAnnotations->isEnabled());
    page->actSaveAnnotations->trigger();
    EXPECT_EQ(main.Status->Message(), "Annotations saved to saving.tsn");
    // The package's own annotation is blank and is left out.
    const auto saved = LoadPackageFile(path);
    ASSERT_EQ(saved->Form(0).Pages[0]->Annotations.size(), 1u);
    EXPECT_EQ(saved->Form(0).Pages[0]->Annotations[0]->Content, "CHECKED");
    page->close();

    main.SelectNodes({main.Tree().Root()->Children[3].get()});
    main.mnuDeleteform->trigger();
    ASSERT_TRUE(main.mnuFileSave->isEnabled());
    main.mnuFileSave->trigger();
    EXPECT_EQ(main.Status->Message(), "Package saved to saving.tsn");
    EXPECT_FALSE(main.DocSet()->Modified);
    EXPECT_FALSE(main.mnuFileSave->isEnabled());
    EXPECT_EQ(main.mnuFileSave->statusTip().toStdString(), kWhyNothingToSave);
    EXPECT_TRUE(prompter.Entries().empty());
}

// The Open and Save dialogs start in the package's folder, else in the folder last chosen in one
// of them (also in a later run), never in the program's folder; the About window names that
// folder as the document folder.
TEST(MainWindow, DialogsStartInThePackagesFolderElseTheLastOneUsed) {
    TRecordingPrompter prompter;
    std::filesystem::create_directories(TestDir() / "loans");
    std::filesystem::create_directories(TestDir() / "elsewhere");
    const std::string package = WriteExamplePackage("loans/loan.tsn");
    const std::string other = WriteExamplePackage("elsewhere/other.tsn");
    Registry().DeleteValue(kLastFolderSetting);
    // The folder a file dialog of the command shows; chooseFile: the file it is then given.
    const auto dialogFolder = [](QAction* command, const std::string& chooseFile = {}) {
        std::string folder;
        test::WhenModal([&folder, chooseFile](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            folder = dialog->directory().absolutePath().toStdString();
            if (chooseFile.empty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(QString::fromStdString(chooseFile));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        command->trigger();
        return folder;
    };
    {
        SetCommandLine({package});
        TfrmMain main;
        ASSERT_TRUE(main.Loaded);
        EXPECT_EQ(dialogFolder(main.actFileOpen), (TestDir() / "loans").string());
        EXPECT_EQ(dialogFolder(main.mnuFileSaveAs), (TestDir() / "loans").string());
        QString memo;
        WhenModal([&memo](QWidget* w) { memo = static_cast<TfrmAboutBox*>(w)->MemoText(); });
        main.mnuAbout->trigger();
        EXPECT_TRUE(memo.contains(
            QString::fromStdString("\nDocument Directory : " + (TestDir() / "loans").string() + "\n")))
            << memo.toStdString();
        // A file chosen elsewhere: that folder is the last one used.
        EXPECT_EQ(dialogFolder(main.actFileOpen, other), (TestDir() / "loans").string());
        EXPECT_EQ(main.CurrentFile, other);
    }
    SetCommandLine({});
    TfrmMain empty;
    ASSERT_FALSE(empty.Loaded);
    EXPECT_EQ(dialogFolder(empty.actFileOpen), (TestDir() / "elsewhere").string());
    EXPECT_NE(empty.DialogFolder(), empty.ProgramFolder);
    EXPECT_TRUE(prompter.Entries().empty());
}

// The window keeps the size the package was shown in when forms are expanded and collapsed, and
// its hint strip never shows as an empty bar.
TEST(MainWindow, KeepsItsSizeAndItsHintStripIsNeverEmpty) {
    TRecordingPrompter prompter;
    SetCommandLine({});
    TfrmMain empty;
    EXPECT_EQ(empty.HelpStatus->text(), " Open a Tesselon, quodex, PDF or PCL document.");
    SetCommandLine({WriteExamplePackage("size.tsn")});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    EXPECT_FALSE(main.HelpStatus->text().trimmed().isEmpty());
    const QSize shown = main.size();
    const TTreeNode* root = main.Tree().Root();
    for (const auto& form : root->Children)
        main.DocTree->expand(main.Model().IndexOf(form.get()));
    QTest::mouseClick(main.DocTree->viewport(), Qt::LeftButton, {}, CentreOf(main, root->Children[2].get()));
    EXPECT_EQ(main.size(), shown);
    main.DocTree->collapseAll();
    EXPECT_EQ(main.size(), shown);
    // A widget without a hint of its own leaves the strip with the window's hint.
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&main, &none);
    EXPECT_EQ(main.HelpStatus->text().toStdString(), std::string(" ") + kHintMultiSelect);
}

TEST(MainWindow, DragAndDrop) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("drag.tsn")});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TTreeNode* root = main.Tree().Root();
    TTreeNode* note = root->Children[2].get();
    main.DocTree->expand(main.Model().IndexOf(note));

    // Onto a page node: nothing moves.
    main.SelectNodes({root->Children[3].get()});
    ASSERT_TRUE(main.DocTree->visualRect(main.Model().IndexOf(note->Children[1].get())).isValid());
    Drop(main, CentreOf(main, note->Children[1].get()));
    EXPECT_EQ(ChildCaptions(main, root),
              (QStringList{"Deed Of Trust", "Truth In Lending", "Note Rider", "Good Faith Estimate"}));
    EXPECT_FALSE(main.ReorderPending);

    // Onto the root: the first form.
    main.SelectNodes({note});
    Drop(main, CentreOf(main, root));
    EXPECT_EQ(ChildCaptions(main, root),
              (QStringList{"Note Rider", "Deed Of Trust", "Truth In Lending", "Good Faith Estimate"}));
    EXPECT_TRUE(main.ReorderPending);
    EXPECT_EQ(main.Selection(), (TSelection{note}));
    EXPECT_TRUE(main.DocTree->isExpanded(main.Model().IndexOf(note)));

    // Onto a form node: before it.
    TTreeNode* estimate = root->Children[3].get();
    main.SelectNodes({estimate});
    Drop(main, CentreOf(main, root->Children[1].get()));
    EXPECT_EQ(ChildCaptions(main, root),
              (QStringList{"Note Rider", "Good Faith Estimate", "Deed Of Trust", "Truth In Lending"}));
    EXPECT_EQ(main.Tree().FormsInDisplayOrder()[1]->Name, "D.LSR");
    EXPECT_EQ(main.DocSet()->Form(0).Name, "A.LSR");
}

// "Save Stacking Order" is on only while the tree shows an order other than the stored one: a
// form dragged back leaves it off; saving says so and turns it off again.
TEST(MainWindow, StackingOrderSavedOnlyAfterARealReorder) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("order.tsn", true, "P9")});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    const std::string orderFile = (TestDir() / "history" / "PLANCODE.ORD").string();
    std::filesystem::remove(orderFile);
    EXPECT_FALSE(main.mnuSaveplancodeorder->isEnabled());
    EXPECT_EQ(main.mnuSaveplancodeorder->statusTip().toStdString(), kWhyOrderUnchanged);
    TTreeNode* root = main.Tree().Root();
    TTreeNode* deed = root->Children[0].get();
    TTreeNode* lending = root->Children[1].get();
    // The second form to the top, then the first one back above it: the stored order again.
    main.SelectNodes({lending});
    Drop(main, CentreOf(main, root));
    EXPECT_TRUE(main.ReorderPending);
    EXPECT_TRUE(main.mnuSaveplancodeorder->isEnabled());
    main.SelectNodes({deed});
    Drop(main, CentreOf(main, root));
    EXPECT_EQ(Caption(main, root->Children[0].get()), "Deed Of Trust");
    EXPECT_FALSE(main.ReorderPending);
    EXPECT_FALSE(main.mnuSaveplancodeorder->isEnabled());
    // A real change is saved for the plan and said so.
    main.SelectNodes({root->Children[3].get()});
    Drop(main, CentreOf(main, root));
    ASSERT_TRUE(main.mnuSaveplancodeorder->isEnabled());
    main.mnuSaveplancodeorder->trigger();
    EXPECT_EQ(main.Status->Message(), "Stacking order saved for plan P9");
    EXPECT_EQ(test::ReadWholeFile(orderFile).substr(0, 9), "P9\xFD"
                                                           "D.LSR\xFD");
    EXPECT_FALSE(main.ReorderPending);
    EXPECT_FALSE(main.mnuSaveplancodeorder->isEnabled());
    std::filesystem::remove(orderFile);
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(MainWindow, DropRefusedWithoutReorderRight) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("locked.qdx", false)});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TTreeNode* root = main.Tree().Root();
    main.SelectNodes({root->Children[2].get()});
    Drop(main, CentreOf(main, root));
    EXPECT_EQ(Caption(main, root->Children[0].get()), "Deed Of Trust");
    EXPECT_FALSE(main.ReorderPending);
}

TEST(MainWindow, ReportsAndProperties) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("props.tsn")});
    TfrmMain main;
    TTreeNode* note = main.Tree().Root()->Children[2].get();
    main.SelectNodes({note->Children[1].get()});
    main.CheckOptionsAvailable();
    ASSERT_TRUE(main.actViewFormProperties->isEnabled());
    QString memo;
    WhenModal([&memo](QWidget* w) { memo = static_cast<TfrmNodeProperties*>(w)->MemoText(); });
    main.actViewFormProperties->trigger();
    EXPECT_TRUE(memo.startsWith("Format C.LSR\nDesc: NOTE RIDER\n"));
    EXPECT_TRUE(memo.contains("\nPage 2 of 3\n"));

    // No missing forms: the report says so; no errors: an information box.
    QString report;
    WhenModal([&report](QWidget* w) { report = static_cast<TfrmErrors*>(w)->MemoText(); });
    main.mnuShowmissing->trigger();
    EXPECT_EQ(report, "There are no errors");
    EXPECT_FALSE(main.actShowDocSetErrors->isEnabled());
    QString xml;
    WhenModal(
        [&xml](QWidget* w) { xml = w->windowTitle() + ": " + static_cast<TfrmErrors*>(w)->MemoText(); });
    main.actShowXMLFormlist->trigger();
    EXPECT_TRUE(xml.startsWith("DocSet XML: <")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("C.LSR"));
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(MainWindow, Switches) {
    // "/Instance" places the window by its number, but only with the number joined to it.
    const std::string place = WriteExamplePackage("place.qdx");
    for (const auto& [args, pos] :
         {std::pair{std::vector<std::string>{place, "/instance=2"}, QPoint(30, 40)},
          std::pair{std::vector<std::string>{place, "/Instance", "2"}, QPoint(10, 10)}}) {
        TRecordingPrompter prompter;
        SetCommandLine(args);
        TfrmMain main;
        EXPECT_EQ(main.pos(), pos) << args[1];
    }
    {
        // Nothing to load: the empty tree.
        TRecordingPrompter prompter;
        SetCommandLine({});
        TfrmMain main;
        EXPECT_FALSE(main.Loaded);
        EXPECT_EQ(main.windowTitle(), "Pagellan");
        EXPECT_EQ(main.Status->PanelText(1), "Worksheet NOT Loaded");
        EXPECT_EQ(main.Status->PanelText(2), "");
        EXPECT_EQ(main.Status->Panel0Pictures().front().first, 19);
        EXPECT_EQ(main.StatusHintAt(5), "");
    }
    {
        TRecordingPrompter prompter;
        SetCommandLine({(TestDir() / "missing.qdx").string()});
        TfrmMain main;
        EXPECT_FALSE(main.Loaded);
        EXPECT_EQ(main.Status->PanelText(1), "Worksheet NOT Loaded");
    }
    // A read-only package: "No" keeps it read-only and says so in the caption; "Yes" clears it.
    const std::string readOnly = WriteExamplePackage("readonly.qdx");
    for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        ::chmod(readOnly.c_str(), 0444);
        TRecordingPrompter prompter;
        prompter.QueueAnswer(answer);
        SetCommandLine({readOnly});
        TfrmMain main;
        ASSERT_EQ(prompter.Entries().size(), 1u);
        EXPECT_EQ(prompter.Entries()[0].Text,
                  readOnly + " is marked as Read-Only.  Reset it so you can save modifications?");
        EXPECT_EQ(main.windowTitle().endsWith(" (Read-only)"), answer == PromptAnswer::No);
        EXPECT_TRUE(main.Loaded);
    }
    // A file that is no package at all: the error is shown, the tree stays empty.
    const std::string broken = (TestDir() / "broken.qdx").string();
    test::WriteWholeFile(broken, "no separators here");
    TRecordingPrompter prompter;
    SetCommandLine({broken});
    TfrmMain main;
    EXPECT_FALSE(main.Loaded);
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::Error);
}

// ---- multi-user mode, through the stand-in database plug-in ----

namespace {

// The program as started, with a database: the folder db is the stand-in plug-in's database
// and the configuration file names it as the server.
class MultiUser : public ::testing::Test {
protected:
    void SetUp() override {
        db_ = TestDir() / "db";
        std::filesystem::create_directories(db_);
        const std::filesystem::path config = TestDir() / "multiuser.CFG";
        std::ofstream(config) << "[SETTINGS]\nDatabase IP Address=" << db_.string() << "\n";
        registry_ = std::make_unique<THLWRegistry>((TestDir() / "multiuser").string(), config.string());
        previous_ = SetRegistry(registry_.get());
        ::setenv("PAGELLAN_PLUGIN_DIR", PAGELLAN_TEST_PLUGIN_DIR, 1);
    }
    void TearDown() override {
        ::unsetenv("PAGELLAN_PLUGIN_DIR");
        registry_->Database().Unload();
        SetRegistry(previous_);
        std::filesystem::remove_all(db_);
    }
    void WriteDatabase(const std::string& permissions) const {
        std::ofstream(db_ / "PagellanDB.ini")
            << "[SETTINGS]\nQuodex History Dir=" << (TestDir() / "history").string() << "/\n[PERMISSIONS]\n"
            << permissions;
    }
    std::string Calls() const { return test::ReadWholeFile(db_ / "calls.log"); }

    std::filesystem::path db_;
    std::unique_ptr<THLWRegistry> registry_;
    THLWRegistry* previous_ = nullptr;
};

TPageForm* OpenPageWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* page = qobject_cast<TPageForm*>(w); page != nullptr && page->isVisible())
            return page;
    return nullptr;
}

} // namespace

TEST_F(MultiUser, UserWithoutTheRightToRunSeesTheRefusalAndGetsNoWindow) {
    WriteDatabase("CanRunPagellan=0\n");
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("refused.qdx"), "/DEBUG"});
    bool windowMade = false;
    EXPECT_EQ(RunPagellan([&windowMade](TfrmMain&) { windowMade = true; }), 1);
    EXPECT_FALSE(windowMade);
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::Information);
    EXPECT_EQ(prompter.Entries()[0].Text,
              "Please contact your system administrator.\nYou do not have permission to run Pagellan.");
    // The debug switch reaches the plug-in, and its data module is destroyed at the end.
    const std::string server = "SetServer " + db_.string() + " debug\n";
    EXPECT_EQ(Calls(), server + server + "Get\nUserInfo\nDestroy\n");
}

TEST_F(MultiUser, UserWithoutDelAnnotationsCannotDeleteAnnotations) {
    WriteDatabase("CanRunPagellan=1\nDelAnnotations=0\n");
    TDocSet set;
    set.WorksheetNumber = "77";
    set.CanAnnotate = true;
    auto note = std::make_unique<TDocSetAnnotation>();
    note->XPosition = 300;
    note->YPosition = 600;
    note->Content = "PAID";
    AddTestForm(set, "A.LSR", "DEED OF TRUST", 1, "JOHN SMITH", 1).Pages[0]->AddAnnotation(std::move(note));
    const std::string package = (TestDir() / "annotated.qdx").string();
    test::WriteWholeFile(package, TQuodex::BuildQuodex(set, TSaveMode::All, true, false));
    TRecordingPrompter prompter;
    SetCommandLine({package});

    bool multiUser = false, deleteOffered = true, menuOffered = true, deletedWithRight = false;
    size_t kept = 0;
    const int result = RunPagellan([&](TfrmMain& main) {
        QTimer::singleShot(0, &main, [&] {
            multiUser = MultiUserMode();
            main.SelectNodes({main.Tree().Root()->Children[0].get()});
            main.ProcessSelectedNodes(TProcessKind::View);
            TPageForm* page = OpenPageWindow();
            if (page != nullptr && page->Annotations().size() == 1) {
                deleteOffered = page->actDelText->isEnabled();
                menuOffered = page->mnuDeleteAnnotation->isEnabled();
                page->Annotations()[0]->setFocus();
                page->actDelText->trigger();
                page->mnuDeleteAnnotation->trigger();
                kept = page->Annotations().size();
                // The same window deletes once the right is there.
                Registry().Database().PermissionsList().WriteBool("Settings", "DelAnnotations", true);
                page->View(page->CurrentNode);
                page->Annotations()[0]->setFocus();
                page->actDelText->trigger();
                deletedWithRight = page->Annotations().empty();
                page->AnnotationsChanged = false;
            }
            main.CloseAnyOpenForms();
            QApplication::exit(0);
        });
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(multiUser);
    EXPECT_FALSE(deleteOffered);
    EXPECT_FALSE(menuOffered);
    EXPECT_EQ(kept, 1u);
    EXPECT_TRUE(deletedWithRight);
    const std::string calls = Calls();
    EXPECT_EQ(calls.rfind("SetServer " + db_.string() + "\n", 0), 0u) << calls;
    EXPECT_TRUE(calls.ends_with("Destroy\n")) << calls;
}

TEST(MainWindow, DropOnlyOnItemIndentOrEmptySpace) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("hits.tsn")});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TTreeNode* root = main.Tree().Root();
    TTreeNode* note = root->Children[2].get();
    TTreeNode* estimate = root->Children[3].get();
    const QRect item = main.DocTree->ItemRect(main.Model().IndexOf(note));
    const QPoint onButton(item.left() - main.DocTree->indentation() / 2, item.center().y());
    const QPoint rightOfCaption(item.right() + 20, item.center().y());
    ASSERT_LT(rightOfCaption.x(), main.DocTree->viewport()->width());
    const QStringList before = ChildCaptions(main, root);

    // On the expander of a form with pages, right of its caption, outside the tree: no move.
    for (const QPoint& pos : {onButton, rightOfCaption, QPoint(-5, item.center().y())}) {
        main.SelectNodes({estimate});
        Drop(main, pos);
        EXPECT_EQ(ChildCaptions(main, root), before) << pos.x();
        EXPECT_FALSE(main.ReorderPending);
    }
    // In its indent, left of the expander: before it.
    main.SelectNodes({estimate});
    Drop(main, QPoint(item.left() - main.DocTree->indentation() - 3, item.center().y()));
    EXPECT_EQ(ChildCaptions(main, root),
              (QStringList{"Deed Of Trust", "Truth In Lending", "Good Faith Estimate", "Note Rider"}));
    EXPECT_TRUE(main.ReorderPending);
}

TEST(MainWindow, DragEndedWithoutDropCleansUp) {
    TRecordingPrompter prompter;
    SetCommandLine({WriteExamplePackage("dragend.tsn")});
    TfrmMain main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TTreeNode* root = main.Tree().Root();
    const QStringList before = ChildCaptions(main, root);
    int ended = 0;
    bool cursorWhileDragging = false;
    const auto cleanUp = main.DocTree->DragEnded;
    ASSERT_TRUE(cleanUp);
    main.DocTree->DragEnded = [&] {
        ++ended;
        const QCursor* cursor = QApplication::overrideCursor();
        cursorWhileDragging = cursor != nullptr && cursor->shape() == Qt::DragMoveCursor;
        cleanUp();
    };
    // Press on a form and pull it away: the platform ends the drag without a drop here.
    QWidget* viewport = main.DocTree->viewport();
    const QPoint from = CentreOf(main, root->Children[1].get());
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    // The first move turns the press into a drag, the next one starts it.
    const QPoint to = from + QPoint(0, 3 * QApplication::startDragDistance());
    for (const QPoint& pos : {from + QPoint(0, 1), to}) {
        QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(cursorWhileDragging);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ChildCaptions(main, root), before);
    EXPECT_FALSE(main.ReorderPending);
}

TEST(MainWindow, StartedInThePackagesFolder) {
    const std::filesystem::path folder = TestDir() / "start";
    std::filesystem::create_directories(folder);
    const std::string qdx = WriteExamplePackage("start/bare.qdx");
    const std::string tsn = WriteExamplePackage("start/bare.tsn");
    test::WriteWholeFile(folder / "bare.pcl", "\x1b"
                                              "EPLAIN PAGE\f");
    const std::filesystem::path started = std::filesystem::current_path();
    for (const std::string name : {"bare.qdx", "bare.tsn"}) {
        TRecordingPrompter prompter;
        std::filesystem::current_path(folder);
        SetCommandLine({name});
        TfrmMain main;
        EXPECT_TRUE(main.Loaded) << name;
        EXPECT_EQ(main.windowTitle(), "Pagellan - JOHN SMITH") << name;
        EXPECT_EQ(main.Status->PanelText(1), "Worksheet Loaded");
        EXPECT_EQ(main.ViewFile, (folder / name).string());
        EXPECT_TRUE(prompter.Entries().empty()) << name;
    }
    // A file the Tesselon reader refuses opens as plain PCL in a page window named by its path.
    TRecordingPrompter prompter;
    std::filesystem::current_path(folder);
    SetCommandLine({"bare.pcl"});
    {
        TfrmMain main;
        EXPECT_FALSE(main.Loaded);
        ASSERT_EQ(OpenPageWindowCount(), 1);
        TPageForm& page = *OpenPageWindows()[0];
        EXPECT_TRUE(page.isVisible());
        ASSERT_NE(dynamic_cast<TPclFileDocument*>(page.Document.get()), nullptr);
        EXPECT_EQ(page.Document->PageCount(), 1);
        EXPECT_EQ(page.windowTitle().toStdString(), (folder / "bare.pcl").string());
        // Notes may be added; a one-page file offers no thumbnails; its text is black, as it
        // has no fill to set apart.
        EXPECT_TRUE(page.actAddText->isEnabled());
        EXPECT_TRUE(page.actDelText->isEnabled());
        EXPECT_FALSE(page.actShowThumbnails->isVisible());
        EXPECT_FALSE(page.Image->Empty());
        const QImage& shown = page.Image->Stretched();
        int dark = 0, coloured = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c = shown.pixelColor(x, y);
                dark += qGray(c.rgb()) < 128;
                coloured += std::abs(c.red() - c.blue()) > 60;
            }
        EXPECT_GT(dark, 0);
        EXPECT_EQ(coloured, 0);
    }
    EXPECT_EQ(OpenPageWindowCount(), 0);
    std::filesystem::current_path(started);
}

// "Pagellan Options" opens the dialog on its "System" page; OK hands the print choices to the
// printer dialog, and choosing "Never" makes the print commands skip that dialog.
TEST(MainWindow, OptionsCommandHandsTheChoicesToPrinting) {
    TRecordingPrompter prompter;
    SetCommandLine({});
    PGRegistry::SetPrinterDlg(0);
    TfrmOptions::CheckAssociationsOnLoad = false;
    TfrmMain main;
    bool shown = false;
    WhenModal([&shown](QWidget* w) {
        auto* dlg = qobject_cast<TfrmOptions*>(w);
        ASSERT_NE(dlg, nullptr);
        shown = true;
        EXPECT_EQ(dlg->pcOptions->currentWidget(), dlg->tbsSystem);
        dlg->cbxBarCodes->setChecked(true);
        dlg->cbxFormNames->setChecked(false);
        dlg->cbxPrintMode->setCurrentIndex(1);
        dlg->rbNever->setChecked(true);
        dlg->edAdditionalCopies->setValue(2);
        dlg->OKBtn->click();
    });
    ASSERT_TRUE(main.mnuOptions->isEnabled());
    main.mnuOptions->trigger();
    ASSERT_TRUE(shown);
    EXPECT_EQ(main.frmPrinterDlg->Options().BarCodes, kChoiceYes);
    EXPECT_EQ(main.frmPrinterDlg->Options().FormNames, kChoiceNo);
    EXPECT_EQ(main.frmPrinterDlg->Options().PrintMode, 1);
    EXPECT_EQ(main.frmPrinterDlg->edAdditionalCopies->value(), 2);
    EXPECT_EQ(PGRegistry::PrinterDlg(), 2);
    EXPECT_TRUE(main.SkipPrinterDialog);
    PGRegistry::SetPrinterDlg(0);
    PGRegistry::SetAdditionalCopies(0);
    TfrmOptions::CheckAssociationsOnLoad = true;
}

// The File menu's recent packages: newest first, a package opened again moves up, eight at
// most, a missing file greyed; choosing an entry whose file has gone says so and forgets it.
TEST(MainWindow, RecentPackagesNewestFirstLimitedAndMissingFilesForgotten) {
    TRecordingPrompter prompter;
    Registry().DeleteValue(kRecentPackagesSetting);
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i)
        files.push_back(WriteExamplePackage("recent" + std::to_string(i) + ".tsn"));
    SetCommandLine({files[0]});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    EXPECT_EQ(RecentPackages(), std::vector<std::string>{files[0]});
    for (const int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 3}) {
        main.OpenFileName = files[size_t(i)];
        main.LoadFile();
    }
    const auto captions = [&main] {
        main.UpdateRecentPackages();
        std::vector<std::pair<std::string, bool>> out;
        for (const QAction* a : main.mnuRecentPackages->actions())
            out.emplace_back(a->text().toStdString(), a->isEnabled());
        return out;
    };
    std::filesystem::remove(files[5]);
    const std::vector<std::pair<std::string, bool>> expected = {
        {"&1 " + files[3], true}, {"&2 " + files[9], true}, {"&3 " + files[8], true},
        {"&4 " + files[7], true}, {"&5 " + files[6], true}, {"&6 " + files[5], false},
        {"&7 " + files[4], true}, {"&8 " + files[2], true}};
    EXPECT_EQ(captions(), expected);
    // Choosing an entry loads its package, which moves to the front.
    main.mnuRecentPackages->actions().at(2)->trigger();
    EXPECT_EQ(main.CurrentFile, files[8]);
    EXPECT_EQ(RecentPackages().front(), files[8]);
    // A file gone since the menu was shown: the user is told, the entry leaves the list, and the
    // package shown stays.
    main.UpdateRecentPackages();
    std::filesystem::remove(files[9]);
    prompter.Clear();
    main.mnuRecentPackages->actions().at(2)->trigger();
    EXPECT_TRUE(main.Loaded);
    EXPECT_EQ(main.CurrentFile, files[8]);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{files[9] + " does not exist"});
    EXPECT_EQ(RecentPackages(), (std::vector<std::string>{files[8], files[3], files[7], files[6], files[5],
                                                          files[4], files[2]}));
    // The list is what the settings store holds, so the next run shows it too.
    EXPECT_EQ(Registry().ReadString(kRecentPackagesSetting, "").substr(0, files[8].size() + 1),
              files[8] + "\n");
    EXPECT_EQ(captions().size(), 7u);
}
