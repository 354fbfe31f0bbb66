// The self-test reads the module through two replies, both judged OK by the line monitor first,
// so their lengths are known:
//   Read Coils 0-7:              address, 01, 01, the coils (coil 0 in bit 0), CRC
//   Read Holding Registers 0-10: address, 03, 22, registers 0 to 10 high byte first, CRC
// Relay n is coil n - 1; analog input r is register 3 + r; digital input c is register 6 + c.
#include "SelfTest.h"

#include "LineTiming.h"
#include "Mbap.h"
#include "Words.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace line {

namespace {

constexpr int RelayCount = 8;
constexpr int DigitalCount = 4;
constexpr int AnalogCount = 3;
constexpr int Opening = -1; // the read-back after the first switch-off, judged like a relay's

std::uint8_t coilsOf(const Transaction &t)
{
    return t.reply()[3];
}

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

// Relay k should read on only while it, or the All row, was switched on.
bool expectedOn(int switched, bool on, int k)
{
    return on && (switched == 0 || switched == k);
}

bool coilOn(std::uint8_t coils, int k)
{
    return (coils >> (k - 1) & 1) != 0;
}

std::string relayName(int relay)
{
    if (relay == Opening)
        return "switching all off";
    return relay == 0 ? "all" : "relay " + std::to_string(relay);
}

std::string pairText(const char *what, int a, int b)
{
    return std::string(what) + " " + std::to_string(std::min(a, b)) + " and " +
           std::to_string(std::max(a, b));
}

const char *onOff(bool on)
{
    return on ? "ON" : "OFF";
}

// "relay 3 ON", "all OFF by broadcast".
std::string writeName(int relay, bool on, bool broadcast)
{
    return relayName(relay) + " " + onOff(on) + (broadcast ? " by broadcast" : "");
}

const char *endName(bool high)
{
    return high ? "high" : "low";
}

template <typename Inputs> StepResult combined(const Inputs &inputs)
{
    const auto any = [&](StepResult r) {
        return std::any_of(inputs.begin(), inputs.end(),
                           [r](const auto &i) { return i.result == r; });
    };
    if (any(StepResult::Fail))
        return StepResult::Fail;
    if (any(StepResult::Skipped))
        return StepResult::Skipped;
    return any(StepResult::Pass) ? StepResult::Pass : StepResult::NotRun;
}

Action send(const ToolRequest &request, std::chrono::milliseconds wait = SelfTest::ReplyWait)
{
    Action a;
    a.kind = Action::Kind::Send;
    a.request = request;
    a.replyWait = wait;
    return a;
}

Action ask(std::string prompt, std::vector<Answer> answers)
{
    Action a;
    a.kind = Action::Kind::Ask;
    a.prompt = std::move(prompt);
    a.answers = std::move(answers);
    return a;
}

} // namespace

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
    if (!settings.operatorPresent)
        this->settings.confirmByEar = false;
    report_.address = settings.address;
    report_.low = settings.low;
    report_.high = settings.high;
    begin(StepId::Link);
    if (const auto problem = limitsProblem(settings)) { // refused before the first request
        stopped = Outcome::Error;
        report_.reason = *problem;
        finish();
    }
}

std::vector<SelfTest::Op> SelfTest::plan(StepId id) const
{
    using K = Op::Kind;
    std::vector<Op> p;
    switch (id) {
    case StepId::Link:
        for (int i = 1; i <= LinkReads; ++i)
            p.push_back({K::LinkRead, i});
        break;
    case StepId::Relays:
        // Relays left on by whoever used the module before would spoil every read-back; one
        // that will not go off is stuck on.
        for (int n = 1; n <= RelayCount; ++n)
            p.push_back({K::SwitchOff, n});
        p.push_back({K::CheckCoils, Opening, false});
        for (int relay = 1; relay <= RelayCount; ++relay) {
            for (bool on : {true, false}) {
                p.push_back({K::Write, relay, on});
                p.push_back({K::CheckCoils, relay, on});
            }
            if (settings.confirmByEar)
                p.push_back({K::AskClick, relay});
        }
        for (bool broadcast : {false, true}) // item 0: all eight
            for (bool on : {true, false})
                if (!broadcast || settings.broadcastAll) {
                    p.push_back({K::Write, 0, on, broadcast});
                    p.push_back({K::CheckCoils, 0, on, broadcast});
                }
        break;
    case StepId::Digital:
        if (settings.operatorPresent)
            p.push_back({K::ReadInputs}); // where the inputs are before anyone switches one
        for (int c = 1; settings.operatorPresent && c <= DigitalCount; ++c)
            p.push_back({K::Watch, c});
        break;
    case StepId::Analog:
        if (settings.operatorPresent)
            p.push_back({K::ReadInputs});
        for (int r = 1; settings.operatorPresent && r <= AnalogCount; ++r)
            for (bool high : {false, true}) {
                p.push_back({K::AskAnalog, r, high});
                p.push_back({K::ReadAnalog, r, high});
            }
        break;
    }
    return p;
}

