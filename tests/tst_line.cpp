// The line monitor fed the way the port's tap feeds it: byte-exact frames in,
// transactions with verdicts, words, counts and log rows out; the finder's scan
// over it; and the Modbus master on its own, through an in-memory link. Each
// vector's verdict and meaning, and the master's frame table, are checked by the
// program in tests/windows, natively as windows_check_native.
#include "Cases.h"
#include "TrafficCsv.h"
#include "Exchange.h"
#include "LineClock.h"
#include "LineMonitor.h"
#include "LineVectors.h"
#include "MasterVectors.h"
#include "Mbap.h"
#include "MemoryLink.h"
#include "ReferenceCrc.h"
#include "Scan.h"
#include "StdStringCompare.h"
#include "Words.h"

#include <QtTest>

#include <charconv>
#include <cmath>
#include <ctime>
#include <map>

using namespace std::chrono_literals;
using line::LineMonitor;
using line::Time;
using lineclock::T0;
using lineclock::wall;

namespace {

// An empty one when none has ended, so that a fault fails a comparison, not the run.
const line::Transaction &newest(const LineMonitor &m)
{
    static const line::Transaction none;
    return m.traffic().empty() ? none : m.traffic().newest();
}

// Counts as the line's health keeps them, to compare several at once.
template <typename... N> auto counts(N... n)
{
    return std::tuple(std::uint64_t(n)...);
}

const struct {
    const char *name, *reply;
    bool portCloses;
    const char *status;
} EndedCases[] = {
    {"next request, nothing yet", "", false, "Cut short"},
    {"next request, half a reply", "01 01 01", false, "Cut short"},
    // timed from the request's last byte to the reply's last
    {"next request, whole reply", CoilsReply, false, "OK 26 ms"},
    {"next request, exception", "01 81 02 C1 91", false, "Exception 2"},
    {"port closed, nothing yet", "", true, "Port closed"},
    {"port closed, half a reply", "01 01 01", true, "Port closed"},
    {"port closed, whole reply", CoilsReply, true, "OK 26 ms"},
};

} // namespace

class LineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void timeOutEndsATransaction()
    {
        LineMonitor m;
        const Time written = exchange(m, T0, bytesOf(ReadCoils0To7), {});
        m.advance(written + 999ms);
        QCOMPARE(m.traffic().size(), std::size_t(0));
        m.advance(written + 1000ms);
        QCOMPARE(line::verdictText(newest(m)), std::string("No reply"));

        m.byteReceived(0x01, written + 1001ms); // late: nothing is waiting for it
        m.advance(written + 1200ms);
        QCOMPARE(line::verdictText(newest(m)), std::string("Unsolicited"));

        m.requestStarted(T0 + 3s); // the port was closed: nothing written
        m.advance(T0 + 5s);
        QCOMPARE(m.traffic().size(), std::size_t(2));
    }

    void unsolicitedBytesAreGrouped()
    {
        LineMonitor m;
        for (int i = 0; i < 300; ++i)
            m.byteReceived(std::uint8_t(i), T0 + i * 1ms);
        QCOMPARE(newest(m).reply().size(), std::size_t(256));
        m.byteReceived(0xAA, T0 + 399ms); // after 100 ms of silence
        QCOMPARE(newest(m).reply().size(), std::size_t(44));
        m.requestStarted(T0 + 400ms);
        QCOMPARE(line::meaning(newest(m)), std::string("1 byte with no request"));
        QCOMPARE(std::tuple(m.health().unsolicitedBytes, m.health().requests), counts(301, 0));

        // A reply that goes on past any frame ends there; the rest came unasked.
        m.byteWritten(0x01, T0 + 401ms);
        for (int i = 0; i < 300; ++i)
            m.byteReceived(0x55, T0 + 410ms);
        QCOMPARE(newest(m).reply().size(), std::size_t(256));
        QCOMPARE(line::verdictText(newest(m)), std::string("Garbled"));
        m.closeNow();
        QCOMPARE(line::meaning(newest(m)), std::string("44 bytes with no request"));
    }

    void trafficKeepsTheLatestInOrder()
    {
        LineMonitor m(3);
        std::uint64_t heard = 0;
        m.setListener([&](const line::Transaction &) { ++heard; });
        for (int i = 0; i < 5; ++i)
            m.byteReceived(std::uint8_t(i), T0 + i * 1s);
        m.advance(T0 + 10s);
        QCOMPARE(heard, std::uint64_t(5));
        QCOMPARE(m.traffic().firstSequence(), std::uint64_t(2));
        QCOMPARE(m.traffic().nextSequence(), std::uint64_t(5));
        QCOMPARE(m.traffic().size(), std::size_t(3));
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(int(m.traffic()[i].reply()[0]), int(i + 2));
    }

    void healthCountsEveryKindAndResets()
    {
        LineMonitor m(100, wall);
        Time t = T0;
        for (const LineVector &v : LineVectors)
            exchange(m, t += 2s, bytesOf(v.request), bytesOf(v.reply));
        m.advance(t + 2s);
        const line::Health &h = m.health();
        QCOMPARE(std::tuple(h.requests, h.good, h.noReply, h.crcErrors, h.wrongAddress, h.garbled,
                            h.broadcasts, h.unsolicitedBytes),
                 counts(25, 8, 2, 2, 1, 8, 2, 14));
        QCOMPARE(h.exceptions, (std::map<std::uint8_t, std::uint64_t>{{2, 1}, {7, 1}}));
        // 20 ms, then 1.04 ms a byte: 6 to 27 bytes, the last 8.
        QCOMPARE(*h.minMs, 26.24);
        QCOMPARE(*h.maxMs, 48.08);
        QCOMPARE(*h.lastMs, 28.32);
        QVERIFY(qFuzzyCompare(*h.meanMs(), 30.14));

        m.resetHealth(t + 3s);
        QCOMPARE(m.health().requests, std::uint64_t(0));
        QVERIFY(!m.health().meanMs());
        QCOMPARE(line::timeOfDay(m.health().sinceWall), std::string("14:04:16.042"));
    }

    void csvRowOfEachKind()
    {
        LineMonitor m(10, wall);
        std::string log;
        m.setListener([&](const line::Transaction &t) { log += line::trafficCsvRow(t, m.wallClock()); });
        exchange(m, T0, bytesOf(ReadCoils0To7), bytesOf(CoilsReply));
        exchange(m, T0 + 1s, bytesOf(ReadCoils0To7), {});
        m.advance(T0 + 3s);
        m.byteReceived(0xFF, T0 + 3s);
        m.advance(T0 + 4s);
        QCOMPARE(log,
                 std::string("2026-12-07 14:03:21.042,01 01 00 00 00 08 3D CC,01 01 01 85 90 2B,OK,"
                             "26.2,Read Coils 0-7 (relays 1-8): 1 0 1 0 0 0 0 1,poll\r\n"
                             "2026-12-07 14:03:22.042,01 01 00 00 00 08 3D CC,,No reply,,"
                             "Read Coils 0-7 (relays 1-8),poll\r\n"
                             "2026-12-07 14:03:24.042,,FF,Unsolicited,,1 byte with no request,"
                             "unsolicited\r\n"));
    }

    // A reply the tester itself ends before it is whole or its window has
    // passed is the tester's doing, never the module's: neither No reply nor
    // Garbled, and not in the module's response times.
    void endedByTheTesterIsNotTheModulesFault_data() { addCaseRows(EndedCases); }
    void endedByTheTesterIsNotTheModulesFault()
    {
        const auto &[name, reply, portCloses, status] = fetchCase(EndedCases);
        const bool endedByTester =
            status == std::string("Cut short") || status == std::string("Port closed");
        LineMonitor m(10, wall);
        const Time t = exchange(m, T0, bytesOf(ReadCoils0To7), bytesOf(reply));
        QCOMPARE(m.replyComplete(), !endedByTester);
        if (portCloses)
            m.portClosed(t + 100ms);
        else
            exchange(m, t + 100ms, bytesOf(ReadCoils0To7), {});
        QCOMPARE(QString::fromStdString(line::statusText(m.traffic()[0])), status);
        const line::Health &h = m.health();
        QCOMPARE(std::tuple(h.noReply + h.garbled, h.endedByTester), counts(0, endedByTester));
        QCOMPARE(m.traffic()[0].responseMs().has_value(), !endedByTester);
    }

    // Whole milliseconds agree with the tenth the records keep, printed and read back, at every
    // tenth's edge: x.45 and the doubles either side, the quarters and x.95, from 0 to 100 ms
    // and just above 1 s, 1000 s, 2^50 and 2^52 ms.
    void wholeMsRoundsAsTheRecordsTenth()
    {
        const auto throughTheTenth = [](double ms) {
            char text[32];
            const auto written =
                std::to_chars(text, text + sizeof text, ms, std::chars_format::fixed, 1);
            double tenth = 0;
            std::from_chars(text, written.ptr, tenth);
            return std::llround(tenth);
        };
        // Where doubles hold no tenths any more (2^50 on), the text's rounding is all there is.
        for (const auto &[from, steps] : {std::pair(0.0, 400'000), {1e3, 8000}, {1e6, 8000},
                                          {std::ldexp(1.0, 50), 8000}, {std::ldexp(1.0, 52), 0}})
            for (int k = 0; k <= steps; ++k) {
                const double ms = from + k / 4000.0;
                for (const double v : {ms, std::nextafter(ms, 0.0), std::nextafter(ms, 1e18)})
                    if (line::wholeMs(v) != throughTheTenth(v) ||
                        line::wholeMs(-v) != throughTheTenth(-v))
                        QFAIL(qPrintable(QStringLiteral("%1 ms").arg(v, 0, 'g', 17)));
            }
        for (const double notADuration : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e18, 1e300})
            QCOMPARE(line::wholeMs(notADuration), 0LL);
        QCOMPARE(line::wholeMs(9.9e17), 990'000'000'000'000'000LL);
    }

    // Each request is judged by its own reply window: a scan's probe by the
    // finder's wait. A scan's probes and a self-test's requests are counted
    // apart from the user's traffic, which alone is the line's health.
    void originsAndWindows()
    {
        LineMonitor m(10, wall);
        std::vector<std::string> origins;
        m.setListener(
            [&](const line::Transaction &t) { origins.push_back(line::originWord(t.origin)); });
        m.requestStarted(T0, line::Origin::Scan, 20ms);
        for (auto byte : bytesOf(ReadCoils0To7))
            m.byteWritten(byte, T0);
        QCOMPARE(*m.deadline(), T0 + 20ms);
        m.advance(T0 + 20ms);
        QCOMPARE(m.traffic().size(), std::size_t(1));
        QCOMPARE(line::verdictText(m.traffic()[0]), std::string("No reply"));
        exchange(m, T0 + 1s, bytesOf(ReadCoils0To7), {}); // a poll: the default window
        QCOMPARE(*m.deadline(), T0 + 1s + 8 * ByteTime + line::ReplyWindow);
        m.requestStarted(T0 + 3s, line::Origin::SelfTest);
        m.byteWritten(0x01, T0 + 3s);
        m.advance(T0 + 5s);
        QCOMPARE(origins, (std::vector<std::string>{"scan", "poll", "self-test"}));
        const line::Health &h = m.health();
        QCOMPARE(
            std::tuple(h.requests, h.noReply, h.scanProbes.requests, h.selfTestRequests.requests),
            counts(1, 1, 1, 1));
        QVERIFY(!m.traffic()[0].changesStatus());
        QVERIFY(m.traffic()[1].changesStatus());
    }

    void modbusTcpReplies_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<bool>("mbap");
        // Transaction 0x0001, protocol 0, length 4: unit 1, Read Coils, 1 byte, 0x85.
        const Bytes coils{0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x01, 0x01, 0x01, 0x85};
        Bytes two = coils;
        two.insert(two.end(), coils.begin(), coils.end());
        QTest::newRow("read coils reply") << coils << true;
        QTest::newRow("two replies in a row") << two << true;
        QTest::newRow("exception reply") << Bytes{0x12, 0x34, 0, 0, 0, 3, 1, 0x81, 2} << true;
        QTest::newRow("length one short") << Bytes(coils.begin(), coils.end() - 1) << false;
        QTest::newRow("a byte left over") << Bytes{0, 1, 0, 0, 0, 4, 1, 1, 1, 0x85, 0} << false;
        QTest::newRow("protocol id not 0") << Bytes{0, 1, 0, 1, 0, 4, 1, 1, 1, 0x85} << false;
        QTest::newRow("no function code") << Bytes{0, 1, 0, 0, 0, 1, 1} << false;
        QTest::newRow("header only") << Bytes{0, 1, 0, 0, 0} << false;
        QTest::newRow("RTU reply") << withCrc({1, 1, 1, 0x85}) << false;
        // Its bytes 2-5 happen to read as protocol 0 and a matching length.
        QTest::newRow("RTU frame with a good CRC") << withCrc({0, 0, 0, 0, 0, 2}) << false;
        QTest::newRow("nothing") << Bytes{} << false;
    }
    void modbusTcpReplies()
    {
        QFETCH(Bytes, bytes);
        QFETCH(bool, mbap);
        QCOMPARE(line::looksLikeMbap(bytes), mbap);
    }

    // A fake line where address 2 answers, 5 answers with an exception, 7 with a
    // spoilt CRC, 8 from the wrong address, 9 after noise, 10 with noise alone,
    // and the rest stay silent; COM 4 is missing, and so is the server mapped to
    // COM 5, which is no fault. Each probe is one Read Coils 0-7.
    void scanFindsEveryModuleThatAnswers()
    {
        LineMonitor m(100, wall);
        const line::Transaction *last = nullptr;
        m.setListener([&](const line::Transaction &t) { last = &t; });
        procedures::Scan scan({{3, 4, 5}, 1, 10, {5}});
        Time t = T0;
        while (scan.step() != procedures::Scan::Step::Done) {
            if (scan.step() == procedures::Scan::Step::OpenPort) {
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
            found.push_back(procedures::describe(module));
        QCOMPARE(found, (std::vector<std::string>{"COM3 /dev/ttyUSB0 address 2 26 ms",
                                                  "COM3 /dev/ttyUSB0 address 5 25 ms, exception 2",
                                                  "COM3 /dev/ttyUSB0 address 7 26 ms, CRC error",
                                                  "COM3 /dev/ttyUSB0 address 9 27 ms, garbled"}));
        procedures::Scan::Found tenths = scan.found()[0]; // as the link status rounds it, not 24
        tenths.responseMs = 24.46;
        QCOMPARE(procedures::describe(tenths), std::string("COM3 /dev/ttyUSB0 address 2 25 ms"));

        // Behind a gateway with no module: exceptions 10 and 11 prove nothing.
        // A port lost part way is left there, and the next is scanned.
        procedures::Scan gateway({{1, 2}, 1, 3, {}});
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
        QVERIFY(gateway.step() == procedures::Scan::Step::Done);
        QCOMPARE(gateway.lostPorts(), std::vector<int>{2});
        QCOMPARE(gateway.probesDone(), gateway.probesTotal());
        QVERIFY(!gateway.everyPortScanned());

        procedures::Scan cancelled({{1}, 1, 247, {}});
        cancelled.portOpened(true, "/dev/ttyS0");
        cancelled.cancel();
        QVERIFY(cancelled.step() == procedures::Scan::Step::Done);
        QVERIFY(!procedures::Scan({{1}, 1, 247, {}}).anyPortOpened());
    }

    // A reply cut anywhere leaves the master the image a whole one does.
    void replySplitAnywhereGivesTheSameImage()
    {
        const Bytes reply = registerReply(22);
        const auto at = [&](std::size_t i) { return reply.begin() + std::ptrdiff_t(i); };
        for (std::size_t cut1 = 0; cut1 <= reply.size(); ++cut1) {
            for (std::size_t cut2 = cut1; cut2 <= reply.size(); ++cut2) {
                MemoryLink link;
                modbus::ModbusMaster m(link);
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

QTEST_APPLESS_MAIN(LineTest)
#include "tst_line.moc"
