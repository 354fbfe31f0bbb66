#pragma once

#include "Yield.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Runs and the yield per day they must give, in a zone both C runtimes read from TZ.
struct YieldVectorRun {
    std::int64_t utcMs;
    const char *serial;
    procedures::Outcome outcome;
};

struct YieldVector {
    const char *name;
    const char *zone;
    std::vector<YieldVectorRun> runs;
    std::vector<std::string> days; // as yieldDayText() writes them
};

// 2026-12-07 at hour:minute UTC, `day` days later.
constexpr std::int64_t yieldAt(int day, int hour, int minute)
{
    return ((1796601600LL + day * 86400LL) + hour * 3600LL + minute * 60LL) * 1000;
}

inline std::string yieldDayText(const figures::DayYield &d)
{
    const auto fraction = [](const std::optional<double> &v) {
        char text[16] = "-";
        if (v)
            std::snprintf(text, sizeof text, "%.3f", *v);
        return std::string(text);
    };
    char text[160];
    std::snprintf(text, sizeof text,
                  "%s runs %d pass %d fail %d error %d aborted %d serials %d "
                  "first %d %s final %d %s",
                  d.day.c_str(), d.runs, d.pass, d.fail, d.error, d.aborted, d.serials, d.firstPass,
                  fraction(d.firstPassYield()).c_str(), d.finalPass,
                  fraction(d.finalYield()).c_str());
    return text;
}

inline const YieldVector YieldVectors[] = {
    {"fails then passes, passes, error before its pass",
     "UTC0",
     {{yieldAt(0, 8, 0), "SN-A", procedures::Outcome::Fail},
      {yieldAt(0, 9, 0), "SN-A", procedures::Outcome::Pass},
      {yieldAt(0, 8, 30), "SN-B", procedures::Outcome::Pass},
      {yieldAt(0, 8, 10), "SN-C", procedures::Outcome::Error},
      {yieldAt(0, 8, 40), "SN-C", procedures::Outcome::Pass}},
     {"2026-12-07 runs 5 pass 3 fail 1 error 1 aborted 0 serials 3 first 2 0.667 final 3 1.000"}},
    {"runs without a serial number count in runs only",
     "UTC0",
     {{yieldAt(0, 8, 0), "", procedures::Outcome::Fail},
      {yieldAt(0, 8, 5), "", procedures::Outcome::Pass},
      {yieldAt(0, 8, 10), "SN-D", procedures::Outcome::Pass}},
     {"2026-12-07 runs 3 pass 2 fail 1 error 0 aborted 0 serials 1 first 1 1.000 final 1 1.000"}},
    {"error and aborted only: no yields",
     "UTC0",
     {{yieldAt(0, 8, 0), "SN-E", procedures::Outcome::Error},
      {yieldAt(0, 8, 5), "SN-E", procedures::Outcome::Aborted}},
     {"2026-12-07 runs 2 pass 0 fail 0 error 1 aborted 1 serials 0 first 0 - final 0 -"}},
    {"several days, a serial number on its first run's day, runs out of order",
     "UTC0",
     {{yieldAt(1, 9, 0), "SN-F", procedures::Outcome::Pass},
      {yieldAt(1, 9, 30), "SN-G", procedures::Outcome::Fail},
      {yieldAt(0, 15, 0), "SN-F", procedures::Outcome::Fail},
      {yieldAt(3, 7, 0), "SN-F", procedures::Outcome::Error}},
     {"2026-12-07 runs 1 pass 0 fail 1 error 0 aborted 0 serials 1 first 0 0.000 final 1 1.000",
      "2026-12-08 runs 2 pass 1 fail 1 error 0 aborted 0 serials 1 first 0 0.000 final 0 0.000",
      "2026-12-10 runs 1 pass 0 fail 0 error 1 aborted 0 serials 0 first 0 - final 0 -"}},
    {"local days: an hour east of UTC, 23:30 UTC is the next day",
     "CET-1",
     {{yieldAt(0, 22, 30), "SN-H", procedures::Outcome::Pass},
      {yieldAt(0, 23, 30), "SN-I", procedures::Outcome::Fail},
      {yieldAt(0, 23, 45), "SN-H", procedures::Outcome::Fail}},
     {"2026-12-07 runs 1 pass 1 fail 0 error 0 aborted 0 serials 1 first 1 1.000 final 0 0.000",
      "2026-12-08 runs 2 pass 0 fail 2 error 0 aborted 0 serials 1 first 0 0.000 final 0 0.000"}},
    {"three and a half hours west of UTC",
     "NST+3:30",
     {{yieldAt(1, 3, 29), "SN-J", procedures::Outcome::Pass},
      {yieldAt(1, 3, 30), "SN-K", procedures::Outcome::Pass}},
     {"2026-12-07 runs 1 pass 1 fail 0 error 0 aborted 0 serials 1 first 1 1.000 final 1 1.000",
      "2026-12-08 runs 1 pass 1 fail 0 error 0 aborted 0 serials 1 first 1 1.000 final 1 1.000"}},
};

inline std::vector<std::string> yieldDays(const YieldVector &v)
{
    std::vector<figures::YieldRun> runs;
    for (const YieldVectorRun &r : v.runs)
        runs.push_back({line::WallTime(std::chrono::milliseconds(r.utcMs)), r.serial, r.outcome});
    std::vector<std::string> days;
    for (const figures::DayYield &d : figures::yieldByDay(runs))
        days.push_back(yieldDayText(d));
    return days;
}