Action SelfTest::next()
{
    staleReply = false; // a driver asking again has given up on the request out
    if (done)
        return {};
    const Op &op = ops[at];
    const Action a = actionFor(op);
    awaitingReply = a.kind == Action::Kind::Send || a.kind == Action::Kind::Watch;
    // Kept as it goes out, not as it is answered: a stop while it is out must know of it.
    if (op.kind == Op::Kind::Write && op.item == 0) {
        RelayValues &relays = report_.relays;
        if (op.broadcast)
            relays.allRow = AllRowWay::ModuleAndBroadcast;
        else if (relays.allRow == AllRowWay::Unsaid)
            relays.allRow = AllRowWay::Module;
    }
    if (op.broadcast && (op.kind == Op::Kind::Write || op.kind == Op::Kind::SwitchOff))
        broadcastOn = op.on;
    return a;
}

Action SelfTest::actionFor(const Op &op) const
{
    const std::uint8_t address = settings.address;
    const std::string item = std::to_string(op.item);
    switch (op.kind) {
    case Op::Kind::LinkRead:
        return send(op.item % 2 == 1 ? ToolRequest::readCoils(address)
                                     : ToolRequest::readRegisters(address));
    case Op::Kind::SwitchOff:
        if (op.broadcast)
            return send(ToolRequest::broadcastAllRelays(false), BroadcastTurnaround);
        return send(ToolRequest::writeRelay(address, op.item, false));
    case Op::Kind::Write:
        if (op.item == 0 && op.broadcast)
            return send(ToolRequest::broadcastAllRelays(op.on), BroadcastTurnaround);
        if (op.item == 0)
            return send(ToolRequest::writeAllRelays(address, op.on));
        return send(ToolRequest::writeRelay(address, op.item, op.on));
    case Op::Kind::CheckCoils:
        return send(ToolRequest::readCoils(address));
    case Op::Kind::AskClick:
        return ask("Did relay " + item + " click?", {Answer::Yes, Answer::No});
    case Op::Kind::ReadInputs:
        return send(ToolRequest::readRegisters(address));
    case Op::Kind::Watch: {
        if (strayInput) {
            const std::string stray = std::to_string(*strayInput);
            return ask("Input " + stray + " changed, input " + item + " expected. Put input " +
                           stray + " back and retry, or accept the failure.",
                       {Answer::Retry, Answer::Accept});
        }
        Action a = send(ToolRequest::readRegisters(address));
        a.kind = Action::Kind::Watch;
        a.interval = WatchInterval;
        const bool on = report_.digital[std::size_t(op.item - 1)].sawOn;
        a.prompt = "Switch digital input " + item + (on ? " off" : " on");
        a.answers = {Answer::Skip};
        return a;
    }
    case Op::Kind::AskAnalog:
        return ask("Turn analog input " + item + " to its " + endName(op.on) + " end",
                   {Answer::Continue, Answer::Skip});
    case Op::Kind::ReadAnalog:
        return send(ToolRequest::readRegisters(address));
    }
    return {};
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
        if (answer == Answer::No)
            fail(op.item, relayName(op.item) + ": no click heard");
        advance();
        break;
    case Op::Kind::Watch:
        if (strayInput) {
            answerStray(op.item, answer);
            break;
        }
        [[fallthrough]];
    case Op::Kind::AskAnalog:
        if (answer == Answer::Skip) {
            staleReply = awaitingReply;
            skipInput(op.item);
        } else if (answer == Answer::Continue && op.kind == Op::Kind::AskAnalog) {
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
        fail(input, "input " + std::to_string(stray) + " changed, input " + std::to_string(input) +
                        " expected");
        ++at;
    }
    if (at < ops.size())
        ops.insert(ops.begin() + std::ptrdiff_t(at), {Op::Kind::ReadInputs});
    settle();
}

void SelfTest::cancel(std::string reason)
{
    stop(Outcome::Aborted, std::move(reason));
}

// A port lost while switching off allows nothing more.
void SelfTest::portLost(std::string reason)
{
    if (!done && stopped) {
        finish();
        return;
    }
    awaitingReply = false; // nothing will come back
    stop(Outcome::Error, std::move(reason));
}

void SelfTest::stop(Outcome outcome, std::string reason)
{
    if (done || stopped)
        return;
    stopped = outcome;
    report_.reason = std::move(reason);
    staleReply = awaitingReply;
    strayInput.reset();
    current().result = outcome == Outcome::Aborted ? StepResult::Cancelled : StepResult::Error;
    ops.clear();
    for (int n = 1; n <= RelayCount; ++n)
        ops.push_back({Op::Kind::SwitchOff, n});
    // Every other module on the line switched on too: only a broadcast reaches them all.
    if (broadcastOn)
        ops.push_back({Op::Kind::SwitchOff, 0, false, true});
    at = 0;
}

