// The whole tester against the real simulated module over a real
// pseudo-terminal line, with the real QSerialPort backend.
#include "ComPortNames.h"
#include "MSComm.h"
#include "SimProcess.h"
#include "WindowProbe.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

namespace {

constexpr int CoilReplyBytes = 6, RegisterReplyBytes = 27, WriteEchoBytes = 8;

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The tester window on a real port, its poll timer ticked by hand.
struct LineTester : WindowProbe {
    MSComm comm;
    frmMain window{comm};

    explicit LineTester(const QString &dir) : WindowProbe(window)
    {
        qputenv(ComPortNames::DirVariable, dir.toLocal8Bit());
        pollTimer()->stop();
        window.Form_Load();
    }
    ~LineTester() { qunsetenv(ComPortNames::DirVariable); }

    // One tick, then waits until the whole reply to its request is in (four
    // characters a byte).
    bool tickAnswered()
    {
        window.pollTimer_Timer();
        const bool readsCoils = tx().mid(4, 4) == QLatin1String("[01]");
        const int replyBytes = readsCoils ? CoilReplyBytes : RegisterReplyBytes;
        return QTest::qWaitFor([&] { return rx().size() >= replyBytes * 4; }, 3000);
    }
    // Four ticks: afterwards every part of the display shows the module's data
    // as it was when the cycle began.
    bool fullCycle()
    {
        for (int tick = 0; tick < 4; ++tick)
            if (!tickAnswered())
                return false;
        return true;
    }
};

} // namespace

class SimLineTest : public QObject {
    Q_OBJECT
private slots:
    void pollsShowTheSimulatorsImage()
    {
        QTemporaryDir dir;
        SimProcess sim(dir.path(),
                       {"--analog", "1023,512,7", "--inputs", "1,0,1,1", "--relays", "10000001"});
        QVERIFY(sim.ready());
        LineTester t(dir.path());
        QVERIFY(t.comm.PortOpen());

        QVERIFY(t.tickAnswered());                                     // coils
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RRRRRRRR")); // not shown yet
        QVERIFY(t.tickAnswered());                                     // registers
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("GRRRRRRG"));
        QVERIFY(t.tickAnswered());
        QCOMPARE(t.analog(0), QStringLiteral("1023"));
        QCOMPARE(t.analog(1), QStringLiteral("512"));
        QCOMPARE(t.analog(2), QStringLiteral("7"));
        QCOMPARE(t.shape("Shape4", 0)->width(), 177);
        QCOMPARE(t.shape("Shape4", 1)->width(), 89);
        QCOMPARE(t.lamps("Shape2", 1, 4), QStringLiteral("GRGG"));

