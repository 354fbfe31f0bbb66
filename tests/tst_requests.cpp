// CRC-16 and request frames on the wire.
#include "Frames.h"
#include "MemoryLink.h"
#include "Module2.h"

#include <QtTest>

using modbus::ModbusMaster;

namespace {

QByteArray bytes(const std::string &s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

QByteArray txBytes(const ModbusMaster &m, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out.append(static_cast<char>(m.TxBuf[std::size_t(i)]));
    return out;
}

} // namespace

class RequestsTest : public QObject {
    Q_OBJECT
private slots:
    void crcMatchesPublishedCheckValue()
    {
        MemoryLink link;
        ModbusMaster m(link);
        const QByteArray check("123456789");
        for (int i = 0; i < check.size(); ++i)
            m.RxBuf[std::size_t(i)] = static_cast<std::uint8_t>(check[i]);
        m.ComputeCrc(9, false);
        QCOMPARE(m.CrcLo * 256 + m.CrcHi, 0x4B37);
    }

    void crcTablesMatchBitwiseCrcForEveryIndex()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.BuildCrcTables();
        for (int i = 0; i < 256; ++i) {
            std::uint16_t t = std::uint16_t(i);
            for (int bit = 0; bit < 8; ++bit)
                t = (t & 1) ? std::uint16_t((t >> 1) ^ 0xA001) : std::uint16_t(t >> 1);
            QCOMPARE(m.CrcHiTable[std::size_t(i)], t & 0xFF);
            QCOMPARE(m.CrcLoTable[std::size_t(i)], t >> 8);
        }
        // The published tables start and end like this.
        QCOMPARE(m.CrcHiTable[1], 0xC1);
        QCOMPARE(m.CrcHiTable[3], 0x40);
        QCOMPARE(m.CrcLoTable[4], 0xC3);
        QCOMPARE(m.CrcLoTable[255], 0x40);
    }

    void crcBuildsTablesOnFirstUseAndAgreesForBothBuffers()
    {
        MemoryLink link;
        ModbusMaster m(link);
        QCOMPARE(m.CrcHiTable[1], 0);
        m.ComputeCrc(0, true);
        QCOMPARE(m.CrcHi, 0xFF);
        QCOMPARE(m.CrcLo, 0xFF);
        QCOMPARE(m.CrcHiTable[1], 0xC1);

        const QByteArray frame = Frames::hex("01 05 00 00 FF 00");
        for (int i = 0; i < frame.size(); ++i) {
            m.TxBuf[std::size_t(i)] = static_cast<std::uint8_t>(frame[i]);
            m.RxBuf[std::size_t(i)] = static_cast<std::uint8_t>(frame[i]);
        }
        m.ComputeCrc(6, true);
        const auto tx = std::make_pair(m.CrcHi, m.CrcLo);
        m.ComputeCrc(6, false);
        QCOMPARE(std::make_pair(m.CrcHi, m.CrcLo), tx);
        QCOMPARE(tx, std::make_pair(std::int16_t(0x8C), std::int16_t(0x3A)));
    }

