// The options dialog on the offscreen platform: every field to and from the store, the
// closing checks, the field handlers, and the permissions of multi-user mode.

#include "FileAssociations.h"
#include "HLWRegistry.h"
#include "Options.h"
#include "PGRegistry.h"
#include "Prompt.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include "QtTestEnvironment.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QValidator>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace pg;
namespace fs = std::filesystem;

namespace {

fs::path TestDir() {
    static const fs::path dir = test::ProcessFolder("pg-options");
    return dir;
}

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new test::TQtTestEnvironment(TestDir(), {"home", "data", "config", "fill"}, [] {
        ::setenv("HOME", (TestDir() / "home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (TestDir() / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (TestDir() / "config").c_str(), 1);
    }));

// A control's value as text: check boxes "1"/"0", lists and radio groups their item index.
std::string ValueOf(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text().toStdString();
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return c->isChecked() ? "1" : "0";
    if (auto* c = qobject_cast<QComboBox*>(w))
        return std::to_string(c->currentIndex());
    if (auto* s = qobject_cast<QSpinBox*>(w))
        return std::to_string(s->value());
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return std::to_string(TfrmOptions::ItemIndex(g));
    if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        return m->toPlainText().toStdString();
    return "?";
}

void SetValue(QWidget* w, const std::string& v) {
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(QString::fromStdString(v));
    else if (auto* c = qobject_cast<QCheckBox*>(w))
        c->setChecked(v == "1");
    else if (auto* c = qobject_cast<QComboBox*>(w))
        c->setCurrentIndex(std::stoi(v));
    else if (auto* s = qobject_cast<QSpinBox*>(w))
        s->setValue(std::stoi(v));
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        TfrmOptions::SetItemIndex(g, std::stoi(v));
    else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        m->setPlainText(QString::fromStdString(v));
}

struct TFieldRow {
    const char* Key;
    const char* Control;
    const char* Stored; // written to the store before loading
    const char* Shown;  // what the control then shows
    const char* Edited; // typed into the control
    const char* Saved;  // what the store then holds
};

const TFieldRow kFields[] = {
    {"FillDir", "FillDir", "/srv/fill", "/srv/fill", "/srv/fill2", "/srv/fill2"},
    {"FormDir", "FormDir", "/srv/lsr", "/srv/lsr", "/srv/lsr2", "/srv/lsr2"},
    {"EmailClient", "cbxEmailClient", "0", "0", "1", "1"},
    {"From Name", "edFromName", "Ann Lender", "Ann Lender", "Bob", "Bob"},
    {"Email Addr", "edFromEmailAddr", "ann@example.com", "ann@example.com", "bob@example.com",
     "bob@example.com"},
    {"Host", "edSMTPHost", "smtp.example.com", "smtp.example.com", "mail.example", "mail.example"},
    {"POP3Host", "edPOP3Host", "pop.example.com", "pop.example.com", "pop2", "pop2"},
    {"POP3UserID", "edPOP3UserID", "ann", "ann", "bob", "bob"},
    {"Port", "edPort", "2525", "2525", "25", "25"},
    {"Password", "edPassword", "c2VjcmV0", "secret", "hush", "aHVzaA=="},
    {"AutomaticEmailCC", "edAutomaticEmailCC", "cc@example.com", "cc@example.com", "", ""},
    {"Email Message", "memoEmailBody", "Hello<CRLF>World", "Hello\nWorld", "A\nB", "A<CRLF>B"},
    {"Email document format", "rgDataFormat", "2", "2", "1", "1"},
    {"Letter Tray", "edLetterTray", "\x1b&l1H", "\x1b&l1H", "L", "L"},
    {"Legal Tray", "edLegalTray", "\x1b&l4H", "\x1b&l4H", "G", "G"},
    {"Additional Copies", "edAdditionalCopies", "2", "2", "3", "3"},
    {"Original Copy", "edOriginal", "ORIGINAL", "ORIGINAL", "O", "O"},
    {"Copy 1", "edFirstCopy", "BORROWER", "BORROWER", "1", "1"},
    {"Copy 2", "edSecondCopy", "LENDER", "LENDER", "2", "2"},
    {"Copy 3", "edThirdCopy", "FILE", "FILE", "3", "3"},
    {"PrintType", "cbxPrintMode", "1", "1", "0", "0"},
    {"BarCode", "cbxBarCodes", "Yes", "1", "0", "No"},
    {"Print Form Names", "cbxFormNames", "No", "0", "1", "Yes"},
    {"PrinterDlg", "rgShowPrinterDialog", "1", "1", "2", "2"},
    {"Print All on legal", "cbxPrintAllOnLegal", "1", "1", "0", "0"},
    {"SSL", "cbxEncryptInternet", "Yes", "1", "0", "No"},
    {"UseProxy", "cbxUseProxy", "Yes", "1", "0", "No"},
    {"UseCustomProxySettings", "rbUseCustomProxySettings", "Yes", "1", "0", "No"},
    {"ProxyAddress", "edProxyAddress", "proxy.lan", "proxy.lan", "p2", "p2"},
    {"ProxyPort", "edProxyPort", "3128", "3128", "8080", "8080"},
    {"ProxyUserName", "edProxyUserName", "pu", "pu", "pv", "pv"},
    {"ProxyPassword", "edProxyPassword", "cHc=", "pw", "xy", "eHk="},
    {"WebDocs_w_Pwd", "edServerName", "https://docs.example/Process", "https://docs.example/Process", "", ""},
    {"FormFillColor", "rgFillColor", "0", "0", "1", "1"},
    {"Image-Quality", "cbxImageQuality", "2", "2", "3", "3"},
    {"Image-Scale", "cbxImageScale", "3", "3", "5", "5"},
    {"Image-AntiAlias", "cbxAntiAliasImage", "1", "1", "0", "0"},
    {"Days between update checks", "edPollInterval", "9", "9", "x", "14"},
    {"Quodex History Dir", "edQuodexHistoryDir", "/tmp/", "/tmp/", "/", "/"},
};

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(TestDir() / "settings");
        fs::create_directories(TestDir() / "settings");
        registry_ = std::make_unique<THLWRegistry>((TestDir() / "settings").string(), "");
        previous_ = SetRegistry(registry_.get());
        PGRegistry::SetPagellanVersion(ProgramVersion());
    }
    void TearDown() override { SetRegistry(previous_); }
    // A dialog whose load does not touch the desktop's associations (they have a test of their own).
    std::unique_ptr<TfrmOptions> Dialog() {
        TfrmOptions::CheckAssociationsOnLoad = false;
        auto dlg = std::make_unique<TfrmOptions>(nullptr, (TestDir() / "bin" / "pagellan").string());
        TfrmOptions::CheckAssociationsOnLoad = true;
        return dlg;
    }
    std::unique_ptr<THLWRegistry> registry_;
    THLWRegistry* previous_ = nullptr;
};

