#include "TrendRecorder.h"

#include "LineTap.h"

TrendRecorder::TrendRecorder(LineTap &tap, QObject *parent) : QObject(parent), tap(tap)
{
    connect(&tap, &LineTap::transactionEnded, this, [this](const line::Transaction &t) {
        const std::uint64_t before = readings.added();
        // How far the wall clock has moved from the monitor's offset: a suspend or a clock set.
        const auto now = std::chrono::steady_clock::now();
        readings.clockShifted(t.start, std::chrono::system_clock::now() - wallClock()(now));
        readings.record(t);
        if (readings.added() != before)
            emit readingAdded();
    });
}

const line::WallClock &TrendRecorder::wallClock() const
{
    return tap.monitor().wallClock();
}
