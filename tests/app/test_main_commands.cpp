// The main window's Help menu, About window, DocSet XML, read-only caption, closing with the save
// question and the clean-up of old histories, on the offscreen platform. Addresses are opened by
// the real xdg-utils in a private desktop whose default browser is a test script that records
// what it was asked to open and answers "--version". Prompts are answered through the seam.

#include "AboutBox.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "HistoryCleanup.h"
#include "Main.h"
#include "MessageWindow.h"
#include "PGRegistry.h"
#include "PageFrm.h"
#include "Paths.h"
#include "Prompt.h"
#include "StackingOrder.h"
#include "Tesselon.h"
#include "TestFiles.h"
#include "TreeFixtures.h"
#include "WebAddresses.h"

#include <curl/curlver.h>

#include "QtTestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <filesystem>

using namespace pg;
namespace fs = std::filesystem;

namespace {

fs::path TestDir() {
    static const fs::path dir = test::ProcessFolder("pg-main-commands");
    return dir;
}

const fs::path kOpened = TestDir() / "opened.txt";
const fs::path kStarted = TestDir() / "started.txt";

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"out", "history"}, [] {
        test::UsePrivateDesktop(TestDir());
        PGRegistry::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
        // The desktop's browser: records every start, and the address it was given.
        const fs::path script = TestDir() / "browser.sh";
        test::WriteWholeFile(script,
                             "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + kStarted.string() +
                                 "'\n[ \"$1\" = --version ] && { echo 'PG Test Browser 12.3.4'; exit 0; }\n"
                                 "printf '%s\\n' \"$1\" >> '" +
                                 kOpened.string() + "'\n");
        ::chmod(script.c_str(), 0755);
        test::WriteWholeFile(
            TestDir() / "data" / "applications" / "pgtest-browser.desktop",
            "[Desktop Entry]\nType=Application\nName=PG Test Browser\nExec=" + script.string() +
                " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
        // What "xdg-settings set default-web-browser" writes, without its seconds of desktop probing.
        test::WriteWholeFile(TestDir() / "config" / "mimeapps.list",
                             "[Default Applications]\nx-scheme-handler/http=pgtest-browser.desktop\n"
                             "x-scheme-handler/https=pgtest-browser.desktop\n");
    }));

const std::string kDemo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";

// Runs f once the next modal window is up, then closes it.
void WhenModal(std::function<void(QWidget*)> f) {
    test::WhenModal(std::move(f), test::TAfterModal::Close);
}

// The addresses the browser was given since the last call, once count of them arrived.
std::vector<std::string> Opened(size_t count) {
    std::vector<std::string> lines;
    (void)QTest::qWaitFor(
        [&] {
            lines.clear();
            std::istringstream in(fs::exists(kOpened) ? test::ReadWholeFile(kOpened) : "");
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            return lines.size() >= count;
        },
        15000);
    fs::remove(kOpened);
    return lines;
}

void SetFileAge(const fs::path& file, int days) {
    const time_t when = ::time(nullptr) - time_t(days) * 86400;
    const utimbuf times{when, when};
    ::utime(file.c_str(), &times);
}

} // namespace

