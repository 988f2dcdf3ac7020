// The desktop program's side of updates, offscreen against our web server: the start-up
// schedule, the check the user asks for (options and About) down to the installer's restart of
// the program, and the scanning plug-in fetched into the program folder and loaded.

#include "AboutBox.h"
#include "CommandLine.h"
#include "DateTime.h"
#include "Main.h"
#include "Options.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Prompt.h"
#include "QtTestEnvironment.h"
#include "ScanPlugin.h"
#include "TestFiles.h"
#include "UpdateInstall.h"
#include "WebFrm.h"
#include "WebServers.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pg {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(test::ReadWholeFile(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

fs::path ProcessDir() {
    static const fs::path dir = test::ProcessFolder("pg-update-window");
    return dir;
}

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(ProcessDir(), {"temp"}, [] {
        ::setenv("TMPDIR", (ProcessDir() / "temp").c_str(), 1);
        // Desktop folders of this process alone: the file associations the options register
        // on loading are not another test program's, whatever ran first.
        test::UsePrivateDesktop(ProcessDir());
    }));

std::string List(const std::string& name, const std::string& version, const std::string& url,
                 const std::string& sha = "") {
    return "<SoftwareProducts><Application Name=\"" + name + "\" Version=\"" + version + "\" URL=\"" + url +
           "\" SHA256=\"" + sha + "\"/></SoftwareProducts>";
}

// A stand-in for the installed program, stamped with a version: run, it writes its arguments.
std::string StandIn(const std::string& version) {
    return "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\nexit "
           "0\n# " +
           std::string("\x01Pagellan") + "FileVersion=" + version + std::string(1, '\0') + "\n";
}

TEST(UpdateWindow, StartUpSchedule) {
    const std::string dir = test::FreshFolder("update-schedule");
    std::ofstream(dir + "list.xml") << List("Pagellan", "1.0", "http://127.0.0.1:1/never.zip");
    test::TWebServer server(nullptr, "", dir, dir + "requests.log");
    TRecordingPrompter prompter;
    const std::string today = DateText(Now()), old = "01/15/2020";
    PGRegistry::SetURLForCurrentPagellan(server.URL("/files/list.xml"));
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int interval;
        std::vector<std::string> messages;
        std::string stored;
        std::vector<std::string> requests;
    };
    const std::string failed = "Pagellan has NOT been updated.  This may\nbe due to someone else running the "
                               "program, the file\nis write protected or an attempt was made to patch\nthe "
                               "program with an invalid patch.";
    const Row rows[] = {
        {"success", {"/UPDATE=SUCCESS"}, 7, {"Pagellan has been successfully updated."}, today, {}},
        {"failure", {"pkg.qdx", "/UPDATE=FAIL"}, 7, {failed}, old, {}},
        {"switches without interval", {"/UPDATE=SUCCESS"}, 0, {}, old, {}},
        {"interval off", {}, 0, {}, old, {}},
        {"due", {}, 7, {}, today, {"GET /files/list.xml"}},
        {"not yet due", {}, 7000, {}, old, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(dir + "requests.log");
        prompter.Clear();
        PGRegistry::SetDaysBetweenUpdateChecks(row.interval);
        PGRegistry::SetDateLastCheckedForUpdates(old);
        SetCommandLine(row.args);
        TfrmMain main;
        EXPECT_EQ(prompter.Texts(), row.messages);
        EXPECT_EQ(PGRegistry::DateLastCheckedForUpdates(), row.stored);
        EXPECT_EQ(Lines(dir + "requests.log"), row.requests);
    }
    // An unreachable server at start-up: silent, and the date still moves on.
    PGRegistry::SetURLForCurrentPagellan("http://127.0.0.1:1/list.xml");
    PGRegistry::SetDaysBetweenUpdateChecks(7);
    PGRegistry::SetDateLastCheckedForUpdates(old);
    prompter.Clear();
    SetCommandLine({});
    TfrmMain main;
    EXPECT_TRUE(prompter.Texts().empty());
    EXPECT_EQ(PGRegistry::DateLastCheckedForUpdates(), today);
}

void Zip(const std::string& dir, const std::string& zip, const std::string& entry, const std::string& file) {
    ASSERT_EQ(std::system(("cd " + ShellQuote(dir) +
                           " && python3 -c \"import sys, zipfile; z=zipfile.ZipFile(sys.argv[1],'w'); "
                           "z.write(sys.argv[3], sys.argv[2]); z.close()\" " +
                           ShellQuote(zip) + " " + ShellQuote(entry) + " " + ShellQuote(file))
                              .c_str()),
              0);
}