TEST_F(Options, EveryFieldLoadsAndSavesThroughTheStore) {
    for (const TFieldRow& row : kFields)
        ASSERT_TRUE(PGRegistry::FindSetting(row.Key)->Set(row.Stored)) << row.Key;
    auto dlg = Dialog();
    dlg->ReadDocViewINI();
    for (const TFieldRow& row : kFields) {
        auto* w = dlg->findChild<QWidget*>(row.Control);
        ASSERT_NE(w, nullptr) << row.Control;
        std::string shown = ValueOf(w);
        if (auto* r = qobject_cast<QRadioButton*>(w))
            shown = r->isChecked() ? "1" : "0";
        EXPECT_EQ(shown, row.Shown) << row.Control;
        if (auto* r = qobject_cast<QRadioButton*>(w))
            (row.Edited[0] == '1' ? r : dlg->rbUseDefaultBrowserProxySettings)->setChecked(true);
        else
            SetValue(w, row.Edited);
    }
    dlg->SaveDocViewINI();
    for (const TFieldRow& row : kFields)
        EXPECT_EQ(PGRegistry::FindSetting(row.Key)->Get(), row.Saved) << row.Key;
    EXPECT_EQ(PGRegistry::UseDefaultProxySettings(), true);
    EXPECT_EQ(PGRegistry::PagellanVersion(), ProgramVersion());
}

