#pragma once
// The settings and permissions the main window reads, in one place.

#include <string>

namespace pg {

int SettingPrinterDlg();
std::string SettingFillDir();
std::string SettingQuodexHistoryDir();
int SettingAdditionalCopies();
bool SettingPermitted(const std::string& permission);
// Settings and permissions come from the database plug-in.
bool MultiUserMode();

} // namespace pg
