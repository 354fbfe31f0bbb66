// The real serial components. Over a pseudo-terminal: line settings, bytes both ways, and the
// ways an open fails or a line goes away. Over TCP as the program holds the port (PortComm),
// where the window's tests do not reach: against the real simulator serving the line as a
// serial device server on 127.0.0.1, and against bare sockets for a server that refuses or
// never completes a connection.
#include "BareServer.h"
#include "BoxCatcher.h"
#include "Frames.h"
#include "MSComm.h"
#include "PortComm.h"
#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "TcpComm.h"
#include "Tester.h"

#include <QTcpServer>
#include <QtTest>

#include <array>

namespace {

const QByteArray ReadCoils = QByteArray::fromHex("010100000008"
                                                 "3DCC");

// Writes the request and reads back `size` bytes, or what came within 2 s.
QByteArray exchange(SerialComm &comm, const QByteArray &request, int size)
{
    for (const char byte : request)
        if (!comm.Output(quint8(byte)))
            return "write failed";
    (void)QTest::qWaitFor([&] { return comm.InBufferCount() >= size; },
                          2000); // short: the caller sees
    QByteArray reply;
    while (comm.InBufferCount() > 0)
        reply.append(char(comm.Input()));
    return reply;
}

// Opens the port and waits for the connection.
bool connected(SerialComm &comm)
{
    QSignalSpy opened(&comm, &SerialComm::opened);
    return comm.setPortOpen(true) && comm.opening() && opened.wait(3000) && comm.PortOpen();
}

} // namespace

class PortsTest : public QObject {
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
        QCOMPARE(onLine, Frames::hex("01 01 00 00 00 08 3D CC"));
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

    void connectionThatNeverCompletesTimesOut()
    {
        // Nothing is taken from its short queue, so once it is full the kernel
        // drops further handshakes.
        QTcpServer server;
        server.setListenBacklogSize(1);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        server.pauseAccepting();
        std::array<QTcpSocket, 3> fillers;
        for (QTcpSocket &filler : fillers)
            filler.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QTest::qWait(100);

        PortComm comm;
        comm.setPort(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()));
        QSignalSpy failed(&comm, &SerialComm::openFailed);
        QVERIFY(comm.setPortOpen(true));
        QVERIFY(failed.wait(TcpComm::ConnectTimeoutMs + 2000));
        QCOMPARE(failed.front().front().toString(), "timed out");
        QVERIFY(!comm.opening());
    }

    // A newer open abandons the one under way; the simulator turns a second client away and
    // goes on serving the first.
    void newerOpenWinsAndASecondClientIsTurnedAway()
    {
        SimProcess sim({"--tcp", "0"});
        QVERIFY(sim.ready());
        PortComm first, second;
        QSignalSpy failed(&first, &SerialComm::openFailed);
        first.setPort(refusedUrl());
        QVERIFY(first.setPortOpen(true));
        first.setPort(sim.tcpAddress()); // the next keystroke
        QVERIFY(connected(first));
        QVERIFY(sim.logSays("connected"));
        // The handshake is the kernel's, so the second may open before it is closed.
        second.setPort(sim.tcpAddress());
        QVERIFY(second.setPortOpen(true));
        QVERIFY(sim.logSays("refused"));
        QVERIFY(QTest::qWaitFor([&] { return !second.PortOpen() && !second.opening(); }, 2000));
        QVERIFY(sim.log.contains("one client at a time"));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(exchange(first, ReadCoils, 6).size(), 6);
    }

    void silentServerKeepsThePortOpen()
    {
        SimProcess sim({"--tcp", "0", "--silent"});
        QVERIFY(sim.ready());
        PortComm comm;
        QSignalSpy lost(&comm, &SerialComm::portLost);
        comm.setPort(sim.tcpAddress());
        QVERIFY(connected(comm));
        QCOMPARE(exchange(comm, ReadCoils, 6), QByteArray());
        QTest::qWait(TcpComm::ConnectTimeoutMs); // nor does the connection's time-out close it
        QVERIFY(comm.PortOpen());
        QCOMPARE(lost.count(), 0);
    }
};

QTEST_MAIN(PortsTest)
#include "tst_ports.moc"
