// The station window as an operator with a barcode scanner meets it, on simulated modules:
// serial numbers typed into the tiles, the verdicts they show, the runs the history keeps; and a
// slot on its own, cancelled before it reaches the line.
#include "FileText.h"
#include "FixtureVectors.h"
#include "HistoryDb.h"
#include "LineSession.h"
#include "PortComm.h"
#include "RunKeeper.h"
#include "SelfTestDialog.h"
#include "SimProcess.h"
#include "SlotRun.h"
#include "StationTile.h"
#include "StationWindow.h"
#include "StepSummary.h"
#include "StopThenQuit.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

#include <algorithm>

#include <csignal>

namespace {

// The station's window, its history a file of the test's own.
struct Station {
    explicit Station(const QByteArray &slotsSection, const QByteArray &operatorName = "Ann")
    {
        const QString file = dir.filePath("station.ini");
        QString refusal;
        std::optional<procedures::Station> read;
        if (writeFile(dir.filePath("fixture.ini"), ExampleFixture) &&
            writeFile(file, "[station]\nname=line 3\nfixture=fixture.ini\noperator=" +
                                operatorName + "\n[slots]\n" + slotsSection))
            read = StationWindow::readStation(file, &refusal);
        if (read) {
            window = std::make_unique<StationWindow>(std::move(*read),
                                                     [this]() -> RunKeeper & { return *keeper; });
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
    // Serial number, station, slot, outcome and operator of each kept run, by serial number.
    QStringList kept()
    {
        QStringList runs;
        for (const RunRow &row : rows())
            runs.append(row.serial + " " + row.station + " " + row.slot + " " +
                        QString::fromLatin1(procedures::outcomeWord(row.outcome)) + " " +
                        row.operatorName);
        runs.sort();
        return runs;
    }
    // Whether the kept runs of `a` and `b` were on their lines at the same time.
    bool overlapped(const QString &a, const QString &b)
    {
        const auto x = run(a), y = run(b);
        return x && y && x->started < y->finished && y->started < x->finished;
    }
    std::optional<records::RunRecord> run(const QString &serial)
    {
        QString error;
        const auto db = HistoryDb::openLocal(historyPath, &error);
        for (const RunRow &row : rows())
            if (row.serial == serial && db)
                return db->load(row.id);
        return std::nullopt;
    }
    std::vector<RunRow> rows()
    {
        QString error;
        const auto db = HistoryDb::openLocal(historyPath, &error);
        return db ? db->runs({}, 100, 0) : std::vector<RunRow>{};
    }

    QTemporaryDir dir;
    const QString historyPath = dir.filePath("history.sqlite");
    std::unique_ptr<RunKeeper> keeper = std::make_unique<RunKeeper>(QString(), historyPath);
    std::unique_ptr<StationWindow> window;
};

} // namespace

class StationTest : public QObject {
    Q_OBJECT
private slots:
    // ST-1 and ST-2 test slots 1 and 2 at once, the keyboard moving on to the next idle slot
    // each time; slot 3's port is not there, which it says, and the others go on; slot 4, never
    // scanned, sends nothing. The file names no operator: the window asks once, however often
    // it is shown, and every run keeps the answer. A port is named one way on its tile and in
    // the history, however the file writes it. A tile's bar moves finer than a step at a time
    // (the link's twenty reads alone move it), and never back. The history's settings changed
    // while the slots test (the history window's Settings…): each run is kept by the keeper of
    // the settings as they are when it ends, the old one gone.
    void scannedSerialsTestTheirSlotsAtOnce()
    {
        QTemporaryDir lines;
        const QString fixture = lines.filePath("fixture.ini");
        QVERIFY(writeFile(fixture, ExampleFixture));
        SimProcess served({"--tcp", "0", "--fixture", fixture, "--contact-open", "3"});
        QVERIFY(served.ready());
        const QString server = served.tcpAddress();
        SimProcess wired(lines, 1, {"--fixture", fixture});
        SimProcess idle(lines, 4, {"--fixture", fixture});
        QVERIFY(wired.ready() && idle.ready());
        int asked = 0;
        const auto answer = [&] {
            if (auto *question = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
                ++asked;
                question->setTextValue(" Bob ");
                question->accept();
            }
        };
        Station s("1=1\n2=" + server.toUpper().toLatin1() + "\n3=7\n4=04\n", "");
        QVERIFY(s.window);
        QTimer::singleShot(0, answer); // the window asks as soon as it is on the screen
        QVERIFY(QTest::qWaitFor([&] { return s.window->focusWidget() == &s.field(1); }));
        QCOMPARE(asked, 1);
        QList<int> progress;
        connect(s.tile(1).findChild<QProgressBar *>("progress"), &QProgressBar::valueChanged,
                [&](int value) { progress << value; });
        s.scan("ST-1");
        QCOMPARE(s.window->focusWidget(), &s.field(2));
        s.scan("ST-2");
        QCOMPARE(s.window->focusWidget(), &s.field(3));
        s.scan("ST-3");
        QCOMPARE(s.window->focusWidget(), &s.field(4));
        QVERIFY(s.window->running());
        s.keeper = std::make_unique<RunKeeper>(QString(), s.historyPath);
        QVERIFY(s.allStopped());
        QCOMPARE(s.shown(1, "verdict") + s.shown(2, "verdict") + s.shown(3, "verdict"),
                 "PASSFAILERROR");
        QCOMPARE(s.shown(2, "said"),
                 "input 3 does not follow relay 3 (relay 3's contact or input 3)");
        QVERIFY2(s.shown(3, "said").startsWith("the port cannot be opened"),
                 qPrintable(s.shown(3, "said")));
        QCOMPARE(s.shown(1, "tested"), "ST-1"); // the verdict stays with its serial
        QCOMPARE(s.shown(2, "port"), "Slot 2   <b>" + server + "</b>");
        QCOMPARE(s.shown(4, "port"), "Slot 4   <b>COM 4</b>");
        QCOMPARE(s.kept(), (QStringList{"ST-1 line 3 COM 1 pass Bob",
                                        "ST-2 line 3 " + server + " fail Bob",
                                        "ST-3 line 3 COM 7 error Bob"}));
        QVERIFY(s.overlapped("ST-1", "ST-2"));
        QVERIFY(progress.size() > 20 && std::is_sorted(progress.begin(), progress.end()));
        QCOMPARE(progress.last(), s.tile(1).findChild<QProgressBar *>("progress")->maximum());
        QVERIFY(served.relaysOff() && wired.relaysOff());
        QVERIFY(idle.command("carried", "carried 0 requests 0 bytes, 0 replies 0 bytes"));
        s.window->hide();
        s.window->show();
        bool looked = false;
        QTimer::singleShot(0, [&] {
            answer();
            looked = true;
        });
        QVERIFY(QTest::qWaitFor([&] { return looked; }));
        QCOMPARE(asked, 1);
    }

