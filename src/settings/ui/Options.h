#pragma once
// TfrmOptions: the "Options" dialog. It edits every setting of the store, holds them in its
// controls while the program runs (other windows read its fields), applies the user's
// permissions of multi-user mode control by control, and hosts the file-association, shortcut
// and update-check buttons. It is made once and kept; every showing reloads from the store,
// OK saves (one file write), Cancel reloads.

#include <QDialog>

#include <functional>
#include <map>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace pg {

inline constexpr char kMailPortInvalid[] = "Invalid port. Valid ranges are 1 to 65535";
// The mail server's port as typed, 0 when it is no port (blank, not a number, out of range).
int MailPortOf(const QString& text);
// What the options say about the mail connection's security for the port typed and whether
// the account signs on (a POP3 user ID and password are set).
QString MailSecurityText(const QString& port, bool signsOn);

class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    // Page names for ShowOnPage.
    static constexpr char SystemPage[] = "System";
    static constexpr char PrintingPage[] = "Printing";
    static constexpr char ScanningPage[] = "Scanning";
    static constexpr char MiscPage[] = "Misc";
    static constexpr char MultiUserPage[] = "Multi-User";

    // executable: the program the file associations and the shortcut run (empty: the running
    // program).
    explicit TfrmOptions(QWidget* parent = nullptr, const std::string& executable = "");
    ~TfrmOptions() override;

    void ReadDocViewINI();
    void SaveDocViewINI();
    // Makes the page current, focuses the control (object name) when it can take the focus and
    // shows the dialog modally; answers QDialog::Accepted or Rejected.
    int ShowOnPage(const QString& page, const QString& control);
    // Applies the permissions and the dependent enabling; runs whenever the dialog is shown.
    void FormActivate();
    // The closing checks; true when the dialog may close. ok: closed with OK.
    bool FormCloseQuery(bool ok);

    // Seams with the desktop: the mail client check, the association check while loading and
    // the proxy and browser discovery. Each defaults to the real one.
    std::function<bool()> MapiInstalled;
    std::function<void()> AssociationCheck;
    // Whether dialogs made from now on check the associations as they load (runs that never
    // let the program register itself, such as most tests, turn it off).
    static inline bool CheckAssociationsOnLoad = true;
    std::function<std::string()> ProxyServerSetting; // "" when no system proxy is enabled
    std::string Executable;

    // Values held beside the controls.
    int32_t PageSizeWidth = 0;
    int32_t PageSizeHeight = 0;
    double PageScale = 100;
    int32_t MaxPageWindows = 4;
    std::string VersionListURL;
    std::string RequestHandlerURL;
    int32_t Environment = 0;
    std::string DateLastPolled;
    bool DefaultBrowserIsIE = false;
    bool DefaultBrowserIsNetscape = false;
    bool Duplexing = false;
    // Set by the update button's owner (the main window) to run the check; the dialog then
    // shows the new date.
    std::function<void()> CheckForUpdatesNow;

    // Pages and controls, named as the permissions name them.
    QTabWidget* pcOptions = nullptr;
    QWidget* tbsSystem = nullptr;
    QWidget* tbsPrinting = nullptr;
    QWidget* tbsScanning = nullptr;
    QWidget* tbsMisc = nullptr;
    QWidget* tbsMultiUser = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    // System.
    QPushButton* btnCreateShortCut = nullptr;
    QPushButton* btnRegisterFileTypes = nullptr;
    QLineEdit* FillDir = nullptr;
    QToolButton* FillDirButton = nullptr;
    QLineEdit* FormDir = nullptr;
    QToolButton* FormDirButton = nullptr;
    QComboBox* cbxEmailClient = nullptr;
    QGroupBox* rgDataFormat = nullptr;
    QTabWidget* pcEmail = nullptr;
    QWidget* tsMailServer = nullptr;
    QWidget* tsEmailBody = nullptr;
    QPlainTextEdit* memoEmailBody = nullptr;
    QLineEdit* edSMTPHost = nullptr;
    QLineEdit* edPort = nullptr;
    // Which security the mail connection will use, after the port and the account.
    QLabel* lblMailSecurity = nullptr;
    QLineEdit* edPOP3Host = nullptr;
    QLineEdit* edPOP3UserID = nullptr;
    QLineEdit* edPassword = nullptr;
    QLineEdit* edFromName = nullptr;
    QLineEdit* edFromEmailAddr = nullptr;
    QLineEdit* edAutomaticEmailCC = nullptr;
    QLabel* lblAutomaticEmailCC = nullptr;
    // Printing.
    QSpinBox* edAdditionalCopies = nullptr;
    QLineEdit* edOriginal = nullptr;
    QLineEdit* edFirstCopy = nullptr;
    QLineEdit* edSecondCopy = nullptr;
    QLineEdit* edThirdCopy = nullptr;
    QGroupBox* rgShowPrinterDialog = nullptr;
    QRadioButton* rbAlways = nullptr;
    QRadioButton* rbFirstPrintOnly = nullptr;
    QRadioButton* rbNever = nullptr;
    QCheckBox* cbxBarCodes = nullptr;
    QCheckBox* cbxFormNames = nullptr;
    QCheckBox* cbxPrintAllOnLegal = nullptr;
    QComboBox* cbxPrintMode = nullptr;
    QGroupBox* rgFillColor = nullptr;
    QCheckBox* cbxAntiAliasImage = nullptr;
    QComboBox* cbxImageQuality = nullptr;
    QComboBox* cbxImageScale = nullptr;
    QPushButton* btnSetOptimal = nullptr;
    QLineEdit* edLetterTray = nullptr;
    QLineEdit* edLegalTray = nullptr;
    QLabel* lblDuplex = nullptr;
    // Scanning.
    QSpinBox* DpiSpinEdit = nullptr;
    QSpinBox* PagesSpinEdit = nullptr;
    QSpinBox* BrightSpinEdit = nullptr;
    QSpinBox* ContrastSpinEdit = nullptr;
    QGroupBox* UseUiGroup = nullptr;
    QGroupBox* PaperSizeGroup = nullptr;
    QGroupBox* rgScannerType = nullptr;
    QPushButton* btnReset = nullptr;
    // Misc.
    QLineEdit* edQuodexHistoryDir = nullptr;
    QToolButton* sbQuodexTrack = nullptr;
    QLabel* lblQuodexHistoryDir = nullptr;
    QCheckBox* cbxEncryptInternet = nullptr;
    QCheckBox* cbxUseProxy = nullptr;
    QGroupBox* gbxProxy = nullptr;
    QRadioButton* rbUseDefaultBrowserProxySettings = nullptr;
    QRadioButton* rbUseCustomProxySettings = nullptr;
    QLineEdit* edProxyAddress = nullptr;
    QLineEdit* edProxyPort = nullptr;
    QLineEdit* edProxyUserName = nullptr;
    QLineEdit* edProxyPassword = nullptr;
    QLabel* lblProxyAddress = nullptr;
    QLabel* lblProxyPort = nullptr;
    QLabel* lblProxyUserName = nullptr;
    QLabel* lblProxyPassword = nullptr;
    QLabel* lblDefaultWebBrowser = nullptr;
    QLabel* lblWebBrowserVersion = nullptr;
    QLabel* lblWarning = nullptr;
    QGroupBox* gbxOrvalink = nullptr;
    QLineEdit* edServerName = nullptr;
    QCheckBox* cbxUseSSL = nullptr;
    QLineEdit* edWhereToSendHLWUsage = nullptr;
    QCheckBox* cbxUseSSLHlwUsage = nullptr;
    QGroupBox* grUpdates = nullptr;
    QLabel* lblCheckEvery = nullptr;
    QLabel* lblDays = nullptr;
    QLineEdit* edPollInterval = nullptr;
    QLabel* lblDateLastPolled = nullptr;
    QPushButton* btnCheckForUpdatesNow = nullptr;
    QPushButton* btnInternetSettings = nullptr;
    QCheckBox* cbxUploadAnnotations = nullptr;
    QGroupBox* rgEnvironment = nullptr;
    // Multi-User.
    QGroupBox* rgStorePreferences = nullptr;
    QWidget* pnlIPAddress = nullptr;
    QLineEdit* edIPAddress = nullptr;

    // Item indexes of the radio groups (-1: none chosen).
    static int ItemIndex(const QGroupBox* group);
    static void SetItemIndex(QGroupBox* group, int index);

    // Field handlers.
    bool CheckFolderField(QLineEdit* field);
    bool CheckFileField(QLineEdit* field);
    void BrowseFolder(QLineEdit* field, bool startAtProgram);
    void edAdditionalCopiesChange();
    void cbxEmailClientChange();
    void SetEncryption(bool on);
    void cbxUseSSLHlwUsageClick();
    void edServerNameDblClick();
    void edProxyPortExit();
    void UpdateMailSecurity();
    void UpdateProxyControls();
    void GetDefaultProxySettings();
    void GetBrowserSettings();
    void btnInternetSettingsClick();
    void btnSetOptimalClick();
    void btnResetClick();
    void btnRegisterFileTypesClick();
    void btnCreateShortCutClick();

public slots:
    void done(int result) override;
    // Runs the owner's check and shows the new date; also the About window's command.
    void btnCheckForUpdatesNowClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreatePages();
    QWidget* CreateSystemPage();
    QWidget* CreatePrintingPage();
    QWidget* CreateScanningPage();
    QWidget* CreateMiscPage();
    QWidget* CreateMultiUserPage();
    void ApplyEmailClient();
    std::string ResolvedFolder(const QLineEdit* field) const;
    std::string ProgramFolder() const;

    int storedEmailClient_ = 1;
    bool loading_ = false;
    bool addressCheckFailed_ = false;
};

} // namespace pg
