#pragma once
// TfrmWeb: the small web window. It fetches a package from the WebDocs service by its
// retrieval code (with the pass-phrase exchange the service may ask for), or downloads a
// package by address, showing a meter while the transfer runs; closing the window cancels it.
// It also runs the program's update check and installation and fetches the scanning plug-in.
//
// One transfer at a time: while the engine runs, Submit stays disabled and a second start is
// refused; closing the window then cancels the run and closes once the run has let go. Pages a
// server sends for the browser go into a private work folder of the window's current task
// (the retrieval, the update check, the plug-in download), removed when that task ends.

#include "HLWWebCopy.h"
#include "Updates.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace pg {

class TWorkFolder;

class TfrmWeb : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWeb(QWidget* parent = nullptr);
    ~TfrmWeb() override;

    // Asks for a code and posts it to the service; true when a package arrived into receiving.
    bool RetrieveWebDocs(const std::string& address, THLWMemorystream& receiving);
    // Downloads the address at once; true when it finished without error.
    bool DownloadQuodex(const std::string& address, THLWMemorystream& receiving);

    // Opens a file with the desktop (the HTML reply of the service). Replaceable for tests.
    std::function<void(const std::string& file)> OpenDocument;

    // Program updates and the scanning plug-in. The caller gives the version list's address,
    // the application name, the package to reopen after an update (empty: the first argument of
    // the command line) and whether the user asked (questions and errors shown) or the start-up
    // schedule runs it (transfer errors stay silent).
    std::string VersionListURL;
    std::string ApplicationName = "Pagellan";
    std::string ReopenFile;
    bool Interactive = false;
    // Where the program and its plug-ins sit, the running program, the update folder and the
    // helper programs' folder (folders end with a separator). Default: this process's.
    std::string ProgramFolder;
    std::string Executable;
    std::string UpdateFolder;
    std::string HelperFolder;
    // The modifier keys held now (Ctrl: reinstall whatever is released; Ctrl+Shift: also ask
    // which version), the input box, and the end of the program once the installer runs.
    // Replaceable for tests.
    std::function<Qt::KeyboardModifiers()> KeyboardModifiers;
    std::function<bool(const std::string& caption, const std::string& prompt, std::string& value)> InputQuery;
    std::function<void()> EndProgram;

    // Fetches the version list, offers what is newer, downloads it into the update folder and
    // offers to install it; true when the download window ended with OK.
    bool CheckForUpdates();
    // Writes and starts the installer for the last decision, then ends the program.
    void InstallUpdate();
    // Offers to fetch the scanning plug-in into the program folder; true when it arrived.
    bool DownloadScanPlugin();
    const TUpdateDecision& Decision() const { return decision_; }

    THLWWebCopy& WebCopy() { return copy_; }
    int ErrorCode() const { return errorCode_; }

    QWidget* pnlWebDocs = nullptr;
    QLabel* lblCode = nullptr;
    QLineEdit* edWebDocCode = nullptr;
    QPushButton* btnSubmit = nullptr;
    QLabel* imgPadlock = nullptr;
    QWidget* pnlPassword = nullptr;
    QLabel* lblAuthentication = nullptr;
    QLabel* lblPassPhrase = nullptr;
    QLineEdit* edPassPhrase = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QWidget* pnlBottom = nullptr;
    QLabel* lblStatus = nullptr;

public slots:
    void btnWebDocPostClick();
    void reject() override;

private:
    void CopyProgress(int fileIndex, int64_t size, int64_t received);
    // The version list into list; false after a transfer error (told only when interactive).
    bool FetchVersionList(std::string& list);
    void ReportListError(const std::string& list, const std::string& error);
    TInstalled Installed() const;
    bool AskForVersion();
    // Shows the window compact with meter and status line and runs transfer once it is up;
    // true when it was not closed before the transfer ended.
    bool RunModalTransfer(const std::function<void()>& transfer);
    void ErrorInfo(int index, int code, const std::string& text);
    void HLWWebDocsDone();
    // After a run: the close the user asked for meanwhile happens now.
    void FinishRun();
    // Writes a page the server sent into the task's work folder under the name and hands it
    // to OpenDocument.
    void ShowPage(const std::string& name, std::string_view bytes);
    void EvaluateReply();
    void DownloadDone();
    void ShowMeter();
    void SetHeight(int height);

    THLWWebCopy copy_;
    THLWMemorystream* receiving_ = nullptr;
    std::string address_;
    int errorCode_ = 0;
    bool interactive_ = false;
    bool finished_ = false;
    bool meterByRun_ = false;
    bool closeAfterRun_ = false;
    TUpdateDecision decision_;
    std::unique_ptr<TWorkFolder> pages_;
};

} // namespace pg
