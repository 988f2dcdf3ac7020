// The page window on the offscreen platform: zoom limits and fixed scales, smoothing passes,
// navigation across forms, go to page, plain PCL files, annotations (create, edit, move,
// delete, save, reload, failed save), packages that do not allow annotations, and the main
// window's View commands. Prompts are answered through the seam.

#include "Annotation.h"
#include "CommandLine.h"
#include "ContinuousView.h"
#include "DocTreeModel.h"
#include "DocTreeView.h"
#include "GotoPage.h"
#include "HLWRegistry.h"
#include "HelpHook.h"
#include "ImageView.h"
#include "Main.h"
#include "PGRegistry.h"
#include "PackageFile.h"
#include "PageFrm.h"
#include "PclPageDocuments.h"
#include "PrinterDlg.h"
#include "PrinterOutput.h"
#include "Prompt.h"
#include "Tesselon.h"
#include "TextHighlights.h"
#include "ThumbnailStrip.h"
#include "ViewerCore.h"

#include "QtTestEnvironment.h"
#include "TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <initializer_list>
#include <map>

using namespace pg;

namespace {

std::filesystem::path TestDir() {
    static const std::filesystem::path dir = test::ProcessFolder("pg-page-window");
    return dir;
}

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(
    TestDir(), {}, [] { ::setenv("XDG_DATA_HOME", (TestDir() / "data").c_str(), 1); }));

TDocSetForm& AddForm(TDocSet& set, const std::string& name, int pages, bool deleted = false,
                     const std::string& fill = "\x1b*p300x400YFILL TEXT") {
    auto form = std::make_unique<TDocSetForm>(name, "DESC", 1, "JOHN SMITH", "LTR", false, false, deleted);
    for (int p = 1; p <= pages; ++p)
        form->AddPage(std::make_unique<TDocSetPage>(p, "T.LSR", false, "", 0, fill));
    return set.AddForm(std::move(form));
}

// Forms A.LSR, B.LSR, ... with the given numbers of pages.
template <class TSet = TDocSet> std::unique_ptr<TSet> FormsOf(std::initializer_list<int> pages) {
    auto set = std::make_unique<TSet>();
    char name = 'A';
    for (const int count : pages)
        AddForm(*set, std::string(1, name++) + ".LSR", count);
    return set;
}

// Writes a Tesselon package of such forms and starts the program on it; answers its path.
std::string StartOnPackage(const std::string& name, std::initializer_list<int> pages) {
    const std::string path = (TestDir() / name).string();
    test::WriteWholeFile(path, TTesselon::BuildTesselon(*FormsOf<TTesselon>(pages), TSaveMode::All, true));
    SetCommandLine({path});
    return path;
}

// A set with its tree, as the main window hands them to a page window.
struct TFixture {
    std::unique_ptr<TDocSet> Set;
    TDocTree Tree;

    explicit TFixture(std::unique_ptr<TDocSet> set) : Set(std::move(set)) {
        Tree.Build(*Set, [](const std::string&) { return 0; });
    }
    std::unique_ptr<TPageForm> Open(TTreeNode* node) {
        auto page = std::make_unique<TPageForm>();
        page->DocumentSet = Set.get();
        page->FirstNode = Tree.Root();
        page->LastNode = Tree.LastNode();
        page->View(node);
        return page;
    }
    TTreeNode* Node(size_t form, int child = -1) const {
        TTreeNode* n = Tree.Root()->Children[form].get();
        return child < 0 ? n : n->Children[size_t(child)].get();
    }
};

// A landscape page: 4200 dots wide, so 37 % is exactly 1554 pixels.
std::unique_ptr<TDocSet> LandscapeSet(bool canAnnotate, const std::string& file) {
    auto set = std::make_unique<TTesselon>();
    set->CanAnnotate = canAnnotate;
    set->UserEmail = "jane@example.com";
    AddForm(*set, "A.LSR", 1, false, "\x1b&l1O\x1b*p300x400YWIDE PAGE");
    set->FileName = (TestDir() / file).string();
    test::WriteWholeFile(set->FileName, TTesselon::BuildTesselon(*set, TSaveMode::All, true));
    return set;
}

using test::WhenModal;

} // namespace

TEST(PageWindow, ZoomLimitsAndFixedScales) {
    TRecordingPrompter prompter;
    TFixture f(FormsOf({1}));
    auto page = f.Open(f.Node(0));
    ASSERT_EQ(page->Image->BitmapWidth(), 2450);
    EXPECT_EQ(page->windowTitle(), "A.LSR: DESC,JOHN SMITH, Page 1 of 1");
    EXPECT_EQ(page->actGotoPage->text(), "1 of 1");

    page->SetFixedScale(79);
    EXPECT_EQ(page->Image->width(), 1936);
    page->actZoomIn->trigger();
    EXPECT_NEAR(page->PageScale(), 158.0, 0.1); // 1936 doubled over 2450
    EXPECT_EQ(page->StatusPanel[0]->text(), "Scale : 158%");
    page->SetFixedScale(80);
    page->actZoomIn->trigger();
    EXPECT_DOUBLE_EQ(page->PageScale(), 80.0);
    EXPECT_EQ(page->Image->width(), 1960);

    page->SetFixedScale(10.5);
    const double before = page->PageScale();
    page->actZoomOut->trigger();
    EXPECT_NEAR(page->PageScale(), before / 2, 0.3);
    page->SetFixedScale(10);
    page->actZoomOut->trigger();
    EXPECT_DOUBLE_EQ(page->PageScale(), 10.0);

    // "Original Size" is 37 %, whatever its caption says.
    EXPECT_EQ(page->actOriginalSize->text(), "&Original Size (20%)");
    page->actOriginalSize->trigger();
    EXPECT_DOUBLE_EQ(page->OriginalScale, 37.0);
    EXPECT_NEAR(page->PageScale(), 37.0, 0.05);
    EXPECT_EQ(page->StatusPanel[0]->text(), "Scale : 37%");
    EXPECT_EQ(page->Image->width(), 906);

    // The scale pop-up's 100 % entry, and the shared scale a new window starts with.
    page->ScaleMenu->findChild<QAction*>("mnuScale100")->trigger();
    EXPECT_DOUBLE_EQ(page->PageScale(), 100.0);
    auto second = f.Open(f.Node(0));
    EXPECT_EQ(second->Image->width(), 2450);
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(PageWindow, SmoothingPassesAndNoReRendering) {
    TFixture f(FormsOf({1}));
    auto page = f.Open(f.Node(0));
    page->SetFixedScale(20);
    // Default settings, colour page: 2 passes at every scale below about 278 %.
    EXPECT_FALSE(page->Image->Picture().Monochrome());
    EXPECT_EQ(page->Image->PassCount(), 2);
    const uint64_t generation = page->Image->Picture().Generation();
    page->actZoomIn->trigger();
    page->SetFixedScale(200);
    EXPECT_EQ(page->Image->PassCount(), 2);
    // The same number of passes is not applied again; the page is not rendered again.
    EXPECT_EQ(page->Image->Picture().Generation(), generation);
    EXPECT_EQ(page->Image->Stretched().size(), QSize(4900, 6600)); // the form is letter

    // Monochrome ("FormFillColor" 0): 1 pass; fill text turns black.
    PGRegistry::SetFormFillColor(0);
    page->View(f.Node(0));
    PGRegistry::SetFormFillColor(1);
    EXPECT_TRUE(page->Image->Picture().Monochrome());
    EXPECT_EQ(page->Image->PassCount(), 1);
    page->SetFixedScale(37);
    EXPECT_EQ(page->Image->PassCount(), 1);
    // Smoothing switched off.
    PGRegistry::SetImageAntiAlias(false);
    page->View(f.Node(0));
    PGRegistry::SetImageAntiAlias(true);
    EXPECT_EQ(page->Image->PassCount(), 0);
}

TEST(PageWindow, NavigationAcrossForms) {
    TRecordingPrompter prompter;
    auto set = std::make_unique<TDocSet>();
    AddForm(*set, "A.LSR", 1);
    AddForm(*set, "B.LSR", 2);
    AddForm(*set, "C.LSR", 1, true);
    AddForm(*set, "D.LSR", 1);
    TFixture f(std::move(set));
    auto page = f.Open(f.Node(0));
    page->actNext->trigger();
    EXPECT_EQ(page->CurrentNode, f.Node(1, 0));
    EXPECT_EQ(page->actGotoPage->text(), "1 of 2");
    EXPECT_EQ(f.Node(1, 0)->StateIndex, kImageViewed);
    page->actNext->trigger();
    EXPECT_EQ(page->CurrentNode, f.Node(1, 1));
    EXPECT_EQ(page->windowTitle(), "B.LSR: DESC,JOHN SMITH, Page 2 of 2");
    // The deleted form C is skipped.
    page->actNext->trigger();
    EXPECT_EQ(page->CurrentNode, f.Node(3));
    EXPECT_EQ(f.Node(2)->StateIndex, kNoStateImage);
    // The end: No keeps the page, Yes starts at the beginning.
    prompter.QueueAnswer(PromptAnswer::No);
    page->actNext->trigger();
    EXPECT_EQ(page->CurrentNode, f.Node(3));
    prompter.QueueAnswer(PromptAnswer::Yes);
    page->actNext->trigger();
    EXPECT_EQ(page->CurrentNode, f.Node(0));
    prompter.QueueAnswer(PromptAnswer::Yes);
    page->actPrev->trigger();
    EXPECT_EQ(page->CurrentNode, f.Node(3));
    ASSERT_EQ(
        prompter.Texts(),
        (std::vector<std::string>{"End of document list reached.  Do you wish to start at the beginning?",
                                  "End of document list reached.  Do you wish to start at the beginning?",
                                  "Beginning of document list reached.  Do you wish to start at the end?"}));

    // Go to page: the last page, then page 1 typed in the dialog.
    page->View(f.Node(1, 0));
    page->GotoPage(TGotoChoice::Last, 0);
    EXPECT_EQ(page->CurrentNode, f.Node(1, 1));
    page->show();
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TfrmGotoPage*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Go To Page");
        EXPECT_EQ(dialog->lblRange->text(), "1 to 2");
        dialog->edPageNum->clear();
        QTest::keyClicks(dialog->edPageNum, "7");
        EXPECT_EQ(dialog->edPageNum->text(), "1"); // outside the range
        dialog->btnGo->click();
    });
    page->actGotoPage->trigger();
    EXPECT_EQ(page->CurrentNode, f.Node(1, 0));
    EXPECT_EQ(page->actGotoPage->text(), "1 of 2");
}