        QVERIFY(sim.command(QStringLiteral("analog 2 0")));
        QVERIFY(sim.command(QStringLiteral("input 2 1")));
        QVERIFY(t.fullCycle());
        QCOMPARE(t.analog(1), QStringLiteral("0"));
        QCOMPARE(t.lamps("Shape2", 1, 4), QStringLiteral("GGGG"));
    }

    void buttonsSwitchTheSimulatorsRelays()
    {
        QTemporaryDir dir;
        SimProcess sim(dir.path());
        QVERIFY(sim.ready());
        LineTester t(dir.path());

        // Each write is echoed; the next click waits for the echo, so that it
        // cannot land in the RX box after the next request cleared it.
        const auto clickEchoed = [&](const char *button, int row, const char *relays) {
            t.click(button, row);
            return sim.waitForLine(QLatin1String(relays)) &&
                   QTest::qWaitFor([&] { return t.rx().size() >= WriteEchoBytes * 4; }, 3000);
        };
        QVERIFY(clickEchoed("btnON", 3, "relays 00100000"));
        QVERIFY(clickEchoed("btnON", 8, "relays 00100001"));
        QVERIFY(clickEchoed("btnOFF", 3, "relays 00000001"));

        // The All row goes out as a broadcast, whatever the address field says.
        QTest::keyClick(t.field(QStringLiteral("txtAddr")), Qt::Key_5);
        t.click("btnON", 0);
        QVERIFY(sim.waitForLine(QStringLiteral("relays 11111111")));
        t.click("btnOFF", 0);
        QVERIFY(sim.waitForLine(QStringLiteral("relays 00000000")));
        QTest::qWait(200);
        QCOMPARE(t.rx(), QString()); // a broadcast is never answered
    }

    void faultsLeaveTheLastGoodData_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("corrupt CRC") << "fault crc";
        QTest::newRow("silent") << "fault silent";
        QTest::newRow("exception") << "fault exception";
    }

    void faultsLeaveTheLastGoodData()
    {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        SimProcess sim(dir.path(), {"--analog", "100,200,300", "--relays", "11000000"});
        QVERIFY(sim.ready());
        LineTester t(dir.path());
        QVERIFY(t.fullCycle());
        QCOMPARE(t.analog(0), QStringLiteral("100"));

        QVERIFY(sim.command(fault));
        QVERIFY(sim.command(QStringLiteral("analog 1 900")));
        QVERIFY(sim.command(QStringLiteral("relay 8 1")));
        for (int tick = 0; tick < 4; ++tick) {
            t.window.pollTimer_Timer();
            QTest::qWait(150); // whatever comes back in that time
        }
        QCOMPARE(t.analog(0), QStringLiteral("100"));
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("GGRRRRRR"));
        QVERIFY(t.window.isEnabled());

        QVERIFY(sim.command(QStringLiteral("fault none")));
        QVERIFY(t.fullCycle());
        QCOMPARE(t.analog(0), QStringLiteral("900"));
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("GGRRRRRG"));
    }

    // Replies later than the next tick belong to no pending request.
    void lateRepliesAreDropped()
    {
        QTemporaryDir dir;
        SimProcess sim(dir.path(), {"--analog", "100,200,300"});
        QVERIFY(sim.ready());
        LineTester t(dir.path());
        QVERIFY(t.fullCycle());
        // Each reply lands halfway between the next two ticks.
        QVERIFY(sim.command(QStringLiteral("fault late 750")));
        QVERIFY(sim.command(QStringLiteral("analog 1 900")));
        for (int tick = 0; tick < 6; ++tick) {
            t.window.pollTimer_Timer();
            QTest::qWait(500);
        }
        QVERIFY(!t.rx().isEmpty()); // the bytes still arrive
        QCOMPARE(t.analog(0), QStringLiteral("100"));
    }

    void noiseBeforeRepliesIsSkipped()
    {
        QTemporaryDir dir;
        SimProcess sim(dir.path(), {"--noise", "--analog", "100,200,300"});
        QVERIFY(sim.ready());
        LineTester t(dir.path());
        QVERIFY(t.fullCycle());
        QCOMPARE(t.analog(2), QStringLiteral("300"));
        QVERIFY(t.rx().startsWith(QStringLiteral("[FF][AA][FE]")));
    }

    void simulatorKilledMidRunLeavesTheTesterAliveAndIdle()
    {
        QTemporaryDir dir;
        auto sim = std::make_unique<SimProcess>(dir.path(), QStringList{"--analog", "100,200,300"});
        QVERIFY(sim->ready());
        LineTester t(dir.path());
        QVERIFY(t.fullCycle());

        sim->kill(); // its end of the line closes with it
        QVERIFY(QTest::qWaitFor([&] { return !t.comm.PortOpen(); }, 3000));
        t.pollTimer()->start(); // the program runs on as usual

        const double before = processCpuSeconds();
        QTest::qWait(2000);
        const double used = processCpuSeconds() - before;
        QVERIFY2(used < 0.3, qPrintable(QStringLiteral("%1 s of CPU in 2 s").arg(used)));
        QVERIFY(!t.comm.PortOpen());
        QCOMPARE(t.analog(0), QStringLiteral("100")); // last good data stays
        t.pollTimer()->stop();

        // The simulator comes back; retyping the COM Port field reopens the line.
        sim = std::make_unique<SimProcess>(dir.path(), QStringList{"--analog", "555,200,300"});
        QVERIFY(sim->ready());
        t.type(QStringLiteral("txtPort"), QStringLiteral("1"));
        QVERIFY(t.comm.PortOpen());
        QVERIFY(t.fullCycle());
        QCOMPARE(t.analog(0), QStringLiteral("555"));
    }

    void simulatorRemovesItsLinkWhenTerminated()
    {
        QTemporaryDir dir;
        SimProcess sim(dir.path(), {"--com", "7"});
        QVERIFY(sim.ready());
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("COM7"))).isSymLink());
        sim.terminate();
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("COM7"))).isSymLink());
    }
};

QTEST_MAIN(SimLineTest)
#include "tst_sim_line.moc"
