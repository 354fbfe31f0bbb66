#pragma once

#include "Clock.h"

#include <chrono>

// The tests' clocks: a monotonic T0, and a wall clock that puts it at
// 2026-12-07 14:03:21.042 UTC.
namespace lineclock {

inline const line::Time T0 = line::Time() + std::chrono::hours(1);

// Cast, as the system clock's tick is coarser than the monotonic one's on some systems.
inline line::WallTime wall(line::Time t)
{
    using namespace std::chrono;
    return line::WallTime(
        duration_cast<line::WallTime::duration>(seconds(1796652201) + milliseconds(42) + (t - T0)));
}

} // namespace lineclock