TEST(MainCommands, AboutWindowAndHelpLinks) {
    TRecordingPrompter prompter;
    SetCommandLine({kDemo, "email=Jo.Smith@Example.COM"});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    QStringList memo;
    QString version;
    bool pictureLoaded = false;
    WhenModal([&](QWidget* w) {
        auto* about = qobject_cast<TfrmAboutBox*>(w);
        ASSERT_NE(about, nullptr);
        // The browser is looked up off the window's thread; the memo shows it once known.
        EXPECT_TRUE(QTest::qWaitFor([about] { return about->BrowserKnown(); }, 10000));
        memo = about->MemoText().split('\n');
        version = about->lblVersion->text();
        pictureLoaded = !about->imgPicture->pixmap().isNull();
        QTest::mouseClick(about->lblProgramName, Qt::LeftButton);
        QTest::mouseClick(about->lblHelpLink, Qt::LeftButton);
    });
    main.mnuAbout->trigger();
    EXPECT_EQ(version, "Version: 4.1.0.3   June 18, 2008");
    EXPECT_TRUE(pictureLoaded);
    ASSERT_GE(memo.size(), 20);
    EXPECT_EQ(memo[0], QString::fromStdString("User Name: " + UserName()));
    EXPECT_EQ(memo[1], "Pagellan version: 4.1.0.3  June 18, 2008");
    for (const char* line :
         {"Worksheet : 2026114", "Reordered : False", "Can annotate: True", "Has errors: False",
          "Total page count: 10", "Web browser Ver: PG Test Browser (pgtest-browser.desktop)",
          "Command line parameter(s):"})
        EXPECT_TRUE(memo.contains(line)) << line << "\n" << memo.join('\n').toStdString();
    // Nothing that exists only on another system.
    for (const char* foreign : {"Winsock", "Internet Explorer"})
        EXPECT_FALSE(memo.join('\n').contains(foreign)) << foreign;
    EXPECT_TRUE(memo.contains(QString::fromStdString("File: " + kDemo)));
    EXPECT_EQ(memo.mid(memo.size() - 2), (QStringList{QString::fromStdString("  (1) = " + kDemo),
                                                      "  (2) = email=Jo.Smith@Example.COM"}));
    // The program name tells the internet library's version.
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{std::to_string(LIBCURL_VERSION_MAJOR) + "." +
                                                          std::to_string(LIBCURL_VERSION_MINOR)}));
    EXPECT_EQ(Opened(1), (std::vector<std::string>{DefaultOnlineHelpAddress}));
    // The browser was started for the help page only, never to ask its version.
    EXPECT_EQ(test::ReadWholeFile(kStarted), DefaultOnlineHelpAddress + std::string("\n"));

    // Suggestions: lender, user and e-mail address lower-cased and encoded after the configured page.
    PGRegistry::SetSuggestionsAddress("https://suggest.example.com/form?");
    main.mnuProductSuggestions->trigger();
    const std::vector<std::string> opened = Opened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(
        opened[0].starts_with("https://suggest.example.com/form?product=pg&customer_num=harbor+point+savings"
                              "&name="))
        << opened[0];
    EXPECT_TRUE(opened[0].ends_with("&email=jo%2Esmith%40example%2Ecom")) << opened[0];
    main.mnuReleaseNotes->trigger();
    EXPECT_EQ(Opened(1), (std::vector<std::string>{DefaultReleaseNotesAddress}));

    // A page window's About is the same window.
    main.SelectNodes({main.Tree().Root()});
    main.ProcessSelectedNodes(TProcessKind::View);
    TPageForm* page = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<TPageForm*>(w); p != nullptr && p->isVisible())
            page = p;
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->actAbout->isEnabled());
    QString title;
    WhenModal([&title](QWidget* w) { title = w->windowTitle(); });
    page->actAbout->trigger();
    EXPECT_EQ(title, "About");

    // The buttons whose command follows the state say which one they run.
    const auto hints = [&main] {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(main.btnClose, &enter);
        return QStringList{main.btnPrint->toolTip(), main.btnEmail->toolTip(), main.btnClose->toolTip()}
            .join('|')
            .toStdString();
    };
    EXPECT_EQ(hints(), "Print all pages of this document set|Email this document set|Close all open pages");
    main.CloseAnyOpenForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main.SelectNodes({main.Tree().Root()->Children[1].get()});
    EXPECT_EQ(
        hints(),
        "Print only the selected items|Email only the selected items|Close all open pages and Pagellan");
}