// Whether the op is done with.
bool SelfTest::judge(const Op &op, const Transaction &t, std::size_t index)
{
    switch (op.kind) {
    case Op::Kind::LinkRead:
        judgeLinkRead(op, t, index);
        return true;
    case Op::Kind::Write:
        // A write that went wrong blames no relay: its read-back shows what the relay did.
        if (op.broadcast && !t.reply().empty())
            failStep(writeName(op.item, op.on, true) + ": answered the broadcast", index);
        else if (!op.broadcast && t.verdict != Verdict::Ok)
            failStep(writeName(op.item, op.on, false) + ": " + verdictText(t), index);
        return true;
    case Op::Kind::CheckCoils:
        judgeCoils(op, t, index);
        return true;
    case Op::Kind::ReadInputs:
        judgeInputs(t);
        return true;
    case Op::Kind::Watch:
        return judgeWatch(op, t, index);
    case Op::Kind::ReadAnalog:
        judgeAnalog(op, t, index);
        return true;
    case Op::Kind::SwitchOff:
        return true; // judged by the read-back, or not at all while stopping
    case Op::Kind::AskClick:
    case Op::Kind::AskAnalog:
        return false; // a reply nobody asked for: kept, nothing more
    }
    return true;
}

void SelfTest::judgeLinkRead(const Op &op, const Transaction &t, std::size_t index)
{
    LinkValues &link = report_.link;
    ++link.reads;
    if (t.verdict == Verdict::Ok) {
        const double ms = t.responseMs().value_or(0);
        ++link.good;
        link.minMs = std::min(link.minMs.value_or(ms), ms);
        link.maxMs = std::max(link.maxMs.value_or(ms), ms);
        link.meanMs = link.meanMs.value_or(0) + (ms - link.meanMs.value_or(0)) / link.good;
    } else {
        fail(0,
             "read " + std::to_string(op.item) +
                 (op.item % 2 == 1 ? " (coils): " : " (registers): ") + verdictText(t),
             index);
    }
    const auto &traffic = current().traffic;
    const bool silent = std::all_of(traffic.begin(), traffic.end(),
                                    [](const Transaction &x) { return x.reply().empty(); });
    if (op.item == SilentReadsForNoModule && silent) {
        noModule = true;
        fail(0,
             "no module: not one byte in reply to the first " + std::to_string(op.item) + " reads");
        ops.resize(at + 1);
    }
}

void SelfTest::judgeCoils(const Op &op, const Transaction &t, std::size_t index)
{
    const std::string after = op.item == Opening
                                  ? " after " + relayName(op.item)
                                  : " after " + writeName(op.item, op.on, op.broadcast);
    if (t.verdict != Verdict::Ok) {
        failStep("read back" + after + ": " + verdictText(t), index);
        return;
    }
    const std::uint8_t coils = coilsOf(t);
    for (int k = 1; k <= RelayCount; ++k) {
        const bool on = coilOn(coils, k);
        if (on == expectedOn(op.item, op.on, k))
            continue;
        if (op.item != 0) {
            blameRelay(k, on, index);
        } else if (!report_.relays.faults[std::size_t(k - 1)]) {
            report_.relays.allFailed = true;
            failStep(writeName(0, op.on, op.broadcast) + ": relay " + std::to_string(k) +
                         " did not follow",
                     index);
        }
    }
}

// One fault a relay: a coil wrong both ways reads inverted, and its first failure says so.
void SelfTest::blameRelay(int relay, bool readOn, std::size_t index)
{
    const auto i = std::size_t(relay - 1);
    auto &fault = report_.relays.faults[i];
    const RelayFault seen = readOn ? RelayFault::StuckOn : RelayFault::StuckOff;
    if (!fault) {
        fault = seen;
        report_.relays.failed[i] = true;
        relayFailure[i] = current().failures.size();
        current().failures.push_back({relayFaultText(relay, seen), index});
    } else if (*fault != seen && *fault != RelayFault::Inverted) {
        fault = RelayFault::Inverted;
        current().failures[relayFailure[i]].reason = relayFaultText(relay, *fault);
    }
}

