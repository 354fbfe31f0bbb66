#include "Clock.h"

#include <atomic>

namespace line {

namespace {

ClockReading systemClocks()
{
    return {std::chrono::steady_clock::now(), std::chrono::system_clock::now()};
}

std::atomic<ClockReader> reader{&systemClocks};

WallTime::duration offsetOf(const ClockReading &r)
{
    return r.wall.time_since_epoch() -
           std::chrono::duration_cast<WallTime::duration>(r.steady.time_since_epoch());
}

WallTime mapped(Time t, WallTime::duration offset)
{
    return WallTime(std::chrono::duration_cast<WallTime::duration>(t.time_since_epoch()) + offset);
}

} // namespace

ClockReading readClocks()
{
    return reader.load()();
}

void setClockReader(ClockReader r)
{
    reader = r ? r : &systemClocks;
}

WallClock wallClockFromNow()
{
    const auto offset = offsetOf(readClocks());
    return [offset](Time t) { return mapped(t, offset); };
}

WallClock runWallClock(ClockReading started, ClockReading ended)
{
    // Readings a moment apart differ by the time between reading one clock and the other;
    // only a move beyond that is the clock's.
    constexpr auto Moved = std::chrono::seconds(1);
    const auto first = offsetOf(started), last = offsetOf(ended);
    if (last - first < Moved && first - last < Moved)
        return [first](Time t) { return mapped(t, first); };
    return [started, ended, first, last](Time t) {
        return mapped(t, t - started.steady <= ended.steady - t ? first : last);
    };
}

} // namespace line
