#include "AppSettings.h"

#include "CommandLine.h"
#include "HLWRegistry.h"
#include "PGRegistry.h"
#include "ScanPlugin.h"

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

} // namespace pg
