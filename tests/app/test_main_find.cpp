// Find in the main window on the offscreen platform: Ctrl+F, the hit list of the demo package,
// a hit shown in a page window with its words marked at two zooms, F3 / Shift+F3, Esc; and a
// search of a 300-form package while the event loop keeps running.

#include "CommandLine.h"
#include "DocSetTrack.h"
#include "FindBar.h"
#include "ImageView.h"
#include "Main.h"
#include "PGRegistry.h"
#include "PackageFile.h"
#include "PageFrm.h"
#include "Prompt.h"
#include "Quodex.h"
#include "TextHighlights.h"

#include "QtTestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace pg;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

const std::string kDemo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";

std::filesystem::path TestDir() {
    static const std::filesystem::path dir = test::ProcessFolder("pg-main-find");
    return dir;
}

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"history"}, [] {
        PGRegistry::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
        PGRegistry::SetFillDir((TestDir() / "fill" / "XFER").string());
    }));

QStringList Rows(const QListWidget& list) {
    QStringList rows;
    for (int i = 0; i < list.count(); ++i)
        rows << list.item(i)->text();
    return rows;
}

// Each mark lies on its word: the dark pixels of the page image under it span most of it.
void ExpectMarksOnInk(TPageForm& page, size_t count) {
    const std::vector<QRect> marks = page.Highlights->Marks();
    ASSERT_EQ(marks.size(), count);
    const QImage& image = page.Image->Stretched();
    for (const QRect& mark : marks) {
        SCOPED_TRACE(QStringLiteral("%1,%2 %3x%4")
                         .arg(mark.x())
                         .arg(mark.y())
                         .arg(mark.width())
                         .arg(mark.height())
                         .toStdString());
        ASSERT_TRUE(image.rect().contains(mark));
        QRect ink;
        for (int y = mark.top(); y <= mark.bottom(); ++y)
            for (int x = mark.left(); x <= mark.right(); ++x)
                if (qGray(image.pixel(x, y)) < 96)
                    ink |= QRect(x, y, 1, 1);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GE(ink.width(), mark.width() * 3 / 4);
        EXPECT_GE(ink.height(), mark.height() / 2);
    }
}

} // namespace

