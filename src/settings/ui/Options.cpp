#include "Options.h"

#include "CommandLine.h"
#include "FileAssociations.h"
#include "HLWRegistry.h"
#include "HelpHook.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Prompt.h"
#include "QtText.h"
#include "Strings.h"
#include "SystemProxy.h"
#include "Trace.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>

namespace pg {

namespace R = PGRegistry;

namespace {

constexpr char MapiClientItem[] = "Default Email Client (Desktop mail program)  ";
constexpr char SmtpClientItem[] = "HLW SMTP client";
constexpr int SmtpClient = 0;
constexpr int MapiClient = 1;
// "Check For Updates Every ... Days.": the days the field takes.
constexpr int kMinPollDays = 1;
constexpr int kMaxPollDays = 30;
constexpr char kPollIntervalInvalid[] = "Update interval invalid.\r\nRange is 1 to 30 days";
// Where the maker's usage figures go.
constexpr char UsageAddress[] = "https://www.harlowen.com/servlet/UsageTracking";
// The local servlet the "/Test" and "/Debug" runs can talk to instead of the WebDocs service.
constexpr char TestServletURL[] = "http://localhost:8080/remoteservlet";
constexpr char MiscNote[] =
    "If you require secure communication similar to Credit Card processing on the Web, click "
    "the box below.  However, if you are having a difficulty connecting to the WebDocs server, "
    "your network may not support encyption and therefore, you should leave this option "
    "unchecked.";
constexpr char DefaultMailPort[] = "25";
constexpr char DuplexOn[] = "Duplexing : ON";
constexpr char DuplexOff[] = "Duplexing : OFF";

// The controls the permissions of multi-user mode name ("_" + name), beside the pages.
constexpr const char* PermissionControls[] = {"btnCreateShortCut",
                                              "btnRegisterFileTypes",
                                              "FillDir",
                                              "FillDirButton",
                                              "FormDir",
                                              "FormDirButton",
                                              "cbxEmailClient",
                                              "memoEmailBody",
                                              "edSMTPHost",
                                              "edPort",
                                              "edPOP3Host",
                                              "edPOP3UserID",
                                              "edPassword",
                                              "edFromName",
                                              "edFromEmailAddr",
                                              "edAutomaticEmailCC",
                                              "rgDataFormat",
                                              "rbAlways",
                                              "rbFirstPrintOnly",
                                              "rbNever",
                                              "edLetterTray",
                                              "edLegalTray",
                                              "cbxBarCodes",
                                              "cbxFormNames",
                                              "edAdditionalCopies",
                                              "edOriginal",
                                              "edFirstCopy",
                                              "edSecondCopy",
                                              "edThirdCopy",
                                              "cbxPrintMode",
                                              "cbxPrintAllOnLegal",
                                              "rgFillColor",
                                              "cbxAntiAliasImage",
                                              "edPollInterval",
                                              "btnCheckForUpdatesNow",
                                              "edQuodexHistoryDir"};

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLineEdit* Edit(const char* name, const char* hint = nullptr) {
    auto* e = Named(new QLineEdit, name);
    if (hint)
        e->setToolTip(hint);
    return e;
}

QGroupBox* RadioGroup(const char* name, const QString& caption, const QStringList& items,
                      const QStringList& itemNames = {}) {
    auto* box = Named(new QGroupBox(caption), name);
    auto* group = new QButtonGroup(box);
    group->setObjectName(QString(name) + "Buttons");
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* rb = new QRadioButton(items[i]);
        if (i < itemNames.size())
            rb->setObjectName(itemNames[i]);
        group->addButton(rb, i);
        layout->addWidget(rb);
    }
    return box;
}

QSpinBox* Spin(const char* name, int low, int high, int step) {
    auto* s = Named(new QSpinBox, name);
    s->setRange(low, high);
    s->setSingleStep(step);
    return s;
}

std::string Text(const QLineEdit* e) {
    return ToPackageText(e->text());
}

void SetText(QLineEdit* e, const std::string& text) {
    e->setText(FromPackageText(text));
}

QString TodayText() {
    return QDate::currentDate().toString("MM/dd/yyyy");
}

} // namespace

TfrmOptions::TfrmOptions(QWidget* parent, const std::string& executable)
    : QDialog(parent), Executable(executable) {
    setObjectName("frmOptions");
    setWindowTitle("Options");
    if (Executable.empty()) {
        std::error_code ec;
        Executable = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    }
    MapiInstalled = DesktopMailInstalled;
    ProxyServerSetting = [] {
        const TSystemProxy p = ReadSystemProxy();
        return p.Enabled ? p.Server : std::string();
    };
    if (CheckAssociationsOnLoad)
        AssociationCheck = [this] {
            const R::TVersionAndPasswords v = R::LoadVersionAndPasswords();
            CheckFileAssociations(Executable, v.StoredVersion < v.CurrentVersion,
                                  [this] { SaveDocViewINI(); });
        };
    CreatePages();
    DebugMsg("Options : On create; start");
    Duplexing = HasSwitch("/D");
    ReadDocViewINI();
}

TfrmOptions::~TfrmOptions() = default;

int TfrmOptions::ItemIndex(const QGroupBox* group) {
    const auto* buttons = group->findChild<QButtonGroup*>();
    return buttons ? buttons->checkedId() : -1;
}

void TfrmOptions::SetItemIndex(QGroupBox* group, int index) {
    auto* buttons = group->findChild<QButtonGroup*>();
    if (!buttons)
        return;
    if (QAbstractButton* b = buttons->button(index)) {
        b->setChecked(true);
        return;
    }
    if (QAbstractButton* checked = buttons->checkedButton()) {
        buttons->setExclusive(false);
        checked->setChecked(false);
        buttons->setExclusive(true);
    }
}

void TfrmOptions::CreatePages() {
    pcOptions = Named(new QTabWidget, "pcOptions");
    tbsSystem = CreateSystemPage();
    tbsPrinting = CreatePrintingPage();
    tbsScanning = CreateScanningPage();
    tbsMisc = CreateMiscPage();
    tbsMultiUser = CreateMultiUserPage();
    pcOptions->addTab(tbsSystem, SystemPage);
    pcOptions->addTab(tbsPrinting, PrintingPage);
    pcOptions->addTab(tbsScanning, ScanningPage);
    pcOptions->addTab(tbsMisc, MiscPage);
    pcOptions->addTab(tbsMultiUser, MultiUserPage);

    OKBtn = Named(new QPushButton("OK"), "OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = Named(new QPushButton("Cancel"), "CancelBtn");
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pcOptions);
    layout->addLayout(buttons);
}

