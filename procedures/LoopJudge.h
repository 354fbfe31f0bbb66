#pragma once

#include "Fixture.h"
#include "SelfTestResult.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace procedures {

// When the inputs were read on a fixture: with every relay off, before any is switched (no
// relay), or just after one loop's relay was switched on or off and the fixture's settle time.
struct LoopRead {
    std::optional<int> relay;
    bool on = false;
};

// Judges the digital or the analog step on a loopback fixture, read by read, into the report.
// Each wired input must follow its relay, on and off again, and every other input stay as it
// was: a digital input at its last reading, an analog one within the range of its relay off.
// An input whose relay failed its read-back is left untested, as is one the fixture leaves
// unwired: a relay's fault is never blamed again on its input. An input is blamed once, for
// the first thing it does wrong; a pair changing together is named once.
class LoopJudge {
public:
    // The relays step is over: its faults say which inputs cannot be tested.
    LoopJudge(const Fixture &fixture, StepId step, SelfTestReport &report);

    // The relays the step switches, in the order of their inputs.
    const std::vector<int> &relays() const { return switched; }
    // `inputs` as the read gave them: digital 0 or 1, analog counts, input 1 first.
    void judge(SelfTestReport &report, const LoopRead &read, const std::array<int, 4> &inputs,
               std::size_t transaction);

private:
    struct Loop {
        int input = 0, relay = 0;
        AnalogRange off, on; // analog only
    };

    const Loop *loopOf(int input) const;
    const Loop *loopSwitchedBy(int relay) const;
    void judgeDigital(SelfTestReport &report, const LoopRead &read, const std::array<int, 4> &now,
                      std::size_t transaction);
    void judgeAnalog(SelfTestReport &report, const LoopRead &read, const std::array<int, 4> &now,
                     std::size_t transaction);
    void blame(SelfTestReport &report, int input, int relay, std::string reason,
               std::size_t transaction);
    void crossed(SelfTestReport &report, int a, int b);

    StepId step;
    std::vector<Loop> loops; // the wired inputs whose relay passed its read-back
    std::vector<int> switched;
    std::optional<std::array<int, 4>> last;
};

} // namespace procedures
