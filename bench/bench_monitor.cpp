// Transactions through the line monitor, its table model and the monitor
// window's view, as the tap delivers them: a poll conversation byte by byte.
// Prints the rate early and once the 100,000 kept have begun to be replaced,
// and the memory the kept traffic takes with the window open. Then the timeline's costs
// with 100,000 kept: folding them all into its columns, painting it, and taking in one more
// transaction and painting again while the window is shown; each the median of many tries,
// with the fastest and slowest.
// Usage: bench_monitor   (offscreen or under Xvfb)
#include "LineTap.h"
#include "MonitorWindow.h"
#include "Resident.h"
#include "TimelineStrip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<quint8>;

const Bytes ReadCoils{0x01, 0x01, 0x00, 0x00, 0x00, 0x08, 0x3D, 0xCC};
const Bytes CoilsReply{0x01, 0x01, 0x01, 0x85, 0x90, 0x2B};
const Bytes ReadRegisters{0x01, 0x03, 0x00, 0x00, 0x00, 0x0B, 0x04, 0x0D};
const Bytes RegistersReply{0x01, 0x03, 0x16, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x01, 0x2C, 0x02, 0xBC, 0x03, 0xFF, 0x00,
                           0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x3A, 0xA0};

void exchange(LineTap &tap, bool coils)
{
    tap.requestStarted(); // ends the one before
    for (quint8 b : coils ? ReadCoils : ReadRegisters)
        tap.byteWritten(b);
    for (quint8 b : coils ? CoilsReply : RegistersReply)
        tap.byteReceived(b);
}

// Sends `count` transactions; returns how many a second went through.
double feed(LineTap &tap, int count)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        exchange(tap, i % 2 == 0);
        if (i % 64 == 0)
            QCoreApplication::processEvents(); // let the view paint now and then
    }
    QCoreApplication::processEvents();
    return count / (double(clock.nsecsElapsed()) / 1e9);
}

// Microseconds each try of `work` takes: median, fastest, slowest.
void timed(const char *what, int tries, const std::function<void()> &work)
{
    std::vector<double> us;
    for (int i = 0; i < tries; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        us.push_back(double(clock.nsecsElapsed()) / 1e3);
    }
    std::sort(us.begin(), us.end());
    std::printf("%s: median %.1f us (%.1f to %.1f), %d tries\n", what, us[us.size() / 2],
                us.front(), us.back(), tries);
}

void timeline(LineTap &tap, MonitorWindow &window)
{
    auto *strip = window.findChild<TimelineStrip *>(QStringLiteral("timeline"));
    const int width = strip->columns().width();
    std::printf("timeline: %d pixels, %d columns over %zu transactions\n", width,
                strip->columns().size(), tap.monitor().traffic().size());
    TimelineColumns columns(tap.monitor().traffic());
    int flip = 0;
    timed("timeline: folding 100,000 transactions into the columns", 21,
          [&] { columns.setWidth(width - (flip++ % 2)); });
    QImage image(strip->size(), QImage::Format_RGB32);
    timed("timeline: painting it", 51, [&] { strip->render(&image); });
    const int scans = strip->columns().scans();
    timed("timeline: one more transaction taken in and painted, window shown", 501, [&] {
        exchange(tap, flip++ % 2 == 0);
        strip->refresh();
        strip->repaint();
    });
    std::printf("timeline: %d scans of the whole traffic in those 501\n",
                strip->columns().scans() - scans);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    LineTap tap;
    MonitorWindow window(tap);
    window.show();
    QCoreApplication::processEvents();
    const long before = residentKiB();

    const double early = feed(tap, 10'000);
    feed(tap, 90'000);
    const long kept = residentKiB();
    const double late = feed(tap, 10'000); // each one now replaces the oldest
    std::printf("transactions through the monitor, its model and view: %.0f/s for the first "
                "10,000, %.0f/s while replacing the oldest of 100,000\n",
                early, late);
    std::printf("memory for 100,000 kept with the window open: %.1f MB\n",
                double(kept - before) / 1024.0);
    timeline(tap, window);
    return 0;
}
