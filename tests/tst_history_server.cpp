// The shared history on a real PostgreSQL server, which CTest starts for these tests
// (tests/support/pg-server.sh): uploads, a server that goes away and comes back, and two
// stations at once, a stopped server, a local file that refuses runs or is damaged, and the
// history window over them. Each station keeps its own local file in a temporary folder.
#include "BoxCatcher.h"
#include "DamagedHistory.h"
#include "HistoryDb.h"
#include "HistoryLimits.h"
#include "HistoryLink.h"
#include "HistoryRuns.h"
#include "HistorySettings.h"
#include "HistoryWindow.h"
#include "PgServer.h"
#include "RunKeeper.h"

#include <QFileDialog>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <array>
#include <thread>

using namespace std::chrono_literals;

namespace {

const line::WallTime Monday{1796652201s};
const QString Password = "s3cret-word";
const QString NoServer = "postgresql://qa@127.0.0.1:1/history";
// The version testers before the slot record on a server; the first of them accepts no other.
const int EarlierTestersVersion = 1;
// A run as testers before the slot insert it, naming their columns.
const QString EarlierInsert =
    "INSERT INTO runs (id, serial, operator, station, tester, com, device, address, started, "
    "finished, outcome, failed) VALUES ('e1', 'SN-E', 'Ann', 'bench 0', 'RZM-530 Tester 1.0', "
    "3, '/dev/ttyUSB0', 17, '2026-12-07T14:03:21.000Z', '2026-12-07T14:03:22.000Z', 'pass', '')";

} // namespace

class HistoryServerTest : public QObject {
    Q_OBJECT
    QTemporaryDir data;
    PgServer pg;
    QString url; // a fresh database for each test, the password given as a user would

    std::unique_ptr<HistoryDb> openServer()
    {
        QString error;
        auto db = HistoryDb::openServer(*ServerUrl::parse(url, &error), &error);
        if (!db)
            qWarning() << error;
        return db;
    }

    QString database() const { return url.section('/', -1); }

    // The server as testers before the slot leave it: made, without the column, at their version.
    bool earlierServer()
    {
        return openServer() &&
               pg.run(
                   database(),
                   {"ALTER TABLE runs DROP COLUMN slot",
                    QString("UPDATE schema_version SET version = %1").arg(EarlierTestersVersion)});
    }

    // The server's recorded version and whether runs have a slot, as its owner sees them.
    QPair<int, bool> versionAndSlot()
    {
        QVariant version, slot;
        return pg.run(database(), {"SELECT version FROM schema_version"}, &version) &&
                       pg.run(database(),
                              {"SELECT count(*) FROM information_schema.columns WHERE "
                               "table_name = 'runs' AND column_name = 'slot'"},
                              &slot)
                   ? qMakePair(version.toInt(), slot.toInt() == 1)
                   : qMakePair(-1, false);
    }

    // Waits for the upload that keeping a run started; its outcome.
    static QList<QVariant> synced(RunKeeper &keeper)
    {
        QSignalSpy spy(&keeper, &RunKeeper::synced);
        keeper.waitForSync();
        return spy.isEmpty() ? QList<QVariant>{} : spy.takeLast();
    }

private slots:
    void initTestCase()
    {
        pg.find();
        QVERIFY(data.isValid());
    }

    void init()
    {
        url = pg.freshDatabase(QString("h_%1").arg(QTest::currentTestFunction()).toLower());
        QVERIFY(!url.isEmpty());
    }

    // A run kept while the server is down waits, its trouble said without the password; the
    // next run kept once it is back takes both up, whole, and once however often they are sent.
    void aRunWaitsForTheServerThenGoesUpOnceAndWhole()
    {
        RunKeeper keeper(url, data.filePath("down.sqlite"));
        QVERIFY(PgServer::command("stop"));
        records::RunRecord waiting = historyRun("d1", "SN-8", Monday);
        waiting.slot = "COM 3";
        QCOMPARE(keeper.keep(waiting), QString());
        const QList<QVariant> down = synced(keeper);
        const bool serverBack = PgServer::command("start");
        QCOMPARE(down.mid(0, 2), (QList<QVariant>{0, 1}));
        QVERIFY(!down.value(2).toString().isEmpty() &&
                !down.value(2).toString().contains(Password));
        QCOMPARE(keeper.waitingCount(), 1);
        QVERIFY(serverBack);

        records::RunRecord run = historyRun("u1", "SN-7", Monday + 1s);
        run.slot = "tcp://127.0.0.1:4001";
        QCOMPARE(keeper.keep(run), QString());
        QCOMPARE(synced(keeper), (QList<QVariant>{2, 0, QString()}));
        keeper.sync();
        QCOMPARE(synced(keeper), (QList<QVariant>{0, 0, QString()}));
        const auto db = openServer();
        QVERIFY(db && !db->isLocal());
        QVERIFY(!db->name().contains(Password));
        QString error;
        QVERIFY2(db->store(run, &error), qPrintable(error));
        QCOMPARE(db->count({}), 2);
        for (const records::RunRecord &sent : {waiting, run}) {
            const auto back = db->load(QString::fromStdString(sent.id));
            QVERIFY(back);
            QCOMPARE(describeRun(*back), describeRun(sent));
        }
    }

