#pragma once
// The printer dialog's choices and enabling rules without a window. TfrmPrinterDlg shows one of
// these; the print walk and the page window prepare it (EnableOptions, own bar codes), show the
// dialog through TPrinterDialog and read the choices back.

#include <string>
#include <vector>

namespace pg {

// Item indexes of the dialog's groups.
enum TPrintOrder { poAsDisplayed = 0, poLegalFirst = 1, poLetterFirst = 2 };
inline constexpr int kDuplexYes = 0; // "Yes (If Supported by Printer)"
inline constexpr int kDuplexNo = 1;  // "No"
inline constexpr int kChoiceYes = 0; // bar codes, form names: "Yes"
inline constexpr int kChoiceNo = 1;  // "No"

class TPrinterDlgOptions {
public:
    // Choices.
    std::string Printer; // selected printer name, empty when none
    int AdditionalCopies = 0;
    int PrintMode = 0; // "PrintType": 0 "PCL Direct ", 1 "GDI Driver "
    int PrintOrder = poAsDisplayed;
    int Duplex = kDuplexNo;
    bool PrintAllOnLegal = false;
    int BarCodes = kChoiceNo;
    int FormNames = kChoiceNo;

    // Enabled states of the controls.
    bool PrintersEnabled = true;
    bool AdditionalCopiesEnabled = true;
    bool PrintModeEnabled = true;
    bool PrintOrderEnabled = true;
    bool DuplexEnabled = true;
    bool PrintAllOnLegalEnabled = true;
    bool BarCodesEnabled = true;
    bool FormNamesEnabled = true;

    // Whether choosing the print format may enable "Duplex ".
    bool DuplexAllowed = true;
    // The package carries bar codes of its own: "Print Bar Codes" is forced to "No".
    bool OwnBarCodes = false;

    // Creation: the choices from the settings; "Duplex " is Yes only with the "/D" switch.
    void LoadFromSettings(bool duplexSwitch);
    // Activation: copies and the legal box read again, the current printer selected, each
    // control enabled by its control permission, duplex off and disabled with "GDI Driver ".
    void Activate();
    // Showing: the duplex-allowed flag from the duplex group, own bar codes forced to "No".
    void Show();
    // The user picks a print format.
    void ChoosePrintMode(int mode);
    // The caller's five enabling flags; duplex also becomes the duplex-allowed flag.
    void EnableOptions(bool additionalCopies, bool barCodes, bool formNames, bool printOrder, bool duplex);
    // The five flags of the print command and "Printer &Setup": the control permissions of
    // "_edAdditionalCopies2", "_rgBarCodes", "_rgFormNames", "_rgPrintOrder", "_rgDuplex".
    void EnableOptionsByPermission();
    // The page window's preparation: duplex not allowed, order and duplex disabled; copies, bar
    // codes and form names only outside plain-file mode; in scanned-image mode bar codes, form
    // names, print format and copies disabled, otherwise print format and copies enabled.
    void PrepareForPageWindow(bool plainFile, bool scannedImage, bool hasBarcodeFormula);
    // The user picks a printer: it becomes the current printer.
    void SelectPrinter(const std::string& name);
    // OK with a printer selected: the printer becomes current, the choices are saved, and
    // "UsePrinter" names it. Answers false (nothing saved) without a selected printer.
    bool Accept();

    // Remembered order and duplex around a print command; Restore puts them back (only when the
    // tree has more than one node) and enables both groups again.
    void RememberOrderAndDuplex();
    void RestoreOrderAndDuplex(bool treeHasSeveralNodes);

    bool DuplexChosen() const { return Duplex == kDuplexYes; }
    bool BarCodesChosen() const { return BarCodes == kChoiceYes; }
    bool FormNamesChosen() const { return FormNames == kChoiceYes; }

private:
    int rememberedOrder_ = poAsDisplayed;
    int rememberedDuplex_ = kDuplexNo;
};

// The printer dialog as callers see it: its options and a modal showing. The desktop program
// implements it with TfrmPrinterDlg; tests and the CLI with a scripted one.
class TPrinterDialog {
public:
    virtual ~TPrinterDialog() = default;
    virtual TPrinterDlgOptions& Options() = 0;
    // Shows the dialog modally; true when the user pressed OK (the choices are then saved).
    virtual bool Execute() = 0;
};

// Said in place of the printer list when the system has no printer; the dialog stays open.
inline constexpr char kNoPrintersMessage[] =
    "No printers found \u2014 type a printer address or add one in the system settings";
// What is wrong with the printer chosen or typed in the dialog, given the system's printers:
// nothing (empty) for a printer of the list, a destination name or a printer address.
std::string PrinterChoiceProblem(const std::string& printer, const std::vector<std::string>& printerNames);

// The picture of a printer entry: 1 when the upper-cased name contains "FAX", 2 when it contains
// two consecutive backslashes, else 0.
int PrinterPictureIndex(const std::string& printerName);

} // namespace pg
