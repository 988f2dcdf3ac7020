// The transfer engine against our web server, over HTTP and HTTPS, and through tinyproxy.

#include "Connection.h"
#include "HLWWebCopy.h"
#include "Prompt.h"
#include "WebAddress.h"
#include "WebServers.h"

#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

namespace pg {
namespace {

namespace fs = std::filesystem;
using test::TWebServer;

int PartFiles(const std::string& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        n += e.path().filename().string().rfind(".part-", 0) == 0;
    return n;
}

// Every event of a run as text, and the sizes of the chunks.
struct TRecorder {
    std::vector<std::string> events;
    std::map<int, std::string> info;
    size_t largestChunk = 0;
    int pumps = 0;
    int64_t last = 0;
    explicit TRecorder(THLWWebCopy& c) {
        c.OnFileDone = [this](int i) { events.push_back("done " + std::to_string(i)); };
        c.OnCopyDone = [this] { events.push_back("copydone"); };
        c.OnError = [this](int i, int code) {
            events.push_back("error " + std::to_string(i) + " " + std::to_string(code));
        };
        c.OnErrorInfo = [this](int i, int, const std::string& text) { info[i] = text; };
        c.OnNoNewFileFound = [this](const std::string& f, TDateTime, TDateTime) {
            events.push_back("nonewer " + f);
        };
        c.OnCopyProgress = [this](int, int64_t, int64_t tot, std::string&) {
            if (tot > last)
                largestChunk = std::max(largestChunk, size_t(tot - last));
            last = tot;
        };
        c.OnFileStart = [this](int i) {
            last = 0;
            events.push_back("start " + std::to_string(i));
        };
        c.EventPump = [this] { ++pumps; };
    }
    bool Has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
};

TEST(WebCopy, DownloadsOfOneRunWithTheirFailures) {
    TWebServer server;
    const std::string dir = test::FreshFolder("downloads");
    struct Row {
        const char* name;
        const char* path;
        const char* user;
        const char* password;
        TWebAuthenticate auth;
        std::string body; // empty: the item fails
        const char* info;
    };
    const std::vector<Row> rows = {
        {"plain", "/demo.qdx", "", "", TWebAuthenticate::waNever, test::ServerPackage(), ""},
        {"redirected", "/redirect", "", "", TWebAuthenticate::waNever, test::ServerPackage(), ""},
        {"authorized", "/secret", "loan", "officer", TWebAuthenticate::waNever, "secret body", ""},
        {"unauthorized", "/secret", "", "", TWebAuthenticate::waNever, "", "Returned http error code 401"},
        {"unauthorized-quiet", "/secret", "", "", TWebAuthenticate::waAlways, "", ""},
        {"missing", "/missing", "", "", TWebAuthenticate::waNever, "", "Returned http error code 404"},
        {"loop", "/loop", "", "", TWebAuthenticate::waNever, "", "Too many redirects (more than 10)"},
        {"huge", "/huge", "", "", TWebAuthenticate::waNever, "", "is larger than 1 GB and was refused"},
        {"empty", "/empty", "", "", TWebAuthenticate::waNever, "", "No data received from"},
        {"in-memory", "/demo.qdx", "", "", TWebAuthenticate::waNever, test::ServerPackage(), ""},
    };
    THLWWebCopy copy;
    TRecorder rec(copy);
    for (const Row& r : rows) {
        THLWWebCopyItem& item = copy.Items.Add();
        item.URL = server.URL(r.path);
        item.HTTPUserID = r.user;
        item.HTTPPassword = r.password;
        item.Authenticate = r.auth;
        if (std::string(r.name) != "in-memory") {
            item.TargetDir = dir + "sub";
            item.TargetFilename = r.name;
        }
    }
    copy.Execute();
    int64_t expectedBytes = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        const THLWWebCopyItem& item = copy.Items[i];
        const std::string file = dir + "sub/" + rows[i].name;
        EXPECT_EQ(item.Succeeded(), !rows[i].body.empty());
        if (item.TargetFilename.empty())
            EXPECT_EQ(item.Stream.View(), rows[i].body);
        else
            EXPECT_EQ(fs::exists(file) ? test::ReadWholeFile(file) : "", rows[i].body);
        EXPECT_EQ(rec.info.count(int(i)) > 0, *rows[i].info != 0);
        EXPECT_NE(rec.info[int(i)].find(rows[i].info), std::string::npos) << rec.info[int(i)];
        // A failed item does not stop the run.
        EXPECT_TRUE(rec.Has("start " + std::to_string(i)) && rec.Has("done " + std::to_string(i)));
        expectedBytes += int64_t(rows[i].body.size());
    }
    EXPECT_TRUE(rec.Has("error 5 404"));
    EXPECT_EQ(rec.events.back(), "copydone");
    EXPECT_EQ(copy.TransferredBytes(), expectedBytes);
    EXPECT_LE(rec.largestChunk, kChunkBytes);
    EXPECT_GT(rec.pumps, 10);
    EXPECT_EQ(PartFiles(dir + "sub"), 0);
    EXPECT_FALSE(copy.IsActive());
}

TEST(WebCopy, NewerOnlyOverwriteAndCancel) {
    TWebServer server;
    const std::string dir = test::FreshFolder("dated");
    const TDateTime serverDate = DateTimeFromTime(1735725600); // Wed, 01 Jan 2025 10:00:00 GMT
    THLWWebCopy copy;
    TRecorder rec(copy);
    bool overwriteAsked = false;
    copy.OnCopyOverWrite = [&](const std::string&, bool& allow) {
        overwriteAsked = true;
        allow = false;
    };
    std::ofstream(dir + "kept.txt") << "old";
    for (TDateTime local : {serverDate, serverDate - 1.0}) {
        THLWWebCopyItem& item = copy.Items.Add();
        item.URL = server.URL("/dated.txt");
        item.CopyNewerOnly = true;
        item.FileDate = local;
        item.TargetDir = dir;
        item.TargetFilename = local == serverDate ? "same.txt" : "newer.txt";
    }
    THLWWebCopyItem& kept = copy.Items.Add();
    kept.URL = server.URL("/demo.qdx");
    kept.TargetDir = dir;
    kept.TargetFilename = "kept.txt";
    copy.Execute();
    EXPECT_TRUE(copy.Items[0].NoNewerFile());
    EXPECT_FALSE(copy.Items[0].Succeeded());
    EXPECT_TRUE(rec.Has("nonewer dated.txt"));
    EXPECT_FALSE(fs::exists(dir + "same.txt"));
    EXPECT_TRUE(copy.Items[1].Succeeded());
    EXPECT_EQ(copy.Items[1].FileDate, serverDate);
    EXPECT_EQ(test::ReadWholeFile(dir + "newer.txt"), "dated body");
    EXPECT_TRUE(overwriteAsked);
    EXPECT_FALSE(copy.Items[2].Succeeded());
    EXPECT_EQ(test::ReadWholeFile(dir + "kept.txt"), "old");

    // Cancelled while the slow body arrives: no file, no temporary file, no further item.
    copy.Items.Clear();
    rec.events.clear();
    for (const char* name : {"slow.bin", "after.bin"}) {
        THLWWebCopyItem& item = copy.Items.Add();
        item.URL = server.URL(std::string(name) == "slow.bin" ? "/slow" : "/demo.qdx");
        item.TargetDir = dir;
        item.TargetFilename = name;
    }
    copy.OnCopyProgress = [&](int, int64_t size, int64_t tot, std::string&) {
        EXPECT_EQ(size, 4096 * 200);
        if (tot >= 8192)
            copy.Cancel();
    };
    copy.Execute();
    EXPECT_TRUE(copy.UserCanceled());
    EXPECT_FALSE(fs::exists(dir + "slow.bin"));
    EXPECT_FALSE(fs::exists(dir + "after.bin"));
    EXPECT_EQ(PartFiles(dir), 0);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"start 0", "copydone"}));
}