TEST(UpdateWindow, CheckNowDownloadsAndInstalls) {
    const std::string dir = test::FreshFolder("update-check");
    const std::string app = dir + "app/", helpers = dir + "helpers/", updates = dir + "updates/";
    for (const std::string& d : {app, helpers, updates})
        fs::create_directories(d);
    std::ofstream(app + "pagellan") << StandIn("5.0.0.0");
    fs::permissions(app + "pagellan", fs::perms(0755));
    fs::copy_file(PAGELLAN_WAIT_HELPER, helpers + "WaitForAppToEnd");
    std::ofstream(dir + "fresh") << StandIn("5.0.0.0") << "# fresh\n";
    Zip(dir, "pagellan_5.zip", "pagellan", "fresh");
    Zip(dir, "pagellan_7.zip", "pagellan", "fresh");
    std::ofstream(dir + "list.xml") << List("Pagellan", "5.0", "/files/pagellan_5.zip");
    test::TWebServer server(nullptr, "", dir, dir + "requests.log");
    std::ofstream(dir + "list.xml") << List("Pagellan", "5.0", server.URL("/files/pagellan_5.zip"));

    PGRegistry::SetDaysBetweenUpdateChecks(0);
    PGRegistry::SetURLForCurrentPagellan(server.URL("/files/list.xml"));
    PGRegistry::SetDateLastCheckedForUpdates("01/15/2020");
    Qt::KeyboardModifiers keys;
    int ended = 0;
    std::vector<std::string> asked;
    const TRecordingPrompter* prompts = nullptr;
    size_t promptsBeforeVersion = 0;
    TfrmMain::PrepareUpdateWindow = [&](TfrmWeb& web) {
        web.Executable = app + "pagellan";
        web.HelperFolder = helpers;
        web.UpdateFolder = updates;
        web.KeyboardModifiers = [&] { return keys; };
        web.EndProgram = [&] { ++ended; };
        web.InputQuery = [&](const std::string& caption, const std::string& prompt, std::string& value) {
            asked = {caption, prompt, value};
            promptsBeforeVersion = prompts->Texts().size();
            value = "7";
            return true;
        };
    };
    SetCommandLine({dir + "loan.qdx", "/Instance=2", "/UPDATE=SUCCESS"});
    TRecordingPrompter prompter;
    prompts = &prompter;
    TfrmMain main;
    TfrmOptions& options = *main.Options();
    const std::string today = "Date Last Checked : " + DateText(Now());

    // The installed version is the released one: nothing to do.
    options.btnCheckForUpdatesNow->click();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"No Updates are currently available"});
    EXPECT_EQ(options.lblDateLastPolled->text().toStdString(), today);
    EXPECT_EQ(PGRegistry::DateLastCheckedForUpdates(), DateText(Now()));

    // Ctrl+Shift, from the About window: the program counts as not installed, the version asked
    // for is fetched; the user does not install it yet.
    keys = Qt::ControlModifier | Qt::ShiftModifier;
    prompter.Clear();
    prompter.QueueAnswer(PromptAnswer::Yes);
    prompter.QueueAnswer(PromptAnswer::No);
    main.AboutBox()->btnCheckForUpdates->click();
    EXPECT_EQ(asked, (std::vector<std::string>{"Version", "Version to download", "beta"}));
    EXPECT_EQ(promptsBeforeVersion, 0u) << "the version is asked for before the download question";
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{
                  "An update is available for Pagellan!\n\nWould you like to download it now? ",
                  "Your Pagellan update has arrived!\n\nIf you want to install this now, "
                  "all users\nrunning Pagellan should exit now. Do\nyou wish to install now? "}));
    EXPECT_EQ(test::ReadWholeFile(updates + "pagellan_7.zip"), test::ReadWholeFile(dir + "pagellan_7.zip"));
    EXPECT_EQ(ended, 0);

    // Ctrl alone: the released archive replaces the earlier one, is unpacked and installed; the
    // installer restarts the program with the package and the further arguments, and this
    // program ends.
    keys = Qt::ControlModifier;
    prompter.Clear();
    prompter.QueueAnswer(PromptAnswer::Yes);
    prompter.QueueAnswer(PromptAnswer::Yes);
    options.btnCheckForUpdatesNow->click();
    EXPECT_EQ(prompter.Texts().size(), 2u);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(fs::exists(updates + "pagellan_7.zip"));
    for (int i = 0; i < 100 && !fs::exists(app + "pagellan.args"); ++i)
        std::system("sleep 0.1");
    EXPECT_EQ(test::ReadWholeFile(app + "pagellan.args"), dir + "loan.qdx\n/Instance=2\n/UPDATE=SUCCESS\n");
    EXPECT_EQ(test::ReadWholeFile(app + "pagellan"), test::ReadWholeFile(dir + "fresh"));
    EXPECT_EQ(
        Lines(dir + "requests.log"),
        (std::vector<std::string>{"GET /files/list.xml", "GET /files/list.xml", "HEAD /files/pagellan_7.zip",
                                  "GET /files/pagellan_7.zip", "GET /files/list.xml",
                                  "HEAD /files/pagellan_5.zip", "GET /files/pagellan_5.zip"}));
    TfrmMain::PrepareUpdateWindow = {};
}

