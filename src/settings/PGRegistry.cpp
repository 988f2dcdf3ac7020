#include "PGRegistry.h"

#include "DateTime.h"
#include "HLWRegistry.h"
#include "IniList.h"
#include "Paths.h"
#include "Strings.h"

#include <QByteArray>

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <cmath>

namespace pg {

// ---- texts ----

std::string DefaultEmailMessage() {
    return "If you haven't run Pagellan before, please double-click on the program first.  We will "
           "automatically build the associations in the settings.\r\n\r\n"
           "Next, double-click on the attached file. \r\n\r\n"
           "These instructions will vary with your email software.";
}

std::string DefaultEmailWarning() {
    // Single-byte text: 0x92 is the right single quotation mark of Windows-1252.
    return std::string("Emailing documents using Pagellan is NOT secure, and, therefore, may violate your "
                       "company\x92s policies relating to the Gramm-Leach-Bliley Act and its implementing "
                       "regulations, such as the FTC\x92s Safeguards Rule.  For information on Harlowen\x92s "
                       "Security, Data Privacy, and Nonpublic Personal Information Overview ") +
           "<A HREF=\"" + PrivacyPolicyURL + "\">Click Here.</A>" +
           "<BR><BR>Do you wish to continue anyway?<P align=\"center\"></P>";
}

static std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    size_t start = 0;
    for (size_t p = text.find(from); p != std::string_view::npos; p = text.find(from, start)) {
        out.append(text.substr(start, p - start));
        out.append(to);
        start = p + from.size();
    }
    out.append(text.substr(start));
    return out;
}

std::string CRLFMarkersToBreaks(std::string_view stored) {
    return ReplaceAll(stored, "<CRLF>", "\r\n");
}

std::string BreaksToCRLFMarkers(std::string_view text) {
    return ReplaceAll(text, "\r\n", "<CRLF>");
}

// ---- connection type ----

static std::string QueryInterfaces() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return "Not online";
    bool lan = false;
    for (const ifaddrs* a = list; a && !lan; a = a->ifa_next) {
        const bool up = (a->ifa_flags & IFF_UP) != 0 && (a->ifa_flags & IFF_LOOPBACK) == 0;
        const bool ip =
            a->ifa_addr && (a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6);
        lan = up && ip;
    }
    ::freeifaddrs(list);
    return lan ? "LAN" : "Not online";
}

static TConnectionTypeQuery& ConnectionQuery() {
    static TConnectionTypeQuery query;
    return query;
}

std::string InternetConnectionType() {
    const TConnectionTypeQuery& q = ConnectionQuery();
    return q ? q() : QueryInterfaces();
}

TConnectionTypeQuery SetConnectionTypeQuery(TConnectionTypeQuery query) {
    TConnectionTypeQuery previous = std::move(ConnectionQuery());
    ConnectionQuery() = std::move(query);
    return previous;
}

// ---- versions and passwords ----

std::string ProgramVersion() {
    return std::string(PAGELLAN_PROGRAM_VERSION).substr(0, 10);
}

std::string NormalizeVersion(std::string_view version) {
    if (version.empty())
        return "";
    std::string out;
    for (const std::string& part : Split(version, "."))
        out += PadLeft(part, 3, '0') + ".";
    out.pop_back();
    while (out.size() <= 14)
        out += ".000";
    return out;
}

std::string CutBeta(std::string_view version) {
    const size_t p = UpperCase(version).find("BETA");
    return std::string(p == std::string::npos ? version : version.substr(0, p));
}

std::string EncodeBase64(std::string_view bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

static bool IsBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

std::string DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0)
        return "";
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    const std::string_view body = text.substr(0, text.size() - padding);
    if (!std::all_of(body.begin(), body.end(), IsBase64Char))
        return "";
    const auto r =
        QByteArray::fromBase64Encoding(QByteArray(text.data(), static_cast<qsizetype>(text.size())),
                                       QByteArray::AbortOnBase64DecodingErrors);
    return r ? r.decoded.toStdString() : "";
}

