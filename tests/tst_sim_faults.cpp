// The simulator's faults on its line, read over TCP, where its bytes come
// unchanged: each option and its console command do the same, and something
// the tester can see; and each takes the values it always took. Wired by a
// loopback fixture, its inputs follow its relays once settled, with the faults
// on top; paced, its bytes take as long as a 9600 baud line's.
#include "Cases.h"
#include "Frames.h"
#include "SimProcess.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QUrl>
#include <QtTest>

namespace {

using Frames::hex;
using Frames::withCrc;

// Relay 2 switched on, then the coils and the registers read.
const QList<QByteArray> Requests{withCrc(hex("01 05 00 01 FF 00")),
                                 withCrc(hex("01 01 00 00 00 08")),
                                 withCrc(hex("01 03 00 00 00 0B"))};
const QStringList Start{"--tcp",    "0",       "--analog", "700,0,0",
                        "--inputs", "0,1,0,0", "--relays", "00001000"};

// A fault set by option and by command: the words after --tcp 0 and the start values, or
// after "fault" on the console.
struct FaultCase {
    const char *name, *option, *command;
};
const FaultCase FaultCases[] = {
    {"late", "--late 400", "late 400"},
    {"silent", "--silent", "silent"},
    {"corrupt CRC", "--corrupt-crc", "crc"},
    {"exception", "--exception", "exception"},
    {"noise", "--noise", "noise"},
    {"other address", "--other-address 2", "other-address"}, // own + 1
    {"cut short", "--cut-short", "cut-short"},
    {"stuck relay", "--stuck-relay 2", "stuck-relay 2"},
    {"shorted inputs", "--shorted-inputs 4,2", "shorted-inputs 4,2"},
};

// Started with `options`, or then given `command`: the first thing it says.
struct RangeCase {
    const char *name, *options, *command, *answer;
};
const RangeCase Ranges[] = {
    {"late most", "--late 60000", "", "ready"},
    {"late 0", "--late 0", "", "error: --late takes 1 to 60000"},
    {"address 248", "--other-address 248", "", "error: --other-address takes 1 to 247"},
    {"relay 0", "--stuck-relay 0", "", "error: --stuck-relay takes 1 to 8"},
    {"one input twice", "--shorted-inputs 3,3", "",
     "error: --shorted-inputs takes two different inputs 1 to 4, e.g. 1,2"},
    {"analog 4", "--analog-follows 1,4", "",
     "error: --analog-follows takes two different inputs 1 to 3, e.g. 1,2"},
    {"command late past most", "", "fault late 60001", "error"},
    {"command relay 0 clears", "", "fault stuck-relay 0", "ok"},
    {"command inputs 0 clears", "", "fault shorted-inputs 0", "ok"},
    {"command drop, no client", "", "fault drop", "error"},
    {"command at another address", "", "at 2 fault silent", "error"},
    {"command without a fault", "", "fault", "error"},
    {"command with one word too many", "", "fault silent 1", "error"},
    {"no fixture file", "--fixture /nonexistent/loop.ini", "",
     "error: /nonexistent/loop.ini: no such file"},
};

// Relays 1-4 drive digital inputs 1-4, relays 5-7 analog inputs 1-3; the inputs follow half the
// settle time after their relay, well past the time a read takes.
constexpr int SettleMs = 600;
const char Loopback[] = "[fixture]\nname=loop\nsettle_ms=600\n[digital]\n1=1\n2=2\n3=3\n4=4\n"
                        "[analog]\n1=5,200-300,700-800\n2=6,200-300,700-800\n3=7,200-300,700-800\n";

// With the fixture (Loopback unless named; "" none) and the options, relay `relay` is switched on and
// the console command given: the module as read at once, then once settled.
struct WiredCase {
    const char *name, *fixture, *options, *command;
    int relay;
    const char *atOnce, *settled;
};
const WiredCase Wired[] = {
    {"relay 1 drives input 1", nullptr, "", nullptr, 1,
     "coils 10000000 inputs 0000 analog 250 250 250",
     "coils 10000000 inputs 1000 analog 250 250 250"},
    {"relay 6 takes analog 2 into its high range", nullptr, "", nullptr, 6,
     "coils 00000100 inputs 0000 analog 250 250 250",
     "coils 00000100 inputs 0000 analog 250 750 250"},
    {"relay 8 drives nothing", nullptr, "", nullptr, 8,
     "coils 00000001 inputs 0000 analog 250 250 250",
     "coils 00000001 inputs 0000 analog 250 250 250"},
    {"unwired inputs keep their values", "[fixture]\nname=one\nsettle_ms=600\n[digital]\n1=1\n",
     "--inputs 0,1,0,1 --analog 100,200,300", nullptr, 1,
     "coils 10000000 inputs 0101 analog 100 200 300",
     "coils 10000000 inputs 1101 analog 100 200 300"},
    {"contact opened by command while closing", nullptr, "", "fault contact-open 3", 3,
     "coils 00100000 inputs 0000 analog 250 250 250",
     "coils 00100000 inputs 0000 analog 250 250 250"},
    {"dead input 2 shorted to input 1", nullptr, "--shorted-inputs 1,2 --dead-input 2", nullptr, 1,
     "coils 10000000 inputs 0000 analog 250 250 250",
     "coils 10000000 inputs 1000 analog 250 250 250"},
    {"relay 2 stuck on: its contact closed from the start", nullptr, "--stuck-on-relay 2", nullptr,
     1, "coils 11000000 inputs 0100 analog 250 250 250",
     "coils 11000000 inputs 1100 analog 250 250 250"},
    {"inverted relay 1: the contact as written", nullptr, "--inverted-relay 1", nullptr, 1,
     "coils 00000000 inputs 0000 analog 250 250 250",
     "coils 00000000 inputs 1000 analog 250 250 250"},
    // Without a fixture the wiring faults lie to the line alone: the simulator's own relays
    // stay as they were set.
    {"no fixture: relay stuck on, shorted inputs, an analog follower", "",
     "--analog 700,0,0 --inputs 0,1,0,0 --stuck-on-relay 2 --shorted-inputs 2,4 "
     "--analog-follows 1,3",
     nullptr, 1, "coils 11000000 inputs 0101 analog 700 0 700",
     "coils 11000000 inputs 0101 analog 700 0 700"},
};

struct Replies {
    QByteArray bytes; // each reply, as it came, then "|"
    qint64 ms = 0;    // from the first request to the last reply
};

// Connected to the simulator's TCP side at `address`.
bool connectTo(QTcpSocket &socket, const QString &address)
{
    const QUrl server(address);
    socket.connectToHost(server.host(), quint16(server.port()));
    return socket.waitForConnected(3000);
}

// Each reply is over when 50 ms pass without a byte, or none came within 1 s.
Replies repliesOf(const QString &address)
{
    QTcpSocket socket;
    if (!connectTo(socket, address))
        return {"no connection"};
    Replies replies;
    QElapsedTimer clock;
    clock.start();
    for (const QByteArray &request : Requests) {
        socket.write(request);
        QByteArray reply;
        while (socket.waitForReadyRead(reply.isEmpty() ? 1000 : 50))
            reply += socket.readAll();
        replies.bytes += reply + '|';
    }
    replies.ms = clock.elapsed();
    return replies;
}

// A request and its whole reply, `length` bytes, or what came within a second.
QByteArray ask(QTcpSocket &socket, const QByteArray &request, int length)
{
    socket.write(request);
    QByteArray reply;
    while (reply.size() < length && socket.waitForReadyRead(1000))
        reply += socket.readAll();
    return reply;
}

// The relays and inputs as the line reads them: "coils 10000000 inputs 1000 analog 250 250 250".
QString moduleRead(QTcpSocket &socket)
{
    const QByteArray coils = ask(socket, withCrc(hex("01 01 00 00 00 08")), 6);
    const QByteArray registers = ask(socket, withCrc(hex("01 03 00 00 00 0B")), 27);
    if (coils.size() != 6 || registers.size() != 27)
        return QStringLiteral("no reply: %1 %2").arg(coils.toHex(' '), registers.toHex(' '));
    QString text = QStringLiteral("coils ");
    for (int bit = 0; bit < 8; ++bit)
        text += (quint8(coils[3]) >> bit) & 1 ? '1' : '0';
    const auto word = [&](int i) {
        return quint8(registers[3 + 2 * i]) << 8 | quint8(registers[4 + 2 * i]);
    };
    text += QStringLiteral(" inputs ");
    for (int i = 7; i <= 10; ++i)
        text += QString::number(word(i));
    text += QStringLiteral(" analog %1 %2 %3").arg(word(4)).arg(word(5)).arg(word(6));
    return text;
}

} // namespace

