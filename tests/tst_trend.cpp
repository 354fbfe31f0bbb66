// The trend fed the poll's transactions as the line monitor ends them: what each leaves, a
// day kept in its rings, and the columns drawn from them with every spike, dip and gap in
// sight.
#include "Cases.h"
#include "Exchange.h"
#include "Frames.h"
#include "LineClock.h"
#include "Trend.h"

#include <QtTest>

using namespace std::chrono_literals;
using line::Time;
using lineclock::T0;

namespace {

// The one reading a transaction left in the trend, in words.
QString readingLeft(const figures::Trend &trend)
{
    if (trend.inputs().size() + trend.relays().size() != 1)
        return trend.added() == 0 ? "nothing" : "more than one";
    const bool inputs = !trend.inputs().empty();
    const figures::TrendReading &r = inputs ? trend.inputs()[0] : trend.relays()[0];
    if (!r.answered)
        return inputs ? "input gap" : "relay gap";
    QString bits;
    for (int i = 0; i < (inputs ? 4 : 8); ++i)
        bits += QLatin1Char((r.bits >> i & 1) ? '1' : '0');
    return inputs ? QStringLiteral("inputs %1 %2 %3 %4")
                        .arg(r.analog[0])
                        .arg(r.analog[1])
                        .arg(r.analog[2])
                        .arg(bits)
                  : QStringLiteral("relays ") + bits;
}

const QByteArray Coils = Frames::withCrc(Frames::hex("01 01 00 00 00 08"));
const QByteArray Registers = Frames::withCrc(Frames::hex("01 03 00 00 00 0B"));
const QByteArray Relays = Frames::withCrc(Frames::hex("01 01 01 85"));
const QByteArray Values =
    Frames::withCrc(Frames::hex("01 03 16 0000 0000 0000 0000 03FF 0200 0007 0001 0000 0001 0001"));
const QByteArray RelayOn = Frames::withCrc(Frames::hex("01 05 00 02 FF 00"));

using line::Origin;
using line::Verdict;
const struct {
    const char *name;
    Origin origin;
    QByteArray request, reply;
    Verdict verdict;
    const char *left;
} TrendCases[] = {
    {"coils", Origin::Poll, Coils, Relays, Verdict::Ok, "relays 10100001"},
    {"registers", Origin::Poll, Registers, Values, Verdict::Ok, "inputs 1023 512 7 1011"},
    {"registers, no reply", Origin::Poll, Registers, {}, Verdict::NoReply, "input gap"},
    {"coils, CRC error", Origin::Poll, Coils, Frames::hex("01 01 01 85 90 D4"), Verdict::CrcError,
     "relay gap"},
    {"a relay click", Origin::Relay, RelayOn, RelayOn, Verdict::Ok, "nothing"},
    {"a self-test's read", Origin::SelfTest, Registers, Values, Verdict::Ok, "nothing"},
};

} // namespace

class TrendTest : public QObject {
    Q_OBJECT
private slots:
    void trendTakesThePollsReadings_data() { addCaseRows(TrendCases); }
    void trendTakesThePollsReadings()
    {
        const auto &[name, origin, request, reply, verdict, left] = fetchCase(TrendCases);
        figures::Trend trend;
        trend.record(transactionOf(Bytes(request.begin(), request.end()),
                                   Bytes(reply.begin(), reply.end()), verdict, T0, origin));
        QCOMPARE(readingLeft(trend), left);
    }

    void trendKeepsADayAndDropsTheOldest()
    {
        figures::Trend trend;
        const int capacity = int(figures::Trend::Capacity), extra = 100;
        for (int i = 0; i < capacity + extra; ++i)
            trend.addInputs(T0 + i * 2s, {std::uint16_t(i % 1000), 0, 0}, 0);
        QCOMPARE(trend.inputs().size(), figures::Trend::Capacity);
        QVERIFY(trend.inputs()[0].time == T0 + extra * 2s);
        QCOMPARE(trend.inputs()[0].analog[0], std::uint16_t(extra));
        QVERIFY(trend.inputs().newest().time == T0 + (capacity + extra - 1) * 2s);
        QCOMPARE(trend.inputs().firstFrom(T0 + (extra + 10) * 2s), std::size_t(10));
        QVERIFY(trend.relays().empty());
    }

    // A day in 800 columns, 54 readings each: one reading's spike, one dip and one
    // missed reply each show in their column; zoomed in, no line crosses the
    // missed reply, a pause in polling, or where the wall clock jumped an hour while the
    // monotonic one went on 2 s (a suspend); later readings are joined again.
    void decimationKeepsSpikesAndGaps()
    {
        figures::Trend trend;
        const auto at = [](int i) { return T0 + i * 2s; };
        const int pauseAt = 35'000, jumpAt = 25'000;
        for (int i = 0; i < int(figures::Trend::Capacity); ++i) {
            const std::uint16_t v = i == 20'000 ? 1000 : i == 21'000 ? 0 : 500;
            if (i == jumpAt)
                trend.clockShifted(at(i), 1h);
            if (i == 30'000)
                trend.addGap(figures::SignalKind::Analog, at(i));
            else if (i < pauseAt || i > pauseAt + 10)
                trend.addInputs(at(i), {v, 500, 500}, i >= 40'000 ? 0x02 : 0x00);
        }
        const figures::Signal ai1{figures::SignalKind::Analog, 0};
        std::vector<figures::TrendColumn> columns;
        trend.decimate(ai1, at(0), at(int(figures::Trend::Capacity)), 800, columns);
        int spikes = 0, dips = 0, noReply = 0, empty = 0;
        for (const figures::TrendColumn &c : columns) {
            spikes += c.max == 1000;
            dips += c.min == 0;
            noReply += c.noReply;
            empty += c.readings == 0;
        }
        QCOMPARE(spikes, 1);
        QCOMPARE(dips, 1);
        QCOMPARE(noReply, 1);
        QCOMPARE(empty, 0);

        // A minute around the missed reply, a column for every second.
        trend.decimate(ai1, at(30'000 - 15), at(30'000 + 15), 60, columns);
        QVERIFY(columns[28].joinsPrevious);
        QVERIFY(columns[30].noReply);
        QCOMPARE(columns[30].readings, 0u);
        QVERIFY(!columns[32].joinsPrevious);
        QVERIFY(columns[34].joinsPrevious);
        trend.decimate(ai1, at(pauseAt - 5), at(pauseAt + 25), 60, columns);
        QVERIFY(columns[8].joinsPrevious);
        QVERIFY(!columns[32].joinsPrevious); // the first reading after 24 s without one
        QVERIFY(columns[34].joinsPrevious);
        trend.decimate(ai1, at(jumpAt - 15), at(jumpAt + 15), 60, columns);
        QVERIFY(columns[28].joinsPrevious);
        QVERIFY(!columns[30].joinsPrevious);
        QVERIFY(columns[32].joinsPrevious);

        const figures::TrendStatistics s =
            trend.statistics(at(0), at(int(figures::Trend::Capacity)));
        QCOMPARE(s.analog[0].min, std::uint16_t(0));
        QCOMPARE(s.analog[0].max, std::uint16_t(1000));
        QCOMPARE(s.analog[1].min, std::uint16_t(500));
        QCOMPARE(s.inputNoReply, std::size_t(1));
        QCOMPARE(s.inputReadings, figures::Trend::Capacity - 11);
        QVERIFY((s.digitalChanges == std::array<std::size_t, 4>{0, 1, 0, 0}));
    }
};

QTEST_APPLESS_MAIN(TrendTest)
#include "tst_trend.moc"