// The strip holds one thumbnail per page of the form shown, drawn in the background; a click
// or a key in the strip shows that page, and every way of changing pages moves the mark.
TEST(PageWindow, ThumbnailStrip) {
    Registry().WriteInteger("ShowThumbnails", 1);
    auto set = std::make_unique<TDocSet>();
    TDocSetForm& form = AddForm(*set, "B.LSR", 3);
    AddForm(*set, "A.LSR", 1);
    // A note on page 2 shows on its thumbnail.
    auto note = std::make_unique<TDocSetAnnotation>();
    note->XPosition = 300;
    note->YPosition = 1000;
    note->Content = "CHECKED";
    form.Pages[1]->AddAnnotation(std::move(note));
    TFixture f(std::move(set));
    auto page = f.Open(f.Node(0, 0));
    page->show();
    TThumbnailStrip* strip = page->Thumbnails;
    ASSERT_NE(strip, nullptr);
    ASSERT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->PageCount(), 3);
    EXPECT_EQ(strip->currentRow(), 0);
    ASSERT_TRUE(QTest::qWaitFor([strip] { return strip->Complete(); }, 20000));
    for (int p = 1; p <= 3; ++p) {
        ASSERT_NE(strip->Thumbnail(p), nullptr) << p;
        EXPECT_EQ(strip->Thumbnail(p)->Width(), kThumbnailWidth);
        EXPECT_EQ(strip->item(p - 1)->text(), QString::number(p));
    }
    const auto aqua = [strip](int p) {
        const QImage icon = strip->item(p - 1)->icon().pixmap(strip->iconSize()).toImage();
        int n = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                n += icon.pixelColor(x, y) == QColor(0, 255, 255);
        return n;
    };
    // 50 dots high and 7 x 27 wide at 100 / 2450: 2 rows of about 8 pixels, at (14, 47).
    EXPECT_EQ((std::array{aqua(1), aqua(3)}), (std::array{0, 0}));
    EXPECT_GE(aqua(2), 8);
    EXPECT_LE(aqua(2), 24);
    // The page beside the strip, not under it.
    EXPECT_LE(strip->geometry().right(), page->ScrollBox->geometry().left());

    const auto shows = [&](int p) {
        EXPECT_EQ(page->CurrentNode, f.Node(0, p - 1));
        EXPECT_EQ(page->actGotoPage->text(), QStringLiteral("%1 of 3").arg(p));
        EXPECT_EQ(strip->CurrentPage(), p);
        EXPECT_EQ(strip->currentRow(), p - 1);
        ASSERT_EQ(strip->selectedItems().size(), 1);
        EXPECT_EQ(strip->selectedItems().front(), strip->item(p - 1));
    };
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->visualItemRect(strip->item(2)).center());
    shows(3);
    QTest::keyClick(strip, Qt::Key_PageUp);
    shows(2);
    QTest::keyClick(strip, Qt::Key_Home);
    shows(1);
    QTest::keyClick(strip, Qt::Key_End);
    shows(3);
    // Keys on the page still scroll it; the window's commands move the mark.
    QTest::keyClick(page->ScrollBox, Qt::Key_PageDown);
    EXPECT_GT(page->ScrollBox->verticalScrollBar()->value(), 0);
    shows(3);
    page->actPrev->trigger();
    shows(2);
    page->GotoPage(TGotoChoice::First, 0);
    shows(1);

    // A one-page form shows no strip; back on the form, its thumbnails come from the cache.
    page->View(f.Node(1));
    EXPECT_FALSE(strip->isVisible());
    page->View(f.Node(0, 1));
    EXPECT_TRUE(strip->isVisible());
    EXPECT_TRUE(strip->Complete());
    EXPECT_EQ(strip->Cache().Size(), 3u);
    EXPECT_EQ(strip->Cache().Find(&form, 2), strip->Thumbnail(2));
    shows(2);

    // Switched off in the View menu: hidden, remembered, and a new window starts without it.
    page->actShowThumbnails->trigger();
    EXPECT_FALSE(strip->isVisible());
    EXPECT_EQ(Registry().ReadInteger("ShowThumbnails", 1), 0);
    auto second = f.Open(f.Node(0, 0));
    second->show();
    EXPECT_FALSE(second->actShowThumbnails->isChecked());
    EXPECT_FALSE(second->Thumbnails->isVisible());
    second->actShowThumbnails->trigger();
    EXPECT_TRUE(second->Thumbnails->isVisible());
    EXPECT_EQ(Registry().ReadInteger("ShowThumbnails", 0), 1);

    // A plain PCL file: one thumbnail per page of the file, each drawn with what earlier pages
    // left in force (page 1 turns the pages landscape).
    const auto file = TestDir() / "three.pcl";
    test::WriteWholeFile(file, "\x1b"
                               "E\x1b&l1OONE\f\x1b*p300x400YTWO\f\x1b*p300x400YTHREE\f");
    TPageForm plain;
    ASSERT_TRUE(plain.LoadPCLFile(file.string()));
    plain.show();
    TThumbnailStrip* files = plain.Thumbnails;
    ASSERT_EQ(files->PageCount(), 3);
    ASSERT_TRUE(QTest::qWaitFor([files] { return files->Complete(); }, 20000));
    ASSERT_NE(files->Thumbnail(2), nullptr);
    EXPECT_GT(files->Thumbnail(2)->Width(), files->Thumbnail(2)->Height());
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(1)).center());
    EXPECT_EQ(plain.DocumentPage, 2);
    EXPECT_EQ(files->currentRow(), 1);
    plain.actNext->trigger();
    EXPECT_EQ(files->currentRow(), 2);
}

