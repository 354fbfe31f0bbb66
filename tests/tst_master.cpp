// The Modbus master on its own, through an in-memory link: the CRC, request
// frames on the wire, and replies through the framer into the device image.
#include "Frames.h"
#include "MemoryLink.h"
#include "Module2.h"

#include <QtTest>

#include <functional>

using Frames::hex;
using Frames::withCrc;
using modbus::ModbusMaster;
using Request = std::function<void(ModbusMaster &)>;
Q_DECLARE_METATYPE(Request)

namespace {

void requestRow(const char *name, const QByteArray &expected, const Request &request)
{
    QTest::newRow(name) << request << expected;
}

const QByteArray CoilReply = hex("01 01 01 05 91 8B"); // coils 0 and 2 on
const QString AllRegisters = QStringLiteral("00000000 1 2 3 4 5 6 7 8 9 10 11");

const Request readCoils = [](ModbusMaster &m) { m.ReadCoils(1, 0, 8); };
const Request readRegisters = [](ModbusMaster &m) { m.ReadHoldingRegisters(1, 0, 11); };

// A register reply of `byteCount` data bytes in which register k holds k.
QByteArray registerReply(int byteCount)
{
    QByteArray frame = hex("01 03") + char(byteCount);
    for (int i = 0; i < byteCount; ++i)
        frame += char(i % 2 == 0 ? 0 : i / 2 + 1);
    return withCrc(frame);
}

// Coils 0 to 7 as "10100000", then registers 1 to 11 up to the last that is not 0.
QString image(const ModbusMaster &m)
{
    QString text;
    for (std::int16_t k = 0; k < 8; ++k)
        text += m.CoilStatus(k) ? QLatin1Char('1') : QLatin1Char('0');
    int last = 11;
    while (last > 0 && m.RegValue[std::size_t(last)] == 0)
        --last;
    for (int k = 1; k <= last; ++k)
        text += QLatin1Char(' ') + QString::number(m.RegValue[std::size_t(k)]);
    return text;
}

void replyRow(const char *name, const QByteArray &bytes, const QString &image,
              const Request &request = readCoils)
{
    QTest::newRow(name) << request << bytes << image;
}

} // namespace

