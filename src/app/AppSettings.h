#pragma once
// The settings and permissions the main window reads, in one place.

#include "ScanPlugin.h"

#include <string>

namespace pg {

int SettingPrinterDlg();
std::string SettingFillDir();
std::string SettingQuodexHistoryDir();
int SettingAdditionalCopies();
bool SettingPermitted(const std::string& permission);
// Settings and permissions come from the database plug-in.
bool MultiUserMode();

// Start of the program: loads the database plug-in "PagellanDB" (beside the program, else on
// the library path) with the debug flag of "/DEBUG" and, when it accepts the configuration
// file's server, reads the settings and permissions through it. Without the plug-in or the
// server the settings store is used, silently. False when the user lacks "CanRunPagellan":
// the refusal has been shown and the program must end.
bool StartMultiUserMode();
// End of the program: "DLLDestroyDataModule", and the plug-in is let go.
void EndMultiUserMode();
// The scanner settings are kept while the scanning plug-in is loaded.
void TieScannerSettingsToScanPlugin();
// The scanner settings handed to the plug-in: the options dialog's user-interface choice (0
// "Yes", 1 "No") and paper size (0 "Letter", 1 "Legal"), then "ScanDPI" and the rest.
TScanSettings SettingScanner(int32_t userInterface, int32_t paperSize);
// Where scans go: the "FillDir" folder, or the history folder when that one does not exist.
std::string ScanTargetFolder();

} // namespace pg