QWidget* TfrmOptions::CreateSystemPage() {
    auto* page = Named(new QWidget, "tbsSystem");
    btnCreateShortCut = Named(new QPushButton("Create Shortcut on Desktop"), "btnCreateShortCut");
    btnCreateShortCut->setToolTip("Create shortcut on Desktop");
    btnRegisterFileTypes = Named(new QPushButton("Register HLW File Types"), "btnRegisterFileTypes");
    btnRegisterFileTypes->setToolTip("Register HLW file types (QDX,DSP, QDZ)");
    connect(btnCreateShortCut, &QPushButton::clicked, this, &TfrmOptions::btnCreateShortCutClick);
    connect(btnRegisterFileTypes, &QPushButton::clicked, this, &TfrmOptions::btnRegisterFileTypesClick);

    FillDir = Edit("FillDir");
    FillDirButton = Named(new QToolButton, "FillDirButton");
    FillDirButton->setText("...");
    FormDir = Edit("FormDir");
    FormDirButton = Named(new QToolButton, "FormDirButton");
    FormDirButton->setText("...");
    connect(FillDir, &QLineEdit::editingFinished, this, [this] { CheckFolderField(FillDir); });
    connect(FormDir, &QLineEdit::editingFinished, this, [this] { CheckFolderField(FormDir); });
    connect(FillDirButton, &QToolButton::clicked, this, [this] { BrowseFolder(FillDir, true); });
    connect(FormDirButton, &QToolButton::clicked, this, [this] { BrowseFolder(FormDir, true); });

    cbxEmailClient = Named(new QComboBox, "cbxEmailClient");
    cbxEmailClient->addItems({SmtpClientItem, MapiClientItem});
    connect(cbxEmailClient, &QComboBox::activated, this, &TfrmOptions::cbxEmailClientChange);
    rgDataFormat = RadioGroup("rgDataFormat", "Email Document Format", {"Quodex", "PDF", "Tesselon"});

    edSMTPHost = Edit("edSMTPHost");
    // The SMTP server's port: 25 unless the server listens elsewhere (587, or a test server).
    edPort = Edit("edPort", "The port the outgoing mail server listens on (1 to 65535; 25 by default)");
    edPort->setText(DefaultMailPort);
    edPort->setValidator(new QIntValidator(1, 65535, edPort));
    edPort->setMaximumWidth(80);
    lblMailSecurity = Named(new QLabel, "lblMailSecurity");
    lblMailSecurity->setWordWrap(true);
    edPOP3Host = Edit("edPOP3Host");
    edPOP3UserID = Edit("edPOP3UserID");
    edPassword = Edit("edPassword");
    edPassword->setEchoMode(QLineEdit::Password);
    edFromName = Edit("edFromName");
    edFromEmailAddr = Edit("edFromEmailAddr");
    edAutomaticEmailCC =
        Edit("edAutomaticEmailCC", "When emailing quodexs, this email address will ALWAYS be CC'd.");
    lblAutomaticEmailCC = Named(new QLabel("Automatic Email CC:"), "lblAutomaticEmailCC");

    pcEmail = Named(new QTabWidget, "pcEmail");
    tsMailServer = Named(new QWidget, "tsMailServer");
    auto* server = new QFormLayout(tsMailServer);
    server->addRow("Outgoing mail (SMTP):", edSMTPHost);
    server->addRow("Port: ", edPort);
    server->addRow("Incoming mail (POP3):", edPOP3Host);
    server->addRow("POP3 User ID:", edPOP3UserID);
    server->addRow("POP3 password: ", edPassword);
    server->addRow(lblMailSecurity);
    // The security line follows what the connection will be made with.
    for (QLineEdit* field : {edPort, edPOP3UserID, edPassword})
        connect(field, &QLineEdit::textChanged, this, &TfrmOptions::UpdateMailSecurity);
    // A port left blank is the standard one.
    connect(edPort, &QLineEdit::editingFinished, this, [this] {
        if (edPort->text().trimmed().isEmpty())
            edPort->setText(DefaultMailPort);
    });
    tsEmailBody = Named(new QWidget, "tsEmailBody");
    memoEmailBody = Named(new QPlainTextEdit, "memoEmailBody");
    (new QVBoxLayout(tsEmailBody))->addWidget(memoEmailBody);
    pcEmail->addTab(tsMailServer, "Mail Server");
    pcEmail->addTab(tsEmailBody, "Email Body");

    auto* user = Named(new QGroupBox("User Information"), "gbxUserInformation");
    auto* userForm = new QFormLayout(user);
    userForm->addRow("Name: ", edFromName);
    userForm->addRow("Email Address: ", edFromEmailAddr);
    userForm->addRow(lblAutomaticEmailCC, edAutomaticEmailCC);

    auto* folders = new QGridLayout;
    folders->addWidget(new QLabel("Fill Directory"), 0, 0);
    folders->addWidget(FillDir, 0, 1);
    folders->addWidget(FillDirButton, 0, 2);
    folders->addWidget(new QLabel("Form Directory"), 1, 0);
    folders->addWidget(FormDir, 1, 1);
    folders->addWidget(FormDirButton, 1, 2);
    auto* top = new QHBoxLayout;
    top->addWidget(btnCreateShortCut);
    top->addWidget(btnRegisterFileTypes);
    auto* mail = new QHBoxLayout;
    mail->addWidget(cbxEmailClient);
    mail->addWidget(rgDataFormat);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addLayout(folders);
    layout->addLayout(mail);
    layout->addWidget(user);
    layout->addWidget(pcEmail);
    return page;
}

