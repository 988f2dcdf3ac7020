#include "WebFrm.h"

#include "CommandLine.h"
#include "Connection.h"
#include "Paths.h"
#include "Prompt.h"
#include "Strings.h"
#include "UpdateInstall.h"
#include "WebAddress.h"
#include "WebDocs.h"
#include "WebSettings.h"
#include "WorkFolder.h"

#include <QApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <cmath>
#include <filesystem>

namespace pg {

namespace {

constexpr int kWidth = 383;
constexpr int kCompactHeight = 78;
constexpr int kPassPhraseHeight = 214;
constexpr int kMeterShownAbove = 750;

const char* const kAuthenticationText =
    "<p><font color=\"#BB0400\"><B><strong>Authentication Required!</strong></B></p><p><p></p>Additional "
    "information is required to access your documents. Please enter the information below. If you do not "
    "know the "
    "information, contact the Vantorel user originating this transaction. <br></FONT>";

QString Q(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}

constexpr char kScanPluginFile[] = "libPagellanScan.so";
constexpr char kDatabasePluginFile[] = "libPagellanDB.so";

const char* const kScanPluginQuestion =
    "This feature allows you to scan documents using your Twain compatible flat bed scanner\nand for viewing "
    "TIF images.  It is not currently installed on your computer\nbut can be downloaded and installed "
    "now.\n\nWould you like to download it now?";

std::string PluginVersion(const std::string& file) {
    return FileExists(file) ? ReadFileVersion(file) : std::string();
}

// The end of one of the window's tasks: the pages it showed go with their work folder.
struct TTaskEnd {
    std::unique_ptr<TWorkFolder>& pages;
    ~TTaskEnd() { pages.reset(); }
};

// An earlier update's report must not travel into the next restart, where it would be read
// instead of the new one.
bool IsUpdateReport(const std::string& argument) {
    return UpperCase(argument).rfind("/UPDATE=", 0) == 0;
}

} // namespace

TfrmWeb::TfrmWeb(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("frmWeb");
    setModal(true);
    pnlWebDocs = new QWidget(this);
    pnlWebDocs->setGeometry(0, 0, kWidth, 40);
    lblCode = new QLabel("WebDocs Code:", pnlWebDocs);
    lblCode->setObjectName("lblCode");
    // The label is as wide as its text, colon included, whatever the font; the field takes what
    // is left before "Submit".
    const int labelWidth = std::max(90, lblCode->sizeHint().width());
    lblCode->setGeometry(8, 12, labelWidth, 16);
    edWebDocCode = new QLineEdit(pnlWebDocs);
    edWebDocCode->setObjectName("edWebDocCode");
    edWebDocCode->setGeometry(10 + labelWidth, 8, 260 - labelWidth, 24);
    btnSubmit = new QPushButton("Submit", pnlWebDocs);
    btnSubmit->setObjectName("btnSubmit");
    btnSubmit->setGeometry(278, 8, 64, 24);
    btnSubmit->setDefault(true);
    btnSubmit->setEnabled(false);
    imgPadlock = new QLabel(pnlWebDocs);
    imgPadlock->setGeometry(350, 8, 24, 24);
    imgPadlock->setToolTip("SSL Secured (128 Bit)");

    pnlPassword = new QWidget(this);
    pnlPassword->setGeometry(0, 40, kWidth, 136);
    lblAuthentication = new QLabel(kAuthenticationText, pnlPassword);
    lblAuthentication->setWordWrap(true);
    lblAuthentication->setGeometry(8, 0, kWidth - 16, 96);
    lblPassPhrase = new QLabel(pnlPassword);
    lblPassPhrase->setGeometry(8, 104, 98, 16);
    edPassPhrase = new QLineEdit(pnlPassword);
    edPassPhrase->setObjectName("edPassPhrase");
    edPassPhrase->setGeometry(110, 100, 232, 24);
    pnlPassword->hide();

    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    ProgressBar->hide();
    pnlBottom = new QWidget(this);
    lblStatus = new QLabel(pnlBottom);
    lblStatus->setGeometry(8, 0, kWidth - 16, 16);
    pnlBottom->hide();

    // Typing during a transfer does not bring Submit back: one run at a time.
    connect(edWebDocCode, &QLineEdit::textChanged, this, [this](const QString& text) {
        btnSubmit->setEnabled(!text.trimmed().isEmpty() && !copy_.IsActive());
    });
    connect(btnSubmit, &QPushButton::clicked, this, &TfrmWeb::btnWebDocPostClick);

    OpenDocument = [](const std::string& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(Q(file))); };
    copy_.Agent = "WebCopy";
    ApplyStoredTransferSettings(copy_);
    copy_.EventPump = [] { QApplication::processEvents(); };
    copy_.OnErrorInfo = [this](int index, int code, const std::string& text) {
        ErrorInfo(index, code, text);
    };
    copy_.OnFileStart = [](int) {};
    copy_.OnCopyProgress = [this](int fileIndex, int64_t size, int64_t received, std::string&) {
        CopyProgress(fileIndex, size, received);
    };
    ProgramFolder = IncludeSlash(QCoreApplication::applicationDirPath().toStdString());
    Executable = QCoreApplication::applicationFilePath().toStdString();
    UpdateFolder = ProgramDataFolder();
    HelperFolder = AppDataFolder();
    KeyboardModifiers = [] { return QGuiApplication::queryKeyboardModifiers(); };
    InputQuery = [this](const std::string& caption, const std::string& prompt, std::string& value) {
        bool ok = false;
        const QString answer =
            QInputDialog::getText(this, Q(caption), Q(prompt), QLineEdit::Normal, Q(value), &ok);
        value = answer.toStdString();
        return ok;
    };
    // The installer waits for this process to end before it replaces the program. The check at
    // start-up runs before the main event loop does: the queued quit ends that loop as it starts.
    EndProgram = [] {
        QCoreApplication::exit(0);
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    };
    setFixedWidth(kWidth);
    SetHeight(kCompactHeight);
}

