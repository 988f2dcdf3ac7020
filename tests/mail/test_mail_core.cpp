// The mail core against a real SMTP server (aiosmtpd): what arrives is read back by Python's
// email package; refusals, STARTTLS with AUTH, and the text rules of a message.

#include "MailSession.h"
#include "Pop3TestServer.h"
#include "SmtpTestServer.h"

#include "PGRegistry.h"

#include "TestTables.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

namespace pg {
namespace {

using test::TSmtpTestServer;

TMailSetup LocalSetup(int port) {
    TMailSetup s;
    s.Host = " 127.0.0. 1"; // blanks are removed from the host
    s.Port = std::to_string(port);
    s.FromName = "Loan Desk";
    s.EmailAddr = "desk@lender.example";
    s.AutomaticEmailCC = "audit@lender.example";
    return s;
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

TEST(MailText, RecipientsAddressesBodyAndAnnotationCopy) {
    using V = std::vector<std::string>;
    EXPECT_EQ(EmailRecipients("a@x.com; b@x.com", "  ", "auto@x.com"),
              (V{"a@x.com", "b@x.com", "auto@x.com"}));
    EXPECT_EQ(EmailRecipients("a@x.com", "auto@x.com", "auto@x.com"),
              (V{"a@x.com", "auto@x.com", "auto@x.com"}));
    EXPECT_EQ(EmailRecipients("a@x.com;", "", ""), (V{"a@x.com", ""}));

    for (const char* bad : {"a@x.com\r\nBcc: e@x.com", "a b@x.com", "<a@x.com>", "a@x.com,e@x.com", "ax.com",
                            "@x.com", "a@", "a@b@c", "a@x.com>\r\nRCPT TO:<e@x.com"})
        EXPECT_FALSE(IsSafeAddress(bad)) << bad;
    EXPECT_TRUE(IsSafeAddress("first.last+tag@sub.example.com"));
    EXPECT_EQ(CleanSubject("Docs\r\nBcc: e@x.com"), "DocsBcc: e@x.com");
    EXPECT_EQ(EncodeHeaderWord("plain"), "plain");
    EXPECT_EQ(EncodeHeaderWord("caf\xE9"), "=?iso-8859-1?B?Y2Fm6Q==?=");
    EXPECT_TRUE(std::regex_match(
        MailDate(0), std::regex(R"([A-Z][a-z]{2}, \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4})")));
    EXPECT_NE(NewMessageId("a@x.com"), NewMessageId("a@x.com"));
    EXPECT_TRUE(std::regex_match(NewMessageId("a@x.com"), std::regex(R"(<[0-9a-f.]+@x\.com>)")));

    EXPECT_EQ(EmailBodyFromStored("Corvane<CRLF>Cor*vane viewer"), "Pagellan\r\nPagellan viewer");
    EXPECT_EQ(EmailBodyFromStored("  "), "  ");
    PGRegistry::SetEmailMessage("Use Corvane<CRLF>now");
    EXPECT_EQ(GetEmailBodyMessageFromRegistry(), "Use Pagellan\r\nnow");

    EXPECT_EQ(DisableAnnotationsInQuodex("WS,1;CanAnnotate,Y;x:rest:more"), "WS,1;x;CanAnnotate,N:rest:more");
    EXPECT_EQ(DisableAnnotationsInQuodex("no header"), "no header");

    EXPECT_EQ(MailPercent(0, 0), 0);
    EXPECT_EQ(MailPercent(1, 3), 33);
    EXPECT_EQ(MailPercent(5, 3), 100);
    EXPECT_EQ(MailFailureText(502, "MAIL failed: 502", ""), "Invalid POP3 Address");
    EXPECT_EQ(MailFailureText(521, "x", ""), "Incorrect POP3 User ID");
    EXPECT_EQ(MailFailureText(451, " ", "451 try later"), "451 try later");
}

TEST(MailSmtp, DeliversMessageAndReusesTheSession) {
    TSmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    test::TTempFolder files("pagellan-mail-files");
    const std::string big = RandomBytes(3 << 20, 7);
    const std::string binary("\0\r\n.\r\nQUIT\r\n\xff", 13); // dot-stuffing and line ends survive
    const std::string a = files.File("WS123.QDX", big), b = files.File("notes.bin", binary);

    TMailSession session;
    std::vector<int> percents;
    std::vector<std::string> lines;
    session.OnProgress = [&](int p) { percents.push_back(p); };
    session.OnDisplay = [&](const std::string& l) { lines.push_back(l); };
    int pumps = 0;
    session.Pump = [&] { ++pumps; };
    TMailDraft draft{"first@x.example; second@x.example;",
                     "",
                     "Documents for #123\r\nBcc: evil@x.example caf\xE9",
                     {"Hello caf\xE9", "second line"},
                     {a, b}};
    const TMailSetup setup = LocalSetup(server.Port());
    TMailResult r = session.Send(setup, draft);
    ASSERT_EQ(r.Outcome, TMailOutcome::Sent) << r.Text;
    EXPECT_EQ(r.Text, "Email sent");
    EXPECT_GT(pumps, 0);

    const auto m = server.Message(1);
    EXPECT_EQ(TSmtpTestServer::All(m, "rcpt"),
              (std::vector<std::string>{"first@x.example", "second@x.example", "audit@lender.example"}));
    test::ExpectEach([&](const std::string& key) { return TSmtpTestServer::One(m, key); },
                     {{"from", "desk@lender.example"},
                      {"header-subject", "Documents for #123Bcc: evil@x.example caf\u00e9"},
                      {"header-to", "first@x.example, second@x.example"},
                      {"header-from", "Loan Desk <desk@lender.example>"},
                      {"body-type", "text/plain"},
                      {"body-charset", "iso-8859-1"},
                      {"body", "Hello caf\u00e9\\r\\nsecond line"}});
    for (const char* key : {"header-date", "header-message-id"})
        EXPECT_FALSE(TSmtpTestServer::One(m, key).empty()) << key;
    const auto parts = TSmtpTestServer::All(m, "attachment");
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(test::ReadWholeFile(parts[0]), big);
    EXPECT_EQ(test::ReadWholeFile(parts[1]), binary);
    using V = std::vector<std::string>;
    test::ExpectEach<V>([&](const std::string& key) { return TSmtpTestServer::All(m, key); },
                        {{"attachment-name", {"WS123.QDX", "notes.bin"}},
                         {"attachment-filename", {"WS123.QDX", "notes.bin"}},
                         {"attachment-type", V(2, "application/octet-stream")},
                         {"attachment-disposition", V(2, "attachment")},
                         {"attachment-encoding", V(2, "base64")}});

    // The bar moves from 0 to 100 and never back.
    ASSERT_GE(percents.size(), 3u);
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MAIL FROM:<desk@lender.example>"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "RCPT TO:<audit@lender.example>"), lines.end());

    // A second send goes over the same connection; after Close the next one opens a new one.
    draft.Attachments = {b};
    ASSERT_EQ(session.Send(setup, draft).Outcome, TMailOutcome::Sent);
    EXPECT_EQ(TSmtpTestServer::One(server.Message(2), "peer-port"), TSmtpTestServer::One(m, "peer-port"));
    EXPECT_EQ(session.Smtp().ConnectionsOpened(), 1);
    session.Close();
    EXPECT_FALSE(session.Smtp().Connected());
    ASSERT_EQ(session.Send(setup, draft).Outcome, TMailOutcome::Sent);
    EXPECT_NE(TSmtpTestServer::One(server.Message(3), "peer-port"), TSmtpTestServer::One(m, "peer-port"));
}

TEST(MailSmtp, RefusalsAndBadInputGiveTheirMessages) {
    struct Row {
        const char* Reply;
        std::string Text;
        bool StatusWindow;
    };
    for (const Row& row : {Row{"502 POP3 address unknown", "Invalid POP3 Address", false},
                           Row{"521 user id unknown", "Incorrect POP3 User ID", false},
                           Row{"550 mailbox unavailable", "MAIL failed: 550", true}}) {
        TSmtpTestServer server({"--mail-reply", row.Reply});
        ASSERT_GT(server.Port(), 0);
        TMailSession session;
        const TMailResult r = session.Send(LocalSetup(server.Port()), {"a@x.example", "", "s", {"b"}, {}});
        EXPECT_EQ(r.Outcome, TMailOutcome::Refused) << row.Reply;
        EXPECT_EQ(r.Text, row.Text);
        EXPECT_EQ(r.StatusWindow, row.StatusWindow);
        EXPECT_FALSE(session.Sending());
        EXPECT_EQ(server.MessageCount(), 0u);
    }

    TSmtpTestServer server;
    TMailSession session;
    const TMailSetup setup = LocalSetup(server.Port());
    struct Bad {
        std::string To, CC, Field;
    };
    for (const Bad& bad : {Bad{"nobody", "", "TO"}, Bad{"a@x.example\r\nRCPT TO:<e@x.example>", "", "TO"},
                           Bad{"a@x.example;b c@x.example", "", "TO"}, Bad{"a@x.example", "cc", "CC"},
                           Bad{"a@x.example", "c@x.example>,e@x.example", "CC"}}) {
        const TMailResult r = session.Send(setup, {bad.To, bad.CC, "s", {"b"}, {}});
        EXPECT_EQ(r.Outcome, TMailOutcome::InvalidAddress) << bad.To << bad.CC;
        EXPECT_EQ(r.Text, "Invalid email address");
        EXPECT_EQ(r.Field, bad.Field);
    }
    EXPECT_FALSE(session.Smtp().Connected()); // refused before any connection

    const TMailResult gone = session.Send(setup, {"a@x.example", "", "s", {"b"}, {"/nonexistent/file.qdx"}});
    EXPECT_EQ(gone.Outcome, TMailOutcome::SmtpError);
    EXPECT_EQ(gone.Text, "SMTP error. Email not sent");

    // A POP3 host of blanks means no POP3 connection; one that cannot be reached stops the send.
    TMailSetup blanks = setup;
    blanks.POP3Host = "   ";
    TMailSession plainSession;
    EXPECT_EQ(plainSession.Send(blanks, {"a@x.example", "", "s", {"b"}, {}}).Outcome, TMailOutcome::Sent);
    EXPECT_FALSE(plainSession.Pop3().Connected());
    TMailSetup noPop3 = setup;
    noPop3.POP3Host = "127.0.0.1";
    noPop3.POP3Port = 1; // nothing listens there
    TMailSession pop3Session;
    const TMailResult pop3 = pop3Session.Send(noPop3, {"a@x.example", "", "s", {"b"}, {}});
    EXPECT_EQ(pop3.Outcome, TMailOutcome::NoPop3Connection);
    EXPECT_EQ(pop3.Text, "Unable to make POP3 connection");
    EXPECT_EQ(server.MessageCount(), 1u);

    TMailSetup nowhere = setup;
    nowhere.Port = "1"; // nothing listens there
    TMailSession other;
    const TMailResult r = other.Send(nowhere, {"a@x.example", "", "s", {"b"}, {}});
    EXPECT_EQ(r.Outcome, TMailOutcome::NoSmtpConnection);
    EXPECT_EQ(r.Text, "Email NOT sent.  Invalid outgoing (SMTP) address.");
    EXPECT_EQ(server.MessageCount(), 1u);
}

TEST(MailSmtp, Pop3LogInIsAConnectionOnlyAndIsKept) {
    TSmtpTestServer server;
    test::TPop3TestServer pop3;
    ASSERT_TRUE(pop3.Answers());
    TMailSetup setup = LocalSetup(server.Port());
    setup.POP3Host = " 127.0.0.1 ";
    setup.POP3Port = pop3.Port();
    setup.POP3UserID = "loanuser";
    std::vector<std::string> lines;
    TMailSession session;
    session.OnDisplay = [&](const std::string& l) { lines.push_back(l); };
    ASSERT_EQ(session.Send(setup, {"a@x.example", "", "s", {"b"}, {}}).Outcome, TMailOutcome::Sent);
    EXPECT_TRUE(session.Pop3().Connected());
    EXPECT_EQ(lines.front(), "+OK Dovecot (Debian) ready.");
    ASSERT_EQ(session.Send(setup, {"a@x.example", "", "s", {"b"}, {}}).Outcome, TMailOutcome::Sent);
    EXPECT_EQ(session.Pop3().ConnectionsOpened(), 1);
    bool closed = false;
    session.Pop3().Events.SessionClosed = [&] { closed = true; };
    session.Close();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(session.Pop3().Connected());
    EXPECT_EQ(server.MessageCount(), 2u);
    // The server saw one connection that never tried to log in.
    const std::string log = pop3.Log("Disconnected");
    EXPECT_NE(log.find("(no auth attempts"), std::string::npos) << log;
    EXPECT_EQ(log.find("Login:"), std::string::npos) << log;
}

TEST(MailSmtp, StartTlsWithLoginAndNoPasswordInClear) {
    test::TTempFolder certs("pagellan-mail-tls");
    const auto [cert, key] = test::MakeTestCertificate(certs);
    ASSERT_FALSE(cert.empty());
    TSmtpTestServer secure({"--tls", cert, key, "--auth", "loanuser:s3cret-pw"});
    ASSERT_GT(secure.Port(), 0);
    TMailSetup setup = LocalSetup(secure.Port());
    setup.POP3UserID = "loanuser";
    setup.Password = "s3cret-pw";
    setup.CABundle = cert;
    std::string shown;
    {
        TMailSession session;
        session.OnDisplay = [&](const std::string& l) { shown += l + "\n"; };
        const TMailResult r = session.Send(setup, {"a@x.example", "", "secure", {"b"}, {}});
        ASSERT_EQ(r.Outcome, TMailOutcome::Sent) << r.Text << "\n" << shown;
        EXPECT_TRUE(session.Smtp().Encrypted());
    }
    EXPECT_EQ(TSmtpTestServer::One(secure.Message(1), "tls"), "yes");
    EXPECT_EQ(TSmtpTestServer::All(secure.Message(1), "rcpt"),
              (std::vector<std::string>{"a@x.example", "audit@lender.example"}));
    EXPECT_NE(shown.find("STARTTLS"), std::string::npos);
    EXPECT_EQ(shown.find("s3cret"), std::string::npos);
    EXPECT_EQ(shown.find(EncodeBase64(std::string("\0loanuser\0s3cret-pw", 19))), std::string::npos);

    // A server that wants a log-in without offering encryption never sees the password.
    TSmtpTestServer plain({"--auth", "loanuser:s3cret-pw"});
    setup = LocalSetup(plain.Port());
    setup.POP3UserID = "loanuser";
    setup.Password = "s3cret-pw";
    std::string plainShown;
    TMailSession session;
    session.OnDisplay = [&](const std::string& l) { plainShown += l + "\n"; };
    const TMailResult r = session.Send(setup, {"a@x.example", "", "s", {"b"}, {}});
    EXPECT_EQ(r.Outcome, TMailOutcome::Refused);
    EXPECT_EQ(plainShown.find("AUTH ****"), std::string::npos) << plainShown;
    EXPECT_EQ(plainShown.find("s3cret"), std::string::npos);
    EXPECT_FALSE(session.Smtp().Encrypted());
    EXPECT_EQ(plain.MessageCount(), 0u);
}

} // namespace
} // namespace pg
