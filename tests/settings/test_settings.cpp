// The settings store, the typed settings with their rules, database mode with a stand-in
// plug-in, and permissions. Every test works on its own temporary store and data folder.

#include "DatabasePlugin.h"
#include "DateTime.h"
#include "HLWRegistry.h"
#include "IniList.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Prompt.h"

#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pg {
namespace {

namespace fs = std::filesystem;
namespace R = PGRegistry;
using test::ExpectContains;
using test::ExpectEach;
using test::TRows;

void WriteFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    test::WriteWholeFile(p, text);
}

// Checks that every getter answers value; a failure names the getter by its place in the list.
template <class T, class V> void ExpectAll(std::initializer_list<T (*)()> getters, const V& value) {
    int place = 0;
    for (auto get : getters)
        EXPECT_EQ(get(), value) << "getter " << place++;
}

// A temporary store, data folder and working folder for one test; the process-wide store is
// replaced by it for the test's duration.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(root_.empty());
        oldCwd_ = fs::current_path();
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        ::setenv("PAGELLAN_SETTINGS_DIR", (root_ / "config").c_str(), 1);
        config_ = root_ / "Pagellan.CFG";
        registry_ = std::make_unique<THLWRegistry>((root_ / "config").string(), config_.string());
        previous_ = SetRegistry(registry_.get());
        previousQuery_ = SetConnectionTypeQuery([] { return std::string("LAN"); });
        // The scanner settings are kept only while the scanning plug-in is loaded: "loaded".
        previousScanQuery_ = SetScanPluginQuery([] { return true; });
    }

    void TearDown() override {
        fs::current_path(oldCwd_);
        SetConnectionTypeQuery(previousQuery_);
        SetScanPluginQuery(previousScanQuery_);
        SetRegistry(previous_);
        registry_.reset();
    }

    THLWRegistry& Reg() { return *registry_; }
    std::string StoreText() const { return test::ReadWholeFile(registry_->SettingsFileName()); }

    test::TTempFolder temp_{"pg-settings"};
    const fs::path root_ = temp_.Path();
    fs::path oldCwd_;
    fs::path config_;
    std::unique_ptr<THLWRegistry> registry_;
    THLWRegistry* previous_ = nullptr;
    TConnectionTypeQuery previousQuery_;
    TScanPluginQuery previousScanQuery_;
};

TEST_F(SettingsTest, FreshStoreGivesEveryDefault) {
    ExpectAll({R::UsePrinter, R::FromName, R::EmailAddr, R::Host, R::POP3Host, R::POP3UserID, R::Password,
               R::AutomaticEmailCC, R::LetterTray, R::LegalTray, R::OriginalCopy, R::Copy1, R::Copy2,
               R::Copy3, R::ProxyAddress, R::ProxyPort, R::ProxyUserName, R::ProxyPassword},
              std::string());
    ExpectAll({R::PageSizeWidth, R::PageSizeHeight, R::EmailDocumentFormat, R::AdditionalCopies,
               R::PrinterDlg, R::PrintType, R::ScanScannerType, R::Server},
              0);
    ExpectAll({R::FormFillColor, R::ImageQuality, R::EmailClient, R::DaysBetweenUpdateChecks}, 1);
    ExpectAll(
        {R::BarCode, R::PrintAllOnLegal, R::UseProxy, R::UseDefaultProxySettings, R::UseCustomProxySettings},
        false);
    ExpectAll({R::ImageAntiAlias, R::PrintFormNames, R::SSL}, true);
    // Written with this system's separator.
    EXPECT_EQ(R::FillDir(), "../LENDER/XFER");
    EXPECT_EQ(R::FormDir(), "../LENDER/LSR");
    EXPECT_EQ(R::PageScale(), 20.0);
    EXPECT_EQ(R::ImageScale(), 7);
    EXPECT_EQ(R::ImageMaxFormsInWin98(), 4);
    EXPECT_EQ(R::PagellanVersion(), "0");
    EXPECT_EQ(R::OrvalinkVersion(), "-1");
    const std::string history = (root_ / "data" / "Harlowen Inc" / "Pagellan").string() + "/";
    EXPECT_EQ(R::QuodexHistoryDir(), history);
    EXPECT_TRUE(fs::is_directory(history));
    EXPECT_EQ(R::URLForCurrentPagellan(),
              "https://www.harlowen.com/media/download/software/versions/hlwsoftwareversions.xml");
    EXPECT_EQ(R::DateLastCheckedForUpdates(), DateText(Now()));
    EXPECT_EQ(R::Port(), "25");
    EXPECT_EQ(R::EmailMessage(), DefaultEmailMessage());
    EXPECT_EQ(R::EmailWarning(), DefaultEmailWarning());
    EXPECT_EQ(R::ScanDPI(), 300);
    EXPECT_EQ(R::ScanBright(), -400);
    EXPECT_EQ(R::ScanContrast(), 25);
    EXPECT_EQ(R::ScanPages(), 1000);
    EXPECT_EQ(R::URLForRequestHandler(), "https://www.harlowen.com/servlet/RequestHandler");
    EXPECT_EQ(R::WebDocsWithPwd(), "https://www.harlowen.com/webservices/webdocs/Process");

    // Reading never creates the store.
    EXPECT_FALSE(fs::exists(Reg().SettingsFileName()));
}