TEST(WebCopy, PostUploadGetAndSizeSurvey) {
    TWebServer server;
    const std::string dir = test::FreshFolder("upload");
    std::ofstream(dir + "up.bin") << std::string(10000, 'u');
    THLWWebCopy copy;
    TRecorder rec(copy);
    std::string uploadReply;
    copy.OnCopyProgress = [&](int, int64_t, int64_t, std::string& data) { uploadReply += data; };
    const std::string request = "<Code>PKG</Code>";
    THLWWebCopyItem& post = copy.Items.Add();
    post.URL = server.URL("/webdocs");
    post.Protocol = TWebProtocol::wpHttpPostData;
    post.Stream.Write(request);
    THLWWebCopyItem& broken = copy.Items.Add();
    broken.URL = server.URL("/broken");
    broken.Protocol = TWebProtocol::wpHttpPostData;
    broken.Stream.Write(request);
    THLWWebCopyItem& up = copy.Items.Add();
    up.URL = server.URL("/upload");
    up.Protocol = TWebProtocol::wpHttpUpload;
    up.HTTPCommand = THTTPCommand::hcPut;
    up.TargetDir = dir;
    up.TargetFilename = "up.bin";
    THLWWebCopyItem& get = copy.Items.Add();
    get.URL = server.URL("/any/folder/demo.qdx");
    get.Protocol = TWebProtocol::wpHttpGet2;
    THLWWebCopyItem& ftp = copy.Items.Add();
    ftp.URL = "ftp://127.0.0.1/x";
    ftp.Protocol = TWebProtocol::wpFtp;
    copy.Execute();
    EXPECT_TRUE(post.Succeeded());
    EXPECT_EQ(post.PostData(), request);
    EXPECT_EQ(post.Stream.View(), test::ServerPackage());
    // An error page is never taken for the service's reply.
    EXPECT_FALSE(broken.Succeeded());
    EXPECT_EQ(rec.info[1], "Returned http error code 500");
    EXPECT_TRUE(up.Succeeded());
    EXPECT_NE(uploadReply.find("received 10000 bytes"), std::string::npos);
    EXPECT_TRUE(get.Succeeded());
    EXPECT_EQ(get.Stream.View(), test::ServerPackage());
    EXPECT_FALSE(ftp.Succeeded());

    copy.Items.Clear();
    copy.Items.Add().URL = server.URL("/demo.qdx");
    copy.Items.Add().URL = server.URL("/bytes/5000");
    copy.Items.Add().URL = server.URL("/missing");
    copy.CalculateTotalSize();
    EXPECT_EQ(copy.TotalTransferSize, int64_t(test::ServerPackage().size()) + 5000);
}

