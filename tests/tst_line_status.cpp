// The link status and the line monitor against the real simulated module: each
// of its faults shows as its verdict, and the monitor holds the traffic. Over
// TCP too, with bare servers on 127.0.0.1 for a connection refused, a gateway
// that answers in Modbus TCP and a server that drops.
#include "BareServer.h"
#include "BoxCatcher.h"
#include "Frames.h"
#include "Mbap.h"
#include "PortComm.h"
#include "SimProcess.h"
#include "Tester.h"
#include "TrafficModel.h"

#include <QLabel>
#include <QTableView>
#include <QtTest>

class LineStatusTest : public QObject {
    Q_OBJECT
private slots:
    // GATEWAY: instead of the simulator's server, one that answers in Modbus TCP, which is named.
    void eachFaultShowsItsVerdict_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("status");
        QTest::newRow("healthy") << QStringList{} << "OK [0-9]+ ms";
        QTest::newRow("silent") << QStringList{"--silent"} << "No reply";
        QTest::newRow("corrupt CRC") << QStringList{"--corrupt-crc"} << "CRC error";
        QTest::newRow("exception") << QStringList{"--exception"} << "Exception 4";
        QTest::newRow("another address") << QStringList{"--other-address", "9"} << "Wrong address";
        QTest::newRow("cut short") << QStringList{"--cut-short"} << "Garbled";
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
};

QTEST_MAIN(LineStatusTest)
#include "tst_line_status.moc"