TfrmWeb::~TfrmWeb() {
    // A run still below us on the stack (an owner that deletes the window from inside its
    // events) stops at its next chunk.
    copy_.Cancel();
}

void TfrmWeb::SetHeight(int height) {
    setFixedHeight(height);
    pnlBottom->setGeometry(0, height - 18, kWidth, 18);
}

void TfrmWeb::ShowMeter() {
    ProgressBar->setGeometry(8, height() - 39, kWidth - 16, 16);
    ProgressBar->show();
}

bool TfrmWeb::RetrieveWebDocs(const std::string& address, THLWMemorystream& receiving) {
    const TTaskEnd end{pages_};
    pnlWebDocs->show();
    pnlPassword->hide();
    address_ = address;
    receiving_ = &receiving;
    receiving.Clear();
    finished_ = false;
    closeAfterRun_ = false;
    SetHeight(kCompactHeight);
    setWindowTitle("WebDocs");
    interactive_ = true;
    edWebDocCode->setFocus();
    return exec() == QDialog::Accepted;
}

void TfrmWeb::btnWebDocPostClick() {
    // A second Submit while the first runs would replace the item the run is reading.
    if (copy_.IsActive())
        return;
    btnSubmit->setEnabled(false);
    ProgressBar->setValue(0);
    copy_.OnCopyDone = [this] { HLWWebDocsDone(); };
    copy_.Items.Clear();
    THLWWebCopyItem& item = copy_.Items.Add();
    item.URL = address_;
    item.HTTPCommand = THTTPCommand::hcPost;
    item.Protocol = TWebProtocol::wpHttpPostData;
    item.Stream.Write(WebDocsRequest(edWebDocCode->text().toStdString(), edPassPhrase->text().toStdString()));
    errorCode_ = 0;
    copy_.Execute();
    FinishRun();
}

void TfrmWeb::FinishRun() {
    if (!closeAfterRun_ || copy_.IsActive())
        return;
    closeAfterRun_ = false;
    QDialog::reject();
}

void TfrmWeb::ShowPage(const std::string& name, std::string_view bytes) {
    if (!pages_)
        pages_ = std::make_unique<TWorkFolder>("pagellan-web");
    const std::string page = pages_->Made() ? pages_->File(name) : std::string();
    if (page.empty() || !AtomicWriteFile(page, bytes)) {
        ShowError("Can not create temporary files in " +
                  (pages_->Made() ? pages_->Path() : WorkFolderBase()));
        return;
    }
    if (OpenDocument)
        OpenDocument(page);
}