TEST(WebCopy, CertificatesAreVerifiedAgainstTheSystemStoreAndOurBundle) {
    const test::TCertificates certs = test::MakeTestCertificates(test::FreshFolder("certs"));
    TWebServer tls(&certs);
    TWebServer plain;
    const std::string port = std::to_string(tls.Port());
    struct Row {
        std::string url, bundle;
        bool ok;
        const char* info;
    };
    const std::vector<Row> rows = {
        {tls.URL("/demo.qdx"), "", false,
         "The certificate of 127.0.0.1 was not accepted: SSL certificate problem"},
        {tls.URL("/demo.qdx"), certs.CA, true, ""},
        {"https://localhost:" + port + "/demo.qdx", certs.CA, false,
         "The certificate of localhost was not accepted"},
        {plain.URL("/to?" + tls.URL("/demo.qdx")), certs.CA, true, ""},
        {tls.URL("/demo.qdx"), certs.CA + ".missing", false, "The trusted certificates cannot be read"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.url + " " + r.bundle);
        THLWWebCopy copy;
        TRecorder rec(copy);
        std::string notFound;
        copy.OnURLNotFound = [&](const std::string& a) { notFound = a; };
        copy.CABundle = r.bundle;
        THLWWebCopyItem& item = copy.Items.Add();
        item.URL = r.url;
        copy.Execute();
        EXPECT_EQ(item.Succeeded(), r.ok);
        EXPECT_EQ(std::string(item.Stream.View()), r.ok ? test::ServerPackage() : "");
        EXPECT_EQ(rec.info[0].rfind(r.info, 0), 0u) << rec.info[0];
        EXPECT_EQ(notFound, r.ok ? "" : r.url);
    }
}

