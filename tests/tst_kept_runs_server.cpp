// The history's server through the real console program: each run on its own server, every
// wait on a server bounded, each failure said with its own exit code, and a damaged local file.
#include "Cases.h"
#include "ConsoleRuns.h"
#include "DamagedHistory.h"
#include "HistoryDb.h"
#include "HistoryRuns.h"
#include "PgServer.h"
#include "ServerUrl.h"
#include "SimProcess.h"

#include <QtTest>

using namespace std::chrono_literals;

namespace {

// A run waits for a server that cannot be reached, or that refuses it, or the local file is not
// a database; each given that server, or a real one, after its own options.
const QString Server = "postgresql://qa@127.0.0.1:1/history";
enum class Reach { Down, Up, NoDatabase, NoRights };
const struct {
    const char *name, *arguments;
    bool localBroken;
    Reach server;
    int exitCode;
    const char *says;
} ServerCases[] = {
    {"sync", "--sync", false, Reach::Down, 2, "1 waiting"},
    {"history", "--history", false, Reach::Down, 2, "postgresql://qa@127.0.0.1:1/history"},
    {"yield", "--yield", false, Reach::Down, 2, "1 run waits"},
    {"no local file, the server takes it", "--self-test", true, Reach::Up, 0,
     "to the history server alone"},
    {"no local file, no server", "--self-test", true, Reach::Down, 2,
     "the run is not in the history: neither"},
    {"sync, no local file", "--sync", true, Reach::Up, 4, "exit 4: cannot open the local file"},
    {"sync, no such database", "--sync", false, Reach::NoDatabase, 3, "h_none\" does not exist"},
    {"sync, a role without rights", "--sync", false, Reach::NoRights, 3, "permission denied"},
};

// A backend of the server waits on a lock, then is stopped (SIGSTOP), or not; `seconds` is the
// most the program may take.
const struct {
    const char *name, *arguments;
    bool stopped, interrupted;
    int exitCode;
    const char *says;
    int seconds;
} BoundedCases[] = {
    {"self-test, stopped", "--self-test --port 7", true, false, 2, "did not answer within 3 s", 5},
    {"self-test, Ctrl+C", "--self-test --port 7", true, true, 130, "interrupted by a signal", 2},
    {"sync, stopped", "--sync", true, false, 2, "did not answer for 6 s", 8},
    {"sync, locked", "--sync", false, false, 3, "lock timeout", 5},
};

} // namespace

class KeptRunsServerTest : public QObject {
    Q_OBJECT
    PgServer pg;

    static int serverRuns(const QString &url)
    {
        const auto db = HistoryDb::openServer(*ServerUrl::parse(url, nullptr), nullptr);
        return db ? db->count({}) : -1;
    }

private slots:
    void initTestCase() { pg.find(); }

    // Two runs wait for a shared server that is down: a run for another server, or a station's
    // for the shared one back, sends only itself; --sync sends what waits to its own server alone.
    void eachRunGoesToItsOwnServer()
    {
        QTemporaryDir home;
        const QString shared = pg.freshUrl("h_shared"), scratch = pg.freshUrl("h_scratch");
        QVERIFY(pg.run("postgres", {"DROP DATABASE h_shared"}));
        for (const QString &db : {shared, shared, scratch})
            QCOMPARE(cli(home, {"--self-test", "--port", "7", "--db", db}).exitCode, 2);
        QCOMPARE(cli(home, {"--sync", "--db", scratch}).exitCode, 0);
        QCOMPARE(serverRuns(scratch), 1);
        QVERIFY(pg.run("postgres", {"CREATE DATABASE h_shared"}));
        // A station's runs go up together, and only they: what waits is --sync's.
        QCOMPARE(
            cli(home, {"--self-test", "--port", "7,8", "--serial", "A,B", "--db", shared}).exitCode,
            2);
        QCOMPARE(serverRuns(shared), 2);
        QVERIFY(cli(home, {"--sync", "--db", shared}).err.contains("2 runs uploaded, 0 waiting"));
        QCOMPARE(serverRuns(shared), 4);
    }

