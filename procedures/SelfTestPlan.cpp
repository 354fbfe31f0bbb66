// Which ops each step of the self-test takes, in order, and what each one puts on the line or asks
// the operator.
#include "SelfTest.h"

#include "LineTiming.h"

#include <utility>

namespace procedures {

using line::BroadcastTurnaround;
using line::ToolRequest;

namespace {

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

std::vector<SelfTest::Op> SelfTest::plan(StepId id) const
{
    using K = Op::Kind;
    std::vector<Op> p;
    switch (id) {
    case StepId::Link:
        for (int i = 1; i <= LinkReads; ++i)
            p.push_back(Op::linkRead(i));
        break;
    case StepId::Relays:
        // Relays left on by whoever used the module before would spoil every read-back; one
        // that will not go off is stuck on.
        for (int n = 1; n <= RelayCount; ++n)
            p.push_back(Op::ofRelay(K::SwitchOff, n));
        p.push_back(Op::of(K::OpeningReadBack));
        for (int relay = 1; relay <= RelayCount; ++relay) {
            for (bool on : {true, false}) {
                p.push_back(Op::ofRelay(K::SwitchRelay, relay, on));
                p.push_back(Op::ofRelay(K::RelayReadBack, relay, on));
            }
            if (settings.confirmByEar)
                p.push_back(Op::ofRelay(K::AskClick, relay));
        }
        for (bool broadcast : {false, true})
            for (bool on : {true, false})
                if (!broadcast || settings.broadcastAll) {
                    p.push_back(Op::ofAll(K::SwitchAll, on, broadcast));
                    p.push_back(Op::ofAll(K::AllReadBack, on, broadcast));
                }
        break;
    case StepId::Digital:
        if (loops)
            return planLoops();
        if (!settings.operatorPresent)
            break;
        p.push_back(Op::of(K::ReadInputs)); // where the inputs are before anyone switches one
        for (int c = 1; c <= DigitalCount; ++c)
            p.push_back(Op::ofInput(K::WatchDigital, c));
        break;
    case StepId::Analog:
        if (loops)
            return planLoops();
        if (!settings.operatorPresent)
            break;
        p.push_back(Op::of(K::ReadInputs));
        for (int r = 1; r <= AnalogCount; ++r)
            for (AnalogEnd end : {AnalogEnd::Low, AnalogEnd::High}) {
                p.push_back(Op::ofInput(K::AskAnalogEnd, r, end));
                p.push_back(Op::ofInput(K::ReadAnalogEnd, r, end));
            }
        break;
    }
    return p;
}

// On a fixture: every relay off, then each wired relay on and off, the inputs read after each.
std::vector<SelfTest::Op> SelfTest::planLoops() const
{
    std::vector<Op> p{Op::of(Op::Kind::ReadLoopAllOff)};
    for (const int relay : loops->relays())
        for (bool on : {true, false}) {
            p.push_back(Op::ofRelay(Op::Kind::SwitchRelay, relay, on));
            p.push_back(Op::ofRelay(Op::Kind::ReadLoop, relay, on));
        }
    return p;
}

Action SelfTest::actionFor(const Op &op) const
{
    const std::uint8_t address = settings.address;
    switch (op.kind) {
    case Op::Kind::LinkRead:
        return send(op.read % 2 == 1 ? ToolRequest::readCoils(address)
                                     : ToolRequest::readRegisters(address));
    case Op::Kind::SwitchOff:
        return send(ToolRequest::writeRelay(address, op.relay, false));
    case Op::Kind::AllOffByBroadcast:
        return send(ToolRequest::broadcastAllRelays(false), BroadcastTurnaround);
    case Op::Kind::SwitchRelay:
        return send(ToolRequest::writeRelay(address, op.relay, op.switchOn));
    case Op::Kind::SwitchAll:
        if (op.broadcast)
            return send(ToolRequest::broadcastAllRelays(op.switchOn), BroadcastTurnaround);
        return send(ToolRequest::writeAllRelays(address, op.switchOn));
    case Op::Kind::OpeningReadBack:
    case Op::Kind::RelayReadBack:
    case Op::Kind::AllReadBack:
        return send(ToolRequest::readCoils(address));
    case Op::Kind::AskClick:
        return ask("Did relay " + std::to_string(op.relay) + " click?", {Answer::Yes, Answer::No});
    case Op::Kind::ReadInputs:
    case Op::Kind::ReadAnalogEnd:
        return send(ToolRequest::readRegisters(address));
    case Op::Kind::ReadLoopAllOff:
    case Op::Kind::ReadLoop: { // once the inputs have settled
        Action a = send(ToolRequest::readRegisters(address));
        a.interval = settings.fixture->settle;
        return a;
    }
    case Op::Kind::WatchDigital: {
        const std::string input = std::to_string(op.input);
        if (strayInput) {
            const std::string stray = std::to_string(*strayInput);
            return ask("Input " + stray + " changed, input " + input + " expected. Put input " +
                           stray + " back and retry, or accept the failure.",
                       {Answer::Retry, Answer::Accept});
        }
        Action a = send(ToolRequest::readRegisters(address));
        a.kind = Action::Kind::Watch;
        a.interval = WatchInterval;
        const bool on = report_.digital[std::size_t(op.input - 1)].sawOn;
        a.prompt = "Switch digital input " + input + (on ? " off" : " on");
        a.answers = {Answer::Skip};
        return a;
    }
    case Op::Kind::AskAnalogEnd:
        return ask("Turn analog input " + std::to_string(op.input) + " to its " + endName(op.end) +
                       " end",
                   {Answer::Continue, Answer::Skip});
    }
    return {};
}

} // namespace procedures