class SimFaultsTest : public QObject {
    Q_OBJECT
    Replies sound;

private slots:
    void initTestCase()
    {
        SimProcess sim(Start);
        QVERIFY(sim.ready());
        sound = repliesOf(sim.tcpAddress());
        QCOMPARE(sound.bytes.count('|'), 3);
        QVERIFY(sound.bytes.size() > 3 + 8 + 6 + 27 - 1); // an answer to each
    }

    void optionAndCommandDoTheSame_data() { addCaseRows(FaultCases); }
    void optionAndCommandDoTheSame()
    {
        const FaultCase &c = fetchCase(FaultCases);
        Replies byOption, byCommand;
        {
            SimProcess sim(Start + words(c.option));
            QVERIFY(sim.ready());
            byOption = repliesOf(sim.tcpAddress());
        }
        SimProcess sim(Start);
        QVERIFY(sim.ready());
        const QString address = sim.tcpAddress();
        QVERIFY(sim.command(qPrintable(QStringLiteral("fault ") + c.command), "ok"));
        byCommand = repliesOf(address);
        QCOMPARE(byCommand.bytes, byOption.bytes);
        if (QByteArray(c.option).startsWith("--late")) {
            QCOMPARE(byOption.bytes, sound.bytes);
            QVERIFY2(byOption.ms >= 3 * 400 && byCommand.ms >= 3 * 400,
                     qPrintable(QString::number(byCommand.ms)));
        } else {
            QVERIFY(byOption.bytes != sound.bytes);
        }
        QVERIFY(sim.command("fault none", "ok"));
        QCOMPARE(repliesOf(address).bytes, sound.bytes);
    }

