// The self-test against the real simulated module: from the command line with
// its exit codes, and guided through the window's dialog with the simulator
// playing the operator's hands.
#include "BareServer.h"
#include "Cases.h"
#include "FileText.h"
#include "FixtureChoice.h"
#include "FixtureVectors.h"
#include "Frames.h"
#include "MSComm.h"
#include "Program.h"
#include "SelfTestDialog.h"
#include "SimProcess.h"
#include "Tester.h"

#include <QCheckBox>
#include <QLabel>
#include <QtTest>

#include <csignal>

namespace {

struct Case {
    const char *name, *simulator;
    const char *options;     // GATEWAY: a server that answers in Modbus TCP; BAD: a fixture
                             // refused; LOOP, here and for the simulator: the example fixture
    const char *report;      // %1: the simulator's folder
    const char *interruptAt; // the signal once the simulator says so
    bool simulatorEnds;      // the simulator gets it, not the tester
    int exitCode;
    const char *says, *outcome; // outcome: the JSON's; empty, no report
    int relayBlamed;            // the only relay the output and JSON name
    const char *relaysAfter;    // what the simulator says of each module's relays, in order
    int signal = SIGTERM;
    const char *program = RZM530_TESTER_PATH;
    int times = 1;      // how often the signal is sent
    bool nohup = false; // started with SIGHUP ignored
};

const char *const Report = "%1/report.json";

// How many aborted runs the history keeps, as the console lists them.
int keptAborted()
{
    const Run history = runProgram(RZM530_CLI_PATH, {"--history", "--outcome", "aborted"},
                                   QProcessEnvironment::systemEnvironment(), 10000);
    return history.exitCode == 0 ? int(history.out.count('\n')) : -1;
}

const Case Cases[] = {
    // The other module on the line is never touched, unless a broadcast is asked for.
    {"healthy, beside another module", "--address 1,17", "--address 17", Report, "", false, 0,
     "Relays: pass, all eight and the All row switch and read back; the All row to the module "
     "only\nDigital inputs: not run\nAnalog inputs: not run\n"
     "PASS (digital and analog inputs not tested)\n",
     "pass", 0, "relays 1 10000001,relays 17 00000000"},
    {"the All row by broadcast too", "--address 1,17", "--address 17 --broadcast-all", Report, "",
     false, 0, "the All row to the module, then by broadcast", "pass", 0,
     "relays 1 00000000,relays 17 00000000"},
    {"relay 6 stuck off", "--stuck-relay 6", "", Report, "", false, 1,
     "Relays: fail, relay 6 does not switch on;", "fail", 6, "relays 00000000"},
    {"no module", "--silent", "", Report, "", false, 2, "ERROR: no module", "error", 0,
     "relays 10000001"},
    {"no port", "", "--port 7", Report, "", false, 2, "", "", 0, "relays 10000001"},
    {"report cannot be written", "", "", "%1/missing/report.json", "", false, 2,
     "ERROR: the report cannot be written", "", 0, "relays 10000001"},
    {"SIGTERM with relay 3 on", "--late 50", "", Report, "relays 00100000", false, 130,
     "ABORTED: interrupted by a signal", "aborted", 0, "relays 00000000"},
    {"SIGHUP to the console program", "--late 50", "", Report, "relays 00100000", false, 130,
     "ABORTED: interrupted by a signal", "aborted", 0, "relays 00000000", SIGHUP, RZM530_CLI_PATH},
    // An ssh session dropping often sends it twice: still every relay off, not an end at once.
    {"SIGHUP twice to the console program", "--late 50", "", Report, "relays 00100000", false, 130,
     "ABORTED: interrupted by a signal", "aborted", 0, "relays 00000000", SIGHUP, RZM530_CLI_PATH,
     2},
    // Started with nohup: the session's end is no reason to stop.
    {"SIGHUP under nohup", "--late 50", "", Report, "relays 00100000", false, 0, "Relays: pass",
     "pass", 0, "relays 00000000", SIGHUP, RZM530_CLI_PATH, 1, true},
    {"port lost with relay 3 on", "--late 50", "", Report, "relays 00100000", true, 2,
     "ERROR: the port was lost", "error", 0, ""},
    {"through a number mapped to a server", "--tcp 0", "--port 5", Report, "", false, 0,
     "Relays: pass", "pass", 0, "relays 00000000"},
    {"a Modbus TCP server", "", "--port GATEWAY", Report, "", false, 2,
     "ERROR: This server speaks Modbus TCP, not RTU over TCP", "error", 0, "relays 10000001"},
    // The fixture wired as the file says: every input tested, a whole PASS.
    {"on a loopback fixture", "--fixture LOOP", "--fixture LOOP", Report, "", false, 0, "\nPASS\n",
     "pass", 0, "relays 00000000"},
    // Refused before the port is opened: the relays stay as they were.
    {"a refused fixture", "", "--fixture BAD", Report, "", false, 2,
     "bad.ini:3: unknown key \"settle\" in [fixture] (name, settle_ms)", "", 0, "relays 10000001"},
};

} // namespace

