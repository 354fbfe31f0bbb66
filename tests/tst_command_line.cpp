// Start-up and the command line of the real program.
#include "BoxCatcher.h"
#include "StartUp.h"
#include "Tester.h"

#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

// The program with no display to talk to.
Run tester(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(RZM530_TESTER_PATH), arguments);
    if (!process.waitForFinished(10000))
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void failingOpenAtStartShowsTheBoxBeforeTheWindow()
    {
        Tester t;
        t.comm.failingPorts = {1};
        BoxCatcher catcher(&t.window);
        startUp(t.window);
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].text, QStringLiteral("Unable to open Com Port 1"));
        QVERIFY(!catcher.boxes[0].windowVisible);
        QVERIFY(t.window.isVisible());
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
    }

    void consoleOptionsNeedNoDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run run = tester(arguments);
        QCOMPARE(run.exitCode, exitCode);
        const QString &text = exitCode == 0 ? run.out : run.err;
        QVERIFY2(text.contains(says), qPrintable(text));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_command_line.moc"