QWidget* TfrmOptions::CreatePrintingPage() {
    auto* page = Named(new QWidget, "tbsPrinting");
    edAdditionalCopies = Spin("edAdditionalCopies", 0, 9, 1);
    connect(edAdditionalCopies, &QSpinBox::valueChanged, this, &TfrmOptions::edAdditionalCopiesChange);
    edOriginal = Edit("edOriginal");
    edFirstCopy = Edit("edFirstCopy");
    edSecondCopy = Edit("edSecondCopy");
    edThirdCopy = Edit("edThirdCopy");
    rgShowPrinterDialog =
        RadioGroup("rgShowPrinterDialog", "Show Printer Dialog:", {"Always", "First print only", "Never"},
                   {"rbAlways", "rbFirstPrintOnly", "rbNever"});
    rbAlways = rgShowPrinterDialog->findChild<QRadioButton*>("rbAlways");
    rbFirstPrintOnly = rgShowPrinterDialog->findChild<QRadioButton*>("rbFirstPrintOnly");
    rbNever = rgShowPrinterDialog->findChild<QRadioButton*>("rbNever");
    cbxBarCodes =
        Named(new QCheckBox("Print bar codes on each form in the lower right hand corner?"), "cbxBarCodes");
    cbxFormNames = Named(new QCheckBox("Print laser form names in lower left hand corner?"), "cbxFormNames");
    cbxPrintAllOnLegal = Named(new QCheckBox("Print ALL forms on legal"), "cbxPrintAllOnLegal");
    cbxPrintMode = Named(new QComboBox, "cbxPrintMode");
    cbxPrintMode->addItems({"PCL Direct ", "GDI Driver (Compatibility Mode)"});
    rgFillColor = RadioGroup("rgFillColor", " Display Form Fill Color in ",
                             {"Black (fast)", "Blue   (slower, but fill stands out)"});
    cbxAntiAliasImage =
        Named(new QCheckBox("Anti-alias Image (Highest quality image for viewing)"), "cbxAntiAliasImage");
    cbxImageQuality = Named(new QComboBox, "cbxImageQuality");
    cbxImageQuality->addItems({"4 bit", "8 bit", "24 bit", "32 bit"});
    cbxImageScale = Named(new QComboBox, "cbxImageScale");
    for (int scale = 30; scale <= 100; scale += 10)
        cbxImageScale->addItem(QString::number(scale));
    btnSetOptimal = Named(new QPushButton("Optimize system resources"), "btnSetOptimal");
    connect(btnSetOptimal, &QPushButton::clicked, this, &TfrmOptions::btnSetOptimalClick);
    edLetterTray = Edit("edLetterTray");
    edLegalTray = Edit("edLegalTray");
    lblDuplex = Named(new QLabel(DuplexOff), "lblDuplex");

    auto* copies = new QFormLayout;
    auto* copiesRow = new QHBoxLayout;
    copiesRow->addWidget(edAdditionalCopies);
    copiesRow->addWidget(new QLabel("(Valid ranges: 0 to 3 additional copies)"));
    copies->addRow("Additional Copies:", copiesRow);
    copies->addRow("Footer for Original:", edOriginal);
    copies->addRow("Footer for First Copy:", edFirstCopy);
    copies->addRow("Footer for Second Copy:", edSecondCopy);
    copies->addRow("Footer for Third Copy:", edThirdCopy);
    auto* format = Named(new QGroupBox(" Print Format "), "gbxPrintFormat");
    (new QVBoxLayout(format))->addWidget(cbxPrintMode);
    auto* image = new QFormLayout;
    image->addRow("Image Quality", cbxImageQuality);
    image->addRow("Image Scaled", cbxImageScale);
    auto* trays = Named(new QGroupBox("PCL Codes for Manual Tray Switching"), "gbxTrays");
    auto* trayForm = new QFormLayout(trays);
    trayForm->addRow("Letter tray:", edLetterTray);
    trayForm->addRow("Legal tray:", edLegalTray);

    auto* left = new QVBoxLayout;
    left->addLayout(copies);
    left->addWidget(rgShowPrinterDialog);
    left->addWidget(cbxBarCodes);
    left->addWidget(cbxFormNames);
    left->addWidget(cbxPrintAllOnLegal);
    left->addWidget(format);
    auto* right = new QVBoxLayout;
    right->addWidget(rgFillColor);
    right->addWidget(cbxAntiAliasImage);
    right->addLayout(image);
    right->addWidget(btnSetOptimal);
    right->addWidget(trays);
    right->addWidget(lblDuplex);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(right);
    return page;
}

QWidget* TfrmOptions::CreateScanningPage() {
    auto* page = Named(new QWidget, "tbsScanning");
    DpiSpinEdit = Spin("DpiSpinEdit", 75, 600, 25);
    PagesSpinEdit = Spin("PagesSpinEdit", 1, 1000, 1);
    BrightSpinEdit = Spin("BrightSpinEdit", -1000, 1000, 50);
    ContrastSpinEdit = Spin("ContrastSpinEdit", -1000, 1000, 50);
    UseUiGroup = RadioGroup("UseUiGroup", "Show Scanner User-Interface?", {"Yes", "No"});
    PaperSizeGroup = RadioGroup("PaperSizeGroup", "Select Paper Size", {"Letter", "Legal"});
    rgScannerType = RadioGroup("rgScannerType", "Scanner type",
                               {"Use ADF (Automatic Document Feeder installed)", "Single sheet "});
    SetItemIndex(UseUiGroup, 1);
    SetItemIndex(PaperSizeGroup, 1);
    btnReset = Named(new QPushButton("Reset to defaults"), "btnReset");
    connect(btnReset, &QPushButton::clicked, this, &TfrmOptions::btnResetClick);
    auto* form = new QFormLayout;
    form->addRow("Dots Per Inch", DpiSpinEdit);
    form->addRow("# Pages", PagesSpinEdit);
    form->addRow("Brightness", BrightSpinEdit);
    form->addRow("", new QLabel("(-1000 to 1000)"));
    form->addRow("Contrast", ContrastSpinEdit);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(UseUiGroup);
    layout->addWidget(PaperSizeGroup);
    layout->addWidget(rgScannerType);
    layout->addWidget(btnReset);
    return page;
}

