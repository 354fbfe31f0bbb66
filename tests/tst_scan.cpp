// The finder's scan over the line monitor: every module that answers is found, whatever
// its reply's faults, and ports missing or lost on the way are told apart.
#include "Exchange.h"
#include "LineClock.h"
#include "ReferenceCrc.h"
#include "Scan.h"
#include "StdStringCompare.h"

#include <QtTest>

#include <map>

using namespace std::chrono_literals;
using line::LineMonitor;
using line::Time;
using lineclock::T0;
using lineclock::wall;

class ScanTest : public QObject {
    Q_OBJECT
private slots:
    // A fake line where address 2 answers, 5 answers with an exception, 7 with a
    // spoilt CRC, 8 from the wrong address, 9 after noise, 10 with noise alone,
    // and the rest stay silent; COM 4 is missing, and so is the server mapped to
    // COM 5, which is no fault. Each probe is one Read Coils 0-7.
    void scanFindsEveryModuleThatAnswers()
    {
        LineMonitor m(100, wall);
        const line::Transaction *last = nullptr;
        m.setListener([&](const line::Transaction &t) { last = &t; });
        line::Scan scan({{3, 4, 5}, 1, 10, {5}});
        Time t = T0;
        while (scan.step() != line::Scan::Step::Done) {
            if (scan.step() == line::Scan::Step::OpenPort) {
                scan.portOpened(scan.port() == 3, "/dev/ttyUSB0");
                continue;
            }
            const auto a = std::uint8_t(scan.address());
            QCOMPARE(scan.request().address, a);
            const std::map<int, Bytes> replies = {
                {2, withCrc({a, 0x01, 0x01, 0x05})},          {5, withCrc({a, 0x81, 0x02})},
                {7, {a, 0x01, 0x01, 0x05, 0x00, 0x00}},       {8, withCrc({9, 0x01, 0x01, 0x05})},
                {9, {0xFF, a, 0x01, 0x01, 0x05, 0x00, 0x00}}, {10, {0xFF, 0x01, a, 0x55}}};
            const Bytes reply = replies.count(a) ? replies.at(a) : Bytes();
            t = exchange(m, t, withCrc({a, 0x01, 0x00, 0x00, 0x00, 0x08}), reply) + 100ms;
            m.closeNow();
            scan.probed(last);
        }
        QCOMPARE(scan.probesDone(), scan.probesTotal());
        QVERIFY(scan.anyPortOpened());
        QCOMPARE(scan.unopenedPorts(), std::vector<int>{4});
        std::vector<std::string> found;
        for (const auto &module : scan.found())
            found.push_back(line::describe(module));
        QCOMPARE(found, (std::vector<std::string>{"COM3 /dev/ttyUSB0 address 2 26 ms",
                                                  "COM3 /dev/ttyUSB0 address 5 25 ms, exception 2",
                                                  "COM3 /dev/ttyUSB0 address 7 26 ms, CRC error",
                                                  "COM3 /dev/ttyUSB0 address 9 27 ms, garbled"}));

        // Behind a gateway with no module: exceptions 10 and 11 prove nothing.
        // A port lost part way is left there, and the next is scanned.
        line::Scan gateway({{1, 2}, 1, 3, {}});
        for (const std::uint8_t code : {10, 11, 4}) {
            gateway.portOpened(true, "/dev/ttyS0");
            const Bytes probe = withCrc({std::uint8_t(gateway.address()), 0x01, 0, 0, 0, 8});
            t = exchange(m, t, probe, withCrc({probe[0], 0x81, code})) + 100ms;
            m.closeNow();
            gateway.probed(last);
        }
        QCOMPARE(gateway.found().size(), std::size_t(1));
        QCOMPARE(gateway.found()[0].exceptionCode, std::optional<std::uint8_t>(4));
        gateway.portOpened(true, "/dev/ttyS1");
        gateway.probed(nullptr); // the port went away under the probe
        QVERIFY(gateway.step() == line::Scan::Step::Done);
        QCOMPARE(gateway.lostPorts(), std::vector<int>{2});
        QCOMPARE(gateway.probesDone(), gateway.probesTotal());
        QVERIFY(!gateway.everyPortScanned());

        line::Scan cancelled({{1}, 1, 247, {}});
        cancelled.portOpened(true, "/dev/ttyS0");
        cancelled.cancel();
        QVERIFY(cancelled.step() == line::Scan::Step::Done);
        QVERIFY(!line::Scan({{1}, 1, 247, {}}).anyPortOpened());
    }
};

QTEST_APPLESS_MAIN(ScanTest)
#include "tst_scan.moc"