TEST(MainFind, DemoHitsOpenMarkedPagesAndStep) {
    TRecordingPrompter prompter;
    SetCommandLine({kDemo});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    main.show();
    QApplication::setActiveWindow(&main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(&main, Qt::Key_F, Qt::ControlModifier);
    TFindBar& bar = *main.FindBar;
    ASSERT_TRUE(bar.isVisible());
    ASSERT_TRUE(bar.edFind->hasFocus());
    QTest::keyClicks(bar.edFind, "Tidewater");
    QTest::keyClick(bar.edFind, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar.Searching(); }, 20000));
    const QStringList rows = Rows(*bar.lstHits);
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(bar.lblCount->text(), "9 hits");
    EXPECT_EQ(rows[0], "Note \u2014 Page 1 \u2014 1847 TIDEWATER LANE, PORT CARROW, OR 97999");
    EXPECT_EQ(rows[2],
              "Deed Of Trust \u2014 Page 2 \u2014 LOT 14, BLOCK 3, TIDEWATER HEIGHTS ADDITION, ACCORDING...");
    EXPECT_EQ(rows[6],
              "Borrower's Certification And Authorization / Margaret A. Ellsworth \u2014 Page 1 \u2014 1847 "
              "TIDEWATER LANE, PORT CARROW, OR 97999");

    // Match case: the demo writes the street in capitals only.
    bar.cbxMatchCase->setChecked(true);
    QTest::keyClick(bar.edFind, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar.Searching(); }, 20000));
    EXPECT_EQ(bar.lstHits->count(), 0);
    EXPECT_EQ(bar.lblCount->text(), "No hits");
    bar.edFind->setText("TIDEWATER");
    QTest::keyClick(bar.edFind, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar.Searching(); }, 20000));
    ASSERT_EQ(Rows(*bar.lstHits), rows);

    // Enter on the Deed's hit: a page window on page 2 with both hits of the page marked.
    bar.lstHits->setFocus();
    bar.lstHits->setCurrentRow(2);
    QTest::keyClick(bar.lstHits, Qt::Key_Return);
    ASSERT_EQ(OpenPageWindowCount(), 1);
    TPageForm& page = *OpenPageWindows()[0];
    ASSERT_NE(page.CurrentNode, nullptr);
    EXPECT_EQ(page.CurrentNode->Form()->Description, "Deed of Trust");
    EXPECT_EQ(page.CurrentNode->Info->PageNumber, 2);
    for (const double scale : {37.0, 100.0}) {
        SCOPED_TRACE(scale);
        page.SetFixedScale(scale);
        ExpectMarksOnInk(page, 2);
    }
    const QRect at100 = page.Highlights->Marks()[0];
    page.SetFixedScale(37);
    const QRect at37 = page.Highlights->Marks()[0];
    EXPECT_NEAR(at37.left(), at100.left() * 0.37, 2);
    EXPECT_NEAR(at37.width(), at100.width() * 0.37, 2);

    // F3 from the page window: the next hit is on the same page, the one after on the Truth-in-
    // Lending page, shown in the same window (its marks follow); Shift+F3 goes back.
    QTest::keyClick(&page, Qt::Key_F3);
    EXPECT_EQ(bar.lstHits->currentRow(), 3);
    EXPECT_EQ(page.CurrentNode->Info->PageNumber, 2);
    QTest::keyClick(&page, Qt::Key_F3);
    EXPECT_EQ(bar.lstHits->currentRow(), 4);
    ASSERT_EQ(OpenPageWindowCount(), 1);
    EXPECT_EQ(page.CurrentNode->Form()->Name, "TIL.DOT");
    ExpectMarksOnInk(page, 1);
    QTest::keyClick(&page, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(page.CurrentNode->Form()->Name, "DEED.DOT");
    ExpectMarksOnInk(page, 2);
    // Stepping to a page without hits drops the marks.
    page.NextPage();
    EXPECT_EQ(page.CurrentNode->Info->PageNumber, 3);
    EXPECT_TRUE(page.Highlights->Marks().empty());

    // A hit whose form was deleted after the search opens nothing and says why.
    TDocSetForm* til = nullptr;
    for (size_t i = 0; i < page.DocumentSet->FormCount(); ++i)
        if (page.DocumentSet->Form(i).Name == "TIL.DOT")
            til = &page.DocumentSet->Form(i);
    ASSERT_NE(til, nullptr);
    til->Deleted = true;
    QTest::keyClick(&page, Qt::Key_F3);
    EXPECT_EQ(bar.lstHits->currentRow(), 4);
    EXPECT_EQ(bar.lblCount->text(), "9 hits \u2014 this hit's form has been deleted");
    EXPECT_EQ(OpenPageWindowCount(), 1);
    EXPECT_EQ(page.CurrentNode->Info->PageNumber, 3);
    QTest::keyClick(&page, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(bar.lblCount->text(), "9 hits");
    EXPECT_EQ(page.CurrentNode->Info->PageNumber, 2);
    til->Deleted = false;

    // Esc closes the bar; a new package forgets the hits.
    bar.edFind->setFocus();
    QTest::keyClick(bar.edFind, Qt::Key_Escape);
    EXPECT_TRUE(bar.isHidden());
    // Ctrl+F in the page window brings the bar back.
    QTest::keyClick(&page, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.edFind->text(), "TIDEWATER");
    main.OpenFileName = kDemo;
    main.LoadFile();
    EXPECT_EQ(bar.HitCount(), 0);
    EXPECT_EQ(bar.lstHits->count(), 0);
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(MainFind, LargePackageSearchKeepsTheEventLoopRunning) {
    TRecordingPrompter prompter;
    // 300 one-page forms made of the demo's ten pages in turn.
    const auto demo = LoadPackageFile(kDemo);
    std::vector<const TDocSetPage*> pages;
    for (size_t f = 0; f < demo->FormCount(); ++f)
        for (const auto& p : demo->Form(f).Pages)
            pages.push_back(p.get());
    TDocSet set;
    set.WorksheetNumber = "300";
    for (int n = 0; n < 300; ++n) {
        const TDocSetPage& source = *pages[size_t(n) % pages.size()];
        auto form =
            std::make_unique<TDocSetForm>("F" + std::to_string(n) + ".DOT", "Form " + std::to_string(n + 1),
                                          1, "Margaret A. Ellsworth", "LTR", false, false, false);
        auto page = std::make_unique<TDocSetPage>(1, source.Template.Name, false, "", source.Template.Date,
                                                  source.FillData.View());
        page->TemplateData.Write(source.TemplateData.View());
        form->AddPage(std::move(page));
        set.AddForm(std::move(form));
    }
    const std::string path = (TestDir() / "big.qdx").string();
    std::ofstream(path, std::ios::binary) << TQuodex::BuildQuodex(set, TSaveMode::All, true, false);
    SetCommandLine({path});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    TFindBar& bar = *main.FindBar;
    bar.Open();
    int ticksWhileSearching = 0;
    int progressSeen = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!bar.Searching())
            return;
        ++ticksWhileSearching;
        if (!bar.pbSearch->isHidden() && bar.pbSearch->maximum() == 300)
            ++progressSeen;
    });
    timer.start(1);
    bar.edFind->setText("tidewater heights");
    bar.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar.Searching(); }, 60000));
    EXPECT_GE(ticksWhileSearching, 2);
    EXPECT_GE(progressSeen, 2);
    // The Deed's page 2 is the fourth of every ten forms.
    ASSERT_EQ(bar.lstHits->count(), 30);
    EXPECT_TRUE(bar.lstHits->item(29)->text().startsWith("Form 294 \u2014 Page 1 \u2014 "));
    EXPECT_EQ(bar.lblCount->text(), "30 hits");
    EXPECT_TRUE(bar.pbSearch->isHidden());
    EXPECT_TRUE(prompter.Entries().empty());
}