TEST_F(Options, ClosingChecksFootersAndFieldHandlers) {
    PGRegistry::SetHost("smtp.stored");
    PGRegistry::SetAdditionalCopies(0);
    TRecordingPrompter prompter;
    auto dlg = Dialog();
    dlg->show();

    dlg->edAdditionalCopies->setValue(2);
    EXPECT_TRUE(dlg->edOriginal->isEnabled());
    EXPECT_TRUE(dlg->edFirstCopy->isEnabled());
    EXPECT_TRUE(dlg->edSecondCopy->isEnabled());
    EXPECT_FALSE(dlg->edThirdCopy->isEnabled());

    // OK with a sender address without "@" keeps the dialog open and saves nothing.
    dlg->edSMTPHost->setText("smtp.edited");
    dlg->edFromEmailAddr->setText("someone");
    dlg->OKBtn->click();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(PGRegistry::Host(), "smtp.stored");
    // Copies outside 0 to 3 likewise.
    dlg->edFromEmailAddr->setText("someone@example.com");
    dlg->edAdditionalCopies->setValue(5);
    dlg->OKBtn->click();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Invalid email address",
                                                          "Additional copies invalid.\r\nRange is 0 to 3"}));
    // The update interval takes 1 to 30 days: typing is held to that, and OK refuses the rest.
    dlg->edAdditionalCopies->setValue(1);
    for (const auto& [typed, state] : {std::pair{"45", QValidator::Invalid},
                                       {"0", QValidator::Invalid},
                                       {"30", QValidator::Acceptable},
                                       {"7", QValidator::Acceptable}}) {
        QString text = typed;
        int at = 0;
        EXPECT_EQ(dlg->edPollInterval->validator()->validate(text, at), state) << typed;
    }
    for (const char* days : {"0", ""}) {
        prompter.Clear();
        dlg->edPollInterval->setText(days);
        dlg->OKBtn->click();
        EXPECT_TRUE(dlg->isVisible()) << days;
        EXPECT_EQ(prompter.Texts(),
                  std::vector<std::string>{"Update interval invalid.\r\nRange is 1 to 30 days"});
    }
    prompter.Clear();
    // Cancel discards the edits: the stored host comes back.
    dlg->CancelBtn->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->edSMTPHost->text(), "smtp.stored");
    EXPECT_EQ(PGRegistry::Host(), "smtp.stored");
    prompter.Clear();

    dlg->show();
    // Proxy forms: host:port fills both; a scheme with one ":" only the address; none: warning.
    dlg->cbxUseProxy->setChecked(true);
    for (const auto& [server, address, port] : std::vector<std::tuple<std::string, QString, QString>>{
             {"proxy.lan:3128", "proxy.lan", "3128"},
             {"http://proxy.lan", "http://proxy.lan", ""},
             {"http://proxy.lan:8080", "http://proxy.lan", "8080"}}) {
        dlg->edProxyPort->clear();
        dlg->ProxyServerSetting = [s = server] { return s; };
        dlg->rbUseDefaultBrowserProxySettings->click();
        EXPECT_EQ(dlg->edProxyAddress->text(), address) << server;
        EXPECT_EQ(dlg->edProxyPort->text(), port) << server;
        EXPECT_FALSE(dlg->edProxyAddress->isEnabled());
        EXPECT_TRUE(dlg->lblWarning->isHidden());
    }
    dlg->ProxyServerSetting = [] { return std::string(); };
    dlg->rbUseDefaultBrowserProxySettings->click();
    EXPECT_FALSE(dlg->lblWarning->isHidden());
    dlg->rbUseCustomProxySettings->click();
    EXPECT_TRUE(dlg->lblWarning->isHidden());
    EXPECT_TRUE(dlg->edProxyAddress->isEnabled());
    dlg->edProxyPort->setText("70000");
    dlg->edProxyPortExit();
    EXPECT_EQ(dlg->edProxyPort->text(), "65535");

    // Encryption mirrors the WebDocs "Use SSL" box and rewrites the scheme.
    dlg->edServerName->setText("http://docs.example/Process");
    dlg->cbxUseSSL->click();
    EXPECT_EQ(dlg->cbxEncryptInternet->isChecked(), dlg->cbxUseSSL->isChecked());
    EXPECT_EQ(dlg->edServerName->text(),
              dlg->cbxUseSSL->isChecked() ? "https://docs.example/Process" : "http://docs.example/Process");

    // The desktop mail client refused without xdg-email; the mail-server page follows the client.
    dlg->MapiInstalled = [] { return false; };
    dlg->cbxEmailClient->setCurrentIndex(1);
    dlg->cbxEmailClientChange();
    EXPECT_EQ(dlg->cbxEmailClient->currentIndex(), 0);
    EXPECT_TRUE(dlg->pcEmail->isTabVisible(dlg->pcEmail->indexOf(dlg->tsMailServer)));

    dlg->btnSetOptimalClick();
    EXPECT_EQ(TfrmOptions::ItemIndex(dlg->rgFillColor), 0);
    EXPECT_EQ(dlg->cbxImageScale->currentText(), "100");
    EXPECT_EQ(dlg->cbxImageQuality->currentText(), "4 bit");
    EXPECT_FALSE(dlg->cbxAntiAliasImage->isChecked());
    dlg->btnResetClick();
    EXPECT_EQ(dlg->BrightSpinEdit->value(), -400);
    EXPECT_EQ(dlg->ContrastSpinEdit->value(), 25);
    EXPECT_EQ(TfrmOptions::ItemIndex(dlg->PaperSizeGroup), 1);
    EXPECT_EQ(TfrmOptions::ItemIndex(dlg->rgScannerType), 0);

    // A folder field naming a missing folder.
    dlg->FillDir->setEnabled(true);
    dlg->FillDir->setText("/no/such/folder");
    EXPECT_FALSE(dlg->CheckFolderField(dlg->FillDir));
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"Invalid port. Valid ranges are 0 to 65535", "MAPI NOT installed.",
                                        "Invalid directory /no/such/folder"}));
    dlg->reject();
}

