#pragma once

#include <chrono>
#include <functional>

namespace line {

// Transactions are timed on the monotonic clock; the wall clock is for display only.
using Time = std::chrono::steady_clock::time_point;
using WallTime = std::chrono::system_clock::time_point;
using WallClock = std::function<WallTime(Time)>;

// Maps by the offset between the two clocks as it is now, so that times shown
// later stay in step with each other even when the system clock is set.
inline WallClock wallClockFromNow()
{
    const auto offset = std::chrono::system_clock::now().time_since_epoch() -
                        std::chrono::steady_clock::now().time_since_epoch();
    return [offset](Time t) {
        return WallTime(
            std::chrono::duration_cast<WallTime::duration>(t.time_since_epoch() + offset));
    };
}

} // namespace line