QWidget* TfrmOptions::CreateMiscPage() {
    auto* page = Named(new QWidget, "tbsMisc");
    page->setMouseTracking(true);
    page->installEventFilter(this);
    edQuodexHistoryDir = Edit("edQuodexHistoryDir");
    sbQuodexTrack = Named(new QToolButton, "sbQuodexTrack");
    sbQuodexTrack->setText("...");
    lblQuodexHistoryDir = Named(new QLabel("Quodex Track path"), "lblQuodexHistoryDir");
    connect(sbQuodexTrack, &QToolButton::clicked, this, [this] { BrowseFolder(edQuodexHistoryDir, false); });

    auto* note = Named(new QPlainTextEdit(MiscNote), "memoEncryptionNote");
    note->setReadOnly(true);
    note->setMaximumHeight(note->fontMetrics().lineSpacing() * 5);
    cbxEncryptInternet = Named(new QCheckBox("Encrypt Internet Communications"), "cbxEncryptInternet");
    connect(cbxEncryptInternet, &QCheckBox::clicked, this, &TfrmOptions::SetEncryption);
    auto* encryption = Named(new QGroupBox(" Encryption for WebDocs "), "gbxEncryption");
    auto* encLayout = new QVBoxLayout(encryption);
    encLayout->addWidget(note);
    encLayout->addWidget(cbxEncryptInternet);

    cbxUseProxy = Named(new QCheckBox("Connect to the Internet via Proxy"), "cbxUseProxy");
    gbxProxy = Named(new QGroupBox(" WebDocs Proxy Settings"), "gbxProxy");
    rbUseDefaultBrowserProxySettings =
        Named(new QRadioButton("Use Default Browser Proxy Settings"), "rbUseDefaultBrowserProxySettings");
    rbUseCustomProxySettings =
        Named(new QRadioButton("Use Custom Proxy Settings"), "rbUseCustomProxySettings");
    edProxyAddress = Edit("edProxyAddress");
    edProxyPort = Edit("edProxyPort");
    edProxyUserName = Edit("edProxyUserName");
    edProxyPassword = Edit("edProxyPassword");
    edProxyPassword->setEchoMode(QLineEdit::Password);
    edProxyPassword->setMaxLength(30);
    lblProxyAddress = Named(new QLabel("Address"), "lblProxyAddress");
    lblProxyPort = Named(new QLabel("Port"), "lblProxyPort");
    lblProxyUserName = Named(new QLabel("User Name"), "lblProxyUserName");
    lblProxyPassword = Named(new QLabel("Password"), "lblProxyPassword");
    lblWarning = Named(new QLabel("Warning: Browser Proxy Not Enabled"), "lblWarning");
    lblWarning->setVisible(false);
    lblDefaultWebBrowser = Named(new QLabel("Default Browser: "), "lblDefaultWebBrowser");
    lblWebBrowserVersion = Named(new QLabel("Version: "), "lblWebBrowserVersion");
    connect(cbxUseProxy, &QCheckBox::toggled, this, &TfrmOptions::UpdateProxyControls);
    connect(rbUseCustomProxySettings, &QRadioButton::clicked, this, &TfrmOptions::UpdateProxyControls);
    connect(rbUseDefaultBrowserProxySettings, &QRadioButton::clicked, this,
            &TfrmOptions::GetDefaultProxySettings);
    connect(edProxyPort, &QLineEdit::editingFinished, this, &TfrmOptions::edProxyPortExit);
    auto* proxy = new QGridLayout(gbxProxy);
    proxy->addWidget(rbUseDefaultBrowserProxySettings, 0, 0, 1, 2);
    proxy->addWidget(rbUseCustomProxySettings, 1, 0, 1, 2);
    proxy->addWidget(lblProxyAddress, 2, 0);
    proxy->addWidget(edProxyAddress, 2, 1);
    proxy->addWidget(lblProxyPort, 3, 0);
    proxy->addWidget(edProxyPort, 3, 1);
    proxy->addWidget(lblProxyUserName, 4, 0);
    proxy->addWidget(edProxyUserName, 4, 1);
    proxy->addWidget(lblProxyPassword, 5, 0);
    proxy->addWidget(edProxyPassword, 5, 1);
    proxy->addWidget(lblWarning, 6, 0, 1, 2);
    proxy->addWidget(lblDefaultWebBrowser, 7, 0, 1, 2);
    proxy->addWidget(lblWebBrowserVersion, 8, 0, 1, 2);

    gbxOrvalink = Named(new QGroupBox("WebDocs"), "gbxOrvalink");
    edServerName = Edit("edServerName");
    edServerName->installEventFilter(this);
    cbxUseSSL = Named(new QCheckBox("Use SSL"), "cbxUseSSL");
    connect(cbxUseSSL, &QCheckBox::clicked, this, &TfrmOptions::SetEncryption);
    edWhereToSendHLWUsage = Edit("edWhereToSendHLWUsage");
    cbxUseSSLHlwUsage = Named(new QCheckBox("Use SSL"), "cbxUseSSLHlwUsage");
    connect(cbxUseSSLHlwUsage, &QCheckBox::clicked, this, &TfrmOptions::cbxUseSSLHlwUsageClick);
    auto* web = new QGridLayout(gbxOrvalink);
    web->addWidget(new QLabel("Servlet Name"), 0, 0);
    web->addWidget(edServerName, 0, 1);
    web->addWidget(cbxUseSSL, 0, 2);
    web->addWidget(new QLabel("HLW Usage"), 1, 0);
    web->addWidget(edWhereToSendHLWUsage, 1, 1);
    web->addWidget(cbxUseSSLHlwUsage, 1, 2);

    grUpdates = Named(new QGroupBox(" Updates "), "grUpdates");
    lblCheckEvery = Named(new QLabel("Check For Updates Every"), "lblCheckEvery");
    lblDays = Named(new QLabel("Days."), "lblDays");
    edPollInterval = Edit("edPollInterval", "Days between update checks");
    // Typing is held to 1 to 30 (a QIntValidator would let 45 stand as "intermediate").
    edPollInterval->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[1-9]|[12][0-9]|30"), edPollInterval));
    lblDateLastPolled = Named(new QLabel("Date Last Checked : "), "lblDateLastPolled");
    lblDateLastPolled->setToolTip("Date last checked for updates");
    btnCheckForUpdatesNow = Named(new QPushButton("Check for Updates Now"), "btnCheckForUpdatesNow");
    connect(btnCheckForUpdatesNow, &QPushButton::clicked, this, &TfrmOptions::btnCheckForUpdatesNowClick);
    auto* updates = new QGridLayout(grUpdates);
    updates->addWidget(lblCheckEvery, 0, 0);
    updates->addWidget(edPollInterval, 0, 1);
    updates->addWidget(lblDays, 0, 2);
    updates->addWidget(lblDateLastPolled, 1, 0, 1, 3);
    updates->addWidget(btnCheckForUpdatesNow, 2, 0, 1, 3);

    btnInternetSettings = Named(new QPushButton("Internet Settings..."), "btnInternetSettings");
    connect(btnInternetSettings, &QPushButton::clicked, this, &TfrmOptions::btnInternetSettingsClick);
    cbxUploadAnnotations = Named(new QCheckBox("Upload annotations to HLW"), "cbxUploadAnnotations");
    rgEnvironment = RadioGroup("rgEnvironment", " Process on ", {"Production", "stage", "dev"});
    rgEnvironment->setToolTip("Server");
    rgEnvironment->setVisible(false);
    connect(rgEnvironment->findChild<QButtonGroup*>(), &QButtonGroup::idClicked, this,
            [this](int id) { Environment = id; });

    auto* history = new QHBoxLayout;
    history->addWidget(lblQuodexHistoryDir);
    history->addWidget(edQuodexHistoryDir);
    history->addWidget(sbQuodexTrack);
    auto* left = new QVBoxLayout;
    left->addLayout(history);
    left->addWidget(encryption);
    left->addWidget(cbxUseProxy);
    left->addWidget(gbxProxy);
    left->addWidget(btnInternetSettings);
    auto* right = new QVBoxLayout;
    right->addWidget(grUpdates);
    right->addWidget(gbxOrvalink);
    right->addWidget(cbxUploadAnnotations);
    right->addWidget(rgEnvironment);
    right->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(right);
    return page;
}