TEST(MainCommands, DocSetXmlOfAQuodexPackageAndTheStatusWindow) {
    TRecordingPrompter prompter;
    SetCommandLine({kDemo});
    TfrmMain main;
    const QFont before = main.frmErrors->memoError->font();
    QString shown;
    QString family;
    WhenModal([&](QWidget* w) {
        shown = w->windowTitle() + ": " + static_cast<TfrmErrors*>(w)->MemoText();
        family = static_cast<TfrmErrors*>(w)->memoError->font().family();
    });
    ASSERT_EQ(main.actShowXMLFormlist->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
    main.actShowXMLFormlist->trigger();
    EXPECT_EQ(shown, "DocSet XML: No XML data available\n");
    EXPECT_EQ(family, "Courier New");
    EXPECT_EQ(main.frmErrors->memoError->font(), before);

    // The status window refuses to close while its "Ok" is held disabled.
    main.ShowStatus("Scanning", "page 1", false);
    EXPECT_FALSE(main.frmStatus->close());
    EXPECT_TRUE(main.frmStatus->isVisible());
    main.ShowStatus("Scanning", "done", true);
    EXPECT_EQ(main.frmStatus->Text(), "done");
    EXPECT_TRUE(main.frmStatus->close());
    EXPECT_FALSE(main.frmStatus->isVisible());
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(MainCommands, OpeningAReadOnlyPackageMarksTheCaption) {
    const fs::path readOnly = TestDir() / "out" / "readonly.qdx";
    SetCommandLine({});
    TfrmMain main;
    for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        fs::copy_file(kDemo, readOnly, fs::copy_options::overwrite_existing);
        ::chmod(readOnly.c_str(), 0444);
        TRecordingPrompter prompter;
        prompter.QueueAnswer(answer);
        main.OpenFileName = readOnly.string();
        main.LoadFile();
        ASSERT_TRUE(main.Loaded);
        EXPECT_EQ(prompter.Texts(),
                  (std::vector<std::string>{readOnly.string() +
                                            " is marked as Read-Only.  Reset it so you can save "
                                            "modifications?"}));
        EXPECT_EQ(main.windowTitle().endsWith(" (Read-only)"), answer == PromptAnswer::No);
        struct stat st {};
        ::stat(readOnly.c_str(), &st);
        EXPECT_EQ((st.st_mode & S_IWUSR) != 0, answer == PromptAnswer::Yes);
    }
}

TEST(MainCommands, OpeningLeavesAReorderedPackageAndShowsTheNewPackagesErrors) {
    TDocSet withErrors;
    withErrors.WorksheetNumber = "77";
    pg::testing::AddTestForm(withErrors, "A.LSR", "DEED OF TRUST", 1, "JOHN SMITH", 1);
    auto error = std::make_unique<TDocSetError>();
    error->Message = "Form B.LSR is missing";
    withErrors.Errors.push_back({"", std::move(error)});
    const fs::path errors = TestDir() / "out" / "errors.tsn";
    test::WriteWholeFile(errors, TTesselon::BuildTesselon(withErrors, TSaveMode::All, true));

    TRecordingPrompter prompter;
    SetCommandLine({kDemo});
    TfrmMain main;
    main.ReorderPending = true;
    prompter.QueueAnswer(PromptAnswer::No);
    QString shown;
    WhenModal(
        [&shown](QWidget* w) { shown = w->windowTitle() + ": " + static_cast<TfrmErrors*>(w)->MemoText(); });
    main.OpenFileName = main.ViewFile = errors.string();
    main.OpenViewFile();
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kSaveOrderQuestion}));
    EXPECT_TRUE(main.Loaded);
    EXPECT_EQ(main.DocSet()->WorksheetNumber, "77");
    EXPECT_TRUE(shown.startsWith("DocSet errors and/or warnings: ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(":Form B.LSR is missing \n")) << shown.toStdString();
}

TEST(MainCommands, ClosingAsksToSaveAndCleansUpOldHistories) {
    const fs::path package = TestDir() / "out" / "close.qdx";
    fs::copy_file(kDemo, package, fs::copy_options::overwrite_existing);
    const std::string original = test::ReadWholeFile(package);
    const fs::path data = ProgramDataFolder();
    const std::vector<std::pair<std::string, int>> files{{"PG_1_QuodexCRCs.xml", 31},
                                                         {"pg_2_QuodexCRCs.XML", 400},
                                                         {"PG_3_QuodexCRCs.xml", 29},
                                                         {"other.xml", 90},
                                                         {"PG_4_QuodexCRCs.xml", -3}};
    for (const auto& [name, days] : files) {
        test::WriteWholeFile(data / name, "<x/>");
        SetFileAge(data / name, days);
    }
    {
        TRecordingPrompter prompter;
        SetCommandLine({package.string()});
        TfrmMain main;
        main.show();
        main.SelectNodes({main.Tree().Root()->Children[1].get()});
        main.ProcessSelectedNodes(TProcessKind::Delete);
        ASSERT_TRUE(main.DocSet()->Modified);
        // Cancel keeps the program; No closes without writing.
        prompter.QueueAnswer(PromptAnswer::Cancel);
        EXPECT_FALSE(main.close());
        EXPECT_TRUE(main.isVisible());
        EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{
                                        "Document has been modified.  Do you want to save the changes?"}));
        prompter.QueueAnswer(PromptAnswer::No);
        EXPECT_TRUE(main.close());
        EXPECT_EQ(test::ReadWholeFile(package), original);
    }
    // Destroyed: histories a month old or more went, the others stayed.
    EXPECT_FALSE(fs::exists(data / "PG_1_QuodexCRCs.xml"));
    EXPECT_FALSE(fs::exists(data / "pg_2_QuodexCRCs.XML"));
    for (const char* kept : {"PG_3_QuodexCRCs.xml", "other.xml", "PG_4_QuodexCRCs.xml"})
        EXPECT_TRUE(fs::exists(data / kept)) << kept;
    {
        // Yes writes the package, with the form marked deleted.
        TRecordingPrompter prompter;
        SetCommandLine({package.string()});
        TfrmMain main;
        main.show();
        main.SelectNodes({main.Tree().Root()->Children[1].get()});
        main.ProcessSelectedNodes(TProcessKind::Delete);
        prompter.QueueAnswer(PromptAnswer::Yes);
        EXPECT_TRUE(main.close());
        EXPECT_NE(test::ReadWholeFile(package), original);
    }
    TRecordingPrompter prompter;
    SetCommandLine({package.string()});
    TfrmMain reloaded;
    EXPECT_TRUE(reloaded.Tree().Root()->Children[1]->Form()->Deleted);
}