TEST(UpdateWindow, ScanPluginDownloadIntoProgramFolder) {
    const std::string dir = test::FreshFolder("update-scan-plugin");
    const std::string app = dir + "app/";
    fs::create_directories(app);
    // The address names the file otherwise: it arrives as the plug-in the program loads all the
    // same, and a redirect to another server's plain http is refused.
    fs::copy_file(SCAN_PLUGIN_FILE, dir + "scanner-2.0.so");
    test::TWebServer server(nullptr, "", dir);
    test::TWebServer other(nullptr, "", dir, dir + "other.log");
    const std::string url = server.URL("/files/scanner-2.0.so");
    const std::string elsewhere = other.URL("/files/scanner-2.0.so");
    std::ofstream(dir + "bad.xml") << List("PagellanScan", "1.0", url, std::string(64, 'a'));
    std::ofstream(dir + "good.xml") << List("PagellanScan", "1.0", url, FileSha256(SCAN_PLUGIN_FILE));
    std::ofstream(dir + "redirected.xml") << List("PagellanScan", "1.0", server.URL("/to?" + elsewhere));
    PGRegistry::SetDaysBetweenUpdateChecks(0);
    SetCommandLine({PAGELLAN_SOURCE_DIR "/samples/demo.qdx"});
    TRecordingPrompter prompter;
    TfrmMain main;
    main.ProgramFolder = app;
    // "Upload Annotations" follows the options' check box (not stored) also after the window
    // comes to the front again.
    ASSERT_TRUE(main.Loaded);
    EXPECT_FALSE(main.actUploadAnnotations->isEnabled());
    test::WhenModal([](QWidget* modal) {
        auto* options = qobject_cast<TfrmOptions*>(modal);
        options->cbxUploadAnnotations->setChecked(true);
        options->reject();
    });
    main.OptionsClick();
    main.WindowActivated();
    EXPECT_TRUE(main.actUploadAnnotations->isEnabled());
    EXPECT_TRUE(main.mnuUploadAnnotations->isEnabled());
    ASSERT_FALSE(ScanPluginLoaded());
    const std::string question =
        "This feature allows you to scan documents using your Twain compatible flat bed scanner\nand for "
        "viewing "
        "TIF images.  It is not currently installed on your computer\nbut can be downloaded and installed "
        "now.\n\nWould you like to download it now?";

    // Declined: nothing is fetched. A file that does not match its digest is not kept.
    PGRegistry::SetURLForCurrentPagellan(server.URL("/files/bad.xml"));
    prompter.QueueAnswer(PromptAnswer::No);
    main.actScan->trigger();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{question});
    prompter.Clear();
    prompter.QueueAnswer(PromptAnswer::Yes);
    main.actScan->trigger();
    ASSERT_EQ(prompter.Texts().size(), 2u);
    EXPECT_NE(prompter.Texts()[1].find("does not match its SHA256"), std::string::npos);
    EXPECT_FALSE(fs::exists(app + "libPagellanScan.so"));
    EXPECT_FALSE(ScanPluginLoaded());
    PGRegistry::SetURLForCurrentPagellan(server.URL("/files/redirected.xml"));
    prompter.Clear();
    prompter.QueueAnswer(PromptAnswer::Yes);
    main.actScan->trigger();
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{
                  question, "The redirect from " + server.URL("/to?" + elsewhere) + " to " + elsewhere +
                                " was refused: what gets installed comes only over https or from the version "
                                "list's server.\n" +
                                server.URL("/to?" + elsewhere)}));
    EXPECT_TRUE(fs::is_empty(app));
    EXPECT_EQ(test::ReadWholeFile(dir + "other.log"), "");

    // Accepted: the plug-in arrives beside the program and is loaded.
    PGRegistry::SetURLForCurrentPagellan(server.URL("/files/good.xml"));
    prompter.Clear();
    prompter.QueueAnswer(PromptAnswer::Yes);
    TfrmWeb* seen = nullptr;
    TfrmMain::PrepareUpdateWindow = [&](TfrmWeb& web) { seen = &web; };
    main.actScan->trigger();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{question});
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(test::ReadWholeFile(app + "libPagellanScan.so"), test::ReadWholeFile(SCAN_PLUGIN_FILE));
    EXPECT_FALSE(fs::exists(app + "scanner-2.0.so"));
    EXPECT_TRUE(ScanPluginLoaded());
    UnloadScanPlugin();
    TfrmMain::PrepareUpdateWindow = {};
}

} // namespace
} // namespace pg