    // An option given out of range stops the simulator; a command answers an error.
    void valuesInRange_data() { addCaseRows(Ranges); }
    void valuesInRange()
    {
        const RangeCase &c = fetchCase(Ranges);
        SimProcess sim(words(c.options) + QStringList{"--tcp", "0"});
        if (*c.command != 0) {
            QVERIFY(sim.ready());
            sim.command(c.command);
        }
        QVERIFY(sim.waitForLine(""));
        QVERIFY2(sim.line.startsWith(c.answer), sim.line.constData());
        if (QByteArray(c.answer).startsWith("error: ") && *c.command == 0) {
            QTRY_COMPARE(sim.process.state(), QProcess::NotRunning);
            QCOMPARE(sim.process.exitCode(), 2);
        }
    }

    void fixtureWiresRelaysToInputs_data() { addCaseRows(Wired); }
    void fixtureWiresRelaysToInputs()
    {
        const WiredCase &c = fetchCase(Wired);
        QTemporaryFile fixture;
        QVERIFY(fixture.open());
        fixture.write(c.fixture ? c.fixture : Loopback);
        fixture.close();
        const bool wired = !c.fixture || *c.fixture;
        SimProcess sim(QStringList{"--tcp", "0"} +
                       (wired ? QStringList{"--fixture", fixture.fileName()} : QStringList{}) +
                       words(c.options));
        QVERIFY(sim.ready());
        QTcpSocket socket;
        QVERIFY(connectTo(socket, sim.tcpAddress()));
        QByteArray on = hex("01 05 00 00 FF 00");
        on[3] = char(c.relay - 1);
        QCOMPARE(ask(socket, withCrc(on), 8), withCrc(on)); // the echo
        if (c.command)
            QVERIFY(sim.command(c.command, "ok"));
        QCOMPARE(moduleRead(socket), QString::fromLatin1(c.atOnce));
        QTest::qWait(SettleMs);
        QCOMPARE(moduleRead(socket), QString::fromLatin1(c.settled));
        if (!wired)
            QVERIFY(sim.command("relays", "relays 10000000"));
    }

    // Paced, a request and its reply cannot be over before their 35 bytes have crossed a 9600
    // baud line, ten bits each; they come as they would unpaced, and the line counts them.
    void pacedAsTheWire()
    {
        const QByteArray request = withCrc(hex("01 03 00 00 00 0B"));
        QByteArray replies[2];
        for (const bool paced : {false, true}) {
            SimProcess sim(QStringList{"--tcp", "0"} +
                           (paced ? QStringList{"--paced"} : QStringList{}));
            QVERIFY(sim.ready());
            QTcpSocket socket;
            QVERIFY(connectTo(socket, sim.tcpAddress()));
            QElapsedTimer clock;
            clock.start();
            replies[paced] = ask(socket, request, 27);
            const double ms = double(clock.nsecsElapsed()) / 1e6;
            if (paced)
                QVERIFY2(ms >= (8 + 27) * 10 * 1000.0 / 9600, qPrintable(QString::number(ms)));
            QVERIFY(sim.command("carried", "carried"));
            QCOMPARE(sim.line, "carried 1 requests 8 bytes, 1 replies 27 bytes");
        }
        QCOMPARE(replies[1].size(), 27);
        QCOMPARE(replies[1], replies[0]);
    }
};

QTEST_MAIN(SimFaultsTest)
#include "tst_sim_faults.moc"
