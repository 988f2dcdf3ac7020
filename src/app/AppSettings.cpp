#include "AppSettings.h"

#include "HLWRegistry.h"
#include "PGRegistry.h"

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

} // namespace pg