class SelfTestLineTest : public QObject {
    Q_OBJECT
private slots:
    // Every run starts with relays 1 and 8 on, as a module left by its last user: a run that
    // reached the module ends with all off, one that must not touch it leaves them so.
    void selfTestFromTheCommandLine_data() { addCaseRows(Cases); }
    void selfTestFromTheCommandLine()
    {
        const Case &c = fetchCase(Cases);
        QTemporaryDir fixtures;
        const QString loop = fixtures.filePath("loop.ini");
        QVERIFY(writeFile(loop, ExampleFixture));
        SimProcess sim(QStringList{"--relays", "10000001"} +
                       words(c.simulator).replaceInStrings("LOOP", loop));
        QVERIFY(sim.ready());
        if (words(c.simulator).contains("--tcp"))
            QVERIFY(sim.mapServer(5));
        BareServer gateway(Frames::hex("00 01 00 00 00 04 01 01 01 85"));
        const QString badFixture = sim.dir.filePath("bad.ini");
        QVERIFY(writeFile(badFixture, "[fixture]\nname=x\nsettle=50\n"));
        const QString json = QString(c.report).arg(sim.dir.path());
        const bool hangUp = c.signal == SIGHUP && *c.interruptAt && !c.nohup;
        const int abortedBefore = hangUp ? keptAborted() : 0;
        QProcess tester;
        if (c.nohup)
            tester.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
        tester.start(QString::fromLocal8Bit(c.program),
                     QStringList{"--self-test", "--report", json} +
                         words(c.options)
                             .replaceInStrings("GATEWAY", gateway.url())
                             .replaceInStrings("BAD", badFixture)
                             .replaceInStrings("LOOP", loop));
        if (*c.interruptAt) {
            QVERIFY(sim.waitForLine(c.interruptAt));
            if (c.simulatorEnds)
                sim.process.terminate();
            else
                for (int i = 0; i < c.times; ++i) { // apart: one still pending takes the next
                    ::kill(pid_t(tester.processId()), c.signal);
                    QTest::qWait(i + 1 < c.times ? 100 : 0);
                }
        }
        QVERIFY(QTest::qWaitFor([&] { return tester.state() == QProcess::NotRunning; }, 20000));
        const QString out = QString::fromLocal8Bit(tester.readAllStandardOutput());
        QCOMPARE(tester.exitCode(), c.exitCode);
        const QString said = out + QString::fromLocal8Bit(tester.readAllStandardError());
        QVERIFY2(said.contains(c.says), qPrintable(said));

        const QJsonObject written = QJsonDocument::fromJson(fileBytes(json)).object();
        QCOMPARE(written["outcome"].toString(), c.outcome);
        const QJsonArray blamed = written["steps"][1]["values"]["failed"].toArray();
        QCOMPARE(blamed, c.relayBlamed ? QJsonArray{c.relayBlamed} : QJsonArray{});
        QRegularExpressionMatchIterator named =
            QRegularExpression(QStringLiteral("relay (\\d)")).globalMatch(out);
        while (named.hasNext())
            QCOMPARE(named.next().captured(1).toInt(), c.relayBlamed);
        if (hangUp) // the session's end loses no record
            QCOMPARE(keptAborted(), abortedBefore + 1);

        if (c.simulatorEnds)
            return;
        QVERIFY(sim.catchUp());
        sim.command("relays");
        for (const QByteArray &relays : QByteArray(c.relaysAfter).split(','))
            QVERIFY2(sim.waitForLine(relays), relays.constData());
    }

    // The fixture chosen is remembered; a refused file refuses Start; on a good one nobody is
    // asked anything, though "confirm by ear" was ticked the time before.
    void fixtureInTheWindow()
    {
        QTemporaryDir dir;
        const QString example = dir.filePath("example.ini"), refused = dir.filePath("bad.ini");
        QVERIFY(writeFile(example, ExampleFixture) &&
                writeFile(refused, "[fixture]\nname=x\n[digital]\n1=9\n"));
        SimProcess sim({"--fixture", example});
        QVERIFY(sim.ready());
        LoadedTester<MSComm> t;
        SelfTestDialog::Memory memory{"Ann", "SN 8", dir.path(), true};
        SelfTestDialog dialog(t.session, 1, memory, &t.window);
        dialog.setOpensReport(false);
        dialog.show();
        auto *choice = dialog.findChild<FixtureChoice *>();
        auto *shown = dialog.findChild<QLabel *>("fixture");
        choice->setPath(refused);
        QCOMPARE(shown->text(), refused + ":4: relay 9 is not a relay (1-8)");
        dialog.startTest();
        QCOMPARE(dialog.findChild<QLabel *>("refusal")->text(),
                 "The fixture cannot be used: " + shown->text() + ".");
        QVERIFY(!dialog.running());
        choice->setPath(example);
        QCOMPARE(shown->text(), "loopback-1 (" + example + ")");
        QVERIFY(!dialog.findChild<QCheckBox *>("byEar")->isVisible());
        dialog.startTest();
        QVERIFY(QTest::qWaitFor([&] { return !dialog.running(); }, 20000));
        QCOMPARE(dialog.findChild<QLabel *>("verdict")->text(), "PASS");
        QVERIFY(fileBytes(dialog.reportFiles().last()).contains("\"fixture\": \"loopback-1\""));
        SelfTestDialog again(t.session, 1, memory, &t.window);
        QCOMPARE(again.findChild<QLabel *>("fixture")->text(), shown->text());
        again.findChild<QPushButton *>("noFixture")->click(); // the next test's dialog has none
    }

