// The self-test reads the module through two replies, both judged OK by the line monitor first,
// so their lengths are known:
//   Read Coils 0-7:              address, 01, 01, the coils (coil 0 in bit 0), CRC
//   Read Holding Registers 0-10: address, 03, 22, registers 0 to 10 high byte first, CRC
// Relay n is coil n - 1; analog input r is register 3 + r; digital input c is register 6 + c.
#include "SelfTest.h"

#include "Words.h"

#include <algorithm>
#include <utility>

namespace line {

namespace {

constexpr int RelayCount = 8;
constexpr int DigitalCount = 4;
constexpr int AnalogCount = 3;

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

std::uint8_t expectedCoils(int relay, bool on)
{
    if (!on)
        return 0x00;
    return relay == 0 ? 0xFF : std::uint8_t(1U << (relay - 1));
}

std::string hexByte(std::uint8_t byte)
{
    return "0x" + hex(ByteView(&byte, 1));
}

std::string relayName(int relay)
{
    return relay == 0 ? "all" : "relay " + std::to_string(relay);
}

const char *onOff(bool on)
{
    return on ? "ON" : "OFF";
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

Action send(const Request &request, std::chrono::milliseconds wait = SelfTest::ReplyWait)
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

SelfTest::SelfTest(const SelfTestSettings &settings) : settings(settings)
{
    if (!settings.operatorPresent)
        this->settings.confirmByEar = false;
    report_.address = settings.address;
    report_.low = settings.low;
    report_.high = settings.high;
    begin(StepId::Link);
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
        // Relays left on by whoever used the module before would spoil every read-back.
        for (int n = 1; n <= RelayCount; ++n)
            p.push_back({K::SwitchOff, n});
        for (int n = 1; n <= RelayCount + 1; ++n) {
            const int relay = n % (RelayCount + 1); // 1 to 8, then 0 for all eight
            for (bool on : {true, false}) {
                p.push_back({K::Write, relay, on});
                p.push_back({K::CheckCoils, relay, on});
            }
            if (relay != 0 && settings.confirmByEar)
                p.push_back({K::AskClick, relay});
        }
        break;
    case StepId::Digital:
        for (int c = 1; settings.operatorPresent && c <= DigitalCount; ++c)
            p.push_back({K::Watch, c});
        break;
    case StepId::Analog:
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
    const Action a = actionFor(ops[at]);
    awaitingReply = a.kind == Action::Kind::Send || a.kind == Action::Kind::Watch;
    return a;
}

Action SelfTest::actionFor(const Op &op) const
{
    const std::uint8_t address = settings.address;
    const std::string item = std::to_string(op.item);
    switch (op.kind) {
    case Op::Kind::LinkRead:
        return send(op.item % 2 == 1 ? Request::readCoils(address)
                                     : Request::readRegisters(address));
    case Op::Kind::SwitchOff:
        return send(Request::writeRelay(address, op.item, false));
    case Op::Kind::Write:
        if (op.item == 0)
            return send(Request::writeAllRelays(op.on), BroadcastWait);
        return send(Request::writeRelay(address, op.item, op.on));
    case Op::Kind::CheckCoils:
        return send(Request::readCoils(address));
    case Op::Kind::AskClick:
        return ask("Did relay " + item + " click?", {Answer::Yes, Answer::No});
    case Op::Kind::Watch: {
        Action a = send(Request::readRegisters(address));
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
        return send(Request::readRegisters(address));
    }
    return {};
}

void SelfTest::replied(const Transaction &transaction)
{
    if (done)
        return;
    awaitingReply = false;
    current().traffic.push_back(transaction);
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

void SelfTest::cancel()
{
    if (done || cancelled)
        return;
    cancelled = true;
    staleReply = awaitingReply;
    current().result = StepResult::Cancelled;
    ops.clear();
    for (int n = 1; n <= RelayCount; ++n)
        ops.push_back({Op::Kind::SwitchOff, n});
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
        if (op.item == 0 && !t.reply().empty())
            fail(0, "all " + std::string(onOff(op.on)) + ": answered the broadcast", index);
        else if (op.item != 0 && t.verdict != Verdict::Ok)
            fail(op.item, relayName(op.item) + " " + onOff(op.on) + ": " + verdictText(t), index);
        return true;
    case Op::Kind::CheckCoils:
        judgeCoils(op, t, index);
        return true;
    case Op::Kind::Watch:
        return judgeWatch(op, t);
    case Op::Kind::ReadAnalog:
        judgeAnalog(op, t, index);
        return true;
    case Op::Kind::SwitchOff:
        return true;
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
    const std::string what = relayName(op.item);
    const std::string after = std::string(" after ") + onOff(op.on);
    const std::uint8_t expected = expectedCoils(op.item, op.on);
    if (t.verdict != Verdict::Ok)
        fail(op.item, what + ": read back" + after + ": " + verdictText(t), index);
    else if (coilsOf(t) != expected)
        fail(op.item,
             what + ": coils read " + hexByte(coilsOf(t)) + after + ", expected " +
                 hexByte(expected),
             index);
}

bool SelfTest::judgeWatch(const Op &op, const Transaction &t)
{
    DigitalInput &input = report_.digital[std::size_t(op.item - 1)];
    if (!watchStart)
        watchStart = t.start;
    if (t.verdict == Verdict::Ok) {
        const bool on = registerOf(t, digitalRegister(op.item)) != 0;
        if (!input.sawOn)
            input.sawOn = on;
        else if (!on)
            input.sawOff = true;
    }
    if (input.sawOff) {
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

void SelfTest::judgeAnalog(const Op &op, const Transaction &t, std::size_t index)
{
    AnalogInput &input = report_.analog[std::size_t(op.item - 1)];
    const std::string what = "input " + std::to_string(op.item) + " " + endName(op.on);
    if (t.verdict != Verdict::Ok) {
        fail(op.item, what + ": " + verdictText(t), index);
    } else {
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
        if (!cancelled)
            end();
        if (cancelled || noModule || step == StepId::Analog) {
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
        s.result = combined(report_.digital);
        break;
    case StepId::Analog:
        s.result = combined(report_.analog);
        break;
    }
}

void SelfTest::finish()
{
    const auto &steps = report_.steps;
    const bool failed = std::any_of(steps.begin(), steps.end(), [](const StepRecord &s) {
        return s.result == StepResult::Fail;
    });
    if (cancelled)
        report_.verdict = Overall::Cancelled;
    else if (noModule)
        report_.verdict = Overall::NoModule;
    else
        report_.verdict = failed ? Overall::Fail : Overall::Pass;
    ops.clear();
    at = 0;
    done = true;
}

} // namespace line
