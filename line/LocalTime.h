#pragma once

#include "Clock.h"

namespace line {

// A wall-clock instant as the local calendar and clock show it, and how far that is from UTC.
struct LocalTime {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int utcOffsetMinutes = 0; // east of Greenwich is positive: +60 in Berlin in winter
};

LocalTime localTime(WallTime t);

} // namespace line