TEST_F(SettingsTest, DefaultTextsAndKeyTable) {
    EXPECT_EQ(DefaultEmailMessage(),
              "If you haven't run Pagellan before, please double-click on the program first.  We will "
              "automatically build the associations in the settings.\r\n\r\nNext, double-click on "
              "the attached file. \r\n\r\nThese instructions will vary with your email software.");
    const std::string warning = DefaultEmailWarning();
    EXPECT_EQ(
        warning.rfind("Emailing documents using Pagellan is NOT secure, and, therefore, may violate your "
                      "company\x92s policies",
                      0),
        0u);
    EXPECT_NE(warning.find("Information Overview <A HREF=\"https://www.harlowen.com/privacy-policy\">Click "
                           "Here.</A><BR><BR>Do you wish to continue anyway?<P align=\"center\"></P>"),
              std::string::npos);

    // Every key of the table, by its text; three have no setter.
    const auto& all = R::Settings();
    EXPECT_EQ(all.size(), 57u);
    int readOnly = 0;
    for (const auto& s : all)
        readOnly += s.Set ? 0 : 1;
    EXPECT_EQ(readOnly, 3);
    for (const char* name : {"Orvalink Version", "Email Warning", "URLForRequestHandler"})
        EXPECT_FALSE(R::FindSetting(name)->Set) << name;
    ASSERT_NE(R::FindSetting("port"), nullptr);
    EXPECT_EQ(R::FindSetting("port")->Get(), "25");
    EXPECT_EQ(R::FindSetting("SSL")->Get(), "Yes");
    EXPECT_EQ(R::FindSetting("Image-AntiAlias")->Get(), "1");
    EXPECT_EQ(R::FindSetting("PageScale")->Get(), "20");
    EXPECT_EQ(R::FindSetting("No such key"), nullptr);
}

TEST_F(SettingsTest, SettersStoreTypedValuesThatOtherStoresSee) {
    R::SetPort("2525");
    R::SetEmailClient(0);
    R::SetPageScale(150.0);
    R::SetBarCode(true);
    R::SetImageAntiAlias(false);
    R::SetScanBright(-1000);

    EXPECT_EQ(R::Port(), "2525");
    EXPECT_EQ(R::EmailClient(), 0);
    EXPECT_EQ(R::PageScale(), 150.0);
    EXPECT_TRUE(R::BarCode());
    EXPECT_FALSE(R::ImageAntiAlias());
    EXPECT_EQ(R::ScanBright(), -1000);

    // The kinds are kept in the file: 150.0 is the IEEE double 0x4062C00000000000, stored with
    // its least significant byte first; -1000 is the 32-bit value 0xFFFFFC18.
    ExpectContains(StoreText(),
                   {"Port=sz:2525", "EmailClient=dword:00000000", "PageScale=hex:0000000000c06240",
                    "BarCode=sz:Yes", "Image-AntiAlias=dword:00000000", "ScanBright=dword:fffffc18"});

    // Another store object on the same folder (another running program) reads the values.
    THLWRegistry other((root_ / "config").string());
    EXPECT_EQ(other.ReadString("Port", ""), "2525");
    EXPECT_EQ(other.ReadInteger("EmailClient", 7), 0);
    EXPECT_EQ(other.ReadFloat("PageScale", 0), 150.0);
    // And its writes are seen here at the next read.
    other.WriteString("Host", "smtp.example.com");
    EXPECT_EQ(R::Host(), "smtp.example.com");

    // Every setter writes what its getter gives back.
    const std::string folder = root_.string() + "/";
    for (const auto& s : R::Settings()) {
        if (!s.Set)
            continue;
        std::string value;
        switch (s.Kind) {
        case R::TSettingKind::String:
            value = s.Name == "Quodex History Dir" ? folder : "text of " + s.Name;
            break;
        case R::TSettingKind::Integer:
            value = "3";
            break;
        case R::TSettingKind::Float:
            value = "33.5";
            break;
        case R::TSettingKind::YesNo:
            value = s.Get() == "Yes" ? "No" : "Yes";
            break;
        case R::TSettingKind::ZeroOne:
            value = s.Get() == "1" ? "0" : "1";
            break;
        }
        ASSERT_TRUE(s.Set(value)) << s.Name;
        EXPECT_EQ(s.Get(), value) << s.Name;
    }
    EXPECT_FALSE(R::FindSetting("EmailClient")->Set("one"));
    EXPECT_FALSE(R::FindSetting("EmailClient")->Set("4294967296"));
    EXPECT_FALSE(R::FindSetting("PageScale")->Set("12,5"));
    EXPECT_FALSE(R::FindSetting("SSL")->Set("maybe"));
    EXPECT_EQ(R::EmailClient(), 3);
}

