// A line that does not keep quiet: the RX box stays bounded and cheap, and a scan waits while
// a message box waits for the user (the poll cycle's wait is in tst_poll).
#include "BoxCatcher.h"
#include "FakeComm.h"
#include "Frames.h"
#include "ScanRunner.h"
#include "Tester.h"

#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using Frames::hex;
using Frames::withCrc;

namespace {

constexpr int EchoLimit = 64; // bytes the RX box keeps after a request

QByteArray stream(int count, int from = 0)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char((from + i) * 37 % 256));
    return bytes;
}

} // namespace

class BusyLineTest : public QObject {
    Q_OBJECT
private slots:
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
        LoadedTester<FakeComm> t;
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
        LoadedTester<FakeComm> t;
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

QTEST_MAIN(BusyLineTest)
#include "tst_busy_line.moc"