    void aSerialNumberOfQuotesAndSqlIsText()
    {
        const auto db = openServer();
        QVERIFY(db);
        serialOfQuotesAndSqlIsText(*db);
    }

    // A station's role may read and insert but not create tables (PostgreSQL 15's public
    // schema): it opens a history brought up to date already, slot and all; a read it is
    // refused is said, not empty.
    void aStationsRoleNeitherMigratesNorMistakesARefusal()
    {
        QVERIFY(earlierServer());
        const QString database = this->database();
        QVERIFY(pg.run(database, {"DROP ROLE IF EXISTS station", "CREATE ROLE station LOGIN",
                                  "REVOKE CREATE ON SCHEMA public FROM PUBLIC",
                                  "GRANT SELECT, INSERT ON ALL TABLES IN SCHEMA public TO station",
                                  "REVOKE SELECT ON reports FROM station"}));
        QString error;
        const auto asStation = [&] {
            return HistoryDb::openServer(
                *ServerUrl::parse(
                    QString("postgresql://station@127.0.0.1:%1/%2").arg(pg.port, database),
                    &error),
                &error);
        };
        // Tables an earlier tester left lack a column the role may not add: it says who may.
        QVERIFY(!asStation());
        QVERIFY2(error.contains("open it once as the role that made them"), qPrintable(error));
        QVERIFY(openServer()); // brought up to date by the owner
        const auto db = asStation();
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(db->count({}), 0);
        QVERIFY(db->lastError().isEmpty());
        records::RunRecord run = historyRun("s1", "SN-1", Monday);
        run.slot = "COM 3";
        QVERIFY2(db->store(run, &error), qPrintable(error));
        QCOMPARE(db->runs({}, 1, 0).at(0).slot, "COM 3");
        QVERIFY(!db->reportJson("r1"));
        QVERIFY2(db->lastError().contains("permission denied"), qPrintable(db->lastError()));
    }

    // The slot's column is added to a server an earlier tester left without raising the version
    // it records, so that stations not yet updated go on using it; two stations bringing it up
    // at once take turns, the second finding the column there, and a third opens it as it is.
    void stationsNotYetUpdatedKeepTheServer()
    {
        QVERIFY(earlierServer());
        QCOMPARE(versionAndSlot(), qMakePair(EarlierTestersVersion, false));
        // The migrations' own lock, held until both stations wait for it.
        HeldLock held(pg, database(), "SELECT pg_advisory_xact_lock(530530)");
        QSqlQuery &lock = held.query;
        std::array<QString, 2> said{"not opened", "not opened"};
        const auto station = [&](QString *says) {
            QString error;
            const auto db = HistoryDb::openServer(*ServerUrl::parse(url, &error), &error);
            *says = db ? QString() : error;
        };
        std::thread first(station, &said[0]), second(station, &said[1]);
        // Within the server's lock time-out, after which a waiting station gives up.
        const auto lockWait = std::chrono::milliseconds(historyLimits::ServerAnswer - 500ms);
        const bool bothWait = QTest::qWaitFor(
            [&] {
                return lock.exec("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' "
                                 "AND NOT granted") &&
                       lock.next() && lock.value(0).toInt() == 2;
            },
            int(lockWait.count()));
        lock.exec("COMMIT");
        first.join();
        second.join();
        QVERIFY(bothWait);
        QVERIFY2(said[0].isEmpty() && said[1].isEmpty(), qPrintable(said[0] + " / " + said[1]));

        const auto db = openServer();
        QVERIFY(db);
        QCOMPARE(versionAndSlot(), qMakePair(EarlierTestersVersion, true));
        QVERIFY(pg.run(database(), {EarlierInsert}));
        records::RunRecord run = historyRun("n1", "SN-N", Monday + 1s);
        run.slot = "tcp://127.0.0.1:4001";
        QString error;
        QVERIFY2(db->store(run, &error), qPrintable(error));
        QCOMPARE(describeRun(*db->load("n1")), describeRun(run));
        const std::vector<RunRow> rows = db->runs({}, 10, 0);
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(rows[1].id + "|" + rows[1].slot, "e1|");
    }

    void twoStationsWriteAtOnce()
    {
        RunKeeper first(url, data.filePath("first.sqlite"));
        RunKeeper second(url, data.filePath("second.sqlite"));
        const int each = 25;
        for (int i = 0; i < each; ++i) {
            QCOMPARE(first.keep(historyRun("a" + std::to_string(i), "SN-A", Monday + i * 1s,
                                           procedures::Outcome::Pass, "bench A")),
                     QString());
            QCOMPARE(second.keep(historyRun("b" + std::to_string(i), "SN-B", Monday + i * 1s,
                                            procedures::Outcome::Fail, "bench B")),
                     QString());
        }
        first.waitForSync();
        second.waitForSync();
        QCOMPARE(first.waitingCount() + second.waitingCount(), 0);
        const auto db = openServer();
        QVERIFY(db);
        QCOMPARE(db->count({}), 2 * each);
        RunFilter benchB;
        benchB.station = "bench B";
        QCOMPARE(db->count(benchB), each);
        QCOMPARE(db->yieldRuns({}).size(), std::size_t(2 * each));
    }