// Every way of opening another package asks before a modified package goes: Cancel keeps it,
// No lets its changes go, Yes writes them first; a file that cannot be read asks nothing and
// leaves the package as it is.
TEST(MainCommands, ReplacingAModifiedPackageAsksFirst) {
    TDocSet other;
    other.WorksheetNumber = "77";
    pg::testing::AddTestForm(other, "A.LSR", "DEED OF TRUST", 1, "JOHN SMITH", 1);
    const fs::path next = TestDir() / "out" / "next.tsn";
    test::WriteWholeFile(next, TTesselon::BuildTesselon(other, TSaveMode::All, true));
    const fs::path current = TestDir() / "out" / "current.qdx";
    const std::string missing = (TestDir() / "out" / "gone.qdx").string();
    enum class TRoute { Open, Drop, Recent };
    const struct {
        const char* Name;
        TRoute Route;
        std::string File;
        std::vector<PromptAnswer> Answers;
        std::vector<std::string> Asked;
        bool Replaced, Saved;
    } rows[] = {
        {"open, Cancel",
         TRoute::Open,
         next.string(),
         {PromptAnswer::Cancel},
         {kSaveChangesQuestion},
         false,
         false},
        {"drop, No", TRoute::Drop, next.string(), {PromptAnswer::No}, {kSaveChangesQuestion}, true, false},
        {"missing file", TRoute::Open, missing, {}, {missing + " does not exist"}, false, false},
        {"recent, Yes",
         TRoute::Recent,
         next.string(),
         {PromptAnswer::Yes},
         {kSaveChangesQuestion},
         true,
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        fs::copy_file(kDemo, current, fs::copy_options::overwrite_existing);
        const std::string original = test::ReadWholeFile(current);
        TRecordingPrompter prompter;
        SetCommandLine({current.string()});
        TfrmMain main;
        main.SelectNodes({main.Tree().Root()->Children[0].get()});
        main.ProcessSelectedNodes(TProcessKind::Delete);
        ASSERT_TRUE(main.DocSet()->Modified);
        for (const PromptAnswer answer : row.Answers)
            prompter.QueueAnswer(answer);
        main.OpenFileName = main.ViewFile = row.File;
        switch (row.Route) {
        case TRoute::Open:
            main.OpenViewFile();
            break;
        case TRoute::Drop:
            main.DropFiles({row.File});
            break;
        case TRoute::Recent:
            main.OpenRecentPackage(row.File);
            break;
        }
        EXPECT_EQ(prompter.Texts(), row.Asked);
        ASSERT_TRUE(main.Loaded);
        EXPECT_EQ(main.DocSet()->WorksheetNumber, row.Replaced ? "77" : "2026114");
        EXPECT_EQ(main.DocSet()->Modified, !row.Replaced);
        EXPECT_EQ(test::ReadWholeFile(current) != original, row.Saved);
        EXPECT_EQ(main.Tree().Root()->Children[0]->Form()->Deleted, !row.Replaced)
            << "the change is still there";
        main.DocSet()->Modified = false;
    }
    // What Yes wrote is the package with its first form deleted.
    TRecordingPrompter prompter;
    SetCommandLine({current.string()});
    TfrmMain reloaded;
    EXPECT_TRUE(reloaded.Tree().Root()->Children[0]->Form()->Deleted);
}

TEST(HistoryCleanup, AgeInYearsMonthsAndDays) {
    using namespace std::chrono;
    struct Row {
        year_month_day file, today;
        bool old;
    };
    const Row rows[] = {
        {2026y / 1 / 1, 2026y / 1 / 30, false},  // 29 days
        {2026y / 1 / 1, 2026y / 1 / 31, true},   // 30 days
        {2026y / 2 / 1, 2026y / 3 / 1, true},    // a month of 28 days
        {2026y / 1 / 31, 2026y / 2 / 28, false}, // 28 days, not yet a month
        {2025y / 12 / 20, 2026y / 1 / 10, false}, {2024y / 3 / 5, 2026y / 3 / 5, true},
        {2026y / 3 / 5, 2026y / 3 / 1, false}, // dated after today
    };
    for (const Row& r : rows)
        EXPECT_EQ(HistoryFileIsOld(r.file, r.today), r.old)
            << int(r.file.year()) << "-" << unsigned(r.file.month()) << "-" << unsigned(r.file.day());
}
