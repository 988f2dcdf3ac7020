#pragma once
// PGRegistry: one typed getter and one typed setter per setting, each with the setting's
// default and its own clean-up rules, over the process-wide store (Registry()). Getters never
// fail: a missing value or a value of the wrong kind gives the default. Nothing is cached.
//
// Yes/No settings are stored as the strings "Yes" and "No" (only "Yes" exactly is true); 0/1
// settings as the integers 1 and 0 (only 1 is true).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

namespace Keys {
inline constexpr char UsePrinter[] = "UsePrinter";
inline constexpr char FillDir[] = "FillDir";
inline constexpr char FormDir[] = "FormDir";
inline constexpr char PageSizeWidth[] = "PageSizeWidth";
inline constexpr char PageSizeHeight[] = "PageSizeHeight";
inline constexpr char PageScale[] = "PageScale";
inline constexpr char FormFillColor[] = "FormFillColor";
inline constexpr char ImageQuality[] = "Image-Quality";
inline constexpr char ImageScale[] = "Image-Scale";
inline constexpr char ImageAntiAlias[] = "Image-AntiAlias";
inline constexpr char ImageMaxFormsInWin98[] = "Image-MaxFormsInWin98";
inline constexpr char PagellanVersion[] = "Pagellan Version";
inline constexpr char OrvalinkVersion[] = "Orvalink Version";
inline constexpr char QuodexHistoryDir[] = "Quodex History Dir";
inline constexpr char URLForCurrentPagellan[] = "URLForCurrentPagellan";
inline constexpr char DaysBetweenUpdateChecks[] = "Days between update checks";
inline constexpr char DaysBetweenUpdateChecksMisspelled[] = "Days beween update checks";
inline constexpr char DateLastCheckedForUpdates[] = "Date last checked for updates";
inline constexpr char FromName[] = "From Name";
inline constexpr char EmailAddr[] = "Email Addr";
inline constexpr char Host[] = "Host";
inline constexpr char POP3Host[] = "POP3Host";
inline constexpr char POP3UserID[] = "POP3UserID";
inline constexpr char Port[] = "Port";
inline constexpr char Password[] = "Password";
inline constexpr char AutomaticEmailCC[] = "AutomaticEmailCC";
inline constexpr char EmailClient[] = "EmailClient";
inline constexpr char EmailMessage[] = "Email Message";
inline constexpr char EmailDocumentFormat[] = "Email document format";
inline constexpr char EmailWarning[] = "Email Warning";
inline constexpr char LetterTray[] = "Letter Tray";
inline constexpr char LegalTray[] = "Legal Tray";
inline constexpr char BarCode[] = "BarCode";
inline constexpr char PrintFormNames[] = "Print Form Names";
inline constexpr char AdditionalCopies[] = "Additional Copies";
inline constexpr char OriginalCopy[] = "Original Copy";
inline constexpr char Copy1[] = "Copy 1";
inline constexpr char Copy2[] = "Copy 2";
inline constexpr char Copy3[] = "Copy 3";
inline constexpr char PrinterDlg[] = "PrinterDlg";
inline constexpr char PrintType[] = "PrintType";
inline constexpr char PrintAllOnLegal[] = "Print All on legal";
inline constexpr char ScanDPI[] = "ScanDPI";
inline constexpr char ScanBright[] = "ScanBright";
inline constexpr char ScanContrast[] = "ScanContrast";
inline constexpr char ScanPages[] = "ScanPages";
inline constexpr char ScanScannerType[] = "ScanScannerType";
inline constexpr char SSL[] = "SSL";
inline constexpr char UseProxy[] = "UseProxy";
inline constexpr char UseDefaultProxySettings[] = "UseDefaultProxySettings";
inline constexpr char UseCustomProxySettings[] = "UseCustomProxySettings";
inline constexpr char ProxyAddress[] = "ProxyAddress";
inline constexpr char ProxyPort[] = "ProxyPort";
inline constexpr char ProxyUserName[] = "ProxyUserName";
inline constexpr char ProxyPassword[] = "ProxyPassword";
inline constexpr char Server[] = "Server";
inline constexpr char URLForRequestHandler[] = "URLForRequestHandler";
inline constexpr char WebDocsWithPwd[] = "WebDocs_w_Pwd";
} // namespace Keys

// The maker's web endpoints.
inline constexpr char MakerSite[] = "https://www.harlowen.com";
inline constexpr char VersionListURL[] =
    "https://www.harlowen.com/media/download/software/versions/hlwsoftwareversions.xml";
inline constexpr char PreviousVersionListURL[] =
    "https://www.harlowen.com/download/software/versions/hlwsoftwareversions.xml";
