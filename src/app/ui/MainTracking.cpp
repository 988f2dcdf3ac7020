// The main window's tracking commands: "Verify Documents" and the stacking order of the plan
// (save, delete, the question before a save). The rules are the tracking core's
// (Verification.h, StackingOrder.h); this file hands the window's state over.

#include "Main.h"

#include "AppSettings.h"
#include "Paths.h"
#include "PlanCodeOrder.h"
#include "PrinterDlg.h"
#include "Prompt.h"
#include "StackingOrder.h"
#include "VerifyDocs.h"

#include <QAction>

namespace pg {

void TfrmMain::CreateTracking() {
    for (QAction* a : {mnuVerify, mnuSaveplancodeorder, mnuPlancodestoreorder})
        MarkWired(a);
    connect(mnuVerify, &QAction::triggered, this, &TfrmMain::VerifyDocumentsClick);
    connect(mnuSaveplancodeorder, &QAction::triggered, this, &TfrmMain::SaveStackingOrderClick);
    connect(mnuPlancodestoreorder, &QAction::triggered, this, &TfrmMain::DeleteStackingOrderClick);
}

TfrmVerifyDocs* TfrmMain::VerifyDocs() {
    if (frmVerifyDocs == nullptr) {
        frmVerifyDocs = new TfrmVerifyDocs(this);
        frmVerifyDocs->MissingDocs()->SetPrinting(&printState_, frmPrinterDlg, printHost_.get());
    }
    return frmVerifyDocs;
}

TfrmPlanCodeOrder* TfrmMain::PlanCodeOrder() {
    if (frmPlanCodeOrder == nullptr)
        frmPlanCodeOrder = new TfrmPlanCodeOrder(this);
    return frmPlanCodeOrder;
}

void TfrmMain::VerifyDocumentsClick() {
    if (!Loaded || !set_ || tree_.Empty())
        return;
    TfrmVerifyDocs* dialog = VerifyDocs();
    dialog->SetPackage(set_.get(), &tree_, [this] { return Selection(); });
    // The pages printed from the missing-documents dialog follow the print commands' rule on the
    // printer dialog.
    printState_.DialogConfirmed = SkipPrinterDialog;
    dialog->exec();
    SkipPrinterDialog = printState_.DialogConfirmed || SkipPrinterDialog;
}

void TfrmMain::SaveStackingOrderClick() {
    const TSaveOrderResult result = SaveStackingOrder(set_.get(), tree_.FormsInDisplayOrder(), OrderFile(),
                                                      [this] { return PlanCodeOrder()->SaveNewPlanCode(); });
    if (result == TSaveOrderResult::Saved) {
        ReorderPending = false;
        storedOrder_ = tree_.FormsInDisplayOrder();
        ShowStatusMessage("Stacking order saved for plan " + set_->PlanCode);
    }
    CheckOptionsAvailable();
    UpdateDeleteStackingOrder();
}

void TfrmMain::DeleteStackingOrderClick() {
    PlanCodeOrder()->DeletePlanCode(OrderFile());
    UpdateDeleteStackingOrder();
}

void TfrmMain::UpdateDeleteStackingOrder() {
    SetActionEnabled(mnuPlancodestoreorder, FileExists(OrderFile()) && SettingPermitted("StackingOrder"));
}

void TfrmMain::AskToSaveStackingOrder() {
    if (!Loaded || !set_ || !set_->CanAnnotate || !ReorderPending || !SettingPermitted("StackingOrder"))
        return;
    if (AskYesNo(kSaveOrderQuestion) != PromptAnswer::Yes)
        return;
    SaveStackingOrderClick();
}

} // namespace pg