void SelfTest::judgeInputs(const Transaction &t)
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
bool SelfTest::judgeWatch(const Op &op, const Transaction &t, std::size_t index)
{
    DigitalInput &input = report_.digital[std::size_t(op.item - 1)];
    if (!watchStart)
        watchStart = t.start;
    if (t.verdict == Verdict::Ok) {
        const auto before = lastInputs;
        judgeInputs(t);
        const auto &now = *lastInputs;
        const auto changed = [&](int k) {
            return before && (*before)[std::size_t(k - 1)] != now[std::size_t(k - 1)];
        };
        const bool on = now[std::size_t(op.item - 1)] != 0;
        for (int k = 1; k <= DigitalCount; ++k) {
            if (k == op.item || !changed(k))
                continue;
            if (!changed(op.item)) {
                strayInput = k;
                return false;
            }
            crossed(op.item, k, index);
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
    fail(op.item, "input " + std::to_string(op.item) +
                      (input.sawOn ? ": read on, never off again" : ": never read on") + " in " +
                      std::to_string(WatchTimeout.count()) + " s");
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
            {pairText("inputs", tested, other) + " change together", index});
    }
    auto &result = step == StepId::Digital ? report_.digital[std::size_t(other - 1)].result
                                           : report_.analog[std::size_t(other - 1)].result;
    if (result != StepResult::Skipped)
        result = StepResult::Fail;
}

void SelfTest::judgeAnalog(const Op &op, const Transaction &t, std::size_t index)
{
    AnalogInput &input = report_.analog[std::size_t(op.item - 1)];
    const std::string what = "input " + std::to_string(op.item) + " " + endName(op.on);
    if (t.verdict != Verdict::Ok) {
        fail(op.item, what + ": " + verdictText(t), index);
    } else {
        const auto before = lastInputs;
        judgeInputs(t);
        for (int k = 1; before && k <= AnalogCount; ++k) {
            const int drift =
                std::abs((*lastInputs)[std::size_t(k - 1)] - (*before)[std::size_t(k - 1)]);
            if (k != op.item && drift * 100 > AnalogDriftPercent * AnalogFullScale)
                crossed(op.item, k, index);
        }
        const int value = registerOf(t, analogRegister(op.item));
        const AnalogLimits &limits = op.on ? settings.high : settings.low;
        (op.on ? input.high : input.low) = value;
        if (value < limits.min || value > limits.max)
            fail(op.item,
                 what + ": " + std::to_string(value) + ", outside " + std::to_string(limits.min) +
                     " to " + std::to_string(limits.max),
                 index);
    }
    if (op.on && input.result != StepResult::Fail)
        input.result = StepResult::Pass;
}

// A failure of the step that blames no relay or input: the line, or a broadcast answered.
void SelfTest::failStep(std::string reason, std::optional<std::size_t> transaction)
{
    current().failures.push_back({std::move(reason), transaction});
}

// Marks the relay or input failed as well as the step.
void SelfTest::fail(int item, std::string reason, std::optional<std::size_t> transaction)
{
    current().failures.push_back({std::move(reason), transaction});
    const auto i = std::size_t(item - 1);
    switch (step) {
    case StepId::Link:
        break;
    case StepId::Relays:
        (item == 0 ? report_.relays.allFailed : report_.relays.failed[i]) = true;
        break;
    case StepId::Digital:
        report_.digital[i].result = StepResult::Fail;
        break;
    case StepId::Analog:
        report_.analog[i].result = StepResult::Fail;
        break;
    }
}

void SelfTest::skipInput(int input)
{
    auto &result = step == StepId::Digital ? report_.digital[std::size_t(input - 1)].result
                                           : report_.analog[std::size_t(input - 1)].result;
    if (result != StepResult::Fail)
        result = StepResult::Skipped;
    while (at < ops.size() && ops[at].item == input)
        ++at;
    // The operator may have left the skipped input anywhere: the next one is judged from there.
    if (at < ops.size())
        ops.insert(ops.begin() + std::ptrdiff_t(at), {Op::Kind::ReadInputs});
    watchStart.reset();
    settle();
}

// Replies in Modbus TCP's framing: the switch-off is still tried, in case the gateway passes
// it on; once switching off, such a reply ends the run, as nothing sent reaches a module.
void SelfTest::wrongProtocol()
{
    if (stopped)
        finish();
    else
        stop(Outcome::Error, ModbusTcpWords);
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
            end();
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
    ops = plan(id);
    at = 0;
    watchStart.reset();
    lastInputs.reset();
}

void SelfTest::end()
{
    StepRecord &s = current();
    switch (step) {
    case StepId::Link:
        s.result = report_.link.good == LinkReads ? StepResult::Pass : StepResult::Fail;
        break;
    case StepId::Relays:
        s.result = s.failures.empty() ? StepResult::Pass : StepResult::Fail;
        break;
    case StepId::Digital:
        s.result = s.failures.empty() ? combined(report_.digital) : StepResult::Fail;
        break;
    case StepId::Analog:
        s.result = s.failures.empty() ? combined(report_.analog) : StepResult::Fail;
        break;
    }
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

} // namespace line
