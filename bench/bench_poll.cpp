// The CPU the tester's own process spends polling the module once a second, with
// or without the line monitor or the trend open: the whole window on the real
// port, the session, the line monitor and the painting. Usage:
//   bench_poll SECONDS [--monitor | --trend] [--warm-up=SECONDS] [--pointer=table|off]
//   (COM 1 from RZM530_COM_DIR, a module on it; 3 s of warm-up unless told)
// Prints the share of one core, user and system time together, after a warm-up,
// the kernel's share of it, and how often the process was woken. With the
// monitor open, the pointer is put in the middle of its table (the table then
// finds the row under it again at each row it follows), or with --pointer=off
// in a corner of the screen, off every window; the line says where it was.
#include "LineSession.h"
#include "MSComm.h"
#include "TesterFont.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

// Under callgrind, the counts cover the measured seconds alone (bench/poll-callgrind.sh).
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS
#endif

namespace {

rusage usage()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u;
}

double secondsOf(const timeval &t)
{
    return double(t.tv_sec) + t.tv_usec / 1e6;
}

double cpuSeconds(const rusage &u)
{
    return secondsOf(u.ru_utime) + secondsOf(u.ru_stime);
}

QWidget *monitorTable()
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *table = top->findChild<QAbstractItemView *>(QStringLiteral("traffic")))
            return table->viewport();
    return nullptr;
}

// Where the pointer is now, asked of the display, not known from events.
const char *pointerPlace(const QWidget *table)
{
    const bool on = table && table->isVisible() &&
                    table->rect().contains(table->mapFromGlobal(QCursor::pos()));
    return on ? "pointer on the table" : "pointer off the table";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(testerFont()); // as the tester sets it: the monitor's table draws with it
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    bool monitor = false, trend = false, pointerOnTable = true;
    int warmUpMs = 3000;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--monitor") == 0)
            monitor = true;
        else if (std::strcmp(argv[i], "--trend") == 0)
            trend = true;
        else if (std::strncmp(argv[i], "--warm-up=", 10) == 0)
            warmUpMs = std::max(0, std::atoi(argv[i] + 10)) * 1000;
        else if (std::strcmp(argv[i], "--pointer=off") == 0)
            pointerOnTable = false;
    }

    MSComm comm;
    LineSession session(comm);
    frmMain window(session);
    window.Form_Load();
    window.show();
    if (monitor)
        window.showMonitor();
    if (trend)
        window.showTrend();

    QWidget *table = monitor ? monitorTable() : nullptr;
    if (table) // once the windows are on the screen
        QTimer::singleShot(std::min(warmUpMs / 2, 1000), table, [table, pointerOnTable] {
            const QRect screen = table->screen()->geometry();
            QCursor::setPos(pointerOnTable ? table->mapToGlobal(table->rect().center())
                                           : screen.bottomRight() - QPoint(2, 2));
        });

    rusage start{};
    std::uint64_t transactionsAtStart = 0;
    QTimer::singleShot(warmUpMs, [&] {
        CALLGRIND_ZERO_STATS;
        start = usage();
        transactionsAtStart = session.tap().monitor().traffic().nextSequence();
    });
    QTimer::singleShot(warmUpMs + seconds * 1000, [&] {
        const rusage end = usage();
        CALLGRIND_DUMP_STATS;
        const double used = cpuSeconds(end) - cpuSeconds(start);
        // Each time a thread of ours sleeps and is woken again counts once.
        const long wakeUps = end.ru_nvcsw - start.ru_nvcsw;
        const auto transactions =
            session.tap().monitor().traffic().nextSequence() - transactionsAtStart;
        const auto good = session.tap().monitor().health().good;
        const double system = secondsOf(end.ru_stime) - secondsOf(start.ru_stime);
        std::printf("%.3f %% of a core over %d s (%.3f %% in the kernel), %llu transactions "
                    "(%llu good in all), %.1f wake-ups a second%s%s\n",
                    100.0 * used / seconds, seconds, 100.0 * system / seconds,
                    static_cast<unsigned long long>(transactions),
                    static_cast<unsigned long long>(good), double(wakeUps) / seconds,
                    monitor ? ", monitor open, "
                    : trend ? ", trend open"
                            : "",
                    monitor ? pointerPlace(table) : "");
        QApplication::quit();
    });
    return app.exec();
}
