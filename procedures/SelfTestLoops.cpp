// How the self-test judges the inputs on a fixture: the writes that switch each wired relay, and
// the reads after them, which LoopJudge weighs.
#include "SelfTest.h"

#include "Words.h"

namespace line {

// A reply gone wrong judges no input: the line is to blame, not the module's wiring.
bool SelfTest::judgeLoop(const Op &op, const Transaction &t, std::size_t index)
{
    if (t.verdict != Verdict::Ok) {
        const std::string switched =
            "relay " + std::to_string(op.relay) + (op.switchOn ? " ON" : " OFF");
        failStep((op.kind == Op::Kind::SwitchRelay ? switched
                  : op.relay == 0                  ? std::string("inputs read with every relay off")
                                                   : "inputs read after " + switched) +
                     ": " + verdictText(t),
                 index);
    } else if (op.kind == Op::Kind::ReadLoop) {
        readInputs(t);
        loops->judge(report_, {op.relay, op.switchOn}, *lastInputs, index);
    }
    return true;
}

} // namespace line
