// The simulator's faults on its line, read over TCP, where its bytes come
// unchanged: each option and its console command do the same, and something
// the tester can see; and each takes the values it always took.
#include "Cases.h"
#include "Frames.h"
#include "SimProcess.h"

#include <QElapsedTimer>
#include <QTcpSocket>
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
    {"inverted relay", "--inverted-relay 3", "inverted-relay 3"},
    {"dead input", "--dead-input 2", "dead-input 2"},
    {"relay stuck on", "--stuck-on-relay 7", "stuck-on-relay 7"},
    {"shorted inputs", "--shorted-inputs 4,2", "shorted-inputs 4,2"},
    {"analog follower", "--analog-follows 1,3", "analog-follows 1,3"},
};

// Started with `options`, or then given `command`: the first thing it says.
struct RangeCase {
    const char *name, *options, *command, *answer;
};
const RangeCase Ranges[] = {
    {"late most", "--late 60000", "", "ready"},
    {"late 0", "--late 0", "", "error: --late takes 1 to 60000"},
    {"address 248", "--other-address 248", "", "error: --other-address takes 1 to 247"},
    {"relay 8", "--stuck-relay 8", "", "ready"},
    {"relay 0", "--stuck-relay 0", "", "error: --stuck-relay takes 1 to 8"},
    {"input 5", "--dead-input 5", "", "error: --dead-input takes 1 to 4"},
    {"one input twice", "--shorted-inputs 3,3", "",
     "error: --shorted-inputs takes two different inputs 1 to 4, e.g. 1,2"},
    {"analog 4", "--analog-follows 1,4", "",
     "error: --analog-follows takes two different inputs 1 to 3, e.g. 1,2"},
    {"command late most", "", "fault late 60000", "ok"},
    {"command late past most", "", "fault late 60001", "error"},
    {"command address 0", "", "fault other-address 0", "error"},
    {"command relay 0 clears", "", "fault stuck-relay 0", "ok"},
    {"command relay 9", "", "fault stuck-relay 9", "error"},
    {"command inputs 0 clears", "", "fault shorted-inputs 0", "ok"},
    {"command analog 4", "", "fault analog-follows 3,4", "error"},
    {"command drop, no client", "", "fault drop", "error"},
    {"command at another address", "", "at 2 fault silent", "error"},
    {"command without a fault", "", "fault", "error"},
    {"command with one word too many", "", "fault silent 1", "error"},
};

struct Replies {
    QByteArray bytes; // each reply, as it came, then "|"
    qint64 ms = 0;    // from the first request to the last reply
};

// Each reply is over when 50 ms pass without a byte, or none came within 1 s.
Replies repliesOf(const QString &address)
{
    const QUrl server(address);
    QTcpSocket socket;
    socket.connectToHost(server.host(), quint16(server.port()));
    if (!socket.waitForConnected(3000))
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
        if (QByteArray(c.answer).startsWith("error: --")) {
            QTRY_COMPARE(sim.process.state(), QProcess::NotRunning);
            QCOMPARE(sim.process.exitCode(), 2);
        }
    }
};

QTEST_MAIN(SimFaultsTest)
#include "tst_sim_faults.moc"