void TfrmWeb::CopyProgress(int fileIndex, int64_t size, int64_t received) {
    if (meterByRun_) {
        // Closing the window cancels the run before its next chunk.
        if (finished_)
            copy_.Cancel();
        if (copy_.TotalTransferSize != 0)
            ProgressBar->setValue(
                int(std::lround(double(copy_.TransferredBytes()) / double(copy_.TotalTransferSize) * 100)));
        lblStatus->setText(
            Q("File : " + std::to_string(fileIndex) + " of " + std::to_string(copy_.Items.Count())));
        return;
    }
    if (size > kMeterShownAbove && ProgressBar->isHidden()) {
        SetHeight(height() + 25);
        ShowMeter();
    }
    if (finished_)
        copy_.Cancel();
    if (size != 0)
        ProgressBar->setValue(int(std::lround(double(received) / double(size) * 100)));
}

void TfrmWeb::ErrorInfo(int index, int code, const std::string& text) {
    errorCode_ = code;
    if (interactive_)
        ShowError(text + "\n" + AddressForDisplay(copy_.Items[size_t(index)].URL));
}

void TfrmWeb::HLWWebDocsDone() {
    if (errorCode_ != 0 || finished_ || copy_.UserCanceled())
        return;
    if (copy_.Items.Count() == 0 || !copy_.Items[0].Succeeded())
        return;
    EvaluateReply();
}

void TfrmWeb::EvaluateReply() {
    lblCode->show();
    edWebDocCode->show();
    ProgressBar->hide();
    THLWWebCopyItem& item = copy_.Items[0];
    const std::string reply(item.Stream.View());
    const TWebDocsReply r = EvaluateWebDocsReply(reply);
    if (r.Kind == TWebDocsReplyKind::Package) {
        receiving_->Clear();
        receiving_->Write(reply);
        receiving_->Seek(0);
        finished_ = true;
        accept();
        return;
    }
    if (r.Kind == TWebDocsReplyKind::HtmlPage) {
        ShowPage("WebDocs.htm", reply);
        btnSubmit->setEnabled(!edWebDocCode->text().trimmed().isEmpty());
        return;
    }
    if (r.Code != 1 && AskYesNo(r.Message, PromptAnswer::Yes) == PromptAnswer::No) {
        finished_ = true;
        QDialog::reject();
        return;
    }
    btnSubmit->setEnabled(true);
    edWebDocCode->setEnabled(true);
    if (!r.WantsPassPhrase) {
        edWebDocCode->setFocus();
        return;
    }
    pnlPassword->show();
    edPassPhrase->setEnabled(true);
    SetHeight(kPassPhraseHeight);
    edWebDocCode->setEnabled(false);
    lblPassPhrase->setFixedWidth(98);
    lblPassPhrase->setText(Q(r.Prompt));
    edPassPhrase->setFocus();
}

bool TfrmWeb::DownloadQuodex(const std::string& address, THLWMemorystream& receiving) {
    SetHeight(kCompactHeight);
    pnlWebDocs->hide();
    pnlPassword->hide();
    ShowMeter();
    pnlBottom->show();
    setWindowTitle("Downloading Quodex from URL");
    lblStatus->setText(Q("Downloading : " + AddressForDisplay(address)));
    interactive_ = true;
    receiving_ = &receiving;
    finished_ = false;
    closeAfterRun_ = false;
    copy_.Items.Clear();
    THLWWebCopyItem& item = copy_.Items.Add();
    item.URL = address;
    item.Protocol = TWebProtocol::wpHttp;
    errorCode_ = 0;
    copy_.OnCopyDone = [this] { DownloadDone(); };
    // The transfer starts once the window is up, so that its meter shows the progress.
    QTimer::singleShot(0, this, [this] {
        copy_.Execute();
        FinishRun();
    });
    return exec() == QDialog::Accepted && errorCode_ == 0;
}

void TfrmWeb::DownloadDone() {
    if (finished_ || copy_.UserCanceled())
        return;
    finished_ = true;
    if (!copy_.Items[0].Succeeded() || errorCode_ != 0) {
        QDialog::reject();
        return;
    }
    receiving_->Clear();
    receiving_->Write(copy_.Items[0].Stream.View());
    receiving_->Seek(0);
    accept();
}

