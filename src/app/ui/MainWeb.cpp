// The main window's web commands: "WebDocs" fetches a package by its retrieval code, and a
// package argument that is an http(s) address is downloaded at start-up. Both go through the
// web window and hand the bytes to the tree exactly as an opened file.

#include "Main.h"

#include "DocTreeView.h"
#include "MessageWindow.h"
#include "PGRegistry.h"
#include "Prompt.h"
#include "Strings.h"
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

} // namespace pg
