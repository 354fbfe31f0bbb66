// How the self-test ends early: cancelled, the port lost, or a reply in Modbus TCP's framing.
// Every relay of the module is switched off, addressed, so that each is answered and no other
// module on the bus is touched; then, if all ON by broadcast went out and all OFF by broadcast
// did not, all OFF by broadcast for every other module it switched on.
#include "SelfTest.h"

#include "Mbap.h"

#include <utility>

namespace procedures {

using line::ModbusTcpWords;

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
        ops.push_back(Op::ofRelay(Op::Kind::SwitchOff, n));
    // Every other module on the line switched on too: only a broadcast reaches them all.
    if (broadcastOn)
        ops.push_back(Op::of(Op::Kind::AllOffByBroadcast));
    at = 0;
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

} // namespace procedures