TEST_F(SettingsTest, BatchReachesTheFileAtItsEnd) {
    R::SetHost("before");
    {
        TSettingsBatch outer;
        R::SetHost("during");
        R::SetEmailClient(0);
        {
            TSettingsBatch inner(Reg());
            R::SetPort("2525");
        }
        // This program sees the values at once; the file gets them when the last batch ends.
        EXPECT_EQ(R::Host(), "during");
        EXPECT_EQ(R::Port(), "2525");
        EXPECT_EQ(StoreText().find("during"), std::string::npos);
        EXPECT_EQ(StoreText().find("2525"), std::string::npos);
    }
    ExpectContains(StoreText(), {"Host=sz:during", "EmailClient=dword:00000000", "Port=sz:2525"});
    THLWRegistry other((root_ / "config").string());
    EXPECT_EQ(other.ReadString("Host", ""), "during");
}

TEST_F(SettingsTest, ValuesOfTheWrongKindReadAsDefaults) {
    Reg().WriteInteger("Port", 5);
    Reg().WriteString("EmailClient", "0");
    Reg().WriteString("PageScale", "150");
    Reg().WriteInteger("BarCode", 1);
    Reg().WriteInteger("SSL", 0);
    Reg().WriteString("Image-AntiAlias", "0");
    Reg().WriteFloat("ScanDPI", 600.0);
    EXPECT_EQ(R::Port(), "25");
    EXPECT_EQ(R::EmailClient(), 1);
    EXPECT_EQ(R::PageScale(), 20.0);
    EXPECT_FALSE(R::BarCode());
    EXPECT_TRUE(R::SSL());
    EXPECT_TRUE(R::ImageAntiAlias());
    EXPECT_EQ(R::ScanDPI(), 300);

    // A file changed by hand (or by another program) is read again at the next read: values
    // without a kind tag are strings, damaged values read as defaults.
    WriteFile(Reg().SettingsFileName(), "[General]\n"
                                        "Host=mail.example.com\n"
                                        "EmailClient=0\n"
                                        "PageScale=hex:0102\n"
                                        "ScanBright=dword:xyz\n"
                                        "ScanPages=dword:0000000A\n"
                                        "Port=@ByteArray(2525)\n");
    EXPECT_EQ(R::Host(), "mail.example.com");
    EXPECT_EQ(R::EmailClient(), 1);
    EXPECT_EQ(R::PageScale(), 20.0);
    EXPECT_EQ(R::ScanBright(), -400);
    EXPECT_EQ(R::ScanPages(), 10);
    EXPECT_EQ(R::Port(), "25");
    EXPECT_EQ(R::Port(), "25");
}

TEST_F(SettingsTest, ReadingRulesOfSingleKeys) {
    R::SetPageScale(12.5);
    EXPECT_EQ(R::PageScale(), 20.0);
    R::SetPageScale(150.0);
    EXPECT_EQ(R::PageScale(), 150.0);
    R::SetImageScale(0);
    EXPECT_EQ(R::ImageScale(), 7);
    R::SetImageScale(3);
    EXPECT_EQ(R::ImageScale(), 3);
    Reg().WriteInteger("Image-AntiAlias", 2);
    EXPECT_FALSE(R::ImageAntiAlias());
    Reg().WriteInteger("Print All on legal", 1);
    EXPECT_TRUE(R::PrintAllOnLegal());
    Reg().WriteString("BarCode", "yes");
    EXPECT_FALSE(R::BarCode());
    Reg().WriteString("SSL", "No");
    EXPECT_FALSE(R::SSL());
    Reg().WriteString("SSL", "YES");
    EXPECT_FALSE(R::SSL());
    R::SetUseProxy(true);
    EXPECT_EQ(Reg().ReadString("UseProxy", ""), "Yes");
    R::SetPrintAllOnLegal(false);
    EXPECT_EQ(Reg().ReadInteger("Print All on legal", -1), 0);
}

