// The simulator's faults on its line, read over TCP, where its bytes come
// unchanged: each option and its console command do the same, and something
// the tester can see; and each takes the values it always took.
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

    void optionAndCommandDoTheSame_data()
    {
        QTest::addColumn<QStringList>("option");
        QTest::addColumn<QString>("command");
        QTest::newRow("late") << QStringList{"--late", "400"} << "fault late 400";
        QTest::newRow("silent") << QStringList{"--silent"} << "fault silent";
        QTest::newRow("corrupt CRC") << QStringList{"--corrupt-crc"} << "fault crc";
        QTest::newRow("exception") << QStringList{"--exception"} << "fault exception";
        QTest::newRow("noise") << QStringList{"--noise"} << "fault noise";
        QTest::newRow("other address") << QStringList{"--other-address", "2"}
                                       << "fault other-address"; // own + 1
        QTest::newRow("cut short") << QStringList{"--cut-short"} << "fault cut-short";
        QTest::newRow("stuck relay") << QStringList{"--stuck-relay", "2"} << "fault stuck-relay 2";
        QTest::newRow("inverted relay")
            << QStringList{"--inverted-relay", "3"} << "fault inverted-relay 3";
        QTest::newRow("dead input") << QStringList{"--dead-input", "2"} << "fault dead-input 2";
        QTest::newRow("relay stuck on")
            << QStringList{"--stuck-on-relay", "7"} << "fault stuck-on-relay 7";
        QTest::newRow("shorted inputs")
            << QStringList{"--shorted-inputs", "4,2"} << "fault shorted-inputs 4,2";
        QTest::newRow("analog follower")
            << QStringList{"--analog-follows", "1,3"} << "fault analog-follows 1,3";
    }
    void optionAndCommandDoTheSame()
    {
        QFETCH(QStringList, option);
        QFETCH(QString, command);
        Replies byOption, byCommand;
        {
            SimProcess sim(Start + option);
            QVERIFY(sim.ready());
            byOption = repliesOf(sim.tcpAddress());
        }
        SimProcess sim(Start);
        QVERIFY(sim.ready());
        const QString address = sim.tcpAddress();
        QVERIFY(sim.command(qPrintable(command), "ok"));
        byCommand = repliesOf(address);
        QCOMPARE(byCommand.bytes, byOption.bytes);
        if (option.front() == "--late") {
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
    void valuesInRange_data()
    {
        QTest::addColumn<QStringList>("option");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer");
        const auto option = [](const char *name, QStringList option, const char *answer) {
            QTest::newRow(name) << option << QString() << answer;
        };
        const auto command = [](const char *text, const char *answer) {
            QTest::newRow(text) << QStringList() << text << answer;
        };
        option("--late 60000", {"--late", "60000"}, "ready");
        option("--late 0", {"--late", "0"}, "error: --late takes 1 to 60000");
        option("--other-address 248", {"--other-address", "248"},
               "error: --other-address takes 1 to 247");
        option("--stuck-relay 8", {"--stuck-relay", "8"}, "ready");
        option("--stuck-relay 0", {"--stuck-relay", "0"}, "error: --stuck-relay takes 1 to 8");
        option("--inverted-relay 9", {"--inverted-relay", "9"},
               "error: --inverted-relay takes 1 to 8");
        option("--dead-input 5", {"--dead-input", "5"}, "error: --dead-input takes 1 to 4");
        option("--stuck-on-relay 9", {"--stuck-on-relay", "9"},
               "error: --stuck-on-relay takes 1 to 8");
        option("--shorted-inputs 3,3", {"--shorted-inputs", "3,3"},
               "error: --shorted-inputs takes two different inputs 1 to 4, e.g. 1,2");
        option("--analog-follows 1,4", {"--analog-follows", "1,4"},
               "error: --analog-follows takes two different inputs 1 to 3, e.g. 1,2");
        command("fault late 60000", "ok");
        command("fault late 60001", "error");
        command("fault other-address 247", "ok");
        command("fault other-address 0", "error");
        command("fault stuck-relay 0", "ok");
        command("fault stuck-relay 9", "error");
        command("fault inverted-relay 8", "ok");
        command("fault dead-input 5", "error");
        command("fault stuck-on-relay 8", "ok");
        command("fault shorted-inputs 0", "ok");
        command("fault shorted-inputs 1,5", "error");
        command("fault analog-follows 3,1", "ok");
        command("fault analog-follows 3,4", "error");
        command("fault drop", "error"); // no client
        command("at 1 fault silent", "ok");
        command("at 2 fault silent", "error");
        command("fault", "error");
    }
    void valuesInRange()
    {
        QFETCH(QStringList, option);
        QFETCH(QString, command);
        QFETCH(QString, answer);
        SimProcess sim(option + QStringList{"--tcp", "0"});
        if (!command.isEmpty()) {
            QVERIFY(sim.ready());
            sim.command(qPrintable(command));
        }
        QVERIFY(sim.waitForLine(""));
        QVERIFY2(sim.line.startsWith(answer.toUtf8()), sim.line.constData());
        if (answer.startsWith("error: --")) {
            QTRY_COMPARE(sim.process.state(), QProcess::NotRunning);
            QCOMPARE(sim.process.exitCode(), 2);
        }
    }
};

QTEST_MAIN(SimFaultsTest)
#include "tst_sim_faults.moc"
