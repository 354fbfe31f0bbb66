#pragma once

#include "IniText.h"
#include "SelfTestOp.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace procedures {

// A loopback fixture: wires that bring a module's relays back to its inputs, so that a
// self-test proves every contact and input with nobody at the bench. It is kept in a file such
// as this, INI text as IniText.h reads it:
//
//   [fixture]
//   name=loopback-1
//   settle_ms=50
//
//   [digital]
//   ; input=the relay that drives it
//   1=1
//
//   [analog]
//   ; input=the relay that switches it, the range read with the relay off, the range with it on
//   1=5,200-300,700-800
//
// name is required; settle_ms, how long the inputs are given to follow their relay, runs from 0
// to 5000 and is 50 when left out. Relays are 1-8, digital inputs 1-4, analog inputs 1-3. A
// relay drives at most one input and an input is listed at most once. Ranges run upwards within
// 0-1023, both ends included, and the range with the relay off lies wholly below the one with
// it on. An input not listed is not wired; a relay that drives none is checked by its read-back
// alone. Anything else, an unknown section or key above all, refuses the whole file: a typo must
// not silently drop a check.
struct AnalogRange {
    int low = 0, high = 0; // both included
};

struct DigitalLoop {
    int input = 0; // 1-4
    int relay = 0; // 1-8
};

struct AnalogLoop {
    int input = 0; // 1-3
    int relay = 0; // 1-8
    AnalogRange off, on;
};

struct Fixture {
    static constexpr int Relays = RelayCount, DigitalInputs = DigitalCount, AnalogInputs = AnalogCount;
    static constexpr int AnalogMax = 1023;
    static constexpr std::chrono::milliseconds DefaultSettle{50};
    static constexpr std::chrono::milliseconds LongestSettle{5000};

    std::string name;
    std::chrono::milliseconds settle = DefaultSettle;
    std::vector<DigitalLoop> digital; // by input, in ascending order
    std::vector<AnalogLoop> analog;   // by input, in ascending order

    // The wiring of an input, or null when it is not wired.
    const DigitalLoop *digitalInput(int input) const;
    const AnalogLoop *analogInput(int input) const;
};

// Why a file is not a fixture: "fixture.ini:7: relay 9 is not a relay (1-8)".
using FixtureRefusal = FileRefusal;

// A fixture, or why there is none.
struct ParsedFixture {
    std::optional<Fixture> fixture;
    FixtureRefusal refusal; // when there is no fixture
};

// The fixture that `text`, the contents of the file `fileName`, describes.
ParsedFixture parseFixture(std::string_view text, const std::string &fileName);

// The same from the file at `path` (UTF-8, on Windows too); refused when it cannot be read.
ParsedFixture readFixtureFile(const std::string &path);

} // namespace procedures
