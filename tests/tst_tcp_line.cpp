// The port over TCP as the program holds it (PortComm), where the window's
// tests do not reach: against the real simulator serving the line as a serial
// device server on 127.0.0.1, and against bare sockets for a server that
// refuses or never completes a connection.
#include "BareServer.h"
#include "PortComm.h"
#include "SimProcess.h"
#include "TcpComm.h"

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

class TcpLineTest : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(TcpLineTest)
#include "tst_tcp_line.moc"