bool TfrmWeb::FetchVersionList(std::string& list) {
    copy_.Items.Clear();
    THLWWebCopyItem& item = copy_.Items.Add();
    item.URL = VersionListURL;
    item.Protocol = TWebProtocol::wpHttp;
    KeepRedirectsTrusted(item, VersionListURL);
    errorCode_ = 0;
    copy_.OnCopyDone = {};
    meterByRun_ = false;
    copy_.Execute();
    if (errorCode_ != 0 || !item.Succeeded())
        return false;
    list = std::string(item.Stream.View());
    return true;
}

void TfrmWeb::ReportListError(const std::string& list, const std::string& error) {
    // What arrived goes to the browser, so that the user sees what the server sent instead.
    ShowPage("HLWWeb.htm", list);
    ShowError(error);
}

TInstalled TfrmWeb::Installed() const {
    TInstalled installed;
    // With Ctrl held the program counts as not installed: the released version is fetched again.
    installed.Program = KeyboardModifiers().testFlag(Qt::ControlModifier) ? std::string("000.000.000.000")
                                                                          : ReadFileVersion(Executable);
    installed.ScanPlugin = PluginVersion(ProgramFolder + kScanPluginFile);
    installed.DatabasePlugin = PluginVersion(ProgramFolder + kDatabasePluginFile);
    installed.PatchHelper = ReadFileVersion(HelperFolder + "Patch");
    installed.WaitHelper = ReadFileVersion(HelperFolder + "WaitForAppToEnd");
    return installed;
}

bool TfrmWeb::AskForVersion() {
    std::string answer = "beta";
    if (!InputQuery("Version", "Version to download", answer))
        return false;
    TAppInfo& program = decision_.Downloads.front();
    program.URL = program.URL.substr(0, program.URL.rfind('/')) + "/pagellan_" + answer + ".zip";
    // The list's digest belongs to the released archive, not to the one asked for.
    program.SHA256.clear();
    return true;
}

bool TfrmWeb::RunModalTransfer(const std::function<void()>& transfer) {
    SetHeight(kCompactHeight);
    pnlWebDocs->hide();
    pnlPassword->hide();
    ProgressBar->setValue(0);
    ShowMeter();
    lblStatus->clear();
    pnlBottom->show();
    finished_ = false;
    closeAfterRun_ = false;
    meterByRun_ = true;
    // The transfer starts once the window is up, so that its meter shows the progress.
    QTimer::singleShot(0, this, [this, &transfer] {
        transfer();
        if (!finished_) {
            finished_ = true;
            accept();
        }
        FinishRun();
    });
    const bool completed = exec() == QDialog::Accepted;
    meterByRun_ = false;
    return completed;
}

bool TfrmWeb::CheckForUpdates() {
    const TTaskEnd end{pages_};
    interactive_ = Interactive;
    std::string type;
    // At start-up an offline machine ends the check silently; the user who asked is asked to
    // connect.
    if (!GetConnectionType(type, copy_.Proxy) &&
        (!Interactive || CheckConnection(false, "trying to retrieve a program update.") != kOnline))
        return false;
    GetConnectionType(type, copy_.Proxy);
    setWindowTitle(Q("Live update (" + type + ")"));
    if (Interactive) {
        lblStatus->setText("Checking for update...");
        ProgressBar->setValue(0);
    }
    std::string list, error;
    if (!FetchVersionList(list))
        return false;
    TVersionList versions;
    if (!versions.Load(list, error)) {
        ReportListError(list, error);
        return false;
    }
    decision_ = DecideUpdates(versions, ApplicationName, Installed());
    if (!decision_.Error.empty()) {
        ReportListError(list, decision_.Error);
        return false;
    }
    if (decision_.ProgramCurrent && decision_.OutdatedPlugins == 0) {
        if (Interactive)
            ShowInformation("No Updates are currently available");
        return false;
    }
    // With Ctrl and Shift held the version to fetch is asked for as the program is found out of
    // date, before the question whether to download.
    const Qt::KeyboardModifiers keys = KeyboardModifiers();
    if (decision_.FullUpdate && keys.testFlag(Qt::ControlModifier) && keys.testFlag(Qt::ShiftModifier) &&
        !AskForVersion())
        return false;
    ProgressBar->setValue(0);
    if (AskYesNo("An update is available for " + ApplicationName + "!" + "\n\n" +
                 "Would you like to download it now? ") != PromptAnswer::Yes)
        return false;
    TUpdateFiles files;
    const bool completed =
        RunModalTransfer([&] { files = DownloadUpdates(copy_, decision_, VersionListURL, UpdateFolder); });
    if (copy_.UserCanceled()) {
        ShowInformation("User aborted");
        return false;
    }
    if (!files.Error.empty()) {
        // A refused or mismatching file is always told; a failed transfer only to the user who
        // asked (the engine has told that user already).
        if (errorCode_ == 0)
            ShowError(files.Error);
        return false;
    }
    if (AskYesNo("Your " + ApplicationName + " update has arrived!" + "\n\n" +
                 "If you want to install this now, all users" + "\n" + "running " + ApplicationName +
                 " should exit now. Do" + "\n" + "you wish to install now? ") == PromptAnswer::Yes)
        InstallUpdate();
    return completed;
}

