#pragma once

#include "Clock.h"
#include "RunRecord.h"

#include <optional>
#include <string>
#include <vector>

// Yield per day of a set of runs. The one definition, which the README repeats:
// - every run counts in `runs` and in its outcome's column, on its own (local) day;
// - ERROR and ABORTED runs count nowhere else: they are never a serial number's first or
//   latest run;
// - a serial number's first run is its earliest PASS or FAIL among the runs given, and the
//   serial number counts on that run's day;
// - first-pass yield: the share of the day's serial numbers whose first run passed;
// - final yield: the share of the day's serial numbers whose latest PASS or FAIL passed;
// - runs without a serial number count in `runs` and the outcome columns only;
// - days are local time. A day without a serial number to judge has no yields.
namespace figures {

struct YieldRun {
    line::WallTime started;
    std::string serialNumber;
    procedures::Outcome outcome = procedures::Outcome::Error;
};

struct DayYield {
    std::string day; // "2026-12-07", local
    int runs = 0, pass = 0, fail = 0, error = 0, aborted = 0;
    int serials = 0;    // serial numbers whose first run is on this day
    int firstPass = 0;  // of them, those whose first run passed
    int finalPass = 0;  // of them, those whose latest run passed
    std::optional<double> firstPassYield() const;
    std::optional<double> finalYield() const;
};

// Days in order, oldest first; the runs in any order.
std::vector<DayYield> yieldByDay(const std::vector<YieldRun> &runs);

} // namespace figures