// Multi-user mode through the stand-in database plug-in: permissions control by control, and
// OK writes the settings back to the database.
// The mail server's port: shown on the "Mail Server" page, 25 unless stored otherwise, 1 to
// 65535; OK refuses anything else and stays open. The line under it says which security the
// connection will use.
TEST_F(Options, MailServerPortAndItsSecurity) {
    TRecordingPrompter prompter;
    auto dlg = Dialog();
    dlg->show();
    dlg->pcEmail->setCurrentWidget(dlg->tsMailServer);
    EXPECT_TRUE(dlg->edPort->isVisible());
    EXPECT_TRUE(dlg->edPort->isEnabled());
    EXPECT_EQ(dlg->edPort->text(), "25");
    EXPECT_TRUE(dlg->lblMailSecurity->isVisible());
    EXPECT_EQ(dlg->lblMailSecurity->text(), MailSecurityText("25", false));
    EXPECT_TRUE(dlg->lblMailSecurity->text().contains("STARTTLS when the server offers it"));
    dlg->edPOP3UserID->setText("ann");
    dlg->edPassword->setText("secret");
    EXPECT_EQ(dlg->lblMailSecurity->text(), MailSecurityText("25", true));
    EXPECT_TRUE(dlg->lblMailSecurity->text().contains("only over the encrypted connection"));
    test::ExpectEach<int>(
        [](const std::string& typed) { return MailPortOf(QString::fromStdString(typed)); },
        {{"25", 25}, {" 8025 ", 8025}, {"65535", 65535}, {"0", 0}, {"65536", 0}, {"", 0}, {"x", 0}});
    EXPECT_TRUE(MailSecurityText("465", false).startsWith("Port 465 expects"));
    EXPECT_EQ(MailSecurityText("70000", false), kMailPortInvalid);

    dlg->edSMTPHost->setText("127.0.0.1");
    dlg->edPort->setText("70000");
    dlg->OKBtn->click();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->focusWidget(), dlg->edPort);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMailPortInvalid});
    EXPECT_EQ(PGRegistry::Port(), "25");
    // A port left blank is the standard one again.
    dlg->edPort->clear();
    emit dlg->edPort->editingFinished();
    EXPECT_EQ(dlg->edPort->text(), "25");
    dlg->edPort->setText("8025");
    dlg->OKBtn->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(PGRegistry::Port(), "8025");
    EXPECT_EQ(PGRegistry::Host(), "127.0.0.1");
}

