#pragma once

#include "LineClock.h"
#include "Trend.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Poll readings and the trend's CSV they must give, times in UTC. T0 is
// 2026-12-07 14:03:21.042 UTC; each reading is at T0 + ms.
struct TrendEvent {
    enum Kind { Inputs, Relays, InputGap, RelayGap, ClockJump };
    int ms;
    Kind kind;
    std::array<std::uint16_t, 3> analog;
    std::uint8_t bits;   // di1 or relay 1 is bit 0
    int jumpSeconds = 0; // ClockJump: the wall clock's shift from then on
};

struct TrendVector {
    const char *name;
    std::vector<TrendEvent> events;
    std::string rows; // after the header
    int fromMs = 0;   // where the CSV's span starts
};

namespace trendvectors {

using lineclock::T0;
using lineclock::wall;

inline void replay(figures::Trend &trend, const std::vector<TrendEvent> &events)
{
    for (const TrendEvent &e : events) {
        const line::Time t = T0 + std::chrono::milliseconds(e.ms);
        switch (e.kind) {
        case TrendEvent::Inputs:
            trend.addInputs(t, e.analog, e.bits);
            break;
        case TrendEvent::Relays:
            trend.addRelays(t, e.bits);
            break;
        case TrendEvent::InputGap:
            trend.addGap(figures::SignalKind::Analog, t);
            break;
        case TrendEvent::RelayGap:
            trend.addGap(figures::SignalKind::Relay, t);
            break;
        case TrendEvent::ClockJump:
            trend.clockShifted(t, std::chrono::seconds(e.jumpSeconds));
            break;
        }
    }
}

// The CSV of what the events left from fromMs on, header included.
inline std::string csvOf(const TrendVector &v)
{
    figures::Trend trend;
    replay(trend, v.events);
    return trend.csv(T0 + std::chrono::milliseconds(v.fromMs), T0 + std::chrono::hours(1), wall);
}

} // namespace trendvectors

inline const TrendVector TrendVectors[] = {
    {"a cycle, coils then registers, is one row at the registers' time",
     {{0, TrendEvent::Relays, {}, 0x85}, {1000, TrendEvent::Inputs, {1023, 512, 7}, 0x0D}},
     "2026-12-07 14:03:22.042,1023,512,7,1,0,1,1,10100001\r\n"},
    {"no reply leaves that half of the row empty",
     {{0, TrendEvent::RelayGap, {}, 0},
      {1000, TrendEvent::Inputs, {0, 1, 2}, 0x02},
      {2000, TrendEvent::Relays, {}, 0x01},
      {3000, TrendEvent::InputGap, {}, 0}},
     "2026-12-07 14:03:22.042,0,1,2,0,1,0,0,\r\n"
     "2026-12-07 14:03:24.042,,,,,,,,10000000\r\n"},
    {"readings without their other half have rows of their own",
     {{0, TrendEvent::Inputs, {5, 5, 5}, 0},
      {1000, TrendEvent::Relays, {}, 0x80},
      {3000, TrendEvent::Relays, {}, 0xFF},
      {10000, TrendEvent::Inputs, {6, 6, 6}, 0x0F}},
     "2026-12-07 14:03:21.042,5,5,5,0,0,0,0,\r\n"
     "2026-12-07 14:03:22.042,,,,,,,,00000001\r\n"
     "2026-12-07 14:03:24.042,,,,,,,,11111111\r\n"
     "2026-12-07 14:03:31.042,6,6,6,1,1,1,1,\r\n"},
    {"a span starting between a cycle's coils and registers keeps the cycle whole",
     {{0, TrendEvent::Relays, {}, 0x85},
      {1000, TrendEvent::Inputs, {1, 2, 3}, 0},
      {2000, TrendEvent::Relays, {}, 0x01},
      {2500, TrendEvent::Inputs, {4, 5, 6}, 0}},
     "2026-12-07 14:03:22.042,1,2,3,0,0,0,0,10100001\r\n"
     "2026-12-07 14:03:23.542,4,5,6,0,0,0,0,10000000\r\n",
     500},
    {"after a suspend or a clock set, times are on the new offset",
     {{0, TrendEvent::Relays, {}, 0x01},
      {1000, TrendEvent::Inputs, {1, 2, 3}, 0},
      {2000, TrendEvent::ClockJump, {}, 0, 3600},
      {2000, TrendEvent::Relays, {}, 0x02},
      {3000, TrendEvent::Inputs, {4, 5, 6}, 0}},
     "2026-12-07 14:03:22.042,1,2,3,0,0,0,0,10000000\r\n"
     "2026-12-07 15:03:24.042,4,5,6,0,0,0,0,01000000\r\n"},
};
