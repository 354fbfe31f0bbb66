// The link status and the line monitor against the real simulated module: each
// of its faults shows as its verdict, and the monitor holds the traffic. Over
// TCP too, with bare servers on 127.0.0.1 for a connection refused, a gateway
// that answers in Modbus TCP and a server that drops. Requests take turns on the
// two-wire line, where the simulator drops a request that comes while its reply
// is due, and the reply with it.
#include "BareServer.h"
#include "BoxCatcher.h"
#include "FileText.h"
#include "Frames.h"
#include "MSComm.h"
#include "Mbap.h"
#include "PortComm.h"
#include "SimProcess.h"
#include "Tester.h"
#include "TrafficModel.h"

#include <QLabel>
#include <QTableView>
#include <QtTest>

#include <csignal>

namespace {

// The rows of a CSV log, its header aside.
QList<QByteArray> rowsOf(const QString &path)
{
    QList<QByteArray> rows = fileBytes(path).split('\n');
    rows.removeAll(QByteArray());
    return rows.mid(1);
}

} // namespace

class LineStatusTest : public QObject {
    Q_OBJECT
private slots:
    // GATEWAY: instead of the simulator's server, one that answers in Modbus TCP, which is named.
    // Every verdict from its bytes is the line vectors' (windows_check_native); the simulator's
    // faults each make their bytes in tst_sim_faults.
    void eachFaultShowsItsVerdict_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("status");
        QTest::newRow("healthy") << QStringList{} << "OK [0-9]+ ms";
        QTest::newRow("silent") << QStringList{"--silent"} << "No reply";
        QTest::newRow("noise first") << QStringList{"--noise"} << "Garbled";
        QTest::newRow("over TCP") << QStringList{"--tcp", "0"} << "OK [0-9]+ ms";
        QTest::newRow("server that never answers")
            << QStringList{"--tcp", "0", "--silent"} << "No reply";
        QTest::newRow("Modbus TCP gateway") << QStringList{"GATEWAY"} << "Garbled";
    }

    void eachFaultShowsItsVerdict()
    {
        QFETCH(QStringList, fault);
        QFETCH(QString, status);
        const bool gateway = fault.removeAll("GATEWAY") > 0;
        SimProcess sim(fault);
        QVERIFY(sim.ready());
        BareServer gatewayServer(Frames::hex("00 01 00 00 00 04 01 01 01 85")); // MBAP, no CRC
        LoadedTester<PortComm> t;
        if (gateway || fault.contains("--tcp")) {
            QVERIFY(gateway ? mapCom(5, gatewayServer.url()) : sim.mapServer(5));
            QVERIFY(t.typePort(5));
        }
        auto *label = t.child<QLabel>(QStringLiteral("lblStatus"));
        QCOMPARE(label->text(), QString());

        t.window.pollTimer_Timer();
        const QRegularExpression expected(QStringLiteral("^%1$").arg(status));
        QTRY_VERIFY2_WITH_TIMEOUT(expected.match(label->text()).hasMatch(),
                                  qPrintable(label->text()), 2000);
        QVERIFY(t.comm.PortOpen());
        QCOMPARE(label->toolTip().startsWith(line::ModbusTcpWords), gateway);

        // The status opens the monitor, which shows the transaction.
        QTest::mouseClick(label, Qt::LeftButton);
        QWidget *shown = shownWindow("RZM-530 Line Monitor");
        QVERIFY(shown);
        const QAbstractItemModel *traffic =
            shown->findChild<QTableView *>(QStringLiteral("traffic"))->model();
        QCOMPARE(traffic->rowCount(), 1);
        QCOMPARE(traffic->index(0, 1).data().toString(), QStringLiteral("poll"));
        QCOMPARE(traffic->index(0, 2).data().toString(), QStringLiteral("01 01 00 00 00 08 3D CC"));
        QVERIFY(label->text().startsWith(traffic->index(0, 4).data().toString()));
        const QString meaning =
            traffic->index(0, TrafficModel::Meaning).data(Qt::ToolTipRole).toString();
        QCOMPARE(meaning.endsWith(line::ModbusTcpWords), gateway);
    }

    // The box waits for the connection to fail: the keystroke returns at once.
    void refusedConnectionShowsTheBoxWhenItFails()
    {
        SimProcess sim; // for its port map
        QVERIFY(sim.ready());
        const QString refusing = refusedUrl();
        QVERIFY(mapCom(6, refusing));
        Tester<PortComm> t;
        BoxCatcher boxes;
        t.type("txtPort", "6");
        QVERIFY(t.comm.opening());
        QVERIFY(boxes.boxes.isEmpty());
        QTRY_COMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, "Unable to open Com Port 6");
        QCOMPARE(boxes.boxes[0].details, refusing + ": connection refused");
        QCOMPARE(t.field("txtPort")->toolTip(),
                 QStringLiteral("COM 6: %1 (not open: connection refused)").arg(refusing));
        QCOMPARE(t.child<QLabel>("lblStatus")->text(), "Port closed");
    }

    // "Unexpected response" waits inside the receive event, not inside a signal of the socket,
    // which would hold back the socket's next signals and could not outlive the socket: the
    // line is still heard while the box is open, and the server may drop, and the socket go,
    // while it is open or after it has closed.
    void serverDropsAroundTheBox_data()
    {
        QTest::addColumn<bool>("whileOpen");
        QTest::newRow("while the box is open") << true;
        QTest::newRow("after it closed") << false;
    }
    void serverDropsAroundTheBox()
    {
        QFETCH(bool, whileOpen);
        SimProcess sim; // for its port map
        QVERIFY(sim.ready());
        BareServer server(Frames::withCrc(Frames::hex("01 01 02 00 00"))); // two bytes of coils
        QVERIFY(mapCom(5, server.url()));
        Tester<PortComm> t;
        QVERIFY(t.typePort(5));
        BoxCatcher boxes;
        bool heard = false, lostWhileOpen = false;
        boxes.whileOpen = [&] {
            QSignalSpy received(&t.session, &LineSession::received);
            server.say(Frames::hex("00"));
            heard = received.wait(2000);
            if (whileOpen)
                server.drop();
            lostWhileOpen = QTest::qWaitFor([&] { return !t.comm.PortOpen(); }, 300);
        };
        t.window.pollTimer_Timer();
        QTRY_COMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, "Unexpected response");
        QVERIFY(heard);
        QCOMPARE(lostWhileOpen, whileOpen);
        server.drop();
        QTRY_COMPARE(t.child<QLabel>(QStringLiteral("lblStatus"))->text(), "Port closed");
    }

    // A module that answers in 45 ms, and each click made 20 ms after a poll
    // went out, while its reply is due: the click waits for the reply, every
    // click reaches the module in order, and nothing is judged amiss.
    void clicksTimedIntoPollRepliesAllReachTheModule()
    {
        SimProcess sim({"--late", "45"});
        QVERIFY(sim.ready());
        LoadedTester<MSComm> t;

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

QTEST_MAIN(LineStatusTest)
#include "tst_line_status.moc"
