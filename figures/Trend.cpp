#include "Trend.h"

#include "CsvField.h"
#include "Words.h"

#include <algorithm>
#include <optional>

namespace figures {

using line::ByteView;
using line::csvField;
using line::dateAndTime;
using line::Origin;
using line::ReadCoils;
using line::ReadHoldingRegisters;
using line::Time;
using line::Transaction;
using line::Verdict;
using line::WallClock;
using line::WallTime;
using line::wordAt;

namespace {

constexpr const char *LineEnd = "\r\n";

// Where the poll's reads start and what they hold: coils 0 to 7 are the relays;
// holding registers 4 to 6 the analog inputs, 7 to 10 the digital inputs.
constexpr std::uint16_t FirstAnalogRegister = 4;
constexpr std::uint16_t FirstDigitalRegister = 7;

// A good reply's data start after the address, function and byte count.
constexpr std::size_t ReplyData = 3;

// Register `reg` of a good Read Holding Registers reply to a read that began at `start`.
std::optional<std::uint16_t> registerAt(const Transaction &t, std::uint16_t start,
                                        std::uint16_t quantity, std::uint16_t reg)
{
    if (reg < start || reg >= start + quantity)
        return std::nullopt;
    return wordAt(t.reply(), ReplyData + 2 * std::size_t(reg - start));
}

void recordRegisters(Trend &trend, const Transaction &t)
{
    const auto start = wordAt(t.request(), 2), quantity = wordAt(t.request(), 4);
    std::array<std::uint16_t, 3> analog{};
    std::uint8_t digital = 0;
    bool whole = t.verdict == Verdict::Ok && start && quantity;
    for (std::uint16_t i = 0; whole && i < 3; ++i) {
        const auto v = registerAt(t, *start, *quantity, std::uint16_t(FirstAnalogRegister + i));
        whole = v.has_value();
        analog[i] = v.value_or(0);
    }
    for (std::uint16_t i = 0; whole && i < 4; ++i) {
        const auto v = registerAt(t, *start, *quantity, std::uint16_t(FirstDigitalRegister + i));
        whole = v.has_value();
        if (v.value_or(0) != 0)
            digital = std::uint8_t(digital | 1 << i);
    }
    if (whole)
        trend.addInputs(t.start, analog, digital);
    else
        trend.addGap(SignalKind::Analog, t.start);
}

void recordCoils(Trend &trend, const Transaction &t)
{
    const auto start = wordAt(t.request(), 2), quantity = wordAt(t.request(), 4);
    const ByteView reply = t.reply();
    if (t.verdict == Verdict::Ok && start == 0 && quantity >= 8 && reply.size() > ReplyData)
        trend.addRelays(t.start, reply[ReplyData]);
    else
        trend.addGap(SignalKind::Relay, t.start);
}

std::int64_t nanoseconds(Time::duration d)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
}

std::string bitsField(std::uint8_t bits, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (bits >> i & 1) ? '1' : '0';
    return text;
}

std::string inputFields(const TrendReading *r)
{
    if (!r || !r->answered)
        return ",,,,,,";
    std::string text;
    for (std::uint16_t a : r->analog)
        text += std::to_string(a) + ',';
    for (int i = 0; i < 4; ++i)
        text += std::string(1, (r->bits >> i & 1) ? '1' : '0') + (i < 3 ? "," : "");
    return text;
}

std::string csvRow(WallTime t, const TrendReading *inputs, const TrendReading *relays)
{
    return csvField(dateAndTime(t)) + ',' + inputFields(inputs) + ',' +
           (relays && relays->answered ? bitsField(relays->bits, 8) : std::string()) + LineEnd;
}

} // namespace

TrendRing::TrendRing(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1))
{
    ring.reserve(capacity_); // pages are taken as readings come
}

void TrendRing::add(const TrendReading &reading)
{
    if (ring.size() < capacity_) {
        ring.push_back(reading);
    } else {
        ring[oldest] = reading;
        oldest = oldest + 1 == capacity_ ? 0 : oldest + 1;
    }
}