    // A run the local file refuses goes to the server alone; what the user is told is what
    // became of it, and a keeper closed meanwhile still sends what only it holds.
    void aRunTheLocalFileRefuses_data()
    {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<QString>("says");
        QTest::newRow("server takes it") << true
                                         << "kept on the history server only (the local "
                                            "file refused it: ";
        QTest::newRow("neither takes it")
            << false << "the run is NOT in the history: the local file refused it (";
    }
    void aRunTheLocalFileRefuses()
    {
        QFETCH(bool, serverUp);
        QFETCH(QString, says);
        const QString path = data.filePath("refusing.sqlite");
        QVERIFY(refusingFile(path));
        auto keeper = std::make_unique<RunKeeper>(serverUp ? url : NoServer, path);
        QSignalSpy sent(keeper.get(), &RunKeeper::sentAlone);
        QVERIFY(keeper->keep(historyRun("a1", "SN-1", Monday))
                    .endsWith("sending it to the "
                              "history server alone"));
        keeper->waitForSync();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].mid(0, 2), (QList<QVariant>{"a1", serverUp}));
        const QString said = sent[0][2].toString();
        QVERIFY2(said.startsWith(says) && said.contains("not a database") &&
                     (serverUp || said.contains("cannot be reached")),
                 qPrintable(said));
        if (!serverUp)
            return;
        QVERIFY(!keeper->keep(historyRun("a2", "SN-1", Monday + 1s)).isEmpty());
        QVERIFY(!keeper->keep(historyRun("a3", "SN-1", Monday + 2s)).isEmpty());
        keeper.reset(); // while a2 goes up, a3 only in memory
        QCOMPARE(openServer()->count({}), 3);
    }

    // A server stopped mid-upload holds the closing window no longer than its bound; the run
    // waits in the local file.
    void closingWhileTheServerIsStopped()
    {
        const QString path = data.filePath("stopped.sqlite");
        QVERIFY(openServer()); // its tables
        HeldLock stopped(pg, database(), "LOCK TABLE runs");
        auto keeper = std::make_unique<RunKeeper>(url, path);
        QCOMPARE(keeper->keep(historyRun("s1", "SN-2", Monday)), QString());
        QVERIFY(stopped.stopTheNext());
        std::atomic<bool> closed{false};
        std::thread resume([&] { // else a keeper that waits would wait for good
            for (int n = 0; n < 150 && !closed; ++n)
                std::this_thread::sleep_for(100ms);
            ::kill(stopped.pid, SIGCONT);
        });
        QElapsedTimer took;
        took.start();
        keeper.reset();
        closed = true;
        const qint64 ms = took.elapsed();
        resume.join();
        QVERIFY2(ms < std::chrono::milliseconds(historyLimits::Closing + 2s).count(),
                 qPrintable(QString::number(ms)));
        QCOMPARE(HistoryDb::openLocal(path, nullptr)
                     ->waitingCount(ServerUrl::parse(url, nullptr)->shown(), false),
                 1);
    }

    // The window over a file damaged in the middle: an export that meets the damage writes no
    // file and names the database; an upload's trouble is worded by its cause.
    void theWindowOverADamagedFile()
    {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
        QVERIFY(damagedHistory(localHistoryPath(), ServerUrl::parse(url, nullptr)->shown()));
        HistoryLink link;
        HistoryWindow window(link);
        window.show();
        const QString csv = home.filePath("runs.csv");
        QTimer answer; // the file dialog, answered from inside its own loop
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                dialog->selectFile(csv);
                static_cast<QDialog *>(dialog)->accept(); // as the Save button does
            }
        });
        answer.start(50);
        BoxCatcher boxes;
        window.findChild<QPushButton *>("export")->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes[0].text.contains("Nothing exported: cannot read the local file " +
                                              localHistoryPath()),
                 qPrintable(boxes.boxes[0].text));
        QVERIFY(!QFile::exists(csv));

        HistorySettings settings = HistorySettings::load();
        settings.server = url;
        settings.save();
        link.settingsChanged();
        const auto *status = window.findChild<QLabel *>("status");
        QTRY_VERIFY(!status->text().contains("reaching"));
        window.findChild<QPushButton *>("sync")->click();
        // Real work, the readable half of 300 runs sent to the server: 1.2 s here, 3 to 8 s under
        // the sanitizers on a busy machine.
        QTRY_VERIFY2_WITH_TIMEOUT(
            status->text().contains(" — some runs cannot be read from the local file: "),
            qPrintable(status->text()), 30000);
        QVERIFY(!status->text().contains("cannot be reached"));
    }
};

QTEST_MAIN(HistoryServerTest)
#include "tst_history_server.moc"
