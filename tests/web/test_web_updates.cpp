// The update check: the version list, the versions stamped into our files, the decision, and
// pagellan-cli update --check against a list on our web server.

#include "PGRegistry.h"
#include "Updates.h"
#include "WebServers.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pg {
namespace {

constexpr char kList[] = R"(<?xml version="1.0"?>
<SoftwareProducts>
 <Application Name="Pagellan" Version="4.3.0.10" URL="http://h/pagellan_4.3.0.10.zip">
  <Patch ClientVersion="004.003.000.009" DestinationVersion="004.003.000.010" URL="http://h/p.upd"/>
 </Application>
 <Application Name="PagellanScan" Version="2.0.0.0" URL="http://h/scan.zip"/>
 <Application Name="PagellanDB" Version="1.0.0.0" URL="http://h/db.zip"/>
 <Application Name="Patch" Version="1.1" URL="http://h/patch.zip"/>
 <Application Name="WaitForAppToEnd" Version="1.0" URL="http://h/wait.zip"/>
</SoftwareProducts>)";

TEST(Updates, DecisionsFromTheVersionList) {
    TVersionList list;
    std::string error;
    ASSERT_TRUE(list.Load(kList, error));
    const std::string current = "004.003.000.010";
    struct Row {
        const char* name;
        TInstalled installed;
        const char* program; // current, patch, full
        int plugins;
        std::vector<std::string> downloads;
    };
    const std::vector<std::string> helpers = {"http://h/patch.zip", "http://h/wait.zip"};
    const std::vector<Row> rows = {
        {"patch",
         {NormalizeVersion("4.3.0.9"), "", ""},
         "patch",
         0,
         {"http://h/p.upd", helpers[0], helpers[1]}},
        {"full",
         {NormalizeVersion("4.1.0.3"), "", ""},
         "full",
         0,
         {"http://h/pagellan_4.3.0.10.zip", helpers[0], helpers[1]}},
        {"old scan plug-in",
         {current, NormalizeVersion("1.9"), ""},
         "current",
         1,
         {"http://h/scan.zip", helpers[0], helpers[1]}},
        {"helpers current",
         {current, NormalizeVersion("1.9"), "", NormalizeVersion("1.1"), NormalizeVersion("1.0")},
         "current",
         1,
         {"http://h/scan.zip"}},
        {"plug-ins not installed", {current, "", ""}, "current", 0, {}},
        {"everything current", {current, NormalizeVersion("2.0"), NormalizeVersion("1.0")}, "current", 0, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const TUpdateDecision d = DecideUpdates(list, "Pagellan", r.installed);
        EXPECT_EQ(d.Error, "");
        EXPECT_EQ(d.ProgramCurrent ? "current" : d.PatchUpdate ? "patch" : "full", std::string(r.program));
        EXPECT_EQ(d.FullUpdate, std::string(r.program) == "full");
        EXPECT_EQ(d.OutdatedPlugins, r.plugins);
        std::vector<std::string> urls;
        for (const TAppInfo& a : d.Downloads)
            urls.push_back(a.URL);
        EXPECT_EQ(urls, r.downloads);
    }
    // Bad input: a name that breaks the expression, a list that is no XML.
    EXPECT_EQ(DecideUpdates(list, "Pa\"gellan", TInstalled{}).Error,
              "Error parsing : /SoftwareProducts/Application [@Name=\"Pa\"gellan\"]");
    TVersionList broken;
    EXPECT_FALSE(broken.Load("<SoftwareProducts><Application Name=", error));
    EXPECT_EQ(error.rfind("Error parsing : ", 0), 0u);
}

TEST(Updates, VersionsStampedIntoOurFiles) {
    const std::string dir = test::FreshFolder("stamps");
    EXPECT_EQ(ReadFileVersion(PAGELLAN_CLI), NormalizeVersion(PAGELLAN_PROGRAM_VERSION));
    EXPECT_EQ(ReadFileVersion(dir + "missing"), "000.000.000.000");
    std::ofstream(dir + "plain") << "no stamp here \x01PagellanFileVersion=";
    EXPECT_EQ(ReadFileVersion(dir + "plain"), "000.000.000.000");
    std::ofstream(dir + "plugin", std::ios::binary) << std::string("x\x01PagellanFileVersion=2.0.1.7\0y", 30);
    EXPECT_EQ(ReadFileVersion(dir + "plugin"), "002.000.001.007");
}

std::string RunCliOut(const std::string& args, int& rc) {
    const test::TCommandRun run = test::RunCommand(PAGELLAN_CLI " " + args + " 2>&1");
    rc = run.Status;
    return run.Out;
}

TEST(Updates, CliCheckAgainstTheServer) {
    const std::string root = test::FreshFolder("update-root");
    std::ofstream(root + "versions.xml") << kList;
    std::ofstream(root + "broken.xml") << "<SoftwareProducts><Application";
    test::TWebServer server(nullptr, "", root);
    int rc = 0;
    // The version compared is the desktop program's: one a version behind gets the patch, and
    // none at all (the build tree has no desktop program beside the CLI) the whole program.
    std::ofstream(root + "pagellan", std::ios::binary)
        << std::string("\x01PagellanFileVersion=4.3.0.9\0", 30);
    std::string out = RunCliOut(
        "update --check --program " + root + "pagellan --list " + server.URL("/files/versions.xml"), rc);
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("installed: 004.003.000.009 (" + root + "pagellan)\nprogram: patch\n"),
              std::string::npos)
        << out;
    out = RunCliOut("update --check --list " + server.URL("/files/versions.xml"), rc);
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("installed: 000.000.000.000 ("), std::string::npos) << out;
    EXPECT_NE(out.find("\nprogram: full\n"), std::string::npos) << out;
    EXPECT_NE(out.find("download: http://h/pagellan_4.3.0.10.zip\ndownload: http://h/patch.zip"),
              std::string::npos);
    out = RunCliOut("update --check --list " + server.URL("/files/broken.xml"), rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(out.rfind("Error parsing : ", 0), 0u) << out;
    out = RunCliOut("update --check --list " + server.URL("/files/none.xml"), rc);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(out.find("Returned http error code 404"), std::string::npos);
}

} // namespace
} // namespace pg