TEST(PageWindow, PlainPclFile) {
    const auto file = TestDir() / "two.pcl";
    test::WriteWholeFile(file, "\x1b"
                               "EPAGE ONE\f\x1b*p300x400YPAGE TWO\f");
    TPageForm page;
    ASSERT_TRUE(page.LoadPCLFile(file.string()));
    ASSERT_NE(dynamic_cast<TPclFileDocument*>(page.Document.get()), nullptr);
    ASSERT_EQ(page.Document->PageCount(), 2);
    EXPECT_NEAR(page.PageScale(), 37.0, 0.05);
    EXPECT_TRUE(page.actAddText->isEnabled()); // typed, never saved
    page.actNext->trigger();
    EXPECT_EQ(page.DocumentPage, 2);
    page.actNext->trigger();
    EXPECT_EQ(page.DocumentPage, 1); // wraps without asking
    page.actPrev->trigger();
    EXPECT_EQ(page.DocumentPage, 2);
    page.GotoPage(TGotoChoice::Page, 9);
    EXPECT_EQ(page.DocumentPage, 1);
    EXPECT_EQ(page.actGotoPage->text(), "1 of 2");
    TPageForm missing;
    EXPECT_FALSE(missing.LoadPCLFile((TestDir() / "none.pcl").string()));
}

// A landscape plain file: page 2 holds no orientation command of its own but follows page 1's,
// and shows whole on a landscape page; the mouse position and zoom work on it as on a
// portrait page.
TEST(PageWindow, LandscapePlainFileShowsWhole) {
    const auto file = TestDir() / "landscape.pcl";
    test::WriteWholeFile(file, "\x1b"
                               "E\x1b&l1O\x1b&l2APAGE ONE\f\x1b*p3000x2000YTOTAL DUE\f");
    TPageForm page;
    ASSERT_TRUE(page.LoadPCLFile(file.string()));
    page.actNext->trigger();
    ASSERT_EQ(page.DocumentPage, 2);
    EXPECT_EQ((std::pair{page.Image->BitmapWidth(), page.Image->BitmapHeight()}), (std::pair{4200, 2550}));
    const TRgbImage& shown = page.Image->Picture().Base();
    int marked = 0;
    for (int y = 2000; y < 2250; ++y)
        for (int x = 3000; x < 3600; ++x)
            marked += shown.Pixel(x, y) != 0x00FFFFFF;
    EXPECT_GT(marked, 500);
    // At 37 %, image pixel (1147, 814) shows bitmap pixel (3100, 2200), PCL (3050, 2050).
    page.ImageMouseMove(QPoint(1147, 814));
    EXPECT_EQ(page.StatusPanel[1]->text(), "3050, 2050");
    page.ZoomOut();
    EXPECT_EQ(page.StatusPanel[0]->text(), "Scale : 18%");
    EXPECT_EQ(page.Image->size(), QSize(777, 472));
    page.ImageMouseMove(QPoint(574, 407));
    EXPECT_EQ(page.StatusPanel[1]->text(), "3053, 2050");
}

TEST(PageWindow, AnnotationsCreateMoveSaveReload) {
    TRecordingPrompter prompter;
    TFixture f(LandscapeSet(true, "notes.tsn"));
    auto page = f.Open(f.Node(0));
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    page->SetFixedScale(37);
    ASSERT_DOUBLE_EQ(page->PageScale(), 37.0);
    ASSERT_TRUE(page->actAddText->isEnabled());

    // Add Text, then a click at (185, 555): PCL (450, 1350), 18 pixels high from row 537.
    page->actAddText->trigger();
    EXPECT_TRUE(page->AddTextMode);
    EXPECT_TRUE(page->btnAddText->isChecked());
    QTest::mouseClick(page->Image, Qt::LeftButton, {}, QPoint(185, 555));
    ASSERT_EQ(page->Annotations().size(), 1u);
    TAnnotation* note = page->Annotations()[0];
    // PCL x and y, screen top, bottom and left, font height.
    EXPECT_EQ((std::array{note->PclX, note->PclY, note->geometry().top(), note->y() + note->height(),
                          note->x(), note->font().pixelSize()}),
              (std::array{450, 1350, 537, 555, 185, 16}));
    EXPECT_EQ(note->font().family(), "Courier New");
    EXPECT_TRUE(note->Touched);
    EXPECT_EQ(note->UserName, "jane@example.com");
    EXPECT_TRUE(
        QRegularExpression("^Modified by: jane@example.com\n\\d\\d/\\d\\d/\\d{4} at \\d\\d:\\d\\d:\\d\\d$")
            .match(note->toolTip())
            .hasMatch())
        << note->toolTip().toStdString();
    EXPECT_EQ(note->palette().color(QPalette::Base), QColor(0, 255, 255));

    // Typed text comes out in capitals and marks the page changed.
    note->setFocus();
    QTest::keyClicks(note, "due 5th");
    EXPECT_EQ(note->text(), "DUE 5TH");
    EXPECT_TRUE(page->DocumentSet->Modified);
    EXPECT_TRUE(page->AnnotationsChanged);
    EXPECT_TRUE(page->actSaveAnnotations->isEnabled());
    const int narrow = note->width();
    QTest::keyClicks(note, " and more");
    EXPECT_GT(note->width(), narrow);
    note->setText("DUE 5TH");

    // Move with the frame by (37, 74) pixels; Add Text off drops the frame: PCL (550, 1550).
    page->AttachSizer(note);
    ASSERT_NE(page->Sizer(), nullptr);
    EXPECT_EQ(page->SizedAnnotation, note);
    page->Sizer()->MoveBy(37, 74);
    page->actAddText->trigger();
    EXPECT_FALSE(page->AddTextMode);
    EXPECT_EQ(page->SizedAnnotation, nullptr);
    EXPECT_EQ((std::pair{note->PclX, note->PclY}), (std::pair{550, 1550}));

    // Saving asks; No keeps the file as it was.
    prompter.QueueAnswer(PromptAnswer::No);
    EXPECT_TRUE(page->SaveAnnotations(true));
    EXPECT_EQ(prompter.Texts().back(), "Annotations were changed on this page.  Save them now?");
    EXPECT_FALSE(page->actSaveAnnotations->isEnabled());
    EXPECT_TRUE(LoadPackageFile(f.Set->FileName)->Form(0).Pages[0]->Annotations.empty());

    // Save: the page's list, the file, the node's picture, the flags.
    page->actSaveAnnotations->setEnabled(true);
    page->actSaveAnnotations->trigger();
    const TDocSetPage& stored = *f.Set->Form(0).Pages[0];
    ASSERT_EQ(stored.Annotations.size(), 1u);
    EXPECT_EQ((std::pair{stored.Annotations[0]->XPosition, stored.Annotations[0]->YPosition}),
              (std::pair{550, 1550}));
    EXPECT_EQ((std::pair{stored.Annotations[0]->Content, stored.Annotations[0]->UserId}),
              (std::pair<std::string, std::string>{"DUE 5TH", "jane@example.com"}));
    EXPECT_TRUE(f.Set->AnnotationsToUpload);
    EXPECT_FALSE(f.Set->Modified);
    EXPECT_FALSE(page->AnnotationsChanged);
    EXPECT_EQ(f.Node(0)->ImageIndex, kImageAnnotated);
    EXPECT_FALSE(page->actSaveAnnotations->isEnabled());

    // Reload the package: the annotation comes back at its place with its stamp.
    TFixture reloaded(LoadPackageFile(f.Set->FileName));
    auto again = reloaded.Open(reloaded.Node(0));
    again->SetFixedScale(37);
    ASSERT_EQ(again->Annotations().size(), 1u);
    TAnnotation* back = again->Annotations()[0];
    EXPECT_EQ(back->text(), "DUE 5TH");
    EXPECT_EQ((std::pair{back->x(), back->y() + back->height()}), (std::pair{222, 629}));
    EXPECT_EQ(back->ModifiedDate, note->ModifiedDate);
    EXPECT_FALSE(back->Touched);
    // At 100 % the same annotation is 50 pixels high with a 45-pixel font.
    again->SetFixedScale(100);
    EXPECT_EQ((std::array{back->height(), back->font().pixelSize(), back->x()}), (std::array{50, 45, 600}));

    // Delete it and save: the page has none, the picture goes back to a plain page.
    page->show();
    note->setFocus();
    page->actDelText->trigger();
    EXPECT_TRUE(page->Annotations().empty());
    EXPECT_TRUE(f.Set->Modified);
    page->actSaveAnnotations->trigger();
    EXPECT_TRUE(f.Set->Form(0).Pages[0]->Annotations.empty());
    EXPECT_TRUE(LoadPackageFile(f.Set->FileName)->Form(0).Pages[0]->Annotations.empty());
    EXPECT_EQ(f.Node(0)->ImageIndex, kImagePage);
}

