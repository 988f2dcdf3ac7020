// File associations and the desktop shortcut against the real xdg-utils and shared-mime-info,
// through `pagellan-cli desktop`, in a private HOME, XDG_DATA_HOME and XDG_CONFIG_HOME.

#include "FileAssociations.h"
#include "SystemProxy.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace pg;
namespace fs = std::filesystem;

namespace {

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("pg-desktop-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        for (const char* sub : {"home", "data/applications", "config", "settings"})
            fs::create_directories(root_ / sub);
        ::setenv("HOME", (root_ / "home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        ::setenv("PAGELLAN_SETTINGS_DIR", (root_ / "settings").c_str(), 1);
        // The program registered: a file that is there, in a folder with a blank in its name.
        program_ = (root_ / "loan apps" / "pagellan").string();
        fs::create_directories(root_ / "loan apps");
        test::WriteWholeFile(program_, "#!/bin/sh\n");
        fs::permissions(program_, fs::perms::owner_all);
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs the command; stdout in the answer, stderr in errors_.
    test::TCommandRun Run(const std::string& command) {
        const fs::path err = root_ / "stderr.txt";
        test::TCommandRun run = test::RunCommand(command + " 2>'" + err.string() + "'");
        errors_ = test::ReadWholeFile(err);
        return run;
    }
    std::string Line(const std::string& command) { return Trim(Run(command).Out); }
    static std::string Trim(std::string s) {
        while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
            s.pop_back();
        return s;
    }

    fs::path root_;
    std::string errors_;
    std::string program_;
    const std::string cli_ = std::string(PAGELLAN_CLI) + " desktop ";
};

TEST_F(Desktop, RegisteringMakesPackagesOpenWithPagellanAndKeepsOtherDefaults) {
    // Another program (one that exists: xdg-mime passes over entries whose program is missing)
    // already opens Tesselon packages.
    std::ofstream(root_ / "data/applications/other-viewer.desktop")
        << "[Desktop Entry]\nType=Application\nName=Other\nExec=cat %f\nMimeType=application/x-tesselon;\n";
    ASSERT_EQ(Run("xdg-mime default other-viewer.desktop application/x-tesselon").Status, 0);

    // A program that is not there is never registered.
    const std::string missing = (root_ / "nowhere" / "pagellan").string();
    for (const char* action : {"register", "check", "shortcut"}) {
        EXPECT_EQ(Run(cli_ + action + " --program '" + missing + "'").Status, 1) << action;
        EXPECT_EQ(errors_,
                  "pagellan-cli desktop: there is no program " + missing + " (name it with --program)\n");
    }
    EXPECT_EQ(Line("xdg-mime query default application/x-quodex"), "");
    EXPECT_FALSE(fs::exists(root_ / "home/Desktop/Pagellan.desktop"));

    const test::TCommandRun registered = Run(cli_ + "register --program '" + program_ + "'");
    ASSERT_EQ(registered.Status, 0) << errors_;
    EXPECT_EQ(Trim(registered.Out), "registered: " + program_) << "it says where the program is";
    EXPECT_EQ(errors_, "") << "no message while some associations were missing";
    std::ofstream(root_ / "x.qdx") << "QDX";
    std::ofstream(root_ / "y.QDZ") << "QDZ";
    EXPECT_EQ(Line("xdg-mime query filetype '" + (root_ / "x.qdx").string() + "'"), QuodexMimeType);
    EXPECT_EQ(Line("xdg-mime query filetype '" + (root_ / "y.QDZ").string() + "'"), QuodexMimeType);
    EXPECT_EQ(Line("xdg-mime query default application/x-quodex"), "Harlowen.Document.desktop");
    EXPECT_EQ(Line("xdg-mime query default application/x-tesselon"), "other-viewer.desktop");
    EXPECT_EQ(Line("xdg-mime query default application/vnd.hp-pcl"), "Harlowen.Document.desktop");

    // The entry is valid and its Exec gives back the path with its blanks.
    const std::string entry = UserDesktopEntryPath();
    EXPECT_EQ(Run("desktop-file-validate '" + entry + "'").Status, 0) << errors_;
    const std::vector<std::string> exec = SplitExecLine(AssociationCommand());
    EXPECT_EQ(exec, (std::vector<std::string>{program_, "%f"}));

    // All four existed now: registering again says so, and the check finds nothing to do.
    ASSERT_EQ(Run(cli_ + "register --program '" + program_ + "'").Status, 0);
    EXPECT_EQ(errors_, "Information: " + std::string(AssociationsRegisteredText) + program_ + "\n");
    EXPECT_EQ(Line(cli_ + "check --program '" + program_ + "'"), "unchanged: " + program_);
    EXPECT_EQ(Line("xdg-mime query default application/x-tesselon"), "other-viewer.desktop");
}

TEST_F(Desktop, ShortcutOnTheDesktopValidatesAndIsExecutable) {
    const test::TCommandRun run = Run(cli_ + "shortcut --program '" + program_ + "'");
    ASSERT_EQ(run.Status, 0) << errors_;
    const fs::path file = root_ / "home/Desktop/Pagellan.desktop";
    EXPECT_EQ(Trim(run.Out), file.string());
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    EXPECT_EQ(Run("desktop-file-validate '" + file.string() + "'").Status, 0) << errors_;
    const std::string text = test::ReadWholeFile(file);
    EXPECT_NE(text.find("Exec=\"" + program_ + "\"\n"), std::string::npos) << text;
    // No fill folder exists, so the program's folder is the working folder.
    EXPECT_NE(text.find("Path=" + (root_ / "loan apps").string() + "\n"), std::string::npos) << text;
    EXPECT_EQ(Run(cli_ + "shortcut --program").Status, 2);
}

// Exec quoting by the desktop-entry rules, both ways.
TEST(DesktopExec, QuotingRoundTrips) {
    for (const std::string& arg : {std::string("/usr/bin/pagellan"), std::string("/opt/my apps/pagellan"),
                                   std::string("/opt/a\"b$c`d\\e/100%/p")}) {
        const std::vector<std::string> back = SplitExecLine(QuoteExecArgument(arg) + " %f");
        ASSERT_EQ(back.size(), 2u) << arg;
        EXPECT_EQ(back[0], arg);
    }
    EXPECT_EQ(QuoteExecArgument("/opt/my apps/p"), "\"/opt/my apps/p\"");
    EXPECT_EQ(QuoteExecArgument("/opt/a\\b"), "\"/opt/a\\\\\\\\b\"");
    EXPECT_EQ(ExtensionList(" tsn, .Qdx,,pcl"), (std::vector<std::string>{".TSN", ".QDX", ".PCL"}));
}

// The desktop's proxy: the environment first, then GNOME's manual proxy; nothing enabled gives
// the dialog's warning.
TEST(SystemProxy, EnvironmentThenGnomeSettings) {
    std::map<std::string, std::string> env;
    std::map<std::string, std::string> gsettings;
    const TEnvLookup lookup = [&](const std::string& name) { return env[name]; };
    const TCommandOutput run = [&](const std::vector<std::string>& argv) {
        return argv.size() == 4 && argv[0] == "gsettings" ? gsettings[argv[2] + " " + argv[3]]
                                                          : std::string();
    };
    EXPECT_FALSE(ReadSystemProxy(lookup, run).Enabled);
    gsettings = {{"org.gnome.system.proxy mode", "'manual'\n"},
                 {"org.gnome.system.proxy.http host", "'gw.lan'\n"},
                 {"org.gnome.system.proxy.http port", "3128\n"}};
    EXPECT_EQ(ReadSystemProxy(lookup, run).Server, "gw.lan:3128");
    gsettings["org.gnome.system.proxy mode"] = "'none'";
    EXPECT_FALSE(ReadSystemProxy(lookup, run).Enabled);
    env["http_proxy"] = "http://proxy.lan:8080/";
    const TSystemProxy proxy = ReadSystemProxy(lookup, run);
    EXPECT_TRUE(proxy.Enabled);
    EXPECT_EQ(proxy.Server, "http://proxy.lan:8080");
    EXPECT_EQ(SplitProxyServer(proxy.Server).Port, "8080");
    EXPECT_EQ(SplitProxyServer("gw.lan:3128").Address, "gw.lan");
    EXPECT_EQ(SplitProxyServer("http://gw.lan").Port, "");
}

} // namespace
