// The trend's memory, the cost of a reading early and once the day kept is
// full, and the plot redrawn with a day of readings at full zoom-out. Each
// figure is taken several times; prints the median and the spread.
// Usage: bench_trend   (offscreen or under Xvfb)
#include "Resident.h"
#include "TrendPlot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A poll's transaction as the tap hands it over: coils on even ticks, registers on odd.
line::Transaction pollTransaction(int tick, line::Time t)
{
    static const std::vector<std::uint8_t> Coils{0x01, 0x01, 0x00, 0x00, 0x00, 0x08, 0x3D,
                                                 0xCC, 0x01, 0x01, 0x01, 0x85, 0x90, 0x2B};
    std::vector<std::uint8_t> registers{0x01, 0x03, 0x00, 0x00, 0x00, 0x0B,
                                        0x04, 0x0D, 0x01, 0x03, 0x16};
    for (int r = 0; r < 11; ++r) {
        // Analog inputs wander; every 500th reading spikes; the digital inputs toggle now and then.
        int v = r >= 4 && r <= 6 ? 300 + r * 100 + (tick / 7 % 50)
                : r >= 7         ? (tick / 300 + r) % 2
                                 : 0;
        if (r == 4 && tick % 1000 == 1)
            v = 1023;
        registers.push_back(std::uint8_t(v >> 8));
        registers.push_back(std::uint8_t(v));
    }
    registers.push_back(0x00);
    registers.push_back(0x00);
    line::Transaction transaction;
    transaction.start = t;
    transaction.origin = line::Origin::Poll;
    transaction.verdict = tick % 97 == 0 ? line::Verdict::NoReply : line::Verdict::Ok;
    transaction.bytes = tick % 2 == 0 ? Coils : registers;
    transaction.requestSize = 8;
    if (transaction.verdict == line::Verdict::NoReply)
        transaction.bytes.resize(8);
    return transaction;
}

const line::Time T0 = line::Time() + 1h;

// One tick a second, each recorded as the recorder does.
void recordTicks(figures::Trend &trend, int from, int count)
{
    for (int tick = from; tick < from + count; ++tick)
        trend.record(pollTransaction(tick, T0 + tick * 1s));
}

struct Spread {
    double median, low, high;
};

Spread spreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

// Nanoseconds a reading for `count` ticks from tick `from`, on a trend already filled to it.
double nsPerReading(figures::Trend &trend, int from, int count)
{
    QElapsedTimer clock;
    clock.start();
    recordTicks(trend, from, count);
    return double(clock.nsecsElapsed()) / count;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    constexpr int Day = 2 * int(figures::Trend::Capacity); // ticks, each kind every other one
    constexpr int Tries = 9;

    // Memory: what a day of both kinds takes once its pages are touched, and what it takes
    // as the tester starts and after an hour, the rings being filled only as readings come.
    {
        const long before = residentKiB();
        auto trend = std::make_unique<figures::Trend>();
        const long empty = residentKiB();
        recordTicks(*trend, 0, Day / 24);
        const long hour = residentKiB();
        recordTicks(*trend, Day / 24, Day - Day / 24);
        const long after = residentKiB();
        std::printf("memory: %zu readings of each kind, %zu bytes a reading: %.2f MB; "
                    "resident %+.2f MB (empty %+.2f MB, an hour %+.2f MB)\n",
                    trend->inputs().size(), sizeof(figures::TrendReading),
                    2.0 * figures::Trend::Capacity * sizeof(figures::TrendReading) / 1e6,
                    double(after - before) / 1024.0, double(empty - before) / 1024.0,
                    double(hour - before) / 1024.0);
    }

    // A reading's cost: ticks 10 to 1,010 (the 5th to the 505th reading of each kind),
    // and 1,000 ticks once each kind holds its 43,200 and every reading replaces the oldest.
    std::vector<double> early, full;
    for (int t = 0; t < Tries; ++t) {
        figures::Trend trend;
        recordTicks(trend, 0, 10);
        early.push_back(nsPerReading(trend, 10, 1000));
        recordTicks(trend, 1010, Day - 1010);
        full.push_back(nsPerReading(trend, Day, 1000));
    }
    const Spread e = spreadOf(early), f = spreadOf(full);
    std::printf("a reading, early: median %.0f ns (%.0f to %.0f); the day kept full: median "
                "%.0f ns (%.0f to %.0f), %d tries\n",
                e.median, e.low, e.high, f.median, f.low, f.high, Tries);

    // Redraw: a day at full zoom-out into an image the size of the plot in its window.
    figures::Trend trend;
    recordTicks(trend, 0, Day + 100);
    TrendPlot plot(trend, [](line::Time t) {
        return line::WallTime(
            std::chrono::duration_cast<line::WallTime::duration>(1796652201s + (t - T0)));
    });
    plot.setSpan(line::Time::duration::zero());
    {
        // The plot's own share: the fifteen signals and the two kinds' gaps into columns.
        std::vector<figures::TrendColumn> columns;
        line::Time from, to;
        plot.visibleRange(from, to);
        std::vector<double> times;
        for (int t = 0; t < Tries; ++t) {
            QElapsedTimer clock;
            clock.start();
            for (int s = 0; s < 17; ++s)
                trend.decimate(
                    {s < 7 ? figures::SignalKind::Analog : figures::SignalKind::Relay, 0}, from, to,
                    944, columns);
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        const Spread d = spreadOf(times);
        std::printf("a day into 944 columns, 17 times: median %.2f ms (%.2f to %.2f)\n", d.median,
                    d.low, d.high);
    }
    plot.resize(956, 470);
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> redraw;
    for (int t = 0; t < Tries + 1; ++t) {
        plot.readingsAdded(); // drawn afresh, as when a reading lands in view
        QElapsedTimer clock;
        clock.start();
        plot.render(&image);
        if (t > 0) // the first pays for the font and the buffers once
            redraw.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const Spread r = spreadOf(redraw);
    std::printf(
        "redraw of a day at full zoom-out, %dx%d: median %.2f ms (%.2f to %.2f), %d tries\n",
        plot.width(), plot.height(), r.median, r.low, r.high, Tries);

    // The steady state while following: the last 10 minutes drawn afresh, as on each reading.
    plot.setSpan(10min);
    std::vector<double> tenMinutes;
    for (int t = 0; t < Tries + 1; ++t) {
        plot.readingsAdded();
        QElapsedTimer clock;
        clock.start();
        plot.render(&image);
        if (t > 0)
            tenMinutes.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const Spread m = spreadOf(tenMinutes);
    std::printf("redraw of the last 10 minutes, following: median %.2f ms (%.2f to %.2f), %d "
                "tries\n",
                m.median, m.low, m.high, Tries);
    plot.setSpan(line::Time::duration::zero());
    plot.render(&image); // the span's change drawn, so that the hovers below pay only their own

    // A hover: the cursor moved across the plot, the traces kept from the redraw above.
    std::vector<double> hover;
    for (int t = 0; t < Tries; ++t) {
        const QPointF at(100 + 50 * t, plot.height() / 2);
        QMouseEvent move(QEvent::MouseMove, at, plot.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendEvent(&plot, &move);
        plot.render(&image);
        hover.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const Spread h = spreadOf(hover);
    std::printf("a hover move over a day at full zoom-out: median %.2f ms (%.2f to %.2f), "
                "%d tries\n",
                h.median, h.low, h.high, Tries);
    if (argc > 1)
        image.save(QString::fromLocal8Bit(argv[1]));
    return 0;
}
