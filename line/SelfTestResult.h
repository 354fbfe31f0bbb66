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
namespace line {

enum class StepId { Link, Relays, Digital, Analog };
constexpr std::size_t StepCount = 4;

// Cancelled is the step that was running when the test was cancelled.
enum class StepResult { NotRun, Pass, Fail, Skipped, Cancelled };

// Skipped and not-run steps do not fail a test.
enum class Overall { Pass, Fail, NoModule, Cancelled };

// One thing found wrong, and the transaction of the step's traffic that shows it, if one does.
struct Failure {
    std::string reason; // "relay 3: coils read 0x00 after ON, expected 0x04"
    std::optional<std::size_t> transaction;
};

struct StepRecord {
    StepRecord(StepId id = StepId::Link) : id(id) {}

    StepId id;
    StepResult result = StepResult::NotRun;
    std::vector<Transaction> traffic;
    std::vector<Failure> failures;

    // From the start of the first transaction to the end of the last; none without traffic.
    std::optional<Time> started() const;
    std::optional<Time> finished() const;
};

struct LinkValues {
    int reads = 0;
    int good = 0;
    std::optional<double> minMs, meanMs, maxMs; // of the good replies
};

struct RelayValues {
    std::array<bool, 8> failed{}; // relay 1 first
    bool allFailed = false;       // the broadcast row
};

struct DigitalInput {
    StepResult result = StepResult::NotRun;
    bool sawOn = false;
    bool sawOff = false;
};

struct AnalogInput {
    StepResult result = StepResult::NotRun;
    std::optional<int> low, high;
};

struct AnalogLimits {
    int min = 0;
    int max = 0;
};

struct SelfTestReport {
    std::uint8_t address = 1;
    Overall verdict = Overall::Fail; // meaningful once the test has finished
    std::array<StepRecord, StepCount> steps{
        {{StepId::Link}, {StepId::Relays}, {StepId::Digital}, {StepId::Analog}}};
    LinkValues link;
    RelayValues relays;
    std::array<DigitalInput, 4> digital{};
    std::array<AnalogInput, 3> analog{};
    AnalogLimits low, high;

    StepRecord &step(StepId id) { return steps[std::size_t(id)]; }
    const StepRecord &step(StepId id) const { return steps[std::size_t(id)]; }
    std::optional<Time> started() const;
    std::optional<Time> finished() const;
};

// The words the reports share: "pass", "not run"; "link", "relays"; "pass", "no module".
const char *resultWord(StepResult result);
const char *stepName(StepId id);
const char *stepTitle(StepId id); // "Digital inputs"
const char *overallWord(Overall verdict);

} // namespace line