    void guidedTestInTheWindow()
    {
        SimProcess sim({"--analog", "10,20,30"});
        QVERIFY(sim.ready());
        LoadedTester<MSComm> t;
        QTemporaryDir reports;
        SelfTestDialog::Memory memory{"Ann", "SN 7", reports.path(), false};
        SelfTestDialog dialog(t.session, 1, memory, &t.window);
        dialog.setOpensReport(false);
        dialog.show();
        auto *prompt = dialog.findChild<QLabel *>("prompt");
        const auto promptSays = [&](const QString &text) {
            return QTest::qWaitFor([&] { return prompt->text() == text; }, 5000);
        };
        const auto simulator = [&](const QString &command) { sim.command(qPrintable(command)); };
        // Refused with the reason, and nothing saved (limits that cross are the sequencer's
        // own refusal, in tst_self_test).
        auto *refusal = dialog.findChild<QLabel *>("refusal");
        const int port = t.session.comm().CommPort();
        t.session.closePort();
        dialog.startTest();
        QCOMPARE(refusal->text(), "The port is closed: open it with the COM Port field first.");
        QVERIFY(!dialog.running() && QDir(reports.path()).isEmpty());
        QVERIFY(t.session.openPort(port));

        t.window.pollTimer_Timer(); // coils
        QTest::qWait(100);
        t.window.pollTimer_Timer(); // registers, still on the line when the test takes it
        t.pollTimer()->start();     // and the cycle waiting while the test runs
        dialog.findChild<QCheckBox *>("broadcast")->setChecked(true);
        dialog.startTest();
        // A slip of the hand is asked about at once, and Retry watches the input again.
        QVERIFY(promptSays("Switch digital input 1 on"));
        simulator("input 2 1");
        QVERIFY(promptSays("Input 2 changed, input 1 expected. Put input 2 back and retry, or "
                           "accept the failure."));
        QVERIFY(dialog.findChild<QPushButton *>("accept")->isVisible());
        simulator("input 2 0");
        QTest::qWait(300);
        dialog.findChild<QPushButton *>("retry")->click();
        for (int input = 1; input <= 4; ++input) {
            QVERIFY(promptSays(QStringLiteral("Switch digital input %1 on").arg(input)));
            simulator(QStringLiteral("input %1 1").arg(input));
            QVERIFY(promptSays(QStringLiteral("Switch digital input %1 off").arg(input)));
            simulator(QStringLiteral("input %1 0").arg(input));
        }
        for (int input = 1; input <= 3; ++input) {
            QVERIFY(promptSays(QStringLiteral("Turn analog input %1 to its low end").arg(input)));
            dialog.findChild<QPushButton *>("continue")->click();
            QVERIFY(promptSays(QStringLiteral("Turn analog input %1 to its high end").arg(input)));
            simulator(QStringLiteral("analog %1 1000").arg(input));
            QTest::qWait(300); // the simulator has taken it
            dialog.findChild<QPushButton *>("continue")->click();
        }
        QVERIFY(QTest::qWaitFor([&] { return !dialog.running(); }, 5000));
        QCOMPARE(dialog.findChild<QLabel *>("verdict")->text(), "PASS");
        QCOMPARE(dialog.reportFiles().size(), 2);
        const QString json = dialog.reportFiles().last();
        QVERIFY(fileBytes(json).contains("\"verdict\": \"pass\""));
        QVERIFY(fileBytes(json).contains("\"all_row\": \"module_and_broadcast\""));
        QVERIFY(json.contains("SN_7_"));

        // Closing the window mid-test aborts it; the window goes once the relays are off and
        // the report is saved beside the first, which it does not replace.
        // It runs after the computer slept 400 days: the run goes by the clock as it is now.
        QVERIFY(sim.catchUp());
        line::setClockReader([] {
            return line::ClockReading{std::chrono::steady_clock::now(),
                                      std::chrono::system_clock::now() + std::chrono::hours(9600)};
        });
        dialog.startTest();
        QVERIFY(sim.waitForLine("relays 00100000"));
        static_cast<QWidget &>(dialog).close();
        QVERIFY(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 5000));
        line::setClockReader(nullptr);
        QCOMPARE(dialog.findChild<QLabel *>("verdict")->text(), "ABORTED");
        const QString later = QDate::currentDate().addDays(400).toString("_yyyy-MM-dd_");
        QCOMPARE(QDir(reports.path()).entryList({"*" + later + "*"}, QDir::Files).size(), 2);
        QCOMPARE(QDir(reports.path()).entryList(QDir::Files).size(), 4);
        QVERIFY(sim.relaysOff());
    }
};

QTEST_MAIN(SelfTestLineTest)
#include "tst_self_test_line.moc"
