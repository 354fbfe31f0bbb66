// The Modbus master on its own, through an in-memory link: the CRC, request
// frames on the wire, and replies through the framer into the device image.
#include "MasterVectors.h"
#include "MemoryLink.h"

#include <QtTest>

using modbus::ModbusMaster;
Q_DECLARE_METATYPE(MasterRequest)

namespace QTest {
template <> char *toString(const std::string &text)
{
    return qstrdup(text.c_str());
}
} // namespace QTest

namespace {

QByteArray asQByteArray(const Bytes &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size()));
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
        QTest::addColumn<MasterRequest>("request");
        QTest::addColumn<QByteArray>("expected");
        for (const RequestVector &v : requestVectors())
            QTest::newRow(v.name) << v.request << asQByteArray(v.frame);
    }

    void requestFramesAreByteExact()
    {
        QFETCH(MasterRequest, request);
        QFETCH(QByteArray, expected);
        MemoryLink link;
        ModbusMaster m(link);
        request(m);
        QCOMPARE(QByteArray::fromStdString(link.written), expected);
        QCOMPARE(link.tx, echoOf(Bytes(expected.begin(), expected.end())));
    }

    void repliesReachTheImage_data()
    {
        QTest::addColumn<MasterRequest>("request");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("image");
        for (const ReplyVector &v : replyVectors())
            QTest::newRow(v.name) << v.request << asQByteArray(v.bytes) << QString(v.image);
    }

    void repliesReachTheImage()
    {
        QFETCH(MasterRequest, request);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, image);
        MemoryLink link;
        ModbusMaster m(link);
        request(m);
        link.queue(bytes);
        m.ReceiveBytes(m.LastRequest.Address);
        QCOMPARE(QString::fromStdString(imageOf(m)), image);
        // every byte, used or not
        QCOMPARE(link.rx, echoOf(Bytes(bytes.begin(), bytes.end())));
        QCOMPARE(m.RxState.Count, 0);
    }

    void replySplitAnywhereGivesTheSameImage()
    {
        const QByteArray reply = asQByteArray(registerReply(22));
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
                QCOMPARE(imageOf(m), std::string(AllRegisters));
            }
        }
    }
};

QTEST_APPLESS_MAIN(MasterTest)
#include "tst_master.moc"
