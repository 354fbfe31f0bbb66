// The shared history on a real PostgreSQL server, which CTest starts for these tests
// (tests/support/pg-server.sh): uploads, a server that goes away and comes back, and two
// stations at once. Each station keeps its own local file in a temporary folder.
#include "HistoryDb.h"
#include "HistoryRuns.h"
#include "PgServer.h"
#include "RunKeeper.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

const line::WallTime Monday{1796652201s};
const QString Password = "s3cret-word";

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

    void aRunGoesUpOnceAndWholeHowOftenItIsSent()
    {
        RunKeeper keeper(url, data.filePath("one.sqlite"));
        const line::RunRecord run = historyRun("u1", "SN-7", Monday);
        QCOMPARE(keeper.keep(run), QString());
        QCOMPARE(synced(keeper), (QList<QVariant>{1, 0, QString()}));
        const auto db = openServer();
        QVERIFY(db && !db->isLocal());
        QVERIFY(!db->name().contains(Password));
        QString error;
        QVERIFY2(db->store(run, &error), qPrintable(error));
        QCOMPARE(db->count({}), 1);
        const auto back = db->load("u1");
        QVERIFY(back);
        QCOMPARE(describeRun(*back), describeRun(run));
    }

    void aRunWaitsWhileTheServerIsDown()
    {
        RunKeeper keeper(url, data.filePath("down.sqlite"));
        QVERIFY(PgServer::command("stop"));
        QCOMPARE(keeper.keep(historyRun("d1", "SN-8", Monday)), QString());
        const QList<QVariant> down = synced(keeper);
        const bool serverBack = PgServer::command("start");
        QCOMPARE(down.mid(0, 2), (QList<QVariant>{0, 1}));
        QVERIFY(!down.value(2).toString().isEmpty() &&
                !down.value(2).toString().contains(Password));
        QCOMPARE(keeper.waitingCount(), 1);
        QVERIFY(serverBack);

        keeper.sync();
        QCOMPARE(synced(keeper), (QList<QVariant>{1, 0, QString()}));
        keeper.sync();
        QCOMPARE(synced(keeper), (QList<QVariant>{0, 0, QString()}));
        const auto db = openServer();
        QVERIFY(db);
        QCOMPARE(db->count({}), 1);
    }

    void aSerialNumberOfQuotesAndSqlIsText()
    {
        const auto db = openServer();
        QVERIFY(db);
        serialOfQuotesAndSqlIsText(*db);
    }

    // A station's role may read and insert but not create tables (PostgreSQL 15's public
    // schema): it opens a history made already; a read it is refused is said, not empty.
    void aStationsRoleNeitherMigratesNorMistakesARefusal()
    {
        QVERIFY(openServer()); // made by the owner
        const QString database = url.section('/', -1);
        QVERIFY(pg.run(database, {"DROP ROLE IF EXISTS station", "CREATE ROLE station LOGIN",
                                  "REVOKE CREATE ON SCHEMA public FROM PUBLIC",
                                  "GRANT SELECT, INSERT ON ALL TABLES IN SCHEMA public TO station",
                                  "REVOKE SELECT ON reports FROM station"}));
        QString error;
        const auto db = HistoryDb::openServer(
            *ServerUrl::parse(
                QString("postgresql://station@127.0.0.1:%1/%2").arg(pg.port, database), &error),
            &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(db->count({}), 0);
        QVERIFY(db->lastError().isEmpty());
        QVERIFY(!db->reportJson("r1"));
        QVERIFY2(db->lastError().contains("permission denied"), qPrintable(db->lastError()));
    }

    void twoStationsWriteAtOnce()
    {
        RunKeeper first(url, data.filePath("first.sqlite"));
        RunKeeper second(url, data.filePath("second.sqlite"));
        const int each = 25;
        for (int i = 0; i < each; ++i) {
            QCOMPARE(first.keep(historyRun("a" + std::to_string(i), "SN-A", Monday + i * 1s,
                                           line::Outcome::Pass, "bench A")),
                     QString());
            QCOMPARE(second.keep(historyRun("b" + std::to_string(i), "SN-B", Monday + i * 1s,
                                            line::Outcome::Fail, "bench B")),
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
};

QTEST_GUILESS_MAIN(HistoryServerTest)
#include "tst_history_server.moc"