class MasterTest : public QObject {
    Q_OBJECT
private slots:
    // Entries of the published table-driven Modbus CRC (auchCRCHi, auchCRCLo).
    void crcTablesMatchThePublishedOnes_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("lo");
        const int entries[][3] = {{1, 0xC1, 0xC0},   {2, 0x81, 0xC1},   {3, 0x40, 0x01},
                                  {4, 0x01, 0xC3},   {7, 0x41, 0xC2},   {100, 0x01, 0xEB},
                                  {127, 0x41, 0xE0}, {128, 0x01, 0xA0}, {129, 0xC0, 0x60},
                                  {200, 0x01, 0x96}, {253, 0xC1, 0x81}, {254, 0x81, 0x80},
                                  {255, 0x40, 0x40}};
        for (const auto &e : entries)
            QTest::addRow("%d", e[0]) << e[0] << e[1] << e[2];
    }

    void crcTablesMatchThePublishedOnes()
    {
        QFETCH(int, index);
        QFETCH(int, hi);
        QFETCH(int, lo);
        MemoryLink link;
        ModbusMaster m(link);
        m.BuildCrcTables();
        QCOMPARE(int(m.CrcHiTable[std::size_t(index)]), hi);
        QCOMPARE(int(m.CrcLoTable[std::size_t(index)]), lo);
    }

    // CRC-16/MODBUS of "123456789"; the tables are built on first use.
    void crcOfTheCheckStringIs4B37()
    {
        MemoryLink link;
        ModbusMaster m(link);
        const QByteArray check("123456789");
        std::copy(check.begin(), check.end(), m.RxBuf.begin());
        m.ComputeCrc(9, false);
        QCOMPARE(m.CrcLo * 256 + m.CrcHi, 0x4B37);
    }

    void requestFramesAreByteExact_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QByteArray>("expected");
        const std::vector<std::uint8_t> on(1969, 1);
        requestRow("read registers", hex("01 03 00 00 00 0B 04 0D"),
                   [](auto &m) { m.ReadHoldingRegisters(1, 0, 11); });
        requestRow("read coils", hex("01 01 00 00 00 08 3D CC"),
                   [](auto &m) { m.ReadCoils(1, 0, 8); });
        requestRow("read coils from 300", withCrc(hex("63 01 01 2C 00 10")),
                   [](auto &m) { m.ReadCoils(0x63, 300, 16); });
        requestRow("relay 1 on", hex("01 05 00 00 FF 00 8C 3A"),
                   [](auto &m) { m.WriteSingleCoil(1, 1, 1); });
        requestRow("any state but 0 is on", withCrc(hex("11 05 00 03 FF 00")),
                   [](auto &m) { m.WriteSingleCoil(0x11, 4, 7); });
        requestRow("missing values are off", withCrc(hex("00 0F 00 00 00 08 01 07")), [](auto &m) {
            m.WriteMultipleCoils(1, 0, 8, {1, 1, 1});
        });
        requestRow("broadcast, nine coils", withCrc(hex("00 0F 00 00 00 09 02 FF 01")),
                   [on](auto &m) { m.WriteMultipleCoils(1, 0, 9, on); });
        requestRow("1968 coils", withCrc(hex("00 0F 00 00 07 B0 F6") + QByteArray(246, '\xFF')),
                   [on](auto &m) { m.WriteMultipleCoils(1, 0, 1968, on); });
        requestRow("1969 coils send nothing", {},
                   [on](auto &m) { m.WriteMultipleCoils(1, 0, 1969, on); });
        requestRow("no coils send nothing", {}, [](auto &m) { m.WriteMultipleCoils(1, 0, 0, {}); });
    }

    void requestFramesAreByteExact()
    {
        QFETCH(Request, request);
        QFETCH(QByteArray, expected);
        MemoryLink link;
        ModbusMaster m(link);
        request(m);
        QCOMPARE(QByteArray::fromStdString(link.written), expected);
        QCOMPARE(QString::fromStdString(link.tx), Frames::echo(expected));
    }

    void repliesReachTheImage_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("image");
        const QByteArray badCrc = hex("01 01 01 FF 11 C9"); // one bit off
        replyRow("coils", CoilReply, "10100000");
        replyRow("noise first", hex("FF 00 7E 02 55 01 99") + CoilReply, "10100000");
        replyRow("exception reply first", withCrc(hex("01 81 02")) + CoilReply, "10100000");
        replyRow("stray address swallows one reply",
                 hex("01") + CoilReply + withCrc(hex("01 01 01 81")), "10000001");
        replyRow("bad CRC is dropped", CoilReply + badCrc, "10100000");
        replyRow("bad CRC, then a frame", badCrc + CoilReply, "10100000");
        replyRow("write echo, then coils", hex("01 05 00 02 FF 00 2D FA") + CoilReply, "10100000");
        replyRow("wrong coil byte count", CoilReply + withCrc(hex("01 01 02 FF FF")), "10100000");
        replyRow("another address", CoilReply, "00000000", [](auto &m) { m.ReadCoils(2, 0, 8); });
        replyRow("reply to an older request", CoilReply, "00000000", [](auto &m) {
            readCoils(m);
            readRegisters(m);
        });
        replyRow("start and quantity", withCrc(hex("01 01 01 FF")), "00111000",
                 [](auto &m) { m.ReadCoils(1, 2, 3); });
        replyRow("registers", registerReply(22), AllRegisters, readRegisters);
        replyRow("registers, one byte over", registerReply(23), AllRegisters, readRegisters);
        replyRow("registers, one byte short", registerReply(21), "00000000", readRegisters);
        replyRow("registers above 32767", withCrc(hex("01 03 04 FF FF 80 00")),
                 "00000000 65535 32768", [](auto &m) { m.ReadHoldingRegisters(1, 0, 2); });
        replyRow("longest frame", registerReply(255), AllRegisters,
                 [](auto &m) { m.ReadHoldingRegisters(1, 0, 127); });
    }

    void repliesReachTheImage()
    {
        QFETCH(Request, request);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, image);
        MemoryLink link;
        ModbusMaster m(link);
        request(m);
        link.queue(bytes);
        m.ReceiveBytes(m.LastRequest.Address);
        QCOMPARE(::image(m), image);
        QCOMPARE(QString::fromStdString(link.rx), Frames::echo(bytes)); // every byte, used or not
        QCOMPARE(m.RxState.Count, 0);
    }

    void replySplitAnywhereGivesTheSameImage()
    {
        const QByteArray reply = registerReply(22);
        for (int cut1 = 0; cut1 <= reply.size(); ++cut1) {
            for (int cut2 = cut1; cut2 <= reply.size(); ++cut2) {
                MemoryLink link;
                ModbusMaster m(link);
                readRegisters(m);
                for (const QByteArray &part :
                     {reply.left(cut1), reply.mid(cut1, cut2 - cut1), reply.mid(cut2)}) {
                    link.queue(part);
                    m.ReceiveBytes(1);
                }
                QCOMPARE(image(m), AllRegisters);
            }
        }
    }
};

QTEST_APPLESS_MAIN(MasterTest)
#include "tst_master.moc"
