// How the self-test judges what comes back: each step's replies in one place, the link's and the
// relays' here, the inputs' in SelfTestInputs.cpp, and each step's result at its end.
//
// The self-test reads the module through two replies, both judged OK by the line monitor first,
// so their lengths are known:
//   Read Coils 0-7:              address, 01, 01, the coils (coil 0 in bit 0), CRC
//   Read Holding Registers 0-10: address, 03, 22, registers 0 to 10 high byte first, CRC
// Relay n is coil n - 1.
#include "SelfTest.h"

#include "Words.h"

#include <algorithm>

namespace procedures {

using line::Transaction;
using line::Verdict;
using line::verdictText;

namespace {

bool coilOn(std::uint8_t coils, int relay)
{
    return (coils >> (relay - 1) & 1) != 0;
}

// Relay k should read on only while it, or all eight, was switched on.
bool expectedOn(const SelfTestOp &op, int k)
{
    switch (op.kind) {
    case SelfTestOp::Kind::RelayReadBack:
        return op.switchOn && op.relay == k;
    case SelfTestOp::Kind::AllReadBack:
        return op.switchOn;
    default:
        return false;
    }
}

const char *onOff(bool on)
{
    return on ? "ON" : "OFF";
}

// What a write or read-back followed: "relay 3 ON", "all OFF by broadcast", "switching all off".
std::string switchedName(const SelfTestOp &op)
{
    switch (op.kind) {
    case SelfTestOp::Kind::SwitchRelay:
    case SelfTestOp::Kind::RelayReadBack:
        return "relay " + std::to_string(op.relay) + " " + onOff(op.switchOn);
    case SelfTestOp::Kind::SwitchAll:
    case SelfTestOp::Kind::AllReadBack:
        return std::string("all ") + onOff(op.switchOn) + (op.broadcast ? " by broadcast" : "");
    default:
        return "switching all off";
    }
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

} // namespace

bool SelfTest::judge(const Op &op, const Transaction &t, std::size_t index)
{
    switch (op.kind) {
    case Op::Kind::SwitchOff:
    case Op::Kind::AllOffByBroadcast:
        return true; // judged by the read-back, or not at all while stopping
    case Op::Kind::AskClick:
    case Op::Kind::AskAnalogEnd:
        return false; // a reply nobody asked for: kept, nothing more
    default:
        break;
    }
    switch (step) {
    case StepId::Link:
        return judgeLink(op, t, index);
    case StepId::Relays:
        return judgeRelays(op, t, index);
    case StepId::Digital:
        return judgeDigital(op, t, index);
    case StepId::Analog:
        return judgeAnalog(op, t, index);
    }
    return true;
}

StepResult SelfTest::stepResult() const
{
    const StepRecord &s = report_.step(step);
    switch (step) {
    case StepId::Link:
        return report_.link.good == LinkReads ? StepResult::Pass : StepResult::Fail;
    case StepId::Relays:
        return s.failures.empty() ? StepResult::Pass : StepResult::Fail;
    case StepId::Digital:
        return s.failures.empty() ? combined(report_.digital) : StepResult::Fail;
    case StepId::Analog:
        return s.failures.empty() ? combined(report_.analog) : StepResult::Fail;
    }
    return StepResult::Fail;
}

// A failure of the step that blames no relay or input: the line, or a broadcast answered.
void SelfTest::failStep(std::string reason, std::optional<std::size_t> transaction)
{
    current().failures.push_back({std::move(reason), transaction});
}

// The link: every read answered OK, and no module when the first few bring not one byte.
bool SelfTest::judgeLink(const Op &op, const Transaction &t, std::size_t index)
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
        failStep("read " + std::to_string(op.read) +
                     (op.read % 2 == 1 ? " (coils): " : " (registers): ") + verdictText(t),
                 index);
    }
    const auto &traffic = current().traffic;
    const bool silent = std::all_of(traffic.begin(), traffic.end(),
                                    [](const Transaction &x) { return x.reply().empty(); });
    if (op.read == SilentReadsForNoModule && silent) {
        noModule = true;
        failStep("no module: not one byte in reply to the first " + std::to_string(op.read) +
                 " reads");
        ops.resize(at + 1);
    }
    return true;
}

// The relays: a write that went wrong blames no relay, as its read-back shows what the relay did.
bool SelfTest::judgeRelays(const Op &op, const Transaction &t, std::size_t index)
{
    switch (op.kind) {
    case Op::Kind::SwitchRelay:
    case Op::Kind::SwitchAll:
        if (op.broadcast && !t.reply().empty())
            failStep(switchedName(op) + ": answered the broadcast", index);
        else if (!op.broadcast && t.verdict != Verdict::Ok)
            failStep(switchedName(op) + ": " + verdictText(t), index);
        break;
    case Op::Kind::OpeningReadBack:
    case Op::Kind::RelayReadBack:
    case Op::Kind::AllReadBack:
        judgeReadBack(op, t, index);
        break;
    default:
        break;
    }
    return true;
}

// Each wrong coil is judged against its own relay; the All row blames no relay already blamed.
void SelfTest::judgeReadBack(const Op &op, const Transaction &t, std::size_t index)
{
    if (t.verdict != Verdict::Ok) {
        failStep("read back after " + switchedName(op) + ": " + verdictText(t), index);
        return;
    }
    const std::uint8_t coils = t.reply()[3];
    for (int k = 1; k <= RelayCount; ++k) {
        const bool on = coilOn(coils, k);
        if (on == expectedOn(op, k))
            continue;
        if (op.kind != Op::Kind::AllReadBack) {
            blameRelay(k, on, index);
        } else if (!report_.relays.faults[std::size_t(k - 1)]) {
            report_.relays.allFailed = true;
            failStep(switchedName(op) + ": relay " + std::to_string(k) + " did not follow", index);
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

void SelfTest::judgeClick(int relay, Answer answer)
{
    if (answer != Answer::No)
        return;
    report_.relays.failed[std::size_t(relay - 1)] = true;
    failStep("relay " + std::to_string(relay) + ": no click heard");
}

} // namespace procedures
