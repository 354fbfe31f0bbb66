// The Modbus master on its own, through an in-memory link: a reply cut anywhere leaves the
// image a whole one does. The frame table itself, requests and replies with CRCs worked out by
// hand, runs through the master in the check program of tests/windows (windows_check_native).
#include "MasterVectors.h"
#include "MemoryLink.h"
#include "StdStringCompare.h"

#include <QtTest>

using modbus::ModbusMaster;

class MasterTest : public QObject {
    Q_OBJECT
private slots:
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
