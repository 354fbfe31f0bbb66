// The real serial component over a pseudo-terminal: line settings, bytes both
// ways, and the ways an open fails or a line goes away.
#include "BoxCatcher.h"
#include "Frames.h"
#include "MSComm.h"
#include "PseudoTerminal.h"
#include "Tester.h"

#include <QtTest>

using Frames::hex;

class PtyPortTest : public QObject {
    Q_OBJECT
private slots:
    void opensAt9600_8N1AndCarriesBytesBothWays()
    {
        PseudoTerminal line;
        Tester<MSComm> t;
        BoxCatcher catcher;
        t.window.Form_Load();
        QVERIFY(catcher.boxes.isEmpty());
        const termios settings = line.deviceSettings();
        QCOMPARE(cfgetospeed(&settings), speed_t(B9600));
        QCOMPARE(cfgetispeed(&settings), speed_t(B9600));
        QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));

        t.window.pollTimer_Timer();
        QByteArray onLine;
        QTRY_VERIFY_WITH_TIMEOUT((onLine += line.readAvailable()).size() >= 8, 3000);
        QCOMPARE(onLine, hex("01 01 00 00 00 08 3D CC"));
        QVERIFY(t.field("txtPort")->toolTip().contains(line.comDir()));
    }

    void secondOpenOfAHeldLineSaysItIsInUse()
    {
        PseudoTerminal line;
        MSComm first, second;
        QVERIFY(first.setPortOpen(true));
        QVERIFY(!second.setPortOpen(true));
        QVERIFY2(second.errorString().contains("in use by another program"),
                 qPrintable(second.errorString()));
        QVERIFY(first.PortOpen());
    }

    void otherEndClosingLosesThePortOnce()
    {
        auto line = std::make_unique<PseudoTerminal>();
        MSComm comm;
        QVERIFY(comm.setPortOpen(true));
        QSignalSpy lost(&comm, &SerialComm::portLost);
        line.reset(); // both test ends close: the tester's end reads EIO
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
        QVERIFY(!comm.PortOpen());
        QTest::qWait(200);
        QCOMPARE(lost.count(), 1);
    }
};

QTEST_MAIN(PtyPortTest)
#include "tst_pty_port.moc"
