// The e-mail commands of the main window with the warning and the Email dialog, offscreen,
// against a real SMTP server: what the user types arrives, bad addresses and server refusals
// give their messages, the histories are kept and the copy is removed on close.

#include "CommandLine.h"
#include "HLWMsgDialog.h"
#include "HLWRegistry.h"
#include "Main.h"
#include "Options.h"
#include "PGRegistry.h"
#include "Prompt.h"
#include "SMTP.h"
#include "ScanPlugin.h"
#include "SmtpTestServer.h"

#include "QtTestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace pg;
namespace fs = std::filesystem;

namespace {

fs::path TestDir() {
    static const fs::path dir = test::ProcessFolder("pg-mail-window");
    return dir;
}

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"temp", "history"}, [] {
        ::setenv("TEMP", (TestDir() / "temp").c_str(), 1);
        PGRegistry::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
    }));

// Runs f on the next visible modal window of type T.
template <class T> void WhenModal(std::function<void(T*)> f) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, f] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal == nullptr || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        f(modal);
    });
    poll->start(10);
}

void Configure(int port) {
    PGRegistry::SetEmailClient(0);
    PGRegistry::SetHost("127.0.0.1");
    PGRegistry::SetPort(std::to_string(port));
    PGRegistry::SetFromName("Loan Desk");
    PGRegistry::SetEmailAddr("desk@lender.example");
    PGRegistry::SetAutomaticEmailCC("audit@lender.example");
    PGRegistry::SetEmailDocumentFormat(0);
}

// Email All with the warning confirmed; the dialog gets the addresses and is sent (each entry
// of tries is one click on Send with that TO text), then closed.
void EmailAll(TfrmMain& main, const std::vector<std::string>& tries,
              std::vector<std::string>* attachments = nullptr, QAction* command = nullptr) {
    WhenModal<TfrmHLWMsgDialog>([tries, attachments, command](TfrmHLWMsgDialog* warning) {
        EXPECT_EQ(warning->windowTitle(), "Warning");
        EXPECT_NE(warning->memoText->toPlainText().indexOf("Click Here."), -1);
        WhenModal<TfrmSMTP>([tries, attachments, command](TfrmSMTP* dialog) {
            if (attachments)
                *attachments = dialog->Attachments();
            EXPECT_EQ(dialog->rgDataFormat->isVisible(), command == nullptr) << "no format choice for a scan";
            emit dialog->cbxCC->lineEdit()->editingFinished(); // leaving the CC field keeps its text
            for (const std::string& to : tries) {
                dialog->cbxTo->setEditText(QString::fromStdString(to));
                dialog->btnSend->click();
            }
            dialog->reject();
        });
        warning->btnOK->click();
    });
    (command ? command : main.actEmailAll)->trigger();
}

TEST(MailWindow, EmailAllSendsThroughTheDialogWithItsMessages) {
    TRecordingPrompter prompter;
    test::TSmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    Configure(server.Port());
    PGRegistry::SetHost(" ");
    SetCommandLine({std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx"});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    const std::string ws = EmailDocumentName(main.DocSet()->WorksheetNumber);

    // Incomplete settings: the question, and nothing else happens.
    prompter.QueueAnswer(PromptAnswer::No);
    main.actEmailAll->trigger();
    ASSERT_EQ(prompter.Texts(),
              std::vector<std::string>{"Your email settings must be completed before you may "
                                       "continue.  Do you wish to set this up now?"});
    EXPECT_EQ(main.frmSMTP, nullptr);
    prompter.Clear();

    // Yes opens the options dialog on the blank host; cancelling it stops the command too.
    prompter.QueueAnswer(PromptAnswer::Yes);
    QString focused;
    QTimer::singleShot(0, [&] {
        auto* options = qApp->findChild<TfrmOptions*>();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!options)
                options = qobject_cast<TfrmOptions*>(w);
        ASSERT_NE(options, nullptr);
        // The dialog focuses its field once it runs.
        QTimer::singleShot(0, options, [&, options] {
            if (QWidget* f = options->focusWidget())
                focused = f->objectName();
            options->reject();
        });
    });
    main.actEmailAll->trigger();
    EXPECT_EQ(focused, "edSMTPHost");
    EXPECT_EQ(main.frmSMTP, nullptr);
    prompter.Clear();

    PGRegistry::SetHost("127.0.0.1");
    std::vector<std::string> attachments;
    EmailAll(main, {"nobody", "first@x.example; second@x.example"}, &attachments);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Invalid email address", "Email sent"}));
    const std::string copy = (TestDir() / "temp" / (ws + ".QDX")).string();
    EXPECT_EQ(attachments, std::vector<std::string>{copy});
    ASSERT_EQ(server.MessageCount(), 1u);
    const auto m = server.Message(1);
    // The CC field keeps the automatic address it was given, which is also always added.
    EXPECT_EQ(test::TSmtpTestServer::All(m, "rcpt"),
              (std::vector<std::string>{"first@x.example", "second@x.example", "audit@lender.example",
                                        "audit@lender.example"}));
    EXPECT_EQ(test::TSmtpTestServer::One(m, "header-subject"),
              "Documents for #" + main.DocSet()->WorksheetNumber);
    EXPECT_EQ(test::TSmtpTestServer::One(m, "attachment-filename"), ws + ".QDX");
    const std::string sent = test::ReadWholeFile(test::TSmtpTestServer::One(m, "attachment"));
    EXPECT_NE(sent.substr(0, sent.find(':')).find("CanAnnotate,N"), std::string::npos);
    EXPECT_FALSE(fs::exists(copy)) << "the copy is removed when the dialog closes";
    EXPECT_EQ(Registry().ReadSubKeyString("\\EMAIL-TO", "0", ""), "first@x.example; second@x.example");
    EXPECT_EQ(Registry().ReadSubKeyString("\\EMAIL-CC", "0", ""), "audit@lender.example");

    // A server that refuses the mail request with 502.
    prompter.Clear();
    test::TSmtpTestServer refusing({"--mail-reply", "502 no"});
    PGRegistry::SetPort(std::to_string(refusing.Port()));
    EmailAll(main, {"first@x.example"});
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Invalid POP3 Address"});
    EXPECT_EQ(refusing.MessageCount(), 0u);
}

TEST(MailWindow, ScanAndEmailSendsTheScannedFile) {
    TRecordingPrompter prompter;
    test::TSmtpTestServer server;
    Configure(server.Port());
    const fs::path fill = TestDir() / "fill";
    fs::create_directories(fill);
    PGRegistry::SetFillDir(fill.string());
    test::WriteWholeFile(fill / "scan1.tif", std::string("II*\0scanned", 11));
    SetCommandLine({});
    TfrmMain main;
    LoadScanPlugin(SCAN_PLUGIN_DIR);
    ASSERT_TRUE(ScanPluginLoaded());
    std::vector<std::string> attachments;
    EmailAll(main, {"scan@x.example"}, &attachments, main.actScanNEmail);
    UnloadScanPlugin();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Email sent"});
    EXPECT_EQ(attachments, std::vector<std::string>{(fill / "scan1.tif").string()});
    ASSERT_EQ(server.MessageCount(), 1u);
    const auto m = server.Message(1);
    EXPECT_EQ(test::TSmtpTestServer::One(m, "header-subject"), "Scanned documents");
    EXPECT_EQ(test::ReadWholeFile(test::TSmtpTestServer::One(m, "attachment")),
              std::string("II*\0scanned", 11));
}

} // namespace