    void serverWaitsAreBounded_data() { addCaseRows(BoundedCases); }
    void serverWaitsAreBounded()
    {
        const auto &[name, arguments, stopped, interrupted, exitCode, says, seconds] =
            fetchCase(BoundedCases);
        QTemporaryDir home;
        const QString url = pg.freshUrl("h_bounded"), key = ServerUrl::parse(url, nullptr)->shown();
        QVERIFY(HistoryDb::openServer(*ServerUrl::parse(url, nullptr), nullptr)); // its tables
        if (QString(arguments) == "--sync")                                       // a run waits
            QVERIFY(HistoryDb::openLocal(historyFile(home), nullptr)
                        ->store(historyRun("w", "SN", {}), nullptr, key));
        HeldLock backend(pg, "h_bounded", "LOCK TABLE runs");
        QProcess program;
        QElapsedTimer took;
        took.start();
        program.setProcessEnvironment(cliEnvironment(home));
        program.start(RZM530_CLI_PATH, words(arguments) + QStringList{"--db", url});
        const bool stoppedOne = stopped && backend.stopTheNext();
        if (interrupted) {
            QTest::qWait(300);
            program.terminate();
        }
        const bool ended = program.waitForFinished(20000) && took.elapsed() < seconds * 1000;
        QVERIFY2(ended && stopped == stoppedOne, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(program.exitCode(), exitCode);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(err.contains(says) && !err.contains("Unable") && !err.contains("QSql"),
                 qPrintable(err)); // nor Qt's own words
        QCOMPARE(HistoryDb::openLocal(historyFile(home), nullptr)->waitingCount(key, false), 1);
    }

    // A run the local file cannot take goes to the server; one neither takes is said, its
    // verdict given all the same.
    void serverCases_data() { addCaseRows(ServerCases); }
    void serverCases()
    {
        const auto &[name, arguments, localBroken, server, exitCode, says] = fetchCase(ServerCases);
        QTemporaryDir home;
        QString url = server == Reach::Down ? Server : pg.freshUrl("h_unkept");
        if (server == Reach::NoDatabase)
            url.replace("/h_unkept", "/h_none");
        if (server == Reach::NoRights) // may connect, as anyone may, and make nothing
            QVERIFY(pg.run("postgres", {"DROP ROLE IF EXISTS clerk", "CREATE ROLE clerk LOGIN"}) &&
                    url.replace("postgres@", "clerk@").contains("clerk"));
        if (localBroken)
            QVERIFY(refusingFile(historyFile(home)));
        else
            QCOMPARE(cli(home, {"--self-test", "--port", "7", "--db", url}).exitCode, 2);
        SimProcess sim;
        QVERIFY(sim.ready());
        const Run run = cli(home, words(arguments) + QStringList{"--db", url});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QVERIFY(!localBroken || QString(arguments) != "--self-test" ||
                run.out.contains("\nPASS (digital and analog inputs not tested)\n"));
        if (server == Reach::Up)
            QCOMPARE(serverRuns(url), exitCode == 0 ? 1 : 0);
    }

    // On a file damaged in the middle, reads say so and --sync sends every run it can read.
    void aDamagedFile()
    {
        QTemporaryDir home;
        const QString url = pg.freshUrl("h_damaged"), key = ServerUrl::parse(url, nullptr)->shown();
        const QString path = historyFile(home);
        QVERIFY(damagedHistory(path, key));
        for (const char *read : {"--history", "--yield"}) {
            const Run run = cli(home, {read});
            QVERIFY2(run.exitCode == 2 && run.err.contains(path) && !run.err.contains("Unable"),
                     qPrintable(run.err));
        }
        const Run sync = cli(home, {"--sync", "--db", url});
        QCOMPARE(sync.exitCode, 5);
        const std::vector<QString> left =
            HistoryDb::openLocal(path, nullptr)->waitingIds(key, false);
        QVERIFY(!left.empty());
        for (const QString &id : left)
            QVERIFY2(sync.err.contains(id), qPrintable(sync.err));
        QCOMPARE(serverRuns(url), 300 - int(left.size()));
    }
};

QTEST_MAIN(KeptRunsServerTest)
#include "tst_kept_runs_server.moc"
