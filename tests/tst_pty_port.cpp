// The real serial component over a pseudo-terminal, found through RZM530_COM_DIR.
#include "BoxCatcher.h"
#include "ComPortNames.h"
#include "Frames.h"
#include "MSComm.h"
#include "PseudoTerminal.h"
#include "WindowProbe.h"
#include "frmMain.h"

#include <QSignalSpy>
#include <QtTest>

using Frames::hex;

class PtyPortTest : public QObject {
    Q_OBJECT
private slots:
    void opensAt9600_8N1AndStaysOpen()
    {
        PseudoTerminal line;
        QVERIFY(line.isValid());
        qputenv(ComPortNames::DirVariable, line.comDir().toLocal8Bit());
        MSComm comm;
        frmMain window(comm);
        const WindowProbe probe(window);
        probe.pollTimer()->stop();
        BoxCatcher catcher;
        window.Form_Load();
        QVERIFY(catcher.boxes.isEmpty());
        QVERIFY(comm.PortOpen());

        const termios t = line.deviceSettings();
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QCOMPARE(cfgetispeed(&t), speed_t(B9600));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(t.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
        QCOMPARE(comm.serialPort().baudRate(), 9600);

        window.pollTimer_Timer();
        QByteArray onLine;
        QTRY_VERIFY_WITH_TIMEOUT((onLine += line.readAvailable()).size() >= 8, 3000);
        QCOMPARE(onLine, hex("01 01 00 00 00 08 3D CC"));

        line.write(hex("01 01 01 05 91 8B"));
        QTRY_COMPARE_WITH_TIMEOUT(probe.rx(), QStringLiteral("[01][01][01][05][91][8B]"), 3000);
        QCOMPARE(window.master().CoilStatus(2), 1);

        // The relay buttons' frames, byte for byte on the line.
        const auto sentOnClick = [&](const char *array, int row) {
            probe.click(array, row);
            QByteArray bytes;
            if (!QTest::qWaitFor([&] { return (bytes += line.readAvailable()).size() >= 8; }, 3000))
                return bytes;
            QTest::qWait(20);
            return bytes + line.readAvailable();
        };
        QCOMPARE(sentOnClick("btnON", 3), hex("01 05 00 02 FF 00 2D FA"));
        QCOMPARE(sentOnClick("btnOFF", 8), hex("01 05 00 07 00 00 7C 0B"));
        QCOMPARE(sentOnClick("btnON", 0), hex("00 0F 00 00 00 08 01 FF 7F 19"));

        QTest::qWait(300);
        QVERIFY(comm.PortOpen());
        QVERIFY(probe.field(QStringLiteral("txtPort"))->toolTip().contains(line.comDir()));
        qunsetenv(ComPortNames::DirVariable);
    }

    void missingDeviceReportsPathAndReason()
    {
        QTemporaryDir empty;
        qputenv(ComPortNames::DirVariable, empty.path().toLocal8Bit());
        MSComm comm;
        frmMain window(comm);
        BoxCatcher catcher;
        window.Form_Load();
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].text, QStringLiteral("Unable to open Com Port 1"));
        QVERIFY(catcher.boxes[0].details.startsWith(empty.path() + QStringLiteral("/COM1: ")));
        QVERIFY(catcher.boxes[0].details.size() > empty.path().size() + 7);
        QVERIFY(!comm.PortOpen());
        qunsetenv(ComPortNames::DirVariable);
    }

    void deviceThatIsNotALineFailsWithoutHanging()
    {
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("COM1")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        qputenv(ComPortNames::DirVariable, dir.path().toLocal8Bit());
        MSComm comm;
        comm.setCommPort(1);
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(!comm.PortOpen());
        QVERIFY(!comm.errorString().isEmpty());
        qunsetenv(ComPortNames::DirVariable);
    }

    void secondOpenOfAHeldLineFails()
    {
        PseudoTerminal line;
        qputenv(ComPortNames::DirVariable, line.comDir().toLocal8Bit());
        MSComm first, second;
        first.setCommPort(1);
        second.setCommPort(1);
        QVERIFY(first.setPortOpen(true));
        QVERIFY(!second.setPortOpen(true));
        QVERIFY2(second.errorString().contains(QStringLiteral("in use by another program")),
                 qPrintable(second.errorString()));
        QVERIFY(first.PortOpen());
        qunsetenv(ComPortNames::DirVariable);
    }

    void otherEndClosingLosesThePortOnce()
    {
        auto line = std::make_unique<PseudoTerminal>();
        qputenv(ComPortNames::DirVariable, line->comDir().toLocal8Bit());
        MSComm comm;
        comm.setCommPort(1);
        QVERIFY(comm.setPortOpen(true));
        QSignalSpy lost(&comm, &SerialComm::portLost);
        line.reset(); // both test ends close: the tester's end reads EIO
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
        QVERIFY(!comm.PortOpen());
        QTest::qWait(200);
        QCOMPARE(lost.count(), 1);
        qunsetenv(ComPortNames::DirVariable);
    }
};

QTEST_MAIN(PtyPortTest)
#include "tst_pty_port.moc"