TEST_F(SettingsTest, FormFoldersRepairTheOldDefaultLetterForLetter) {
    // Working folder root/a/b: the old default "..\..\LENDER\XFER" names root/LENDER/XFER.
    fs::create_directories(root_ / "a" / "b");
    fs::current_path(root_ / "a" / "b");
    const struct {
        const char* Key;
        void (*Set)(const std::string&);
        std::string (*Get)();
        std::string Leaf, LeafInOtherLetters;
    } folders[] = {{"FillDir", R::SetFillDir, R::FillDir, "XFER", "xfer"},
                   {"FormDir", R::SetFormDir, R::FormDir, "LSR", "lsr"}};
    // Sets the folder; its getter and the store then hold expected.
    const auto setAndRead = [this](const auto& f, const std::string& value, const std::string& expected) {
        f.Set(value);
        EXPECT_EQ(f.Get(), expected) << value;
        EXPECT_EQ(Reg().ReadString(f.Key, ""), expected) << value;
    };
    for (const auto& f : folders) {
        SCOPED_TRACE(f.Key);
        // The old folder in other letters, naming no folder: the user's value stays.
        const std::string otherLetters = "..\\..\\lender\\" + f.LeafInOtherLetters;
        setAndRead(f, otherLetters, otherLetters);
        // The old default naming no folder is replaced by the new one, in the store as well.
        setAndRead(f, "..\\..\\LENDER\\" + f.Leaf, "../LENDER/" + f.Leaf);
    }
    // Where the old folder exists it is kept; any other missing folder is left to the options dialog.
    fs::create_directories(root_ / "LENDER" / "XFER");
    fs::create_directories(root_ / "LENDER" / "LSR");
    for (const auto& f : folders) {
        SCOPED_TRACE(f.Key);
        setAndRead(f, "..\\..\\LENDER\\" + f.Leaf, "..\\..\\LENDER\\" + f.Leaf);
        setAndRead(f, "C:\\LOANS\\" + f.Leaf, "C:\\LOANS\\" + f.Leaf);
    }
}

TEST_F(SettingsTest, ScannerSettingsOnlyWhileTheScanPluginIsLoaded) {
    bool loaded = false;
    SetScanPluginQuery([&loaded] { return loaded; });
    const struct {
        const char* Name;
        int32_t (*Get)();
        void (*Set)(int32_t);
        int32_t Default;
    } keys[] = {{"ScanDPI", R::ScanDPI, R::SetScanDPI, 300},
                {"ScanBright", R::ScanBright, R::SetScanBright, -400},
                {"ScanContrast", R::ScanContrast, R::SetScanContrast, 25},
                {"ScanPages", R::ScanPages, R::SetScanPages, 1000},
                {"ScanScannerType", R::ScanScannerType, R::SetScanScannerType, 0}};
    for (const auto& k : keys) {
        Reg().WriteInteger(k.Name, 7);
        EXPECT_EQ(k.Get(), k.Default) << k.Name;
        k.Set(9);
        EXPECT_EQ(Reg().ReadInteger(k.Name, 0), 7) << k.Name;
        EXPECT_TRUE(R::FindSetting(k.Name)->NeedsScanPlugin) << k.Name;
    }
    loaded = true;
    for (const auto& k : keys) {
        EXPECT_EQ(k.Get(), 7) << k.Name;
        k.Set(9);
        EXPECT_EQ(Reg().ReadInteger(k.Name, 0), 9) << k.Name;
    }
    EXPECT_FALSE(R::FindSetting("Port")->NeedsScanPlugin);
}

TEST_F(SettingsTest, HistoryFolderFallsBackToTheProgramDataFolder) {
    const std::string def = (root_ / "data" / "Harlowen Inc" / "Pagellan").string() + "/";
    const std::string mine = (root_ / "history").string() + "/";
    fs::create_directories(mine);
    R::SetQuodexHistoryDir(mine);
    EXPECT_EQ(R::QuodexHistoryDir(), mine);

    R::SetQuodexHistoryDir((root_ / "gone").string());
    EXPECT_EQ(R::QuodexHistoryDir(), def);
    EXPECT_TRUE(fs::is_directory(def));
    // Nothing is written back.
    EXPECT_EQ(Reg().ReadString("Quodex History Dir", ""), (root_ / "gone").string());
}

TEST_F(SettingsTest, VersionListAddressRules) {
    // The previous version-list address and a setup program read as the current list; the previous
    // address in other letters is another address.
    const std::string current =
        "https://www.harlowen.com/media/download/software/versions/hlwsoftwareversions.xml";
    const std::string other = "https://www.harlowen.com/Download/software/versions/hlwsoftwareversions.xml";
    ExpectEach(
        [](const std::string& stored) {
            R::SetURLForCurrentPagellan(stored);
            return R::URLForCurrentPagellan();
        },
        {{"https://www.harlowen.com/download/software/versions/hlwsoftwareversions.xml", current},
         {"http://updates.example.com/Pagellan/Setup.EXE", current},
         {"http://updates.example.com/pagellan/setup.exe", current},
         {"http://updates.example.com/versions.xml", "http://updates.example.com/versions.xml"},
         {"http://updates.example.com/versions", "http://updates.example.com/versions"},
         {other, other}});
}

