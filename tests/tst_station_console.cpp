// rzm530-cli testing a module on each of several ports at once, each a real simulator on a line
// of its own: a line per slot, the worst exit code, every run kept with its slot.
#include "Cases.h"
#include "ConsoleRuns.h"
#include "FileText.h"
#include "FixtureVectors.h"
#include "HistoryDb.h"
#include "SimProcess.h"

#include <QtTest>

#include <algorithm>
#include <csignal>
#include <memory>
#include <vector>

namespace {

// What befalls the run once the simulator of COM 1 says `when`.
enum class Event { None, LineLost, Signal, SignalTwice };

struct Case {
    const char *name;
    // A simulator's options for each COM number from 1, with the example fixture wired; nullptr:
    // no simulator, the port is not there.
    std::vector<const char *> simulators;
    Event event;
    int exitCode;
    // Each slot's line as it starts, in --port's order.
    QStringList says;
};

const QString Dead = "FAIL  input 2 does not follow relay 2 (relay 2's contact or input 2)";

const Case Cases[] = {
    {"four modules, one with a dead input",
     {"", "", "--dead-input 2", ""},
     Event::None,
     1,
     {"COM 1  S-1  PASS", "COM 2  S-2  PASS", "COM 3  S-3  " + Dead, "COM 4  S-4  PASS"}},
    {"two modules passing", {"", ""}, Event::None, 0, {"COM 1  S-1  PASS", "COM 2  S-2  PASS"}},
    // The slot whose simulator goes away mid-test, and the slot with no port, end alone.
    {"a line lost and a port missing",
     {"--late 50", "", nullptr},
     Event::LineLost,
     2,
     {"COM 1  S-1  ERROR  the port was lost: ", "COM 2  S-2  PASS",
      "COM 3  S-3  ERROR  the port cannot be opened: "}},
    {"a signal",
     {"--late 50", "--late 50"},
     Event::Signal,
     130,
     {"COM 1  S-1  ABORTED  interrupted by a signal",
      "COM 2  S-2  ABORTED  interrupted by a signal"}},
    // The second ends the program at once, while the slots still switch their relays off, slowly.
    {"a second signal",
     {"--late 50", "--late 50"},
     Event::SignalTwice,
     130,
     {"COM 1  S-1  ABORTED  interrupted twice: stopped at once",
      "COM 2  S-2  ABORTED  interrupted twice: stopped at once"}},
};

// Whether `signal`, sent to process `pid`, still waits to be taken: another sent meanwhile would
// merge with it.
bool pending(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("ShdPnd:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1U;
    return false;
}

} // namespace

class StationConsoleTest : public QObject {
    Q_OBJECT
private slots:
    void modulesTestedAtOnce_data() { addCaseRows(Cases); }
    void modulesTestedAtOnce()
    {
        const Case &c = fetchCase(Cases);
        QTemporaryDir home, lines;
        const QString fixture = home.filePath("fixture.ini"), reports = home.filePath("reports");
        QVERIFY(writeFile(fixture, ExampleFixture));
        // Earlier reports under S-1's name, for each second its run may start in.
        QVERIFY(QDir().mkpath(reports));
        QStringList earlier;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (int s = 0; s < 60; ++s) {
            earlier << reports + "/S-1_" + now.addSecs(s).toString("yyyy-MM-dd_HH-mm-ss") + ".json";
            QVERIFY(writeFile(earlier.back(), "earlier"));
        }
        std::vector<std::unique_ptr<SimProcess>> sims;
        QStringList ports, serials;
        for (std::size_t i = 0; i < c.simulators.size(); ++i) {
            const int com = int(i + 1);
            ports << QString::number(com);
            serials << QStringLiteral("S-%1").arg(com);
            if (!c.simulators[i]) {
                sims.push_back(nullptr);
                continue;
            }
            sims.push_back(std::make_unique<SimProcess>(
                lines, com,
                QStringList{"--relays", "10000001", "--fixture", fixture} +
                    words(c.simulators[i])));
            QVERIFY(sims.back()->ready());
        }

        QProcess station;
        station.setProcessEnvironment(cliEnvironment(home));
        station.start(RZM530_CLI_PATH,
                      {"--self-test", "--port", ports.join(','), "--serial", serials.join(','),
                       "--fixture", fixture, "--report", reports, "--html", reports});
        if (c.event != Event::None) {
            QVERIFY(sims[0]->waitForLine("relays 00100000")); // relay 3 on, mid-test
            if (c.event == Event::LineLost) {
                sims[0]->process.terminate();
                QVERIFY(sims[0]->process.waitForFinished(3000));
            } else {
                if (c.event == Event::SignalTwice) // eight replies to switch off take 2.4 s
                    for (const auto &sim : sims)
                        QVERIFY(sim->command("fault late 300", "ok"));
                ::kill(pid_t(station.processId()), SIGTERM);
                if (c.event == Event::SignalTwice) {
#ifndef Q_OS_LINUX
                    QSKIP("only Linux shows whether a signal still waits to be taken");
#endif
                    QVERIFY(
                        QTest::qWaitFor([&] { return !pending(station.processId(), SIGTERM); }));
                    ::kill(pid_t(station.processId()), SIGTERM);
                }
            }
        }
        QVERIFY(station.waitForFinished(30000));
        QCOMPARE(station.exitCode(), c.exitCode);
        QStringList said = QString::fromLocal8Bit(station.readAllStandardOutput()).split('\n');
        QCOMPARE(said.takeLast(), QString());
        QCOMPARE(said.size(), c.says.size() + 1); // and the summary
        QStringList counts;
        for (const QString outcome : {"PASS", "FAIL", "ERROR", "ABORTED"})
            counts
                << QStringLiteral("%1 %2").arg(c.says.filter("  " + outcome).size()).arg(outcome);
        QCOMPARE(said.last().section(" in ", 0, 0),
                 QStringLiteral("%1 modules").arg(c.says.size()));
        QCOMPARE(said.last().section(": ", 1), counts.join(", "));
        for (const QString &start : c.says) // whole, when each slot reached its verdict
            QVERIFY2(std::any_of(said.begin(), said.end(),
                                 [&](const QString &line) {
                                     return c.event == Event::None ? line == start
                                                                   : line.startsWith(start);
                                 }),
                     qPrintable(start + " in\n" + said.join('\n')));

        // Every slot's run kept, with its slot, whatever became of it; the report of each that
        // reached its verdict in the folder, by its serial number.
        QStringList rows = cli(home, {"--history"}).out.split('\n');
        QCOMPARE(rows.takeFirst(), "started,serial,operator,station,outcome,failed,id,slot");
        QCOMPARE(rows.takeLast(), QString());
        QCOMPARE(rows.size(), c.says.size());
        for (const QString &start : c.says) {
            const QStringList slot = start.split("  "); // port, serial, outcome
            QVERIFY2(std::any_of(rows.begin(), rows.end(),
                                 [&](const QString &row) {
                                     const QStringList f = row.split(',');
                                     return f[1] == slot[1] && f[4] == slot[2] &&
                                            f.last() == slot[0];
                                 }),
                     qPrintable(start + " in\n" + rows.join('\n')));
        }
        if (c.event == Event::None) {
            // Tested at once: every run had started before any had finished.
            QString error;
            const auto db = HistoryDb::openLocal(historyFile(home), &error);
            QVERIFY2(db, qPrintable(error));
            line::WallTime lastStart{}, firstEnd = line::WallTime::max();
            for (const QString &row : rows) {
                const auto run = db->load(row.section(',', 6, 6));
                QVERIFY(run);
                lastStart = std::max(lastStart, run->started);
                firstEnd = std::min(firstEnd, run->finished);
            }
            QVERIFY(lastStart < firstEnd);
            // Each slot's two reports share a name, and that name is one no earlier report had.
            for (const QString &serial : serials) {
                const QStringList html = QDir(reports).entryList({serial + "_*.html"}, QDir::Files);
                QCOMPARE(html.size(), 1);
                const QString name = html[0].chopped(5);
                QCOMPARE(name.endsWith("-2"), serial == "S-1");
                QVERIFY2(QFileInfo::exists(QDir(reports).filePath(name + ".json")),
                         qPrintable(name));
            }
            for (const QString &file : earlier)
                QCOMPARE(fileBytes(file), "earlier");
        }

        if (c.event == Event::SignalTwice)
            return; // stopped at once: the relays may still be on
        for (const auto &sim : sims)
            if (sim && sim->process.state() == QProcess::Running)
                QVERIFY(sim->relaysOff());
    }
};

QTEST_MAIN(StationConsoleTest)
#include "tst_station_console.moc"