    // A signal mid-test stops the station as closing it does, and a self-test dialog beside
    // it: the window says it is stopping; the program quits once every slot and the dialog
    // have switched their relays off and kept their runs as ABORTED. A second signal, or a
    // second close, while they stop changes nothing.
    void aSignalStopsEverySlotAndTheSelfTestBeside()
    {
        QTemporaryDir lines;
        const QString fixture = lines.filePath("fixture.ini");
        QVERIFY(writeFile(fixture, ExampleFixture));
        SimProcess served({"--tcp", "0", "--fixture", fixture, "--paced"});
        QVERIFY(served.ready());
        const QString server = served.tcpAddress();
        SimProcess wired(lines, 1, {"--fixture", fixture, "--paced"});
        SimProcess beside(lines, 2, {"--paced"}); // the main window's port, a self-test on it
        QVERIFY(wired.ready() && beside.ready());
        Station s("1=1\n2=" + server.toLatin1() + "\n");
        QVERIFY(s.window);
        QVERIFY(QTest::qWaitFor([&] { return s.window->focusWidget() == &s.field(1); }));
        s.scan("ST-1");
        s.scan("ST-2");
        PortComm comm;
        LineSession session(comm);
        QVERIFY(session.openPort(2));
        SelfTestDialog::Memory memory{"Ann", "SN 9", s.dir.path(), false};
        SelfTestDialog dialog(session, 1, memory);
        dialog.setOpensReport(false);
        dialog.show();
        dialog.startTest();
        for (SimProcess *sim : {&wired, &served, &beside})
            QVERIFY(sim->waitForLine("relays 1"));
        int quits = 0;
        bool stoppedFirst = false;
        StopThenQuit signalled([&] {
            ++quits;
            stoppedFirst = !s.window->running() && !dialog.running();
        });
        signalled.stop();
        QVERIFY(s.window->isVisible());
        QVERIFY(s.window->findChild<QLabel *>("status")->text().startsWith("Stopping"));
        QCOMPARE(s.shown(1, "verdict"), "STOPPING");
        signalled.stop();
        s.window->close();
        QVERIFY(QTest::qWaitFor([&] { return quits > 0; }, 20000));
        QVERIFY(stoppedFirst);
        QVERIFY(QTest::qWaitFor([&] { return !s.window->isVisible(); }));
        QCOMPARE(dialog.findChild<QLabel *>("verdict")->text(), "ABORTED");
        QCOMPARE(s.kept(), (QStringList{"ST-1 line 3 COM 1 aborted Ann",
                                        "ST-2 line 3 " + server + " aborted Ann"}));
        for (SimProcess *sim : {&wired, &served, &beside})
            QVERIFY(sim->relaysOff());
        QCOMPARE(quits, 1);
    }

