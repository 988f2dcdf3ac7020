#include "PrinterDlgOptions.h"

#include <algorithm>

#include "PGRegistry.h"
#include "PrinterOutput.h"
#include "Strings.h"

namespace pg {

void TPrinterDlgOptions::LoadFromSettings(bool duplexSwitch) {
    PrintMode = PGRegistry::PrintType();
    BarCodes = PGRegistry::BarCode() ? kChoiceYes : kChoiceNo;
    FormNames = PGRegistry::PrintFormNames() ? kChoiceYes : kChoiceNo;
    Duplex = duplexSwitch ? kDuplexYes : kDuplexNo;
    PrintOrder = poAsDisplayed;
    AdditionalCopies = std::clamp(PGRegistry::AdditionalCopies(), 0, 3);
    PrintAllOnLegal = PGRegistry::PrintAllOnLegal();
}

void TPrinterDlgOptions::Activate() {
    AdditionalCopies = std::clamp(PGRegistry::AdditionalCopies(), 0, 3);
    Printer = CurrentPrinterName();
    PrintAllOnLegal = PGRegistry::PrintAllOnLegal();
    PrintersEnabled = HasControlPermission("cbxPrinters");
    AdditionalCopiesEnabled = AdditionalCopiesEnabled && HasControlPermission("edAdditionalCopies2");
    BarCodesEnabled = BarCodesEnabled && HasControlPermission("rgBarCodes");
    PrintOrderEnabled = PrintOrderEnabled && HasControlPermission("rgPrintOrder");
    FormNamesEnabled = FormNamesEnabled && HasControlPermission("rgFormNames");
    DuplexEnabled = DuplexEnabled && HasControlPermission("rgDuplex");
    PrintAllOnLegalEnabled = HasControlPermission("cbxPrintAllOnLegal2");
    PrintModeEnabled = PrintModeEnabled && HasControlPermission("cbxPrintMode2");
    if (PrintMode == kPrintFormatGdiDriver) {
        Duplex = kDuplexNo;
        DuplexEnabled = false;
    }
}

void TPrinterDlgOptions::Show() {
    DuplexAllowed = DuplexEnabled;
    if (OwnBarCodes) {
        BarCodes = kChoiceNo;
        BarCodesEnabled = false;
    }
}

void TPrinterDlgOptions::ChoosePrintMode(int mode) {
    PrintMode = mode;
    if (DuplexAllowed) {
        const bool permitted = HasControlPermission("rgDuplex");
        DuplexEnabled = mode == kPrintFormatPclDirect && permitted;
        if (!DuplexEnabled && permitted)
            Duplex = kDuplexNo;
    }
    if (mode == kPrintFormatPclDirect && Duplex == kDuplexYes)
        Duplex = kDuplexNo;
}

void TPrinterDlgOptions::EnableOptions(bool additionalCopies, bool barCodes, bool formNames, bool printOrder,
                                       bool duplex) {
    AdditionalCopiesEnabled = additionalCopies;
    BarCodesEnabled = barCodes;
    FormNamesEnabled = formNames;
    PrintOrderEnabled = printOrder;
    DuplexEnabled = duplex;
    DuplexAllowed = duplex;
}

void TPrinterDlgOptions::EnableOptionsByPermission() {
    EnableOptions(HasControlPermission("_edAdditionalCopies2"), HasControlPermission("_rgBarCodes"),
                  HasControlPermission("_rgFormNames"), HasControlPermission("_rgPrintOrder"),
                  HasControlPermission("_rgDuplex"));
}

void TPrinterDlgOptions::PrepareForPageWindow(bool plainFile, bool scannedImage, bool hasBarcodeFormula) {
    EnableOptions(!plainFile, !plainFile, !plainFile, false, false);
    DuplexAllowed = false;
    if (scannedImage) {
        BarCodesEnabled = FormNamesEnabled = PrintModeEnabled = AdditionalCopiesEnabled = false;
    } else {
        PrintModeEnabled = AdditionalCopiesEnabled = true;
    }
    OwnBarCodes = hasBarcodeFormula;
}

void TPrinterDlgOptions::SelectPrinter(const std::string& name) {
    Printer = name;
    SetCurrentPrinterName(name);
}

bool TPrinterDlgOptions::Accept() {
    if (Printer.empty())
        return false;
    SetCurrentPrinterName(Printer);
    PGRegistry::SetPrintType(PrintMode);
    PGRegistry::SetBarCode(BarCodes == kChoiceYes);
    PGRegistry::SetPrintFormNames(FormNames == kChoiceYes);
    PGRegistry::SetAdditionalCopies(AdditionalCopies);
    PGRegistry::SetPrintAllOnLegal(PrintAllOnLegal);
    PGRegistry::SetUsePrinter(Printer);
    return true;
}

void TPrinterDlgOptions::RememberOrderAndDuplex() {
    rememberedOrder_ = PrintOrder;
    rememberedDuplex_ = Duplex;
}

void TPrinterDlgOptions::RestoreOrderAndDuplex(bool treeHasSeveralNodes) {
    if (treeHasSeveralNodes) {
        PrintOrder = rememberedOrder_;
        Duplex = rememberedDuplex_;
    }
    PrintOrderEnabled = true;
    DuplexEnabled = true;
}

std::string PrinterChoiceProblem(const std::string& printer, const std::vector<std::string>& printerNames) {
    const std::string name = Trim(printer);
    if (name.empty())
        return printerNames.empty()
                   ? kNoPrintersMessage
                   : "Choose a printer of the list, or type a printer address (ipp://, ipps:// "
                     "or http://).";
    if (IsPrinterAddress(name) ||
        std::find(printerNames.begin(), printerNames.end(), name) != printerNames.end())
        return {};
    return "\"" + name +
           "\" is neither a printer of this system nor a printer address. Type an address such as "
           "ipp://printer.example/ipp/print, or choose a printer of the list.";
}

int PrinterPictureIndex(const std::string& printerName) {
    if (UpperCase(printerName).find("FAX") != std::string::npos)
        return 1;
    return printerName.find("\\\\") != std::string::npos ? 2 : 0;
}

} // namespace pg