TEST(WebCopy, ProxyCredentialsGoToTheProxyOnly) {
    TWebServer server;
    test::TProxyServer proxy("loan", "proxypw");
    struct Row {
        const char* user;
        const char* password;
        bool ok;
    };
    for (const Row r : {Row{"loan", "proxypw", true}, Row{"loan", "wrong", false}, Row{"", "", false}}) {
        SCOPED_TRACE(r.password);
        THLWWebCopy copy;
        TRecorder rec(copy);
        const TProxySettings settings =
            ProxyFromOptions(true, true, "127.0.0.1", proxy.Address().substr(10), r.user, r.password);
        copy.Proxy = settings.Proxy;
        copy.ProxyUserID = settings.UserID;
        copy.ProxyPassword = settings.Password;
        THLWWebCopyItem& item = copy.Items.Add();
        item.URL = server.URL("/headers");
        copy.Execute();
        EXPECT_EQ(item.Succeeded(), r.ok);
        const std::string seen(item.Stream.View());
        if (r.ok) {
            EXPECT_EQ(seen.rfind("GET /headers HTTP/1.1", 0), 0u) << seen;
            EXPECT_NE(seen.find("tinyproxy"), std::string::npos);
            EXPECT_EQ(seen.find("proxypw"), std::string::npos);
            EXPECT_EQ(seen.find("bG9hbjpwcm94eXB3"), std::string::npos); // Base64 of the credentials
        } else {
            // tinyproxy answers 407 without credentials and 401 with wrong ones.
            EXPECT_EQ(rec.info[0].rfind("Returned http error code 40", 0), 0u) << rec.info[0];
        }
    }
    EXPECT_EQ(ProxyFromOptions(true, true, " proxy.example ", "3128", "u", "p").Proxy, "proxy.example:3128");
    EXPECT_EQ(ProxyFromOptions(true, false, "proxy.example", "3128", "u", "p").Proxy, "");
    EXPECT_EQ(ProxyFromOptions(false, true, "proxy.example", "3128", "u", "p").Proxy, "");
    EXPECT_EQ(ChooseCABundle("/env.pem", "/set.pem"), "/env.pem");
    EXPECT_EQ(ChooseCABundle("", "/set.pem"), "/set.pem");
}

TEST(WebCopy, AddressRules) {
    test::ExpectEach(FileNameFromAddress, {{"http://h/a/b.qdx", "b.qdx"},
                                           {"https://h:8443/a/x%20y.qdx?q=/z#f", "x y.qdx"},
                                           {"http://h/a/..%2F..%2Fetc%2Fpasswd", ""},
                                           {"http://h/a/%2e%2e", ""},
                                           {"http://h/a/..", ""},
                                           {"http://h/a/%5Cx", ""},
                                           {"http://h/a/", ""},
                                           {"http://h", ""}});
    test::ExpectEach<int>(AddressPort,
                          {{"https://h/x", 443}, {"HTTP://h/x", 80}, {"http://u:p@h:8080/x", 8080}});
    EXPECT_EQ(AddressHost("http://u:p@h:8080/x"), "h");
    // Credentials never reach a message; nothing else of the address changes.
    test::ExpectEach(AddressForDisplay, {{"https://loan:s3cret@h:8443/a@b/c?d@e", "https://h:8443/a@b/c?d@e"},
                                         {"http://user@h/x", "http://h/x"},
                                         {"http://a:b@c@h", "http://h"},
                                         {"user:pw@proxy:3128", "proxy:3128"},
                                         {"https://h/path@x", "https://h/path@x"},
                                         {"http://h?q=a@b", "http://h?q=a@b"},
                                         {"", ""}});
    EXPECT_EQ(TargetPath("d", "f"), "d/f");
    EXPECT_EQ(TargetPath("d\\", "f"), "d\\f");
    EXPECT_EQ(TargetPath("", "f"), "f");
    EXPECT_EQ(TargetPath("d", ""), "d");
}

TEST(WebCopy, ConnectionStateAndRetryPrompt) {
    std::vector<bool> online = {false, true};
    size_t next = 0;
    SetOnlineQuery([&] { return next < online.size() ? bool(online[next++]) : false; });
    TRecordingPrompter prompter;
    prompter.QueueAnswer(PromptAnswer::Retry);
    EXPECT_EQ(CheckConnection(false, "trying to retrieve a program update."), kOnline);
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Caption, "Confirm");
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::RetryCancel);
    EXPECT_NE(prompter.Entries()[0].Text.find(
                  "internet \n\ntrying to retrieve a program update.\n\nIf you have a dial-up"),
              std::string::npos);
    online = {false, false};
    next = 0;
    prompter.QueueAnswer(PromptAnswer::Retry);
    prompter.QueueAnswer(PromptAnswer::Cancel);
    EXPECT_EQ(CheckConnection(false, "x"), kNotOnline);
    EXPECT_EQ(prompter.Entries().size(), 3u);
    std::string type;
    online = {true};
    next = 0;
    EXPECT_TRUE(GetConnectionType(type));
    EXPECT_EQ(type, "LAN");
    online = {false};
    next = 0;
    EXPECT_TRUE(GetConnectionType(type, "proxy:3128"));
    EXPECT_EQ(type, "Proxy");
    SetOnlineQuery({});
    EXPECT_TRUE(std::regex_match(GetWinInetVersion(), std::regex(R"(\d+\.\d+)")));
}

} // namespace
} // namespace pg