std::size_t TrendRing::firstFrom(Time t) const
{
    std::size_t low = 0, high = size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if ((*this)[mid].time < t)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

Trend::Trend(std::size_t capacity) : inputRing(capacity), relayRing(capacity) {}

void Trend::record(const Transaction &t)
{
    if (t.origin != Origin::Poll || t.requestSize < 2)
        return;
    switch (t.request()[1]) {
    case ReadHoldingRegisters:
        recordRegisters(*this, t);
        break;
    case ReadCoils:
        recordCoils(*this, t);
        break;
    default:
        break;
    }
}

void Trend::addInputs(Time t, const std::array<std::uint16_t, 3> &analog, std::uint8_t digital)
{
    add(inputRing, {t, analog, digital, true});
}

void Trend::addRelays(Time t, std::uint8_t relays)
{
    add(relayRing, {t, {}, relays, true});
}

void Trend::addGap(SignalKind kind, Time t)
{
    add(kind == SignalKind::Relay ? relayRing : inputRing, {t, {}, 0, false});
}

// Binary search and the plot's columns need times in order.
void Trend::add(TrendRing &ring, TrendReading reading)
{
    if (!ring.empty())
        reading.time = std::max(reading.time, ring.newest().time);
    ring.add(reading);
    ++count;
}

void Trend::clockShifted(Time at, WallTime::duration shift)
{
    const auto moved = shift - clockEpochs.back().shift;
    if (moved <= JoinLimit && moved >= -JoinLimit)
        return;
    // Epochs older than the oldest reading kept are of no more use.
    Time oldest, newest;
    if (span(oldest, newest))
        while (clockEpochs.size() > 1 && clockEpochs[1].from <= oldest)
            clockEpochs.erase(clockEpochs.begin());
    clockEpochs.push_back({std::max(at, clockEpochs.back().from), shift});
}

WallTime Trend::wallTimeOf(Time t, const WallClock &base) const
{
    const auto after = std::upper_bound(clockEpochs.begin(), clockEpochs.end(), t,
                                        [](Time t, const ClockEpoch &e) { return t < e.from; });
    return base(t) + (after == clockEpochs.begin() ? WallTime::duration{} : (after - 1)->shift);
}

bool Trend::epochChangesBetween(Time a, Time b) const
{
    const auto after = std::upper_bound(clockEpochs.begin(), clockEpochs.end(), a,
                                        [](Time t, const ClockEpoch &e) { return t < e.from; });
    return after != clockEpochs.end() && after->from <= b;
}

bool Trend::span(Time &oldest, Time &newest) const
{
    if (inputRing.empty() && relayRing.empty())
        return false;
    oldest = Time::max();
    newest = Time::min();
    for (const TrendRing *ring : {&inputRing, &relayRing})
        if (!ring->empty()) {
            oldest = std::min(oldest, (*ring)[0].time);
            newest = std::max(newest, ring->newest().time);
        }
    return true;
}

void Trend::decimate(Signal s, Time from, Time to, int columnCount,
                     std::vector<TrendColumn> &columns) const
{
    columns.assign(std::size_t(std::max(columnCount, 0)), TrendColumn{});
    const std::int64_t width = nanoseconds(to - from);
    if (columns.empty() || width <= 0)
        return;
    const TrendRing &ring = ringOf(s);
    std::size_t i = ring.firstFrom(from);
    // Whether the reading before this one was answered, and when.
    bool hasPrevious = i > 0;
    bool previousAnswered = hasPrevious && ring[i - 1].answered;
    Time previousTime = hasPrevious ? ring[i - 1].time : Time{};
    // A poll without a reply stands for the time until the next reading, within JoinLimit.
    const auto columnOf = [&](Time t) {
        const double f = static_cast<double>(nanoseconds(t - from)) / static_cast<double>(width);
        return std::min(std::size_t(std::max(f, 0.0) * double(columns.size())), columns.size() - 1);
    };
    const auto coverGap = [&](Time until) {
        if (previousAnswered || !hasPrevious)
            return;
        const std::size_t last = columnOf(std::min(until, previousTime + JoinLimit));
        for (std::size_t c = columnOf(std::max(previousTime, from)); c < last; ++c)
            columns[c].noReply = true;
    };
    for (; i < ring.size() && ring[i].time < to; ++i) {
        const TrendReading &r = ring[i];
        coverGap(r.time);
        TrendColumn &column = columns[columnOf(r.time)];
        if (!r.answered) {
            column.noReply = true;
        } else {
            const std::uint16_t v = valueOf(r, s);
            if (column.readings++ == 0) {
                column.min = column.max = column.first = v;
                column.joinsPrevious = previousAnswered && r.time - previousTime <= JoinLimit &&
                                       !epochChangesBetween(previousTime, r.time);
            }
            column.min = std::min(column.min, v);
            column.max = std::max(column.max, v);
            column.last = v;
        }
        hasPrevious = true;
        previousAnswered = r.answered;
        previousTime = r.time;
    }
    coverGap(i < ring.size() ? ring[i].time : to);
}

TrendStatistics Trend::statistics(Time from, Time to) const
{
    TrendStatistics stats;
    std::array<double, 3> sums{};
    const TrendReading *previous = nullptr; // the latest answered reading
    for (std::size_t i = inputRing.firstFrom(from); i < inputRing.size(); ++i) {
        const TrendReading &r = inputRing[i];
        if (r.time >= to)
            break;
        ++stats.inputReadings;
        if (!r.answered) {
            ++stats.inputNoReply;
            continue;
        }
        for (std::size_t a = 0; a < 3; ++a) {
            AnalogStatistics &s = stats.analog[a];
            const std::uint16_t v = r.analog[a];
            s.min = s.readings == 0 ? v : std::min(s.min, v);
            s.max = s.readings == 0 ? v : std::max(s.max, v);
            ++s.readings;
            sums[a] += v;
        }
        if (previous)
            for (std::size_t d = 0; d < 4; ++d)
                stats.digitalChanges[d] += ((previous->bits ^ r.bits) >> d) & 1;
        previous = &r;
    }
    for (std::size_t a = 0; a < 3; ++a)
        if (stats.analog[a].readings > 0)
            stats.analog[a].mean = sums[a] / double(stats.analog[a].readings);
    return stats;
}

std::string trendCsvHeader()
{
    return std::string("time,ai1,ai2,ai3,di1,di2,di3,di4,relays") + LineEnd;
}

std::string Trend::csv(Time from, Time to, const WallClock &wallClock) const
{
    std::string text = trendCsvHeader();
    // A cycle that straddles `from` keeps its relays: pairing starts PairLimit
    // early, and only what lies from `from` on is written.
    const Time pairFrom = from - PairLimit;
    std::size_t i = inputRing.firstFrom(pairFrom), k = relayRing.firstFrom(pairFrom);
    const TrendReading *pending = nullptr; // a relay reading waiting for its input reading
    const auto flushPending = [&] {
        if (pending && pending->time >= from)
            text += csvRow(wallTimeOf(pending->time, wallClock), nullptr, pending);
        pending = nullptr;
    };
    for (;;) {
        const TrendReading *input =
            i < inputRing.size() && inputRing[i].time < to ? &inputRing[i] : nullptr;
        const TrendReading *relays =
            k < relayRing.size() && relayRing[k].time < to ? &relayRing[k] : nullptr;
        if (!input && !relays)
            break;
        if (relays && (!input || relays->time <= input->time)) {
            flushPending();
            pending = relays;
            ++k;
            continue;
        }
        if (pending && input->time - pending->time > PairLimit)
            flushPending();
        if (input->time >= from)
            text += csvRow(wallTimeOf(input->time, wallClock), input, pending);
        pending = nullptr;
        ++i;
    }
    flushPending();
    return text;
}

} // namespace figures
