#include "HistoryCleanup.h"

#include "Paths.h"

#include <sys/stat.h>

#include <ctime>
#include <filesystem>

namespace pg {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

year_month_day LocalDate(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    return year{local.tm_year + 1900} / month{unsigned(local.tm_mon + 1)} / day{unsigned(local.tm_mday)};
}

} // namespace

TDateSpan DateSpanBetween(year_month_day from, year_month_day to) {
    TDateSpan span;
    span.Years = int(to.year()) - int(from.year());
    span.Months = int(unsigned(to.month())) - int(unsigned(from.month()));
    span.Days = int(unsigned(to.day())) - int(unsigned(from.day()));
    if (span.Days < 0) {
        // Borrow the length of the month before the later date.
        const year_month before = year_month{to.year(), to.month()} - months{1};
        span.Days += int(unsigned((before / last).day()));
        --span.Months;
    }
    if (span.Months < 0) {
        span.Months += 12;
        --span.Years;
    }
    return span;
}

bool HistoryFileIsOld(year_month_day fileDate, year_month_day today) {
    if (sys_days{fileDate} > sys_days{today})
        return false;
    const TDateSpan span = DateSpanBetween(fileDate, today);
    return span.Years > 0 || span.Months > 0 || span.Days >= 30;
}

int DeleteOldHistoryFiles(const std::string& folder, year_month_day today) {
    std::error_code ec;
    int deleted = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(NativePath(folder), ec)) {
        std::error_code entryError;
        if (!e.is_regular_file(entryError) || !MatchesMask(e.path().filename().string(), "PG_*.xml"))
            continue;
        struct stat st {};
        if (::stat(e.path().c_str(), &st) != 0 || !HistoryFileIsOld(LocalDate(st.st_mtime), today))
            continue;
        if (fs::remove(e.path(), entryError))
            ++deleted;
    }
    return deleted;
}

year_month_day LocalToday() {
    return LocalDate(std::time(nullptr));
}

} // namespace pg
