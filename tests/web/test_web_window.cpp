// The web window offscreen against our web server: WebDocs with the pass-phrase exchange, the
// service's questions and HTML page, downloads by address, and the main window's use of both.

#include "CommandLine.h"
#include "Main.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Prompt.h"
#include "WebFrm.h"
#include "WebServers.h"

#include "TestFiles.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace pg {
namespace {

// Runs the script once the modal web window is up.
void WhenModal(std::function<void(TfrmWeb&)> script) {
    QTimer::singleShot(0, [script] { script(*qobject_cast<TfrmWeb*>(QApplication::activeModalWidget())); });
}

void Submit(TfrmWeb& web, const char* code, const char* passPhrase) {
    web.edWebDocCode->setText(code);
    web.edPassPhrase->setText(passPhrase);
    web.btnSubmit->click();
}

TEST(WebWindow, WebDocsAndDownloadsByAddress) {
    const std::string dir = test::FreshFolder("web-window");
    ::setenv("PAGELLAN_SETTINGS_DIR", (dir + "settings").c_str(), 1);
    ::setenv("TMPDIR", dir.c_str(), 1);
    ::setenv("TEMP", dir.c_str(), 1);
    static int argc = 1;
    static char name[] = "test_web";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const std::string package = test::ReadWholeFile(PAGELLAN_SOURCE_DIR "/samples/demo.qdx");
    test::TWebServer server(nullptr, PAGELLAN_SOURCE_DIR "/samples/demo.qdx");
    const std::string service = server.URL("/webdocs");
    TRecordingPrompter prompter;

    // The pass-phrase exchange: asked for, refused once (the user tries again), then accepted.
    TfrmWeb web;
    THLWMemorystream received;
    WhenModal([&](TfrmWeb& w) {
        EXPECT_EQ(w.windowTitle(), "WebDocs");
        EXPECT_EQ(w.height(), 78);
        w.edWebDocCode->setText("   ");
        EXPECT_FALSE(w.btnSubmit->isEnabled());
        Submit(w, "PASS", "");
        EXPECT_TRUE(w.pnlPassword->isVisibleTo(&w));
        EXPECT_EQ(w.height(), 214);
        EXPECT_EQ(w.lblPassPhrase->text(), "Date of birth:");
        EXPECT_FALSE(w.edWebDocCode->isEnabled());
        EXPECT_TRUE(prompter.Entries().empty());
        prompter.QueueAnswer(PromptAnswer::Yes);
        Submit(w, "PASS", "wrong");
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Authentication failure. Try again?"});
        Submit(w, "PASS", "open sesame");
    });
    ASSERT_TRUE(web.RetrieveWebDocs(service, received));
    EXPECT_EQ(received.View(), package);
    EXPECT_EQ(received.Position(), 0u);
    // The package is larger than 750 bytes: the meter appeared and the window grew once.
    EXPECT_EQ(web.height(), 214 + 25);

    // An HTML page goes to the browser and the window stays; No to a question ends it.
    TfrmWeb service2;
    std::string opened;
    service2.OpenDocument = [&](const std::string& f) { opened = f; };
    prompter.Clear();
    WhenModal([&](TfrmWeb& w) {
        Submit(w, "HTML", "");
        EXPECT_TRUE(w.isVisible());
        prompter.QueueAnswer(PromptAnswer::No);
        Submit(w, "C201", "");
    });
    EXPECT_FALSE(service2.RetrieveWebDocs(service, received));
    EXPECT_EQ(opened, TempFolder() + "WebDocs.htm");
    EXPECT_EQ(test::ReadWholeFile(opened).rfind("<!DOCTYPE HTML PUBLIC", 0), 0u);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Invalid code. Try again?"});

    // Downloads by address.
    prompter.Clear();
    TfrmWeb download;
    ASSERT_TRUE(download.DownloadQuodex(server.URL("/demo.qdx"), received));
    EXPECT_EQ(download.windowTitle(), "Downloading Quodex from URL");
    EXPECT_EQ(download.lblStatus->text().toStdString(), "Downloading : " + server.URL("/demo.qdx"));
    EXPECT_EQ(received.View(), package);
    TfrmWeb missing;
    EXPECT_FALSE(missing.DownloadQuodex(server.URL("/missing"), received));
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{"Returned http error code 404\n" + server.URL("/missing")});

    // The main window: an address argument at start-up, and the WebDocs command.
    SetCommandLine({server.URL("/demo.qdx")});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    EXPECT_EQ(main.CurrentFile, "RemoteQuodex.qdx");
    PGRegistry::SetWebDocsWithPwd(service);
    WhenModal([](TfrmWeb& w) { Submit(w, "PKG", ""); });
    main.actGetWebDocs->trigger();
    EXPECT_TRUE(main.Loaded);
    EXPECT_EQ(main.CurrentFile, "RemoteRequest.QDX");
    EXPECT_FALSE(main.mnuFileSave->isEnabled());
}

} // namespace
} // namespace pg
