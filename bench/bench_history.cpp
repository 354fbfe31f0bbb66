// The local history with 100,000 runs, a year's production: opening the file and its first
// page newest first (the history window opening), filtering by a serial number, the yield of
// the year, the file's size, and storing one more run (what a self-test waits for).
// The file is made once and kept: it takes a few minutes, each run stored as a self-test
// stores it. Each figure is the median of several tries, with the fastest and slowest; the
// file is in the system's cache by then.
// Usage: bench_history [FOLDER]   (default: the system's temporary folder)
#include "HistoryDb.h"
#include "Uuid.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int Runs = 100000;
constexpr int Tries = 7;
const line::WallTime YearStart{1767225600s}; // 2026-01-01 00:00 UTC

// A whole self-test as the dialog makes it: every step run, a passing or failing module.
records::RunRecord run(int n)
{
    const line::Time t0 = line::Time() + 1h;
    procedures::SelfTestReport report;
    report.address = 1;
    const bool fails = n % 10 == 3;
    report.outcome = fails         ? procedures::Outcome::Fail
                     : n % 97 == 5 ? procedures::Outcome::Error
                                   : procedures::Outcome::Pass;
    for (procedures::StepRecord &s : report.steps) {
        line::Transaction t;
        t.start = t0 + std::chrono::seconds(int(s.id) * 20);
        t.requestEnd = t.start + 8ms;
        t.replyEnd = t.start + 30ms;
        s.traffic = {t};
        s.result = procedures::StepResult::Pass;
    }
    report.link = {20, 20, 4.0, 5.3, 9.0};
    if (fails) {
        report.step(procedures::StepId::Relays).result = procedures::StepResult::Fail;
        report.relays.failed[2] = true;
        report.relays.faults[2] = procedures::RelayFault::StuckOn;
    }
    for (procedures::DigitalInput &d : report.digital)
        d = {procedures::StepResult::Pass, true, true};
    for (procedures::AnalogInput &a : report.analog)
        a = {procedures::StepResult::Pass, 12, 1011};
    report.low = {0, 50};
    report.high = {973, 1023};
    // A failed module comes back repaired as the next run with the same serial number.
    const int serial = n % 10 == 4 ? n - 1 : n;
    char serialText[16];
    std::snprintf(serialText, sizeof serialText, "SN-%06d", serial);
    const records::ReportHeader header{"RZM-530 Tester 1.00.0017",
                                       "Operator " + std::to_string(n % 7), serialText, 1,
                                       "/dev/ttyUSB0"};
    const line::WallTime started = YearStart + std::chrono::milliseconds(315360LL * n);
    return records::runRecord(
        report, header, [&](line::Time t) { return started + (t - t0); },
        "station " + std::to_string(n % 3), records::randomUuid(), started);
}

struct Figure {
    double median, fastest, slowest;
};

Figure measure(int tries, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < tries; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void print(const char *what, const Figure &f, const char *target)
{
    std::printf("%-46s %9.1f ms  (%.1f to %.1f)  target %s\n", what, f.median, f.fastest, f.slowest,
                target);
}

std::unique_ptr<HistoryDb> open(const QString &path)
{
    QString error;
    auto db = HistoryDb::openLocal(path, &error);
    if (!db)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return db;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const QString path = folder + "/bench-history.sqlite";
    {
        auto db = open(path);
        if (!db)
            return 1;
        const int have = db->count({});
        if (have < Runs) {
            std::printf("storing %d runs in %s ...\n", Runs - have, qPrintable(path));
            QElapsedTimer clock;
            clock.start();
            QString error;
            for (int n = have; n < Runs; ++n)
                if (!db->store(run(n), &error)) {
                    std::fprintf(stderr, "%s\n", qPrintable(error));
                    return 1;
                }
            std::printf("  %.0f s\n", clock.elapsed() / 1000.0);
        }
    }

    std::unique_ptr<HistoryDb> db;
    int shown = 0;
    // What the history window does when it opens, and again at each change of filter: the
    // count, the first page and the yield per day of every run the filter selects (with no
    // filter, the whole history).
    print("window opening: open, count, first 100, yield of every run",
          measure(Tries,
                  [&] {
                      db.reset();
                      db = open(path);
                      shown = db->count({});
                      db->runs({}, 100, 0);
                      figures::yieldByDay(db->yieldRuns({}));
                  }),
          "1000");
    RunFilter serial;
    serial.serial = "SN-054321";
    int found = 0;
    print("filter by a serial number: count, page, yield",
          measure(Tries,
                  [&] {
                      found = db->count(serial);
                      db->runs(serial, 100, 0);
                      figures::yieldByDay(db->yieldRuns(serial));
                  }),
          "100");
    RunFilter year;
    year.since = QDate(2026, 1, 1);
    year.until = QDate(2026, 12, 31);
    std::size_t days = 0;
    print("yield of the year, per day",
          measure(Tries, [&] { days = figures::yieldByDay(db->yieldRuns(year)).size(); }), "300");
    int next = Runs + int(QDateTime::currentSecsSinceEpoch() % 1000000) * 100;
    print("storing one run",
          measure(Tries * 3,
                  [&] {
                      QString error;
                      db->store(run(next++), &error);
                  }),
          "50");
    std::printf("%d runs, %d for the serial number, %zu days; file %.1f MB (+ %.1f MB log)\n",
                shown, found, days, QFileInfo(path).size() / 1e6,
                QFileInfo(path + "-wal").size() / 1e6);
    return 0;
}
