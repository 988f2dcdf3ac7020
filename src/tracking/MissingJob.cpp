#include "MissingJob.h"

#include "Prompt.h"
#include "StackingOrder.h"

namespace pg {

namespace {

// Puts the dialog's duplex and order choices back however the command ends.
class TOrderAndDuplexGuard {
public:
    explicit TOrderAndDuplexGuard(TPrinterDlgOptions& options) : options_(options) {
        options_.RememberOrderAndDuplex();
        options_.Duplex = kDuplexNo;
        options_.PrintOrder = poAsDisplayed;
        options_.DuplexEnabled = false;
        options_.PrintOrderEnabled = false;
    }
    ~TOrderAndDuplexGuard() { options_.RestoreOrderAndDuplex(true); }
    TOrderAndDuplexGuard(const TOrderAndDuplexGuard&) = delete;
    TOrderAndDuplexGuard& operator=(const TOrderAndDuplexGuard&) = delete;

private:
    TPrinterDlgOptions& options_;
};

} // namespace

void AssembleMissingJob(THLWPrintJobStream& job, const TDocSet& set, const std::vector<TExpectedPage>& pages,
                        const TPrintChoices& choices) {
    job.DocumentSet = &set;
    job.PrintFooters = true;
    job.AllOnLegal = choices.AllOnLegal;
    job.PrintFormNames = choices.FormNames;
    job.PrintBarCodes = choices.BarCodes;
    job.LegalTrayCode = choices.LegalTrayCode;
    job.LetterTrayCode = choices.LetterTrayCode;
    job.Duplex = false;
    job.WriteJobReset();
    for (const TExpectedPage& page : pages) {
        TInfo info;
        info.Form = page.Form;
        info.PageNumber = page.PageNumber;
        job.AppendPage(info);
    }
    job.WriteJobReset();
}

TMissingPrintResult PrintMissingDocuments(const TDocSet& set, const std::vector<TExpectedPage>& missing,
                                          TPrintState& state, TPrinterDialog& dialog, TPrintHost& host,
                                          TDateTime now) {
    if (state.JobPending) {
        ShowInformation(kJobPendingMessage);
        return TMissingPrintResult::Pending;
    }
    TPrinterDlgOptions& options = dialog.Options();
    const TOrderAndDuplexGuard guard(options);
    if (!state.DialogConfirmed && !dialog.Execute())
        return TMissingPrintResult::Cancelled;
    const auto [legalTray, letterTray] = host.TrayCodes();
    TPrintChoices choices = ChoicesFromDialog(options, legalTray, letterTray);
    choices.Duplex = false;
    choices.Order = poAsDisplayed;
    THLWPrintJobStream job(host.CopyFooters());
    const std::string documentName = "Pagellan-" + set.WorksheetNumber;
    state.JobPending = true;
    const struct TClear {
        bool& flag;
        ~TClear() { flag = false; }
    } clear{state.JobPending};
    if (missing.empty()) {
        job.AppendText(ConfirmationText(set.WorksheetNumber, now));
        host.SendJob(job, documentName, 0);
        return TMissingPrintResult::PrintedConfirmation;
    }
    AssembleMissingJob(job, set, missing, choices);
    host.SendJob(job, documentName, choices.PrintFormat);
    return TMissingPrintResult::PrintedMissing;
}

} // namespace pg
