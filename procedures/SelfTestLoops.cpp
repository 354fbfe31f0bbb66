// How the self-test judges the inputs on a fixture: the writes that switch each wired relay, and
// the reads, with every relay off and after each write, which LoopJudge weighs.
#include "SelfTest.h"

#include "Words.h"

namespace procedures {

using line::Transaction;
using line::Verdict;
using line::verdictText;

// A reply gone wrong judges no input: the line is to blame, not the module's wiring.
bool SelfTest::judgeLoop(const Op &op, const Transaction &t, std::size_t index)
{
    if (t.verdict != Verdict::Ok) {
        const auto switched = [&] {
            return "relay " + std::to_string(op.relay) + (op.switchOn ? " ON" : " OFF");
        };
        const std::string what =
            op.kind == Op::Kind::ReadLoopAllOff ? "inputs read with every relay off"
            : op.kind == Op::Kind::SwitchRelay  ? switched()
                                                : "inputs read after " + switched();
        failStep(what + ": " + verdictText(t), index);
        // A write gone wrong may have switched the relay or not: it is switched off once more
        // before the read after it, so that the read judges a relay known to be off and the
        // run does not end with it on.
        if (op.kind == Op::Kind::SwitchRelay) {
            ops.insert(ops.begin() + std::ptrdiff_t(at + 1),
                       Op::ofRelay(Op::Kind::SwitchOff, op.relay));
            if (at + 2 < ops.size() && ops[at + 2].kind == Op::Kind::ReadLoop &&
                ops[at + 2].relay == op.relay)
                ops[at + 2].switchOn = false;
        }
    } else if (op.kind == Op::Kind::ReadLoopAllOff || op.kind == Op::Kind::ReadLoop) {
        readInputs(t);
        loops->judge(report_,
                     op.kind == Op::Kind::ReadLoop ? LoopRead{op.relay, op.switchOn} : LoopRead{},
                     *lastInputs, index);
    }
    return true;
}

} // namespace procedures
