// The e-mail commands of the main window with the warning and the Email dialog, offscreen,
// against a real SMTP server: what the user types arrives, bad addresses and server refusals
// give their messages, the histories are kept; each format's attachment is written fresh into a
// private folder of the mailing, whatever another user planted in the shared temporary folder,
// and goes with the mailing, also on the desktop mail program's route; the dialog outlives the
// package it was given.

#include "CommandLine.h"
#include "HLWMsgDialog.h"
#include "HLWRegistry.h"
#include "Main.h"
#include "Options.h"
#include "PGRegistry.h"
#include "PrinterDlg.h"
#include "Prompt.h"
#include "SMTP.h"
#include "ScanPlugin.h"
#include "SmtpTestServer.h"
#include "Strings.h"
#include "WorkFolder.h"

#include "QtTestEnvironment.h"
#include "SharedFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <regex>

using namespace pg;
namespace fs = std::filesystem;

namespace {

fs::path TestDir() {
    static const fs::path dir = test::ProcessFolder("pg-mail-window");
    return dir;
}

fs::path SharedDir() {
    return TestDir() / "temp";
}

// The temporary folder is a shared one; work folders go to the user's cache folder.
const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TQtTestEnvironment(TestDir(), {"temp", "history"}, [] {
        test::UsePrivateDesktop(TestDir());
        ::setenv("TEMP", SharedDir().c_str(), 1);
        PGRegistry::SetQuodexHistoryDir((TestDir() / "history").string() + "/");
    }));

