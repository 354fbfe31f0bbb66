// The station window as an operator with a barcode scanner meets it, on simulated modules:
// serial numbers typed into the tiles, the verdicts they show, the runs the history keeps.
#include "FileText.h"
#include "FixtureVectors.h"
#include "HistoryDb.h"
#include "RunKeeper.h"
#include "SimProcess.h"
#include "StationTile.h"
#include "StationWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {

// The station's window, its history a file of the test's own.
struct Station {
    explicit Station(const QByteArray &slotsSection)
    {
        const QString file = dir.filePath("station.ini");
        QString refusal;
        std::optional<line::Station> read;
        if (writeFile(dir.filePath("fixture.ini"), ExampleFixture) &&
            writeFile(file, "[station]\nname=line 3\nfixture=fixture.ini\noperator=Ann\n[slots]\n" +
                                slotsSection))
            read = StationWindow::readStation(file, &refusal);
        if (read) {
            window = std::make_unique<StationWindow>(std::move(*read), keeper);
            window->show();
        }
    }

    StationTile &tile(int slot) { return *window->findChild<StationTile *>(QStringLiteral("slot%1").arg(slot)); }
    QLineEdit &field(int slot) { return tile(slot).serialField(); }
    QString shown(int slot, const char *label)
    {
        return tile(slot).findChild<QLabel *>(QString::fromLatin1(label))->text();
    }
    // A scanner types the serial number and Enter into whichever field has the keyboard.
    void scan(const QString &serial)
    {
        QWidget *focused = window->focusWidget();
        QTest::keyClicks(focused, serial);
        QTest::keyClick(focused, Qt::Key_Return);
    }
    bool allStopped() { return QTest::qWaitFor([&] { return !window->running(); }, 30000); }
    // Serial number, station, slot and outcome of each kept run, by serial number.
    QStringList kept()
    {
        QString error;
        const auto db = HistoryDb::openLocal(historyPath, &error);
        QStringList runs;
        for (const RunRow &row : db ? db->runs({}, 100, 0) : std::vector<RunRow>{})
            runs.append(row.serial + " " + row.station + " " + row.slot + " " +
                         QString::fromLatin1(line::outcomeWord(row.outcome)));
        runs.sort();
        return runs;
    }

    QTemporaryDir dir;
    const QString historyPath = dir.filePath("history.sqlite");
    RunKeeper keeper{QString(), historyPath};
    std::unique_ptr<StationWindow> window;
};

} // namespace

class StationTest : public QObject {
    Q_OBJECT
private slots:
    // ST-1 and ST-2 test slots 1 and 2 at once, the keyboard moving on to the next idle slot
    // each time; slot 3's port is not there, which it says, and the others go on.
    void scannedSerialsTestTheirSlotsAtOnce()
    {
        QTemporaryDir simDir;
        const QString fixture = simDir.filePath("fixture.ini");
        QVERIFY(writeFile(fixture, ExampleFixture));
        SimProcess served({"--tcp", "0", "--fixture", fixture, "--contact-open", "3"});
        QVERIFY(served.ready());
        const QString server = served.tcpAddress();
        SimProcess wired({"--fixture", fixture}); // last: its folder is where COM numbers lead
        QVERIFY(wired.ready());
        Station s("1=1\n2=" + server.toLatin1() + "\n3=7\n");
        QVERIFY(s.window);
        QVERIFY(QTest::qWaitFor([&] { return s.window->focusWidget() == &s.field(1); }));
        s.scan("ST-1");
        QCOMPARE(s.window->focusWidget(), &s.field(2));
        s.scan("ST-2");
        QCOMPARE(s.window->focusWidget(), &s.field(3));
        QCOMPARE(s.shown(1, "verdict"), "TESTING"); // still, as slot 2 starts
        s.scan("ST-3");
        QVERIFY(s.allStopped());
        QCOMPARE(s.shown(1, "verdict") + s.shown(2, "verdict") + s.shown(3, "verdict"),
                 "PASSFAILERROR");
        QCOMPARE(s.shown(2, "said"),
                 "input 3 does not follow relay 3 (relay 3's contact or input 3)");
        QVERIFY2(s.shown(3, "said").startsWith("the port cannot be opened"),
                 qPrintable(s.shown(3, "said")));
        QCOMPARE(s.shown(1, "tested"), "ST-1"); // the verdict stays with its serial
        QCOMPARE(s.kept(), (QStringList{"ST-1 line 3 COM 1 pass",
                                        "ST-2 line 3 " + server + " fail",
                                        "ST-3 line 3 COM 7 error"}));
        QVERIFY(served.command("relays", "relays 00000000"));
    }

    // Closing mid-test shows the window stopping; it closes once every slot has switched its
    // relays off and kept its run as ABORTED.
    void closingMidTestAbortsEverySlot()
    {
        QTemporaryDir simDir;
        const QString fixture = simDir.filePath("fixture.ini");
        QVERIFY(writeFile(fixture, ExampleFixture));
        SimProcess served({"--tcp", "0", "--fixture", fixture, "--paced"});
        QVERIFY(served.ready());
        const QString server = served.tcpAddress();
        SimProcess wired({"--fixture", fixture, "--paced"});
        QVERIFY(wired.ready());
        Station s("1=1\n2=" + server.toLatin1() + "\n");
        QVERIFY(s.window);
        QVERIFY(QTest::qWaitFor([&] { return s.window->focusWidget() == &s.field(1); }));
        s.scan("ST-1");
        s.scan("ST-2");
        QVERIFY(wired.waitForLine("relays 1") && served.waitForLine("relays 1"));
        s.window->close();
        QVERIFY(s.window->isVisible());
        QVERIFY(s.window->findChild<QLabel *>("status")->text().startsWith("Stopping"));
        QCOMPARE(s.shown(1, "verdict"), "STOPPING");
        QVERIFY(QTest::qWaitFor([&] { return !s.window->isVisible(); }, 20000));
        QCOMPARE(s.kept(), (QStringList{"ST-1 line 3 COM 1 aborted",
                                        "ST-2 line 3 " + server + " aborted"}));
        for (SimProcess *sim : {&wired, &served}) {
            QVERIFY(sim->catchUp());
            QVERIFY(sim->command("relays", "relays 00000000"));
        }
    }
};

QTEST_MAIN(StationTest)
#include "tst_station.moc"
