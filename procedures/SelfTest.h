#pragma once

#include "Fixture.h"
#include "LoopJudge.h"
#include "SelfTestOp.h"
#include "SelfTestResult.h"
#include "ToolRequest.h"
#include "Transaction.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace procedures {

struct SelfTestSettings {
    std::uint8_t address = 1;
    bool operatorPresent = true; // false: link and relays only, no questions (the command line)
    bool confirmByEar = false;   // ask after each relay whether it clicked
    // Check the All row by broadcast too, as the main window sends it: every module on the
    // line switches, so only when the operator asks for it.
    bool broadcastAll = false;
    AnalogLimits low{0, 50};
    AnalogLimits high{973, 1023};
    // Wires from the relays back to the inputs: the inputs are then tested with nobody asked.
    std::optional<Fixture> fixture{};
};

// Why the analog limits cannot judge a module, in words for the operator, or none when they
// can: each runs upwards within 0 to 1023, and the low end's top lies below the high end's
// bottom, so that no one reading passes as both ends.
std::optional<std::string> limitsProblem(const SelfTestSettings &settings);

// Retry and Accept answer a wrong input switched during a watch: watch that input again, or
// take it as failed and go on.
enum class Answer { Yes, No, Continue, Skip, Retry, Accept };

// What the sequencer wants done next.
//   Send:     `interval` (0: at once) after the previous reply, send `request`; wait until
//   LineMonitor::replyComplete() or `replyWait` has
//             passed, closeNow(), and hand the transaction to replied().
//   Ask:      show `prompt` with the buttons `answers`; hand the button to answered(). It may
//             come in the middle of a watch, when an input changed that was not asked for.
//   Watch:    show `prompt` with a Skip button; `interval` after the previous request began,
//             send `request` as for Send and hand the transaction to replied(), or hand Skip
//             to answered() if the operator pressed it meanwhile. The next action is often
//             the same Watch with a new prompt: the sequencer ends the watch.
//   Finished: report() holds everything.
// Every Send and Watch is answered by one replied(), every Ask by one answered(); then next().
// A request that could not be sent, or a port that went away, is answered by portLost()
// instead: that is the line's fault, never the module's "No reply".
// cancel() may come at any time, and Skip during a Watch: a request already out is then either
// still handed to replied(), which only keeps it in the traffic, or given up by calling next().
struct Action {
    enum class Kind { Send, Ask, Watch, Finished };

    Kind kind = Kind::Finished;
    line::ToolRequest request;
    std::chrono::milliseconds replyWait{0};
    std::chrono::milliseconds interval{0};
    std::string prompt;
    std::vector<Answer> answers;
};

// The guided self-test of one module:
//  1. Link: 20 reads, coils and registers by turns, each must be answered OK. When the first
//     three bring not one byte back there is no module: the test ends there, as an error.
//  2. Relays: all eight switched off and read back (a coil still on is stuck on; one on before
//     the test is no fault); then each relay ON, read back, OFF, read back, and if asked
//     whether it clicked; then all eight at once (Write Multiple Coils to the module, which
//     answers) ON and OFF, each read back, and, when asked, the same by broadcast. Every
//     read-back is judged coil by coil, each wrong coil against its own relay, and the test
//     goes on past a faulty relay. The All row blames no relay already blamed.
//  3. Digital inputs (operator): all four read; each input must read on, then off, within
//     30 s; another input changing in the same read is wired with it; another input changing
//     alone is asked about at once. Skip skips the input.
//  4. Analog inputs (operator): each input at its low end, then its high end, within limits,
//     while the others stay within 3 % of full scale of where they were.
// On a fixture, steps 3 and 4 ask nothing: with every relay off the inputs are read, then each
// wired relay whose read-back passed is switched on and off by Write Single Coil, addressed,
// the inputs read after each once the fixture's settle time has passed (see LoopJudge). Nobody
// is asked whether a relay clicked either.
// After Skip the inputs are read again, from where the operator left them; a skipped input is
// never failed, though a pair it changes with is still named. Replies in Modbus TCP's framing end
// the test as an error, after the switch-off is tried: the line leads to a gateway of the wrong
// kind, and no module was judged. Without an operator, steps 3 and 4 are not run. After cancel(),
// portLost() or such a reply every relay of the module is switched off by Write Single Coil,
// addressed, so that each is answered and no other module on the bus is touched; then, if all ON
// by broadcast went out and all OFF by broadcast did not, all OFF by broadcast, for every other
// module it switched on. A second lost port ends that at once. The sequencer has no clock: all
// its times, the watch's time-out too, come from the transactions.
class SelfTest {
public:
    static constexpr int LinkReads = 20;
    static constexpr int SilentReadsForNoModule = 3;
    static constexpr std::chrono::milliseconds ReplyWait{500};
    static constexpr std::chrono::milliseconds WatchInterval{200};
    static constexpr std::chrono::seconds WatchTimeout{30};
    static constexpr int AnalogFullScale = 1023;
    static constexpr int AnalogDriftPercent = 3; // of full scale, for the inputs not under test

