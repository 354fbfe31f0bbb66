// Start-up and the command line of the real program.
#include "BoxCatcher.h"
#include "CsvLog.h"
#include "FakeComm.h"
#include "FileText.h"
#include "LineTap.h"
#include "Program.h"
#include "StartUp.h"
#include "Tester.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// The program with no display to talk to.
Run run(const char *program, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return runProgram(QString::fromLocal8Bit(program), arguments, env, 10000);
}

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
        const auto readCoils = [](LineTap &tap, bool answered) {
            tap.requestStarted();
            for (quint8 b : {0x01, 0x01, 0x00, 0x00, 0x00, 0x08, 0x3D, 0xCC})
                tap.byteWritten(b);
            if (answered)
                for (quint8 b : {0x01, 0x01, 0x01, 0x85, 0x90, 0x2B})
                    tap.byteReceived(b);
            tap.monitor().closeNow();
        };
        for (bool answered : {true, false}) {
            LineTap tap;
            CsvLog log(path);
            QVERIFY(log.open());
            log.follow(tap);
            readCoils(tap, answered);
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

    void consoleOptionsNeedNoDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "RZM-530 Tester 1.00.0017\n";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "RZM530_COM_DIR";
        QTest::newRow("-h") << QStringList{"-h"} << 0 << "/dev/ttyUSB";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "bogus";
        QTest::newRow("stray argument") << QStringList{"7"} << 2 << "7";
        QTest::newRow("an option of another mode")
            << QStringList{"--scan", "--address", "4"} << 2 << "--address belongs with --self-test";
        QTest::newRow("a scan beyond the reply window")
            << QStringList{"--scan", "--timeout", "1001"} << 2 << "1 to 1000";
        QTest::newRow("a scan too quick for the wire")
            << QStringList{"--scan", "--timeout", "19"} << 2 << "at least 20 ms";
        QTest::newRow("a history server that is no URL")
            << QStringList{"--history", "--db", "http://db/h"} << 2 << "--db: not a server address";
        QTest::newRow("a day that is none")
            << QStringList{"--yield", "--until", "2026-02-30"} << 2 << "YYYY-MM-DD";
        QTest::newRow("an outcome that is none")
            << QStringList{"--history", "--outcome", "passed"} << 2 << "--outcome takes";
        QTest::newRow("a server without a port")
            << QStringList{"--self-test", "--port", "tcp://192.0.2.10"} << 2
            << "--port: tcp://192.0.2.10 has no port";
    }

    void consoleOptionsNeedNoDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        // The console program and the window program's console modes are one code.
        for (const char *program : {RZM530_CLI_PATH, RZM530_TESTER_PATH}) {
            const Run result = run(program, arguments);
            QCOMPARE(result.exitCode, exitCode);
            const QString &text = exitCode == 0 ? result.out : result.err;
            QVERIFY2(text.contains(says), qPrintable(program + (": " + text)));
        }
    }

    void theConsoleProgramHasNoWindow()
    {
        const Run result = run(RZM530_CLI_PATH, {});
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.startsWith("rzm530-cli: say what to do"), qPrintable(result.err));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_command_line.moc"
