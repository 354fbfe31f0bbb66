// Transactions through the line monitor, its table model and the monitor
// window's view, as the tap delivers them: a poll conversation byte by byte.
// Prints the rate early and once the 100,000 kept have begun to be replaced,
// and the memory the kept traffic takes with the window open.
// Usage: bench_monitor   (offscreen or under Xvfb)
#include "LineTap.h"
#include "MonitorWindow.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    return 0;
}

using Bytes = std::vector<quint8>;

const Bytes ReadCoils{0x01, 0x01, 0x00, 0x00, 0x00, 0x08, 0x3D, 0xCC};
const Bytes CoilsReply{0x01, 0x01, 0x01, 0x85, 0x90, 0x2B};
const Bytes ReadRegisters{0x01, 0x03, 0x00, 0x00, 0x00, 0x0B, 0x04, 0x0D};
const Bytes RegistersReply{0x01, 0x03, 0x16, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x01, 0x2C, 0x02, 0xBC, 0x03, 0xFF, 0x00,
                           0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x3A, 0xA0};

// Sends `count` transactions; returns how many a second went through.
double feed(LineTap &tap, int count)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        const bool coils = i % 2 == 0;
        tap.requestStarted(); // ends the one before
        for (quint8 b : coils ? ReadCoils : ReadRegisters)
            tap.byteWritten(b);
        for (quint8 b : coils ? CoilsReply : RegistersReply)
            tap.byteReceived(b);
        if (i % 64 == 0)
            QCoreApplication::processEvents(); // let the view paint now and then
    }
    QCoreApplication::processEvents();
    return count / (double(clock.nsecsElapsed()) / 1e9);
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
    return 0;
}