TEST_F(Options, PermissionsAndSavingInDatabaseMode) {
    const fs::path db = TestDir() / "db";
    fs::create_directories(db);
    std::ofstream(db / "PagellanDB.ini")
        << "[SETTINGS]\nHost=db.smtp\nFillDir=" << (TestDir() / "fill").string()
        << "\n[PERMISSIONS]\nCanRunPagellan=1\n_tbsPrinting=0\n_edSMTPHost=0\n"
           "AutoUpdates=0\n_btnRegisterFileTypes=0\n";
    const fs::path config = TestDir() / "multiuser.CFG";
    std::ofstream(config) << "[SETTINGS]\nDatabase IP Address=" << db.string() << "\n";
    THLWRegistry multi((TestDir() / "multiuser").string(), config.string());
    SetRegistry(&multi);
    multi.StartDatabaseMode(false, PAGELLAN_TEST_PLUGIN);
    ASSERT_TRUE(multi.Database().DatabaseMode());

    auto dlg = Dialog();
    dlg->show();
    EXPECT_EQ(dlg->edSMTPHost->text(), "db.smtp");
    EXPECT_EQ(dlg->edIPAddress->text().toStdString(), db.string());
    EXPECT_TRUE(dlg->pcOptions->isTabVisible(dlg->pcOptions->indexOf(dlg->tbsMultiUser)));
    EXPECT_EQ(TfrmOptions::ItemIndex(dlg->rgStorePreferences), 2);
    EXPECT_FALSE(dlg->rgStorePreferences->isEnabled());
    int printingControls = 0;
    for (QWidget* w : dlg->tbsPrinting->findChildren<QWidget*>()) {
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        ++printingControls;
    }
    EXPECT_GT(printingControls, 20);
    EXPECT_FALSE(dlg->edSMTPHost->isEnabled());
    EXPECT_TRUE(dlg->edPOP3Host->isEnabled());
    EXPECT_TRUE(dlg->FillDir->isEnabled());
    EXPECT_FALSE(dlg->btnRegisterFileTypes->isEnabled());
    EXPECT_TRUE(dlg->btnCreateShortCut->isEnabled());
    EXPECT_FALSE(dlg->edPollInterval->isEnabled());
    EXPECT_FALSE(dlg->btnCheckForUpdatesNow->isEnabled());
    EXPECT_FALSE(dlg->lblDateLastPolled->isEnabled());
    EXPECT_TRUE(dlg->edQuodexHistoryDir->isEnabled());

    dlg->edPOP3Host->setText("db.pop");
    dlg->OKBtn->click();
    EXPECT_FALSE(dlg->isVisible());
    std::ifstream in(db / "PagellanDB.ini");
    std::stringstream stored;
    stored << in.rdbuf();
    EXPECT_NE(stored.str().find("POP3Host=db.pop"), std::string::npos) << stored.str();
    multi.Database().Unload();
    SetRegistry(previous_);
}

// The load-time check registers the file types in the user's folders.
TEST_F(Options, LoadingRegistersMissingFileAssociations) {
    const std::string exe = (TestDir() / "bin" / "pagellan").string();
    TfrmOptions dlg(nullptr, exe);
    EXPECT_NE(AssociationCommand().find(exe), std::string::npos);
    EXPECT_TRUE(AssociationsExist(AssociatedExtensions));
}

} // namespace
