#pragma once
// What the program does about updates as it starts: report the outcome of the update that
// restarted it, check for a new one when the interval has passed, or nothing.

#include <string>

namespace pg {

enum class TUpdateHook { None, ReportSuccess, ReportFailure, Check };

// permitted: the user has "AutoUpdates"; interval: "Days between update checks"; the dates as
// "mm/dd/yyyy" (an unreadable last date counts as today). The command line's "/UPDATE=S" and
// "/UPDATE=F" switches come first.
TUpdateHook DecideUpdateHook(bool permitted, int interval, const std::string& lastChecked,
                             const std::string& today);

std::string UpdateSucceededText(const std::string& appName);
std::string UpdateFailedText(const std::string& appName);

} // namespace pg
