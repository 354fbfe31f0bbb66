#pragma once

#include "Clock.h"
#include "Transaction.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a self-test of one module found, step by step, as the sequencer fills it in.
namespace procedures {

enum class StepId { Link, Relays, Digital, Analog };
constexpr std::size_t StepCount = 4;

// Cancelled is the step that was running when the test was cancelled, Error the one running
// when the port was lost.
enum class StepResult { NotRun, Pass, Fail, Skipped, Cancelled, Error };

// Skipped and not-run steps do not fail a test.
enum class Overall { Pass, Fail, NoModule, Cancelled };

// How a run ended, as production test records say it. Fail is the module's fault; Error means
// the test could not judge the module (no module answering, the port lost); Aborted means
// someone stopped it. `verdict` keeps the older word beside it for reports already written.
enum class Outcome { Pass, Fail, Error, Aborted };
inline constexpr std::array<Outcome, 4> Outcomes{Outcome::Pass, Outcome::Fail, Outcome::Error,
                                                 Outcome::Aborted};

// One thing found wrong, and the transaction of the step's traffic that shows it, if one does.
struct Failure {
    std::string reason; // "relay 3: coils read 0x00 after ON, expected 0x04"
    std::optional<std::size_t> transaction;
};

struct StepRecord {
    StepRecord(StepId id = StepId::Link) : id(id) {}

    StepId id;
    StepResult result = StepResult::NotRun;
    std::vector<line::Transaction> traffic;
    std::vector<Failure> failures;

    // From the start of the first transaction to the end of the last; none without traffic.
    std::optional<line::Time> started() const;
    std::optional<line::Time> finished() const;
};

struct LinkValues {
    int reads = 0;
    int good = 0;
    std::optional<double> minMs, meanMs, maxMs; // of the good replies
};

// What a relay's coil read back where it was wrong: on where it should be off is stuck on,
// off where it should be on does not switch on, both at once reads inverted.
enum class RelayFault { StuckOn, StuckOff, Inverted };

// Where the All row went: to the module, and by broadcast too when the operator asked for it;
// kept as each request goes out. Unsaid: the run stopped before the All row, and runs kept
// before it went to the module say nothing either (it went by broadcast alone).
enum class AllRowWay { Unsaid, Module, ModuleAndBroadcast };

struct RelayValues {
    std::array<bool, 8> failed{}; // relay 1 first; exactly the relays with a fault
    std::array<std::optional<RelayFault>, 8> faults{};
    bool allFailed = false; // a relay sound on its own did not follow the All row
    AllRowWay allRow = AllRowWay::Unsaid;
};

// Two inputs that changed in the same read, the smaller number first.
using InputPair = std::array<int, 2>;

struct DigitalInput {
    StepResult result = StepResult::NotRun;
    bool sawOn = false;
    bool sawOff = false;
};

struct AnalogLimits {
    int min = 0;
    int max = 0;
};

struct AnalogInput {
    StepResult result = StepResult::NotRun;
    std::optional<int> low, high;
    // On a fixture, this input's own ranges with its relay off and on; else the run's limits.
    std::optional<AnalogLimits> lowLimits{}, highLimits{};
};

// Something an input did wrong on a fixture, with the relay switched when it showed (with every
// relay off, its own relay).
struct InputFault {
    int input = 0;
    int relay = 0;
    std::string reason;
};

// Every value an analog input read on a fixture, with its relay off and with it on.
struct AnalogReadings {
    std::vector<int> off, on;
};

struct SelfTestReport {
    std::uint8_t address = 1;
    Overall verdict = Overall::Fail; // meaningful once the test has finished
    Outcome outcome = Outcome::Fail;
    std::string reason; // why an Error or Aborted run stopped: "the port was lost"
    std::array<StepRecord, StepCount> steps{
        {{StepId::Link}, {StepId::Relays}, {StepId::Digital}, {StepId::Analog}}};
    LinkValues link;
    RelayValues relays;
    std::array<DigitalInput, 4> digital{};
    std::array<AnalogInput, 3> analog{};
    std::vector<InputPair> digitalCrossed, analogCrossed;
    AnalogLimits low, high;
    std::string fixture; // the fixture's name; empty when none wired the inputs
    std::vector<InputFault> digitalFaults, analogFaults;
    std::array<AnalogReadings, 3> analogReadings{};

    StepRecord &step(StepId id) { return steps[std::size_t(id)]; }
    const StepRecord &step(StepId id) const { return steps[std::size_t(id)]; }
    std::optional<line::Time> started() const;
    std::optional<line::Time> finished() const;
};

// The report of a run that ended before it reached the line: ERROR (no port, a refused file),
// or ABORTED (stopped while its port was still opening), with why.
SelfTestReport unrunReport(std::uint8_t address, Outcome outcome, std::string reason);

// The words the reports share: "pass", "not run"; "link", "relays"; "pass", "no module".
const char *resultWord(StepResult result);
const char *stepName(StepId id);
const char *stepTitle(StepId id); // "Digital inputs"
const char *overallWord(Overall verdict);
const char *outcomeWord(Outcome outcome);                // "pass", "fail", "error", "aborted"
const char *relayFaultName(RelayFault fault);            // "stuck_on", for the record
const char *allRowWayName(AllRowWay way);                // "module", for the record
std::string relayFaultText(int relay, RelayFault fault); // "relay 3 stuck on"
// The outcome a word names, in any case: "FAIL" as the run list prints it, "fail" as typed.
std::optional<Outcome> outcomeNamed(const std::string &word);
inline constexpr const char *AllRowFaultText = "the All row does not switch every relay";
std::string changeTogetherText(const InputPair &pair); // "inputs 1 and 2 change together"

} // namespace procedures
