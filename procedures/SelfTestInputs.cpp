// How the self-test judges the inputs, with the operator switching them: the digital step and
// the analog step, and what the two share (a reading of all inputs, a pair changing together).
//
// Both read Holding Registers 0-10 (address, 03, 22, registers 0 to 10 high byte first, CRC),
// judged OK by the line monitor first: analog input r is register 3 + r, digital input c is
// register 6 + c.
#include "SelfTest.h"

#include "Words.h"

#include <algorithm>
#include <cstdlib>

namespace procedures {

using line::Transaction;
using line::Verdict;
using line::verdictText;
using line::wordAt;

namespace {

int registerOf(const Transaction &t, int k)
{
    return wordAt(t.reply(), 3 + 2 * std::size_t(k)).value_or(0);
}

int analogRegister(int input)
{
    return 3 + input;
}

int digitalRegister(int input)
{
    return 6 + input;
}

} // namespace

bool SelfTest::judgeDigital(const Op &op, const Transaction &t, std::size_t index)
{
    switch (op.kind) {
    case Op::Kind::ReadInputs:
        readInputs(t);
        return true;
    case Op::Kind::WatchDigital:
        return watchDigital(op, t, index);
    case Op::Kind::SwitchRelay:
    case Op::Kind::ReadLoopAllOff:
    case Op::Kind::ReadLoop:
        return judgeLoop(op, t, index);
    default:
        return true;
    }
}

bool SelfTest::judgeAnalog(const Op &op, const Transaction &t, std::size_t index)
{
    switch (op.kind) {
    case Op::Kind::ReadInputs:
        readInputs(t);
        return true;
    case Op::Kind::ReadAnalogEnd:
        readAnalogEnd(op, t, index);
        return true;
    case Op::Kind::SwitchRelay:
    case Op::Kind::ReadLoopAllOff:
    case Op::Kind::ReadLoop:
        return judgeLoop(op, t, index);
    default:
        return true;
    }
}

StepResult &SelfTest::inputResult(int input)
{
    return step == StepId::Digital ? report_.digital[std::size_t(input - 1)].result
                                   : report_.analog[std::size_t(input - 1)].result;
}

// Marks the input failed as well as the step.
void SelfTest::failInput(int input, std::string reason, std::optional<std::size_t> transaction)
{
    current().failures.push_back({std::move(reason), transaction});
    inputResult(input) = StepResult::Fail;
}

void SelfTest::readInputs(const Transaction &t)
{
    if (t.verdict != Verdict::Ok)
        return;
    std::array<int, 4> now{};
    const bool digital = step == StepId::Digital;
    const int count = digital ? DigitalCount : AnalogCount;
    for (int k = 1; k <= count; ++k)
        now[std::size_t(k - 1)] = digital ? int(registerOf(t, digitalRegister(k)) != 0)
                                          : registerOf(t, analogRegister(k));
    lastInputs = now;
}

// Another input changing in the same read as the one under test is wired with it; one changing
// alone is the operator's slip or crossed wiring, asked about at once.
bool SelfTest::watchDigital(const Op &op, const Transaction &t, std::size_t index)
{
    DigitalInput &input = report_.digital[std::size_t(op.input - 1)];
    if (!watchStart)
        watchStart = t.start;
    if (t.verdict == Verdict::Ok) {
        const auto before = lastInputs;
        readInputs(t);
        const auto &now = *lastInputs;
        const auto changed = [&](int k) {
            return before && (*before)[std::size_t(k - 1)] != now[std::size_t(k - 1)];
        };
        const bool on = now[std::size_t(op.input - 1)] != 0;
        for (int k = 1; k <= DigitalCount; ++k) {
            if (k == op.input || !changed(k))
                continue;
            if (!changed(op.input)) {
                strayInput = k;
                return false;
            }
            crossed(op.input, k, index);
        }
        if (!input.sawOn)
            input.sawOn = on;
        else if (!on)
            input.sawOff = true;
    }
    if (input.sawOff) {
        if (input.result != StepResult::Fail)
            input.result = StepResult::Pass;
        return true;
    }
    if (t.start - *watchStart < WatchTimeout)
        return false;
    failInput(op.input, "input " + std::to_string(op.input) +
                            (input.sawOn ? ": read on, never off again" : ": never read on") +
                            " in " + std::to_string(WatchTimeout.count()) + " s");
    return true;
}

// The input that moved unasked fails, unless the operator skipped it; the pair is named once,
// after both.
void SelfTest::crossed(int tested, int other, std::size_t index)
{
    auto &pairs = step == StepId::Digital ? report_.digitalCrossed : report_.analogCrossed;
    const InputPair pair{std::min(tested, other), std::max(tested, other)};
    if (std::find(pairs.begin(), pairs.end(), pair) == pairs.end()) {
        pairs.push_back(pair);
        current().failures.push_back(
            {changeTogetherText(pair), index});
    }
    StepResult &result = inputResult(other);
    if (result != StepResult::Skipped)
        result = StepResult::Fail;
}

// The input at the end asked for, within its limits, while the others stay where they were.
void SelfTest::readAnalogEnd(const Op &op, const Transaction &t, std::size_t index)
{
    AnalogInput &input = report_.analog[std::size_t(op.input - 1)];
    const bool high = op.end == AnalogEnd::High;
    const std::string what = "input " + std::to_string(op.input) + " " + endName(op.end);
    if (t.verdict != Verdict::Ok) {
        failInput(op.input, what + ": " + verdictText(t), index);
    } else {
        const auto before = lastInputs;
        readInputs(t);
        for (int k = 1; before && k <= AnalogCount; ++k) {
            const int drift =
                std::abs((*lastInputs)[std::size_t(k - 1)] - (*before)[std::size_t(k - 1)]);
            if (k != op.input && drift * 100 > AnalogDriftPercent * AnalogFullScale)
                crossed(op.input, k, index);
        }
        const int value = registerOf(t, analogRegister(op.input));
        const AnalogLimits &limits = high ? settings.high : settings.low;
        (high ? input.high : input.low) = value;
        if (value < limits.min || value > limits.max)
            failInput(op.input,
                      what + ": " + std::to_string(value) + ", outside " +
                          std::to_string(limits.min) + " to " + std::to_string(limits.max),
                      index);
    }
    if (high && input.result != StepResult::Fail)
        input.result = StepResult::Pass;
}

} // namespace procedures