void TfrmWeb::InstallUpdate() {
    TInstallPlan plan;
    plan.UpdateFolder = UpdateFolder;
    plan.AppDataFolder = HelperFolder;
    plan.Executable = Executable;
    const std::vector<std::string>& args = CommandLineArguments();
    if (!ReopenFile.empty() && FileExists(ReopenFile))
        plan.ReopenFile = ReopenFile;
    else if (!args.empty() && !IsUpdateReport(args[0]))
        plan.ReopenFile = args[0];
    for (size_t i = 1; i < args.size(); ++i)
        if (!IsUpdateReport(args[i]))
            plan.FurtherArgs.push_back(args[i]);
    plan.FullUpdate = decision_.FullUpdate;
    plan.PatchUpdate = decision_.PatchUpdate;
    plan.PluginUpdate = decision_.OutdatedPlugins > 0;
    std::string error;
    // Without a running installer the program stays: ending it would leave the user with nothing.
    if (!StartInstaller(plan, error)) {
        ShowError(error);
        return;
    }
    if (EndProgram)
        EndProgram();
}

bool TfrmWeb::DownloadScanPlugin() {
    const TTaskEnd end{pages_};
    interactive_ = Interactive;
    if (AskYesNo(kScanPluginQuestion) != PromptAnswer::Yes)
        return false;
    if (CheckConnection(true, "trying to download the scanning dll at " +
                                  AddressForDisplay(VersionListURL)) != kOnline)
        return false;
    ProgressBar->setValue(0);
    std::string list, error;
    if (!FetchVersionList(list))
        return false;
    TVersionList versions;
    TAppInfo plugin;
    if (!versions.Load(list, error) || !versions.GetAppInfo("PagellanScan", plugin, error)) {
        ReportListError(list, error);
        return false;
    }
    if (plugin.URL.empty()) {
        ShowError("The version list names no scanning plug-in to download.");
        return false;
    }
    // The plug-in runs inside the program: it comes only from where an update may come from,
    // also after redirects.
    if (!TrustedUpdateAddress(plugin.URL, VersionListURL)) {
        ShowError("The update file " + AddressForDisplay(plugin.URL) +
                  " is neither on a verified https server nor beside the version list.");
        return false;
    }
    copy_.Items.Clear();
    THLWWebCopyItem& item = copy_.Items.Add();
    item.URL = plugin.URL;
    item.Protocol = TWebProtocol::wpHttp;
    KeepRedirectsTrusted(item, VersionListURL);
    // Saved under the name the program loads it by, whatever the address ends in: an address
    // must not choose which file of the program folder it replaces.
    item.TargetDir = ProgramFolder;
    item.TargetFilename = kScanPluginFile;
    copy_.CalculateTotalSize();
    setWindowTitle("Downloading Document Scanning DLL");
    errorCode_ = 0;
    RunModalTransfer([this] { copy_.Execute(); });
    if (copy_.UserCanceled() || errorCode_ != 0 || !copy_.Items[0].Succeeded())
        return false;
    if (!VerifyDownload(ProgramFolder + kScanPluginFile, plugin.SHA256, error)) {
        ShowError(error);
        return false;
    }
    return true;
}

void TfrmWeb::reject() {
    finished_ = true;
    // Closing the window while a transfer runs cancels it before its next chunk; the window
    // closes once the run has ended (FinishRun), not while the run still uses it.
    if (copy_.IsActive()) {
        copy_.Cancel();
        closeAfterRun_ = true;
        return;
    }
    QDialog::reject();
}

} // namespace pg