TEST_F(SettingsTest, UpdateIntervalRules) {
    EXPECT_EQ(R::DaysBetweenUpdateChecks(), 1);
    SetConnectionTypeQuery([] { return std::string("Not online"); });
    EXPECT_EQ(R::DaysBetweenUpdateChecks(), 7);
    SetConnectionTypeQuery([] { return std::string("Modem"); });
    EXPECT_EQ(R::DaysBetweenUpdateChecks(), 7);

    // The misspelled value of earlier versions is deleted by every read and not carried over.
    Reg().WriteInteger("Days beween update checks", 5);
    EXPECT_EQ(R::DaysBetweenUpdateChecks(), 7);
    EXPECT_FALSE(Reg().ValueExists("Days beween update checks"));
    EXPECT_EQ(StoreText().find("beween"), std::string::npos);

    R::SetDaysBetweenUpdateChecks(25);
    EXPECT_EQ(R::DaysBetweenUpdateChecks(), 1);
    R::SetDaysBetweenUpdateChecks(14);
    Reg().WriteInteger("Days beween update checks", 3);
    EXPECT_EQ(R::DaysBetweenUpdateChecks(), 14);
    EXPECT_FALSE(Reg().ValueExists("Days beween update checks"));

    // The real query answers one of its two texts.
    SetConnectionTypeQuery({});
    const std::string type = InternetConnectionType();
    EXPECT_TRUE(type == "LAN" || type == "Not online") << type;
}

TEST_F(SettingsTest, EmailMessageLineBreaks) {
    EXPECT_NE(R::EmailMessage().find("settings.\r\n\r\nNext"), std::string::npos);
    const std::string typed = "Hello,\r\nthe package is attached.\r\n\r\nBye";
    R::SetEmailMessage(BreaksToCRLFMarkers(typed));
    EXPECT_EQ(R::EmailMessage(), "Hello,<CRLF>the package is attached.<CRLF><CRLF>Bye");
    EXPECT_EQ(CRLFMarkersToBreaks(R::EmailMessage()), typed);
    EXPECT_EQ(CRLFMarkersToBreaks("no breaks"), "no breaks");
    EXPECT_EQ(BreaksToCRLFMarkers("lone\nfeed"), "lone\nfeed");
}

