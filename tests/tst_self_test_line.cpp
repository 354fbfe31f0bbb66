// The self-test against the real simulated module: from the command line with
// its exit codes, and guided through the window's dialog with the simulator
// playing the operator's hands.
#include "MSComm.h"
#include "SelfTestDialog.h"
#include "SimProcess.h"
#include "Tester.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

class SelfTestLineTest : public QObject {
    Q_OBJECT
private slots:
    void selfTestFromTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("healthy") << QStringList{"--address", "1,17"}
                                 << QStringList{"--address", "17"} << 0 << "Relays: pass";
        QTest::newRow("relay 3 stuck off") << QStringList{"--stuck-relay", "3"} << QStringList{}
                                           << 1 << "Relays: fail, relay 3 does not switch on\n";
        QTest::newRow("relay 3 stuck on") << QStringList{"--stuck-on-relay", "3"} << QStringList{}
                                          << 1 << "Relays: fail, relay 3 stuck on\n";
        QTest::newRow("no module") << QStringList{"--silent"} << QStringList{} << 2 << "NO MODULE";
        QTest::newRow("no port") << QStringList{} << QStringList{"--port", "7"} << 2 << "";
        QTest::newRow("through a number mapped to a server")
            << QStringList{"--tcp", "0"} << QStringList{"--port", "5"} << 0 << "Relays: pass";
    }

    void selfTestFromTheCommandLine()
    {
        QFETCH(QStringList, simulator);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        SimProcess sim(simulator);
        QVERIFY(sim.ready());
        if (simulator.contains("--tcp"))
            QVERIFY(sim.mapServer(5));
        const QString json = sim.dir.filePath(QStringLiteral("report.json"));
        QProcess tester;
        tester.start(QStringLiteral(RZM530_TESTER_PATH),
                     QStringList{"--self-test", "--report", json} + options);
        QVERIFY(tester.waitForFinished(20000));
        const QString out = QString::fromLocal8Bit(tester.readAllStandardOutput());
        QCOMPARE(tester.exitCode(), exitCode);
        QVERIFY2(out.contains(says), qPrintable(out));
        QCOMPARE(QFile::exists(json), exitCode != 2 || !says.isEmpty());
    }

    void guidedTestInTheWindow()
    {
        SimProcess sim({"--analog", "10,20,30"});
        QVERIFY(sim.ready());
        Tester<MSComm> t;
        t.window.Form_Load();
        QTemporaryDir reports;
        SelfTestDialog::Memory memory{"Ann", "SN 7", reports.path(), false};
        SelfTestDialog dialog(t.session, 1, memory, &t.window);
        dialog.setOpensReport(false);
        dialog.show();
        auto *prompt = dialog.findChild<QLabel *>("prompt");
        const auto promptSays = [&](const char *text) {
            return QTest::qWaitFor([&] { return prompt->text() == QLatin1String(text); }, 5000);
        };
        const auto simulator = [&](const char *command) {
            sim.process.write(QByteArray(command) + '\n');
        };
        t.window.pollTimer_Timer(); // coils
        QTest::qWait(100);
        t.window.pollTimer_Timer(); // registers, still on the line when the test takes it
        t.pollTimer()->start();     // and the cycle waiting while the test runs
        dialog.startTest();
        for (char input = '1'; input <= '4'; ++input) {
            QVERIFY(
                promptSays(qPrintable(QStringLiteral("Switch digital input %1 on").arg(input))));
            simulator(qPrintable(QStringLiteral("input %1 1").arg(input)));
            QVERIFY(
                promptSays(qPrintable(QStringLiteral("Switch digital input %1 off").arg(input))));
            simulator(qPrintable(QStringLiteral("input %1 0").arg(input)));
        }
        for (char input = '1'; input <= '3'; ++input) {
            QVERIFY(promptSays(
                qPrintable(QStringLiteral("Turn analog input %1 to its low end").arg(input))));
            dialog.findChild<QPushButton *>("continue")->click();
            QVERIFY(promptSays(
                qPrintable(QStringLiteral("Turn analog input %1 to its high end").arg(input))));
            simulator(qPrintable(QStringLiteral("analog %1 1000").arg(input)));
            QTest::qWait(300); // the simulator has taken it
            dialog.findChild<QPushButton *>("continue")->click();
        }
        QVERIFY(QTest::qWaitFor([&] { return !dialog.running(); }, 5000));
        QCOMPARE(dialog.findChild<QLabel *>("verdict")->text(), "PASS");
        QCOMPARE(dialog.reportFiles().size(), 2);
        QFile json(dialog.reportFiles().last());
        QVERIFY(json.open(QIODevice::ReadOnly));
        QVERIFY(json.readAll().contains("\"verdict\": \"pass\""));
        QVERIFY(json.fileName().contains("SN_7_"));
    }
};

QTEST_MAIN(SelfTestLineTest)
#include "tst_self_test_line.moc"
