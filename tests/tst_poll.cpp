// Relay buttons and the poll cycle through the real window, with the fake
// serial component playing a module; and a line that does not keep quiet: the
// RX box stays bounded and cheap, and a scan waits while a message box waits
// for the user.
#include "BoxCatcher.h"
#include "FakeComm.h"
#include "Frames.h"
#include "ScanRunner.h"
#include "Tester.h"

#include <QCheckBox>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using Frames::hex;
using Frames::withCrc;
using FakeTester = LoadedTester<FakeComm>;

namespace {

const QByteArray ReadCoils = hex("01 01 00 00 00 08 3D CC");
const QByteArray ReadRegisters = hex("01 03 00 00 00 0B 04 0D");
// Relays 1, 3 and 8 on.
const QByteArray CoilReply = withCrc(hex("01 01 01 85"));
// Analog inputs 1023, 512 and 65535 (past full scale); digital inputs 1 and 3 on.
const QByteArray RegisterReply =
    withCrc(hex("01 03 16 0000 0000 0000 0000 03FF 0200 FFFF 0001 0000 0005 0000"));

constexpr int EchoLimit = 64; // bytes the RX box keeps after a request

QByteArray stream(int count, int from = 0)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char((from + i) * 37 % 256));
    return bytes;
}

} // namespace

