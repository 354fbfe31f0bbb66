// The CPU the tester's own process spends polling the module once a second, with
// or without the line monitor or the trend open: the whole window on the real
// port, the session, the line monitor and the painting. Usage:
//   bench_poll SECONDS [--monitor | --trend]  (COM 1 from RZM530_COM_DIR, a module on it)
// Prints the share of one core, user and system time together, after a warm-up.
#include "LineSession.h"
#include "MSComm.h"
#include "frmMain.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    const bool monitor = argc > 2 && std::strcmp(argv[2], "--monitor") == 0;
    const bool trend = argc > 2 && std::strcmp(argv[2], "--trend") == 0;

    MSComm comm;
    LineSession session(comm);
    frmMain window(session);
    window.Form_Load();
    window.show();
    if (monitor)
        window.showMonitor();
    if (trend)
        window.showTrend();

    constexpr int WarmUpMs = 3000;
    double start = 0;
    std::uint64_t transactionsAtStart = 0;
    QTimer::singleShot(WarmUpMs, [&] {
        start = cpuSeconds();
        transactionsAtStart = session.tap().monitor().traffic().nextSequence();
    });
    QTimer::singleShot(WarmUpMs + seconds * 1000, [&] {
        const double used = cpuSeconds() - start;
        const auto transactions =
            session.tap().monitor().traffic().nextSequence() - transactionsAtStart;
        const auto good = session.tap().monitor().health().good;
        std::printf("%.3f %% of a core over %d s, %llu transactions (%llu good in all)%s\n",
                    100.0 * used / seconds, seconds, static_cast<unsigned long long>(transactions),
                    static_cast<unsigned long long>(good),
                    monitor ? ", monitor open"
                    : trend ? ", trend open"
                            : "");
        QApplication::quit();
    });
    return app.exec();
}
