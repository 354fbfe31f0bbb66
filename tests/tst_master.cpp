// The Modbus master on its own, through an in-memory link: replies through the framer into
// the device image. The check program in tests/windows puts the request frames, whose CRCs
// were worked out by hand, through the master from the same table.
#include "MasterVectors.h"
#include "MemoryLink.h"
#include "StdStringCompare.h"

#include <QtTest>

using modbus::ModbusMaster;

class MasterTest : public QObject {
    Q_OBJECT
private slots:
    void repliesReachTheImage_data()
    {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < replyVectors().size(); ++i)
            QTest::newRow(replyVectors()[i].name) << int(i);
    }

    void repliesReachTheImage()
    {
        QFETCH(int, index);
        const ReplyVector &v = replyVectors()[std::size_t(index)];
        MemoryLink link;
        ModbusMaster m(link);
        v.request(m);
        link.queue(v.bytes);
        m.ReceiveBytes(m.LastRequest.Address);
        QCOMPARE(imageOf(m), std::string(v.image));
        QCOMPARE(link.rx, echoOf(v.bytes)); // every byte, used or not
        QCOMPARE(m.RxState.Count, 0);
    }

    void replySplitAnywhereGivesTheSameImage()
    {
        const Bytes reply = registerReply(22);
        const auto at = [&](std::size_t i) { return reply.begin() + std::ptrdiff_t(i); };
        for (std::size_t cut1 = 0; cut1 <= reply.size(); ++cut1) {
            for (std::size_t cut2 = cut1; cut2 <= reply.size(); ++cut2) {
                MemoryLink link;
                ModbusMaster m(link);
                readRegisters(m);
                for (const Bytes &part : {Bytes(at(0), at(cut1)), Bytes(at(cut1), at(cut2)),
                                          Bytes(at(cut2), reply.end())}) {
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
