#pragma once
// PrintForms: the walk over the document tree in display order that decides which pages of the
// loaded package go into a print job, in which order and how many times, assembles the job and
// hands it to the printer (or, in capture mode, to the in-memory job text). The tree and the
// window are reached through small interfaces so the walk runs without a window.

#include "DocSet.h"
#include "PrintJob.h"
#include "PrinterDlgOptions.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pg {

// One node of the document tree, in display order, as the walk sees it.
struct TPrintNode {
    const TInfo* Info = nullptr; // none for the root
    bool HasChildren = false;
    bool UnderSelection = false; // the node or one of its ancestors is selected
};

// The printer dialog's choices the walk uses (and the tray codes of the options).
struct TPrintChoices {
    int32_t AdditionalCopies = 0;
    int32_t PrintFormat = 0; // 0 "PCL Direct ", 1 "GDI Driver "
    TPrintOrder Order = poAsDisplayed;
    bool Duplex = false;
    bool AllOnLegal = false;
    bool FormNames = false;
    bool BarCodes = false;
    std::string LegalTrayCode;
    std::string LetterTrayCode;
};

// Which pages a walk takes.
struct TPrintRequest {
    size_t Start = 0;          // index of the start node; the walk goes on to the end
    bool KeepJobText = false;  // copy the finished job into the in-memory job text
    bool SelectedOnly = false; // only nodes that are selected or lie under a selected node
    bool ChangedOnly = false;  // only forms marked changed
};

// The window's side of a print command, besides the printer dialog.
class TPrintHost {
public:
    virtual ~TPrintHost() = default;
    virtual void SetBusyCursor(bool busy) = 0;
    // The setting "PrinterDlg": 0 always show, 1 once per package, 2 never.
    virtual int32_t PrinterDlg() const = 0;
    virtual TCopyFooters CopyFooters() const = 0;
    // The options' tray codes: legal first, then letter.
    virtual std::pair<std::string, std::string> TrayCodes() const = 0;
    virtual void RefreshStatusBar() = 0;
    // Sends the finished job to the current printer in the print format.
    virtual void SendJob(const THLWPrintJobStream& job, const std::string& documentName,
                         int32_t printFormat) = 0;
    // A Vivaform page is printed by its own HTML view on the current printer.
    virtual void PrintVivaform(const TInfo& info) = 0;
    // A captured job (PDF conversion) takes a Vivaform page as the PDF its HTML view makes,
    // with the number of pages it holds; empty when none can be made (the page is then left
    // out).
    virtual std::string VivaformPdf(const TInfo& info, int32_t& pages) {
        (void)info;
        pages = 0;
        return {};
    }
};

// The dialog's choices as the walk uses them, with the tray codes.
TPrintChoices ChoicesFromDialog(const TPrinterDlgOptions& options, const std::string& legalTrayCode,
                                const std::string& letterTrayCode);

// Main-window state of printing.
struct TPrintState {
    bool JobPending = false;      // a job is being sent
    bool DialogConfirmed = false; // the print command may skip the dialog
};

// Capture mode: the PDF conversion sets it around its walk; the job then goes to the in-memory
// job text instead of the printer, with every Vivaform page in its place as an embedded PDF
// (EmbeddedPdfText, HLWStream.h) and nothing printed.
extern bool PRINT_TO_ONE_FILE;
// The in-memory job text (the capture buffer).
std::string& InMemoryJobText();
// The pages of the in-memory job text, in order; filled along with it.
std::vector<TJobPage>& InMemoryJobPages();

inline constexpr char kJobPendingMessage[] =
    "Current print job still pending.  Please try again momentarily.";

// The walk. Answers true when the dialog was confirmed (or skipped), false when it was cancelled
// or a job was still pending.
bool PrintForms(const TDocSet& set, const std::vector<TPrintNode>& nodes, const TPrintRequest& request,
                TPrintState& state, TPrinterDialog& dialog, TPrintHost& host);

// Steps 5 and 6 of the walk on their own: the job's options from the choices, the first reset
// and every page the passes and copies take. onWalkStart runs at the start of every walk over
// the nodes; vivaform receives the Vivaform pages.
void AssembleJob(THLWPrintJobStream& job, const TDocSet& set, const std::vector<TPrintNode>& nodes,
                 const TPrintRequest& request, const TPrintChoices& choices, bool capture,
                 const std::function<void(const TInfo&)>& vivaform = {},
                 const std::function<void()>& onWalkStart = {});

// The pages of the job AssembleJob builds, in the order it appends them, without assembling
// anything: page receives each node the job appends (with the copy it belongs to), vivaform the
// Vivaform pages, onWalkStart runs at the start of every walk over the nodes. AssembleJob is this
// walk with AppendPage, so whatever else uses it sees exactly the job's pages.
void ForEachJobPage(const std::vector<TPrintNode>& nodes, const TPrintRequest& request,
                    const TPrintChoices& choices, bool capture,
                    const std::function<void(const TInfo&, int32_t copy)>& page,
                    const std::function<void(const TInfo&)>& vivaform = {},
                    const std::function<void()>& onWalkStart = {});

// One bar code a printed job carries.
struct TJobBarcode {
    std::string Value;
    TDocSetForm* Form = nullptr;
    int32_t PageNumber = 0;
};
// The bar-code values the job of these choices carries when printed with bar codes, in print
// order; pages without a value (forms without their Barcodes flag) are left out.
std::vector<TJobBarcode> JobBarcodes(const TDocSet& set, const std::vector<TPrintNode>& nodes,
                                     const TPrintRequest& request, const TPrintChoices& choices);

// The page window's job of the page shown, between the two resets: the node's page (AppendPage)
// when info is given, else the plain file's page stream unchanged. Footers on; all-on-legal, form
// names, bar codes and duplex from the choices; no additional copies and no tray codes.
void AssemblePageJob(THLWPrintJobStream& job, const TDocSet* set, const TInfo* info,
                     std::string_view plainPage, const TPrintChoices& choices);

// The information text for deleted forms among the selection ("These form(s) have been
// deleted." ...), every description once; empty when none of the forms is deleted.
std::string DeletedFormsMessage(const std::vector<const TDocSetForm*>& forms);

} // namespace pg
