// Replies through the receive framer and the decoder, as byte sequences split
// over receive events the way a serial line delivers them.
#include "Frames.h"
#include "MemoryLink.h"
#include "Module2.h"

#include <QtTest>

using Frames::hex;
using Frames::withCrc;
using modbus::ModbusMaster;

namespace {

const QByteArray CoilReply = hex("01 01 01 05 91 8B"); // coils 0 and 2 on

// Feeds each chunk as one receive event.
void receive(ModbusMaster &m, MemoryLink &link, const QList<QByteArray> &chunks, int address = 1)
{
    for (const QByteArray &chunk : chunks) {
        link.queue(chunk);
        m.ReceiveBytes(std::int16_t(address));
    }
}

std::array<int, 8> coils(const ModbusMaster &m)
{
    std::array<int, 8> out{};
    for (int k = 0; k < 8; ++k)
        out[std::size_t(k)] = m.CoilStatus(std::int16_t(k));
    return out;
}

constexpr std::array<int, 8> Coils0And2{1, 0, 1, 0, 0, 0, 0, 0};
constexpr std::array<int, 8> NoCoils{};

QByteArray registerReply(int byteCount, int address = 1)
{
    QByteArray frame = QByteArray(1, char(address)) + hex("03") + QByteArray(1, char(byteCount));
    for (int i = 0; i < byteCount; ++i)
        frame.append(char(i % 2 == 0 ? 0 : i / 2 + 1)); // register k holds k
    return withCrc(frame);
}

} // namespace

