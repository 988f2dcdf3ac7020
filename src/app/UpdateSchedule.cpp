#include "UpdateSchedule.h"

#include "CommandLine.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace pg {

namespace {

std::optional<std::chrono::sys_days> ParseDate(const std::string& text) {
    unsigned month = 0, day = 0;
    int year = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2u/%2u/%4d%c", &month, &day, &year, &tail) != 3)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month),
                                           std::chrono::day(day)};
    if (!date.ok())
        return std::nullopt;
    return std::chrono::sys_days(date);
}

} // namespace

TUpdateHook DecideUpdateHook(bool permitted, int interval, const std::string& lastChecked,
                             const std::string& today) {
    if (!permitted || interval <= 0)
        return TUpdateHook::None;
    if (HasSwitch("/UPDATE=S"))
        return TUpdateHook::ReportSuccess;
    if (HasSwitch("/UPDATE=F"))
        return TUpdateHook::ReportFailure;
    const auto now = ParseDate(today);
    const auto last = ParseDate(lastChecked);
    if (!now || !last)
        return TUpdateHook::None;
    return (*now - *last).count() >= interval ? TUpdateHook::Check : TUpdateHook::None;
}

std::string UpdateSucceededText(const std::string& appName) {
    return appName + " has been successfully updated.";
}

std::string UpdateFailedText(const std::string& appName) {
    return appName +
           " has NOT been updated.  This may\nbe due to someone else running the program, the file\nis write "
           "protected or an attempt was made to patch\nthe program with an invalid patch.";
}

} // namespace pg
