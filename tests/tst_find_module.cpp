// Finding modules on the real simulated line with three modules on it: the
// command line's scan, the All row, and the finder's Use.
#include "BareServer.h"
#include "BoxCatcher.h"
#include "Cases.h"
#include "FindModuleDialog.h"
#include "MSComm.h"
#include "Program.h"
#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "Tester.h"

#include <QCheckBox>
#include <QLabel>
#include <QtTest>

namespace {

const QStringList ThreeModules{"--address", "1,17,42"};

// "SERVER" in the scan's options is the simulator's address.
const struct {
    const char *name, *simulator, *scan;
    int exitCode;
    const char *output;
    int alias = 0; // a COM number present, but mapped to the simulator's line in ports.ini
} ScanCases[] = {
    {"three modules", "--address 1,17,42", "--timeout 30", 0, "address 1,address 17,address 42"},
    {"one of them, on every port", "--address 1,17,42", "--all-ports --first 10 --last 20", 0,
     "address 17"},
    {"none answers", "--silent", "--last 3 --timeout 30", 1, ""},
    {"no such port", "--address 1,17,42", "--port 9", 2, ""},
    {"a server given outright", "--address 1,17,42 --tcp 0", "--port SERVER --last 20 --timeout 30",
     0, "address 1,address 17"},
    {"every port, a server mapped as COM 5", "--address 1,17,42 --tcp 0",
     "--all-ports --first 17 --last 17", 0, "address 17,address 17"},
    {"a server that refuses", "--address 1,17,42", "--port tcp://127.0.0.1:1", 2, ""},
    {"every port, the line mapped under a second number", "--address 1,17,42",
     "--all-ports --first 17 --last 17", 0, "address 17", 2},
};

} // namespace

class FindModuleTest : public QObject {
    Q_OBJECT
private slots:
    void scanFromTheCommandLine_data() { addCaseRows(ScanCases); }
    void scanFromTheCommandLine()
    {
        const auto &[name, options, scanOptions, exitCode, output, alias] = fetchCase(ScanCases);
        const QStringList simulator = words(options);
        QStringList scan = words(scanOptions);
        SimProcess sim(simulator);
        QVERIFY(sim.ready());
        if (simulator.contains("--tcp"))
            QVERIFY(sim.mapServer(5));
        if (alias)
            QVERIFY(QFile::link("/dev/null", sim.dir.filePath(QStringLiteral("COM%1").arg(alias))) &&
                    mapCom(alias, sim.dir.filePath("COM1")));
        scan.replaceInStrings(QStringLiteral("SERVER"), sim.tcpAddress());
        const Run tester =
            runProgram(QStringLiteral(RZM530_TESTER_PATH), QStringList{"--scan"} + scan);
        QCOMPARE(tester.exitCode, exitCode);
        QStringList lines = tester.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QStringList places{"COM1 " + sim.dir.filePath(QStringLiteral("COM1")),
                                 "COM5 " + sim.tcpAddress(), sim.tcpAddress()};
        for (QString &line : lines) {
            const QString where = line.section(QStringLiteral(" address "), 0, 0);
            QVERIFY2(places.contains(where) && line.endsWith(" ms"), qPrintable(line));
            line = line.mid(where.size() + 1).section(QLatin1Char(' '), 0, 1);
        }
        QCOMPARE(lines.join(QLatin1Char(',')), output);
    }

    // A scan over several ports tells of each port lost part way with its own reason: a line
    // whose other end went (COM 1), a server that closed the connection (COM 5).
    void eachLostPortSaysWhy()
    {
        auto line = std::make_unique<PseudoTerminal>();
        BareServer server({}); // drops at the first probe
        QVERIFY(mapCom(5, server.url()));
        QProcess tester;
        tester.start(QStringLiteral(RZM530_TESTER_PATH),
                     {"--scan", "--all-ports", "--last", "20", "--timeout", "200"});
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (line && !line->readAvailable().isEmpty())
                    line.reset(); // a probe reached it: now it goes
                return tester.state() == QProcess::NotRunning;
            },
            20000));
        QVERIFY(mapCom(5, ""));
        QCOMPARE(tester.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(tester.readAllStandardError());
        const QStringList lost = err.split('\n').filter(" was lost part way: ");
        QVERIFY2(lost.size() == 2, qPrintable(err));
        QVERIFY2(lost[0].contains("COM 1") && !lost[0].contains("closed by the server"),
                 qPrintable(err));
        QVERIFY2(lost[1].endsWith("COM 5 was lost part way: connection closed by the server"),
                 qPrintable(err));
    }

    // The finder's probes go to each address in turn; its Use sets both fields and opens the
    // port for the poll; then the All row reaches every module.
    void useSetsBothFieldsAndAllReachesEveryModule()
    {
        SimProcess sim(ThreeModules);
        QVERIFY(sim.ready());
        LoadedTester<MSComm> t;
        BoxCatcher boxes;
        t.type("txtPort", "3"); // no such port: the finder looks on every port there is
        FindModuleDialog finder(t.session, &t.window);
        connect(&finder, &FindModuleDialog::restorePort, &t.window, &frmMain::restorePort);
        connect(&finder, &FindModuleDialog::useModule, &t.window, &frmMain::useModule);
        finder.findChild<QCheckBox *>("allPorts")->setChecked(true);
        finder.findChild<QSpinBox *>("first")->setValue(15);
        finder.findChild<QSpinBox *>("last")->setValue(45);
        t.pollTimer()->start(); // the poll cycle waits while the finder has the line
        finder.startScan();
        QVERIFY(QTest::qWaitFor([&] { return !finder.scanning(); }, 10000));
        t.pollTimer()->stop();
        const line::LineMonitor &monitor = t.session.tap().monitor();
        const line::Traffic &traffic = monitor.traffic();
        QCOMPARE(int(traffic.size()), 31);
        for (std::size_t i = 0; i < traffic.size(); ++i) {
            QCOMPARE(traffic[i].request()[0], std::uint8_t(15 + i));
            QCOMPARE(traffic[i].origin, line::Origin::Scan);
        }
        QCOMPARE(monitor.health().scanProbes.answered, 2u); // counted apart, as tst_line shows
        QCOMPARE(t.child<QLabel>("lblStatus")->text(), "Port closed");
        auto *results = finder.findChild<QTableWidget *>("results");
        QCOMPARE(results->rowCount(), 2);
        QCOMPARE(t.comm.CommPort(), 3); // the port chosen before, closed as it was
        QVERIFY(!t.comm.PortOpen());

        results->selectRow(0);
        QTest::mouseClick(finder.findChild<QPushButton *>("use"), Qt::LeftButton);
        QCOMPARE(t.field("txtPort")->text() + ' ' + t.field("txtAddr")->text(), "1 17");
        t.comm.setPortOpen(false); // the line went away: using the same module opens it again
        t.window.useModule(1, 17);
        QVERIFY(t.comm.PortOpen());
        t.window.pollTimer_Timer();
        QVERIFY(t.tx().startsWith("[11][01]"));
        QVERIFY(QTest::qWaitFor([&] { return t.rx().startsWith("[11][01][01]"); }));
        // The status tells of the poll, not of the probes before it.
        QTRY_VERIFY(t.child<QLabel>("lblStatus")->text().startsWith("OK "));
        t.click("btnON", 0);
        for (const char *relays : {"relays 1 11111111", "relays 17 11111111", "relays 42 11111111"})
            QVERIFY2(sim.waitForLine(relays), relays);
    }
};

QTEST_MAIN(FindModuleTest)
#include "tst_find_module.moc"
