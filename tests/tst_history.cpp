// The local history: a real SQLite file in a temporary data folder, written and read back
// through the same code the tester and the console use.
#include "HistoryDb.h"
#include "HistoryRuns.h"
#include "HistorySettings.h"
#include "RunCsv.h"
#include "StdStringCompare.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <thread>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(RunFilter)

namespace {

// 2026-12-07 14:03:21 UTC.
const line::WallTime Monday{1796652201s};

QString q(const std::string &s)
{
    return QString::fromStdString(s);
}

QStringList ids(const std::vector<RunRow> &rows)
{
    QStringList out;
    for (const RunRow &r : rows)
        out << r.id;
    return out;
}

// The statements run on the local file through a connection of its own, as another program's;
// what the last one read first, or none when one failed.
std::optional<QVariant> onTheFile(const QStringList &statements)
{
    std::optional<QVariant> read;
    {
        QSqlDatabase file = QSqlDatabase::addDatabase("QSQLITE", "other");
        file.setDatabaseName(localHistoryPath());
        QSqlQuery query(file);
        bool done = file.open();
        for (const QString &sql : statements)
            done = done && query.exec(sql);
        if (done)
            read = query.next() ? query.value(0) : QVariant();
    }
    QSqlDatabase::removeDatabase("other");
    return read;
}

} // namespace

class HistoryTest : public QObject {
    Q_OBJECT
    QTemporaryDir data;
    std::unique_ptr<HistoryDb> db;

private slots:
    void initTestCase()
    {
        QVERIFY(data.isValid());
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        qputenv("TZ", "CET-1");
        tzset();
        QCoreApplication::setOrganizationName("rzm530");
        QCoreApplication::setApplicationName("rzm530-history-test");
    }

    void init()
    {
        QFile::remove(localHistoryPath());
        QString error;
        db = HistoryDb::openLocal(localHistoryPath(), &error);
        QVERIFY2(db, qPrintable(error));
    }

    void cleanup() { db.reset(); }

    void theFileIsInTheDataFolderWithAWriteAheadLog()
    {
        QCOMPARE(localHistoryPath(), data.path() + "/rzm530/rzm530-history-test/history.sqlite");
        QCOMPARE(onTheFile({"PRAGMA journal_mode"}).value_or(QVariant()).toString(), "wal");
    }

    void aRunIsStoredWholeAndOnce()
    {
        records::RunRecord run = historyRun("a1", "SN-0042", Monday);
        run.slot = "tcp://127.0.0.1:4001";
        QString error;
        QVERIFY2(db->store(run, &error), qPrintable(error));
        QVERIFY2(db->store(run, &error), qPrintable(error));
        QCOMPARE(db->count({}), 1);
        QCOMPARE(db->waitingIds({}, true), std::vector<QString>{"a1"});

        const auto back = db->load("a1");
        QVERIFY(back);
        QCOMPARE(describeRun(*back), describeRun(run));
        QVERIFY2(describeRun(run).startsWith("a1|SN-0042|O'Neil|bench 1|" + q(run.tester) +
                                             "|/dev/ttyUSB0|tcp://127.0.0.1:4001|relay 3 stuck "
                                             "on, digital input 2|3|17|1796652201000|"
                                             "1796652201030|fail\n"),
                 qPrintable(describeRun(run)));
        QCOMPARE(run.steps.size(), std::size_t(4));
        QCOMPARE(q(back->measurements[3].name), "response time mean");
        QCOMPARE(*back->measurements[3].value, 5.25);
        QCOMPARE(q(back->measurements[7].name + " " + back->measurements[7].result),
                 "relay 3 read-back fail");

        const std::vector<RunRow> rows = db->runs({}, 1, 0);
        QCOMPARE(rows.at(0).slot, "tcp://127.0.0.1:4001");
        QVERIFY(runCsvRow(rows.at(0)).endsWith(",a1,tcp://127.0.0.1:4001\n"));

        QVERIFY(db->markUploaded("a1", &error));
        QCOMPARE(db->waitingCount({}, true), 0);
    }

    // A file an earlier version kept, before runs had a slot: its runs are kept, on the tester's
    // one port, and still wait for their server.
    void aFileOfTheVersionBeforeSlotsIsUpgraded()
    {
        const records::RunRecord old = historyRun("o1", "SN-7", Monday);
        QString error;
        QVERIFY2(db->store(old, &error, "postgresql://qa@db:5432/h"), qPrintable(error));
        db.reset();
        QVERIFY(onTheFile(
            {"ALTER TABLE runs DROP COLUMN slot", "UPDATE schema_version SET version = 2"}));

        db = HistoryDb::openLocal(localHistoryPath(), &error);
        QVERIFY2(db, qPrintable(error));
        const auto back = db->load("o1");
        QVERIFY2(back, qPrintable(db->lastError()));
        QCOMPARE(describeRun(*back), describeRun(old));
        QCOMPARE(db->runs({}, 1, 0).at(0).slot, QString(""));
        QCOMPARE(db->waitingIds("postgresql://qa@db:5432/h", false), std::vector<QString>{"o1"});
        records::RunRecord slotted = historyRun("o2", "SN-8", Monday + 1s);
        slotted.slot = "COM 3";
        QVERIFY2(db->store(slotted, &error), qPrintable(error));
        QCOMPARE(describeRun(*db->load("o2")), describeRun(slotted));
    }

