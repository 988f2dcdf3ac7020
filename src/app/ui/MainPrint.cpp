// The main window's print commands: the printer dialog it owns, its side of the print walk and
// the page window's "Print". The decisions are the walk's (PrintWalk.h) and the tree adapter's
// (PrintTree.h); this file gathers the window's state and hands it over.

#include "Main.h"

#include "AppSettings.h"
#include "BusyCursor.h"
#include "CommandLine.h"
#include "PGRegistry.h"
#include "PageFrm.h"
#include "PdfFinish.h"
#include "PrintTree.h"
#include "PrinterDlg.h"
#include "PrinterDriver.h"
#include "PrinterOutput.h"
#include "Prompt.h"
#include "Trace.h"
#ifdef PAGELLAN_VIVAFORM_BROWSER
#include "VivaformPrint.h"
#endif

#include <QApplication>

namespace pg {

namespace {

// The window's side of the walk: cursor, settings, status bar and the current printer.
class TMainPrintHost : public TPrintHost {
public:
    explicit TMainPrintHost(TfrmMain& main) : main_(main) {}

    void SetBusyCursor(bool busy) override {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    int32_t PrinterDlg() const override { return SettingPrinterDlg(); }
    TCopyFooters CopyFooters() const override { return CopyFootersFromSettings(); }
    std::pair<std::string, std::string> TrayCodes() const override {
        return {PGRegistry::LegalTray(), PGRegistry::LetterTray()};
    }
    void RefreshStatusBar() override { main_.SetStatusBar(); }
    void SendJob(const THLWPrintJobStream& job, const std::string& documentName,
                 int32_t printFormat) override {
        pg::SendJob(job.View(), CurrentPrinterName(), documentName, printFormat);
    }
    void PrintVivaform(const TInfo& info) override {
        // The page goes out on its own, through the browser engine, to the printer chosen in the
        // dialog; whatever goes wrong, the run carries on with the next page.
        const THLWMemorystream* fill = info.FillStream();
#ifdef PAGELLAN_VIVAFORM_BROWSER
        if (fill != nullptr && info.Form != nullptr) {
            const std::string worksheet = main_.DocSet() ? main_.DocSet()->WorksheetNumber : std::string();
            PrintVivaformPage(fill->View(), CurrentPrinterName(), "Pagellan-" + worksheet,
                              info.Form->PageSize);
            return;
        }
#endif
        DebugMsg(std::string("Print : Vivaform page not printed") +
                 (fill == nullptr ? ", no page data" : ", no browser engine in this build"));
    }
    std::string VivaformPdf(const TInfo& info, int32_t& pages) override {
        // The PDF the engine makes of the page, laid out as printing lays it out.
        const THLWMemorystream* fill = info.FillStream();
        pages = 0;
#ifdef PAGELLAN_VIVAFORM_BROWSER
        if (fill != nullptr && info.Form != nullptr) {
            const QByteArray made = VivaformToPdf(fill->View(), info.Form->PageSize);
            std::string pdf(made.constData(), size_t(made.size()));
            pages = PdfPageCount(pdf);
            if (pages == 0) {
                DebugMsg("Print : Vivaform page left out of the PDF, the engine made none");
                pdf.clear();
            }
            return pdf;
        }
#endif
        DebugMsg(std::string("Print : Vivaform page left out of the PDF") +
                 (fill == nullptr ? ", no page data" : ", no browser engine in this build"));
        return {};
    }

private:
    TfrmMain& main_;
};

} // namespace

void TfrmMain::CreatePrinting() {
    // Driver printing (format 1) goes through QPrinter, which lives on the UI side.
    InstallDriverSender();
    frmPrinterDlg = new TfrmPrinterDlg(HasSwitch("/D"), this);
    printHost_ = std::make_unique<TMainPrintHost>(*this);
    for (QAction* a : {actPrintAll, actPrintSelected, actPrintChanged, actPrintRemaining, mnuPrinterSetup})
        MarkWired(a);
    connect(actPrintAll, &QAction::triggered, this, &TfrmMain::PrintAllClick);
    connect(actPrintSelected, &QAction::triggered, this, &TfrmMain::PrintSelectedClick);
    connect(actPrintChanged, &QAction::triggered, this, &TfrmMain::PrintChangedClick);
    connect(actPrintRemaining, &QAction::triggered, this, &TfrmMain::PrintRemainingClick);
    connect(mnuPrinterSetup, &QAction::triggered, this, &TfrmMain::PrinterSetupClick);
    mnuPrinterSetup->setEnabled(true);
}

bool TfrmMain::PrintForms(const TTreeNode* start, bool keepJobText, bool selectedOnly, bool changedOnly) {
    if (!Loaded || !set_ || tree_.Empty())
        return false;
    TPrintRequest request;
    request.Start = PrintNodeIndex(tree_, start);
    request.KeepJobText = keepJobText;
    request.SelectedOnly = selectedOnly;
    request.ChangedOnly = changedOnly;
    // The PDF conversion's walk takes the dialog's current options without showing it, and
    // leaves the dialog's once-per-package state as it was.
    printState_.DialogConfirmed = SkipPrinterDialog || PDFMode;
    const bool confirmed = pg::PrintForms(*set_, PrintNodes(tree_, Selection()), request, printState_,
                                          *frmPrinterDlg, *printHost_);
    if (!PDFMode)
        SkipPrinterDialog = printState_.DialogConfirmed;
    return confirmed;
}

void TfrmMain::PrintAllClick() {
    if (!Loaded || tree_.Empty())
        return;
    SelectNodes({tree_.Root()});
    if (GetNumberOfPagesSelected() > 0)
        PrintForms(tree_.Root(), false, false, false);
}

void TfrmMain::PrintSelectedClick() {
    if (!Loaded || tree_.Empty())
        return;
    const TSelection selection = Selection();
    const std::string deleted = DeletedFormsMessage(FormsToCheckForDeletion(tree_, selection));
    if (!deleted.empty()) {
        ShowInformation(deleted);
        return;
    }
    PrintForms(tree_.Root(), false, true, false);
}

void TfrmMain::PrintChangedClick() {
    if (!Loaded || tree_.Empty())
        return;
    PrintForms(tree_.Root(), false, false, true);
}

void TfrmMain::PrintRemainingClick() {
    const TSelection selection = Selection();
    // Without a selected node there is nothing "remaining" to start from.
    if (!Loaded || selection.empty())
        return;
    PrintForms(selection.front(), false, false, false);
}

void TfrmMain::PrintButtonClick() {
    if (PrintButtonPrintsAll(tree_, Selection()))
        actPrintAll->trigger();
    else
        actPrintSelected->trigger();
}

void TfrmMain::PrinterSetupClick() {
    if (!set_)
        return;
    TPrinterDlgOptions& options = frmPrinterDlg->Options();
    options.EnableOptionsByPermission();
    options.OwnBarCodes = set_->HasBarcodeFormula;
    if (frmPrinterDlg->Execute() && SettingPrinterDlg() != 0)
        SkipPrinterDialog = true;
    SetStatusBar();
}

void TfrmMain::PrintPageWindow(TPageForm& page) {
    // The kind of page shown decides how it prints: a package page through the package's
    // print job, a loose file's PCL page as it stands, a picture through the driver.
    const TPageDocumentTraits kind =
        page.Document ? page.Document->Traits() : TPageDocumentTraits{.PackagePages = true};
    const bool pictures = kind.Pictures;
    const bool plainPcl = !kind.PackagePages && !pictures;
    const TDocSet* set = plainPcl ? nullptr : page.DocumentSet;
    TPrinterDlgOptions& options = frmPrinterDlg->Options();
    options.PrepareForPageWindow(plainPcl, pictures, set != nullptr && set->HasBarcodeFormula);
    if (!frmPrinterDlg->Execute())
        return;
    if (pictures) {
        // Scanned images print through the driver with their own bitmap, which arrives with the
        // scanning plug-in's page window.
        DebugMsg("Print : scanned-image printing is not available");
        return;
    }
    const TInfo* info = nullptr;
    std::string plainPage;
    if (plainPcl) {
        // The page with the fonts, macros and state the pages before it left in force.
        plainPage = page.Document->PagePcl(page.DocumentPage);
        if (plainPage.empty())
            return;
    } else {
        if (page.CurrentNode == nullptr || !page.CurrentNode->Info)
            return;
        info = page.CurrentNode->Info.get();
    }
    const TBusyCursor busy;
    THLWPrintJobStream job(CopyFootersFromSettings());
    AssemblePageJob(job, set, info, plainPage, ChoicesFromDialog(options, {}, {}));
    SendJob(job.View(), CurrentPrinterName(), "Pagellan-", options.PrintMode);
}

} // namespace pg