class FramerTest : public QObject {
    Q_OBJECT
private slots:
    void coilReplyInOneEvent()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        receive(m, link, {CoilReply});
        QCOMPARE(coils(m), Coils0And2);
        QCOMPARE(QString::fromStdString(link.rx), Frames::echo(CoilReply));
        QCOMPARE(m.RxState.Count, 0);
        QVERIFY(link.messages.empty());
    }

    void replyCutAtEveryPointGivesTheSameResult()
    {
        const QByteArray reply = registerReply(22);
        for (int cut1 = 0; cut1 <= reply.size(); ++cut1) {
            for (int cut2 = cut1; cut2 <= reply.size(); ++cut2) {
                MemoryLink link;
                ModbusMaster m(link);
                m.ReadHoldingRegisters(1, 0, 11);
                receive(m, link, {reply.left(cut1), reply.mid(cut1, cut2 - cut1), reply.mid(cut2)});
                for (int k = 1; k <= 11; ++k)
                    QCOMPARE(int(m.RegValue[std::size_t(k)]), k);
            }
        }
    }

    void replyOneBytePerEvent()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        QList<QByteArray> chunks;
        for (char c : CoilReply)
            chunks.append(QByteArray(1, c));
        receive(m, link, chunks);
        QCOMPARE(coils(m), Coils0And2);
    }

    void noiseBeforeTheReplyIsSkipped_data()
    {
        QTest::addColumn<QByteArray>("noise");
        QTest::newRow("other bytes") << hex("FF 00 7E 02 55");
        QTest::newRow("address then no function") << hex("01 99");
        QTest::newRow("address then exception code") << hex("01 83");
    }

    void noiseBeforeTheReplyIsSkipped()
    {
        QFETCH(QByteArray, noise);
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        receive(m, link, {noise + CoilReply});
        QCOMPARE(coils(m), Coils0And2);
    }

    void strayAddressByteSwallowsOneReplyThenResynchronises()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        const QByteArray second = withCrc(hex("01 01 01 81"));
        receive(m, link, {hex("01") + CoilReply, second});
        QCOMPARE(coils(m), (std::array<int, 8>{1, 0, 0, 0, 0, 0, 0, 1}));
    }

    void exceptionReplyIsDroppedAndTheNextReplyTaken()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        const QByteArray exception = withCrc(hex("01 81 02"));
        QVERIFY(!exception.mid(2).contains('\x01')); // its tail cannot look like an address
        receive(m, link, {exception, CoilReply});
        QCOMPARE(coils(m), Coils0And2);
    }

    void badCrcIsDroppedAndTheNextByteStartsAFrame()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        QByteArray corrupt = withCrc(hex("01 01 01 FF"));
        corrupt[corrupt.size() - 1] = char(corrupt.back() ^ 0x01);
        receive(m, link, {corrupt});
        QCOMPARE(coils(m), NoCoils); // never decoded
        QCOMPARE(m.RxState.Count, 0);
        receive(m, link, {CoilReply});
        QCOMPARE(coils(m), Coils0And2);
    }

    void replyFromAnotherAddressIsIgnored()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(2, 0, 8);
        receive(m, link, {CoilReply}, 2);
        QCOMPARE(coils(m), NoCoils);
        QCOMPARE(QString::fromStdString(link.rx), Frames::echo(CoilReply)); // still echoed
    }

    void longestFrameEndsAtSlot259()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadHoldingRegisters(1, 0, 127);
        const QByteArray reply = registerReply(255);
        QCOMPARE(reply.size(), 260);
        receive(m, link, {reply.left(100), reply.mid(100)});
        QCOMPARE(int(m.RegValue[127]), 127);
        QCOMPARE(m.RxBuf[259], std::int16_t(static_cast<std::uint8_t>(reply[259])));
        QCOMPARE(m.RxState.Count, 0);
    }

    void writeEchoPassesAndChangesNothing()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        receive(m, link, {CoilReply});
        const auto regsBefore = m.RegValue;
        m.WriteSingleCoil(1, 3, 1);
        receive(m, link, {hex("01 05 00 02 FF 00 2D FA")});
        QCOMPARE(coils(m), Coils0And2);
        QVERIFY(m.RegValue == regsBefore);
        QCOMPARE(m.RxState.Count, 0); // the echo was framed as one whole frame
        receive(m, link, {withCrc(hex("01 01 01 00"))});
        QCOMPARE(coils(m), Coils0And2); // LastRequest is the write now
    }

    void wrongCoilByteCountShowsOneBoxAndKeepsTheImage()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        receive(m, link, {CoilReply});
        receive(m, link, {withCrc(hex("01 01 02 FF FF"))});
        QCOMPARE(int(link.messages.size()), 1);
        QCOMPARE(link.messages.front(), std::string("Unexpected response"));
        QCOMPARE(coils(m), Coils0And2);
    }

    void registerByteCounts_data()
    {
        QTest::addColumn<int>("byteCount");
        QTest::addColumn<bool>("taken");
        QTest::newRow("21") << 21 << false;
        QTest::newRow("22") << 22 << true;
        QTest::newRow("23") << 23 << true;
        QTest::newRow("24") << 24 << false;
    }

    void registerByteCounts()
    {
        QFETCH(int, byteCount);
        QFETCH(bool, taken);
        MemoryLink link;
        ModbusMaster m(link);
        m.RegValue[5] = 999;
        m.ReadHoldingRegisters(1, 0, 11);
        receive(m, link, {registerReply(byteCount)});
        QCOMPARE(int(m.RegValue[5]), taken ? 5 : 999);
        QVERIFY(link.messages.empty());
    }

    void replyToAnOlderRequestIsDropped()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        m.ReadHoldingRegisters(1, 0, 11);
        receive(m, link, {CoilReply});
        QCOMPARE(coils(m), NoCoils);
    }

    void registerValuesAboveSignedRangeAreKept()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadHoldingRegisters(1, 0, 2);
        receive(m, link, {withCrc(hex("01 03 04 FF FF 80 00"))});
        QCOMPARE(int(m.RegValue[1]), 65535);
        QCOMPARE(int(m.RegValue[2]), 32768);
    }

    void coilsLandAtTheRequestedStartAndNowhereElse()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.CoilState[9] = 1;
        m.CoilState[13] = 1;
        m.ReadCoils(1, 10, 3);
        receive(m, link, {withCrc(hex("01 01 01 FF"))});
        QCOMPARE(int(m.CoilState[9]), 1);
        QCOMPARE(int(m.CoilState[10]), 1);
        QCOMPARE(int(m.CoilState[12]), 1);
        QCOMPARE(int(m.CoilState[13]), 1); // beyond the quantity: untouched
        m.CoilState[13] = 0;
        m.ReadCoils(1, 398, 16);
        receive(m, link, {withCrc(hex("01 01 02 FF FF"))});
        QCOMPARE(int(m.CoilState[400]), 1); // and nothing past the last slot
    }

    // A box opened by the decoder runs receive events nested: they must neither
    // re-enter the framer nor lose the bytes that arrive meanwhile.
    void bytesArrivingWhileTheBoxIsOpenAreFramedAfterIt()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.ReadCoils(1, 0, 8);
        const QByteArray wrongCount = withCrc(hex("01 01 02 00 00"));
        int nestedCalls = 0;
        link.whileBoxOpen = [&] {
            if (nestedCalls++ == 0) {
                link.queue(wrongCount + CoilReply);
                m.ReceiveBytes(1); // the nested receive event
                QCOMPARE(link.InBufferCount(), int(wrongCount.size() + CoilReply.size()));
            }
        };
        receive(m, link, {wrongCount});
        QCOMPARE(int(link.messages.size()), 2);
        QCOMPARE(link.maxOpenBoxes, 1);
        QCOMPARE(coils(m), Coils0And2);
        QCOMPARE(QString::fromStdString(link.rx),
                 Frames::echo(wrongCount + wrongCount + CoilReply));
    }
};

QTEST_APPLESS_MAIN(FramerTest)
#include "tst_framer.moc"