    // Two programs keeping their first runs at once on a file neither has made: both kept.
    void twoFirstRunsAtOnceOnANewFile()
    {
        for (int pair = 0; pair < 50; ++pair) {
            const QString path = data.filePath(QString("pair-%1.sqlite").arg(pair));
            std::atomic<int> kept{0}, ready{0};
            const auto keep = [&](const std::string &id) {
                for (++ready; ready < 2;) // as close together as two threads start
                    std::this_thread::yield();
                QString why;
                const auto own = HistoryDb::openLocal(path, &why);
                if (own && own->store(historyRun(id, "SN", Monday), &why))
                    ++kept;
                else
                    qWarning() << why;
            };
            std::thread first(keep, "a"), second(keep, "b");
            first.join();
            second.join();
            QCOMPARE(kept.load(), 2);
        }
    }

    // Runs kept while an export reads its pages never bring a row back a second time.
    void anExportListsEachRunOnce()
    {
        for (int n = 0; n < 5; ++n)
            QVERIFY(db->store(historyRun("r" + std::to_string(n), "SN", Monday + n * 1s), nullptr));
        QStringList seen;
        forEachRun(
            *db, {},
            [&](const RunRow &row) {
                seen << row.id;
                db->store(historyRun("new " + row.id.toStdString(), "SN", Monday + 1h), nullptr);
            },
            2);
        QCOMPARE(seen, (QStringList{"r4", "r3", "r2", "r1", "r0"}));
    }

    // A relay step stopped part way cannot tell which relays it reached: none is recorded as
    // sound, while the relay it found faulty stays failed.
    void aRelayStepCutShortPassesNoRelay()
    {
        procedures::SelfTestReport report;
        report.step(procedures::StepId::Relays).result = procedures::StepResult::Cancelled;
        report.relays.failed[1] = true;
        const records::RunRecord run = records::runRecord(
            report, {}, [](line::Time) { return Monday; }, "bench 1", "c1", Monday);
        QStringList results;
        for (const records::Measurement &m : run.measurements)
            results << q(m.result);
        QCOMPARE(results.join(' '),
                 QString("%1 fail %1 %1 %1 %1 %1 %1 %1")
                     .arg(procedures::resultWord(procedures::StepResult::Cancelled)));
    }

    void aSerialNumberOfQuotesAndSqlIsText() { serialOfQuotesAndSqlIsText(*db); }

    void filters_data()
    {
        QTest::addColumn<RunFilter>("filter");
        QTest::addColumn<QStringList>("newestFirst");
        const auto with = [](auto set) {
            RunFilter f;
            set(f);
            return f;
        };
        QTest::newRow("none") << RunFilter{} << QStringList{"r5", "r4", "r3", "r2", "r1"};
        QTest::newRow("part of a serial, any case")
            << with([](RunFilter &f) { f.serial = "sn-1"; }) << QStringList{"r4", "r1"};
        QTest::newRow("outcome") << with([](RunFilter &f) {
            f.outcome = procedures::Outcome::Pass;
        }) << QStringList{"r5", "r2"};
        QTest::newRow("operator exactly") << with([](RunFilter &f) { f.operatorName = "O'Neil"; })
                                          << QStringList{"r5", "r4", "r3", "r2", "r1"};
        QTest::newRow("station") << with([](RunFilter &f) { f.station = "bench 2"; })
                                 << QStringList{"r3"};
        // r3 at 23:30 UTC is the next local day, an hour east of UTC.
        QTest::newRow("one local day")
            << with([](RunFilter &f) { f.since = f.until = QDate(2026, 12, 8); })
            << QStringList{"r4", "r3"};
        QTest::newRow("since") << with([](RunFilter &f) { f.since = QDate(2026, 12, 9); })
                               << QStringList{"r5"};
        QTest::newRow("serial and outcome") << with([](RunFilter &f) {
            f.serial = "SN-1";
            f.outcome = procedures::Outcome::Fail;
        }) << QStringList{"r4", "r1"};
    }

    void filters()
    {
        QFETCH(RunFilter, filter);
        QFETCH(QStringList, newestFirst);
        const struct {
            const char *id, *serial;
            line::WallTime at;
            procedures::Outcome outcome;
            const char *station;
        } runs[] = {
            {"r1", "SN-10", Monday, procedures::Outcome::Fail, "bench 1"},
            {"r2", "XY-20", Monday + 1h, procedures::Outcome::Pass, "bench 1"},
            {"r3", "XY-21", Monday + 9h + 27min, procedures::Outcome::Error, "bench 2"},
            {"r4", "sn-11", Monday + 24h, procedures::Outcome::Fail, "bench 1"},
            {"r5", "XY-22", Monday + 48h, procedures::Outcome::Pass, "bench 1"},
        };
        QString error;
        for (const auto &r : runs)
            QVERIFY2(db->store(historyRun(r.id, r.serial, r.at, r.outcome, r.station), &error),
                     qPrintable(error));
        QCOMPARE(ids(db->runs(filter, 10, 0)), newestFirst);
        QCOMPARE(db->count(filter), newestFirst.size());
        QCOMPARE(int(db->yieldRuns(filter).size()), newestFirst.size());
        QCOMPARE(ids(db->runs(filter, 2, 1)), newestFirst.mid(1, 2));
    }
};

QTEST_GUILESS_MAIN(HistoryTest)
#include "tst_history.moc"