TEST(PageWindow, EmptyBlankAndFailedSave) {
    TRecordingPrompter prompter;
    TFixture f(LandscapeSet(true, "fail.tsn"));
    const std::string before = LoadPackageFile(f.Set->FileName) ? "read" : "";
    auto page = f.Open(f.Node(0));
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    page->SetFixedScale(37);
    // An annotation left empty vanishes when it loses the focus.
    page->actAddText->trigger();
    QTest::mouseClick(page->Image, Qt::LeftButton, {}, QPoint(100, 300));
    ASSERT_EQ(page->Annotations().size(), 1u);
    page->ScrollBox->setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(page->Annotations().empty());
    // One holding blanks stays on screen but is not stored.
    QTest::mouseClick(page->Image, Qt::LeftButton, {}, QPoint(100, 300));
    ASSERT_EQ(page->Annotations().size(), 1u);
    QTest::keyClicks(page->Annotations()[0], "   ");
    QTest::mouseClick(page->Image, Qt::LeftButton, {}, QPoint(185, 555));
    ASSERT_EQ(page->Annotations().size(), 2u);
    QTest::keyClicks(page->Annotations()[1], "keep me");
    page->ScrollBox->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(page->Annotations().size(), 2u);

    // A failed save: the file stays, the user is told, the annotations stay on screen and
    // Save stays available.
    const std::string original = f.Set->FileName;
    std::filesystem::create_directories(TestDir() / "taken.tsn" / "inside");
    f.Set->FileName = (TestDir() / "taken.tsn").string();
    prompter.Clear();
    EXPECT_FALSE(page->SaveAnnotations(false));
    ASSERT_FALSE(prompter.Entries().empty());
    EXPECT_NE(prompter.Entries().back().Text.find("Error saving to"), std::string::npos);
    EXPECT_EQ(page->Annotations().size(), 2u);
    EXPECT_TRUE(f.Set->Modified);
    EXPECT_TRUE(page->AnnotationsChanged);
    EXPECT_TRUE(page->actSaveAnnotations->isEnabled());
    EXPECT_NE(f.Node(0)->ImageIndex, kImageAnnotated);
    // Stepping away is refused while the save fails, so nothing typed is lost.
    prompter.QueueAnswer(PromptAnswer::Yes);
    page->actNext->trigger();
    EXPECT_EQ(page->Annotations().size(), 2u);
    // Once the file can be written, the blank one is left out.
    f.Set->FileName = original;
    EXPECT_TRUE(page->SaveAnnotations(false));
    const std::unique_ptr<TDocSet> saved = LoadPackageFile(original);
    const auto& stored = saved->Form(0).Pages[0]->Annotations;
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]->Content, "KEEP ME");
    EXPECT_EQ((std::pair{stored[0]->XPosition, stored[0]->YPosition}), (std::pair{450, 1350}));
    EXPECT_EQ(before, "read");
}

