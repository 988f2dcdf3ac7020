#include "AppSettings.h"

#include "CommandLine.h"
#include "HLWRegistry.h"
#include "PGRegistry.h"
#include "ScanPlugin.h"

#include <filesystem>

namespace pg {

int SettingPrinterDlg() {
    return PGRegistry::PrinterDlg();
}
std::string SettingFillDir() {
    return PGRegistry::FillDir();
}
std::string SettingQuodexHistoryDir() {
    return PGRegistry::QuodexHistoryDir();
}
int SettingAdditionalCopies() {
    return PGRegistry::AdditionalCopies();
}
bool SettingPermitted(const std::string& permission) {
    return HasPermission(permission);
}
bool MultiUserMode() {
    return Registry().Database().DatabaseMode();
}

bool StartMultiUserMode() {
    THLWRegistry& reg = Registry();
    reg.StartDatabaseMode(HasSwitch("/DEBUG"));
    return reg.Database().TryToConnectToDB(true, reg.DatabaseAddress()) != TConnectResult::NotPermitted;
}

void EndMultiUserMode() {
    Registry().Database().Unload();
}

void TieScannerSettingsToScanPlugin() {
    SetScanPluginQuery(ScanPluginLoaded);
}

TScanSettings SettingScanner(int32_t userInterface, int32_t paperSize) {
    TScanSettings s;
    s.UserInterface = userInterface;
    s.PaperSize = paperSize;
    s.Dpi = PGRegistry::ScanDPI();
    s.Bright = PGRegistry::ScanBright();
    s.Contrast = PGRegistry::ScanContrast();
    s.Pages = PGRegistry::ScanPages();
    s.ScannerType = PGRegistry::ScanScannerType();
    return s;
}

std::string ScanTargetFolder() {
    const std::string fill = PGRegistry::FillDir();
    std::error_code ec;
    return !fill.empty() && std::filesystem::is_directory(fill, ec) ? fill : PGRegistry::QuodexHistoryDir();
}

} // namespace pg
