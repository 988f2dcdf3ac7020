#pragma once
// The clean-up of old tracking histories: when the program ends it deletes the "PG_*.xml" files
// of its data folder that are a month or more old, so the folder does not grow without end.

#include <chrono>
#include <string>

namespace pg {

// The calendar difference from an earlier date to a later one, in years, months and days (a
// month counts from a day of one month to the same day of the next).
struct TDateSpan {
    int Years = 0;
    int Months = 0;
    int Days = 0;
};
TDateSpan DateSpanBetween(std::chrono::year_month_day from, std::chrono::year_month_day to);

// Old: a year or month part above 0, or a day part of 30 or more. A file dated after today (a
// clock set wrong somewhere) is not old.
bool HistoryFileIsOld(std::chrono::year_month_day fileDate, std::chrono::year_month_day today);

// Deletes every "PG_*.xml" file (letter case ignored) of the folder whose modification date, in
// local time, is old on today; answers how many were deleted. Files that cannot be examined or
// deleted are left alone.
int DeleteOldHistoryFiles(const std::string& folder, std::chrono::year_month_day today);
// Today's local date.
std::chrono::year_month_day LocalToday();

} // namespace pg