const std::string kDemo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";

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
// of tries is one click on Send with that TO text), then closed. inspect sees the dialog first.
void EmailAll(TfrmMain& main, const std::vector<std::string>& tries,
              std::vector<std::string>* attachments = nullptr, QAction* command = nullptr,
              std::function<void(TfrmSMTP*)> inspect = {}) {
    WhenModal<TfrmHLWMsgDialog>([tries, attachments, command, inspect](TfrmHLWMsgDialog* warning) {
        EXPECT_EQ(warning->windowTitle(), "Warning");
        EXPECT_NE(warning->memoText->toPlainText().indexOf("Click Here."), -1);
        WhenModal<TfrmSMTP>([tries, attachments, command, inspect](TfrmSMTP* dialog) {
            if (inspect)
                inspect(dialog);
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
    ASSERT_EQ(attachments.size(), 1u);
    const std::string copy = attachments[0];
    EXPECT_EQ(fs::path(copy).filename(), ws + ".QDX");
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
    EXPECT_FALSE(fs::exists(fs::path(copy).parent_path()))
        << "the mailing's folder goes when the dialog closes";
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

// A new user mails the package to a server on a port of its own using only the windows: the
// question, the options' "Mail Server" page with its port, the warning, the Email dialog, which
// closes once the mail is sent; Cancel closes it without sending.
TEST(MailWindow, NewUserSetsUpMailOnAnotherPortAndSends) {
    TRecordingPrompter prompter;
    test::TSmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    for (const char* key : {"Host", "Port", "From Name", "Email Addr", "AutomaticEmailCC"})
        Registry().DeleteValue(key);
    PGRegistry::SetEmailClient(0);
    SetCommandLine({kDemo});
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    prompter.QueueAnswer(PromptAnswer::Yes);
    bool sent = false, closedAfterSend = false;
    WhenModal<TfrmOptions>([&](TfrmOptions* options) {
        EXPECT_EQ(options->pcEmail->currentWidget(), options->tsMailServer);
        EXPECT_EQ(options->edPort->text(), "25");
        options->edSMTPHost->setText("127.0.0.1");
        options->edPort->setText(QString::number(server.Port()));
        options->edFromName->setText("Ann Lender");
        options->edFromEmailAddr->setText("ann@lender.example");
        WhenModal<TfrmHLWMsgDialog>([&](TfrmHLWMsgDialog* warning) {
            WhenModal<TfrmSMTP>([&](TfrmSMTP* dialog) {
                ASSERT_TRUE(dialog->btnCancel->isVisible());
                dialog->cbxTo->setEditText("closer@title.example");
                dialog->btnSend->click();
                sent = true;
                closedAfterSend = !dialog->isVisible();
                if (dialog->isVisible())
                    dialog->reject();
            });
            warning->btnOK->click();
        });
        options->OKBtn->click();
    });
    main.actEmailAll->trigger();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(closedAfterSend);
    EXPECT_EQ(PGRegistry::Port(), std::to_string(server.Port()));
    ASSERT_EQ(server.MessageCount(), 1u);
    EXPECT_EQ(test::TSmtpTestServer::All(server.Message(1), "rcpt"),
              std::vector<std::string>{"closer@title.example"});
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"Your email settings must be completed before you may "
                                        "continue.  Do you wish to set this up now?",
                                        "Email sent"}));

    // Cancel: the dialog closes, nothing is sent.
    bool cancelled = false;
    WhenModal<TfrmHLWMsgDialog>([&](TfrmHLWMsgDialog* warning) {
        WhenModal<TfrmSMTP>([&](TfrmSMTP* dialog) {
            dialog->cbxTo->setEditText("nobody@title.example");
            dialog->btnCancel->click();
            cancelled = !dialog->isVisible();
        });
        warning->btnOK->click();
    });
    main.actEmailAll->trigger();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(server.MessageCount(), 1u);
}

// A connection that fails says why: an address where nothing answers is the SMTP address (and
// the options open on it), a server whose certificate is not trusted says so. Neither keeps
// the recipients in the histories, which only a server that greeted does. Scan and Email asks
// for incomplete mail settings before it offers to fetch the plug-in.
TEST(MailWindow, ConnectionFailuresSayWhyAndKeepNothing) {
    TRecordingPrompter prompter;
    test::TTempFolder certs("pagellan-mail-untrusted");
    const auto [cert, key] = test::MakeTestCertificate(certs);
    ASSERT_FALSE(cert.empty());
    test::TSmtpTestServer untrusted({"--tls", cert, key, "--auth", "loanuser:pw"});
    int closedPort = 0;
    {
        test::TSmtpTestServer gone;
        closedPort = gone.Port();
    }
    SetCommandLine({kDemo});
    TfrmMain main;
    const struct {
        const char* Name;
        int Port;
        std::string Says;
        bool OptionsOpen;
    } rows[] = {
        {"nothing listening", closedPort, "Email NOT sent.  Invalid outgoing (SMTP) address.", true},
        {"untrusted certificate", untrusted.Port(), "Email NOT sent.  SSL certificate problem", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Configure(row.Port);
        PGRegistry::SetPOP3UserID("loanuser");
        Registry().WriteSubKeyString("\\EMAIL-TO", "0", "earlier@x.example");
        prompter.Clear();
        bool optionsOpened = false;
        if (row.OptionsOpen)
            WhenModal<TfrmOptions>([&optionsOpened](TfrmOptions* options) {
                optionsOpened = true;
                options->reject();
            });
        EmailAll(main, {"new@x.example"});
        ASSERT_EQ(prompter.Texts().size(), 1u);
        EXPECT_EQ(prompter.Texts()[0].rfind(row.Says, 0), 0u) << prompter.Texts()[0];
        EXPECT_EQ(optionsOpened, row.OptionsOpen);
        EXPECT_EQ(Registry().ReadSubKeyString("\\EMAIL-TO", "0", ""), "earlier@x.example");
    }
    EXPECT_EQ(untrusted.MessageCount(), 0u);

    UnloadScanPlugin();
    main.ProgramFolder = (TestDir() / "no-plugin").string();
    PGRegistry::SetHost("");
    prompter.Clear();
    prompter.QueueAnswer(PromptAnswer::No);
    main.actScanNEmail->trigger();
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{"Your email settings must be completed before you may "
                                       "continue.  Do you wish to set this up now?"});
}

TEST(MailWindow, ScanAndEmailSendsTheScannedFile) {
    TRecordingPrompter prompter;
    test::TSmtpTestServer server;
    Configure(server.Port());
    const fs::path fill = TestDir() / "fill";
    fs::create_directories(fill);
    PGRegistry::SetFillDir(fill.string());
    test::WriteWholeFile(fill / "scan1.tif", std::string("II*\0scanned", 11));
    const fs::path log = TestDir() / "scan-calls.log";
    ::setenv("PG_SCAN_LOG", log.c_str(), 1);
    SetCommandLine({});
    TfrmMain main;
    LoadScanPlugin(SCAN_PLUGIN_DIR);
    ASSERT_TRUE(ScanPluginLoaded());
    std::vector<std::string> attachments;
    EmailAll(main, {"scan@x.example"}, &attachments, main.actScanNEmail);
    // Both scans take the options' user-interface and paper-size choices: "No" and "Legal" as
    // they start, then the letter paper chosen.
    main.actScan->trigger();
    TfrmOptions::SetItemIndex(main.Options()->PaperSizeGroup, 0);
    main.actScan->trigger();
    UnloadScanPlugin();
    ::unsetenv("PG_SCAN_LOG");
    std::vector<std::string> calls;
    for (const std::string& line : SplitLines(test::ReadWholeFile(log)))
        if (line.rfind("email", 0) == 0 || line.rfind("begin", 0) == 0)
            calls.push_back(line.substr(0, line.find(',', line.find(',') + 1)));
    EXPECT_EQ(calls, (std::vector<std::string>{"email blank-buffers 1,1", "begin 1,1", "begin 1,0"}));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Email sent"});
    EXPECT_EQ(attachments, std::vector<std::string>{(fill / "scan1.tif").string()});
    ASSERT_EQ(server.MessageCount(), 1u);
    const auto m = server.Message(1);
    EXPECT_EQ(test::TSmtpTestServer::One(m, "header-subject"), "Scanned documents");
    EXPECT_EQ(test::ReadWholeFile(test::TSmtpTestServer::One(m, "attachment")),
              std::string("II*\0scanned", 11));
}

// Each format's attachment is written for this mailing into a private folder (0700, files 0600)
// and goes with it; names planted in the shared temporary folder, as links to a file of ours or
// as files of someone else's, are neither written through nor sent.
TEST(MailWindow, EachFormatSendsTheFileItWroteInAPrivateFolder) {
    TRecordingPrompter prompter;
    SetCommandLine({kDemo});
    TfrmMain main;
    main.PdfConverter = PCL2PDF;
    ASSERT_TRUE(main.Loaded);
    const std::string worksheet = main.DocSet()->WorksheetNumber;
    const std::string ws = EmailDocumentName(worksheet);
    const char* const extensions[] = {".QDX", ".PDF", ".TSN"};
    for (const bool links : {true, false}) {
        const test::TSharedFolder shared(SharedDir());
        for (const char* ext : extensions)
            links ? shared.PlantLink(ws + ext) : shared.PlantFile(ws + ext, std::string("planted") + ext);
        for (const char* name : {"Tmp.pcl", "Tmp.PDF", "PCL2PDF"})
            shared.PlantLink(name);
        // The server keeps what it receives in a folder of its own under the temporary folder.
        test::TSmtpTestServer server;
        Configure(server.Port());
        const auto before = shared.Snapshot();
        for (int format = 0; format < 3; ++format) {
            SCOPED_TRACE(std::string(links ? "links " : "files ") + extensions[format]);
            prompter.Clear();
            PGRegistry::SetEmailDocumentFormat(format);
            std::vector<std::string> attachments;
            unsigned fileMode = 0, folderMode = 0;
            EmailAll(main, {"to@x.example"}, &attachments, nullptr, [&](TfrmSMTP* dialog) {
                for (const std::string& a : dialog->Attachments()) {
                    fileMode = test::ModeOf(a);
                    folderMode = test::ModeOf(fs::path(a).parent_path());
                }
            });
            EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Email sent"});
            ASSERT_EQ(attachments.size(), 1u);
            const fs::path file(attachments[0]);
            EXPECT_EQ(file.filename(), ws + extensions[format]);
            EXPECT_EQ(file.parent_path().string().rfind(WorkFolderBase() + "pagellan-mail-", 0), 0u) << file;
            EXPECT_EQ(fileMode, 0600u);
            EXPECT_EQ(folderMode, 0700u);
            EXPECT_FALSE(fs::exists(file.parent_path()));

            const auto m = server.Message(int(server.MessageCount()));
            EXPECT_EQ(test::TSmtpTestServer::One(m, "attachment-filename"), ws + extensions[format]);
            const std::string attachment = test::TSmtpTestServer::One(m, "attachment");
            const std::string sent = test::ReadWholeFile(attachment);
            EXPECT_GT(sent.size(), 10000u);
            if (format == 0) {
                EXPECT_NE(sent.substr(0, sent.find(':')).find("CanAnnotate,N"), std::string::npos);
            } else if (format == 1) {
                const test::TCommandRun info = test::RunCommand("pdfinfo '" + attachment + "' 2>/dev/null");
                EXPECT_TRUE(std::regex_search(info.Out, std::regex("\nPages: +10\n"))) << info.Out;
            } else {
                EXPECT_NE(sent.find("<WorksheetNumber>" + worksheet + "</WorksheetNumber>"),
                          std::string::npos);
            }
        }
        EXPECT_EQ(shared.Snapshot(), before);
        EXPECT_EQ(shared.VictimBytes(), test::TSharedFolder::kVictimBytes);
    }
}

// E-mail as PDF makes the PDF as Save As does: with the printer dialog's print options (bar
// codes here), and not while another conversion runs.
TEST(MailWindow, PdfAttachmentTakesThePrintOptionsAndWaitsForAConversion) {
    TRecordingPrompter prompter;
    test::TSmtpTestServer server;
    Configure(server.Port());
    PGRegistry::SetEmailDocumentFormat(1);
    SetCommandLine({kDemo});
    TfrmMain main;
    main.PdfConverter = PCL2PDF;
    main.Converting = true;
    main.actEmailAll->trigger();
    EXPECT_EQ(main.frmSMTP, nullptr) << "no second conversion while one runs";
    EXPECT_TRUE(prompter.Entries().empty());
    main.Converting = false;
    std::vector<int> images;
    for (const int choice : {kChoiceNo, kChoiceYes}) {
        main.frmPrinterDlg->Options().BarCodes = choice;
        EmailAll(main, {"to@x.example"});
        const std::string attachment =
            test::TSmtpTestServer::One(server.Message(int(server.MessageCount())), "attachment");
        const test::TCommandRun list =
            test::RunCommand("pdfimages -list '" + attachment + "' | tail -n +3 | wc -l");
        images.push_back(std::stoi(list.Out));
    }
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Email sent", "Email sent"}));
    EXPECT_EQ(images[1] - images[0], 10) << "a bar code on each of the ten pages";
}

// The desktop mail program's route: it gets the file this mailing wrote, and the file goes once
// the mail program has taken it.
TEST(MailWindow, DesktopMailProgramGetsTheFileAndTheFolderGoesAfterwards) {
    TRecordingPrompter prompter;
    const fs::path copy = TestDir() / "handed-over", args = TestDir() / "handler-args";
    const fs::path script = TestDir() / "mail-program.sh";
    // The mailto: handler keeps a copy of the attachment it was handed.
    test::WriteWholeFile(script,
                         "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args.string() +
                             "'\nfile=$(printf '%s' \"$1\" | sed -n 's/.*attach=\\([^&]*\\).*/\\1/p')\n"
                             "cat \"$file\" > '" +
                             copy.string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    test::WriteWholeFile(TestDir() / "data" / "applications" / "pgtest-mail.desktop",
                         "[Desktop Entry]\nType=Application\nName=Test Mail\nExec=" + script.string() +
                             " %u\nMimeType=x-scheme-handler/mailto;\n");
    ASSERT_EQ(test::RunCommand("xdg-mime default pgtest-mail.desktop x-scheme-handler/mailto").Status, 0);
    PGRegistry::SetEmailClient(1);
    PGRegistry::SetEmailDocumentFormat(2);
    SetCommandLine({kDemo});
    TfrmMain main;
    std::string folder;
    WhenModal<TfrmHLWMsgDialog>([&](TfrmHLWMsgDialog* warning) {
        folder = main.frmSMTP->WorkFolder();
        warning->btnOK->click();
    });
    main.actEmailAll->trigger();
    EXPECT_TRUE(prompter.Entries().empty()) << prompter.Texts().front();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(test::ReadWholeFile(args).find("attach=" + folder), std::string::npos)
        << test::ReadWholeFile(args);
    EXPECT_NE(test::ReadWholeFile(copy).find("<WorksheetNumber>" + main.DocSet()->WorksheetNumber),
              std::string::npos);
    EXPECT_FALSE(fs::exists(folder));
    PGRegistry::SetEmailClient(0);
}

// The dialog outlives the package it was given: replacing the package while the dialog is up
// (a file opened meanwhile) writes nothing more from the freed set, sends what this mailing
// wrote, and neither closing the dialog nor its next use reads the freed set.
TEST(MailWindow, ReplacingThePackageWhileTheDialogIsUp) {
    TRecordingPrompter prompter;
    test::TSmtpTestServer server;
    Configure(server.Port());
    SetCommandLine({kDemo});
    TfrmMain main;
    main.PdfConverter = PCL2PDF;
    const std::string ws = EmailDocumentName(main.DocSet()->WorksheetNumber);
    std::string folder;
    std::vector<std::string> asPdf;
    WhenModal<TfrmHLWMsgDialog>([&](TfrmHLWMsgDialog* warning) {
        WhenModal<TfrmSMTP>([&](TfrmSMTP* dialog) {
            folder = dialog->WorkFolder();
            main.OpenFileName = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.tsn";
            main.LoadFile();
            ASSERT_TRUE(main.Loaded);
            dialog->rbPDF->click();
            asPdf = dialog->Attachments();
            dialog->rbQuodex->click();
            dialog->cbxTo->setEditText("to@x.example");
            dialog->btnSend->click();
            dialog->reject();
        });
        warning->btnOK->click();
    });
    main.actEmailAll->trigger();
    EXPECT_TRUE(asPdf.empty()) << asPdf.front();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Email sent"});
    ASSERT_EQ(server.MessageCount(), 1u);
    EXPECT_EQ(test::TSmtpTestServer::One(server.Message(1), "attachment-filename"), ws + ".QDX");
    EXPECT_FALSE(fs::exists(folder));

    // Its next use without a package.
    ASSERT_NE(main.frmSMTP, nullptr);
    main.frmSMTP->ConfirmWarning = [] { return true; };
    WhenModal<TfrmSMTP>([](TfrmSMTP* dialog) {
        EXPECT_TRUE(dialog->Attachments().empty());
        dialog->reject();
    });
    main.frmSMTP->Send(0, true);
    EXPECT_EQ(main.frmSMTP->WorkFolder(), "");
}

} // namespace