TEST(PageWindow, PackageThatDoesNotAllowAnnotations) {
    TRecordingPrompter prompter;
    auto set = LandscapeSet(false, "locked.tsn");
    StoreAnnotations(*set->Form(0).Pages[0], {{185, 537, "STORED", "bob", "01/02/2024", "10:11:12"}}, 18, 37);
    TFixture f(std::move(set));
    auto page = f.Open(f.Node(0));
    EXPECT_FALSE(page->actAddText->isEnabled());
    EXPECT_FALSE(page->actDelText->isEnabled());
    EXPECT_FALSE(page->actSaveAnnotations->isEnabled());
    ASSERT_EQ(page->Annotations().size(), 1u);
    TAnnotation* stored = page->Annotations()[0];
    EXPECT_EQ(stored->text(), "STORED");
    EXPECT_FALSE(stored->isEnabled());
    EXPECT_TRUE(stored->isReadOnly());
    EXPECT_EQ(stored->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(stored->toolTip().isEmpty());
    // An allowing package shows the stored stamp as the hint.
    f.Set->CanAnnotate = true;
    page->View(f.Node(0));
    ASSERT_EQ(page->Annotations().size(), 1u);
    EXPECT_EQ(page->Annotations()[0]->toolTip(), "Modified by: bob\n01/02/2024 at 10:11:12");
    EXPECT_TRUE(page->actAddText->isEnabled());
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(PageWindow, MainWindowOpensAndClosesPages) {
    TRecordingPrompter prompter;
    const std::string path = StartOnPackage("main.tsn", {1, 2});
    {
        TfrmMain main;
        ASSERT_TRUE(main.Loaded);
        TTreeNode* b2 = main.Tree().Root()->Children[1]->Children[1].get();
        main.SelectNodes({b2});
        main.SetStatusBar();
        ASSERT_TRUE(main.actViewSelected->isEnabled());
        main.actViewSelected->trigger();
        ASSERT_EQ(main.FormCount(), 1);
        EXPECT_EQ(OpenPageWindows()[0]->CurrentNode, b2);
        EXPECT_EQ(b2->StateIndex, kImageViewed);
        // View All opens the first page of the package.
        main.actViewFirst->trigger();
        ASSERT_EQ(main.FormCount(), 2);
        EXPECT_EQ(OpenPageWindows()[1]->CurrentNode, main.Tree().Root()->Children[0].get());
        // The Close button closes the pages first, Pagellan only when none is open.
        main.btnClose->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(main.FormCount(), 0);
        // Save writes the package to its file.
        main.DocSet()->Form(0).Description = "CHANGED";
        EXPECT_TRUE(main.SavePackage());
        EXPECT_EQ(LoadPackageFile(path)->Form(0).Description, "CHANGED");
        main.actViewFirst->trigger();
        EXPECT_EQ(main.FormCount(), 1);
    }
    // The main window takes its page windows with it.
    EXPECT_EQ(OpenPageWindowCount(), 0);
    EXPECT_TRUE(prompter.Entries().empty());
}

// Enter on a node of the main window's tree opens it, as a double click does.
TEST(PageWindow, EnterOnATreeNodeOpensIt) {
    TRecordingPrompter prompter;
    StartOnPackage("enter.tsn", {1, 2});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    TTreeNode* b2 = main.Tree().Root()->Children[1]->Children[1].get();
    main.SelectNodes({b2});
    main.DocTree->setCurrentIndex(main.DocTree->selectionModel()->selectedIndexes().value(0));
    QTest::keyClick(main.DocTree, Qt::Key_Return);
    ASSERT_EQ(main.FormCount(), 1);
    EXPECT_EQ(OpenPageWindows()[0]->CurrentNode, b2);
    main.CloseAnyOpenForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The vertical scroll bar's thumb shows where the view is on the page; the wheel, Home, End,
// Page Up and Page Down move both.
TEST(PageWindow, ScrollBarFollowsTheViewAndKeysScroll) {
    TRecordingPrompter prompter;
    TFixture f(FormsOf({1}));
    auto page = f.Open(f.Node(0));
    page->resize(700, 400);
    page->show();
    QApplication::processEvents();
    QScrollBar* bar = page->ScrollBox->verticalScrollBar();
    ASSERT_GT(bar->maximum(), bar->pageStep()) << "the page must be taller than two screens";
    // Where the style draws the thumb and its groove, from the bar's own state.
    auto part = [bar](QStyle::SubControl control) {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.upsideDown = bar->invertedAppearance();
        option.subControls = QStyle::SC_All;
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, control, bar);
    };
    auto viewTop = [&] { return -page->Image->mapTo(page->ScrollBox->viewport(), QPoint(0, 0)).y(); };
    auto check = [&](const char* step, int value) {
        QApplication::processEvents();
        EXPECT_EQ(bar->value(), value) << step;
        EXPECT_EQ(viewTop(), value) << step;
        // The thumb goes down its groove as far as the view has gone down the page.
        const QRect thumb = part(QStyle::SC_ScrollBarSlider), groove = part(QStyle::SC_ScrollBarGroove);
        const double travel = std::max(1, groove.height() - thumb.height());
        EXPECT_NEAR((thumb.top() - groove.top()) / travel, double(value) / bar->maximum(), 0.05) << step;
    };
    check("opened", 0);
    QWheelEvent down(QPointF(50, 50), page->ScrollBox->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(page->ScrollBox->viewport(), &down);
    ASSERT_GT(bar->value(), 0);
    check("wheel", bar->value());
    page->ScrollBox->setFocus();
    QTest::keyClick(page.get(), Qt::Key_End);
    check("End", bar->maximum());
    QTest::keyClick(page.get(), Qt::Key_Home);
    check("Home", 0);
    QTest::keyClick(page.get(), Qt::Key_PageDown);
    check("Page Down", bar->pageStep());
    QTest::keyClick(page.get(), Qt::Key_PageDown);
    const int twice = std::min(2 * bar->pageStep(), bar->maximum());
    check("Page Down twice", twice);
    QTest::keyClick(page.get(), Qt::Key_PageUp);
    check("Page Up", twice - bar->pageStep());
}

// Bytes 0x80-0x9F of a package (curly quotes, dashes, the euro sign) are Windows-1252 text and
// read the same in the tree, the page window's caption, an annotation and the printer dialog.
TEST(PageWindow, PackageTextReadsTheSameInEveryWindow) {
    const std::string bytes = "\x93LOAN\x94 \x80 FEE \x96 \x85";
    const QString expected = QString::fromUtf8("\u201Cloan\u201D \u20AC Fee \u2013 \u2026");
    auto set = std::make_unique<TDocSet>();
    TDocSetForm& form = AddForm(*set, "A.LSR", 1);
    form.Description = bytes;
    auto note = std::make_unique<TDocSetAnnotation>();
    note->XPosition = 300;
    note->YPosition = 600;
    note->Content = bytes;
    form.Pages[0]->AddAnnotation(std::move(note));
    TFixture f(std::move(set));

    TDocTreeModel tree;
    tree.SetTree(&f.Tree, f.Set.get(), QFont());
    EXPECT_EQ(tree.data(tree.IndexOf(f.Node(0)), Qt::DisplayRole).toString(), expected);

    const QString asIs = QString::fromUtf8("\u201CLOAN\u201D \u20AC FEE \u2013 \u2026");
    auto page = f.Open(f.Node(0));
    EXPECT_EQ(page->windowTitle(), "A.LSR: " + asIs + ",JOHN SMITH, Page 1 of 1");
    ASSERT_EQ(page->Annotations().size(), 1u);
    EXPECT_EQ(page->Annotations()[0]->text(), asIs);

    // A printer of that name (reached by address, so listed by its name) and back to the bytes.
    SetCurrentPrinterName(bytes);
    TfrmPrinterDlg dialog(false);
    dialog.Prepare();
    EXPECT_EQ(dialog.cbxPrinters->currentText(), asIs);
    dialog.ReadControls();
    EXPECT_EQ(dialog.Options().Printer, bytes);
    SetCurrentPrinterName("");
}

TEST(PageWindow, ClosingTheMainWindowClosesItsPages) {
    TRecordingPrompter prompter;
    StartOnPackage("closing.tsn", {2});
    // E&xit and the title-bar close (Alt+F4 as well) both reach the window as a close request.
    for (const bool viaExit : {true, false}) {
        TfrmMain main;
        main.show();
        main.ProcessLeafNode(main.Tree().Root()->Children[0]->Children[1].get());
        ASSERT_EQ(main.FormCount(), 1);
        if (viaExit)
            main.mnuExit->trigger();
        else
            main.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(OpenPageWindowCount(), 0);
        // No window is left to keep the program running.
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible()) << w->metaObject()->className();
    }
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(PageWindow, ScaleFromLastRunAboutAndHelpKey) {
    TRecordingPrompter prompter;
    StartOnPackage("scale.tsn", {1});
    PGRegistry::SetPageScale(50.0);
    {
        TfrmMain main;
        main.ProcessLeafNode(main.Tree().Root()->Children[0].get());
        ASSERT_EQ(main.FormCount(), 1);
        TPageForm& page = *OpenPageWindows()[0];
        EXPECT_EQ(page.StatusPanel[0]->text(), "Scale : 50%");
        EXPECT_EQ(page.Image->width(), 2450 / 2);

        // The main window gives its page windows its About window; without one the item is off.
        EXPECT_TRUE(page.actAbout->isEnabled());
        page.ShowAbout = nullptr;
        page.SetButtons();
        EXPECT_FALSE(page.actAbout->isEnabled());
        int shown = 0;
        page.ShowAbout = [&shown] { ++shown; };
        page.SetButtons();
        page.actAbout->trigger();
        EXPECT_EQ(shown, 1);

        // F1 pressed anywhere in the window reaches the help with the page window's context.
        std::vector<std::pair<int, int>> keys;
        const THelpHook previous =
            SetHelpHook([&keys](int key, int context) { keys.emplace_back(key, context); });
        page.ScrollBox->setFocus();
        QTest::keyClick(page.ScrollBox, Qt::Key_F1);
        SetHelpHook(previous);
        EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{Qt::Key_F1, 6}}));
    }
    PGRegistry::SetPageScale(kDefaultPageScale);
    SetSharedPageScale(kDefaultPageScale);
    EXPECT_TRUE(prompter.Entries().empty());
}

