// pagellan-cli mail against a real SMTP server: the demo package arrives as the attachment the
// Email command writes, in each format, with the warning confirmed only by --yes.

#include "SmtpTestServer.h"

#include "HLWRegistry.h"
#include "PackageFile.h"
#include "PdfMarks.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <stdlib.h>

namespace pg {
namespace {

using test::TSmtpTestServer;

struct TCliMail : ::testing::Test {
    test::TTempFolder temp{"pagellan-cli-mail"};
    void Configure(int port) {
        ::setenv("PAGELLAN_SETTINGS_DIR", temp.Path("settings").c_str(), 1);
        THLWRegistry settings(temp.Path("settings"));
        settings.WriteString("Host", "127.0.0.1");
        settings.WriteString("Port", std::to_string(port));
        settings.WriteString("From Name", "Loan Desk");
        settings.WriteString("Email Addr", "desk@lender.example");
    }
    test::TCommandRun Mail(const std::string& arguments) {
        return test::RunCommand(std::string(PAGELLAN_CLI) + " mail " + PAGELLAN_SOURCE_DIR +
                                "/samples/demo.qdx " + arguments + " 2>" + temp.Path("err"));
    }
    std::string Err() const { return test::ReadWholeFile(temp.Path("err")); }
};

TEST_F(TCliMail, DeliversTheDemoPackageInEachFormat) {
    TSmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    Configure(server.Port());
    const auto demo = LoadPackageFile(PAGELLAN_SOURCE_DIR "/samples/demo.qdx");
    const std::string ws = demo->WorksheetNumber;

    // Without --yes: the warning, and nothing sent.
    auto run = Mail("--to a@example.com");
    EXPECT_EQ(run.Status, 1);
    test::ExpectContains(
        run.Out, {"Emailing documents using Pagellan is NOT secure", "Do you wish to continue anyway?"});
    EXPECT_EQ(server.MessageCount(), 0u);

    run = Mail("--to 'a@example.com; b@example.com' --cc c@example.com --yes");
    ASSERT_EQ(run.Status, 0) << Err();
    EXPECT_NE(run.Out.find("Email sent"), std::string::npos);
    auto m = server.Message(1);
    EXPECT_EQ(TSmtpTestServer::All(m, "rcpt"),
              (std::vector<std::string>{"a@example.com", "b@example.com", "c@example.com"}));
    EXPECT_EQ(TSmtpTestServer::One(m, "header-subject"), "Documents for #" + ws);
    EXPECT_EQ(TSmtpTestServer::One(m, "attachment-filename"), ws + ".QDX");
    const std::string copy = test::ReadWholeFile(TSmtpTestServer::One(m, "attachment"));
    const std::string header = copy.substr(0, copy.find(':'));
    EXPECT_TRUE(header.size() > 13 && header.substr(header.size() - 13) == "CanAnnotate,N") << header;
    EXPECT_EQ(header.find("CanAnnotate"), header.size() - 13);
    const std::string back = temp.File("back.qdx", copy);
    EXPECT_EQ(LoadPackageFile(back)->FormCount(), demo->FormCount());

    // One selected form; the other formats.
    ASSERT_EQ(Mail("--to a@example.com --selected 2 --subject 'Form two' --yes").Status, 0) << Err();
    m = server.Message(2);
    EXPECT_EQ(TSmtpTestServer::One(m, "header-subject"), "Form two");
    EXPECT_EQ(
        LoadPackageFile(temp.File("two.qdx", test::ReadWholeFile(TSmtpTestServer::One(m, "attachment"))))
            ->FormCount(),
        1u);
    ASSERT_EQ(Mail("--to a@example.com --format pdf --yes").Status, 0) << Err();
    EXPECT_EQ(TSmtpTestServer::One(server.Message(3), "attachment-filename"), ws + ".PDF");
    const std::string pdf = TSmtpTestServer::One(server.Message(3), "attachment");
    EXPECT_EQ(test::ReadWholeFile(pdf).substr(0, 5), "%PDF-");
    // Bookmarks as the tree shows the package.
    if (!demo->PlanCode.empty() && !demo->Reordered)
        demo->ReorderForms();
    TDocTree tree;
    tree.Build(*demo, [](const std::string&) { return 0; });
    EXPECT_EQ(test::ReadPdfMarks(pdf), test::TreeMarks(tree, [](const TDocSetForm&) { return true; }));
    ASSERT_EQ(Mail("--to a@example.com --format tsn --body 'See attached.' --yes").Status, 0) << Err();
    m = server.Message(4);
    EXPECT_EQ(TSmtpTestServer::One(m, "attachment-filename"), ws + ".TSN");
    EXPECT_EQ(TSmtpTestServer::One(m, "body"), "See attached.");
    EXPECT_EQ(
        LoadPackageFile(temp.File("back.tsn", test::ReadWholeFile(TSmtpTestServer::One(m, "attachment"))))
            ->FormCount(),
        demo->FormCount());

    // Refusals: a bad address, a form number out of range.
    run = Mail("--to 'a@example.com>,evil@example.com' --yes");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(Err().find("Invalid email address"), std::string::npos);
    EXPECT_EQ(Mail("--to a@example.com --selected 999 --yes").Status, 2);
    EXPECT_EQ(server.MessageCount(), 4u);
}

TEST_F(TCliMail, ServerRefusalsPrintTheirMessages) {
    for (const auto& [reply, text] : {std::pair<std::string, std::string>{"502 no", "Invalid POP3 Address"},
                                      {"521 no", "Incorrect POP3 User ID"}}) {
        TSmtpTestServer server({"--mail-reply", reply});
        Configure(server.Port());
        EXPECT_EQ(Mail("--to a@example.com --yes").Status, 1);
        EXPECT_NE(Err().find(text), std::string::npos) << Err();
    }
    Configure(1); // nothing listens there
    EXPECT_EQ(Mail("--to a@example.com --yes").Status, 1);
    EXPECT_NE(Err().find("Email NOT sent.  Invalid outgoing (SMTP) address."), std::string::npos);
}

} // namespace
} // namespace pg