    void requestFramesAreByteExact_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("read holding registers 1,0,11")
            << 0 << Frames::hex("01 03 00 00 00 0B 04 0D");
        QTest::newRow("read coils 1,0,8") << 1 << Frames::hex("01 01 00 00 00 08 3D CC");
        QTest::newRow("write coil 1, relay 1 on") << 2 << Frames::hex("01 05 00 00 FF 00 8C 3A");
        QTest::newRow("write coil 1, relay 8 off") << 3 << Frames::hex("01 05 00 07 00 00 7C 0B");
        QTest::newRow("write coil 1, relay 3 on") << 4 << Frames::hex("01 05 00 02 FF 00 2D FA");
        QTest::newRow("write coil, state 7 is on")
            << 5 << Frames::withCrc(Frames::hex("11 05 00 03 FF 00"));
        QTest::newRow("all eight on") << 6 << Frames::hex("00 0F 00 00 00 08 01 FF 7F 19");
        QTest::newRow("all eight off") << 7 << Frames::hex("00 0F 00 00 00 08 01 00 3F 59");
        QTest::newRow("nine coils")
            << 8 << Frames::withCrc(Frames::hex("00 0F 00 00 00 09 02 FF 01"));
        QTest::newRow("read coils, address 0x63")
            << 9 << Frames::withCrc(Frames::hex("63 01 01 2C 00 10"));
    }

    void requestFramesAreByteExact()
    {
        QFETCH(int, request);
        QFETCH(QByteArray, expected);
        MemoryLink link;
        ModbusMaster m(link);
        const std::vector<std::uint8_t> ones(16, 1), zeros(8, 0);
        switch (request) {
        case 0:
            m.ReadHoldingRegisters(1, 0, 11);
            break;
        case 1:
            m.ReadCoils(1, 0, 8);
            break;
        case 2:
            m.WriteSingleCoil(1, 1, 1);
            break;
        case 3:
            m.WriteSingleCoil(1, 8, 0);
            break;
        case 4:
            m.WriteSingleCoil(1, 3, 1);
            break;
        case 5:
            m.WriteSingleCoil(0x11, 4, 7);
            break;
        case 6:
            m.WriteMultipleCoils(1, 0, 8, ones);
            break;
        case 7:
            m.WriteMultipleCoils(42, 0, 8, zeros);
            break;
        case 8:
            m.WriteMultipleCoils(1, 0, 9, ones);
            break;
        case 9:
            m.ReadCoils(0x63, 300, 16);
            break;
        }
        QCOMPARE(bytes(link.written), expected);
        QCOMPARE(QString::fromStdString(link.tx), Frames::echo(expected));
        QCOMPARE(txBytes(m, int(expected.size())), expected);
    }

    void shortValueArrayCountsMissingCoilsAsOff()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.WriteMultipleCoils(1, 0, 8, {1, 1, 1});
        QCOMPARE(bytes(link.written).mid(6, 2), Frames::hex("01 07"));
    }

    void impossibleCoilCountsSendNothing()
    {
        MemoryLink link;
        ModbusMaster m(link);
        m.WriteMultipleCoils(1, 0, 0, {});
        m.WriteMultipleCoils(1, 0, 1969, std::vector<std::uint8_t>(1969, 1));
        m.WriteMultipleCoils(1, 0, -5, {});
        QVERIFY(link.written.empty());

        m.WriteMultipleCoils(1, 0, 1968, std::vector<std::uint8_t>(1968, 1));
        QCOMPARE(int(link.written.size()), 9 + 246);
        QCOMPARE(link.written[6], char(246));
    }

    void sendingClearsBothEchoBoxesAndResetsTheRxColour()
    {
        MemoryLink link;
        ModbusMaster m(link);
        link.tx = "old";
        link.rx = "[01][02]";
        link.rxColour = 0x0000FF;
        m.ReadCoils(1, 0, 8);
        QCOMPARE(QString::fromStdString(link.tx),
                 Frames::echo(Frames::hex("01 01 00 00 00 08 3D CC")));
        QVERIFY(link.rx.empty());
        QCOMPARE(link.rxColour, 0u);
    }

    void closedPortSendsAndEchoesNothing()
    {
        MemoryLink link;
        link.open = false;
        link.tx = "stale";
        ModbusMaster m(link);
        m.ReadHoldingRegisters(1, 0, 11);
        QVERIFY(link.written.empty());
        QVERIFY(link.tx.empty());
    }

    void failingWriteStillEchoesAndGoesOn()
    {
        MemoryLink link;
        link.failingWrites = {2, 7};
        ModbusMaster m(link);
        m.ReadHoldingRegisters(1, 0, 11);
        QCOMPARE(bytes(link.written), Frames::hex("01 03 00 00 0B 04"));
        QCOMPARE(QString::fromStdString(link.tx),
                 Frames::echo(Frames::hex("01 03 00 00 00 0B 04 0D")));
    }
};

QTEST_APPLESS_MAIN(RequestsTest)
#include "tst_requests.moc"
