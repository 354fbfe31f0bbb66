#include "TrendRecorder.h"

#include "LineTap.h"

TrendRecorder::TrendRecorder(LineTap &tap, QObject *parent) : QObject(parent), tap(tap)
{
    connect(&tap, &LineTap::transactionEnded, this, [this](const line::Transaction &t) {
        const std::uint64_t before = readings.added();
        readings.record(t);
        if (readings.added() != before)
            emit readingAdded();
    });
}

const line::WallClock &TrendRecorder::wallClock() const
{
    return tap.monitor().wallClock();
}
