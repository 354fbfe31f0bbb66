// Requests take turns on a two-wire line: against the real simulated module,
// which drops a request that comes while its reply is due, and the reply with it.
#include "CsvLog.h"
#include "FileText.h"
#include "MSComm.h"
#include "SimProcess.h"
#include "Tester.h"

#include <QtTest>

#include <csignal>

namespace {

QList<QByteArray> rowsOf(const QString &path)
{
    QList<QByteArray> rows = fileBytes(path).split('\n');
    rows.removeAll(QByteArray());
    return rows.mid(1); // the header
}

} // namespace

class LineTurnsTest : public QObject {
    Q_OBJECT
private slots:
    // A module that answers in 45 ms, and each click made 20 ms after a poll
    // went out, while its reply is due: the click waits for the reply, every
    // click reaches the module in order, and nothing is judged amiss.
    void clicksTimedIntoPollRepliesAllReachTheModule()
    {
        SimProcess sim({"--late", "45"});
        QVERIFY(sim.ready());
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("line.csv"));
        CsvLog log(logPath);
        QVERIFY(log.open());
        Tester<MSComm> t;
        log.follow(t.session.tap());
        t.window.Form_Load();

        QByteArray relays(8, '0');
        for (int i = 0; i < 16; ++i) {
            t.window.pollTimer_Timer();
            QTest::qWait(20);
            const int relay = i * 3 % 8 + 1; // not in order, so that order shows
            const bool on = i < 8;
            t.click(on ? "btnON" : "btnOFF", relay);
            relays[relay - 1] = on ? '1' : '0';
            QVERIFY2(sim.waitForLine("relays " + relays), relays.constData());
        }
        // Three clicks at once behind a reply: they wait, and go out in order.
        t.window.pollTimer_Timer();
        QTest::qWait(20);
        t.click("btnON", 2);
        t.click("btnOFF", 2);
        t.click("btnON", 5);
        for (const char *pattern : {"relays 01000000", "relays 00000000", "relays 00001000"})
            QVERIFY2(sim.waitForLine(pattern), pattern);
        QTRY_VERIFY(t.session.arbiter().lineFree());
        t.session.tap().monitor().closeNow();

        QVERIFY(sim.command("collisions", "collisions 0"));
        const line::Health &health = t.session.tap().monitor().health();
        // Every click, and the polls a click did not overtake, all answered well.
        QVERIFY(health.requests >= 19);
        QCOMPARE(health.good, health.requests);
        const QList<QByteArray> rows = rowsOf(logPath);
        QCOMPARE(std::uint64_t(rows.size()), health.requests);
        for (const QByteArray &row : rows)
            QVERIFY2(row.contains(",OK,"), row.constData());
    }

    // SIGTERM, and SIGHUP when the session that started it goes, end the window program as
    // closing the window does: the transaction still open is written to the log.
    void aSignalLosesNothingFromTheLog_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void aSignalLosesNothingFromTheLog()
    {
        QFETCH(int, signal);
        SimProcess sim({"--silent"}); // every poll stays open for the whole reply window
        QVERIFY(sim.ready());
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("line.csv"));
        QProcess tester;
        tester.start(QStringLiteral(RZM530_TESTER_PATH), {"--log", logPath});
        QVERIFY(tester.waitForStarted());
        // A row is written as one poll times out and the next goes out.
        QVERIFY(QTest::qWaitFor([&] { return rowsOf(logPath).size() == 1; }, 5000));
        QTest::qWait(300);
        ::kill(pid_t(tester.processId()), signal);
        QVERIFY(tester.waitForFinished(5000));
        QCOMPARE(tester.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tester.exitCode(), 0);
        const QList<QByteArray> rows = rowsOf(logPath);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[1].contains(",01 03 00 00 00 0B 04 0D,"), rows[1].constData());
    }
};

QTEST_MAIN(LineTurnsTest)
#include "tst_line_turns.moc"
