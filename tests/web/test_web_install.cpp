// Installing an update: pagellan-cli update --install downloads the decided files from our web
// server, checks their digests and unpacks the archives; the helper programs Patch and
// WaitForAppToEnd run as the installer runs them.

#include "UpdateInstall.h"
#include "WebServers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace pg {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int Shell(const std::string& command) {
    return WEXITSTATUS(std::system(command.c_str()));
}

std::string List(const std::string& url, const std::string& sha) {
    return R"(<SoftwareProducts><Application Name="Pagellan" Version="99.0" URL=")" + url + R"(" SHA256=")" +
           sha + R"("/></SoftwareProducts>)";
}

TEST(UpdateInstall, CliDownloadsChecksAndUnpacks) {
    const std::string root = test::FreshFolder("install-root");
    const std::string data = test::FreshFolder("install-data");
    // The archive's first file names folders that would climb out of the update folder.
    ASSERT_EQ(Shell("cd '" + root +
                    "' && python3 -c \"import zipfile; z=zipfile.ZipFile('pagellan_99.zip','w'); "
                    "z.writestr('bin/',''); z.writestr('../../bin/pagellan','NEW PROGRAM'); "
                    "z.writestr('second','x'); z.close()\""),
              0);
    const std::string sha = FileSha256(root + "pagellan_99.zip");
    ASSERT_EQ(sha.size(), 64u);
    test::TWebServer server(nullptr, "", root);
    const std::string zip = server.URL("/files/pagellan_99.zip");
    std::string upper = sha;
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    std::ofstream(root + "good.xml") << List(zip, upper);
    std::ofstream(root + "bad.xml") << List(zip, std::string(64, '0'));
    std::ofstream(root + "foreign.xml") << List("http://127.0.0.2:1/pagellan_99.zip", "");
    const std::string updates = data + "Harlowen Inc/Pagellan/";
    const auto install = [&](const std::string& list) {
        return Shell("XDG_DATA_HOME='" + data + "' " PAGELLAN_CLI " update --install --list " +
                     server.URL("/files/" + list) + " >" + data + "out.txt 2>&1");
    };
    struct Row {
        const char* list;
        int rc;
        const char* message;
        bool zipKept, extracted;
    } const rows[] = {
        {"bad.xml", 1, "does not match its SHA256 and was deleted", false, false},
        {"foreign.xml", 1, "is neither on a verified https server nor beside the version list", false, false},
        {"good.xml", 0, "extracted: ", true, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.list);
        fs::remove_all(updates);
        EXPECT_EQ(install(r.list), r.rc);
        EXPECT_NE(Slurp(data + "out.txt").find(r.message), std::string::npos) << Slurp(data + "out.txt");
        EXPECT_EQ(fs::exists(updates + "pagellan_99.zip"), r.zipKept);
        EXPECT_EQ(Slurp(updates + "TMP/pagellan"), r.extracted ? "NEW PROGRAM" : "");
    }
    // Only the first file of the archive, only inside the update folder.
    EXPECT_FALSE(fs::exists(updates + "TMP/second"));
    EXPECT_FALSE(fs::exists(data + "bin"));
    EXPECT_FALSE(fs::exists(data + "Harlowen Inc/bin"));
}

TEST(UpdateInstall, HelperPrograms) {
    const std::string dir = test::FreshFolder("install-helpers");
    // Patch: a delta made by zstd turns the old program into the new one, keeping its mode.
    std::string old(200000, '\0');
    for (size_t i = 0; i < old.size(); ++i)
        old[i] = char((i * 7919) >> 5);
    std::string fresh = old;
    fresh.replace(1000, 5, "PATCH") += "tail";
    std::ofstream(dir + "old", std::ios::binary) << old;
    std::ofstream(dir + "new", std::ios::binary) << fresh;
    ASSERT_EQ(Shell("cd " + dir + " && zstd -q -f --patch-from=old new -o p.upd 2>/dev/null"), 0);
    fs::copy_file(dir + "old", dir + "prog");
    fs::permissions(dir + "prog", fs::perms(0755));
    EXPECT_EQ(Shell(PAGELLAN_PATCH_HELPER " " + dir + "p.upd " + dir + "prog"), 0);
    EXPECT_EQ(Slurp(dir + "prog"), fresh);
    EXPECT_EQ(fs::status(dir + "prog").permissions(), fs::perms(0755));
    EXPECT_NE(Slurp(dir + "p.log").find("OK"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir + "p.err"));
    // A delta for other bytes, and a truncated one: the program stays as it was, ".err" says why.
    for (const char* delta : {"p.upd", "cut.upd"}) {
        SCOPED_TRACE(delta);
        std::ofstream(dir + "cut.upd", std::ios::binary) << Slurp(dir + "p.upd").substr(0, 20);
        EXPECT_EQ(Shell(PAGELLAN_PATCH_HELPER " " + dir + delta + " " + dir + "prog"), 1);
        EXPECT_EQ(Slurp(dir + "prog"), fresh);
        const std::string err = fs::path(dir + delta).replace_extension("err").string();
        EXPECT_NE(Slurp(err).find("the patch"), std::string::npos) << Slurp(err);
        EXPECT_NE(Slurp(fs::path(err).replace_extension("log").string()).find("FAILED"), std::string::npos);
    }
    // WaitForAppToEnd: 1 while a copy of sleep runs past the wait, 0 once it has ended.
    fs::copy_file("/bin/sleep", dir + "app");
    fs::permissions(dir + "app", fs::perms(0755));
    const std::string wait = PAGELLAN_WAIT_HELPER " '" + dir + "app'";
    EXPECT_EQ(
        Shell("'" + dir + "app' 1 & sleep 0.3; " + wait + " 0; a=$?; " + wait + " 5; exit $((a*10+$?))"), 10);
    EXPECT_EQ(Shell(wait + " 0"), 0);
    EXPECT_EQ(Shell(wait + " soon"), 1);
}

} // namespace
} // namespace pg