class PollTest : public QObject {
    Q_OBJECT
private slots:
    // Each tick sends one request and shows what the reply to the other one brought.
    void ticksAlternateAndShowTheOtherReply()
    {
        FakeTester t;
        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), ReadCoils);
        t.comm.inject(CoilReply);
        QCOMPARE(t.lamps("Shape1", 8), "RRRRRRRR");
        QCOMPARE(t.shape("Shape4", 0)->width(), 0);
        QCOMPARE(t.shape("Shape4", 0)->fillColor(), 0x00FF00u);

        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), ReadRegisters);
        QCOMPARE(t.tx(), Frames::echo(ReadRegisters)); // each send clears both echoes
        t.comm.inject(RegisterReply);
        QCOMPARE(t.rx(), Frames::echo(RegisterReply));
        QCOMPARE(t.lamps("Shape1", 8), "GRGRRRRG");
        QCOMPARE(t.analog(0), "0");

        t.window.pollTimer_Timer();
        QCOMPARE(t.analog(0) + ' ' + t.analog(1) + ' ' + t.analog(2), "1023 512 65535");
        QCOMPARE(t.lamps("Shape2", 4), "GRGR");
        QCOMPARE(t.shape("Shape4", 1)->width(), 89); // 512 / 1023 of 177 px
        for (int r : {0, 2})                         // full, and never past the outline
            QCOMPARE(t.shape("Shape4", r)->geometry(), t.shape("Shape3", r)->geometry());
    }

    void relayButtonsPutTheirFramesOnTheLine()
    {
        FakeTester t;
        t.click("btnOFF", 8);
        QCOMPARE(t.sent(), hex("01 05 00 07 00 00 7C 0B"));
        t.comm.inject(hex("01 05 00 07 00 00 7C 0B")); // the module's echo frees the line
        t.type("txtAddr", "57");
        t.click("btnON", 1);
        const QByteArray on57 = withCrc(hex("39 05 00 00 FF 00"));
        QCOMPARE(t.sent(), on57);
        t.comm.inject(on57);
        t.click("btnON", 0); // all eight of every module
        QCOMPARE(t.sent(), hex("00 0F 00 00 00 08 01 FF 7F 19"));
        t.click("btnOFF", 0); // after the modules' turnaround
        QCOMPARE(t.comm.written, QByteArray());
        QTRY_COMPARE(t.comm.written, hex("00 0F 00 00 00 08 01 00 3F 59"));
    }

    // A failing write does not stop the frame: the byte is still echoed.
    void failingWriteStillEchoesAndGoesOn()
    {
        FakeTester t;
        t.comm.failingWrites = {2, 7};
        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), hex("01 01 00 00 08 3D"));
        QCOMPARE(t.tx(), Frames::echo(ReadCoils));
    }

    void untickedPollSendsNothingAndResumesWhereItStopped()
    {
        FakeTester t;
        QCheckBox *poll = t.child<QCheckBox>("chkPoll");
        t.window.pollTimer_Timer();
        t.comm.inject(CoilReply);
        poll->click();
        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), ReadCoils); // and nothing after it
        poll->click();
        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), ReadRegisters);
    }

    // A decoder's box runs receive events nested: they must neither re-enter the framer nor
    // lose the bytes that arrive meanwhile. Ticks while a box waits for OK send nothing and
    // keep the phase; the cycle goes on where it stopped.
    void unexpectedResponseBoxesHoldTheLineAndLoseNothing()
    {
        FakeTester t;
        const QByteArray wrongCount = withCrc(hex("01 01 02 05 00"));
        BoxCatcher catcher;
        bool injected = false;
        catcher.whileOpen = [&] {
            if (std::exchange(injected, true))
                return;
            for (int tick = 0; tick < 3; ++tick)
                t.window.pollTimer_Timer();
            t.comm.inject(wrongCount + CoilReply);
        };
        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), ReadCoils);
        t.comm.inject(wrongCount);
        QCOMPARE(catcher.boxes.size(), 2);
        QCOMPARE(catcher.boxes[0].title + ": " + catcher.boxes[0].text,
                 "RZM-530 Tester: Unexpected response");
        QCOMPARE(catcher.maxOpenAtOnce, 1);
        QCOMPARE(t.sent(), QByteArray());
        QCOMPARE(t.rx(), Frames::echo(wrongCount + wrongCount + CoilReply));
        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), ReadRegisters);
        QCOMPARE(t.lamps("Shape1", 8), "GRGRRRRG");
    }

    // The box keeps the first bytes since the request, each receive event one update of it
    // while it has room and none once it is full.
    void rxBoxKeepsTheFirstBytesSinceTheRequest_data()
    {
        QTest::addColumn<QList<QByteArray>>("events");
        QTest::addColumn<int>("updates");
        QTest::newRow("one reply") << QList<QByteArray>{withCrc(hex("01 05 00 00 FF 00"))} << 1;
        QTest::newRow("just fits") << QList<QByteArray>{stream(40), stream(24, 40)} << 2;
        QTest::newRow("one event past the bound") << QList<QByteArray>{stream(300)} << 1;
        QList<QByteArray> bytes;
        for (int i = 0; i < 2000; ++i)
            bytes.append(stream(1, i));
        QTest::newRow("2000 single bytes") << bytes << EchoLimit;
    }

    void rxBoxKeepsTheFirstBytesSinceTheRequest()
    {
        QFETCH(QList<QByteArray>, events);
        QFETCH(int, updates);
        FakeTester t;
        t.click("btnON", 1);
        QSignalSpy changes(t.child<QPlainTextEdit>("txtRX")->document(),
                           &QTextDocument::contentsChanged);
        QByteArray all;
        for (const QByteArray &event : events) {
            t.comm.inject(event);
            all += event;
        }
        QCOMPARE(t.rx(), Frames::echo(all.left(EchoLimit)));
        QCOMPARE(changes.count(), updates);

        t.click("btnOFF", 1); // a request starts the box afresh
        t.comm.inject(stream(3));
        QCOMPARE(t.rx(), Frames::echo(stream(3)));
    }

    void noByteIsSplitAcrossTwoLines()
    {
        Tester<FakeComm> t;
        t.window.show();
        t.window.Form_Load();
        t.click("btnON", 1);
        t.comm.inject(stream(EchoLimit));
        const QTextBlock block = t.child<QPlainTextEdit>("txtRX")->document()->firstBlock();
        const QTextLayout *layout = block.layout();
        QVERIFY(layout->lineCount() > 2);
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QString text = block.text().mid(line.textStart(), line.textLength());
            QVERIFY2(text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')),
                     qPrintable(text));
        }
    }

    // A probe whose reply raises "Unexpected response" (the module at the
    // Address field, a wrong byte count): nothing more goes out while the box
    // waits for OK, and the scan goes on after it.
    void aScanWaitsBehindAMessageBox()
    {
        FakeTester t;
        BoxCatcher catcher;
        QByteArray writtenWhileOpen;
        catcher.whileOpen = [&] {
            const QByteArray before = t.comm.written;
            QTest::qWait(300); // longer than a probe's wait
            writtenWhileOpen = t.comm.written.mid(before.size());
        };
        ScanRunner scan(t.session, {{1}, 1, 2, {}}, std::chrono::milliseconds(100));
        bool answered = false;
        QTimer module; // answers the first probe as soon as it is on the line
        connect(&module, &QTimer::timeout, [&] {
            if (!answered && t.comm.written.size() >= 8) {
                answered = true;
                t.comm.inject(withCrc(hex("01 01 02 05 00")));
            }
        });
        module.start(1);
        bool finished = false;
        connect(&scan, &ScanRunner::finished, [&] { finished = true; });
        scan.start();
        QVERIFY(QTest::qWaitFor([&] { return finished; }, 3000));
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(writtenWhileOpen, QByteArray());
        QCOMPARE(t.sent(), withCrc(hex("01 01 00 00 00 08")) + withCrc(hex("02 01 00 00 00 08")));
    }
};

QTEST_MAIN(PollTest)
#include "tst_poll.moc"
