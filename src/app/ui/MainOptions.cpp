// The main window's "Pagellan Options" command and the options dialog it keeps.

#include "Main.h"
#include "Options.h"
#include "PGRegistry.h"
#include "PrinterDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

namespace pg {

void TfrmMain::CreateOptions() {
    MarkWired(mnuOptions);
    mnuOptions->setEnabled(true);
    connect(mnuOptions, &QAction::triggered, this, &TfrmMain::OptionsClick);
}

TfrmOptions* TfrmMain::Options() {
    // Made on first use: loading it checks the file associations, which the runs that never
    // open it need not wait for.
    if (!frmOptions) {
        frmOptions = new TfrmOptions(this);
        // The web window lives above the options: the main window runs the check for it.
        frmOptions->CheckForUpdatesNow = [this] { CheckForUpdatesNow(); };
    }
    return frmOptions;
}

void TfrmMain::OptionsClick() {
    const int printerDlg = PGRegistry::PrinterDlg();
    if (Options()->ShowOnPage(TfrmOptions::SystemPage, "FillDir") == QDialog::Accepted) {
        // The printer dialog starts from what was just chosen here.
        TPrinterDlgOptions& printing = frmPrinterDlg->Options();
        printing.BarCodes = frmOptions->cbxBarCodes->isChecked() ? kChoiceYes : kChoiceNo;
        printing.FormNames = frmOptions->cbxFormNames->isChecked() ? kChoiceYes : kChoiceNo;
        printing.PrintMode = frmOptions->cbxPrintMode->currentIndex();
        printing.AdditionalCopies = PGRegistry::AdditionalCopies();
        frmPrinterDlg->edAdditionalCopies->setValue(printing.AdditionalCopies);
        SetStatusBar();
    }
    // Kept for the run, so that the next activation of the window does not switch them off again.
    UploadAnnotationsOption = frmOptions->cbxUploadAnnotations->isChecked();
    SetActionEnabled(actUploadAnnotations, UploadAnnotationsOption && Loaded);
    SetActionEnabled(mnuUploadAnnotations, UploadAnnotationsOption && Loaded);
    const int chosen = PGRegistry::PrinterDlg();
    if (chosen != printerDlg)
        SkipPrinterDialog = chosen == 2;
}

} // namespace pg