// ---- the scanning plug-in ----

static TScanPluginQuery& ScanPluginQuery() {
    static TScanPluginQuery query;
    return query;
}

bool ScannerSettingsAvailable() {
    const TScanPluginQuery& q = ScanPluginQuery();
    return q && q();
}

TScanPluginQuery SetScanPluginQuery(TScanPluginQuery query) {
    TScanPluginQuery previous = std::move(ScanPluginQuery());
    ScanPluginQuery() = std::move(query);
    return previous;
}

// ---- permissions ----

bool HasPermission(const std::string& name) {
    return Registry().Database().HasPermission(name);
}

bool HasControlPermission(const std::string& controlName) {
    return HasPermission("_" + controlName);
}

namespace PGRegistry {

namespace {

std::string Str(const char* key, const std::string& def) {
    return Registry().ReadString(key, def);
}
void PutStr(const char* key, const std::string& v) {
    Registry().WriteString(key, v);
}
int32_t Int(const char* key, int32_t def) {
    return Registry().ReadInteger(key, def);
}
void PutInt(const char* key, int32_t v) {
    Registry().WriteInteger(key, v);
}
bool YesNo(const char* key, bool def) {
    return Registry().ReadString(key, std::string(YesNoText(def))) == YesNoText(true);
}
void PutYesNo(const char* key, bool v) {
    Registry().WriteString(key, std::string(YesNoText(v)));
}
bool ZeroOne(const char* key, bool def) {
    return Registry().ReadInteger(key, def ? 1 : 0) == 1;
}
void PutZeroOne(const char* key, bool v) {
    Registry().WriteInteger(key, v ? 1 : 0);
}
// The scanner settings belong to the scanning plug-in: without it they are neither read nor
// written, so a program without a scanner leaves a scanner user's values alone.
int32_t ScanInt(const char* key, int32_t def) {
    return ScannerSettingsAvailable() ? Int(key, def) : def;
}
void PutScanInt(const char* key, int32_t v) {
    if (ScannerSettingsAvailable())
        PutInt(key, v);
}

// Rule of the two form folders: the default of older versions pointed one level too high.
std::string RepairedFolder(const char* key, const char* oldDefault, const char* newDefault) {
    const std::string v = Str(key, newDefault);
    // Exactly the old default: a folder the user typed in other letters is the user's choice.
    if (v == oldDefault && !FolderExists(v)) {
        PutStr(key, newDefault);
        return newDefault;
    }
    return v;
}

} // namespace

std::string UsePrinter() {
    return Str(Keys::UsePrinter, "");
}
void SetUsePrinter(const std::string& v) {
    PutStr(Keys::UsePrinter, v);
}
std::string FillDir() {
    return RepairedFolder(Keys::FillDir, OldFillDir, DefaultFillDir);
}
void SetFillDir(const std::string& v) {
    PutStr(Keys::FillDir, v);
}
std::string FormDir() {
    return RepairedFolder(Keys::FormDir, OldFormDir, DefaultFormDir);
}
void SetFormDir(const std::string& v) {
    PutStr(Keys::FormDir, v);
}
int32_t PageSizeWidth() {
    return Int(Keys::PageSizeWidth, 0);
}
void SetPageSizeWidth(int32_t v) {
    PutInt(Keys::PageSizeWidth, v);
}
int32_t PageSizeHeight() {
    return Int(Keys::PageSizeHeight, 0);
}
void SetPageSizeHeight(int32_t v) {
    PutInt(Keys::PageSizeHeight, v);
}

double PageScale() {
    const double v = Registry().ReadFloat(Keys::PageScale, 20.0);
    return std::isfinite(v) && v >= 20.0 ? v : 20.0;
}
void SetPageScale(double v) {
    Registry().WriteFloat(Keys::PageScale, v);
}

int32_t FormFillColor() {
    return Int(Keys::FormFillColor, 1);
}
void SetFormFillColor(int32_t v) {
    PutInt(Keys::FormFillColor, v);
}
int32_t ImageQuality() {
    return Int(Keys::ImageQuality, 1);
}
void SetImageQuality(int32_t v) {
    PutInt(Keys::ImageQuality, v);
}

int32_t ImageScale() {
    const int32_t v = Int(Keys::ImageScale, 7);
    return v == 0 ? 7 : v;
}
void SetImageScale(int32_t v) {
    PutInt(Keys::ImageScale, v);
}

bool ImageAntiAlias() {
    return ZeroOne(Keys::ImageAntiAlias, true);
}
void SetImageAntiAlias(bool v) {
    PutZeroOne(Keys::ImageAntiAlias, v);
}
int32_t ImageMaxFormsInWin98() {
    return Int(Keys::ImageMaxFormsInWin98, 4);
}
void SetImageMaxFormsInWin98(int32_t v) {
    PutInt(Keys::ImageMaxFormsInWin98, v);
}
std::string PagellanVersion() {
    return Str(Keys::PagellanVersion, "0");
}
void SetPagellanVersion(const std::string& v) {
    PutStr(Keys::PagellanVersion, v);
}
std::string OrvalinkVersion() {
    return Str(Keys::OrvalinkVersion, "-1");
}

std::string QuodexHistoryDir() {
    const std::string def = ProgramDataFolder();
    const std::string v = Str(Keys::QuodexHistoryDir, def);
    return FolderExists(v) ? v : def;
}
void SetQuodexHistoryDir(const std::string& v) {
    PutStr(Keys::QuodexHistoryDir, v);
}

std::string URLForCurrentPagellan() {
    const std::string v = Str(Keys::URLForCurrentPagellan, VersionListURL);
    const size_t dot = v.rfind('.');
    const bool exe = dot != std::string::npos && SameText(std::string_view(v).substr(dot + 1, 3), "EXE");
    return v == PreviousVersionListURL || exe ? std::string(VersionListURL) : v;
}
void SetURLForCurrentPagellan(const std::string& v) {
    PutStr(Keys::URLForCurrentPagellan, v);
}

int32_t DaysBetweenUpdateChecks() {
    // Earlier versions stored the interval under a misspelled name; it is dropped, not carried
    // over, so an interval the user never chose under this name cannot come back.
    Registry().DeleteValue(Keys::DaysBetweenUpdateChecksMisspelled);
    const int32_t v = Int(Keys::DaysBetweenUpdateChecks, InternetConnectionType() == "LAN" ? 1 : 7);
    return v == 25 ? 1 : v;
}
void SetDaysBetweenUpdateChecks(int32_t v) {
    PutInt(Keys::DaysBetweenUpdateChecks, v);
}

std::string DateLastCheckedForUpdates() {
    return Str(Keys::DateLastCheckedForUpdates, DateText(Now()));
}
void SetDateLastCheckedForUpdates(const std::string& v) {
    PutStr(Keys::DateLastCheckedForUpdates, v);
}
std::string FromName() {
    return Str(Keys::FromName, "");
}
void SetFromName(const std::string& v) {
    PutStr(Keys::FromName, v);
}
std::string EmailAddr() {
    return Str(Keys::EmailAddr, "");
}
void SetEmailAddr(const std::string& v) {
    PutStr(Keys::EmailAddr, v);
}
std::string Host() {
    return Str(Keys::Host, "");
}
void SetHost(const std::string& v) {
    PutStr(Keys::Host, v);
}
std::string POP3Host() {
    return Str(Keys::POP3Host, "");
}
void SetPOP3Host(const std::string& v) {
    PutStr(Keys::POP3Host, v);
}
std::string POP3UserID() {
    return Str(Keys::POP3UserID, "");
}
void SetPOP3UserID(const std::string& v) {
    PutStr(Keys::POP3UserID, v);
}
std::string Port() {
    return Str(Keys::Port, "25");
}
void SetPort(const std::string& v) {
    PutStr(Keys::Port, v);
}
std::string Password() {
    return Str(Keys::Password, "");
}
void SetPassword(const std::string& v) {
    PutStr(Keys::Password, v);
}
std::string AutomaticEmailCC() {
    return Str(Keys::AutomaticEmailCC, "");
}
void SetAutomaticEmailCC(const std::string& v) {
    PutStr(Keys::AutomaticEmailCC, v);
}
int32_t EmailClient() {
    return Int(Keys::EmailClient, 1);
}
void SetEmailClient(int32_t v) {
    PutInt(Keys::EmailClient, v);
}
std::string EmailMessage() {
    return Str(Keys::EmailMessage, DefaultEmailMessage());
}
void SetEmailMessage(const std::string& v) {
    PutStr(Keys::EmailMessage, v);
}
int32_t EmailDocumentFormat() {
    return Int(Keys::EmailDocumentFormat, 0);
}
void SetEmailDocumentFormat(int32_t v) {
    PutInt(Keys::EmailDocumentFormat, v);
}
std::string EmailWarning() {
    return Str(Keys::EmailWarning, DefaultEmailWarning());
}
std::string LetterTray() {
    return Str(Keys::LetterTray, "");
}
void SetLetterTray(const std::string& v) {
    PutStr(Keys::LetterTray, v);
}
std::string LegalTray() {
    return Str(Keys::LegalTray, "");
}
void SetLegalTray(const std::string& v) {
    PutStr(Keys::LegalTray, v);
}
bool BarCode() {
    return YesNo(Keys::BarCode, false);
}
void SetBarCode(bool v) {
    PutYesNo(Keys::BarCode, v);
}
bool PrintFormNames() {
    return YesNo(Keys::PrintFormNames, true);
}
void SetPrintFormNames(bool v) {
    PutYesNo(Keys::PrintFormNames, v);
}
int32_t AdditionalCopies() {
    return Int(Keys::AdditionalCopies, 0);
}
void SetAdditionalCopies(int32_t v) {
    PutInt(Keys::AdditionalCopies, v);
}
std::string OriginalCopy() {
    return Str(Keys::OriginalCopy, "");
}
void SetOriginalCopy(const std::string& v) {
    PutStr(Keys::OriginalCopy, v);
}
std::string Copy1() {
    return Str(Keys::Copy1, "");
}
void SetCopy1(const std::string& v) {
    PutStr(Keys::Copy1, v);
}
std::string Copy2() {
    return Str(Keys::Copy2, "");
}
void SetCopy2(const std::string& v) {
    PutStr(Keys::Copy2, v);
}
std::string Copy3() {
    return Str(Keys::Copy3, "");
}
void SetCopy3(const std::string& v) {
    PutStr(Keys::Copy3, v);
}
int32_t PrinterDlg() {
    return Int(Keys::PrinterDlg, 0);
}
void SetPrinterDlg(int32_t v) {
    PutInt(Keys::PrinterDlg, v);
}
int32_t PrintType() {
    return Int(Keys::PrintType, 0);
}
void SetPrintType(int32_t v) {
    PutInt(Keys::PrintType, v);
}
bool PrintAllOnLegal() {
    return ZeroOne(Keys::PrintAllOnLegal, false);
}
void SetPrintAllOnLegal(bool v) {
    PutZeroOne(Keys::PrintAllOnLegal, v);
}
int32_t ScanDPI() {
    return ScanInt(Keys::ScanDPI, 300);
}
void SetScanDPI(int32_t v) {
    PutScanInt(Keys::ScanDPI, v);
}
int32_t ScanBright() {
    return ScanInt(Keys::ScanBright, -400);
}
void SetScanBright(int32_t v) {
    PutScanInt(Keys::ScanBright, v);
}
int32_t ScanContrast() {
    return ScanInt(Keys::ScanContrast, 25);
}
void SetScanContrast(int32_t v) {
    PutScanInt(Keys::ScanContrast, v);
}
int32_t ScanPages() {
    return ScanInt(Keys::ScanPages, 1000);
}
void SetScanPages(int32_t v) {
    PutScanInt(Keys::ScanPages, v);
}
int32_t ScanScannerType() {
    return ScanInt(Keys::ScanScannerType, 0);
}
void SetScanScannerType(int32_t v) {
    PutScanInt(Keys::ScanScannerType, v);
}
bool SSL() {
    return YesNo(Keys::SSL, true);
}
void SetSSL(bool v) {
    PutYesNo(Keys::SSL, v);
}
bool UseProxy() {
    return YesNo(Keys::UseProxy, false);
}
void SetUseProxy(bool v) {
    PutYesNo(Keys::UseProxy, v);
}
bool UseDefaultProxySettings() {
    return YesNo(Keys::UseDefaultProxySettings, false);
}
void SetUseDefaultProxySettings(bool v) {
    PutYesNo(Keys::UseDefaultProxySettings, v);
}
bool UseCustomProxySettings() {
    return YesNo(Keys::UseCustomProxySettings, false);
}
void SetUseCustomProxySettings(bool v) {
    PutYesNo(Keys::UseCustomProxySettings, v);
}
std::string ProxyAddress() {
    return Str(Keys::ProxyAddress, "");
}
void SetProxyAddress(const std::string& v) {
    PutStr(Keys::ProxyAddress, v);
}
std::string ProxyPort() {
    return Str(Keys::ProxyPort, "");
}
void SetProxyPort(const std::string& v) {
    PutStr(Keys::ProxyPort, v);
}
std::string ProxyUserName() {
    return Str(Keys::ProxyUserName, "");
}
void SetProxyUserName(const std::string& v) {
    PutStr(Keys::ProxyUserName, v);
}
std::string ProxyPassword() {
    return Str(Keys::ProxyPassword, "");
}
void SetProxyPassword(const std::string& v) {
    PutStr(Keys::ProxyPassword, v);
}
int32_t Server() {
    return Int(Keys::Server, 0);
}
void SetServer(int32_t v) {
    PutInt(Keys::Server, v);
}
std::string URLForRequestHandler() {
    return Str(Keys::URLForRequestHandler, RequestHandlerURL);
}
std::string WebDocsWithPwd() {
    return Str(Keys::WebDocsWithPwd, WebDocsURL);
}
void SetWebDocsWithPwd(const std::string& v) {
    PutStr(Keys::WebDocsWithPwd, v);
}

// ---- version stamp and passwords ----

TVersionAndPasswords LoadVersionAndPasswords() {
    std::string stored = PagellanVersion();
    if (OrvalinkVersion() != "-1")
        stored = "99";
    TVersionAndPasswords r;
    r.StoredVersion = NormalizeVersion(CutBeta(stored));
    r.CurrentVersion = NormalizeVersion(CutBeta(ProgramVersion()));
    r.Password = Password();
    r.ProxyPassword = ProxyPassword();
    if (r.StoredVersion >= "003.005.000.000" || r.Password.size() > 100) {
        r.Password = DecodeBase64(r.Password);
        r.ProxyPassword = DecodeBase64(r.ProxyPassword);
    }
    if (r.Password.size() > 100)
        r.Password.clear();
    return r;
}

void StampProgramVersion() {
    SetPagellanVersion(ProgramVersion());
}

void SavePasswords(const std::string& password, const std::string& proxyPassword) {
    SetPassword(EncodeBase64(password));
    SetProxyPassword(EncodeBase64(proxyPassword));
}

// ---- settings by name ----

namespace {

TSettingInfo StringSetting(const char* name, std::string (*get)(), void (*set)(const std::string&)) {
    TSettingInfo s{name, TSettingKind::String, get, {}};
    if (set)
        s.Set = [set](const std::string& text) {
            set(text);
            return true;
        };
    return s;
}

TSettingInfo IntegerSetting(const char* name, int32_t (*get)(), void (*set)(int32_t)) {
    return {name, TSettingKind::Integer, [get] { return IntToStr(get()); },
            [set](const std::string& text) {
                const int64_t v = StrToInt64Def(text, INT64_MIN);
                if (v < INT32_MIN || v > INT32_MAX)
                    return false;
                set(static_cast<int32_t>(v));
                return true;
            }};
}

TSettingInfo ScannerSetting(const char* name, int32_t (*get)(), void (*set)(int32_t)) {
    TSettingInfo s = IntegerSetting(name, get, set);
    s.NeedsScanPlugin = true;
    return s;
}

TSettingInfo FloatSetting(const char* name, double (*get)(), void (*set)(double)) {
    return {name, TSettingKind::Float, [get] { return FloatToStr(get()); },
            [set](const std::string& text) {
                double v = 0;
                if (!TryStrToFloat(text, v))
                    return false;
                set(v);
                return true;
            }};
}

// Flags accept Yes/No, 1/0 and true/false in any case.
bool ParseFlag(const std::string& text, bool& v) {
    const std::string t = UpperCase(Trim(text));
    if (t == "YES" || t == "1" || t == "TRUE")
        v = true;
    else if (t == "NO" || t == "0" || t == "FALSE")
        v = false;
    else
        return false;
    return true;
}

TSettingInfo FlagSetting(const char* name, TSettingKind kind, bool (*get)(), void (*set)(bool)) {
    const bool yesNo = kind == TSettingKind::YesNo;
    return {name, kind,
            [get, yesNo] {
                const bool v = get();
                return std::string(yesNo ? YesNoText(v) : (v ? "1" : "0"));
            },
            [set](const std::string& text) {
                bool v = false;
                if (!ParseFlag(text, v))
                    return false;
                set(v);
                return true;
            }};
}

std::vector<TSettingInfo> MakeSettings() {
    using K = TSettingKind;
    return {
        StringSetting(Keys::UsePrinter, UsePrinter, SetUsePrinter),
        StringSetting(Keys::FillDir, FillDir, SetFillDir),
        StringSetting(Keys::FormDir, FormDir, SetFormDir),
        IntegerSetting(Keys::PageSizeWidth, PageSizeWidth, SetPageSizeWidth),
        IntegerSetting(Keys::PageSizeHeight, PageSizeHeight, SetPageSizeHeight),
        FloatSetting(Keys::PageScale, PageScale, SetPageScale),
        IntegerSetting(Keys::FormFillColor, FormFillColor, SetFormFillColor),
        IntegerSetting(Keys::ImageQuality, ImageQuality, SetImageQuality),
        IntegerSetting(Keys::ImageScale, ImageScale, SetImageScale),
        FlagSetting(Keys::ImageAntiAlias, K::ZeroOne, ImageAntiAlias, SetImageAntiAlias),
        IntegerSetting(Keys::ImageMaxFormsInWin98, ImageMaxFormsInWin98, SetImageMaxFormsInWin98),
        StringSetting(Keys::PagellanVersion, PagellanVersion, SetPagellanVersion),
        StringSetting(Keys::OrvalinkVersion, OrvalinkVersion, nullptr),
        StringSetting(Keys::QuodexHistoryDir, QuodexHistoryDir, SetQuodexHistoryDir),
        StringSetting(Keys::URLForCurrentPagellan, URLForCurrentPagellan, SetURLForCurrentPagellan),
        IntegerSetting(Keys::DaysBetweenUpdateChecks, DaysBetweenUpdateChecks, SetDaysBetweenUpdateChecks),
        StringSetting(Keys::DateLastCheckedForUpdates, DateLastCheckedForUpdates,
                      SetDateLastCheckedForUpdates),
        StringSetting(Keys::FromName, FromName, SetFromName),
        StringSetting(Keys::EmailAddr, EmailAddr, SetEmailAddr),
        StringSetting(Keys::Host, Host, SetHost),
        StringSetting(Keys::POP3Host, POP3Host, SetPOP3Host),
        StringSetting(Keys::POP3UserID, POP3UserID, SetPOP3UserID),
        StringSetting(Keys::Port, Port, SetPort),
        StringSetting(Keys::Password, Password, SetPassword),
        StringSetting(Keys::AutomaticEmailCC, AutomaticEmailCC, SetAutomaticEmailCC),
        IntegerSetting(Keys::EmailClient, EmailClient, SetEmailClient),
        StringSetting(Keys::EmailMessage, EmailMessage, SetEmailMessage),
        IntegerSetting(Keys::EmailDocumentFormat, EmailDocumentFormat, SetEmailDocumentFormat),
        StringSetting(Keys::EmailWarning, EmailWarning, nullptr),
        StringSetting(Keys::LetterTray, LetterTray, SetLetterTray),
        StringSetting(Keys::LegalTray, LegalTray, SetLegalTray),
        FlagSetting(Keys::BarCode, K::YesNo, BarCode, SetBarCode),
        FlagSetting(Keys::PrintFormNames, K::YesNo, PrintFormNames, SetPrintFormNames),
        IntegerSetting(Keys::AdditionalCopies, AdditionalCopies, SetAdditionalCopies),
        StringSetting(Keys::OriginalCopy, OriginalCopy, SetOriginalCopy),
        StringSetting(Keys::Copy1, Copy1, SetCopy1),
        StringSetting(Keys::Copy2, Copy2, SetCopy2),
        StringSetting(Keys::Copy3, Copy3, SetCopy3),
        IntegerSetting(Keys::PrinterDlg, PrinterDlg, SetPrinterDlg),
        IntegerSetting(Keys::PrintType, PrintType, SetPrintType),
        FlagSetting(Keys::PrintAllOnLegal, K::ZeroOne, PrintAllOnLegal, SetPrintAllOnLegal),
        ScannerSetting(Keys::ScanDPI, ScanDPI, SetScanDPI),
        ScannerSetting(Keys::ScanBright, ScanBright, SetScanBright),
        ScannerSetting(Keys::ScanContrast, ScanContrast, SetScanContrast),
        ScannerSetting(Keys::ScanPages, ScanPages, SetScanPages),
        ScannerSetting(Keys::ScanScannerType, ScanScannerType, SetScanScannerType),
        FlagSetting(Keys::SSL, K::YesNo, SSL, SetSSL),
        FlagSetting(Keys::UseProxy, K::YesNo, UseProxy, SetUseProxy),
        FlagSetting(Keys::UseDefaultProxySettings, K::YesNo, UseDefaultProxySettings,
                    SetUseDefaultProxySettings),
        FlagSetting(Keys::UseCustomProxySettings, K::YesNo, UseCustomProxySettings,
                    SetUseCustomProxySettings),
        StringSetting(Keys::ProxyAddress, ProxyAddress, SetProxyAddress),
        StringSetting(Keys::ProxyPort, ProxyPort, SetProxyPort),
        StringSetting(Keys::ProxyUserName, ProxyUserName, SetProxyUserName),
        StringSetting(Keys::ProxyPassword, ProxyPassword, SetProxyPassword),
        IntegerSetting(Keys::Server, Server, SetServer),
        StringSetting(Keys::URLForRequestHandler, URLForRequestHandler, nullptr),
        StringSetting(Keys::WebDocsWithPwd, WebDocsWithPwd, SetWebDocsWithPwd),
    };
}

} // namespace

const std::vector<TSettingInfo>& Settings() {
    static const std::vector<TSettingInfo> settings = MakeSettings();
    return settings;
}

const TSettingInfo* FindSetting(std::string_view name) {
    for (const TSettingInfo& s : Settings())
        if (SameText(s.Name, name))
            return &s;
    return nullptr;
}

} // namespace PGRegistry

} // namespace pg
