// The main window's scanning commands and TIFF pages: both go through the scanning plug-in,
// which is loaded again on demand (it may have been put beside the program since start-up).

#include "AppSettings.h"
#include "Main.h"
#include "Options.h"
#include "PageFrm.h"
#include "Prompt.h"
#include "ScanImage.h"
#include "ScanPlugin.h"
#include "Trace.h"

#include <QAction>
#include <QApplication>

#include <algorithm>

namespace pg {

void TfrmMain::ConnectScanCommands() {
    MarkWired(actScan);
    MarkWired(mnuScanImages);
    connect(actScan, &QAction::triggered, this, &TfrmMain::ScanImagesClick);
}

namespace {

// Loads the plug-in when it is not loaded; the scanning menu item follows.
bool EnsureScanPlugin(TfrmMain& main) {
    if (!ScanPluginLoaded()) {
        LoadScanPlugin(main.ProgramFolder);
        main.SetStatusBar();
    }
    return ScanPluginLoaded();
}

} // namespace

bool TfrmMain::ViewTiffFile(const std::string& path) {
    DebugMsg("Main : TIFF view of " + path);
    // A missing plug-in is offered for download as for Scan Images; without it a TIFF opens
    // nothing, and says nothing more.
    if (!EnsureScanPlugin(*this) && !DownloadScanPlugin())
        return false;
    std::string error;
    std::unique_ptr<TPageDocument> picture;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        picture = OpenPageDocument(path, error);
        QApplication::restoreOverrideCursor();
    }
    if (!picture) {
        ShowError(error);
        return false;
    }
    auto page = std::make_unique<TPageForm>();
    page->setAttribute(Qt::WA_DeleteOnClose);
    page->ShowDocument(std::move(picture));
    ShowFileWindow(std::move(page), path);
    return true;
}

TScanSettings TfrmMain::ScannerSettings() {
    TfrmOptions* options = Options();
    return SettingScanner(std::max(TfrmOptions::ItemIndex(options->UseUiGroup), 0),
                          std::max(TfrmOptions::ItemIndex(options->PaperSizeGroup), 0));
}

void TfrmMain::ScanImagesClick() {
    if (!EnsureScanPlugin(*this) && !DownloadScanPlugin())
        return;
    const std::string folder = ScanTargetFolder();
    DebugMsg("Main : scanning into " + folder);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ScanBegin(ScannerSettings(), folder);
    const std::string error = ScanPluginError();
    ScanCleanup();
    QApplication::restoreOverrideCursor();
    // The plug-in has no window of its own: a scan that failed is told here.
    if (!error.empty())
        ShowError(error);
}

} // namespace pg
