// Read Coils round trips through the simulator, over its pseudo-terminal and
// over TCP on loopback, with the same port component the tester holds: the
// median and slowest round trip and the tester side's CPU per round trip.
// Both go through the same bridge in the simulator, so the difference is the
// transport's. Usage: bench_tcp_line [round trips] (default 500)
#include "PortComm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

const QByteArray ReadCoils = QByteArray::fromHex("0101000000083DCC");
constexpr int ReplySize = 6;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Sleeps in the event loop as the tester does; a ticking timer wakes it to
// give up in time.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QTimer tick;
    tick.start(50);
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void measure(const char *name, PortComm &comm, int count)
{
    if (!comm.setPortOpen(true) || !waitFor([&] { return comm.PortOpen(); }, 3000)) {
        std::printf("%-16s did not open: %s\n", name, qPrintable(comm.errorString()));
        return;
    }
    std::vector<double> ms;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    for (int i = 0; i < count; ++i) {
        clock.start();
        for (const char byte : ReadCoils)
            comm.Output(quint8(byte));
        if (!waitFor([&] { return comm.InBufferCount() >= ReplySize; }, 2000))
            break;
        while (comm.InBufferCount() > 0)
            comm.Input();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double cpu = cpuSeconds() - cpuBefore;
    comm.setPortOpen(false);
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    std::printf("%-16s %zu round trips: median %.2f ms, slowest %.2f ms, CPU %.0f us each\n", name,
                ms.size(), ms[ms.size() / 2], ms.back(), cpu * 1e6 / double(ms.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 500;
    QTemporaryDir dir;
    QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rzm530-sim"),
              {"--headless", "--dir", dir.path(), "--com", "1", "--tcp", "0"});
    if (!waitFor([&] { return sim.canReadLine(); }, 5000)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    const QList<QByteArray> ready = sim.readLine().trimmed().split(' ');
    if (ready.size() < 3) {
        std::fprintf(stderr, "unexpected: %s\n", ready.join(' ').constData());
        return 1;
    }
    PortComm pty, tcp;
    qputenv("RZM530_COM_DIR", dir.path().toLocal8Bit());
    pty.setCommPort(1);
    tcp.setPort(QString::fromLatin1(ready[2]));
    measure("pseudo-terminal", pty, count);
    measure("TCP loopback", tcp, count);
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
