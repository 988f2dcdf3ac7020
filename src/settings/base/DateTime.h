#pragma once
// Date-time values as packages store them: days since midnight of 30 December 1899, the
// fraction being the time of day. 0 is that midnight.

#include <ctime>
#include <string>

namespace pg {

using TDateTime = double;

// Local-time conversions.
TDateTime DateTimeFromTime(std::time_t t);
std::time_t TimeFromDateTime(TDateTime d);
TDateTime Now();
// "mm/dd/yyyy" and "hh:mm:ss", the formats the program fixes at start.
std::string DateText(TDateTime d);
std::string TimeText(TDateTime d);

} // namespace pg