inline constexpr char RequestHandlerURL[] = "https://www.harlowen.com/servlet/RequestHandler";
inline constexpr char WebDocsURL[] = "https://www.harlowen.com/webservices/webdocs/Process";
inline constexpr char PrivacyPolicyURL[] = "https://www.harlowen.com/privacy-policy";

inline constexpr char OldFillDir[] = "..\\..\\LENDER\\XFER";
inline constexpr char DefaultFillDir[] = "../LENDER/XFER";
inline constexpr char OldFormDir[] = "..\\..\\LENDER\\LSR";
inline constexpr char DefaultFormDir[] = "../LENDER/LSR";

// The default body of outgoing mail, with real CR LF line breaks.
std::string DefaultEmailMessage();
// The default warning shown before mailing (HTML, single-byte text).
std::string DefaultEmailWarning();
// "<CRLF>" markers, as "Email Message" stores line breaks, into CR LF and back.
std::string CRLFMarkersToBreaks(std::string_view stored);
std::string BreaksToCRLFMarkers(std::string_view text);

// The machine's connection type: "LAN" when a network interface other than the loopback is
// up, else "Not online". Decides the default update interval.
std::string InternetConnectionType();
// Replaces the query (tests); answers the previous one. An empty function restores the real one.
using TConnectionTypeQuery = std::function<std::string()>;
TConnectionTypeQuery SetConnectionTypeQuery(TConnectionTypeQuery query);

// Whether the scanning plug-in is loaded: the scanner settings ("ScanDPI" and the rest) are
// read and written only while it is; otherwise their getters give the defaults and their
// setters store nothing. The program that loads the plug-in installs the query; without one
// the plug-in counts as absent. Answers the previous query.
using TScanPluginQuery = std::function<bool()>;
TScanPluginQuery SetScanPluginQuery(TScanPluginQuery query);
bool ScannerSettingsAvailable();

// The program's own version text, at most 10 characters ("4.1.0.3").
std::string ProgramVersion();
// Each "."-separated part left-padded with "0" to three characters, a trailing "." dropped,
// then ".000" appended while the text is at most 14 characters: "4.3.0.9" -> "004.003.000.009".
std::string NormalizeVersion(std::string_view version);
// Everything from "BETA" (any case) on removed.
std::string CutBeta(std::string_view version);

// Base64 (RFC 4648 alphabet, "=" padding) of the bytes.
std::string EncodeBase64(std::string_view bytes);
// The decoded bytes; text that is not valid Base64 (a length that is not a multiple of four, a
// character outside the alphabet, misplaced padding) gives the empty text.
std::string DecodeBase64(std::string_view text);

// Permissions of database mode; every permission is granted outside it.
bool HasPermission(const std::string& name);
// HasPermission of "_" + the control name.
bool HasControlPermission(const std::string& controlName);