    explicit SelfTest(const SelfTestSettings &settings);

    // The same action until it is answered; Finished once the test is over.
    Action next();
    void replied(const line::Transaction &transaction);
    void answered(Answer answer);
    // The operator, Ctrl+C, SIGTERM or a closed dialog: ends as Aborted with the reason.
    void cancel(std::string reason = "cancelled by the operator");
    // The request could not be sent or the port went away: ends as Error with the reason.
    void portLost(std::string reason = "the port was lost");

    // For the dialog's progress; report() fills in as the test goes.
    StepId currentStep() const { return step; }
    // From 0 to 1 over the steps this run has, each by the ops planned for it. It may fall
    // back once a stop plans the switching off.
    double progress() const;
    bool finished() const { return done; }
    const SelfTestReport &report() const { return report_; }

private:
    using Op = SelfTestOp;

    // Planning (SelfTestPlan.cpp): which ops a step takes, in order, and what each one puts on
    // the line or asks.
    std::vector<Op> plan(StepId id) const;
    std::vector<Op> planLoops() const;
    Action actionFor(const Op &op) const;

    // Judging (SelfTestJudging.cpp, and SelfTestInputs.cpp for the inputs): each step's replies
    // in one place, and its result at its end. A judge says whether the op is done with; a new
    // step adds its own beside these, and judge() hands it the step's replies.
    bool judge(const Op &op, const line::Transaction &t, std::size_t index);
    bool judgeLink(const Op &op, const line::Transaction &t, std::size_t index);
    bool judgeRelays(const Op &op, const line::Transaction &t, std::size_t index);
    bool judgeDigital(const Op &op, const line::Transaction &t, std::size_t index);
    bool judgeAnalog(const Op &op, const line::Transaction &t, std::size_t index);
    StepResult stepResult() const;
    void judgeReadBack(const Op &op, const line::Transaction &t, std::size_t index);
    void blameRelay(int relay, bool readOn, std::size_t index);
    void judgeClick(int relay, Answer answer);
    void readInputs(const line::Transaction &t);
    bool watchDigital(const Op &op, const line::Transaction &t, std::size_t index);
    void readAnalogEnd(const Op &op, const line::Transaction &t, std::size_t index);
    bool judgeLoop(const Op &op, const line::Transaction &t,
                   std::size_t index); // SelfTestLoops.cpp
    void crossed(int tested, int other, std::size_t index);
    void failStep(std::string reason, std::optional<std::size_t> transaction = {});
    void failInput(int input, std::string reason, std::optional<std::size_t> transaction = {});
    StepResult &inputResult(int input); // of the step running

    // The run (SelfTest.cpp): from op to op and step to step.
    void noteSent(const Op &op);
    void answerStray(int input, Answer answer);
    void skipInput(int input);
    void advance();
    void settle();
    void begin(StepId id);
    void finish();
    StepRecord &current() { return report_.step(step); }

    // Switching off (SelfTestSwitchOff.cpp): after cancel(), portLost() or a Modbus TCP reply.
    void stop(Outcome outcome, std::string reason);
    void wrongProtocol();

    SelfTestSettings settings;
    SelfTestReport report_;
    StepId step = StepId::Link;
    std::vector<Op> ops;
    std::size_t at = 0;
    std::optional<line::Time> watchStart;
    std::optional<int> strayInput; // changed during the watch of another, not yet answered
    // The latest reading of the inputs of the step running, to tell what changed.
    std::optional<std::array<int, 4>> lastInputs;
    std::array<std::size_t, 8> relayFailure{}; // where each blamed relay's failure is kept
    std::optional<LoopJudge> loops;            // the input step running on a fixture
    bool awaitingReply = false;
    bool staleReply = false;        // a request out when the test was cancelled or skipped on
    std::optional<Outcome> stopped; // cancelled or the port lost: switching off, then done
    bool noModule = false;
    bool done = false;
    bool broadcastOn = false; // all ON by broadcast went out, all OFF by broadcast not yet
};

} // namespace procedures
