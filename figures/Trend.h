#pragma once

#include "Clock.h"
#include "Transaction.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The inputs and relays over time, as the poll cycle reads them: one input
// reading for each Read Holding Registers poll, one relay reading for each
// Read Coils poll, so each comes every 2 s as the two take turns. A poll that
// got no good reply is kept as a reading without values, a gap: a value
// that was not read is never carried on, so a stale value cannot look steady.
// Two answered readings further apart than JoinLimit (polling stopped, a tool
// had the line) are not joined either.
//
// Each kind lives in a ring allocated once: adding a reading costs the same
// at the 10th and when it replaces the oldest of 43,200 (24 hours).
//
// The monotonic clock stands still while the computer sleeps, and the wall
// clock can be set: readings an hour apart can look 2 s apart, and times
// shown with the offset taken at start-up go wrong. So the recorder says how
// far the wall clock has moved from that offset at each transaction; a move
// of more than JoinLimit starts a new clock epoch: no line joins readings
// across it, and times from it on are shown with the new offset.
//
// The CSV pairs each input reading with the relay reading of the tick just
// before it (the cycle reads coils first), so that a row is one whole poll
// cycle at the input reading's time; a relay reading with no input reading
// within PairLimit after it has a row of its own. Fields are empty where
// nothing was read: no reply, or that half of the cycle missing.
namespace figures {

struct TrendReading {
    line::Time time{};
    std::array<std::uint16_t, 3> analog{}; // input readings: analog inputs 1 to 3
    std::uint8_t bits = 0;                 // bit i: digital input i + 1, or relay i + 1
    bool answered = false;
};

// The latest readings of one kind, oldest first, their times never going back.
class TrendRing {
public:
    explicit TrendRing(std::size_t capacity);

    void add(const TrendReading &reading);
    std::size_t size() const { return ring.size(); }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return ring.empty(); }
    // i = 0 is the oldest kept.
    const TrendReading &operator[](std::size_t i) const
    {
        const std::size_t at = oldest + i;
        return ring[at < ring.size() ? at : at - ring.size()];
    }
    const TrendReading &newest() const { return (*this)[size() - 1]; }
    // The index of the first reading at or after t; size() when there is none.
    std::size_t firstFrom(line::Time t) const;

private:
    std::size_t capacity_;
    std::vector<TrendReading> ring;
    std::size_t oldest = 0;
};

enum class SignalKind : std::uint8_t { Analog, Digital, Relay };

struct Signal {
    SignalKind kind = SignalKind::Analog;
    int index = 0; // analog 0 to 2, digital 0 to 3, relay 0 to 7
};

inline std::uint16_t valueOf(const TrendReading &r, Signal s)
{
    return s.kind == SignalKind::Analog ? r.analog[std::size_t(s.index)]
                                        : std::uint16_t(r.bits >> s.index & 1);
}

// What one pixel column of the plot holds of one signal: the least and most of
// its answered readings, so that a spike of one reading shows at any zoom.
struct TrendColumn {
    std::uint32_t readings = 0; // answered
    bool noReply = false;       // a poll in this column got no good reply
    // Its first answered reading directly follows an answered one, within
    // JoinLimit: the plot draws a line from the previous column to it.
    bool joinsPrevious = false;
    std::uint16_t min = 0, max = 0, first = 0, last = 0;
};

// From `from` on, wall times are the base wall clock's plus `shift`.
struct ClockEpoch {
    line::Time from{};
    line::WallTime::duration shift{};
};

struct AnalogStatistics {
    std::size_t readings = 0;
    std::uint16_t min = 0, max = 0;
    double mean = 0;
};

struct TrendStatistics {
    std::array<AnalogStatistics, 3> analog{};
    std::array<std::size_t, 4> digitalChanges{}; // between answered readings, gaps or not
    std::size_t inputReadings = 0, inputNoReply = 0;
};

class Trend {
public:
    static constexpr std::size_t Capacity = 43'200; // a day at one every 2 s
    static constexpr std::chrono::seconds JoinLimit{5};
    static constexpr std::chrono::seconds PairLimit{3};

    explicit Trend(std::size_t capacity = Capacity);

    // Takes the poll's transactions and passes over every other one.
    void record(const line::Transaction &t);
    void addInputs(line::Time t, const std::array<std::uint16_t, 3> &analog, std::uint8_t digital);
    void addRelays(line::Time t, std::uint8_t relays);
    void addGap(SignalKind kind, line::Time t);
    // The wall clock is `shift` ahead of the base wall clock as of `at`.
    void clockShifted(line::Time at, line::WallTime::duration shift);
    // Oldest first; the first is in effect before any reading kept.
    const std::vector<ClockEpoch> &epochs() const { return clockEpochs; }
    line::WallTime wallTimeOf(line::Time t, const line::WallClock &base) const;

    const TrendRing &inputs() const { return inputRing; }
    const TrendRing &relays() const { return relayRing; }
    const TrendRing &ringOf(Signal s) const
    {
        return s.kind == SignalKind::Relay ? relayRing : inputRing;
    }
    // Counts every reading ever added, so a view can tell whether anything is new.
    std::uint64_t added() const { return count; }
    // The oldest and newest reading of either kind; none when both are empty.
    bool span(line::Time &oldest, line::Time &newest) const;

    // Readings in [from, to) into `columns` equal columns (resized to that).
    void decimate(Signal s, line::Time from, line::Time to, int columnCount,
                  std::vector<TrendColumn> &columns) const;
    TrendStatistics statistics(line::Time from, line::Time to) const;
    // "time,ai1,ai2,ai3,di1,di2,di3,di4,relays" and a row for each poll cycle in [from, to).
    std::string csv(line::Time from, line::Time to, const line::WallClock &wallClock) const;

private:
    void add(TrendRing &ring, TrendReading reading);
    // Whether a and b (a before b) lie in different clock epochs.
    bool epochChangesBetween(line::Time a, line::Time b) const;

    TrendRing inputRing, relayRing;
    std::vector<ClockEpoch> clockEpochs{ClockEpoch{line::Time::min(), {}}};
    std::uint64_t count = 0;
};

std::string trendCsvHeader(); // with its CRLF

} // namespace figures
