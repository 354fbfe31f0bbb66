// The whole tester against the real simulated module over a real
// pseudo-terminal line, with the real QSerialPort backend, and over TCP on
// 127.0.0.1 through COM 5 mapped to the simulator as a serial device server.
#include "FileText.h"
#include "PortComm.h"
#include "SimProcess.h"
#include "Tester.h"
#include "TrendWindow.h"

#include <QAction>
#include <QLabel>
#include <QtTest>

namespace {

constexpr int ServerPort = 5;

// The tester on the simulator's line: COM 1, or the server's number typed in.
struct LineTester : LoadedTester<PortComm> {
    LineTester(SimProcess &sim, bool tcp)
    {
        if (tcp && sim.mapServer(ServerPort))
            typePort(ServerPort);
    }

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
    static void eachLine()
    {
        QTest::addColumn<bool>("tcp");
        QTest::newRow("pseudo-terminal") << false;
        QTest::newRow("TCP") << true;
    }

private slots:
    // The polls show the simulator's image, served both ways (as COM 1 and as a server). The
    // line lost under the poll: the port closes and says why, the last good data stays, and the
    // field retyped opens the line again.
    void lostLineClosesThePortUntilRetyped_data() { eachLine(); }
    void lostLineClosesThePortUntilRetyped()
    {
        QFETCH(bool, tcp);
        const QStringList options{"--analog", "1023,512,7", "--inputs", "1,0,1,1", "--relays",
                                  "10000001",  "--tcp",    "0"};
        auto sim = std::make_unique<SimProcess>(options);
        QVERIFY(sim->ready());
        LineTester t(*sim, tcp);
        QVERIFY(t.fourTicks());
        QVERIFY(t.field("txtPort")->toolTip().contains(tcp ? sim->tcpAddress() : "COM1"));
        QCOMPARE(t.lamps("Shape1", 8), "GRRRRRRG");
        QCOMPARE(t.analogs(), "1023 512 7");
        QCOMPARE(t.lamps("Shape2", 4), "GRGG");
        t.window.pollTimer_Timer(); // on the line as it goes
        if (tcp)
            sim->command("fault drop");
        else
            sim->process.kill(); // its end of the pseudo-terminal closes with it
        QVERIFY(QTest::qWaitFor([&] { return !t.comm.PortOpen(); }, 3000));
        QTRY_COMPARE(t.child<QLabel>("lblStatus")->text(), "Port closed");
        QVERIFY(t.field("txtPort")->toolTip().contains(tcp ? "lost: connection closed by the server"
                                                           : "lost"));
        t.window.pollTimer_Timer();
        QCOMPARE(t.analogs(), "1023 512 7");

        if (!tcp) {
            sim.reset();
            sim = std::make_unique<SimProcess>(options);
            QVERIFY(sim->ready());
        }
        sim->command("analog 1 555");
        QVERIFY(sim->catchUp()); // it has taken the new value
        QVERIFY(t.typePort(tcp ? ServerPort : 1));
        QVERIFY(t.fourTicks());
        QCOMPARE(t.analogs(), "555 512 7");
    }

    // The trend records from start-up: opened later, it shows what the poll read,
    // a value moved in the simulator within the next two ticks, and a silent
    // module as a gap that leaves the figures as they were.
    void trendShowsTheSimulatorAndItsSilence()
    {
        SimProcess sim({"--analog", "100,200,300", "--inputs", "0,1,0,0"});
        QVERIFY(sim.ready());
        LineTester t(sim, false);
        QVERIFY(t.fourTicks());
        QAction *open = nullptr;
        for (QAction *action : t.window.actions())
            if (action->shortcut() == QKeySequence(QStringLiteral("Ctrl+G")))
                open = action;
        QVERIFY(open);
        open->trigger();
        QWidget *shown = shownWindow("RZM-530 Trend");
        QVERIFY(shown);
        QVERIFY(!shown->isModal());
        const auto figure = [&](int i) {
            return shown->findChild<QLabel *>(QStringLiteral("statistics%1").arg(i))->text();
        };
        auto *plot = shown->findChild<TrendPlot *>(QStringLiteral("trendPlot"));
        const auto newestReadOut = [&] { return plot->readOutAt(plot->width() - 13); };
        QCOMPARE(figure(0), "min 100  max 100  mean 100.0");
        QCOMPARE(figure(4), "0 changes");
        QCOMPARE(figure(7), "2, 0 without a reply");

        QVERIFY(sim.command("analog 1 700", "ok"));
        QVERIFY(t.tickAnswered() && t.tickAnswered()); // coils, then registers
        QTRY_COMPARE(figure(0), "min 100  max 700  mean 300.0");
        QVERIFY2(newestReadOut().contains("AI1 700  AI2 200  AI3 300   DI 0 1 0 0"),
                 qPrintable(newestReadOut()));

        QVERIFY(sim.command("fault silent", "ok"));
        const figures::Trend &readings = t.session.trend().trend();
        const std::uint64_t before = readings.added();
        for (std::uint64_t n = before + 1; n <= before + 2; ++n) {
            t.window.pollTimer_Timer();
            QVERIFY(QTest::qWaitFor([&] { return readings.added() >= n; }, 3000));
        }
        QVERIFY(!readings.inputs().newest().answered);
        QVERIFY(!readings.relays().newest().answered);
        QTRY_COMPARE(figure(7), "4, 1 without a reply");
        QCOMPARE(figure(0), "min 100  max 700  mean 300.0");
        QVERIFY2(newestReadOut().contains("inputs: no reply"), qPrintable(newestReadOut()));

        // Answered again, the plot shows the gap: AI1's trace does not cross it.
        QVERIFY(sim.command("fault none", "ok"));
        QVERIFY(t.tickAnswered() && t.tickAnswered());
        QTRY_COMPARE(figure(7), "5, 1 without a reply");
        int gapX = -1;
        for (int x = plot->width() - 13; x > plot->width() / 2 && gapX < 0; --x)
            if (plot->readOutAt(x).contains("inputs: no reply"))
                gapX = x - 1; // the middle of the two or three columns nearest the gap
        QVERIFY(gapX > 0);
        const QImage image = plot->grab().toImage();
        int ai1Pixels = 0;
        for (int y = 0; y < image.height(); ++y)
            ai1Pixels += image.pixelColor(gapX, y) == QColor(0, 90, 200);
        QCOMPARE(ai1Pixels, 0);
        QVERIFY(image.pixelColor(gapX, image.height() / 4) == QColor(255, 200, 200));

        // Five poll cycles in view, the silent one a row of empty fields.
        auto *window = qobject_cast<TrendWindow *>(shown);
        QTemporaryDir dir;
        QString error;
        QVERIFY(window->saveCsv(dir.filePath("trend.csv"), error));
        const QList<QByteArray> rows = fileBytes(dir.filePath("trend.csv")).split('\n');
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows[0], "time,ai1,ai2,ai3,di1,di2,di3,di4,relays\r");
        QVERIFY2(rows[3].endsWith(",700,200,300,0,1,0,0,00000000\r"), rows[3].constData());
        QVERIFY2(rows[4].endsWith(",,,,,,,,\r"), rows[4].constData());
        QVERIFY(window->savePng(dir.filePath("trend.png"), error));
        QCOMPARE(QImage(dir.filePath("trend.png")).size(), plot->grab().size());
        QVERIFY(!window->saveCsv(dir.filePath("missing/trend.csv"), error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(SimLineTest)
#include "tst_sim_line.moc"