namespace PGRegistry {

// Written only (the printer last chosen).
std::string UsePrinter();
void SetUsePrinter(const std::string& v);
// An old default "..\..\LENDER\XFER" naming no folder is repaired to "..\LENDER\XFER" and
// written back; the same for "FormDir" with "LSR".
std::string FillDir();
void SetFillDir(const std::string& v);
std::string FormDir();
void SetFormDir(const std::string& v);
int32_t PageSizeWidth();
void SetPageSizeWidth(int32_t v);
int32_t PageSizeHeight();
void SetPageSizeHeight(int32_t v);
// Below 20 reads as 20.
double PageScale();
void SetPageScale(double v);
int32_t FormFillColor();
void SetFormFillColor(int32_t v);
int32_t ImageQuality();
void SetImageQuality(int32_t v);
// 0 reads as 7.
int32_t ImageScale();
void SetImageScale(int32_t v);
bool ImageAntiAlias();
void SetImageAntiAlias(bool v);
int32_t ImageMaxFormsInWin98();
void SetImageMaxFormsInWin98(int32_t v);
std::string PagellanVersion();
void SetPagellanVersion(const std::string& v);
std::string OrvalinkVersion();
// The program data folder (created) when the stored folder does not exist.
std::string QuodexHistoryDir();
void SetQuodexHistoryDir(const std::string& v);
// The current version-list address when the stored one is the previous default or ends in ".exe".
std::string URLForCurrentPagellan();
void SetURLForCurrentPagellan(const std::string& v);
// 1 on a LAN, else 7; a stored 25 reads as 1. Deletes the misspelled old value on every call.
int32_t DaysBetweenUpdateChecks();
void SetDaysBetweenUpdateChecks(int32_t v);
// "mm/dd/yyyy"; today when absent.
std::string DateLastCheckedForUpdates();
void SetDateLastCheckedForUpdates(const std::string& v);
std::string FromName();
void SetFromName(const std::string& v);
std::string EmailAddr();
void SetEmailAddr(const std::string& v);
std::string Host();
void SetHost(const std::string& v);
std::string POP3Host();
void SetPOP3Host(const std::string& v);
std::string POP3UserID();
void SetPOP3UserID(const std::string& v);
std::string Port();
void SetPort(const std::string& v);
// The stored (Base64) text; see LoadVersionAndPasswords.
std::string Password();
void SetPassword(const std::string& v);
std::string AutomaticEmailCC();
void SetAutomaticEmailCC(const std::string& v);
int32_t EmailClient();
void SetEmailClient(int32_t v);
// The stored text, line breaks as "<CRLF>"; the default has real CR LF breaks.
std::string EmailMessage();
void SetEmailMessage(const std::string& v);
int32_t EmailDocumentFormat();
void SetEmailDocumentFormat(int32_t v);
std::string EmailWarning();
std::string LetterTray();
void SetLetterTray(const std::string& v);
std::string LegalTray();
void SetLegalTray(const std::string& v);
bool BarCode();
void SetBarCode(bool v);
bool PrintFormNames();
void SetPrintFormNames(bool v);
int32_t AdditionalCopies();
void SetAdditionalCopies(int32_t v);
std::string OriginalCopy();
void SetOriginalCopy(const std::string& v);
std::string Copy1();
void SetCopy1(const std::string& v);
std::string Copy2();
void SetCopy2(const std::string& v);
std::string Copy3();
void SetCopy3(const std::string& v);
int32_t PrinterDlg();
void SetPrinterDlg(int32_t v);
int32_t PrintType();
void SetPrintType(int32_t v);
bool PrintAllOnLegal();
void SetPrintAllOnLegal(bool v);
int32_t ScanDPI();
void SetScanDPI(int32_t v);
int32_t ScanBright();
void SetScanBright(int32_t v);
int32_t ScanContrast();
void SetScanContrast(int32_t v);
int32_t ScanPages();
void SetScanPages(int32_t v);
int32_t ScanScannerType();
void SetScanScannerType(int32_t v);
bool SSL();
void SetSSL(bool v);
bool UseProxy();
void SetUseProxy(bool v);
bool UseDefaultProxySettings();
void SetUseDefaultProxySettings(bool v);
bool UseCustomProxySettings();
void SetUseCustomProxySettings(bool v);
std::string ProxyAddress();
void SetProxyAddress(const std::string& v);
std::string ProxyPort();
void SetProxyPort(const std::string& v);
std::string ProxyUserName();
void SetProxyUserName(const std::string& v);
// The stored (Base64) text; see LoadVersionAndPasswords.
std::string ProxyPassword();
void SetProxyPassword(const std::string& v);
int32_t Server();
void SetServer(int32_t v);
std::string URLForRequestHandler();
std::string WebDocsWithPwd();
void SetWebDocsWithPwd(const std::string& v);

// The version stamp and the two passwords as the options are loaded.
struct TVersionAndPasswords {
    std::string StoredVersion;  // normalized "Pagellan Version" ("099..." for an Orvalink store)
    std::string CurrentVersion; // normalized ProgramVersion
    std::string Password;       // ready to use
    std::string ProxyPassword;  // ready to use
};
// Reads "Pagellan Version" and the passwords; the passwords are Base64-decoded when the
// stored version is 3.5.0.0 or later or the stored password is longer than 100 characters,
// and a password still longer than 100 characters is dropped. Writes nothing.
TVersionAndPasswords LoadVersionAndPasswords();
// "Pagellan Version" := ProgramVersion.
void StampProgramVersion();
// Stores both passwords as Base64.
void SavePasswords(const std::string& password, const std::string& proxyPassword);

// Every setting by its key text, for tools that show and edit the store by name.
enum class TSettingKind { String, Integer, Float, YesNo, ZeroOne };
struct TSettingInfo {
    std::string Name;
    TSettingKind Kind;
    // The getter's value as text: Yes/No settings "Yes" or "No", 0/1 settings "1" or "0".
    std::function<std::string()> Get;
    // Parses the text and calls the setter; false when the text does not fit the kind. Empty
    // for the settings that are only read.
    std::function<bool(const std::string&)> Set;
    // A scanner setting: stored only while the scanning plug-in is loaded.
    bool NeedsScanPlugin = false;
};
const std::vector<TSettingInfo>& Settings();
// The entry for the key text (letter case ignored); nullptr when there is none.
const TSettingInfo* FindSetting(std::string_view name);

} // namespace PGRegistry

} // namespace pg
