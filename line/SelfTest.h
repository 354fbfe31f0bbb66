#pragma once

#include "Request.h"
#include "SelfTestResult.h"
#include "Transaction.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace line {

struct SelfTestSettings {
    std::uint8_t address = 1;
    bool operatorPresent = true; // false: link and relays only, no questions (the command line)
    bool confirmByEar = false;   // ask after each relay whether it clicked
    AnalogLimits low{0, 50};
    AnalogLimits high{973, 1023};
};

enum class Answer { Yes, No, Continue, Skip };

// What the sequencer wants done next.
//   Send:     send `request`; wait until LineMonitor::replyComplete() or `replyWait` has
//             passed, closeNow(), and hand the transaction to replied().
//   Ask:      show `prompt` with the buttons `answers`; hand the button to answered().
//   Watch:    show `prompt` with a Skip button; `interval` after the previous request began,
//             send `request` as for Send and hand the transaction to replied(), or hand Skip
//             to answered() if the operator pressed it meanwhile. The next action is often
//             the same Watch with a new prompt: the sequencer ends the watch.
//   Finished: report() holds everything.
// Every Send and Watch is answered by one replied(), every Ask by one answered(); then next().
// cancel() may come at any time, and Skip during a Watch: a request already out is then either
// still handed to replied(), which only keeps it in the traffic, or given up by calling next().
struct Action {
    enum class Kind { Send, Ask, Watch, Finished };

    Kind kind = Kind::Finished;
    Request request;
    std::chrono::milliseconds replyWait{0};
    std::chrono::milliseconds interval{0};
    std::string prompt;
    std::vector<Answer> answers;
};

// The guided self-test of one module:
//  1. Link: 20 reads, coils and registers by turns, each must be answered OK. When the first
//     three bring not one byte back there is no module: the test ends there.
//  2. Relays: all eight switched off first (not judged); then each relay ON, coils read back
//     (only that one on), OFF, read back (all off), and if asked whether it clicked; then all
//     eight by broadcast ON and OFF, each read back.
//  3. Digital inputs (operator): each input must read on, then off, within 30 s; Skip skips it.
//  4. Analog inputs (operator): each input at its low end, then its high end, within limits.
// Without an operator, steps 3 and 4 are not run. After cancel() every relay of the module is
// switched off by Write Single Coil, and the test finishes as cancelled. A step with any input
// skipped and none failed is skipped. The sequencer has no clock: all its times, the watch's
// time-out too, come from the transactions.
class SelfTest {
public:
    static constexpr int LinkReads = 20;
    static constexpr int SilentReadsForNoModule = 3;
    static constexpr std::chrono::milliseconds ReplyWait{500};
    static constexpr std::chrono::milliseconds BroadcastWait{100};
    static constexpr std::chrono::milliseconds WatchInterval{200};
    static constexpr std::chrono::seconds WatchTimeout{30};

    explicit SelfTest(const SelfTestSettings &settings);

    // The same action until it is answered; Finished once the test is over.
    Action next();
    void replied(const Transaction &transaction);
    void answered(Answer answer);
    void cancel();

    // For the dialog's progress; report() fills in as the test goes.
    StepId currentStep() const { return step; }
    bool finished() const { return done; }
    const SelfTestReport &report() const { return report_; }

private:
    // One thing to do; `item` is the relay (0: all eight), the input or the read.
    struct Op {
        enum class Kind {
            LinkRead,
            SwitchOff,
            Write,
            CheckCoils,
            AskClick,
            Watch,
            AskAnalog,
            ReadAnalog
        };
        Kind kind;
        int item = 0;
        bool on = false; // Write, CheckCoils: the state; AskAnalog, ReadAnalog: the high end
    };

    std::vector<Op> plan(StepId id) const;
    Action actionFor(const Op &op) const;
    bool judge(const Op &op, const Transaction &t, std::size_t index);
    void judgeLinkRead(const Op &op, const Transaction &t, std::size_t index);
    void judgeCoils(const Op &op, const Transaction &t, std::size_t index);
    bool judgeWatch(const Op &op, const Transaction &t);
    void judgeAnalog(const Op &op, const Transaction &t, std::size_t index);
    void fail(int item, std::string reason, std::optional<std::size_t> transaction = {});
    void advance();
    void settle();
    void begin(StepId id);
    void end();
    void finish();
    void skipInput(int input);
    StepRecord &current() { return report_.step(step); }

    SelfTestSettings settings;
    SelfTestReport report_;
    StepId step = StepId::Link;
    std::vector<Op> ops;
    std::size_t at = 0;
    std::optional<Time> watchStart;
    bool awaitingReply = false;
    bool staleReply = false; // a request out when the test was cancelled or skipped on
    bool cancelled = false;
    bool noModule = false;
    bool done = false;
};

} // namespace line
