// The whole tester against the real simulated module over a real
// pseudo-terminal line, with the real QSerialPort backend.
#include "MSComm.h"
#include "SimProcess.h"
#include "Tester.h"

#include <QtTest>

namespace {

// The tester on the simulator's line.
struct LineTester : LoadedTester<MSComm> {
    // One tick, then waits until the whole reply to its request is in: 6 bytes
    // for coils, 27 for registers, four characters each.
    bool tickAnswered()
    {
        window.pollTimer_Timer();
        const int replyBytes = tx().mid(4, 4) == QLatin1String("[01]") ? 6 : 27;
        return QTest::qWaitFor([&] { return rx().size() >= replyBytes * 4; }, 3000);
    }
    // Afterwards the whole display shows the module as it was when they began.
    bool fourTicks()
    {
        return tickAnswered() && tickAnswered() && tickAnswered() && tickAnswered();
    }
    QString analogs() const { return analog(0) + ' ' + analog(1) + ' ' + analog(2); }
};

} // namespace

class SimLineTest : public QObject {
    Q_OBJECT
private slots:
    // Wiring faults lie to the line alone: the simulator's own relays stay as they were set.
    void pollsShowTheSimulatorsImage_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("relays");
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QString>("analogs");
        QTest::addColumn<QByteArray>("simulatorRelays");
        QTest::newRow("as set") << QStringList{"--analog", "1023,512,7", "--inputs",
                                               "1,0,1,1",  "--relays",   "10000001"}
                                << "GRRRRRRG"
                                << "GRGG"
                                << "1023 512 7" << QByteArray("relays 10000001");
        QTest::newRow("wiring faults")
            << QStringList{"--analog",         "700,0,0", "--inputs",         "0,1,0,0",
                           "--stuck-on-relay", "2",       "--shorted-inputs", "2,4",
                           "--analog-follows", "1,3"}
            << "RGRRRRRR"
            << "RGRG"
            << "700 0 700" << QByteArray("relays 00000000");
    }

    void pollsShowTheSimulatorsImage()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, relays);
        QFETCH(QString, inputs);
        QFETCH(QString, analogs);
        QFETCH(QByteArray, simulatorRelays);
        SimProcess sim(options);
        QVERIFY(sim.ready());
        LineTester t;
        QVERIFY(t.fourTicks());
        QCOMPARE(t.lamps("Shape1", 8), relays);
        QCOMPARE(t.lamps("Shape2", 4), inputs);
        QCOMPARE(t.analogs(), analogs);
        sim.command("relays");
        QVERIFY(sim.waitForLine(simulatorRelays));
    }

    void simulatorGoneLeavesTheTesterRunningUntilTheFieldIsRetyped()
    {
        auto sim = std::make_unique<SimProcess>(QStringList{"--analog", "100,200,300"});
        QVERIFY(sim->ready());
        LineTester t;
        QVERIFY(t.fourTicks());

        sim->process.kill(); // its end of the line closes with it
        QVERIFY(QTest::qWaitFor([&] { return !t.comm.PortOpen(); }, 3000));
        QVERIFY(t.field("txtPort")->toolTip().contains("lost"));
        t.window.pollTimer_Timer();
        QCOMPARE(t.analogs(), "100 200 300"); // the last good data stays

        sim.reset();
        sim = std::make_unique<SimProcess>(QStringList{"--analog", "555,200,300"});
        QVERIFY(sim->ready());
        t.type("txtPort", "1");
        QVERIFY(t.fourTicks());
        QCOMPARE(t.analogs(), "555 200 300");
    }
};

QTEST_MAIN(SimLineTest)
#include "tst_sim_line.moc"