// The keys of common viewers: the menus show them, Ctrl+Page Down / Up step pages, Ctrl+G
// opens Go To Page on the page shown, Esc and Ctrl+W close the window after the annotation
// question; the hit the user is at is marked apart from the other hits.
TEST(PageWindow, KeysMenusAndTheCurrentHit) {
    TRecordingPrompter prompter;
    auto set = std::make_unique<TTesselon>();
    set->CanAnnotate = true;
    AddForm(*set, "A.LSR", 3);
    set->FileName = (TestDir() / "keys.tsn").string();
    test::WriteWholeFile(set->FileName, TTesselon::BuildTesselon(*set, TSaveMode::All, true));
    TFixture f(std::move(set));
    auto page = f.Open(f.Node(0, 0));
    page->show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));

    // Every menu entry with a key shows it.
    std::map<QString, QString> keys;
    for (QAction* menu : page->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (!item->shortcut().isEmpty())
                keys[item->text()] = item->shortcut().toString();
    for (const auto& [item, key] : {std::pair{"Prev Pg", "Ctrl+PgUp"},
                                    {"Next Pg", "Ctrl+PgDown"},
                                    {"&Go To Page...", "Ctrl+G"},
                                    {"E&xit", "Ctrl+W"},
                                    {"Print", "Ctrl+P"},
                                    {"Save", "Ctrl+S"}})
        EXPECT_EQ(keys[item], key) << item;

    QTest::keyClick(page.get(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 1));
    // Go To Page opens on the page shown.
    QString offered;
    WhenModal([&offered](QWidget* modal) {
        auto* dialog = qobject_cast<TfrmGotoPage*>(modal);
        ASSERT_NE(dialog, nullptr);
        offered = dialog->edPageNum->text();
        EXPECT_TRUE(dialog->rbPage->isChecked());
        // Typed over: the number is selected.
        QTest::keyClicks(dialog->edPageNum, "3");
        dialog->btnGo->click();
    });
    QTest::keyClick(page.get(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(offered, "2");
    EXPECT_EQ(page->CurrentNode, f.Node(0, 2));
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    QTest::keyClick(page.get(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 1));

    // Reading on: Page Down or Space at the bottom of a page go to the top of the next one,
    // Page Up at the top back to the bottom of the one before.
    page->SetFixedScale(50);
    page->ScrollBox->setFocus();
    QScrollBar* bar = page->ScrollBox->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    QTest::keyClick(page->ScrollBox, Qt::Key_Home);
    QTest::keyClick(page->ScrollBox, Qt::Key_PageDown);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 1));
    EXPECT_EQ(bar->value(), bar->pageStep());
    QTest::keyClick(page->ScrollBox, Qt::Key_End);
    QTest::keyClick(page->ScrollBox, Qt::Key_Space);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 2));
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(page->ScrollBox, Qt::Key_PageUp);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 1));
    EXPECT_EQ(bar->value(), bar->maximum());
    QTest::keyClick(page->ScrollBox, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 1));
    EXPECT_LT(bar->value(), bar->maximum());

    // Hits: the current one in a stronger colour than the others.
    page->SetFixedScale(50);
    page->HighlightsOn = [](const TTreeNode&) {
        return std::vector<TTextBox>{{300, 400, 600, 450}, {300, 800, 600, 850}};
    };
    page->CurrentHitOn = [](const TTreeNode&) { return std::vector<TTextBox>{{300, 800, 600, 850}}; };
    page->RefreshHighlights();
    const QImage shot = page->Image->grab().toImage();
    const QColor other = shot.pixelColor(160, 210), current = shot.pixelColor(160, 410);
    EXPECT_EQ(other, TTextHighlights::HitColour());
    EXPECT_EQ(current, TTextHighlights::CurrentHitColour());
    EXPECT_EQ(shot.pixelColor(160, 600), QColor(Qt::white));

    // Esc closes after the annotation question (No: nothing is saved); Ctrl+W closes too.
    page->CreateAnAnnotation({300, 600}, "", "", "", "");
    QTest::keyClicks(page->Annotations()[0], "NOTE");
    ASSERT_TRUE(page->AnnotationsChanged);
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    prompter.QueueAnswer(PromptAnswer::No);
    QTest::keyClick(page.get(), Qt::Key_Escape);
    EXPECT_FALSE(page->isVisible());
    ASSERT_EQ(prompter.Texts(),
              (std::vector<std::string>{"Annotations were changed on this page.  Save them now?"}));
    auto second = f.Open(f.Node(0, 0));
    second->show();
    second->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(second.get()));
    QTest::keyClick(second.get(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(prompter.Texts().size(), 1u);
}

// Zoom as viewers do it: Ctrl+wheel keeps the page point under the mouse, Ctrl+= / Ctrl+- /
// Ctrl+0 keep the middle of the view, the zoom box takes presets, typed percentages and the
// fits, and an action that would do nothing at its limit is disabled.
TEST(PageWindow, ZoomByWheelKeysAndBox) {
    TRecordingPrompter prompter;
    TFixture f(FormsOf({1}));
    auto page = f.Open(f.Node(0));
    page->resize(700, 500);
    page->show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    QWidget* view = page->ScrollBox->viewport();
    QScrollBar* h = page->ScrollBox->horizontalScrollBar();
    QScrollBar* v = page->ScrollBox->verticalScrollBar();
    // The page dot (300 dpi) under a view position.
    auto dotAt = [&](QPoint at) {
        const QPoint onImage = page->Image->mapFrom(view, at);
        return QPointF(onImage.x() * 100.0 / page->PageScale(), onImage.y() * 100.0 / page->PageScale());
    };
    auto near = [](QPointF a, QPointF b, double dots) {
        return std::abs(a.x() - b.x()) <= dots && std::abs(a.y() - b.y()) <= dots;
    };
    page->SetFixedScale(50);
    h->setValue(100);
    v->setValue(150);
    // The word at PCL (300, 400), i.e. page dot (350, 550).
    const QPoint mouse(350 / 2 - 100, 540 / 2 - 150);
    const QPointF word = dotAt(mouse);
    auto wheel = [&](int delta, Qt::KeyboardModifiers keys) {
        QWheelEvent event(QPointF(mouse), view->mapToGlobal(QPointF(mouse)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, keys, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &event);
    };
    struct TStep {
        const char* Name;
        int Delta;
        double Scale;
    };
    for (const TStep& step : {TStep{"one notch in", 120, 62.5}, TStep{"two notches in", 240, 97.66},
                              TStep{"three notches out", -360, 50.0}}) {
        wheel(step.Delta, Qt::ControlModifier);
        EXPECT_NEAR(page->PageScale(), step.Scale, 0.1) << step.Name;
        EXPECT_EQ(page->StatusPanel[0]->text(),
                  QStringLiteral("Scale : %1%").arg(RoundScaled(page->PageScale())));
        EXPECT_TRUE(near(dotAt(mouse), word, 3))
            << step.Name << " " << dotAt(mouse).x() << "," << dotAt(mouse).y();
    }
    // Without Ctrl the wheel scrolls, as before.
    const int top = v->value();
    wheel(-120, Qt::NoModifier);
    EXPECT_GT(v->value(), top);
    EXPECT_NEAR(page->PageScale(), 50.0, 0.1);

    // Keys zoom around the middle of the view.
    const QPoint middle = page->ViewCentre();
    const QPointF centre = dotAt(middle);
    QTest::keyClick(page.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(page->PageScale(), 100.0, 0.1);
    EXPECT_TRUE(near(dotAt(middle), centre, 3));
    QTest::keyClick(page.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_NEAR(page->PageScale(), 50.0, 0.1);
    EXPECT_TRUE(near(dotAt(middle), centre, 3));
    QTest::keyClick(page.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_NEAR(page->PageScale(), 37.0, 0.05);

    // Limits: the actions that would do nothing are off, and their keys with them.
    page->SetFixedScale(80);
    EXPECT_FALSE(page->actZoomIn->isEnabled());
    EXPECT_FALSE(page->btnZoomIn->isEnabled());
    QTest::keyClick(page.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(page->PageScale(), 80.0);
    EXPECT_TRUE(page->actZoomOut->isEnabled());
    page->SetFixedScale(10);
    EXPECT_FALSE(page->actZoomOut->isEnabled());
    EXPECT_TRUE(page->actZoomIn->isEnabled());
    for (int i = 0; i < 30; ++i)
        wheel(120, Qt::ControlModifier);
    EXPECT_NEAR(page->PageScale(), kMaxFreeScale, 0.1);

    // The zoom box: a typed percentage, then the fits.
    page->cbxZoom->lineEdit()->selectAll();
    QTest::keyClicks(page->cbxZoom->lineEdit(), "65");
    QTest::keyClick(page->cbxZoom->lineEdit(), Qt::Key_Return);
    EXPECT_NEAR(page->PageScale(), 65.0, 0.1);
    EXPECT_EQ(page->cbxZoom->currentText(), "65%");
    page->cbxZoom->lineEdit()->selectAll();
    QTest::keyClicks(page->cbxZoom->lineEdit(), "big");
    QTest::keyClick(page->cbxZoom->lineEdit(), Qt::Key_Return);
    EXPECT_NEAR(page->PageScale(), 65.0, 0.1);
    EXPECT_EQ(page->cbxZoom->currentText(), "65%");
    page->cbxZoom->setCurrentIndex(page->cbxZoom->findText("Fit Page"));
    page->cbxZoom->activated(page->cbxZoom->currentIndex());
    QApplication::processEvents();
    // The whole letter page shows, and fills the view's height or width.
    EXPECT_EQ(page->Image->BitmapHeight(), 3300);
    EXPECT_LE(page->Image->height(), view->height());
    EXPECT_LE(page->Image->width(), view->width());
    EXPECT_TRUE(page->Image->height() >= view->height() - 6 || page->Image->width() >= view->width() - 6);
    EXPECT_EQ(v->value(), 0);
    page->cbxZoom->setCurrentIndex(page->cbxZoom->findText("Fit Width"));
    page->cbxZoom->activated(page->cbxZoom->currentIndex());
    EXPECT_TRUE(page->BestFit);
    EXPECT_FALSE(page->FitWholePage);
    EXPECT_TRUE(prompter.Entries().empty());
}

// Text on the page: a drag over words selects them in reading order, Ctrl+C puts them on the
// clipboard as plain text, a double click takes one word, Ctrl+A the whole page, a click drops
// the selection; Edit > Copy Page Image copies the page at its own size.
TEST(PageWindow, SelectAndCopyText) {
    TRecordingPrompter prompter;
    auto set = std::make_unique<TDocSet>();
    AddForm(*set, "A.LSR", 1, false,
            "\x1b*p300x400YLOAN NUMBER 12345\x1b*p300x500YBORROWER JOHN SMITH\x1b*p1500x400YPAGE 1");
    TFixture f(std::move(set));
    auto page = f.Open(f.Node(0));
    page->resize(900, 700);
    page->show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    page->SetFixedScale(50);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();

    // Where a word is on the image (its box in page pixels, at half size). "PAGE 1" stands on
    // the first line, far to the right: reading order takes it after "12345".
    page->SelectAllText();
    std::map<std::string, QRect> words;
    for (const TTextLine& line : page->Selection.Lines())
        for (const TTextWord& w : line.Words)
            words[w.Text] = QRect(QPoint(w.Left / 2, w.Top / 2), QPoint(w.Right / 2, w.Bottom / 2));
    ASSERT_EQ(words.size(), 8u);
    QTest::mouseClick(page->Image, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(page->Selection.Empty());
    EXPECT_FALSE(page->actCopy->isEnabled());

    auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(page->Image, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step) {
            const QPoint at = from + (to - from) * step / 4;
            QMouseEvent move(QEvent::MouseMove, at, page->Image->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(page->Image, &move);
        }
        QTest::mouseRelease(page->Image, Qt::LeftButton, {}, to);
    };
    struct TRow {
        const char* Name;
        QPoint From, To;
        const char* Copied;
    };
    const TRow rows[] = {
        {"over two lines", words["NUMBER"].topLeft() + QPoint(1, 1), words["JOHN"].center(),
         "NUMBER 12345 PAGE 1\nBORROWER JOHN"},
        {"backwards", words["SMITH"].bottomRight() - QPoint(1, 1), words["12345"].center(),
         "12345 PAGE 1\nBORROWER JOHN SMITH"},
        {"the page number beside the first line", words["PAGE"].topLeft() - QPoint(2, 2),
         words["1"].bottomRight() + QPoint(4, 0), "PAGE 1"},
    };
    for (const TRow& row : rows) {
        drag(row.From, row.To);
        EXPECT_TRUE(page->actCopy->isEnabled()) << row.Name;
        QTest::keyClick(page.get(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(clipboard->text().toStdString(), row.Copied) << row.Name;
        // The selection is marked on the page over exactly the words chosen.
        EXPECT_EQ(page->Highlights->SelectionMarks().size(),
                  size_t(QString(row.Copied).split(QRegularExpression("\\s")).size()))
            << row.Name;
    }
    const QImage shot = page->Image->grab().toImage();
    EXPECT_NE(shot.pixelColor(words["SMITH"].center() + QPoint(0, 2)),
              shot.pixelColor(words["LOAN"].center() + QPoint(0, 2)));

    QTest::mouseDClick(page->Image, Qt::LeftButton, {}, words["12345"].center());
    QTest::keyClick(page.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "12345");
    QTest::keyClick(page.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(page.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "LOAN NUMBER 12345 PAGE 1\nBORROWER JOHN SMITH");

    page->actCopyPageImage->trigger();
    const QImage copied = clipboard->image();
    EXPECT_EQ(copied.size(), QSize(2450, 3300));
    EXPECT_TRUE(prompter.Entries().empty());
}

// Rotate: the page turns a quarter at a time; annotations, the words under the mouse and the
// marks stay on their places of the page, and what is saved is where it is on the upright page.
TEST(PageWindow, RotateKeepsAnnotationsAndTextInPlace) {
    TRecordingPrompter prompter;
    auto set = std::make_unique<TTesselon>();
    set->CanAnnotate = true;
    AddForm(*set, "A.LSR", 1, false, "\x1b*p300x400YLOAN 12345");
    auto note = std::make_unique<TDocSetAnnotation>();
    note->XPosition = 300;
    note->YPosition = 600;
    note->Content = "SEEN";
    set->Form(0).Pages[0]->AddAnnotation(std::move(note));
    set->FileName = (TestDir() / "turned.tsn").string();
    test::WriteWholeFile(set->FileName, TTesselon::BuildTesselon(*set, TSaveMode::All, true));
    TFixture f(std::move(set));
    auto page = f.Open(f.Node(0));
    page->resize(900, 700);
    page->show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    page->SetFixedScale(50);
    const QImage upright = page->Image->grab().toImage();
    ASSERT_EQ(upright.size(), QSize(1225, 1650));
    ASSERT_EQ(page->Annotations().size(), 1u);
    TAnnotation* seen = page->Annotations()[0];
    // PCL (300, 600) is image (175, 375) upright.
    EXPECT_EQ(QPoint(seen->x(), seen->y() + seen->height()), QPoint(175, 375));

    QTest::keyClick(page.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(page->Image->QuarterTurns(), 1);
    EXPECT_NEAR(page->PageScale(), 50.0, 0.05);
    const QImage turned = page->Image->grab().toImage();
    ASSERT_EQ(turned.size(), QSize(1650, 1225));
    // Every upright pixel (x, y) is at (height - 1 - y, x) turned right; the marks of the
    // annotation and the highlights aside, sample the page's own pixels.
    int compared = 0, differing = 0;
    for (int y = 150; y < 300; y += 3)
        for (int x = 100; x < 600; x += 3, ++compared)
            differing += upright.pixel(x, y) != turned.pixel(1650 - 1 - y, x);
    EXPECT_LT(differing, compared / 50);
    // The annotation's corner went with its place on the page; the box stays level.
    EXPECT_EQ(QPoint(seen->x(), seen->y() + seen->height()), QPoint(1650 - 375, 175));
    EXPECT_GT(seen->width(), seen->height());

    // The word under the mouse is the same word turned; double-click and copy it.
    page->SelectAllText();
    QRect word;
    for (const TTextLine& line : page->Selection.Lines())
        for (const TTextWord& w : line.Words)
            if (w.Text == "12345")
                word = QRect(QPoint(w.Left / 2, w.Top / 2), QPoint(w.Right / 2, w.Bottom / 2));
    ASSERT_FALSE(word.isEmpty());
    const QPoint wordTurned(1650 - word.center().y(), word.center().x());
    QTest::mouseDClick(page->Image, Qt::LeftButton, {}, wordTurned);
    page->actCopy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "12345");
    ASSERT_EQ(page->Highlights->SelectionMarks().size(), 1u);
    EXPECT_TRUE(page->Highlights->SelectionMarks()[0].contains(wordTurned));

    // A new annotation where the mouse is, on the turned view: saved at its upright place.
    page->actAddText->trigger();
    QTest::mouseClick(page->Image, Qt::LeftButton, {}, QPoint(1650 - 555, 185));
    ASSERT_EQ(page->Annotations().size(), 2u);
    EXPECT_EQ((std::array{page->Annotations()[1]->PclX, page->Annotations()[1]->PclY}),
              (std::array{320, 960}));
    QTest::keyClicks(page->Annotations()[1], "due");
    page->actAddText->trigger();
    ASSERT_TRUE(page->SaveAnnotations(false));
    const auto& stored = f.Set->Form(0).Pages[0]->Annotations;
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(
        (std::array{stored[0]->XPosition, stored[0]->YPosition, stored[1]->XPosition, stored[1]->YPosition}),
        (std::array{300, 600, 320, 960}));

    // Left turns back; two more lefts and two rights come round to the same view.
    page->actRotateLeft->trigger();
    EXPECT_EQ(page->Image->QuarterTurns(), 0);
    EXPECT_EQ(page->Image->size(), QSize(1225, 1650));
    EXPECT_EQ(QPoint(seen->x(), seen->y() + seen->height()), QPoint(175, 375));
    page->actRotateLeft->trigger();
    EXPECT_EQ(page->Image->QuarterTurns(), 3);
    EXPECT_EQ(QPoint(seen->x(), seen->y() + seen->height()), QPoint(375, 1225 - 175));
    EXPECT_TRUE(prompter.Entries().empty());
}

// Continuous mode: the form's pages in one column, drawn as they come into view and let go
// again further on, so a long form holds only the pages around the view; the page a third down
// the view is the page shown (caption, navigation button), and Next Pg scrolls the column.
TEST(PageWindow, ContinuousPagesInOneColumn) {
    TRecordingPrompter prompter;
    auto set = std::make_unique<TDocSet>();
    auto form = std::make_unique<TDocSetForm>("A.LSR", "DESC", 1, "JOHN SMITH", "LTR", false, false, false);
    for (int p = 1; p <= 12; ++p)
        form->AddPage(std::make_unique<TDocSetPage>(
            p, "T.LSR", false, "", 0, "\x1b*p300x200Y\x1b*c2000a300b0PPAGE " + std::to_string(p)));
    set->AddForm(std::move(form));
    TFixture f(std::move(set));
    auto page = f.Open(f.Node(0, 0));
    page->resize(700, 600);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    page->SetFixedScale(20);
    page->actContinuous->trigger();
    EXPECT_EQ(Registry().ReadInteger("ContinuousPages", 0), 1);
    TContinuousView* column = page->Continuous;
    ASSERT_TRUE(column->isVisible());
    EXPECT_FALSE(page->ScrollBox->isVisible());
    EXPECT_FALSE(page->actAddText->isEnabled());
    QTest::qWait(20);
    EXPECT_EQ(column->Layout().PageHeight(1), 3300); // letter pages, 660 pixels at 20 %
    EXPECT_LE(column->DrawCount(), 2);

    // Wheel down the column: the page shown follows, and no more than a few pages are held.
    QWidget* view = column->viewport();
    int mostHeld = 0;
    for (int turn = 0; turn < 200 && column->CurrentPage() < 9; ++turn) {
        QWheelEvent down(QPointF(100, 100), view->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &down);
        QTest::qWait(1);
        mostHeld = std::max(mostHeld, column->HeldPages());
    }
    ASSERT_EQ(column->CurrentPage(), 9);
    EXPECT_LE(mostHeld, 4);
    EXPECT_LT(column->DrawCount(), 12);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 8));
    EXPECT_EQ(page->actGotoPage->text(), "9 of 12");
    EXPECT_EQ(page->windowTitle(), "A.LSR: DESC,JOHN SMITH, Page 9 of 12");
    // What shows is drawn: the black bar at the top of the page under the view's top third.
    const QImage shot = view->grab().toImage();
    int black = 0;
    for (int y = 0; y < shot.height(); ++y)
        black += qGray(shot.pixel(shot.width() / 2, y)) < 60;
    EXPECT_GT(black, 20);

    // Ctrl+wheel zooms the column, keeping the page under the mouse.
    const int before = column->PageAtView(QPoint(view->width() / 2, view->height() / 2));
    QWheelEvent in(QPointF(view->width() / 2, view->height() / 2),
                   view->mapToGlobal(QPointF(view->width() / 2, view->height() / 2)), QPoint(),
                   QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &in);
    EXPECT_NEAR(page->PageScale(), 25.0, 0.1);
    EXPECT_EQ(column->PageAtView(QPoint(view->width() / 2, view->height() / 2)), before);

    // Next Pg goes on down the column; switching back shows that page on its own.
    page->actNext->trigger();
    EXPECT_EQ(column->CurrentPage(), 10);
    EXPECT_EQ(page->CurrentNode, f.Node(0, 9));
    page->actContinuous->trigger();
    EXPECT_EQ(Registry().ReadInteger("ContinuousPages", 1), 0);
    EXPECT_FALSE(column->isVisible());
    EXPECT_TRUE(page->ScrollBox->isVisible());
    EXPECT_EQ(column->HeldPages(), 0);
    EXPECT_EQ(page->windowTitle(), "A.LSR: DESC,JOHN SMITH, Page 10 of 12");
    EXPECT_TRUE(prompter.Entries().empty());
    SetSharedPageScale(kDefaultPageScale);
}
