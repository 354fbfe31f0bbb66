// The self-test's run: from op to op as actions are answered, and from step to step. What the
// ops are is planned in SelfTestPlan.cpp, how replies are judged in SelfTestJudging.cpp and
// SelfTestInputs.cpp, and the switching off after a stop in SelfTestSwitchOff.cpp.
#include "SelfTest.h"

#include "Mbap.h"

#include <algorithm>
#include <utility>

namespace procedures {

using line::looksLikeMbap;
using line::Transaction;

std::optional<std::string> limitsProblem(const SelfTestSettings &settings)
{
    const auto range = [](const AnalogLimits &l) {
        return std::to_string(l.min) + " to " + std::to_string(l.max);
    };
    for (const auto &[name, l] : {std::pair{"low", settings.low}, {"high", settings.high}}) {
        if (l.min < 0 || l.max > SelfTest::AnalogFullScale)
            return std::string("the ") + name + " end's limits " + range(l) + " leave 0 to " +
                   std::to_string(SelfTest::AnalogFullScale);
        if (l.min > l.max)
            return std::string("the ") + name + " end's limits " + range(l) + " run backwards";
    }
    if (settings.low.max >= settings.high.min)
        return "the low end's top (" + std::to_string(settings.low.max) +
               ") must lie below the high end's bottom (" + std::to_string(settings.high.min) +
               "), or one reading passes as both ends";
    return std::nullopt;
}

SelfTest::SelfTest(const SelfTestSettings &settings) : settings(settings)
{
    if (!settings.operatorPresent || settings.fixture)
        this->settings.confirmByEar = false;
    report_.address = settings.address;
    report_.fixture = settings.fixture ? settings.fixture->name : std::string();
    report_.low = settings.low;
    report_.high = settings.high;
    begin(StepId::Link);
    if (const auto problem = limitsProblem(settings)) { // refused before the first request
        stopped = Outcome::Error;
        report_.reason = *problem;
        finish();
    }
}

double SelfTest::progress() const
{
    if (done)
        return 1.0;
    const bool inputsTested = settings.operatorPresent || settings.fixture;
    const double steps = inputsTested ? double(StepCount) : 2.0;
    const double within = ops.empty() ? 0.0 : double(at) / double(ops.size());
    return std::min(1.0, (double(step) + within) / steps);
}

Action SelfTest::next()
{
    staleReply = false; // a driver asking again has given up on the request out
    if (done)
        return {};
    const Op &op = ops[at];
    const Action a = actionFor(op);
    awaitingReply = a.kind == Action::Kind::Send || a.kind == Action::Kind::Watch;
    noteSent(op);
    return a;
}

// Kept as each request goes out, not as it is answered: a stop while it is out must know of it.
void SelfTest::noteSent(const Op &op)
{
    if (op.kind == Op::Kind::SwitchAll) {
        RelayValues &relays = report_.relays;
        if (op.broadcast)
            relays.allRow = AllRowWay::ModuleAndBroadcast;
        else if (relays.allRow == AllRowWay::Unsaid)
            relays.allRow = AllRowWay::Module;
    }
    // All ON by broadcast switched on every other module too, which only a broadcast reaches.
    if (op.kind == Op::Kind::SwitchAll && op.broadcast)
        broadcastOn = op.switchOn;
}

void SelfTest::replied(const Transaction &transaction)
{
    if (done)
        return;
    awaitingReply = false;
    current().traffic.push_back(transaction);
    if (looksLikeMbap(transaction.reply())) {
        wrongProtocol();
        return;
    }
    if (std::exchange(staleReply, false))
        return;
    if (judge(ops[at], transaction, current().traffic.size() - 1))
        advance();
}

void SelfTest::answered(Answer answer)
{
    if (done)
        return;
    const Op op = ops[at];
    switch (op.kind) {
    case Op::Kind::AskClick:
        judgeClick(op.relay, answer);
        advance();
        break;
    case Op::Kind::WatchDigital:
        if (strayInput) {
            answerStray(op.input, answer);
            break;
        }
        [[fallthrough]];
    case Op::Kind::AskAnalogEnd:
        if (answer == Answer::Skip) {
            staleReply = awaitingReply;
            skipInput(op.input);
        } else if (answer == Answer::Continue && op.kind == Op::Kind::AskAnalogEnd) {
            advance();
        }
        break;
    default:
        break;
    }
}

// A wrong input is watched again from a fresh reading, since the operator has put it back;
// accepted, it fails the input under test, and the next input starts from a fresh reading too.
void SelfTest::answerStray(int input, Answer answer)
{
    const int stray = *strayInput;
    if (answer != Answer::Retry && answer != Answer::Accept)
        return;
    strayInput.reset();
    DigitalInput &d = report_.digital[std::size_t(input - 1)];
    d.sawOn = d.sawOff = false;
    watchStart.reset();
    if (answer == Answer::Accept) {
        failInput(input, "input " + std::to_string(stray) + " changed, input " +
                             std::to_string(input) + " expected");
        ++at;
    }
    if (at < ops.size())
        ops.insert(ops.begin() + std::ptrdiff_t(at), Op::of(Op::Kind::ReadInputs));
    settle();
}

void SelfTest::skipInput(int input)
{
    StepResult &result = inputResult(input);
    if (result != StepResult::Fail)
        result = StepResult::Skipped;
    while (at < ops.size() && ops[at].input == input)
        ++at;
    // The operator may have left the skipped input anywhere: the next one is judged from there.
    if (at < ops.size())
        ops.insert(ops.begin() + std::ptrdiff_t(at), Op::of(Op::Kind::ReadInputs));
    watchStart.reset();
    settle();
}

void SelfTest::advance()
{
    ++at;
    watchStart.reset();
    settle();
}

// Moves on to the next step with anything to do, or finishes.
void SelfTest::settle()
{
    while (!done && at == ops.size()) {
        if (!stopped)
            current().result = stepResult();
        if (stopped || noModule || step == StepId::Analog) {
            finish();
            return;
        }
        begin(StepId(int(step) + 1));
    }
}

void SelfTest::begin(StepId id)
{
    step = id;
    loops.reset();
    if (settings.fixture && (id == StepId::Digital || id == StepId::Analog))
        loops.emplace(*settings.fixture, id, report_);
    ops = plan(id);
    at = 0;
    watchStart.reset();
    lastInputs.reset();
}

void SelfTest::finish()
{
    const auto &steps = report_.steps;
    const bool failed = std::any_of(steps.begin(), steps.end(), [](const StepRecord &s) {
        return s.result == StepResult::Fail;
    });
    // A run stopped before its end judged nothing, whatever it had found by then.
    if (stopped) {
        report_.outcome = *stopped;
        report_.verdict = Overall::Cancelled;
    } else if (noModule) {
        report_.outcome = Outcome::Error;
        report_.verdict = Overall::NoModule;
        report_.reason = current().failures.back().reason;
    } else {
        report_.outcome = failed ? Outcome::Fail : Outcome::Pass;
        report_.verdict = failed ? Overall::Fail : Overall::Pass;
    }
    ops.clear();
    at = 0;
    done = true;
}

} // namespace procedures