QWidget* TfrmOptions::CreateMultiUserPage() {
    auto* page = Named(new QWidget, "tbsMultiUser");
    rgStorePreferences =
        RadioGroup("rgStorePreferences", " Store User Setttings in ",
                   {"HKey Current User (Registry)", "HKey Local Machine (Registry)", "Database"});
    pnlIPAddress = Named(new QWidget, "pnlIPAddress");
    edIPAddress = Edit("edIPAddress");
    auto* address = new QFormLayout(pnlIPAddress);
    address->addRow("IP Address of Database server", edIPAddress);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(rgStorePreferences);
    layout->addWidget(pnlIPAddress);
    layout->addStretch();
    return page;
}

std::string TfrmOptions::ProgramFolder() const {
    return IncludeSlash(std::filesystem::path(Executable).parent_path().string());
}

std::string TfrmOptions::ResolvedFolder(const QLineEdit* field) const {
    const std::string text = Text(field);
    if (text.rfind("..", 0) == 0)
        return ResolvePath(ProgramFolder(), text, false, false);
    return NativePath(text);
}

void TfrmOptions::ReadDocViewINI() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    loading_ = true;
    THLWRegistry& reg = Registry();
    TSettingsDatabase& db = reg.Database();
    auto* storeButtons = rgStorePreferences->findChild<QButtonGroup*>();
    if (db.DatabaseMode()) {
        storeButtons->button(2)->setVisible(true);
        SetItemIndex(rgStorePreferences, 2);
        SetText(edIPAddress, reg.DatabaseAddress());
        db.TryToConnectToDB(true, Text(edIPAddress));
    } else {
        storeButtons->button(2)->setVisible(false);
        SetItemIndex(rgStorePreferences, 0);
    }

    SetText(FillDir, R::FillDir());
    SetText(FormDir, R::FormDir());
    PageSizeWidth = R::PageSizeWidth();
    PageSizeHeight = R::PageSizeHeight();
    PageScale = R::PageScale();
    SetText(edFromName, R::FromName());
    SetText(edFromEmailAddr, R::EmailAddr());
    SetText(edSMTPHost, R::Host());
    SetText(edPOP3Host, R::POP3Host());
    SetText(edPOP3UserID, R::POP3UserID());
    SetText(edPort, Trim(R::Port()).empty() ? std::string(DefaultMailPort) : R::Port());
    SetText(edAutomaticEmailCC, R::AutomaticEmailCC());
    SetText(edLetterTray, R::LetterTray());
    SetText(edLegalTray, R::LegalTray());
    cbxBarCodes->setChecked(R::BarCode());
    cbxFormNames->setChecked(R::PrintFormNames());
    edAdditionalCopies->setValue(R::AdditionalCopies());
    SetText(edOriginal, R::OriginalCopy());
    SetText(edFirstCopy, R::Copy1());
    SetText(edSecondCopy, R::Copy2());
    SetText(edThirdCopy, R::Copy3());
    SetItemIndex(rgShowPrinterDialog, R::PrinterDlg());
    cbxPrintMode->setCurrentIndex(R::PrintType());

    if (HasSwitch("/NAME="))
        cbxFormNames->setChecked(SwitchNumber("/NAME=") != 0);
    if (HasSwitch("/BARCODE="))
        cbxBarCodes->setChecked(SwitchNumber("/BARCODE=") != 0);

    if (ScannerSettingsAvailable()) {
        DpiSpinEdit->setValue(R::ScanDPI());
        BrightSpinEdit->setValue(R::ScanBright());
        ContrastSpinEdit->setValue(R::ScanContrast());
        PagesSpinEdit->setValue(R::ScanPages());
        SetItemIndex(rgScannerType, R::ScanScannerType());
    }

    cbxEncryptInternet->setChecked(R::SSL());
    cbxUseSSL->setChecked(R::SSL());
    cbxUseProxy->setChecked(R::UseProxy());
    rbUseDefaultBrowserProxySettings->setChecked(R::UseDefaultProxySettings());
    rbUseCustomProxySettings->setChecked(R::UseCustomProxySettings());
    SetText(edProxyAddress, R::ProxyAddress());
    SetText(edProxyPort, R::ProxyPort());
    SetText(edProxyUserName, R::ProxyUserName());
    storedEmailClient_ = R::EmailClient();
    cbxEmailClient->setCurrentIndex(storedEmailClient_ == SmtpClient ? SmtpClient : MapiClient);
    memoEmailBody->setPlainText(FromPackageText(CRLFMarkersToBreaks(R::EmailMessage())));
    SetText(edServerName, R::WebDocsWithPwd());
    SetItemIndex(rgDataFormat, R::EmailDocumentFormat());
    RequestHandlerURL = R::URLForRequestHandler();
    Environment = R::Server();
    cbxPrintAllOnLegal->setChecked(R::PrintAllOnLegal());
    edWhereToSendHLWUsage->setText(UsageAddress);
    cbxUseSSLHlwUsage->setChecked(true);
    if (Trim(Text(edServerName)).empty())
        edServerName->setText(WebDocsURL);
    SetItemIndex(rgFillColor, R::FormFillColor());
    SetText(edQuodexHistoryDir, R::QuodexHistoryDir());

    const R::TVersionAndPasswords v = R::LoadVersionAndPasswords();
    SetText(edPassword, v.Password);
    SetText(edProxyPassword, v.ProxyPassword);

    cbxImageQuality->setCurrentIndex(R::ImageQuality());
    cbxImageScale->setCurrentIndex(R::ImageScale());
    cbxAntiAliasImage->setChecked(R::ImageAntiAlias());
    MaxPageWindows = R::ImageMaxFormsInWin98();
    VersionListURL = R::URLForCurrentPagellan();
    edPollInterval->setText(QString::number(R::DaysBetweenUpdateChecks()));
    const QDate polled =
        QDate::fromString(QString::fromStdString(R::DateLastCheckedForUpdates()), "MM/dd/yyyy");
    DateLastPolled = (polled.isValid() ? polled.toString("MM/dd/yyyy") : TodayText()).toStdString();

    if (AssociationCheck)
        AssociationCheck();
    R::StampProgramVersion();

    SetItemIndex(rgEnvironment, Environment);
    // Someone who works on stage or dev keeps seeing where the work goes.
    rgEnvironment->setVisible(Environment == 1 || Environment == 2);
    ApplyEmailClient();
    UpdateMailSecurity();
    loading_ = false;
    QApplication::restoreOverrideCursor();
}

