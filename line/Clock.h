#pragma once

#include <chrono>
#include <functional>

namespace line {

// Transactions are timed on the monotonic clock; the wall clock is for display only.
using Time = std::chrono::steady_clock::time_point;
using WallTime = std::chrono::system_clock::time_point;
using WallClock = std::function<WallTime(Time)>;

// Both clocks read at one moment.
struct ClockReading {
    Time steady;
    WallTime wall;
};

// Both clocks now, read by the reader set, the system's by default: a test sets one whose
// wall clock jumps as a suspend or a corrected clock does.
ClockReading readClocks();
using ClockReader = ClockReading (*)();
void setClockReader(ClockReader reader); // nullptr: the system's again

// Maps by the offset between the two clocks as it is now, so that times shown
// later stay in step with each other even when the system clock is set.
WallClock wallClockFromNow();

// A run's wall clock, from the clocks read as it started and as it ended: a suspend or a
// clock set before the run moves none of its times. Each time maps by the offset of the
// reading nearer to it, so that the run starts and ends on the wall clock of those moments
// even when the clock moved in between.
WallClock runWallClock(ClockReading started, ClockReading ended);

} // namespace line
