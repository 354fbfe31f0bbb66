// The CPU the tester's own process spends polling the module once a second, with
// or without the line monitor or the trend open: the whole window on the real
// port, the session, the line monitor and the painting. Usage:
//   bench_poll SECONDS [--monitor | --trend] [--warm-up=SECONDS] [--pointer=table|off]
//   bench_poll SECONDS --alternate=RUNS [--pointer=table|off]
//   (COM 1 from RZM530_COM_DIR, a module on it; 3 s of warm-up unless told)
// Prints the share of one core, user and system time together, after a warm-up,
// the kernel's share of it, and how often the process was woken. With the
// monitor open, the pointer is put in the middle of its table (the table then
// finds the row under it again at each row it follows), or with --pointer=off
// in a corner of the screen, off every window; the line says where it was.
// With --alternate, one process measures polling with the monitor closed and then
// open, SECONDS each, in turns, RUNS times, a line each, each after 3 s with the
// monitor as it is to be measured: the pair shares the process, its threads and
// where they run, which move a process's figures more than the monitor does. The
// monitor's rows build up over the runs, as in a long session. Its windows' pixels go to
// the X server through the socket, as the tester's do; with RZM530_BENCH_X_SHM=1, in Qt's
// shared memory instead.
#include "LineSession.h"
#include "MSComm.h"
#include "ScreenPixels.h"
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
#include <string>
#include <sys/resource.h>

// Under callgrind, the counts cover the measured seconds alone (bench/poll-callgrind.sh): the
// n-th measured span is the profile numbered n.
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

// The CPU, wake-ups and transactions of the process over one measured span.
class Span {
public:
    explicit Span(LineSession &session) : session(session) {}

    // Under callgrind each span is a profile of its own: zeroed at its start, dumped at its end,
    // before anything is done to say what the span was.
    void start()
    {
        CALLGRIND_ZERO_STATS;
        begun = usage();
        transactionsAtStart = session.tap().monitor().traffic().nextSequence();
    }
    void stop()
    {
        CALLGRIND_DUMP_STATS;
        end = usage();
        transactionsAtEnd = session.tap().monitor().traffic().nextSequence();
    }
    // The span's line; what follows the figures says what was open.
    void print(int seconds, const char *open) const
    {
        const double used = cpuSeconds(end) - cpuSeconds(begun);
        // Each time a thread of ours sleeps and is woken again counts once.
        const long wakeUps = end.ru_nvcsw - begun.ru_nvcsw;
        const auto transactions = transactionsAtEnd - transactionsAtStart;
        const auto good = session.tap().monitor().health().good;
        const double system = secondsOf(end.ru_stime) - secondsOf(begun.ru_stime);
        std::printf("%.3f %% of a core over %d s (%.3f %% in the kernel), %llu transactions "
                    "(%llu good in all), %.1f wake-ups a second%s\n",
                    100.0 * used / seconds, seconds, 100.0 * system / seconds,
                    static_cast<unsigned long long>(transactions),
                    static_cast<unsigned long long>(good), double(wakeUps) / seconds, open);
        std::fflush(stdout); // read as it comes, run by run
    }

private:
    LineSession &session;
    rusage begun{}, end{};
    std::uint64_t transactionsAtStart = 0, transactionsAtEnd = 0;
};

// Once the monitor's table is on the screen: the pointer in its middle, or off every window.
void placePointer(bool onTable)
{
    if (QWidget *table = monitorTable()) {
        const QRect screen = table->screen()->geometry();
        QCursor::setPos(onTable ? table->mapToGlobal(table->rect().center())
                                : screen.bottomRight() - QPoint(2, 2));
    }
}

QWidget *monitorWindow()
{
    QWidget *table = monitorTable();
    return table ? table->window() : nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the tester sends its pixels; RZM530_BENCH_X_SHM=1 measures Qt's shared memory instead.
    if (qEnvironmentVariableIsSet("RZM530_BENCH_X_SHM")) {
        if (qEnvironmentVariableIsSet(NoSharedPixelsVariable)) {
            std::fprintf(
                stderr,
                "bench_poll: RZM530_BENCH_X_SHM asks for shared memory, which %s turns off\n",
                NoSharedPixelsVariable);
            return 2;
        }
    } else {
        sendPixelsThroughTheSocket();
    }
    QApplication app(argc, argv);
    QApplication::setFont(testerFont()); // as the tester sets it: the monitor's table draws with it
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    bool monitor = false, trend = false, pointerOnTable = true;
    int warmUpMs = 3000, alternateRuns = 0;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--monitor") == 0)
            monitor = true;
        else if (std::strcmp(argv[i], "--trend") == 0)
            trend = true;
        else if (std::strncmp(argv[i], "--warm-up=", 10) == 0)
            warmUpMs = std::max(0, std::atoi(argv[i] + 10)) * 1000;
        else if (std::strcmp(argv[i], "--pointer=off") == 0)
            pointerOnTable = false;
        else if (std::strncmp(argv[i], "--alternate=", 12) == 0)
            alternateRuns = std::max(1, std::atoi(argv[i] + 12));
    }
    if (alternateRuns > 0 && (monitor || trend)) {
        std::fprintf(stderr, "bench_poll: --alternate opens and closes the monitor itself\n");
        return 2;
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
    const auto monitorOpen = [&] {
        return std::string(", monitor open, ") + pointerPlace(monitorTable());
    };
    Span span(session);

    if (alternateRuns > 0) {
        constexpr int SettleMs = 3000;
        int half = 0; // even, the monitor closed; odd, open
        bool measuring = false;
        QTimer step;
        step.setSingleShot(true);
        QObject::connect(&step, &QTimer::timeout, [&] {
            if (!measuring) {
                measuring = true;
                span.start();
                step.start(seconds * 1000);
                return;
            }
            measuring = false;
            span.stop();
            span.print(seconds, half % 2 ? monitorOpen().c_str() : "");
            if (++half == 2 * alternateRuns) {
                QApplication::quit();
                return;
            }
            if (half % 2) {
                window.showMonitor();
                QTimer::singleShot(SettleMs / 3, [pointerOnTable] { placePointer(pointerOnTable); });
            } else if (QWidget *shown = monitorWindow()) {
                shown->hide();
            }
            step.start(SettleMs);
        });
        step.start(warmUpMs);
        return app.exec();
    }

    if (monitor) // once the windows are on the screen
        QTimer::singleShot(std::min(warmUpMs / 2, 1000),
                           [pointerOnTable] { placePointer(pointerOnTable); });
    QTimer::singleShot(warmUpMs, [&] { span.start(); });
    QTimer::singleShot(warmUpMs + seconds * 1000, [&] {
        span.stop();
        span.print(seconds, monitor ? monitorOpen().c_str() : trend ? ", trend open" : "");
        QApplication::quit();
    });
    return app.exec();
}