void TfrmOptions::SaveDocViewINI() {
    THLWRegistry& reg = Registry();
    {
        TSettingsBatch batch(reg);
        R::StampProgramVersion();
        R::SetPageSizeWidth(PageSizeWidth);
        R::SetPageSizeHeight(PageSizeHeight);
        R::SetPageScale(PageScale);
        R::SetFillDir(Text(FillDir));
        R::SetFormDir(Text(FormDir));
        R::SetEmailClient(cbxEmailClient->currentIndex());
        R::SetFromName(Text(edFromName));
        R::SetEmailAddr(Text(edFromEmailAddr));
        R::SetHost(Text(edSMTPHost));
        R::SetPOP3Host(Text(edPOP3Host));
        R::SetPOP3UserID(Text(edPOP3UserID));
        R::SetPort(Text(edPort));
        R::SetPassword(EncodeBase64(Text(edPassword)));
        R::SetAutomaticEmailCC(Text(edAutomaticEmailCC));
        // The memo's lines end in a bare line feed; the stored text marks CR LF breaks.
        R::SetEmailMessage(
            BreaksToCRLFMarkers(ToPackageText(memoEmailBody->toPlainText().replace("\n", "\r\n"))));
        R::SetEmailDocumentFormat(std::max(0, ItemIndex(rgDataFormat)));
        R::SetLetterTray(Text(edLetterTray));
        R::SetLegalTray(Text(edLegalTray));
        R::SetAdditionalCopies(edAdditionalCopies->value());
        R::SetOriginalCopy(Text(edOriginal));
        R::SetCopy1(Text(edFirstCopy));
        R::SetCopy2(Text(edSecondCopy));
        R::SetCopy3(Text(edThirdCopy));
        R::SetUsePrinter(R::UsePrinter());
        R::SetPrintType(cbxPrintMode->currentIndex());
        R::SetBarCode(cbxBarCodes->isChecked());
        R::SetPrintFormNames(cbxFormNames->isChecked());
        R::SetPrinterDlg(std::max(0, ItemIndex(rgShowPrinterDialog)));
        R::SetPrintAllOnLegal(cbxPrintAllOnLegal->isChecked());
        R::SetServer(Environment);
        R::SetSSL(cbxEncryptInternet->isChecked());
        R::SetUseProxy(cbxUseProxy->isChecked());
        R::SetUseDefaultProxySettings(rbUseDefaultBrowserProxySettings->isChecked());
        R::SetUseCustomProxySettings(rbUseCustomProxySettings->isChecked());
        R::SetProxyAddress(Text(edProxyAddress));
        R::SetProxyPort(Text(edProxyPort));
        R::SetProxyUserName(Text(edProxyUserName));
        R::SetProxyPassword(EncodeBase64(Text(edProxyPassword)));
        R::SetWebDocsWithPwd(Text(edServerName));
        if (ScannerSettingsAvailable()) {
            R::SetScanDPI(DpiSpinEdit->value());
            R::SetScanBright(BrightSpinEdit->value());
            R::SetScanContrast(ContrastSpinEdit->value());
            R::SetScanPages(PagesSpinEdit->value());
            R::SetScanScannerType(std::max(0, ItemIndex(rgScannerType)));
        }
        R::SetFormFillColor(std::max(0, ItemIndex(rgFillColor)));
        R::SetImageQuality(cbxImageQuality->currentIndex());
        R::SetImageScale(cbxImageScale->currentIndex());
        R::SetImageAntiAlias(cbxAntiAliasImage->isChecked());
        R::SetImageMaxFormsInWin98(MaxPageWindows);
        bool number = false;
        const int days = edPollInterval->text().trimmed().toInt(&number);
        R::SetDaysBetweenUpdateChecks(number ? days : 14);
        R::SetDateLastCheckedForUpdates(DateLastPolled);
        R::SetURLForCurrentPagellan(LowerCase(VersionListURL));
        R::SetQuodexHistoryDir(Text(edQuodexHistoryDir));
    }
    if (reg.Database().DatabaseMode())
        reg.Database().TryToConnectToDB(false, Text(edIPAddress));
}

int TfrmOptions::ShowOnPage(const QString& page, const QString& control) {
    for (int i = 0; i < pcOptions->count(); ++i)
        if (pcOptions->tabText(i) == page)
            pcOptions->setCurrentIndex(i);
    QWidget* target = control.isEmpty() ? nullptr : findChild<QWidget*>(control);
    // The e-mail fields sit on the inner tabs of the "System" page.
    if (target && pcEmail->isAncestorOf(target))
        pcEmail->setCurrentWidget(tsMailServer->isAncestorOf(target) ? tsMailServer : tsEmailBody);
    if (target)
        QMetaObject::invokeMethod(
            this,
            [target] {
                if (target->isVisible() && target->isEnabled())
                    target->setFocus();
            },
            Qt::QueuedConnection);
    return exec();
}

void TfrmOptions::showEvent(QShowEvent* event) {
    ReadDocViewINI();
    FormActivate();
    QDialog::showEvent(event);
}

