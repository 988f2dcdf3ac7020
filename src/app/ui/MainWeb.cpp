// The main window's web commands: "WebDocs" fetches a package by its retrieval code, and a
// package argument that is an http(s) address is downloaded at start-up. Both go through the
// web window and hand the bytes to the tree exactly as an opened file. The update check at
// start-up and on demand and the scanning plug-in's download go through it too.

#include "Main.h"

#include "CommandLine.h"
#include "DateTime.h"
#include "DocTreeView.h"
#include "MessageWindow.h"
#include "Options.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Prompt.h"
#include "ScanPlugin.h"
#include "Strings.h"
#include "UpdateSchedule.h"
#include "WebFrm.h"

#include <QApplication>
#include <QThread>

namespace pg {

void TfrmMain::CreateWebCommands() {
    MarkWired(actGetWebDocs);
    connect(actGetWebDocs, &QAction::triggered, this, &TfrmMain::actGetWebDocsExecute);
}

bool IsPackageAddress(const std::string& argument) {
    // https addresses download like http ones: the service's packages come over TLS.
    const std::string upper = UpperCase(argument);
    return upper.find("HTTP://") != std::string::npos || upper.find("HTTPS://") != std::string::npos;
}

bool TfrmMain::DownloadPackageArgument(const std::string& address, THLWMemorystream& stream) {
    TfrmWeb web(this);
    web.OpenDocument = OpenWebAddress;
    if (!web.DownloadQuodex(address, stream))
        return false;
    QThread::msleep(1000);
    CurrentFile = "RemoteQuodex.qdx";
    return true;
}

void TfrmMain::actGetWebDocsExecute() {
    TfrmWeb web(this);
    web.OpenDocument = OpenWebAddress;
    THLWMemorystream stream;
    if (!web.RetrieveWebDocs(PGRegistry::WebDocsWithPwd(), stream))
        return;
    if (!MayReplacePackage())
        return;
    CloseAnyOpenForms();
    DestroyTree();
    CurrentFile = "RemoteRequest.QDX";
    ViewFile.clear();
    try {
        LoadTree(&stream);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    DocTree->setFocus();
    SetMainCaptionAndWindowPosition();
    SetStatusBar();
    QApplication::restoreOverrideCursor();
    if (set_ && set_->HasErrors())
        ShowDocSetErrors();
    // A package from the service has no file of its own to save to.
    mnuFileSave->setEnabled(false);
}

void TfrmMain::SetUpUpdateWindow(TfrmWeb& web, const std::string& listURL, bool interactive) {
    web.OpenDocument = OpenWebAddress;
    web.VersionListURL = listURL;
    web.ApplicationName = "Pagellan";
    web.Interactive = interactive;
    web.ProgramFolder = IncludeSlash(ProgramFolder);
    if (PrepareUpdateWindow)
        PrepareUpdateWindow(web);
}

void TfrmMain::RunUpdateSchedule() {
    const std::string today = DateText(Now());
    switch (DecideUpdateHook(HasPermission("AutoUpdates"), PGRegistry::DaysBetweenUpdateChecks(),
                             PGRegistry::DateLastCheckedForUpdates(), today)) {
    case TUpdateHook::None:
        return;
    case TUpdateHook::ReportSuccess:
        PGRegistry::SetDateLastCheckedForUpdates(today);
        ShowInformation(UpdateSucceededText("Pagellan"));
        return;
    case TUpdateHook::ReportFailure:
        ShowError(UpdateFailedText("Pagellan"));
        return;
    case TUpdateHook::Check:
        break;
    }
    {
        TfrmWeb web(this);
        SetUpUpdateWindow(web, PGRegistry::URLForCurrentPagellan(), false);
        web.ReopenFile = PackageArgument();
        // Start-up waits for this check: an unreachable or stalled server gives up soon.
        web.WebCopy().ConnectTimeout = 5;
        web.WebCopy().StallTimeout = 5;
        web.CheckForUpdates();
    }
    PGRegistry::SetDateLastCheckedForUpdates(DateText(Now()));
}

void TfrmMain::CheckForUpdatesNow() {
    if (!HasPermission("AutoUpdates"))
        return;
    {
        TfrmWeb web(this);
        SetUpUpdateWindow(web, Options()->VersionListURL, true);
        web.CheckForUpdates();
    }
    // The options dialog shows the date and keeps it; the store has it at once for the next start.
    PGRegistry::SetDateLastCheckedForUpdates(DateText(Now()));
}

bool TfrmMain::DownloadScanPlugin() {
    bool arrived = false;
    {
        TfrmWeb web(this);
        SetUpUpdateWindow(web, PGRegistry::URLForCurrentPagellan(), true);
        arrived = web.DownloadScanPlugin();
    }
    if (arrived) {
        LoadScanPlugin(ProgramFolder);
        SetStatusBar();
    }
    return ScanPluginLoaded();
}

} // namespace pg
