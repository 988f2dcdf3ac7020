// pagellan-cli download and webdocs against our web server and its WebDocs service.

#include "WebServers.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pg {
namespace {

namespace fs = std::filesystem;

struct TCliResult {
    int rc;
    std::string err;
};

TCliResult RunCli(const std::string& env, const std::string& args) {
    // Standard error into the pipe, standard output away.
    const test::TCommandRun run = test::RunCommand(env + " " PAGELLAN_CLI " " + args + " 2>&1 >/dev/null");
    return {run.Status, run.Out};
}

TEST(WebCli, DownloadOverVerifiedTls) {
    const test::TCertificates certs = test::MakeTestCertificates(test::FreshFolder("cli-certs"));
    test::TWebServer tls(&certs);
    const std::string dir = test::FreshFolder("cli-download");
    const std::string url = tls.URL("/demo.qdx");
    TCliResult r = RunCli("env -u PAGELLAN_CA_BUNDLE", "download " + url + " -o " + dir + "x.qdx");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("The certificate of 127.0.0.1 was not accepted"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir + "x.qdx"));
    r = RunCli("PAGELLAN_CA_BUNDLE=" + certs.CA, "download " + url + " -o " + dir + "x.qdx");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(test::ReadWholeFile(dir + "x.qdx"), test::ServerPackage());
    EXPECT_EQ(RunCli("", "download " + url).rc, 2);
    EXPECT_EQ(RunCli("", "download " + url + " -o " + dir + "y --bogus").rc, 2);
}

TEST(WebCli, WebDocsReplyCodes) {
    test::TWebServer server;
    const std::string dir = test::FreshFolder("cli-webdocs");
    struct Row {
        const char* code;
        const char* extra;
        int rc;
        const char* message; // on stderr; empty for a package
    };
    const std::vector<Row> rows = {
        {"PKG", "", 0, ""},
        {"PASS", "--pass-phrase 'open sesame'", 0, ""},
        {"PASS", "", 1, "Additional information is required: Date of birth:"},
        {"STAR", "", 1, "Additional information is required: Password:"},
        {"PASS", "--pass-phrase wrong", 1, "Authentication failure. Try again?"},
        {"C0", "", 1, "Successful retrieval. Try again?"},
        {"C200", "", 1, "Unknown error. Try again?"},
        {"C201", "", 1, "Invalid code. Try again?"},
        {"C202", "", 1, "Retrieval code required and missing or blank. Try again?"},
        {"C204", "", 1, "A configuration error has occured on the server. Try again?"},
        {"C205", "", 1, "Missing required configuration data. Try again?"},
        {"C206", "", 1, "A processing error has occured. Try again?"},
        {"C7777", "", 1, "7777\n"},
        {"NONXML", "", 1, "The WebDocs service sent a reply that cannot be read. Try again?"},
        {"NAN", "", 1, "The WebDocs service sent a reply that cannot be read. Try again?"},
        {"EMPTY", "", 1, "No data received from"},
        {"HTML", "", 1, "The WebDocs service answered with a web page: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.code) + " " + row.extra);
        const std::string out = dir + row.code + ".qdx";
        fs::remove(out);
        const TCliResult r = RunCli("TMPDIR=" + dir + " TEMP=" + dir,
                                    std::string("webdocs ") + row.code + " " + row.extra + " --server " +
                                        server.URL("/webdocs") + " -o " + out);
        EXPECT_EQ(r.rc, row.rc);
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_EQ(fs::exists(out), row.rc == 0);
        if (row.rc == 0) {
            EXPECT_EQ(test::ReadWholeFile(out), test::ServerPackage());
        }
    }
    // The page is kept beside the output named, never under a fixed name in the shared folder.
    EXPECT_NE(test::ReadWholeFile(dir + "HTML.htm").find("<!DOCTYPE HTML PUBLIC"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir + "WebDocs.htm"));
    const TCliResult broken =
        RunCli("", "webdocs PKG --server " + server.URL("/broken") + " -o " + dir + "b.qdx");
    EXPECT_EQ(broken.rc, 1);
    EXPECT_NE(broken.err.find("Returned http error code 500\n" + server.URL("/broken")), std::string::npos);
}

} // namespace
} // namespace pg