void TfrmOptions::FormActivate() {
    const bool dbMode = Registry().Database().DatabaseMode();
    pcOptions->setTabVisible(pcOptions->indexOf(tbsMultiUser), dbMode);
    pcOptions->setTabEnabled(pcOptions->indexOf(tbsPrinting), HasControlPermission("tbsPrinting"));
    pcOptions->setTabEnabled(pcOptions->indexOf(tbsSystem), HasControlPermission("tbsSystem"));
    pcOptions->setTabEnabled(pcOptions->indexOf(tbsMisc), HasControlPermission("tbsMisc"));

    for (const char* name : PermissionControls)
        if (auto* w = findChild<QWidget*>(name))
            w->setEnabled(HasControlPermission(name));
    OKBtn->setEnabled(HasControlPermission("OKBtn"));
    if (FillDir->isEnabled())
        FillDir->setEnabled(FolderExists(ResolvedFolder(FillDir)));
    if (FormDir->isEnabled())
        FormDir->setEnabled(FolderExists(ResolvedFolder(FormDir)));
    const bool autoUpdates = HasPermission("AutoUpdates");
    edPollInterval->setEnabled(edPollInterval->isEnabled() && autoUpdates);
    btnCheckForUpdatesNow->setEnabled(btnCheckForUpdatesNow->isEnabled() && autoUpdates);
    for (QLabel* l : {lblCheckEvery, lblDays, lblDateLastPolled})
        l->setEnabled(btnCheckForUpdatesNow->isEnabled());
    lblQuodexHistoryDir->setEnabled(edQuodexHistoryDir->isEnabled());
    sbQuodexTrack->setEnabled(edQuodexHistoryDir->isEnabled());
    rgStorePreferences->setEnabled(!dbMode);
    pnlIPAddress->setEnabled(!dbMode);

    ApplyEmailClient();
    // The scanner values are kept only while the scanning plug-in is loaded; without it there
    // is nothing to edit.
    const bool scanner = ScannerSettingsAvailable();
    tbsScanning->setEnabled(scanner);
    for (QWidget* w : std::initializer_list<QWidget*>{BrightSpinEdit, DpiSpinEdit, ContrastSpinEdit,
                                                      PagesSpinEdit, UseUiGroup, PaperSizeGroup})
        w->setEnabled(false);
    rgScannerType->setEnabled(scanner);
    btnReset->setEnabled(scanner);

    lblDuplex->setText(Duplexing ? DuplexOn : DuplexOff);
    edAdditionalCopiesChange();
    GetBrowserSettings();
    if (rbUseDefaultBrowserProxySettings->isChecked())
        GetDefaultProxySettings();
    UpdateProxyControls();

    gbxOrvalink->setVisible(HasSwitch("/Debug"));
    gbxOrvalink->setTitle("WebDocs");
    lblDateLastPolled->setText("Date Last Checked : " + QString::fromStdString(DateLastPolled));
}

void TfrmOptions::ApplyEmailClient() {
    const bool smtp = cbxEmailClient->currentIndex() == SmtpClient;
    edAutomaticEmailCC->setVisible(smtp);
    lblAutomaticEmailCC->setVisible(smtp);
    pcEmail->setTabVisible(pcEmail->indexOf(tsMailServer), smtp);
}

bool TfrmOptions::FormCloseQuery(bool ok) {
    const QString client = cbxEmailClient->currentText();
    if (cbxEmailClient->findText(client) < 0)
        cbxEmailClient->setCurrentIndex(storedEmailClient_ == SmtpClient ? SmtpClient : MapiClient);
    if (cbxEmailClient->currentIndex() < 0)
        cbxEmailClient->setCurrentIndex(MapiClient);

    const std::string address = Trim(Text(edFromEmailAddr));
    addressCheckFailed_ = !address.empty() && address.find('@') == std::string::npos;
    if (addressCheckFailed_ && ok) {
        ShowError("Invalid email address");
        pcOptions->setCurrentWidget(tbsSystem);
        edFromEmailAddr->setFocus();
    }
    if (!ok) {
        ReadDocViewINI();
        return true;
    }
    if (addressCheckFailed_)
        return false;
    if (MailPortOf(edPort->text()) == 0 && edPort->isEnabled()) {
        ShowError(kMailPortInvalid);
        pcOptions->setCurrentWidget(tbsSystem);
        pcEmail->setCurrentWidget(tsMailServer);
        edPort->setFocus();
        return false;
    }
    const int copies = edAdditionalCopies->value();
    if (copies < 0 || copies > 3) {
        ShowError("Additional copies invalid.\r\nRange is 0 to 3");
        pcOptions->setCurrentWidget(tbsPrinting);
        edAdditionalCopies->setFocus();
        return false;
    }
    // The interval as typed, when the user may change it (a stored value the user may not
    // change is kept as it is).
    bool number = false;
    const int days = edPollInterval->text().trimmed().toInt(&number);
    if (edPollInterval->isEnabled() && (!number || days < kMinPollDays || days > kMaxPollDays)) {
        ShowError(kPollIntervalInvalid);
        pcOptions->setCurrentWidget(tbsMisc);
        edPollInterval->setFocus();
        return false;
    }
    SaveDocViewINI();
    return true;
}

void TfrmOptions::done(int result) {
    if (!FormCloseQuery(result == QDialog::Accepted))
        return;
    QDialog::done(result);
}

bool TfrmOptions::CheckFolderField(QLineEdit* field) {
    if (loading_ || !field->isEnabled())
        return true;
    const std::string text = Text(field);
    const std::string path =
        text.rfind("..", 0) == 0 ? ResolvePath(ProgramFolder(), text, false, false) : text;
    if (FolderExists(path))
        return true;
    ShowError("Invalid directory " + path);
    field->setFocus();
    return false;
}

bool TfrmOptions::CheckFileField(QLineEdit* field) {
    const std::string text = Text(field);
    const std::string path =
        text.rfind("..", 0) == 0 ? ResolvePath(ProgramFolder(), text, false, false) : text;
    if (FileExists(path))
        return true;
    ShowError("Invalid File " + path);
    field->setFocus();
    return false;
}

void TfrmOptions::BrowseFolder(QLineEdit* field, bool startAtProgram) {
    const QString start = startAtProgram ? QString::fromStdString(ProgramFolder()) : field->text();
    const QString folder = QFileDialog::getExistingDirectory(this, "Select folder", start);
    if (folder.isEmpty())
        return;
    field->setText(folder);
    QDir::setCurrent(folder);
    field->setEnabled(FolderExists(ToPackageText(folder)));
}

void TfrmOptions::edAdditionalCopiesChange() {
    const int copies = edAdditionalCopies->value();
    const bool page = pcOptions->isTabEnabled(pcOptions->indexOf(tbsPrinting));
    edOriginal->setEnabled(page && HasControlPermission("edOriginal"));
    edFirstCopy->setEnabled(page && copies >= 1 && HasControlPermission("edFirstCopy"));
    edSecondCopy->setEnabled(page && copies >= 2 && HasControlPermission("edSecondCopy"));
    edThirdCopy->setEnabled(page && copies >= 3 && HasControlPermission("edThirdCopy"));
}

