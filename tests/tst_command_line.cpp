// Start-up and the command line of the real program.
#include "ApplicationIdentity.h"
#include "BoxCatcher.h"
#include "Cases.h"
#include "CsvLog.h"
#include "FakeComm.h"
#include "FileText.h"
#include "HistorySettings.h"
#include "LineTap.h"
#include "Program.h"
#include "StartUp.h"
#include "TapPoll.h"
#include "Tester.h"

#include <QScopeGuard>
#include <QtTest>

#ifdef Q_OS_LINUX
#include "PseudoTerminal.h"
#endif

namespace {

// The program with no display to talk to.
Run run(const QString &program, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return runProgram(program, arguments, env, 10000);
}

// What a program says, on standard output when it ends with 0, else on standard error; where
// it begins with the program's name, it is the first thing said.
const struct {
    const char *name, *arguments;
    int exitCode;
    const char *says;
    const char *only = nullptr; // the one program run; else both, being one code
    // Run as a copy in a folder of its own, without the modules the programs load on first use:
    // LONE in `says` is that folder, and the module missed, `missed`, is named.
    bool lone = false;
    const char *missed = "";
} ConsoleCases[] = {
    {"--version", "--version", 0, "RZM-530 Tester 1.00.0017\n"},
    {"--help", "--help", 0, "RZM530_COM_DIR"},
    {"-h", "-h", 0, "/dev/ttyUSB"}, // the only short name of a mode
    {"unknown option", "--bogus", 2, "bogus"},
    {"stray argument", "7", 2, "7"},
    {"an option of another mode", "--scan --address 4", 2, "--address belongs with --self-test"},
    {"an option of no mode", "--port 3", 2, "--port belongs with --scan or --self-test."},
    {"the window's option with a mode", "--self-test --log line.csv", 2,
     "--log belongs with the window, not with --scan or --self-test."},
    {"a filter with --self-test", "--self-test --since 2026-01-01", 2,
     "--since belongs with --history or --yield."},
    {"two modes", "--yield --scan", 2,
     "Choose one of --scan, --self-test, --history, --yield and --sync."},
    {"a scan beyond the reply window", "--scan --timeout 1001", 2, "1 to 1000"},
    {"a scan too quick for the wire", "--scan --timeout 19", 2, "at least 20 ms"},
    {"a history server that is no URL", "--history --db http://db/h", 2,
     "--db: not a server address"},
    {"a password in the server's URL", "--sync --db postgresql://qa:s3cret@db/h", 2,
     "give it in ~/.pgpass, or in the file PGPASSFILE names"},
    {"a day that is none", "--yield --until 2026-02-30", 2, "YYYY-MM-DD"},
    {"an outcome that is none", "--history --outcome passed", 2, "--outcome takes"},
    {"a server without a port", "--self-test --port tcp://192.0.2.10", 2,
     "--port: tcp://192.0.2.10 has no port"},
    // Several ports: the lists are refused whole before any port is opened.
    {"ports without serials", "--self-test --port 1,2", 2,
     "--serial is needed with several ports: a serial number for each, in --port's order."},
    {"too few serials", "--self-test --port 1,2,3 --serial A,B", 2,
     "--serial names 2 serial numbers for 3 ports."},
    {"too many serials", "--self-test --port 1,2 --serial A,B,C", 2,
     "--serial names 3 serial numbers for 2 ports."},
    {"a port twice", "--self-test --port 3,tcp://192.0.2.10:4001,03 --serial A,B,C", 2,
     "--port names COM 3 twice."},
    {"a server twice", "--self-test --port TCP://Db:4001,1,tcp://dB:4001 --serial A,B,C", 2,
     "--port names tcp://db:4001 twice."},
    {"a serial twice", "--self-test --port 1,2,3 --serial A,B,A", 2, "--serial names A twice."},
    {"an empty port", "--self-test --port 1,,2 --serial A,B,C", 2,
     "--port: item 2 of the list is empty."},
    {"an empty serial", "--self-test --port 1,2 --serial A,", 2,
     "--serial: item 2 of the list is empty."},
    {"a port beyond the numbers", "--self-test --port 1,51 --serial A,B", 2,
     "--port: \"51\" is neither a COM number (1-50) nor tcp://HOST:PORT."},
    {"a file for the reports' folder", "--self-test --port 1,2 --serial A,B --html PROGRAM", 2,
     "--html names a folder with several ports: "},
    {"nothing to do", "", 2, "rzm530-cli: say what to do", "rzm530-cli"},
    // --station alone opens the station window, which the console program has not.
    {"the station window", "--station s.ini", 2, "the station window is rzm530-tester's",
     "rzm530-cli"},
    {"the station window with --log", "--station s.ini --log l.csv", 2,
     "--log and --station do not go together", "rzm530-tester"},
    // RTU over TCP is a module loaded when a tcp:// port is first opened; rzm530-tester's
    // console modes are in the tools module. Missing, each is named, on that port, without a
    // crash; what only says something needs no module.
    {"a scan without RTU over TCP", "--scan --port tcp://127.0.0.1:1", 2,
     "no port could be opened (tcp://127.0.0.1:1: RTU over TCP is not installed: LONE",
     "rzm530-cli", true, "rzm530-tcp"},
    {"a self-test without RTU over TCP", "--self-test --port tcp://127.0.0.1:1", 2,
     "cannot open the server (tcp://127.0.0.1:1): RTU over TCP is not installed: LONE",
     "rzm530-cli", true, "rzm530-tcp"},
    {"the history without the tools module", "--history", 2,
     "rzm530-tester: The tools module is not installed: LONE", "rzm530-tester", true,
     "rzm530-tools"},
    {"--version without the tools module", "--version", 0, "RZM-530 Tester 1.00.0017\n",
     "rzm530-tester", true},
    {"an unknown option without the tools module", "--bogus", 2, "Try 'rzm530-tester --help'",
     "rzm530-tester", true},
};

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void failingOpenAtStartShowsTheBoxBeforeTheWindow()
    {
        Tester<FakeComm> t;
        t.comm.failingPorts = {1};
        BoxCatcher catcher;
        bool windowShownDuringTheBox = true;
        catcher.whileOpen = [&] { windowShownDuringTheBox = t.window.isVisible(); };
        startUp(t.window);
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].text, QStringLiteral("Unable to open Com Port 1"));
        QVERIFY(!windowShownDuringTheBox);
        QVERIFY(t.window.isVisible());
    }

    // --log: a header for a new file only, then a row as each transaction ends.
    void logAppendsARowPerTransaction()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("line.csv"));
        for (bool answered : {true, false}) {
            LineTap tap;
            CsvLog log(path);
            QVERIFY(log.open());
            log.follow(tap);
            readCoilsThrough(tap, answered);
        }
        const QList<QByteArray> lines = fileBytes(path).split('\n');
        QCOMPARE(lines.size(), 4); // header, two rows, and the end of the last line
        QCOMPARE(lines[0], QByteArray("time,request,reply,verdict,response time,meaning,origin\r"));
        QVERIFY2(lines[1].contains(",01 01 00 00 00 08 3D CC,01 01 01 85 90 2B,OK,"), lines[1]);
        QVERIFY2(lines[2].endsWith(
                     ",01 01 00 00 00 08 3D CC,,No reply,,Read Coils 0-7 (relays 1-8),poll\r"),
                 lines[2]);
        QVERIFY(!CsvLog(dir.filePath(QStringLiteral("no/such/folder.csv"))).open());
    }

    void consoleOptionsNeedNoDisplay_data() { addCaseRows(ConsoleCases); }
    void consoleOptionsNeedNoDisplay()
    {
        const auto &[name, arguments, exitCode, says, only, lone, missed] = fetchCase(ConsoleCases);
        QTemporaryDir dir;
        for (QString program : {RZM530_CLI_PATH, RZM530_TESTER_PATH}) {
            const QString programName = QFileInfo(program).fileName();
            if (only && programName != only)
                continue;
            if (lone) {
                const QString copy = dir.filePath("bin/" + programName);
                QVERIFY(QDir(dir.path()).mkpath("bin") && QFile::copy(program, copy));
                program = copy;
            }
            const Run result =
                run(program, words(arguments).replaceInStrings("PROGRAM", RZM530_CLI_PATH));
            QCOMPARE(result.exitCode, exitCode);
            const QString &text = exitCode == 0 ? result.out : result.err;
            const QString said = QString(says).replace("LONE", dir.path());
            QVERIFY2((said.startsWith(programName + ": ") ? text.startsWith(said)
                                                          : text.contains(said)) &&
                         text.contains(missed) && !text.contains("s3cret") &&
                         // a refusal writes nothing else; a self-test that ran, its verdict
                         (exitCode == 0 || result.out.isEmpty() ||
                          result.out == "ERROR: the port cannot be opened\n"),
                     qPrintable(program + (": " + text)));
        }
    }

    // The window starts with what it shows: its tools, the history and Qt SQL come from the tools
    // module the first time one is asked for, or at start when a history server is set, as runs
    // may be waiting to go up.
    void theWindowLoadsItsToolsOnFirstUse_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("no server") << QString();
        QTest::newRow("a server set") << QStringLiteral("postgresql://qa@127.0.0.1:1/history");
    }
    void theWindowLoadsItsToolsOnFirstUse()
    {
#ifndef Q_OS_LINUX
        QSKIP("reads the program's memory map from /proc");
#else
        QFETCH(QString, server);
        setApplicationIdentity(); // the tester's settings, not this test's
        HistorySettings settings = HistorySettings::load();
        settings.server = server;
        settings.save();
        const auto noServer = qScopeGuard([settings]() mutable {
            settings.server.clear();
            settings.save();
        });
        PseudoTerminal line; // COM 1, which the window opens and polls
        QProcess tester;
        tester.start(QStringLiteral(RZM530_TESTER_PATH), {});
        QVERIFY(tester.waitForStarted());
        QFile maps(QStringLiteral("/proc/%1/maps").arg(tester.processId()));
        QVERIFY(QTest::qWaitFor([&] { return !line.readAvailable().isEmpty(); }, 5000));
        QTest::qWait(500); // the window is up, polling, and has had its start-up's turn
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        tester.kill();
        tester.waitForFinished();
        QVERIFY(mapped.contains("libQt6Widgets"));
        QCOMPARE(mapped.contains("rzm530-tools"), !server.isEmpty());
        QCOMPARE(mapped.contains("libQt6Sql"), !server.isEmpty());
#endif
    }

    // Each program's help tells of that program: the console program has no window.
    void theConsoleProgramHasNoWindow()
    {
        for (const auto &[program, window] :
             {std::pair{RZM530_TESTER_PATH, true}, std::pair{RZM530_CLI_PATH, false}}) {
            const QString help = run(program, {"--help"}).out;
            QCOMPARE(help.contains("opens its window"), window);
            QCOMPARE(help.contains("--log"), window);
            QCOMPARE(help.simplified().contains("Alone: a station file"), window);
        }
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_command_line.moc"
