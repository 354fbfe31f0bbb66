// What a run is kept under: the outcome its word names, as the history stores it and the
// command line takes it.
#include "Checks.h"
#include "SelfTestResult.h"

namespace {

const struct {
    const char *word;
    int outcome; // -1: names none
} OutcomeWords[] = {
    {"pass", int(line::Outcome::Pass)},
    {"FAIL", int(line::Outcome::Fail)},
    {"Error", int(line::Outcome::Error)},
    {"aborteD", int(line::Outcome::Aborted)},
    {"passed", -1},
    {"pas", -1},
    {"", -1},
    {"no module", -1},
    {"pass ", -1},
};

} // namespace

void recordChecks(Checks &checks)
{
    for (const auto &w : OutcomeWords)
        checks.run(std::string("outcome named: \"") + w.word + '"', [&](Checks &c) {
            const auto named = line::outcomeNamed(w.word);
            c.equal("outcome", named ? line::outcomeWord(*named) : "none",
                    w.outcome < 0 ? "none" : line::outcomeWord(line::Outcome(w.outcome)));
        });
}