    // Cancelled while its server is still connecting: nothing was sent, and it ends ABORTED
    // with the reason given, once; cancelling again, or after the end, changes nothing.
    void cancelledWhileOpening()
    {
        SimProcess served({"--tcp", "0"});
        QVERIFY(served.ready());
        SlotRun run(served.tcpAddress(), {});
        int finished = 0;
        connect(&run, &SlotRun::finished, &run, [&] { ++finished; });
        run.start();
        run.cancel("the window was closed");
        run.cancel("again");
        QTRY_COMPARE(finished, 1);
        QVERIFY(!run.running());
        QCOMPARE(QString::fromStdString(procedures::verdictWord(run.report().outcome) + ": " +
                                        procedures::slotFindings(run.report())),
                 "ABORTED: the window was closed");
        run.cancel("after the end");
        run.start();
        QVERIFY(!run.running());
        QCOMPARE(finished, 1);
        QVERIFY(served.command("carried", "carried 0 requests 0 bytes, 0 replies 0 bytes"));
    }

    // rzm530-tester --station shows the station window from the tools module, which the program
    // loads then, and a signal closes it as the operator would.
    void theProgramShowsItsStation()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("station.ini");
        QVERIFY(writeFile(file, "[station]\nname=line 3\noperator=Ann\n[slots]\n1=1\n"));
        QProcess tester;
        tester.start(QStringLiteral(RZM530_TESTER_PATH), {"--station", file});
        QVERIFY(tester.waitForStarted());
        QVERIFY(!tester.waitForFinished(1500)); // the window stays up
        ::kill(pid_t(tester.processId()), SIGTERM);
        QVERIFY(tester.waitForFinished(10000));
        QVERIFY2(tester.exitStatus() == QProcess::NormalExit && tester.exitCode() == 0,
                 tester.readAllStandardError().constData());
    }
};

QTEST_MAIN(StationTest)
#include "tst_station.moc"
