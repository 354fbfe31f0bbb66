#include "LoopJudge.h"

#include <algorithm>

namespace procedures {

namespace {

std::string number(int n)
{
    return std::to_string(n);
}

// "700–800", with the en dash the fixture's ranges are written about in.
std::string rangeText(const AnalogRange &range)
{
    return number(range.low) + "\xE2\x80\x93" + number(range.high);
}

bool within(int value, const AnalogRange &range)
{
    return value >= range.low && value <= range.high;
}

AnalogLimits limitsOf(const AnalogRange &range)
{
    return {range.low, range.high};
}

// "with every relay off", "with relay 6 on".
std::string when(const LoopRead &read)
{
    return !read.relay ? "with every relay off"
                       : "with relay " + number(*read.relay) + (read.on ? " on" : " off");
}

} // namespace

LoopJudge::LoopJudge(const Fixture &fixture, StepId step, SelfTestReport &report) : step(step)
{
    const auto sound = [&](int relay) { return !report.relays.failed[std::size_t(relay - 1)]; };
    if (step == StepId::Digital) {
        for (const DigitalLoop &d : fixture.digital)
            if (sound(d.relay))
                loops.push_back({d.input, d.relay, {}, {}});
    } else {
        for (const AnalogLoop &a : fixture.analog)
            if (sound(a.relay)) {
                loops.push_back({a.input, a.relay, a.off, a.on});
                AnalogInput &input = report.analog[std::size_t(a.input - 1)];
                input.lowLimits = limitsOf(a.off);
                input.highLimits = limitsOf(a.on);
            }
    }
    for (const Loop &loop : loops)
        switched.push_back(loop.relay);
}

const LoopJudge::Loop *LoopJudge::loopOf(int input) const
{
    const auto at = std::find_if(loops.begin(), loops.end(),
                                 [input](const Loop &l) { return l.input == input; });
    return at == loops.end() ? nullptr : &*at;
}

const LoopJudge::Loop *LoopJudge::loopSwitchedBy(int relay) const
{
    const auto at = std::find_if(loops.begin(), loops.end(),
                                 [relay](const Loop &l) { return l.relay == relay; });
    return at == loops.end() ? nullptr : &*at;
}

void LoopJudge::judge(SelfTestReport &report, const LoopRead &read,
                      const std::array<int, 4> &inputs, std::size_t transaction)
{
    if (step == StepId::Digital)
        judgeDigital(report, read, inputs, transaction);
    else
        judgeAnalog(report, read, inputs, transaction);
    last = inputs;
}

// A wired input off while its relay is on: the relay's contact, the wire or the input, which the
// fixture cannot tell apart (the coil read back on). Another input that moved with it is named
// with it; one that moved alone follows a relay that is not its own.
void LoopJudge::judgeDigital(SelfTestReport &report, const LoopRead &read,
                             const std::array<int, 4> &now, std::size_t transaction)
{
    const Loop *switchedLoop = read.relay ? loopSwitchedBy(*read.relay) : nullptr;
    const auto changed = [&](int input) {
        return last && (*last)[std::size_t(input - 1)] != now[std::size_t(input - 1)];
    };
    for (const Loop &loop : loops) {
        const int k = loop.input;
        const bool on = now[std::size_t(k - 1)] != 0;
        DigitalInput &input = report.digital[std::size_t(k - 1)];
        const std::string name = "input " + number(k);
        if (&loop == switchedLoop && read.on) {
            input.sawOn = on;
            if (!on)
                blame(report, k, loop.relay,
                      name + " does not follow relay " + number(loop.relay) + " (relay " +
                          number(loop.relay) + "'s contact or " + name + ")",
                      transaction);
        } else if (&loop == switchedLoop || !read.relay) {
            if (on)
                blame(report, k, loop.relay, name + " stuck on", transaction);
            if (&loop == switchedLoop) {
                input.sawOff = !on;
                if (input.result != StepResult::Fail && input.sawOn && input.sawOff)
                    input.result = StepResult::Pass;
            }
        } else if (changed(k) && switchedLoop) {
            const int j = switchedLoop->input;
            if (changed(j)) {
                crossed(report, j, k);
                blame(report, k, switchedLoop->relay,
                      changeTogetherText({std::min(j, k), std::max(j, k)}), transaction);
            } else {
                blame(report, k, switchedLoop->relay,
                      name + " changes with relay " + number(switchedLoop->relay), transaction);
            }
        }
    }
}

// Each value is kept at its level, its own relay's state, and judged against that level's range.
// Another input out of its range while a relay switched names the pair when the switched input
// followed and the other moved with it, out of the range it was in at the read before; one out of
// its range all along (stuck high, say) changed with nothing, and is named by its reading.
void LoopJudge::judgeAnalog(SelfTestReport &report, const LoopRead &read,
                            const std::array<int, 4> &now, std::size_t transaction)
{
    const Loop *switchedLoop = read.relay ? loopSwitchedBy(*read.relay) : nullptr;
    const auto value = [&](const Loop &l) { return now[std::size_t(l.input - 1)]; };
    const auto expected = [&](const Loop &l) {
        return &l == switchedLoop && read.on ? l.on : l.off;
    };
    for (const Loop &loop : loops) {
        const int k = loop.input;
        const int v = value(loop);
        const bool onLevel = &loop == switchedLoop && read.on;
        AnalogInput &input = report.analog[std::size_t(k - 1)];
        AnalogReadings &readings = report.analogReadings[std::size_t(k - 1)];
        (onLevel ? readings.on : readings.off).push_back(v);
        if (&loop == switchedLoop)
            (read.on ? input.high : input.low) = v;
        const AnalogRange range = expected(loop);
        if (!within(v, range)) {
            const bool pair = switchedLoop && &loop != switchedLoop &&
                              within(value(*switchedLoop), expected(*switchedLoop)) && last &&
                              within((*last)[std::size_t(k - 1)], range);
            if (pair)
                crossed(report, switchedLoop->input, k);
            blame(report, k, read.relay.value_or(loop.relay),
                  pair ? changeTogetherText(
                             {std::min(k, switchedLoop->input), std::max(k, switchedLoop->input)})
                       : "analog input " + number(k) + " reads " + number(v) + " " + when(read) +
                             " (" + rangeText(range) + ")",
                  transaction);
        }
        if (&loop == switchedLoop && !read.on && input.result != StepResult::Fail && input.low &&
            input.high)
            input.result = StepResult::Pass;
    }
}

// The first fault of an input stands; the step's failures say each reason once.
void LoopJudge::blame(SelfTestReport &report, int input, int relay, std::string reason,
                      std::size_t transaction)
{
    StepResult &result = step == StepId::Digital ? report.digital[std::size_t(input - 1)].result
                                                 : report.analog[std::size_t(input - 1)].result;
    if (result == StepResult::Fail)
        return;
    result = StepResult::Fail;
    auto &failures = report.step(step).failures;
    if (std::none_of(failures.begin(), failures.end(),
                     [&](const Failure &f) { return f.reason == reason; }))
        failures.push_back({reason, transaction});
    (step == StepId::Digital ? report.digitalFaults : report.analogFaults)
        .push_back({input, relay, std::move(reason)});
}

void LoopJudge::crossed(SelfTestReport &report, int a, int b)
{
    auto &pairs = step == StepId::Digital ? report.digitalCrossed : report.analogCrossed;
    const InputPair pair{std::min(a, b), std::max(a, b)};
    if (std::find(pairs.begin(), pairs.end(), pair) == pairs.end())
        pairs.push_back(pair);
}

} // namespace procedures
