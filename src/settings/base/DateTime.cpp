#include "DateTime.h"

#include <cmath>
#include <cstdio>

namespace pg {

namespace {
// 1899-12-30 is 25569 days before 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

std::tm LocalParts(TDateTime d) {
    std::time_t t = TimeFromDateTime(d);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}
} // namespace

TDateTime DateTimeFromTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    // Count the local wall-clock time as if it were UTC, so the day fraction is the local time.
    std::time_t wall = timegm(&tm);
    return kUnixEpochDays + double(wall) / kSecondsPerDay;
}

std::time_t TimeFromDateTime(TDateTime d) {
    auto wall = std::time_t(std::llround((d - kUnixEpochDays) * kSecondsPerDay));
    std::tm tm{};
    gmtime_r(&wall, &tm);
    tm.tm_isdst = -1;
    return mktime(&tm);
}

TDateTime Now() {
    return DateTimeFromTime(std::time(nullptr));
}

std::string DateText(TDateTime d) {
    std::tm tm = LocalParts(d);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
    return buf;
}

std::string TimeText(TDateTime d) {
    std::tm tm = LocalParts(d);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

} // namespace pg
