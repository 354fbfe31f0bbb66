// The port map in its file and the Ports dialog that edits and tries it; a mapped number at
// work on the line is in the simulator's suites (a server as COM 5).
#include "BareServer.h"
#include "ComPortNames.h"
#include "FileText.h"
#include "PortMap.h"
#include "PortsDialog.h"

#include <QtTest>

class PortMapTest : public QObject {
    Q_OBJECT
    QTemporaryDir config;

    static QByteArray fileText() { return fileBytes(PortMap::filePath()); }

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }

    void entriesRoundTripThroughTheFile()
    {
        QCOMPARE(PortMap::filePath(), config.filePath("rzm530/ports.ini"));
        QString error;
        QVERIFY(PortMap::setMapping(5, " TCP://192.0.2.10:4001 ", &error));
        QVERIFY(PortMap::setMapping(3, "/dev/serial/by-id/usb-FTDI_A1-if00-port0", &error));
        QVERIFY(PortMap::setMapping(50, "tcp://[::1]:502", &error));
        const QByteArray text = fileText();
        QVERIFY2(text.startsWith("[ports]\n"), text);
        QVERIFY2(text.contains("\nCOM5=tcp://192.0.2.10:4001\n"), text);
        QCOMPARE(PortMap::mappings(),
                 (QMap<int, QString>{{3, "/dev/serial/by-id/usb-FTDI_A1-if00-port0"},
                                     {5, "tcp://192.0.2.10:4001"},
                                     {50, "tcp://[::1]:502"}}));
        QVERIFY(PortMap::setMapping(3, "", &error));
        QVERIFY(PortMap::setMapping(50, "", &error));
        QCOMPARE(PortMap::mappings().keys(), QList<int>{5});
    }

    // However a user spells the key, one number is one entry: read, looked up and written.
    void keysInAnySpelling_data()
    {
        QTest::addColumn<QByteArray>("key");
        for (const char *key : {"COM5", "com5", "COM05", "Com005"})
            QTest::newRow(key) << QByteArray(key);
    }
    void keysInAnySpelling()
    {
        QFETCH(QByteArray, key);
        QFile file(PortMap::filePath());
        QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
        file.write("[ports]\n" + key + "=tcp://192.0.2.10:4001\n");
        file.close();
        QCOMPARE(PortMap::mappings().keys(), QList<int>{5});
        QCOMPARE(PortMap::resolve(5), "tcp://192.0.2.10:4001");
        QString error;
        QVERIFY(PortMap::setMapping(5, "tcp://192.0.2.11:4001", &error));
        QCOMPARE(fileText(), "[ports]\nCOM5=tcp://192.0.2.11:4001\n");
        QVERIFY(PortMap::setMapping(5, "", &error));
        QCOMPARE(PortMap::resolve(5), ComPortNames::devicePath(5));
    }

    void invalidEntriesAreRefused_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("words");
        QTest::newRow("no port") << 6 << "tcp://192.0.2.10" << QString("has no port");
        QTest::newRow("no host") << 6 << "tcp://:4001" << QString("not a host name");
        QTest::newRow("port 0") << 6 << "tcp://host:0" << QString("from 1 to 65535");
        QTest::newRow("port too high") << 6 << "tcp://host:65536" << QString("from 1 to 65535");
        QTest::newRow("path after port") << 6 << "tcp://host:4001/x" << QString("from 1 to 65535");
        QTest::newRow("relative path")
            << 6 << "ttyUSB0" << QString("neither tcp://HOST:PORT nor a device");
        QTest::newRow("COM 51") << 51 << "/dev/ttyUSB0" << QString("from 1 to 50");
    }
    void invalidEntriesAreRefused()
    {
        QFETCH(int, number);
        QFETCH(QString, target);
        QFETCH(QString, words);
        const QByteArray before = fileText();
        QString error;
        QVERIFY(!PortMap::setMapping(number, target, &error));
        QVERIFY2(error.contains(words), qPrintable(error));
        QCOMPARE(fileText(), before);
    }

    void dialogWritesEntriesAndTestsThemWithoutWaiting()
    {
        qputenv(ComPortNames::DirVariable, "/tmp/lines");
        const QString refusing = refusedUrl();

        PortsDialog dialog;
        auto *table = dialog.findChild<QTableWidget *>("ports");
        QCOMPARE(table->rowCount(), 50);
        QTableWidgetItem *mapping = table->item(8, PortsDialog::Mapping);
        QTableWidgetItem *resolves = table->item(8, PortsDialog::ResolvesTo);
        QCOMPARE(resolves->text(), "/tmp/lines/COM9");
        mapping->setText(refusing);
        QCOMPARE(PortMap::mapping(9), refusing);
        QCOMPARE(resolves->text(), refusing);
        mapping->setText("tcp://host");
        QCOMPARE(mapping->text(), refusing);
        QCOMPARE(dialog.result(), "COM 9 not mapped: tcp://host has no port: write it as "
                                  "tcp://HOST:PORT, e.g. tcp://192.0.2.10:4001");

        table->selectRow(8);
        dialog.findChild<QPushButton *>("test")->click();
        QVERIFY(dialog.result().contains("connecting"));
        QTRY_COMPARE(dialog.result(),
                     QStringLiteral("COM 9 did not open (%1): connection refused").arg(refusing));
        qunsetenv(ComPortNames::DirVariable);
    }
};

QTEST_MAIN(PortMapTest)
#include "tst_port_map.moc"