void TfrmOptions::cbxEmailClientChange() {
    if (cbxEmailClient->currentIndex() == MapiClient && MapiInstalled && !MapiInstalled()) {
        cbxEmailClient->setCurrentIndex(SmtpClient);
        ShowError("MAPI NOT installed.");
    }
    ApplyEmailClient();
    memoEmailBody->setPlainText(FromPackageText(CRLFMarkersToBreaks(R::EmailMessage())));
}

void TfrmOptions::SetEncryption(bool on) {
    cbxEncryptInternet->setChecked(on);
    cbxUseSSL->setChecked(on);
    QString address = edServerName->text();
    if (on)
        address.replace("http://", "https://");
    else
        address.replace("https://", "http://");
    edServerName->setText(address);
}

void TfrmOptions::cbxUseSSLHlwUsageClick() {
    QString address = edWhereToSendHLWUsage->text();
    if (cbxUseSSLHlwUsage->isChecked())
        address.replace("http://", "https://");
    else
        address.replace("https://", "http://");
    edWhereToSendHLWUsage->setText(address);
}

void TfrmOptions::edServerNameDblClick() {
    if (!HasSwitch("/Test") && !HasSwitch("/Debug"))
        return;
    if (edServerName->text() == TestServletURL) {
        edServerName->setText(WebDocsURL);
        cbxEncryptInternet->setChecked(true);
        cbxUseSSL->setChecked(true);
    } else {
        edServerName->setText(TestServletURL);
        cbxEncryptInternet->setChecked(false);
        cbxUseSSL->setChecked(false);
    }
}

void TfrmOptions::edProxyPortExit() {
    bool number = false;
    const long long port = edProxyPort->text().trimmed().toLongLong(&number);
    if (!number || port < 0) {
        edProxyPort->setText("0");
        return;
    }
    if (port > 65535) {
        ShowError("Invalid port. Valid ranges are 0 to 65535");
        edProxyPort->setText("65535");
        return;
    }
    edProxyPort->setText(QString::number(port));
}

void TfrmOptions::UpdateProxyControls() {
    gbxProxy->setEnabled(cbxUseProxy->isChecked());
    const bool custom = !rbUseDefaultBrowserProxySettings->isChecked();
    if (custom)
        lblWarning->setVisible(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{edProxyAddress, edProxyPort, lblProxyAddress, lblProxyPort})
        w->setEnabled(custom);
}

void TfrmOptions::GetDefaultProxySettings() {
    lblWarning->setVisible(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{edProxyAddress, edProxyPort, lblProxyAddress, lblProxyPort})
        w->setEnabled(false);
    const std::string server = ProxyServerSetting ? ProxyServerSetting() : std::string();
    if (server.empty()) {
        lblWarning->setVisible(true);
        return;
    }
    const TProxyServer split = SplitProxyServer(server);
    SetText(edProxyAddress, split.Address);
    SetText(edProxyPort, split.Port);
}

void TfrmOptions::GetBrowserSettings() {
    const TBrowserInfo browser = DefaultBrowser();
    lblDefaultWebBrowser->setText("Default Browser: " + FromPackageText(browser.Program));
    lblWebBrowserVersion->setText("Version: " + FromPackageText(browser.Version));
    DefaultBrowserIsIE = browser.InternetExplorer;
    DefaultBrowserIsNetscape = browser.Netscape;
}

void TfrmOptions::btnInternetSettingsClick() {
    if (!OpenNetworkSettings())
        ShowInformation(ProxyWhereText);
}

void TfrmOptions::btnSetOptimalClick() {
    SetItemIndex(rgFillColor, 0);
    cbxImageScale->setCurrentIndex(cbxImageScale->findText("100"));
    cbxImageQuality->setCurrentIndex(cbxImageQuality->findText("4 bit"));
    cbxAntiAliasImage->setChecked(false);
}

void TfrmOptions::btnResetClick() {
    BrightSpinEdit->setValue(-400);
    ContrastSpinEdit->setValue(25);
    SetItemIndex(UseUiGroup, 1);
    SetItemIndex(PaperSizeGroup, 1);
    SetItemIndex(rgScannerType, 0);
}

void TfrmOptions::btnRegisterFileTypesClick() {
    RegisterFileTypes(Executable, [this] { SaveDocViewINI(); });
}

void TfrmOptions::btnCreateShortCutClick() {
    try {
        CreateDesktopShortcut(Executable, "", "Pagellan",
                              ShortcutWorkingFolder(ResolvedFolder(FillDir), Executable));
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void TfrmOptions::btnCheckForUpdatesNowClick() {
    if (!HasPermission("AutoUpdates") || !CheckForUpdatesNow)
        return;
    CheckForUpdatesNow();
    DateLastPolled = TodayText().toStdString();
    lblDateLastPolled->setText("Date Last Checked : " + QString::fromStdString(DateLastPolled));
}

void TfrmOptions::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        PassKeyToHelp(event->key(), 0);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edServerName && event->type() == QEvent::MouseButtonDblClick) {
        edServerNameDblClick();
        return true;
    }
    if (watched == tbsMisc && event->type() == QEvent::MouseMove &&
        (static_cast<QMouseEvent*>(event)->modifiers() & Qt::ControlModifier))
        rgEnvironment->setVisible(true);
    return QDialog::eventFilter(watched, event);
}

int MailPortOf(const QString& text) {
    bool number = false;
    const int port = text.trimmed().toInt(&number);
    return number && port >= 1 && port <= 65535 ? port : 0;
}

QString MailSecurityText(const QString& port, bool signsOn) {
    const int number = MailPortOf(port);
    if (number == 0)
        return kMailPortInvalid;
    if (number == 465)
        return "Port 465 expects an encrypted connection from the start; Pagellan encrypts with STARTTLS. "
               "Use port 587 or 25 with this server.";
    if (signsOn)
        return "Security: encrypted with STARTTLS, the server's certificate checked; the user ID and "
               "password "
               "are sent only over the encrypted connection, never in plain text.";
    return "Security: encrypted with STARTTLS when the server offers it, the server's certificate checked; "
           "a server that does not offer it gets the mail unencrypted.";
}

void TfrmOptions::UpdateMailSecurity() {
    const bool signsOn = !edPOP3UserID->text().trimmed().isEmpty() && !edPassword->text().isEmpty();
    lblMailSecurity->setText(MailSecurityText(edPort->text(), signsOn));
}

} // namespace pg
