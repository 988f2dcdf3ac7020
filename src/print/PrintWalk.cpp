#include "PrintWalk.h"

#include "PCLParse.h"
#include "Prompt.h"
#include "Strings.h"

#include <algorithm>

namespace pg {

bool PRINT_TO_ONE_FILE = false;

std::string& InMemoryJobText() {
    static std::string text;
    return text;
}

std::vector<TJobPage>& InMemoryJobPages() {
    static std::vector<TJobPage> pages;
    return pages;
}

namespace {

// Clears the pending flag however the send ends.
class TPendingGuard {
public:
    explicit TPendingGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TPendingGuard() { flag_ = false; }
    TPendingGuard(const TPendingGuard&) = delete;
    TPendingGuard& operator=(const TPendingGuard&) = delete;

private:
    bool& flag_;
};

class TBusyCursor {
public:
    explicit TBusyCursor(TPrintHost& host) : host_(host) { host_.SetBusyCursor(true); }
    ~TBusyCursor() { host_.SetBusyCursor(false); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    TPrintHost& host_;
};

bool Qualifies(const TPrintNode& node, bool selectedOnly) {
    if (node.HasChildren || node.Info == nullptr || node.Info->Form == nullptr)
        return false;
    if (node.Info->Form->Deleted)
        return false;
    return !selectedOnly || node.UnderSelection;
}

// Whether the pass of the order takes a page of this paper; pass is 1 or 2.
bool OrderAccepts(TPrintOrder order, int pass, const std::string& pageSize) {
    const bool letter = IsLetterPaper(pageSize);
    switch (order) {
    case poLegalFirst:
        return pass == 1 ? !letter : letter;
    case poLetterFirst:
        return pass == 1 ? letter : !letter;
    case poAsDisplayed:
        break;
    }
    return true;
}

int PassCount(TPrintOrder order) {
    return order == poLegalFirst || order == poLetterFirst ? 2 : 1;
}

// What every job takes from the choices, around the reset that opens it.
void StartJob(THLWPrintJobStream& job, const TDocSet* set, const TPrintChoices& choices) {
    job.DocumentSet = set;
    job.PrintFooters = true;
    job.AllOnLegal = choices.AllOnLegal;
    job.PrintFormNames = choices.FormNames;
    job.PrintBarCodes = choices.BarCodes;
    job.WriteJobReset();
    job.Duplex = choices.Duplex;
}

} // namespace

void ForEachJobPage(const std::vector<TPrintNode>& nodes, const TPrintRequest& request,
                    const TPrintChoices& choices, bool capture,
                    const std::function<void(const TInfo&, int32_t copy)>& page,
                    const std::function<void(const TInfo&)>& vivaform,
                    const std::function<void()>& onWalkStart) {
    // A capture takes every qualifying page once, in display order: running the order's two
    // passes there would put every page into the document twice.
    const bool captureAll = capture && !request.ChangedOnly;
    const int passes = captureAll ? 1 : PassCount(choices.Order);
    const int copies = capture ? 0 : std::clamp(choices.AdditionalCopies, 0, 3);
    for (int pass = 1; pass <= passes; ++pass) {
        for (int copy = 0; copy <= copies; ++copy) {
            if (onWalkStart)
                onWalkStart();
            for (size_t i = request.Start; i < nodes.size(); ++i) {
                const TPrintNode& node = nodes[i];
                if (!Qualifies(node, request.SelectedOnly))
                    continue;
                const TDocSetForm& form = *node.Info->Form;
                const bool print = captureAll || (OrderAccepts(choices.Order, pass, form.PageSize) &&
                                                  (!request.ChangedOnly || form.Changed));
                if (!print)
                    continue;
                if (form.IsVivaform()) {
                    if (vivaform)
                        vivaform(*node.Info);
                    continue;
                }
                page(*node.Info, copy);
            }
        }
    }
}

void AssembleJob(THLWPrintJobStream& job, const TDocSet& set, const std::vector<TPrintNode>& nodes,
                 const TPrintRequest& request, const TPrintChoices& choices, bool capture,
                 const std::function<void(const TInfo&)>& vivaform,
                 const std::function<void()>& onWalkStart) {
    StartJob(job, &set, choices);
    job.LetterTrayCode = choices.LetterTrayCode;
    job.LegalTrayCode = choices.LegalTrayCode;
    ForEachJobPage(
        nodes, request, choices, capture,
        [&job](const TInfo& info, int32_t copy) {
            job.CopyIndex = copy;
            job.AppendPage(info);
        },
        vivaform, onWalkStart);
}

std::vector<TJobBarcode> JobBarcodes(const TDocSet& set, const std::vector<TPrintNode>& nodes,
                                     const TPrintRequest& request, const TPrintChoices& choices) {
    std::vector<TJobBarcode> codes;
    ForEachJobPage(nodes, request, choices, false, [&](const TInfo& info, int32_t) {
        if (!PageContributes(info))
            return;
        std::string value = BarcodeValue(set, *info.Form, info.PageNumber);
        if (!value.empty())
            codes.push_back({std::move(value), info.Form, info.PageNumber});
    });
    return codes;
}

void AssemblePageJob(THLWPrintJobStream& job, const TDocSet* set, const TInfo* info,
                     std::string_view plainPage, const TPrintChoices& choices) {
    StartJob(job, set, choices);
    if (info != nullptr)
        job.AppendPage(*info);
    else
        job.AppendText(plainPage);
    job.WriteJobReset();
}

TPrintChoices ChoicesFromDialog(const TPrinterDlgOptions& options, const std::string& legalTrayCode,
                                const std::string& letterTrayCode) {
    TPrintChoices choices;
    choices.AdditionalCopies = options.AdditionalCopies;
    choices.PrintFormat = options.PrintMode;
    choices.Order = TPrintOrder(options.PrintOrder);
    choices.Duplex = options.DuplexChosen();
    choices.AllOnLegal = options.PrintAllOnLegal;
    choices.FormNames = options.FormNamesChosen();
    choices.BarCodes = options.BarCodesChosen();
    choices.LegalTrayCode = legalTrayCode;
    choices.LetterTrayCode = letterTrayCode;
    return choices;
}

bool PrintForms(const TDocSet& set, const std::vector<TPrintNode>& nodes, const TPrintRequest& request,
                TPrintState& state, TPrinterDialog& dialog, TPrintHost& host) {
    if (state.JobPending) {
        ShowInformation(kJobPendingMessage);
        return false;
    }
    TBusyCursor busy(host);
    TPrinterDlgOptions& options = dialog.Options();
    options.RememberOrderAndDuplex();
    options.EnableOptionsByPermission();
    options.OwnBarCodes = set.HasBarcodeFormula;
    const int32_t printerDlg = host.PrinterDlg();
    if (printerDlg != 2 && !state.DialogConfirmed && !dialog.Execute()) {
        options.RestoreOrderAndDuplex(nodes.size() > 1);
        return false;
    }
    const bool capture = PRINT_TO_ONE_FILE;
    host.RefreshStatusBar();

    const auto [legalTray, letterTray] = host.TrayCodes();
    const TPrintChoices choices = ChoicesFromDialog(options, legalTray, letterTray);
    THLWPrintJobStream job(host.CopyFooters());
    AssembleJob(
        job, set, nodes, request, choices, capture,
        [&host, &job, capture](const TInfo& info) {
            if (!capture) {
                host.PrintVivaform(info);
                return;
            }
            int32_t pages = 0;
            const std::string pdf = host.VivaformPdf(info, pages);
            if (!pdf.empty() && pages > 0) {
                job.AppendText(EmbeddedPdfText(pdf));
                job.Pages.push_back({&info, job.CopyIndex, pages});
            }
        },
        [&state, printerDlg] {
            if (printerDlg != 0)
                state.DialogConfirmed = true;
        });
    job.WriteJobReset();

    if (capture) {
        InMemoryJobText() += job.View();
        InMemoryJobPages().insert(InMemoryJobPages().end(), job.Pages.begin(), job.Pages.end());
    } else {
        TPendingGuard pending(state.JobPending);
        host.SendJob(job, "Pagellan-" + set.WorksheetNumber, choices.PrintFormat);
    }
    if (request.KeepJobText) {
        InMemoryJobText() = std::string(job.View());
        InMemoryJobPages() = job.Pages;
    }
    return true;
}

std::string DeletedFormsMessage(const std::vector<const TDocSetForm*>& forms) {
    std::vector<std::string> descriptions;
    for (const TDocSetForm* form : forms)
        if (form != nullptr && form->Deleted &&
            std::find(descriptions.begin(), descriptions.end(), form->Description) == descriptions.end())
            descriptions.push_back(form->Description);
    if (descriptions.empty())
        return {};
    std::string text = "These form(s) have been deleted.\n\n";
    for (const std::string& description : descriptions)
        text += description + "\n";
    text += "\nPlease unselect these forms and try again.\n\nNothing will be printed.";
    return text;
}

} // namespace pg
