// Local time the same way on every C runtime:
//  - the calendar comes from localtime_r, or localtime_s on Windows (the thread-safe ones;
//    their arguments differ in order and their results in type, so they stay in this file);
//  - the UTC offset is the difference between the local and the UTC broken-down time of the
//    same instant. strftime's "%z" is not used: the Windows C runtime gives a zone name or
//    nothing there instead of "+0100";
//  - times before the epoch are not expected and come out as the C runtime gives them.
#include "LocalTime.h"

#include <ctime>

namespace line {

namespace {

std::tm localCalendar(std::time_t time)
{
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &time);
#else
    localtime_r(&time, &tm);
#endif
    return tm;
}

std::tm utcCalendar(std::time_t time)
{
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &time);
#else
    gmtime_r(&time, &tm);
#endif
    return tm;
}

// The two are at most a day apart, so the day of the year tells the days between them unless
// one is in the next year, where it restarts from 0.
int minutesBetween(const std::tm &local, const std::tm &utc)
{
    int days = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year)
        days = local.tm_year > utc.tm_year ? 1 : -1;
    const int seconds =
        ((days * 24 + local.tm_hour - utc.tm_hour) * 60 + local.tm_min - utc.tm_min) * 60 +
        local.tm_sec - utc.tm_sec;
    return seconds / 60;
}

} // namespace

LocalTime localTime(WallTime t)
{
    const auto seconds = std::chrono::floor<std::chrono::seconds>(t);
    const std::time_t time = std::chrono::system_clock::to_time_t(seconds);
    const std::tm tm = localCalendar(time);
    LocalTime local;
    local.year = tm.tm_year + 1900;
    local.month = tm.tm_mon + 1;
    local.day = tm.tm_mday;
    local.hour = tm.tm_hour;
    local.minute = tm.tm_min;
    local.second = tm.tm_sec;
    local.millisecond =
        int(std::chrono::duration_cast<std::chrono::milliseconds>(t - seconds).count());
    local.utcOffsetMinutes = minutesBetween(tm, utcCalendar(time));
    return local;
}

} // namespace line