TEST_F(SettingsTest, VersionNormalizingAndBase64) {
    EXPECT_EQ(ProgramVersion(), "4.1.0.3");
    const TRows<> versions = {{"4.3.0.9", "004.003.000.009"}, {"10.2", "010.002.000.000"},
                              {"1234.1", "1234.001.000.000"}, {"0", "000.000.000.000"},
                              {"99", "099.000.000.000"},      {"", ""}};
    ExpectEach(NormalizeVersion, versions);
    ExpectEach(CutBeta, {{"4.2.0.0Beta3", "4.2.0.0"}, {"4.2.0.0", "4.2.0.0"}});

    // RFC 4648 test vectors; text that is not Base64 decodes to nothing: a length not a multiple
    // of four, a character outside the alphabet, padding inside the text.
    ExpectEach(EncodeBase64, {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foobar", "Zm9vYmFy"}});
    const TRows<> decoded = {{"Zm9vYmE=", "fooba"}, {"Zm9vYg==", "foob"}, {"Zm9vYmE", ""},
                             {"Zm9v!mFy", ""},      {"Zm=vYmFy", ""},     {"plain", ""}};
    ExpectEach(DecodeBase64, decoded);
}

TEST_F(SettingsTest, PasswordsFollowTheStoredVersion) {
    // Saved by this version: Base64 in the store, decoded when loaded.
    R::SavePasswords("pop secret", "proxy secret");
    R::StampProgramVersion();
    EXPECT_EQ(R::Password(), "cG9wIHNlY3JldA==");
    EXPECT_EQ(R::PagellanVersion(), "4.1.0.3");
    auto v = R::LoadVersionAndPasswords();
    EXPECT_EQ(v.StoredVersion, "004.001.000.003");
    EXPECT_EQ(v.CurrentVersion, "004.001.000.003");
    EXPECT_EQ(v.Password, "pop secret");
    EXPECT_EQ(v.ProxyPassword, "proxy secret");

    // Stored by a version before 3.5.0.0: plain text, used as stored.
    R::SetPagellanVersion("3.4.9.9");
    R::SetPassword("plain");
    R::SetProxyPassword("proxy plain");
    v = R::LoadVersionAndPasswords();
    EXPECT_EQ(v.StoredVersion, "003.004.009.009");
    EXPECT_EQ(v.Password, "plain");
    EXPECT_EQ(v.ProxyPassword, "proxy plain");

    // Old version but more than 100 characters: decoded; not Base64 ends up empty.
    R::SetPassword(std::string(120, '!'));
    v = R::LoadVersionAndPasswords();
    EXPECT_EQ(v.Password, "");
    EXPECT_EQ(v.ProxyPassword, ""); // "proxy plain" is no Base64 either
    R::SetPassword(EncodeBase64(std::string(90, 'p')));
    v = R::LoadVersionAndPasswords();
    EXPECT_EQ(v.Password, std::string(90, 'p'));
    // A decoded password longer than 100 characters is dropped.
    R::SetPagellanVersion("4.1.0.3");
    R::SetPassword(EncodeBase64(std::string(101, 'p')));
    EXPECT_EQ(R::LoadVersionAndPasswords().Password, "");

    // A store written by Orvalink counts as version 99; a beta suffix is ignored.
    R::SetPagellanVersion("1.0");
    R::SetPassword(EncodeBase64("orva"));
    Reg().WriteString("Orvalink Version", "2.0");
    v = R::LoadVersionAndPasswords();
    EXPECT_EQ(v.StoredVersion, "099.000.000.000");
    EXPECT_EQ(v.Password, "orva");
    ASSERT_TRUE(Reg().DeleteValue("Orvalink Version"));
    EXPECT_FALSE(Reg().DeleteValue("Orvalink Version"));
    R::SetPagellanVersion("3.5.0.0beta2");
    v = R::LoadVersionAndPasswords();
    EXPECT_EQ(v.StoredVersion, "003.005.000.000");
    EXPECT_EQ(v.Password, "orva");
}

TEST_F(SettingsTest, SubKeyStrings) {
    Reg().WriteSubKeyString("\\EMAIL-TO", "0", "first@example.com");
    Reg().WriteSubKeyString("\\EMAIL-TO", "1", "second@example.com");
    Reg().WriteSubKeyString("\\EMAIL-CC", "0", "cc@example.com");
    EXPECT_EQ(Reg().ReadSubKeyString("\\EMAIL-TO", "0", ""), "first@example.com");
    EXPECT_EQ(Reg().ReadSubKeyString("\\EMAIL-TO", "1", ""), "second@example.com");
    EXPECT_EQ(Reg().ReadSubKeyString("\\EMAIL-CC", "0", ""), "cc@example.com");
    EXPECT_EQ(Reg().ReadSubKeyString("\\EMAIL-BCC", "0", "none"), "none");
    EXPECT_EQ(Reg().ReadSubKeyString("\\EMAIL-TO", "9", "none"), "none");
    // The history is apart from the settings themselves.
    EXPECT_EQ(Reg().ReadString("0", "none"), "none");
    ExpectContains(StoreText(), {"[EMAIL-TO]", "[EMAIL-CC]"});
    THLWRegistry other((root_ / "config").string());
    EXPECT_EQ(other.ReadSubKeyString("\\EMAIL-TO", "1", ""), "second@example.com");
}

TEST_F(SettingsTest, ConfigurationFile) {
    THLWRegistry beside((root_ / "config").string());
    const std::string exe = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(beside.ConfigFileName(), exe + ".CFG");
    EXPECT_EQ(Reg().ConfigFileName(), config_.string());

    EXPECT_FALSE(Reg().ConfigFileExists());
    EXPECT_EQ(Reg().ReadConfigString("Database IP Address", "0.0.0.0"), "0.0.0.0");
    EXPECT_EQ(Reg().DatabaseAddress(), "0.0.0.0");

    WriteFile(config_, "[Other]\r\nDatabase IP Address=1.1.1.1\r\n[settings]\r\n"
                       "Database IP Address = 10.1.2.3\r\n");
    EXPECT_TRUE(Reg().ConfigFileExists());
    EXPECT_EQ(Reg().ReadConfigString("Database IP Address", "0.0.0.0"), "10.1.2.3");
    EXPECT_EQ(Reg().DatabaseAddress(), "10.1.2.3");
    EXPECT_EQ(Reg().ReadConfigString("Missing", "dflt"), "dflt");
}

TEST(IniListTest, SectionsKeysAndValues) {
    TIniList ini;
    ini.AddText(
        "[SETTINGS]\r\nPort=2525\r\n\r\n  \nEmpty=\nEq=a=b\n[Other]\nPort=1\nFlag=1\nOff=0\nOdd=yes\n");
    EXPECT_EQ(ini.Lines().size(), 9u); // CRs removed, blank lines dropped
    EXPECT_EQ(ini.ReadString("settings", "PORT", ""), "2525");
    EXPECT_EQ(ini.ReadString("Other", "Port", ""), "1");
    EXPECT_EQ(ini.ReadString("SETTINGS", "Flag", "none"), "none"); // not in this section
    EXPECT_EQ(ini.ReadString("SETTINGS", "Empty", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("SETTINGS", "Eq", ""), "a=b");
    EXPECT_EQ(ini.ReadString("Missing", "Port", "x"), "x");
    EXPECT_EQ(ini.ReadInteger("SETTINGS", "Port", 0), 2525);
    EXPECT_EQ(ini.ReadInteger("SETTINGS", "Eq", 9), 9);
    EXPECT_TRUE(ini.ReadBool("Other", "Flag", false));
    EXPECT_FALSE(ini.ReadBool("Other", "Off", true));
    EXPECT_TRUE(ini.ReadBool("Other", "Odd", true));
    EXPECT_FALSE(ini.ReadBool("Other", "Odd", false));
    EXPECT_TRUE(ini.ReadBool("Other", "Absent", true));

    ini.WriteString("settings", "port", "25");      // replaces the line
    ini.WriteInteger("SETTINGS", "EmailClient", 0); // added at the end of its section
    ini.WriteFloat("SETTINGS", "PageScale", 12.5);
    ini.WriteBool("New", "CanRunPagellan", true); // a new section at the end
    EXPECT_EQ(ini.Text(), "[SETTINGS]\r\nport=25\r\nEmpty=\r\nEq=a=b\r\nEmailClient=0\r\nPageScale=12.5\r\n"
                          "[Other]\r\nPort=1\r\nFlag=1\r\nOff=0\r\nOdd=yes\r\n[New]\r\nCanRunPagellan=1");
    EXPECT_EQ(ini.ReadFloat("SETTINGS", "PageScale", 0), 12.5);
    EXPECT_EQ(ini.ReadFloat("SETTINGS", "Eq", 1.5), 1.5);
    ini.Clear();
    EXPECT_TRUE(ini.Lines().empty());
}

// ---- database mode ----

class DatabaseModeTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        db_ = root_ / "db";
        WriteFile(db_ / "PagellanDB.ini", "[SETTINGS]\n"
                                          "Port=2526\n"
                                          "EmailClient=0\n"
                                          "SSL=No\n"
                                          "PageScale=55.5\n"
                                          "EMAIL-CC1=cc@example.com\n"
                                          "[PERMISSIONS]\n"
                                          "CanRunPagellan=1\n"
                                          "AddAnnotations=0\n"
                                          "_edPort=0\n"
                                          "_tbsMisc=1\n"
                                          "[USER]\n"
                                          "SID=S-1-5-21-7\n"
                                          "Group=Closers\n");
        WriteFile(config_, "[SETTINGS]\nDatabase IP Address=" + db_.string() + "\n");
    }

    std::string Calls() const { return test::ReadWholeFile(db_ / "calls.log"); }

    fs::path db_;
    const std::string plugin_ = PAGELLAN_TEST_PLUGIN;
};

TEST_F(DatabaseModeTest, SettingsComeFromAndGoToThePlugin) {
    Reg().WriteString("Host", "store-host");
    Reg().StartDatabaseMode(true, plugin_);
    ASSERT_TRUE(Reg().Database().PluginLoaded());
    ASSERT_TRUE(Reg().Database().DatabaseMode());
    EXPECT_EQ(Calls(), "SetServer " + db_.string() + " debug\n");

    // Before the first load the list is empty: defaults.
    EXPECT_EQ(R::Port(), "25");
    EXPECT_EQ(R::Host(), "");

    EXPECT_EQ(Reg().Database().TryToConnectToDB(true, Reg().DatabaseAddress()), TConnectResult::Loaded);
    EXPECT_EQ(R::Port(), "2526");
    EXPECT_EQ(R::EmailClient(), 0);
    EXPECT_FALSE(R::SSL());
    EXPECT_EQ(R::PageScale(), 55.5);
    EXPECT_EQ(R::Host(), "");
    EXPECT_EQ(Reg().ReadSubKeyString("\\EMAIL-CC", "1", ""), "cc@example.com");
    EXPECT_EQ(Reg().Database().UserSID(), "S-1-5-21-7");
    EXPECT_EQ(Reg().Database().UserGroup(), "Closers");
    EXPECT_EQ(Reg().Database().SettingsList().Lines().front(), "[SETTINGS]");

    // Writes stay in memory until the options are saved; the store is not touched.
    R::SetHost("db-host");
    R::SetPageScale(80.0);
    R::SetBarCode(true);
    Reg().WriteSubKeyString("\\EMAIL-TO", "0", "to@example.com");
    EXPECT_EQ(R::Host(), "db-host");
    EXPECT_TRUE(R::BarCode());
    EXPECT_EQ(R::PageScale(), 80.0);
    EXPECT_EQ(StoreText().find("db-host"), std::string::npos);
    EXPECT_EQ(test::ReadWholeFile(db_ / "PagellanDB.ini").find("db-host"), std::string::npos);

    EXPECT_EQ(Reg().Database().TryToConnectToDB(false, Reg().DatabaseAddress()), TConnectResult::Saved);
    ExpectContains(
        test::ReadWholeFile(db_ / "PagellanDB.ini"),
        {"Host=db-host\n", "PageScale=80\n", "BarCode=Yes\n", "EMAIL-TO0=to@example.com\n", "Port=2526\n"});

    // Deleting always works on the store.
    EXPECT_TRUE(Reg().DeleteValue("Host"));
    EXPECT_EQ(R::Host(), "db-host");

    Reg().Database().Unload();
    EXPECT_FALSE(Reg().Database().DatabaseMode());
    const std::string calls = Calls();
    EXPECT_EQ(calls.substr(calls.size() - 8), "Destroy\n") << calls;
    EXPECT_NE(calls.find("Get\nUserInfo\n"), std::string::npos);
    // Back on the store, where "Host" was deleted.
    EXPECT_EQ(R::Host(), "");
}

TEST_F(DatabaseModeTest, PermissionsComeFromThePlugin) {
    EXPECT_TRUE(HasPermission("AddAnnotations"));
    EXPECT_TRUE(HasControlPermission("edPort"));

    Reg().StartDatabaseMode(false, plugin_);
    ASSERT_EQ(Reg().Database().TryToConnectToDB(true, Reg().DatabaseAddress()), TConnectResult::Loaded);
    // Names in any letters; what is not listed is granted.
    ExpectEach<bool>(
        HasPermission,
        {{"AddAnnotations", false}, {"addannotations", false}, {"CanRunPagellan", true}, {"WebDocs", true}});
    ExpectEach<bool>(HasControlPermission,
                     {{"edPort", false}, {"EDPORT", false}, {"tbsMisc", true}, {"tbsPrinting", true}});
    EXPECT_EQ(Calls().find("debug"), std::string::npos);
}

TEST_F(DatabaseModeTest, UserWithoutPermissionToRunIsRefused) {
    WriteFile(db_ / "PagellanDB.ini", "[SETTINGS]\nPort=2526\n[PERMISSIONS]\nCanRunPagellan=0\n");
    Reg().StartDatabaseMode(false, plugin_);
    TRecordingPrompter prompter;
    EXPECT_EQ(Reg().Database().TryToConnectToDB(true, Reg().DatabaseAddress()), TConnectResult::NotPermitted);
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::Information);
    EXPECT_EQ(prompter.Entries()[0].Text,
              "Please contact your system administrator.\nYou do not have permission to run Pagellan.");

    // A permitted user sees no message.
    WriteFile(db_ / "PagellanDB.ini", "[PERMISSIONS]\nCanRunPagellan=1\n");
    prompter.Clear();
    EXPECT_EQ(Reg().Database().TryToConnectToDB(true, Reg().DatabaseAddress()), TConnectResult::Loaded);
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST_F(DatabaseModeTest, RegistryModeWhenThePluginOrServerIsMissing) {
    Reg().WriteString("Port", "2000");
    const auto expectStart = [this](const std::string& plugin, bool loaded, bool databaseMode) {
        Reg().StartDatabaseMode(false, plugin);
        EXPECT_EQ(Reg().Database().PluginLoaded(), loaded) << plugin;
        EXPECT_EQ(Reg().Database().DatabaseMode(), databaseMode) << plugin;
    };

    // No plug-in at the given place.
    expectStart((root_ / "nowhere").string(), false, false);
    EXPECT_EQ(Reg().Database().TryToConnectToDB(true, Reg().DatabaseAddress()), TConnectResult::NotConnected);

    // A library without the six entry points is not the plug-in.
    expectStart(PAGELLAN_TEST_INCOMPLETE_PLUGIN, false, false);

    // The server the configuration file names does not answer.
    WriteFile(config_, "[SETTINGS]\nDatabase IP Address=" + (root_ / "offline").string() + "\n");
    expectStart(plugin_, true, false);

    // Without a configuration file no server is asked for.
    fs::remove(config_);
    expectStart(plugin_, true, false);
    EXPECT_FALSE(fs::exists(db_ / "calls.log"));
    EXPECT_EQ(R::Port(), "2000");
    EXPECT_TRUE(HasPermission("CanRunPagellan"));

    // The folder named by PAGELLAN_PLUGIN_DIR is searched when no place is given.
    WriteFile(config_, "[SETTINGS]\nDatabase IP Address=" + db_.string() + "\n");
    ::setenv("PAGELLAN_PLUGIN_DIR", fs::path(plugin_).parent_path().c_str(), 1);
    expectStart("", true, true);
    ::unsetenv("PAGELLAN_PLUGIN_DIR");
    // A server refused at connection time moves nothing.
    EXPECT_EQ(Reg().Database().TryToConnectToDB(true, (root_ / "offline").string()),
              TConnectResult::NotConnected);
    EXPECT_TRUE(Reg().Database().DatabaseMode());
}

TEST_F(DatabaseModeTest, PluginFailureFallsBackToTheStore) {
    Reg().WriteString("Port", "2000");
    Reg().StartDatabaseMode(false, plugin_);
    ASSERT_EQ(Reg().Database().TryToConnectToDB(true, Reg().DatabaseAddress()), TConnectResult::Loaded);
    EXPECT_EQ(R::Port(), "2526");

    WriteFile(db_ / "fail", "");
    EXPECT_EQ(Reg().Database().TryToConnectToDB(false, Reg().DatabaseAddress()), TConnectResult::Failed);
    EXPECT_FALSE(Reg().Database().DatabaseMode());
    EXPECT_EQ(R::Port(), "2000");
    R::SetPort("2001");
    EXPECT_EQ(Reg().ReadString("Port", ""), "2001");
    EXPECT_NE(StoreText().find("Port=sz:2001"), std::string::npos);
    // Once off, database mode stays off.
    EXPECT_EQ(Reg().Database().TryToConnectToDB(true, Reg().DatabaseAddress()), TConnectResult::NotConnected);
    EXPECT_TRUE(HasPermission("AddAnnotations"));
}

} // namespace
} // namespace pg
